// RegexSet: one RE2::Set pass, then confirmation of the patterns RE2 can
// only approximate.
#include <algorithm>

#include "regex/meta/regex_impl.h"
#include "regex/regex.h"
#include "regex/testing.h"

namespace kc::regex {

namespace {

// Appends to `out` every pattern of `impl` that matches `text`, in no order;
// stops after the first when `first_only`.
void collect(const RegexSet::Impl& impl, std::string_view text, bool first_only, std::vector<std::size_t>& out) {
  auto verify = [&](std::size_t i) {
    if (impl.engines[i]->is_match(text)) out.push_back(i);
    return first_only && !out.empty();
  };
  if (testing::current_path() != testing::Path::Normal) {
    for (std::size_t i = 0; i < impl.engines.size(); ++i)
      if (verify(i)) return;
    return;
  }
  const RegexSet::Impl::Plan& plan =
      impl.has_ascii_plan && meta::is_ascii(text) ? impl.ascii_text : impl.any_text;
  if (plan.set) {
    std::vector<int> ids;
    RE2::Set::ErrorInfo error{};
    if (!plan.set->Match(re2::StringPiece(text.data(), text.size()), &ids, &error) &&
        error.kind != RE2::Set::kNoError) {
      // The DFA gave up: answer pattern by pattern instead.
      for (std::size_t i = 0; i < impl.engines.size(); ++i)
        if (verify(i)) return;
      return;
    }
    for (int id : ids) {
      std::size_t i = plan.set_to_pattern[static_cast<std::size_t>(id)];
      if (!plan.verify[i]) {
        out.push_back(i);
        if (first_only) return;
      } else if (verify(i)) {
        return;
      }
    }
  }
  for (std::size_t i : plan.always_verify)
    if (verify(i)) return;
}

}  // namespace

RegexSet::RegexSet(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
RegexSet::RegexSet(RegexSet&&) noexcept = default;
RegexSet& RegexSet::operator=(RegexSet&&) noexcept = default;
RegexSet::~RegexSet() = default;

bool RegexSet::is_match(std::string_view text) const {
  std::vector<std::size_t> found;
  collect(*impl_, text, true, found);
  return !found.empty();
}

std::vector<std::size_t> RegexSet::matches(std::string_view text) const {
  std::vector<std::size_t> found;
  collect(*impl_, text, false, found);
  std::sort(found.begin(), found.end());
  return found;
}

std::size_t RegexSet::size() const { return impl_->engines.size(); }

}  // namespace kc::regex
