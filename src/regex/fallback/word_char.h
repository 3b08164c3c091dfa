// Word characters as the dialect's Unicode \w defines them, for the word
// assertions (\b, \B, \b{start}, \<, ...) evaluated by the fallback engine.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kc::regex::fallback {

namespace detail {
struct WordRange {
  char32_t lo;
  char32_t hi;
};
extern const WordRange kWordRanges[];
extern const std::size_t kWordRangeCount;
// One bit per code point of the Basic Multilingual Plane.
extern const std::uint64_t kBmpWordBits[1024];
bool is_word_char_slow(char32_t c);
}  // namespace detail

// True if `c` is in [0-9A-Za-z_].
inline bool is_word_byte(std::uint32_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// True if `c` is a Unicode word character: Alphabetic, a mark, a decimal digit,
// a connector punctuation or a join control.
inline bool is_word_char(char32_t c) {
  if (c < 0x80) return is_word_byte(c);
  if (c < 0x10000) return (detail::kBmpWordBits[c >> 6] >> (c & 63)) & 1;
  return detail::is_word_char_slow(c);
}

}  // namespace kc::regex::fallback
