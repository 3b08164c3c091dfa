// RegexSet: one RE2::Set pass, then confirmation of the patterns RE2 can
// only approximate. is_match first asks one RE2 whether a pattern with
// Unicode \b at its edges matches, on any text, and one RE2 of the others
// under ASCII rules, which settles it at a match amid ASCII bytes.
#include <algorithm>

#include "regex/meta/regex_impl.h"
#include "regex/regex.h"
#include "regex/testing.h"

namespace kc::regex {

namespace {

// Collects the patterns of `impl` that match one text, in no order, or only
// whether one does (`first_only`: stops at the first found).
class Collector {
 public:
  Collector(const RegexSet::Impl& impl, std::string_view text, bool first_only, std::vector<std::size_t>& out)
      : impl_(impl), text_(text), first_only_(first_only), out_(out) {}

  void run() {
    if (testing::current_path() != testing::Path::Normal) {
      for (std::size_t i = 0; i < impl_.engines.size(); ++i)
        if (confirm(i)) return;
      return;
    }
    Ascii ascii = Ascii::Unknown;
    if (first_only_) {
      const RegexSet::Impl::Plan& any = impl_.any_text_plan(true);
      if (any.first) {
        if (first_match(any, ascii)) return;
      } else if (impl_.has_ascii_plan()) {
        ascii = ascii_first();
        if (ascii == Ascii::Found) return;
      }
    }
    const RegexSet::Impl::Plan* plan = ascii == Ascii::Unknown ? &impl_.plan(text_, first_only_)
                                       : ascii == Ascii::No    ? &impl_.any_text_plan(true)
                                                               : &impl_.ascii_text_plan();
    if (ascii != Ascii::Missed && from_set(plan->exact.get(), plan->exact_ids, false)) return;
    if (from_set(plan->relaxed(), plan->relaxed_ids, true)) return;
    for (std::size_t i : plan->unset)
      if (confirm(i)) return;
  }

 private:
  // What is_match has learnt about the text before choosing a plan: not
  // asked; a match found; the text is ASCII and the ASCII plan's exact
  // patterns match nothing in it; the text is ASCII; it is not.
  enum class Ascii { Unknown, Found, Missed, Yes, No };

  // is_match by the ASCII plan's exact patterns, so that a match early in a
  // long text costs only the text before it. Their leftmost match under
  // ASCII rules is a true one when it and its neighbours are ASCII bytes;
  // a miss settles nothing unless the whole text is ASCII.
  Ascii ascii_first() {
    const RE2* re = impl_.ascii_alternation();
    if (re == nullptr) return meta::is_ascii(text_) ? Ascii::Yes : Ascii::No;
    switch (meta::search_under_ascii_rules(*re, text_)) {
      case meta::AsciiRules::Match:
        found(impl_.ascii_text_plan().exact_ids.front());
        return Ascii::Found;
      case meta::AsciiRules::NoMatch:
        return Ascii::Missed;
      case meta::AsciiRules::NotAscii:
        break;
    }
    return Ascii::No;
  }

  // is_match through `plan.first`, which is exact on every text, so that a
  // match early in a long text costs only the text before it: whether the
  // text is ASCII is asked only when the first pass leaves the question
  // open. False if it is left to the ASCII plan's sets, `ascii` telling
  // what is known.
  bool first_match(const RegexSet::Impl::Plan& plan, Ascii& ascii) {
    re2::StringPiece text(text_.data(), text_.size()), leftmost;
    if (plan.first->Match(text, 0, text.size(), RE2::UNANCHORED, &leftmost, 1)) {
      // Nothing matches before `start`. A members match there settles it;
      // else the leftmost is an exact match or a candidate of the others,
      // and members may still match further on. ascii_first may settle it
      // at the leftmost match under ASCII rules; else on ASCII text the
      // ASCII plan does the rest.
      std::size_t start = static_cast<std::size_t>(leftmost.data() - text.data());
      if (members_from(plan, start, RE2::ANCHOR_START)) return true;
      if (impl_.has_ascii_plan()) {
        ascii = ascii_first();
        if (ascii == Ascii::Found) return true;
        if (ascii != Ascii::No) return false;
      }
      if (from_set(plan.exact.get(), plan.exact_ids, false)) return true;
      if (members_from(plan, start, RE2::UNANCHORED)) return true;
      if (from_set(plan.others.get(), plan.others_ids, true)) return true;
    }
    for (std::size_t i : plan.unset)
      if (confirm(i)) return true;
    return true;
  }

  // Runs pattern `i` alone; true when the collection is complete.
  bool confirm(std::size_t i) {
    if (impl_.engines[i]->is_match(text_)) return found(i);
    return false;
  }

  bool found(std::size_t i) {
    out_.push_back(i);
    return first_only_;
  }

  // True if `re` matches at or after `from`, with the whole text as context.
  bool matches_from(const RE2& re, std::size_t from, RE2::Anchor anchor) const {
    return re.Match(re2::StringPiece(text_.data(), text_.size()), from, text_.size(), anchor, nullptr, 0);
  }

  // Whether `plan`'s members match at or after `from` (nothing matches
  // before it); true when the collection is complete.
  bool members_from(const RegexSet::Impl::Plan& plan, std::size_t from, RE2::Anchor anchor) {
    if (const RE2* members = plan.members())
      return matches_from(*members, from, anchor) && found(plan.member_ids.front());
    // RE2 refused them without the rest: each runs alone, once.
    if (anchor == RE2::ANCHOR_START) return false;
    for (std::size_t i : plan.member_ids)
      if (confirm(i)) return true;
    return false;
  }

  // Runs one RE2::Set; its reports are matches, or candidates to confirm.
  // True when the collection is complete.
  bool from_set(const RE2::Set* set, const std::vector<std::size_t>& ids, bool candidates) {
    re2::StringPiece text(text_.data(), text_.size());
    RE2::Set::ErrorInfo error{};
    if (set == nullptr) {
      // RE2 refused the set: handled below like a DFA that gave up.
    } else if (first_only_ && !candidates) {
      // Without ids the DFA stops at the first match. Which pattern it was
      // is unknown, and is_match does not need to know.
      if (set->Match(text, nullptr, &error)) return found(ids.front());
      if (error.kind == RE2::Set::kNoError) return false;
    } else {
      std::vector<int> reported;
      if (set->Match(text, &reported, &error) || error.kind == RE2::Set::kNoError) {
        for (int id : reported) {
          std::size_t i = ids[static_cast<std::size_t>(id)];
          if (candidates ? confirm(i) : found(i)) return true;
        }
        return false;
      }
    }
    // No set, or its DFA gave up (out of memory): run each pattern alone.
    for (std::size_t i : ids)
      if (confirm(i)) return true;
    return false;
  }

  const RegexSet::Impl& impl_;
  std::string_view text_;
  bool first_only_;
  std::vector<std::size_t>& out_;
};

}  // namespace

RegexSet::RegexSet(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
RegexSet::RegexSet(RegexSet&&) noexcept = default;
RegexSet& RegexSet::operator=(RegexSet&&) noexcept = default;
RegexSet::~RegexSet() = default;

bool RegexSet::is_match(std::string_view text) const {
  std::vector<std::size_t> found;
  Collector(*impl_, text, true, found).run();
  return !found.empty();
}

std::vector<std::size_t> RegexSet::matches(std::string_view text) const {
  std::vector<std::size_t> found;
  Collector(*impl_, text, false, found).run();
  std::sort(found.begin(), found.end());
  return found;
}

std::size_t RegexSet::size() const { return impl_->engines.size(); }

Regex RegexSet::regex(std::size_t index) const {
  return Regex(std::make_unique<Regex::Impl>(Regex::Impl{impl_->engines[index]}));
}

}  // namespace kc::regex
