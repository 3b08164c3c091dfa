// Stepping over valid UTF-8 by characters, forwards and backwards, and
// character boundaries, for the engines that move by code points.
#pragma once

#include <cstddef>
#include <string_view>

#include "unicode/utf8.h"

namespace kc::regex::util {

// The scalar value starting at `text[i]` (i < text.size(), a character
// boundary of valid UTF-8); its byte length in `*len`.
inline char32_t decode_at(std::string_view text, std::size_t i, std::size_t* len) {
  std::size_t end = i;
  char32_t c = unicode::decode_utf8(text, end);
  *len = end - i;
  return c;
}

// The scalar value ending just before `text[i]` (i > 0).
inline char32_t decode_before(std::string_view text, std::size_t i) {
  std::size_t start = i - 1;
  while (start > 0 && i - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
  std::size_t len;
  return decode_at(text, start, &len);
}

// True if `i` is not inside the encoding of a character.
inline bool is_char_boundary(std::string_view text, std::size_t i) {
  return i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
}

// The first character boundary at or after `i`.
inline std::size_t next_char_boundary(std::string_view text, std::size_t i) {
  while (!is_char_boundary(text, i)) ++i;
  return i;
}

}  // namespace kc::regex::util
