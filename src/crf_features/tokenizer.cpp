// Token and special-character scanners.
#include "crf_features/tokenizer.h"

#include <algorithm>
#include <array>

#include "unicode/properties.h"
#include "unicode/utf8.h"

namespace kc::crf_features {
namespace {

// Per ASCII byte: 1 = White_Space; for other bytes, 2 = a lead byte of some
// multi-byte White_Space character (U+0085, U+00A0, U+1680, U+2000-U+200A,
// U+2028, U+2029, U+202F, U+205F, U+3000), which needs decoding.
constexpr std::array<std::uint8_t, 256> kByteClass = [] {
  std::array<std::uint8_t, 256> t{};
  for (int b = '\t'; b <= '\r'; ++b) t[b] = 1;
  t[' '] = 1;
  t[0xC2] = t[0xE1] = t[0xE2] = t[0xE3] = 2;
  return t;
}();

// The byte length of the White_Space character at s[i], or 0 if there is
// none. The bytes that can start one are never continuation bytes, so `i`
// may be any byte offset: a test inside a character always says 0.
std::size_t white_space_at(std::string_view s, std::size_t i) {
  switch (kByteClass[static_cast<unsigned char>(s[i])]) {
    case 0: return 0;
    case 1: return 1;
    default: {
      std::size_t j = i;
      return unicode::is_white_space(unicode::decode_utf8(s, j)) ? j - i : 0;
    }
  }
}

constexpr std::array<bool, 256> kAsciiAlnum = [] {
  std::array<bool, 256> t{};
  for (int b = '0'; b <= '9'; ++b) t[b] = true;
  for (int b = 'a'; b <= 'z'; ++b) t[b] = t[b - 32] = true;
  return t;
}();

}  // namespace

std::vector<std::string_view> tokenize(std::string_view text) {
  std::vector<std::string_view> tokens;
  tokens.reserve(std::min(kMaxTokens, text.size() / 4 + 4));
  std::size_t i = 0;
  while (i < text.size() && tokens.size() < kMaxTokens) {
    // Skip White_Space.
    while (i < text.size()) {
      const std::size_t n = white_space_at(text, i);
      if (n == 0) break;
      i += n;
    }
    if (i == text.size()) break;
    // Take the run up to the next White_Space, byte by byte.
    const std::size_t start = i;
    while (i < text.size() && white_space_at(text, i) == 0) ++i;
    tokens.push_back(text.substr(start, i - start));
  }
  return tokens;
}

bool has_special(std::string_view token) {
  for (char c : token) {
    if (!kAsciiAlnum[static_cast<unsigned char>(c)]) return true;
  }
  return false;
}

}  // namespace kc::crf_features
