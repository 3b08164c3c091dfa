// The token expressions against their definitions: tokens are maximal runs of
// non-White_Space characters, and a special character is anything but an
// ASCII letter, an ASCII digit or White_Space.
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "crf_features/tokenizer.h"
#include "unicode/properties.h"
#include "unicode/utf8.h"

namespace {

using kc::crf_features::has_special;
using kc::crf_features::kMaxTokens;
using kc::crf_features::tokenize;

std::vector<std::string_view> defined_tokens(std::string_view text) {
  std::vector<std::string_view> tokens;
  std::size_t i = 0;
  std::size_t start = std::string_view::npos;
  while (i < text.size()) {
    const std::size_t at = i;
    const bool space = kc::unicode::is_white_space(kc::unicode::decode_utf8(text, i));
    if (!space && start == std::string_view::npos) start = at;
    if (space && start != std::string_view::npos) {
      tokens.push_back(text.substr(start, at - start));
      start = std::string_view::npos;
    }
  }
  if (start != std::string_view::npos) tokens.push_back(text.substr(start));
  if (tokens.size() > kMaxTokens) tokens.resize(kMaxTokens);
  return tokens;
}

bool defined_special(std::string_view token) {
  std::size_t i = 0;
  while (i < token.size()) {
    const char32_t c = kc::unicode::decode_utf8(token, i);
    const bool ascii_alnum = c < 0x80 && std::isalnum(static_cast<int>(c));
    if (!ascii_alnum && !kc::unicode::is_white_space(c)) return true;
  }
  return false;
}

// Random texts over characters chosen at the edges of White_Space and of the
// ASCII letters and digits.
std::string random_text(std::mt19937& rng, std::size_t max_length) {
  static const std::vector<std::string> pieces = {
      "a", "Zq", "09", "_", "@", "[", "`", "{", "/", ":", "\x7F",              // ASCII edges
      "\xC3\xA9", "\xE2\x80\x8B", "\x1F", "\x1C", "\xEF\xBB\xBF",             // not White_Space
      "\xC2\xA1", "\xE1\x9A\x81", "\xE2\x80\x8C", "\xE3\x80\x81", "\xF0\x9F\x98\x80",
      " ", "\t", "\n", "\x0B", "\x0C", "\r", "\xC2\x85", "\xC2\xA0",          // White_Space
      "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x8A", "\xE2\x80\xA8", "\xE2\x80\xA9",
      "\xE2\x80\xAF", "\xE2\x81\x9F", "\xE3\x80\x80"};
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  const std::size_t length = std::uniform_int_distribution<std::size_t>(0, max_length)(rng);
  std::string text;
  while (text.size() < length) text += pieces[pick(rng)];
  return text;
}

TEST(CrfExpressions, TokensAreMaximalNonWhiteSpaceRuns) {
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    const std::string text = random_text(rng, round < 290 ? 400 : 30000);
    const auto want = defined_tokens(text);
    const auto got = tokenize(text);
    ASSERT_EQ(got.size(), want.size()) << round;
    for (std::size_t k = 0; k < got.size(); ++k) {
      ASSERT_EQ(got[k].data(), want[k].data()) << round << " token " << k;
      ASSERT_EQ(got[k].size(), want[k].size()) << round << " token " << k;
    }
  }
}

TEST(CrfExpressions, SpecialMeansNotAsciiAlnumNorWhiteSpace) {
  std::mt19937 rng(11);
  std::size_t specials = 0;
  std::size_t tokens = 0;
  for (int round = 0; round < 300; ++round) {
    const std::string text = random_text(rng, 60);
    for (std::string_view token : tokenize(text)) {
      ++tokens;
      const bool want = defined_special(token);
      specials += want;
      ASSERT_EQ(has_special(token), want) << token;
    }
  }
  // Both outcomes were exercised.
  EXPECT_GT(specials, 0u);
  EXPECT_LT(specials, tokens);
}

}  // namespace
