// UTF-8 decoding and encoding of single scalar values.
//
// The kernels receive text that the binding has already validated (Python
// str), so decoding trusts its input and does no error checking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kc::unicode {

// Decodes the scalar value that starts at byte `i` of `s` and advances `i`
// past it. Preconditions: `s` is valid UTF-8 and `i < s.size()` is the start
// of a character.
inline char32_t decode_utf8(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    i += 1;
    return b0;
  }
  auto cont = [&](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(s[i + k]) & 0x3F); };
  char32_t c;
  if (b0 < 0xE0) {
    c = (static_cast<char32_t>(b0 & 0x1F) << 6) | cont(1);
    i += 2;
  } else if (b0 < 0xF0) {
    c = (static_cast<char32_t>(b0 & 0x0F) << 12) | (cont(1) << 6) | cont(2);
    i += 3;
  } else {
    c = (static_cast<char32_t>(b0 & 0x07) << 18) | (cont(1) << 12) | (cont(2) << 6) | cont(3);
    i += 4;
  }
  return c;
}

// Number of bytes in the UTF-8 encoding of `c` (1-4). Precondition: `c` is a
// scalar value (at most U+10FFFF, not a surrogate).
inline std::size_t utf8_length(char32_t c) {
  return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

// Writes the UTF-8 encoding of `c` at `dst` (room for four bytes) and returns
// its length. Precondition as utf8_length.
inline std::size_t write_utf8(char* dst, char32_t c) {
  if (c < 0x80) {
    dst[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    dst[0] = static_cast<char>(0xC0 | (c >> 6));
    dst[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    dst[0] = static_cast<char>(0xE0 | (c >> 12));
    dst[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    dst[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  dst[0] = static_cast<char>(0xF0 | (c >> 18));
  dst[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  dst[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  dst[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

// Appends the UTF-8 encoding of `c` to `out`. Precondition as utf8_length.
inline void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
    return;
  }
  char buf[4];
  out.append(buf, write_utf8(buf, c));
}

// Length of the all-ASCII prefix of s[i..], plus i: the index of the first
// byte >= 0x80 at or after i, or s.size(). Reads eight bytes at a time.
inline std::size_t skip_ascii(std::string_view s, std::size_t i) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
  while (i + 8 <= s.size()) {
    std::uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    if ((w & kHighBits) != 0) break;
    i += 8;
  }
  while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  return i;
}

// Number of scalar values in `s`. Precondition: `s` is valid UTF-8.
inline std::size_t count_chars(std::string_view s) {
  // Every character has exactly one byte that is not a continuation byte.
  std::size_t n = 0;
  for (char ch : s) n += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
  return n;
}

}  // namespace kc::unicode
