// A direct scanner for the simplest patterns: one class, or one class
// repeated greedily at least once without bound (`[^a-zA-Z0-9\s]`, `\S+`,
// `\w+`). Tokenisers run such patterns once per token or find thousands of
// short matches per text, where a general engine's per-search setup would
// cost more than the scan itself.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "regex/hir/hir.h"
#include "util/span.h"

namespace kc::regex::meta {

class ClassScanner {
 public:
  // A scanner for `hir` when it has one of the two shapes, else nullopt.
  static std::optional<ClassScanner> for_hir(const hir::Hir& hir);

  // The leftmost-first match starting at or after `from` (a character
  // boundary of the valid UTF-8 `text`), or nullopt. Linear in the text read.
  std::optional<Span> find(std::string_view text, std::size_t from) const;

 private:
  ClassScanner(const std::vector<hir::ClassRange>& ranges, bool repeat);
  bool contains(char32_t c) const;

  std::array<std::uint64_t, 2> ascii_{};    // membership of U+0000..U+007F
  std::vector<hir::ClassRange> non_ascii_;  // sorted ranges above U+007F
  bool repeat_;                             // true: class+, false: one character
};

}  // namespace kc::regex::meta
