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
  // One RE2::Set over the patterns, for one assumption about the text. A
  // pattern it reports is a match unless `verify` says it must be confirmed
  // by the pattern's own engine; patterns in `always_verify` are not in the
  // set at all.
  struct Plan {
    std::unique_ptr<RE2::Set> set;
    std::vector<std::size_t> set_to_pattern;
    std::vector<bool> verify;
    std::vector<std::size_t> always_verify;
  };
  std::vector<std::unique_ptr<meta::Engine>> engines;
  Plan any_text;    // exact patterns, else relaxed ones
  Plan ascii_text;  // as above, with Unicode \b exact on ASCII text
  bool has_ascii_plan = false;  // false: ascii_text would equal any_text
};

}  // namespace kc::regex
