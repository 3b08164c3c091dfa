// Size limit and construction of Regex and RegexSet from HIR.
#include "regex/meta/factory.h"

#include <utility>

#include "regex/meta/regex_impl.h"
#include "regex/nfa/size.h"

namespace kc::regex::meta {

namespace {

// RE2::Set memory budget: one program for all patterns, and a DFA that must
// not run out on long texts (if it does, the set verifies pattern by pattern).
constexpr std::int64_t kSetMaxMem = std::int64_t{256} << 20;

void build_plan(RegexSet::Impl::Plan& plan, const std::vector<std::unique_ptr<Engine>>& engines, bool ascii) {
  RE2::Options options = re2_options();
  options.set_max_mem(kSetMaxMem);
  plan.set = std::make_unique<RE2::Set>(options, RE2::UNANCHORED);
  plan.verify.assign(engines.size(), false);
  for (std::size_t i = 0; i < engines.size(); ++i) {
    const Engine& e = *engines[i];
    const std::string* pattern = &e.exact_pattern();
    if (pattern->empty() && ascii) pattern = &e.ascii_pattern();
    if (pattern->empty()) {
      pattern = &e.relaxed_pattern();
      plan.verify[i] = true;
    }
    if (pattern->empty() || plan.set->Add(*pattern, nullptr) < 0) {
      plan.always_verify.push_back(i);
      continue;
    }
    plan.set_to_pattern.push_back(i);
  }
  if (plan.set_to_pattern.empty() || !plan.set->Compile()) {
    plan.set.reset();
    plan.set_to_pattern.clear();
    plan.always_verify.clear();
    for (std::size_t i = 0; i < engines.size(); ++i) plan.always_verify.push_back(i);
  }
}

}  // namespace

Error compiled_too_big() {
  return Error{Error::Kind::CompiledTooBig,
               "Compiled regex exceeds size limit of " + std::to_string(kSizeLimit) + " bytes."};
}

Result<Regex> Factory::regex(const hir::Hir& hir) {
  if (nfa::program_size(hir) > kSizeLimit) return compiled_too_big();
  return Regex(std::make_unique<Regex::Impl>(hir));
}

Result<RegexSet> Factory::set(const std::vector<hir::Hir>& hirs) {
  std::size_t total = 0;
  for (const hir::Hir& hir : hirs) {
    std::size_t size = nfa::program_size(hir);
    if (size > kSizeLimit - total) return compiled_too_big();
    total += size;
  }
  auto impl = std::make_unique<RegexSet::Impl>();
  impl->engines.reserve(hirs.size());
  for (const hir::Hir& hir : hirs) impl->engines.push_back(std::make_unique<Engine>(hir));
  build_plan(impl->any_text, impl->engines, false);
  for (const auto& e : impl->engines)
    if (e->exact_pattern().empty() && !e->ascii_pattern().empty()) impl->has_ascii_plan = true;
  if (impl->has_ascii_plan) build_plan(impl->ascii_text, impl->engines, true);
  return RegexSet(std::move(impl));
}

}  // namespace kc::regex::meta
