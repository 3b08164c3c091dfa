// Word characters as the dialect's Unicode \w defines them, for the word
// assertions (\b, \B, \b{start}, \<, ...) evaluated by the fallback engine.
#pragma once

#include <cstdint>

#include "unicode/properties.h"

namespace kc::regex::fallback {

// True if `c` is in [0-9A-Za-z_].
inline bool is_word_byte(std::uint32_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// True if `c` is a Unicode word character: Alphabetic, a mark, a decimal
// digit, a connector punctuation or a join control (U+200C, U+200D).
inline bool is_word_char(char32_t c) {
  if (c < 0x80) return is_word_byte(c);
  // One property record answers both Alphabetic and the general category.
  const std::uint16_t record = unicode::detail::prop_record(c);
  if (record & unicode::tables::kPropAlphabetic) return true;
  using unicode::GeneralCategory;
  switch (static_cast<GeneralCategory>(record & unicode::tables::kPropGcMask)) {
    case GeneralCategory::Mn:
    case GeneralCategory::Mc:
    case GeneralCategory::Me:
    case GeneralCategory::Nd:
    case GeneralCategory::Pc:
      return true;
    default:
      return c == 0x200C || c == 0x200D;
  }
}

}  // namespace kc::regex::fallback
