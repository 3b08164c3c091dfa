// Size limit and construction of Regex and RegexSet from HIR, and the
// RegexSet's RE2 programs, each built on its first use.
#include "regex/meta/factory.h"

#include <utility>

#include "regex/meta/regex_impl.h"
#include "regex/nfa/size.h"
#include "regex/re2_emit/membership.h"

namespace kc::regex::meta {

namespace {

// RE2::Set memory budget: one program for all patterns, and a DFA that must
// not run out on long texts (if it does, the set verifies pattern by pattern).
constexpr std::int64_t kSetMaxMem = std::int64_t{256} << 20;

// RE2 options for a program with many patterns in it.
RE2::Options set_options() {
  RE2::Options options = re2_options();
  options.set_max_mem(kSetMaxMem);
  return options;
}

// Adds `pattern` to `*set` (made on first use); false if RE2 refuses it.
bool add_to_set(std::unique_ptr<RE2::Set>& set, const std::string& pattern) {
  if (!set) set = std::make_unique<RE2::Set>(set_options(), RE2::UNANCHORED);
  return set->Add(pattern, nullptr) >= 0;
}

// Compiles `*set`, or drops it if RE2 refuses it.
void compile_set(std::unique_ptr<RE2::Set>& set) {
  if (set && !set->Compile()) set.reset();
}

using Engines = std::vector<std::shared_ptr<const Engine>>;

// The RE2 form of `e` exact on every text, else on ASCII text if `ascii`;
// empty if it has none.
const std::string& exact_form(const Engine& e, bool ascii) {
  return e.exact_pattern().empty() && ascii ? e.ascii_pattern() : e.exact_pattern();
}

// One RE2 alternative per pattern of `ids`, each written as `form` gives it,
// or one that never matches.
template <class Form>
std::string alternation(const std::vector<std::size_t>& ids, Form form) {
  std::string out = "(?:";
  for (std::size_t i : ids) out += (out.size() > 3 ? "|(?:" : "(?:") + form(i) + ')';
  return out + (ids.empty() ? "[^\\x00-\\x{10FFFF}])" : ")");
}

// Fills `plan` but for `first`, `members` and `others`; leaves the relaxed
// set to be compiled on first use.
void build_plan(RegexSet::Impl::Plan& plan, const Engines& engines, bool ascii) {
  for (std::size_t i = 0; i < engines.size(); ++i) {
    const Engine& e = *engines[i];
    // In a set too, RE2's DFA would make a state per byte for these.
    if (e.pikevm_first()) {
      plan.unset.push_back(i);
      continue;
    }
    const std::string& exact = exact_form(e, ascii);
    if (!exact.empty() && add_to_set(plan.exact, exact)) {
      plan.exact_ids.push_back(i);
    } else if (!e.relaxed_pattern().empty() && add_to_set(plan.relaxed_added, e.relaxed_pattern())) {
      plan.relaxed_ids.push_back(i);
    } else {
      plan.unset.push_back(i);
    }
  }
  compile_set(plan.exact);
}

// Sets `plan.first` for the relaxed patterns that have membership forms,
// with `plan.others` for the rest, and what `plan.members()` compiles.
// Leaves them all empty if RE2 refuses one.
void build_members(RegexSet::Impl::Plan& plan, const std::vector<hir::Hir>& hirs, const Engines& engines) {
  std::vector<re2_emit::MembershipForm> forms;
  std::vector<std::size_t> members, others;
  std::unique_ptr<RE2::Set> others_set;
  for (std::size_t i : plan.relaxed_ids) {
    if (auto f = re2_emit::membership_forms(hirs[i])) {
      forms.insert(forms.end(), std::make_move_iterator(f->begin()), std::make_move_iterator(f->end()));
      members.push_back(i);
    } else if (add_to_set(others_set, engines[i]->relaxed_pattern())) {
      others.push_back(i);
    } else {
      return;
    }
  }
  if (members.empty() || (others_set && !others_set->Compile())) return;
  std::string pattern = re2_emit::membership_pattern(forms);
  auto group = [&](const std::vector<std::size_t>& ids, const std::string& (Engine::*form)() const) {
    return alternation(ids, [&](std::size_t i) -> const std::string& { return (engines[i].get()->*form)(); });
  };
  const bool alone = plan.exact_ids.empty() && others.empty();
  auto first = std::make_unique<RE2>(alone ? pattern
                                           : pattern + '|' + group(plan.exact_ids, &Engine::exact_pattern) + '|' +
                                                 group(others, &Engine::relaxed_pattern),
                                     set_options());
  if (!first->ok()) return;
  plan.first = std::move(first);
  plan.first_is_members = alone;
  if (!alone) plan.members_pattern = std::move(pattern);
  plan.member_ids = std::move(members);
  plan.others = std::move(others_set);
  plan.others_ids = std::move(others);
}

}  // namespace

Error compiled_too_big() {
  return Error{Error::Kind::CompiledTooBig,
               "Compiled regex exceeds size limit of " + std::to_string(kSizeLimit) + " bytes."};
}

Result<Regex> Factory::regex(const hir::Hir& hir) {
  if (!nfa::within_size_limit({&hir, 1}, nfa::Captures::Included, kSizeLimit)) return compiled_too_big();
  return Regex(std::make_unique<Regex::Impl>(Regex::Impl{std::make_shared<const Engine>(hir)}));
}

Result<RegexSet> Factory::set(std::vector<hir::Hir> hirs) {
  if (!nfa::within_size_limit(hirs, nfa::Captures::Excluded, kSizeLimit)) return compiled_too_big();
  Engines engines;
  engines.reserve(hirs.size());
  for (const hir::Hir& hir : hirs) engines.push_back(std::make_shared<const Engine>(hir));
  return RegexSet(std::make_unique<RegexSet::Impl>(std::move(engines), std::move(hirs)));
}

}  // namespace kc::regex::meta

namespace kc::regex {

RegexSet::Impl::Impl(std::vector<std::shared_ptr<const meta::Engine>> engines_in, std::vector<hir::Hir> hirs)
    : engines(std::move(engines_in)), hirs_(std::move(hirs)) {
  for (std::size_t i = 0; i < engines.size(); ++i) {
    const meta::Engine& e = *engines[i];
    if (e.exact_pattern().empty() && !e.ascii_pattern().empty()) has_ascii_plan_ = true;
    // Only patterns with a relaxed form and no exact one get membership forms.
    if (!e.exact_pattern().empty() || e.relaxed_pattern().empty()) hirs_[i] = hir::Hir::empty();
  }
}

const RegexSet::Impl::Plan& RegexSet::Impl::plan(std::string_view text, bool first_only) const {
  if (has_ascii_plan_ && meta::is_ascii(text)) return ascii_text_plan();
  return any_text_plan(first_only);
}

const RegexSet::Impl::Plan& RegexSet::Impl::any_text_plan(bool with_members) const {
  std::call_once(any_text_once_, [this] { meta::build_plan(any_text_, engines, false); });
  if (with_members) {
    std::call_once(membership_once_, [this] {
      meta::build_members(any_text_, hirs_, engines);
      hirs_ = {};
    });
  }
  return any_text_;
}

const RegexSet::Impl::Plan& RegexSet::Impl::ascii_text_plan() const {
  if (!has_ascii_plan_) return any_text_plan(false);
  std::call_once(ascii_text_once_, [this] { meta::build_plan(ascii_text_, engines, true); });
  return ascii_text_;
}

const RE2* RegexSet::Impl::ascii_alternation() const {
  std::call_once(ascii_alternation_once_, [this] {
    const Plan& plan = ascii_text_plan();
    if (plan.exact_ids.empty()) return;
    auto form = [this](std::size_t i) -> const std::string& { return meta::exact_form(*engines[i], true); };
    auto re = std::make_unique<RE2>(meta::alternation(plan.exact_ids, form), meta::set_options());
    if (re->ok()) ascii_alternation_ = std::move(re);
  });
  return ascii_alternation_.get();
}

const RE2* RegexSet::Impl::Plan::members() const {
  if (first == nullptr || first_is_members) return first.get();
  std::call_once(members_once, [this] {
    auto re = std::make_unique<RE2>(members_pattern, meta::set_options());
    if (re->ok()) members_compiled = std::move(re);
    members_pattern = {};
  });
  return members_compiled.get();
}

const RE2::Set* RegexSet::Impl::Plan::relaxed() const {
  std::call_once(relaxed_once, [this] {
    meta::compile_set(relaxed_added);
    relaxed_compiled = std::move(relaxed_added);
  });
  return relaxed_compiled.get();
}

}  // namespace kc::regex
