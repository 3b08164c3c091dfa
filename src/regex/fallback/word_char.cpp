// Lookup of word characters outside the Basic Multilingual Plane.
#include "regex/fallback/word_char.h"

#include <algorithm>

namespace kc::regex::fallback::detail {

bool is_word_char_slow(char32_t c) {
  const WordRange* end = kWordRanges + kWordRangeCount;
  const WordRange* it =
      std::upper_bound(kWordRanges, end, c, [](char32_t v, const WordRange& r) { return v < r.lo; });
  return it != kWordRanges && (it - 1)->hi >= c;
}

}  // namespace kc::regex::fallback::detail
