// The token scanners against the expressions that define them, compiled by
// our own regex engine: "\S+" for tokens and "[^a-zA-Z0-9\s]" for specials.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <variant>
#include <vector>

#include "crf_features/tokenizer.h"
#include "regex/regex.h"

namespace {

using kc::crf_features::has_special;
using kc::crf_features::kMaxTokens;
using kc::crf_features::tokenize;

const kc::regex::Regex& compiled(const char* pattern) {
  static std::vector<std::pair<std::string, kc::regex::Regex>> cache;
  for (auto& [p, re] : cache) {
    if (p == pattern) return re;
  }
  auto result = kc::regex::Regex::compile(pattern);
  if (!std::holds_alternative<kc::regex::Regex>(result)) {
    ADD_FAILURE() << std::get<kc::regex::Error>(result).message;
  }
  cache.emplace_back(pattern, std::move(std::get<kc::regex::Regex>(result)));
  return cache.back().second;
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

TEST(CrfExpressions, TokenizeIsWordRe) {
  const kc::regex::Regex& word_re = compiled("\\S+");
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    const std::string text = random_text(rng, round < 290 ? 400 : 30000);
    std::vector<std::string_view> want;
    word_re.find_iter(text, [&](std::size_t s, std::size_t e) {
      if (want.size() < kMaxTokens) want.push_back(std::string_view(text).substr(s, e - s));
    });
    const auto got = tokenize(text);
    ASSERT_EQ(got.size(), want.size()) << round;
    for (std::size_t k = 0; k < got.size(); ++k) {
      ASSERT_EQ(got[k].data(), want[k].data()) << round << " token " << k;
      ASSERT_EQ(got[k].size(), want[k].size()) << round << " token " << k;
    }
  }
}

TEST(CrfExpressions, HasSpecialIsSpecialRe) {
  const kc::regex::Regex& special_re = compiled("[^a-zA-Z0-9\\s]");
  std::mt19937 rng(11);
  std::size_t specials = 0;
  std::size_t tokens = 0;
  for (int round = 0; round < 300; ++round) {
    const std::string text = random_text(rng, 60);
    for (std::string_view token : tokenize(text)) {
      ++tokens;
      const bool want = special_re.is_match(token);
      specials += want;
      ASSERT_EQ(has_special(token), want) << token;
    }
  }
  // Both outcomes were exercised.
  EXPECT_GT(specials, 0u);
  EXPECT_LT(specials, tokens);
}

}  // namespace
