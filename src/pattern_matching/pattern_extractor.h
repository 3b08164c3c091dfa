// Category-tagged regular expressions compiled for repeated searching.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pattern_matching/pattern_features.h"
#include "regex/error.h"
#include "regex/regex.h"
#include "types/category_table.h"
#include "util/span.h"

namespace kc::pattern_matching {

// One match of one pattern with the pattern's category. `category` indexes
// PatternExtractor::category_names() of the extractor that produced it.
struct CategorizedSpan {
  std::size_t start;
  std::size_t end;
  std::size_t category;
  friend bool operator==(const CategorizedSpan&, const CategorizedSpan&) = default;
};

// A PatternExtractor is the compiled form of a CategoryTable of regular
// expressions, every one matched case-insensitively (each pattern is compiled
// as "(?i)" followed by its text). Patterns are numbered in pattern order:
// categories ascending byte-wise by name, within a category in list order;
// duplicates stay separate patterns.
//
// All patterns are compiled into one RegexSet, which tells in one pass which
// patterns occur; each pattern also has its own Regex (sharing the set's
// compiled form of it), to locate and count its matches only when the set
// reports it.
//
// Immutable after construction; queries may run concurrently. Movable, not
// copyable. Texts are valid UTF-8, matched unchanged; offsets are bytes.
class PatternExtractor {
 public:
  // Builds the extractor from `patterns`, which it consumes. Fails with the
  // regex library's error (unchanged, e.g. a syntax error quoting the
  // prefixed pattern) when the set does not compile.
  static regex::Result<PatternExtractor> New(CategoryTable patterns);

  PatternExtractor(PatternExtractor&&) noexcept = default;
  PatternExtractor& operator=(PatternExtractor&&) noexcept = default;
  PatternExtractor(const PatternExtractor&) = delete;
  PatternExtractor& operator=(const PatternExtractor&) = delete;

  // True if any pattern matches anywhere in `text`. Runs only the set.
  bool has_any_match(std::string_view text) const;

  // Every match of every reported pattern, sorted by (start, end), with
  // overlapping and touching spans merged. Ascending and disjoint.
  std::vector<Span> find_pattern_spans(std::string_view text) const;

  // Every match of every reported pattern with its category, stably sorted by
  // start only (equal starts keep pattern order), not merged, duplicates kept.
  std::vector<CategorizedSpan> find_categorized_spans(std::string_view text) const;

  // The density of each category's matches and the fixed text statistics.
  PatternFeatures extract(std::string_view text) const;

  // Every category name of the table once, ascending byte-wise, including
  // categories with no pattern.
  const std::vector<std::string>& category_names() const { return category_names_; }

  // The number of patterns.
  std::size_t pattern_count() const { return regexes_.size(); }

 private:
  PatternExtractor(regex::RegexSet set, std::vector<regex::Regex> regexes,
                   std::vector<std::size_t> pattern_categories,
                   std::vector<std::string> category_names);

  // Indices the set reports for `text`, checked against regexes_.
  std::vector<std::size_t> reported_patterns(std::string_view text) const;

  regex::RegexSet set_;                        // pattern i = regexes_[i]
  std::vector<regex::Regex> regexes_;          // each pattern alone
  std::vector<std::size_t> pattern_categories_;  // pattern i -> index into category_names_
  std::vector<std::string> category_names_;    // strictly ascending
};

}  // namespace kc::pattern_matching
