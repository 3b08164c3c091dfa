// The private state behind Regex and RegexSet.
#pragma once

#include <memory>
#include <vector>

#include <re2/set.h>

#include "regex/meta/engine.h"
#include "regex/regex.h"

namespace kc::regex {

struct Regex::Impl {
  explicit Impl(const hir::Hir& hir) : engine(hir) {}
  meta::Engine engine;
};

struct RegexSet::Impl {
  // The patterns in RE2::Sets, for one assumption about the text. A pattern
  // in `exact` is found when the set reports it; one in `relaxed` is then a
  // candidate its own engine confirms; `unset` patterns have no RE2 form and
  // are always run alone. `members` answers, for the patterns in `member_ids`
  // together, whether one of them matches (re2_emit/membership.h): enough
  // for is_match, which then needs only `others`, the relaxed set without
  // them. They stay in `relaxed` for `matches`. `first` is is_match's first
  // pass, (members)|(exact patterns)|(others relaxed): no match rules out
  // every pattern in a set, and the leftmost one's group tells whether it
  // settles the question; only a candidate from `others` needs the sets.
  struct Plan {
    std::unique_ptr<RE2::Set> exact;
    std::vector<std::size_t> exact_ids;  // set index to pattern index
    std::unique_ptr<RE2> first;
    std::unique_ptr<RE2> members;
    std::vector<std::size_t> member_ids;
    std::unique_ptr<RE2::Set> others;
    std::vector<std::size_t> others_ids;
    std::unique_ptr<RE2::Set> relaxed;
    std::vector<std::size_t> relaxed_ids;
    std::vector<std::size_t> unset;
  };
  std::vector<std::unique_ptr<meta::Engine>> engines;
  Plan any_text;    // exact patterns, else relaxed ones, with `members`
  Plan ascii_text;  // as above, with Unicode \b exact on ASCII text; no `members`
  bool has_ascii_plan = false;  // false: ascii_text would equal any_text
};

}  // namespace kc::regex
