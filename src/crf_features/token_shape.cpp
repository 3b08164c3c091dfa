// One pass over a token for the case and digit flags; ASCII bytes skip the
// Unicode tables.
#include "crf_features/token_shape.h"

#include <array>
#include <cstdint>

#include "unicode/properties.h"
#include "unicode/utf8.h"

namespace kc::crf_features {
namespace {

enum : std::uint8_t { kUpper = 1, kLower = 2, kDigit = 4 };

constexpr std::array<std::uint8_t, 128> kAscii = [] {
  std::array<std::uint8_t, 128> t{};
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = kUpper;
  for (int c = 'a'; c <= 'z'; ++c) t[c] = kLower;
  for (int c = '0'; c <= '9'; ++c) t[c] = kDigit;
  return t;
}();

}  // namespace

TokenShape token_shape(std::string_view token) {
  bool has_upper = false;
  bool has_lower = false;
  bool all_digits = !token.empty();
  bool title_failed = false;
  bool previous_cased = false;
  bool cased_seen = false;
  std::size_t i = 0;
  while (i < token.size()) {
    const auto byte = static_cast<unsigned char>(token[i]);
    bool upper;
    bool lower;
    if (byte < 0x80) {
      const std::uint8_t k = kAscii[byte];
      upper = k & kUpper;
      lower = k & kLower;
      all_digits &= (k & kDigit) != 0;
      ++i;
    } else {
      const char32_t c = unicode::decode_utf8(token, i);
      upper = unicode::is_uppercase(c);
      lower = unicode::is_lowercase(c);
      all_digits = false;
    }
    has_upper |= upper;
    has_lower |= lower;
    if (upper) {
      if (previous_cased) title_failed = true;
    } else if (lower) {
      if (!previous_cased) title_failed = true;
    }
    previous_cased = upper || lower;
    cased_seen |= previous_cased;
  }
  TokenShape shape;
  shape.all_caps = has_upper && !has_lower && token.size() >= 2;
  shape.title = !title_failed && cased_seen;
  shape.digit = all_digits;
  return shape;
}

}  // namespace kc::crf_features
