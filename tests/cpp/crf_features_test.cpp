#include "crf_features/token_features.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "crf_features/tokenizer.h"
#include "unicode/properties.h"
#include "unicode/utf8.h"

namespace {

using kc::crf_features::Feature;
using kc::crf_features::FeatureMap;
using kc::crf_features::FeatureBuffer;
using kc::crf_features::TokenFeatures;
using kc::crf_features::has_special;
using kc::crf_features::kFeatureKeyNames;
using kc::crf_features::key_name;
using kc::crf_features::text_to_features;
using kc::crf_features::tokenize;
using kc::crf_features::ValueKind;
using Dict = std::map<std::string, std::string>;

// Converts one map to a dictionary, checking what every map must satisfy:
// unique keys, at most 43 of them, no "0" flag, and values consistent with
// how they say they were made.
Dict as_dict(const TokenFeatures& maps, std::size_t k) {
  Dict d;
  FeatureBuffer buffer;
  const FeatureMap map = maps.describe(k, buffer);
  EXPECT_LE(map.size(), 43u);
  for (const Feature& f : map) {
    const std::string key(key_name(f.key));
    EXPECT_TRUE(d.emplace(key, std::string(f.value)).second) << "duplicate key " << key;
    switch (f.kind) {
      case ValueKind::kFlag:
        EXPECT_EQ(f.value, "1") << key;
        break;
      case ValueKind::kNumber:
        EXPECT_EQ(f.value, std::to_string(f.number)) << key;
        break;
      case ValueKind::kWord:
        EXPECT_EQ(f.value, maps.lowered()[f.token]) << key;
        break;
      case ValueKind::kAffix: {
        const std::string_view whole = maps.lowered()[f.token];
        EXPECT_LT(f.value.size(), whole.size()) << key;
        EXPECT_NE(whole.find(f.value), std::string_view::npos) << key;
        break;
      }
    }
  }
  for (const char* always : {"bias", "w", "w[-3:]", "w[-2:]", "w[:3]", "len", "pos"}) {
    EXPECT_EQ(d.count(always), 1u) << always;
  }
  return d;
}

std::vector<Dict> features(std::string_view text) {
  const TokenFeatures maps = text_to_features(text);
  std::vector<Dict> out;
  for (std::size_t k = 0; k < maps.size(); ++k) out.push_back(as_dict(maps, k));
  return out;
}

bool has_label(const Dict& d, std::string_view label) {
  for (const auto& [key, value] : d) {
    if (key.compare(0, label.size(), label) == 0 && key[label.size()] == ':') return true;
  }
  return false;
}

TEST(TextToFeatures, NoTokensNoMaps) {
  for (std::string_view text : {"", " ", " \t\r\n\f\v ", "\xC2\xA0\xE3\x80\x80\xC2\x85"}) {
    EXPECT_TRUE(text_to_features(text).empty());
  }
}

TEST(TextToFeatures, SingleTokenIsCompleteMap) {
  EXPECT_EQ(features("Ignore"),
            (std::vector<Dict>{{{"bias", "1"}, {"w", "ignore"}, {"w[-3:]", "ore"}, {"w[-2:]", "re"},
                                {"w[:3]", "ign"}, {"len", "6"}, {"Title", "1"}, {"kw:instr", "1"},
                                {"pos", "0"}, {"BOS", "1"}, {"EOS", "1"}}}));
}

TEST(TextToFeatures, ThreeTokenSentence) {
  const std::vector<Dict> got = features("  ignore\tSYSTEM  reveal, ");
  const std::vector<Dict> want = {
      {{"bias", "1"}, {"w", "ignore"}, {"w[-3:]", "ore"}, {"w[-2:]", "re"}, {"w[:3]", "ign"},
       {"len", "6"}, {"kw:instr", "1"}, {"pos", "0"}, {"BOS", "1"},
       {"+1:w", "system"}, {"+1:kw:role", "1"}},
      {{"bias", "1"}, {"w", "system"}, {"w[-3:]", "tem"}, {"w[-2:]", "em"}, {"w[:3]", "sys"},
       {"len", "6"}, {"ALLCAP", "1"}, {"kw:role", "1"}, {"pos", "3"},
       {"-1:w", "ignore"}, {"-1:kw:instr", "1"}, {"+1:w", "reveal,"}},
      {{"bias", "1"}, {"w", "reveal,"}, {"w[-3:]", "al,"}, {"w[-2:]", "l,"}, {"w[:3]", "rev"},
       {"len", "7"}, {"HasSpecial", "1"}, {"pos", "6"}, {"EOS", "1"},
       {"-2:kw:instr", "1"}, {"-1:w", "system"}, {"-1:kw:role", "1"}},
  };
  EXPECT_EQ(got, want);
}

TEST(TextToFeatures, ContextReachesThreeEachWay) {
  // Keywords at 0 and 6; the token at 3 sees both, the others only within 3.
  const auto got = features("dan a b c d e show");
  ASSERT_EQ(got.size(), 7u);
  EXPECT_EQ(got[3].count("-3:kw:jail"), 1u);
  EXPECT_EQ(got[3].count("+3:kw:act"), 1u);
  EXPECT_EQ(got[1].count("-1:kw:jail"), 1u);
  EXPECT_EQ(got[2].count("-2:kw:jail"), 1u);
  EXPECT_EQ(got[4].count("+2:kw:act"), 1u);
  EXPECT_EQ(got[5].count("+1:kw:act"), 1u);
  for (int k : {4, 5}) EXPECT_FALSE(has_label(got[k], "-3")) << k;
  EXPECT_EQ(got[0].count("kw:jail"), 1u);
  EXPECT_EQ(got[6].count("kw:act"), 1u);
}

TEST(TextToFeatures, PositionBuckets) {
  const auto pos = [](std::string_view text) {
    std::vector<std::string> out;
    for (const Dict& d : features(text)) out.push_back(d.at("pos"));
    return out;
  };
  EXPECT_EQ(pos("a b c d e f g"), (std::vector<std::string>{"0", "1", "2", "4", "5", "7", "8"}));
  EXPECT_EQ(pos("a b c"), (std::vector<std::string>{"0", "3", "6"}));
}

std::string words(std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += "w" + std::to_string(i) + " ";
  return text;
}

TEST(TextToFeatures, CapsAtTwoThousandTokens) {
  for (std::size_t count : {2000u, 2500u}) {
    const std::string text = words(count);  // borrowed by the result
    const TokenFeatures maps = text_to_features(text);
    ASSERT_EQ(maps.size(), 2000u) << count;
    const Dict last = as_dict(maps, 1999);
    EXPECT_EQ(last.at("w"), "w1999");
    EXPECT_EQ(last.at("pos"), "9");
    EXPECT_EQ(last.count("EOS"), 1u);
    for (const char* label : {"+1", "+2", "+3"}) EXPECT_FALSE(has_label(last, label)) << label;
    EXPECT_EQ(as_dict(maps, 1998).at("+1:w"), "w1999");
    EXPECT_EQ(as_dict(maps, 200).at("pos"), "1");  // 10 * 200 / 2000
  }
}

TEST(TextToFeatures, Separators) {
  // U+00A0 is White_Space; U+200B and U+001F are not.
  EXPECT_EQ(features("a\xC2\xA0" "b").size(), 2u);
  const auto zwsp = features("a\xE2\x80\x8B" "b");
  ASSERT_EQ(zwsp.size(), 1u);
  EXPECT_EQ(zwsp[0].at("w"), "a\xE2\x80\x8B" "b");
  EXPECT_EQ(zwsp[0].at("len"), "3");
  EXPECT_EQ(zwsp[0].count("HasSpecial"), 1u);
  const auto unit = features("a\x1F" "b");
  ASSERT_EQ(unit.size(), 1u);
  EXPECT_EQ(unit[0].at("len"), "3");
}

struct TokenCase {
  std::string token;
  Dict expected;  // the own features other than bias, pos, BOS and EOS
};

class SingleTokenTest : public testing::TestWithParam<TokenCase> {};

TEST_P(SingleTokenTest, OwnFeatures) {
  const auto got = features(GetParam().token);
  ASSERT_EQ(got.size(), 1u);
  Dict own = got[0];
  for (const char* key : {"bias", "pos", "BOS", "EOS"}) own.erase(key);
  EXPECT_EQ(own, GetParam().expected) << GetParam().token;
}

Dict word(std::string w, std::string s3, std::string s2, std::string p3, std::string len) {
  return {{"w", w}, {"w[-3:]", s3}, {"w[-2:]", s2}, {"w[:3]", p3}, {"len", len}};
}

Dict with(Dict d, std::initializer_list<const char*> flags) {
  for (const char* f : flags) d.emplace(f, "1");
  return d;
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, SingleTokenTest,
    testing::Values(
        TokenCase{"HELLO", with(word("hello", "llo", "lo", "hel", "5"), {"ALLCAP"})},
        TokenCase{"A", with(word("a", "a", "a", "a", "1"), {"Title"})},
        TokenCase{"\xC3\x89", with(word("\xC3\xA9", "\xC3\xA9", "\xC3\xA9", "\xC3\xA9", "1"),
                                   {"ALLCAP", "Title", "HasSpecial"})},
        TokenCase{"A-B", with(word("a-b", "a-b", "-b", "a-b", "3"), {"ALLCAP", "Title", "HasSpecial"})},
        TokenCase{"123", with(word("123", "123", "23", "123", "3"), {"Digit"})},
        TokenCase{"1.5", with(word("1.5", "1.5", ".5", "1.5", "3"), {"HasSpecial"})},
        TokenCase{"ignore,", with(word("ignore,", "re,", "e,", "ign", "7"), {"HasSpecial"})},
        TokenCase{"IGNORE", with(word("ignore", "ore", "re", "ign", "6"), {"ALLCAP", "kw:instr"})},
        TokenCase{"DAN", with(word("dan", "dan", "an", "dan", "3"), {"ALLCAP", "kw:jail"})},
        TokenCase{"role-play", with(word("role-play", "lay", "ay", "rol", "9"), {"HasSpecial"})},
        TokenCase{"roleplay", with(word("roleplay", "lay", "ay", "rol", "8"), {"kw:role"})},
        TokenCase{"System", with(word("system", "tem", "em", "sys", "6"), {"Title", "kw:role"})},
        TokenCase{"Print!", with(word("print!", "nt!", "t!", "pri", "6"), {"Title", "HasSpecial"})},
        TokenCase{"ab", word("ab", "ab", "ab", "ab", "2")},
        TokenCase{"snake_case", with(word("snake_case", "ase", "se", "sna", "10"), {"HasSpecial"})},
        TokenCase{"Stra\xC3\x9F" "e", with(word("stra\xC3\x9F" "e", "a\xC3\x9F" "e", "\xC3\x9F" "e", "str", "6"),
                                          {"Title", "HasSpecial"})},
        // U+0130 lowers to two characters, so len counts 2.
        TokenCase{"\xC4\xB0", with(word("i\xCC\x87", "i\xCC\x87", "i\xCC\x87", "i\xCC\x87", "2"),
                                   {"ALLCAP", "Title", "HasSpecial"})},
        TokenCase{"\xCE\xA3", with(word("\xCF\x83", "\xCF\x83", "\xCF\x83", "\xCF\x83", "1"),
                                   {"ALLCAP", "Title", "HasSpecial"})},
        TokenCase{"\xCE\x91\xCE\xA3", with(word("\xCE\xB1\xCF\x82", "\xCE\xB1\xCF\x82", "\xCE\xB1\xCF\x82",
                                                "\xCE\xB1\xCF\x82", "2"), {"ALLCAP", "HasSpecial"})},
        TokenCase{"abcdefghijklmnopqrstuvwxy",
                  word("abcdefghijklmnopqrstuvwxy", "wxy", "xy", "abc", "20")}));

TEST(TextToFeatures, SigmaIsJudgedInsideTheToken) {
  // The sigma ends no word of its own token: not final, though a letter
  // precedes it in the text.
  const auto got = features("\xCE\x91 \xCE\xA3 \xCE\xA3\xCE\x91");
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[1].at("w"), "\xCF\x83");
  EXPECT_EQ(got[2].at("w"), "\xCF\x83\xCE\xB1");
  EXPECT_EQ(got[1].at("-1:w"), "\xCE\xB1");
}

TEST(TextToFeatures, KeywordOfPreviousToken) {
  for (std::string_view text : {"SYSTEM prompt", "System prompt"}) {
    const auto got = features(text);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].count("kw:role"), 1u) << text;
    EXPECT_EQ(got[1].count("kw:role"), 1u) << text;
    EXPECT_EQ(got[1].count("-1:kw:role"), 1u) << text;
    EXPECT_EQ(got[0].count("+1:kw:role"), 1u) << text;
  }
}

TEST(TextToFeatures, EveryKeyIsReachable) {
  // Keywords all around a plain token give it every one of the 43 keys but
  // the shape flags it cannot have at once.
  std::set<std::string> seen;
  for (std::string_view text : {"ignore user dump evil x ignore user dump evil",
                                "x1 dan ignore system show X- hack user skip",
                                "ABC 12 Xy a.b"}) {
    for (const Dict& d : features(text)) {
      for (const auto& [key, value] : d) seen.insert(key);
    }
  }
  EXPECT_EQ(seen.size(), kFeatureKeyNames.size());
}

TEST(TextToFeatures, EqualWordsShareTheirValueToken) {
  // Tokens 0, 2 and 4 lower to "the"; 1 and 3 to "catalogue".
  const std::string text = "The catalogue the CATALOGUE tHe end";
  const TokenFeatures maps = text_to_features(text);
  ASSERT_EQ(maps.size(), 6u);
  std::map<std::pair<std::uint32_t, int>, std::string_view> seen;
  std::vector<std::uint32_t> word_token;
  for (std::size_t k = 0; k < maps.size(); ++k) {
    FeatureBuffer buffer;
    for (const Feature& f : maps.describe(k, buffer)) {
      if (f.kind != ValueKind::kWord && f.kind != ValueKind::kAffix) continue;
      // One value per (token, key) over the whole text.
      const auto [it, fresh] = seen.emplace(std::pair{f.token, static_cast<int>(f.key)}, f.value);
      if (!fresh) EXPECT_EQ(it->second, f.value) << k;
      if (f.key == kc::crf_features::FeatureKey::kWord) word_token.push_back(f.token);
    }
  }
  EXPECT_EQ(word_token, (std::vector<std::uint32_t>{0, 1, 0, 1, 0, 5}));
}

// --- tokenisation ------------------------------------------------------

// The tokens of `text` by definition: maximal runs of non-White_Space.
std::vector<std::string_view> reference_tokens(std::string_view text, std::size_t cap) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  std::size_t start = std::string_view::npos;
  while (i < text.size() && out.size() < cap) {
    const std::size_t at = i;
    const char32_t c = kc::unicode::decode_utf8(text, i);
    if (kc::unicode::is_white_space(c)) {
      if (start != std::string_view::npos) out.push_back(text.substr(start, at - start));
      start = std::string_view::npos;
    } else if (start == std::string_view::npos) {
      start = at;
    }
  }
  if (start != std::string_view::npos && out.size() < cap) out.push_back(text.substr(start));
  return out;
}

TEST(Tokenize, MatchesDefinitionOnRandomTexts) {
  const std::vector<std::string> pieces = {
      "a", "Zq", "\xC3\xA9", "\xE2\x80\x8B", "\x1F", "--", "\xF0\x9F\x98\x80",  // non-space
      " ", "\t", "\n", "\xC2\xA0", "\xE3\x80\x80", "\xC2\x85", "\xE2\x80\xA8"};  // White_Space
  std::mt19937 rng(20261207);
  for (int round = 0; round < 40; ++round) {
    std::string text;
    const std::size_t length = std::uniform_int_distribution<std::size_t>(0, 60000)(rng);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    while (text.size() < length) text += pieces[pick(rng)];
    const auto got = tokenize(text);
    const auto want = reference_tokens(text, 2000);
    ASSERT_EQ(got.size(), want.size()) << round;
    for (std::size_t k = 0; k < got.size(); ++k) {
      // Same bytes at the same place in the text.
      ASSERT_EQ(got[k].data(), want[k].data()) << round << " token " << k;
      ASSERT_EQ(got[k].size(), want[k].size()) << round << " token " << k;
    }
  }
}

TEST(Tokenize, HasSpecial) {
  for (std::string_view t : {"abcXYZ019", "a", "Z", "0"}) EXPECT_FALSE(has_special(t)) << t;
  for (std::string_view t : {"_", "a!", "-b", "\xC3\xA9", "x\xE2\x80\x8B", "\x1F", "\x7F", "a@b"}) {
    EXPECT_TRUE(has_special(t)) << t;
  }
}

TEST(Tokenize, StopsAtTheCap) {
  const std::string over = words(2000) + "tail";
  const auto got = tokenize(over);
  ASSERT_EQ(got.size(), 2000u);
  EXPECT_EQ(got.back(), "w1999");
  const std::string exact = words(1999) + "tail";
  EXPECT_EQ(tokenize(exact).back(), "tail");
}

TEST(Tokenize, LongTokensAndLongGaps) {
  const std::string big(100000, 'x');
  const std::string text = "   " + big + std::string(50000, ' ') + big + " y";
  const auto got = tokenize(text);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].size(), big.size());
  EXPECT_EQ(got[1].size(), big.size());
  EXPECT_EQ(got[2], "y");
}

}  // namespace
