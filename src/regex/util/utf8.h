// Stepping over valid UTF-8 one scalar value at a time, forwards and backwards.
#pragma once

#include <cstddef>
#include <string_view>

namespace kc::regex::util {

// The scalar value starting at `text[i]` (i < text.size()); its byte length in `*len`.
inline char32_t decode_at(std::string_view text, std::size_t i, std::size_t* len) {
  auto b = static_cast<unsigned char>(text[i]);
  if (b < 0x80) {
    *len = 1;
    return b;
  }
  std::size_t n = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
  if (i + n > text.size()) n = text.size() - i;  // truncated input: never read past the end
  char32_t c = n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
  for (std::size_t k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
  *len = n;
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
