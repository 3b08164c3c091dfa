// The private state behind Regex and RegexSet.
#pragma once

#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include <re2/set.h>

#include "regex/hir/hir.h"
#include "regex/meta/engine.h"
#include "regex/regex.h"

namespace kc::regex {

struct Regex::Impl {
  // Shared with the RegexSet the expression came from, if any.
  std::shared_ptr<const meta::Engine> engine;
};

struct RegexSet::Impl {
  // The patterns in RE2::Sets, for one assumption about the text. A pattern
  // in `exact` is found when the set reports it; one in `relaxed` is then a
  // candidate its own engine confirms; `unset` patterns have no RE2 form, or
  // one RE2 runs slowly (Engine::pikevm_first), and are always run alone, as
  // are a set's patterns when RE2 refuses the set.
  // `members` answers, for the patterns in `member_ids` together, whether
  // one of them matches (re2_emit/membership.h): enough for is_match, which
  // then needs only `others`, the relaxed set without them. They stay in
  // `relaxed` for `matches`. `first` is is_match's first pass,
  // (members)|(exact patterns)|(others relaxed): no match rules out every
  // pattern in a set, and the leftmost one's group tells whether it settles
  // the question; only a candidate from `others` needs the sets.
  struct Plan {
    std::unique_ptr<RE2::Set> exact;
    std::vector<std::size_t> exact_ids;  // set index to pattern index
    std::unique_ptr<RE2> first;          // null: no membership pass
    std::vector<std::size_t> member_ids;
    std::unique_ptr<RE2::Set> others;
    std::vector<std::size_t> others_ids;
    std::vector<std::size_t> relaxed_ids;
    std::vector<std::size_t> unset;

    // Compiled on first use, since a text `first` misses needs no `members`
    // and is_match with `first` needs no `relaxed`. Thread-safe. Null when
    // RE2 refuses it.
    const RE2* members() const;
    const RE2::Set* relaxed() const;

    // What those compile: the membership pattern, unless `first` is that
    // pattern itself; the relaxed set, its patterns added.
    bool first_is_members = false;
    mutable std::string members_pattern;
    mutable std::unique_ptr<RE2::Set> relaxed_added;
    mutable std::unique_ptr<RE2> members_compiled;
    mutable std::unique_ptr<RE2::Set> relaxed_compiled;
    mutable std::once_flag members_once, relaxed_once;
  };

  // `hirs[i]` is the translated pattern `engines[i]` was compiled from.
  Impl(std::vector<std::shared_ptr<const meta::Engine>> engines, std::vector<hir::Hir> hirs);
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  // The plan for searching `text`, with is_match's membership pass when
  // `first_only`. Each part is compiled on its first use, since a workload
  // may never need it (ASCII texts only, or only is_match). Thread-safe.
  const Plan& plan(std::string_view text, bool first_only) const;
  // The plan for any text, with the membership pass when `with_members`;
  // the plan for ASCII text (the former when there is no separate one).
  // Thread-safe.
  const Plan& any_text_plan(bool with_members) const;
  const Plan& ascii_text_plan() const;
  // False when the ASCII plan would equal the other.
  bool has_ascii_plan() const { return has_ascii_plan_; }
  // The ASCII plan's exact patterns as one RE2 alternation: unlike the set,
  // it tells where its leftmost match lies. Null when there are none or RE2
  // refuses it. Compiled on first use. Thread-safe.
  const RE2* ascii_alternation() const;

  std::vector<std::shared_ptr<const meta::Engine>> engines;

 private:
  mutable std::vector<hir::Hir> hirs_;  // kept for the membership forms, then released
  bool has_ascii_plan_ = false;
  mutable Plan any_text_;               // exact patterns, else relaxed ones, with membership
  mutable Plan ascii_text_;             // as above, with Unicode \b exact on ASCII text
  mutable std::unique_ptr<RE2> ascii_alternation_;
  mutable std::once_flag any_text_once_, membership_once_, ascii_text_once_, ascii_alternation_once_;
};

}  // namespace kc::regex
