#include "pattern_matching/text_statistics.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

namespace {

using kc::pattern_matching::CharacterCounts;
using kc::pattern_matching::count_characters;
using kc::pattern_matching::text_statistics;

struct CountCase {
  const char* name;
  std::string text;
  CharacterCounts counts;  // line feeds, letters, capitals, specials, words, word chars
};

class CharacterCountsTest : public testing::TestWithParam<CountCase> {};

std::string repeated(std::string_view unit, std::size_t times) {
  std::string s;
  for (std::size_t i = 0; i < times; ++i) s += unit;
  return s;
}

TEST_P(CharacterCountsTest, CountsEveryClass) {
  const CountCase& c = GetParam();
  const CharacterCounts got = count_characters(c.text);
  EXPECT_EQ(got.line_feeds, c.counts.line_feeds);
  EXPECT_EQ(got.letters, c.counts.letters);
  EXPECT_EQ(got.capitals, c.counts.capitals);
  EXPECT_EQ(got.specials, c.counts.specials);
  EXPECT_EQ(got.words, c.counts.words);
  EXPECT_EQ(got.word_chars, c.counts.word_chars);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CharacterCountsTest,
    testing::Values(
        CountCase{"Empty", "", {0, 0, 0, 0, 0, 0}},
        CountCase{"HelloWorld", "Hello World", {0, 10, 2, 0, 2, 10}},
        // CR is whitespace but not a line feed.
        CountCase{"CrLf", "Hi!\r\nYou?", {1, 5, 2, 2, 2, 7}},
        CountCase{"Latin1", "\xC3\x84\xC3\x96 \xC3\xBC\n", {1, 3, 2, 0, 2, 3}},
        // U+200B is neither whitespace nor alphanumeric; U+00A0 is whitespace.
        CountCase{"ZeroWidthSpace", "a\xE2\x80\x8B" "b", {0, 2, 0, 1, 1, 3}},
        CountCase{"NoBreakSpace", "a\xC2\xA0" "b", {0, 2, 0, 0, 2, 2}},
        // U+001F is a control character: special and part of the word.
        CountCase{"UnitSeparator", "a\x1F" "b", {0, 2, 0, 1, 1, 3}},
        CountCase{"Underscore", "snake_case 42", {0, 9, 0, 1, 2, 12}},
        // Letter number: Alphabetic and Uppercase.
        CountCase{"RomanTwelve", "\xE2\x85\xAB", {0, 1, 1, 0, 1, 1}},
        // Superscript two is No: numeric, not special, not a letter.
        CountCase{"SuperscriptTwo", "x\xC2\xB2", {0, 1, 0, 0, 1, 2}},
        // NEL, U+2028 and U+3000 separate words; none is a line feed.
        CountCase{"UnicodeSpaces", "a\xC2\x85" "b\xE2\x80\xA8" "c\xE3\x80\x80" "d", {0, 4, 0, 0, 4, 4}},
        // A combining acute is Mn, not alphabetic: special, inside the word.
        CountCase{"CombiningMark", "e\xCC\x81", {0, 1, 0, 1, 1, 2}},
        // Emoji and CJK: a symbol is special, an ideograph is a letter without case.
        CountCase{"EmojiAndHan", "\xF0\x9F\x98\x80\xE4\xB8\xAD", {0, 1, 0, 1, 1, 2}},
        CountCase{"WhitespaceOnly", " \t\n\r ", {1, 0, 0, 0, 0, 0}},
        CountCase{"DigitsAndPunctuation", "12, 34!", {0, 0, 0, 2, 2, 6}},
        CountCase{"TrailingWord", "  ab  cde", {0, 5, 0, 0, 2, 5}},
        // Counts far above any per-block subtotal; a word of 5001 characters
        // (two-byte ones, so blocks end inside characters) spans several blocks.
        CountCase{"ManyThousands", repeated("Ab_\n", 5000) + repeated("\xC3\x84", 5000) + "x",
                  {5000, 15001, 10000, 5000, 5001, 20001}},
        CountCase{"OneLongAsciiWord", std::string(10000, 'Z'), {0, 10000, 10000, 0, 1, 10000}},
        // One-byte characters by the thousand with no all-ASCII block among them.
        CountCase{"AsciiBetweenAccents", repeated("abcdefgh\xC3\xA9", 2000), {0, 18000, 0, 0, 1, 18000}}),
    [](const auto& info) { return std::string(info.param.name); });

// Every ASCII byte once, in order: blocks of 16 bytes hold words that run
// across their edges (0-8, 14-31, 33-127) and the six whitespace bytes.
std::string all_ascii() {
  std::string s;
  for (int c = 0; c < 128; ++c) s.push_back(static_cast<char>(c));
  return s;
}

TEST(CharacterCounts, EveryAsciiByte) {
  const CharacterCounts got = count_characters(all_ascii());
  EXPECT_EQ(got, (CharacterCounts{1, 52, 26, 128 - 52 - 10 - 6, 3, 128 - 6}));
}

// Counts add up over a text whose prefix ends in whitespace, wherever the
// rest starts relative to blocks and chunks.
TEST(CharacterCounts, IndependentOfAlignment) {
  const std::string rest = repeated(all_ascii(), 40);
  const CharacterCounts r = count_characters(rest);
  for (std::size_t shift = 0; shift <= 16; ++shift) {
    const std::string prefix = repeated("\xC3\xA9 ", shift);  // 3 bytes each
    const CharacterCounts p = count_characters(prefix);
    const CharacterCounts want{p.line_feeds + r.line_feeds, p.letters + r.letters, p.capitals + r.capitals,
                               p.specials + r.specials,     p.words + r.words,     p.word_chars + r.word_chars};
    EXPECT_EQ(count_characters(prefix + rest), want) << shift;
  }
}

TEST(TextStatistics, EmptyTextDividesByOne) {
  const auto s = text_statistics(count_characters(""), 0);
  EXPECT_EQ(s.text_length, 1.0 / 10000.0);
  EXPECT_EQ(s.special_char_ratio, 0.0);
  EXPECT_EQ(s.caps_ratio, 0.0);
  EXPECT_EQ(s.newline_density, 0.0);
  EXPECT_EQ(s.avg_word_length, 0.0);
}

// Expected values are written as the exact double expressions the statistics
// are defined by, so comparisons are bit for bit.
struct StatsCase {
  const char* name;
  std::string text;
  double text_length, special, caps, newline, avg;
};

class TextStatisticsTest : public testing::TestWithParam<StatsCase> {};

TEST_P(TextStatisticsTest, IsBitIdentical) {
  const StatsCase& c = GetParam();
  const auto s = text_statistics(count_characters(c.text), c.text.size());
  EXPECT_EQ(s.text_length, c.text_length);
  EXPECT_EQ(s.special_char_ratio, c.special);
  EXPECT_EQ(s.caps_ratio, c.caps);
  EXPECT_EQ(s.newline_density, c.newline);
  EXPECT_EQ(s.avg_word_length, c.avg);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextStatisticsTest,
    testing::Values(
        StatsCase{"HelloWorld", "Hello World", 11.0 / 10000.0, 0.0, 2.0 / 10.0, 0.0, (10.0 / 2.0) / 20.0},
        StatsCase{"CrLf", "Hi!\r\nYou?", 9.0 / 10000.0, 2.0 / 9.0, 2.0 / 5.0, 1.0 / 9.0, (7.0 / 2.0) / 20.0},
        StatsCase{"Latin1", "\xC3\x84\xC3\x96 \xC3\xBC\n", 8.0 / 10000.0, 0.0, 2.0 / 3.0, 0.125, (3.0 / 2.0) / 20.0},
        StatsCase{"ZeroWidthSpace", "a\xE2\x80\x8B" "b", 5.0 / 10000.0, 0.2, 0.0, 0.0, 0.15},
        StatsCase{"NoBreakSpace", "a\xC2\xA0" "b", 4.0 / 10000.0, 0.0, 0.0, 0.0, 0.05},
        StatsCase{"Underscore", "snake_case 42", 13.0 / 10000.0, 1.0 / 13.0, 0.0, 0.0, (12.0 / 2.0) / 20.0},
        StatsCase{"RomanTwelve", "\xE2\x85\xAB", 3.0 / 10000.0, 0.0, 1.0, 0.0, 1.0 / 20.0},
        // Three words of 1, 2 and 4 characters: the mean 7/3 is rounded before / 20.
        StatsCase{"RoundedMean", "a bb cccc", 9.0 / 10000.0, 0.0, 0.0, 0.0, (7.0 / 3.0) / 20.0},
        StatsCase{"LongWordCapped", std::string(25, 'x'), 25.0 / 10000.0, 0.0, 0.0, 0.0, 1.0},
        StatsCase{"WhitespaceOnly", "   ", 3.0 / 10000.0, 0.0, 0.0, 0.0, 0.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextStatistics, TextLengthSaturatesAtTenThousandBytes) {
  const std::string words = [] {
    std::string t;
    while (t.size() < 12000) t += "word ";
    return t;
  }();
  const std::pair<std::size_t, double> cases[] = {{9999, 0.9999}, {10000, 1.0}, {12000, 1.0}};
  for (const auto& [len, expected] : cases) {
    const std::string text = words.substr(0, len);
    EXPECT_EQ(text_statistics(count_characters(text), text.size()).text_length, expected) << len;
  }
}

}  // namespace
