#include "pattern_matching/pattern_extractor.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

namespace {

using kc::CategoryTable;
using kc::Span;
using kc::pattern_matching::PatternExtractor;

PatternExtractor build(CategoryTable table) {
  auto result = PatternExtractor::New(std::move(table));
  if (auto* error = std::get_if<kc::regex::Error>(&result)) {
    ADD_FAILURE() << "construction failed: " << error->message;
    return std::get<PatternExtractor>(PatternExtractor::New({}));
  }
  return std::move(std::get<PatternExtractor>(result));
}

// (start, end, category name) for readable comparisons.
using Named = std::tuple<std::size_t, std::size_t, std::string>;

std::vector<Named> categorized(const PatternExtractor& x, std::string_view text) {
  std::vector<Named> out;
  for (const auto& s : x.find_categorized_spans(text)) {
    out.emplace_back(s.start, s.end, x.category_names().at(s.category));
  }
  return out;
}

TEST(PatternExtractor, EmptyTable) {
  const PatternExtractor x = build({});
  EXPECT_TRUE(x.category_names().empty());
  EXPECT_EQ(x.pattern_count(), 0u);
  for (std::string_view text : {"", "anything at all"}) {
    EXPECT_FALSE(x.has_any_match(text));
    EXPECT_TRUE(x.find_pattern_spans(text).empty());
    EXPECT_TRUE(x.find_categorized_spans(text).empty());
  }
}

TEST(PatternExtractor, CategoriesSortByteWiseAndEmptyListsAreKept) {
  const PatternExtractor x =
      build({{"alpha", {"c"}}, {"abc", {}}, {"Zeta", {"a", "b"}}, {"ab", {"a"}}});
  EXPECT_EQ(x.category_names(), (std::vector<std::string>{"Zeta", "ab", "abc", "alpha"}));
  EXPECT_EQ(x.pattern_count(), 4u);
  // Pattern order follows the names: Zeta's a, Zeta's b, ab's a, alpha's c.
  EXPECT_EQ(categorized(x, "abc"),
            (std::vector<Named>{{0, 1, "Zeta"}, {0, 1, "ab"}, {1, 2, "Zeta"}, {2, 3, "alpha"}}));
}

TEST(PatternExtractor, SyntaxErrorFailsTheWholeTable) {
  auto result = PatternExtractor::New({{"good", {"fine", "also fine"}}, {"bad", {"(unclosed"}}});
  ASSERT_TRUE(std::holds_alternative<kc::regex::Error>(result));
  const auto& error = std::get<kc::regex::Error>(result);
  EXPECT_EQ(error.kind, kc::regex::Error::Kind::Syntax);
  // The library quotes the pattern with its prefix.
  EXPECT_NE(error.message.find("(?i)(unclosed"), std::string::npos) << error.message;
}

enum class Query { kSpans, kCategorized, kAny };

struct Row {
  const char* name;
  CategoryTable table;
  std::string text;
  Query query;
  std::vector<Named> expected;  // spans leave the category empty; kAny: non-empty = true
};

class PatternExtractorRows : public testing::TestWithParam<Row> {};

TEST_P(PatternExtractorRows, Query) {
  const Row& row = GetParam();
  const PatternExtractor x = build(row.table);
  switch (row.query) {
    case Query::kAny:
      EXPECT_EQ(x.has_any_match(row.text), !row.expected.empty());
      break;
    case Query::kSpans: {
      std::vector<Named> got;
      for (const Span& s : x.find_pattern_spans(row.text)) got.emplace_back(s.start, s.end, "");
      EXPECT_EQ(got, row.expected);
      break;
    }
    case Query::kCategorized:
      EXPECT_EQ(categorized(x, row.text), row.expected);
      break;
  }
}

const Named kTrue{0, 0, ""};

INSTANTIATE_TEST_SUITE_P(
    Table, PatternExtractorRows,
    testing::Values(
        Row{"CaseInsensitive", {{"c", {"abc"}}}, "xABCx aBc", Query::kSpans, {{1, 4, ""}, {6, 9, ""}}},
        Row{"UnicodeFolding", {{"c", {"\xC3\xA9"}}}, "\xC3\x89", Query::kAny, {kTrue}},
        Row{"FlagSwitchedOff", {{"c", {"(?-i)abc"}}}, "ABC", Query::kAny, {}},
        Row{"AlternativesAllFolded", {{"c", {"a|B"}}}, "xb", Query::kAny, {kTrue}},
        Row{"ByteOffsets", {{"c", {"abc"}}}, "\xC3\xA9 abc", Query::kSpans, {{3, 6, ""}}},
        Row{"OverlapMerges", {{"p", {"abcde"}}, {"q", {"defgh"}}}, "abcdefgh", Query::kSpans, {{0, 8, ""}}},
        Row{"TouchingMerges", {{"p", {"abc"}}, {"q", {"def"}}}, "abcdef", Query::kSpans, {{0, 6, ""}}},
        Row{"GapKeepsApart", {{"p", {"abc"}}, {"q", {"efg"}}}, "abcdefg", Query::kSpans, {{0, 3, ""}, {4, 7, ""}}},
        Row{"ContainedMerges", {{"p", {"abcdefghij"}}, {"q", {"cd"}}}, "abcdefghij", Query::kSpans, {{0, 10, ""}}},
        Row{"DuplicateMerges", {{"p", {"abc"}}, {"q", {"abc"}}}, "abc", Query::kSpans, {{0, 3, ""}}},
        Row{"DuplicateKept", {{"p", {"abc"}}, {"q", {"abc"}}}, "abc", Query::kCategorized, {{0, 3, "p"}, {0, 3, "q"}}},
        Row{"EqualStartsKeepPatternOrder", {{"alpha", {"abc"}}, {"beta", {"a"}}}, "abc", Query::kCategorized,
            {{0, 3, "alpha"}, {0, 1, "beta"}}},
        Row{"SortedByStartNotCategory", {{"beta", {"b"}}, {"alpha", {"c"}}}, "abc", Query::kCategorized,
            {{1, 2, "beta"}, {2, 3, "alpha"}}},
        Row{"SameCategoryTwice", {{"c", {"ab", "b"}}}, "abab", Query::kCategorized,
            {{0, 2, "c"}, {1, 2, "c"}, {2, 4, "c"}, {3, 4, "c"}}},
        Row{"EmptyMatchesStayApart", {{"c", {"x*"}}}, "ab", Query::kSpans, {{0, 0, ""}, {1, 1, ""}, {2, 2, ""}}},
        Row{"EmptyMatchesCategorized", {{"c", {"x*"}}}, "ab", Query::kCategorized,
            {{0, 0, "c"}, {1, 1, "c"}, {2, 2, "c"}}},
        Row{"EmptyPatternMatchesEmptyText", {{"c", {"x*"}}}, "", Query::kAny, {kTrue}},
        Row{"NoEmptyMatchAfterMatch", {{"c", {"a*"}}}, "aab", Query::kSpans, {{0, 2, ""}, {3, 3, ""}}},
        Row{"EmptyMatchesInsideSpanMerge", {{"p", {"abc"}}, {"q", {"x*"}}}, "abc", Query::kSpans, {{0, 3, ""}}},
        Row{"NoMatch", {{"c", {"zzz"}}}, "abc", Query::kSpans, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- extract -------------------------------------------------------------

std::string padded(std::string head, std::size_t length) {
  head.resize(length, ' ');
  return head;
}

TEST(PatternExtractorExtract, ScoresFollowCategoryNames) {
  const PatternExtractor x = build({{"zz", {"ab"}}, {"empty", {}}, {"aa", {"aa"}}, {"never", {"qqq"}}});
  ASSERT_EQ(x.category_names(), (std::vector<std::string>{"aa", "empty", "never", "zz"}));
  // "ab" matches ABab twice (case ignored); "aa" matches aaa once (no overlap).
  const auto f = x.extract(padded("ABab aaa", 4000));
  ASSERT_EQ(f.category_scores.size(), 4u);
  EXPECT_EQ(f.category_scores[0], 0.25);  // 1 match / 4000 bytes
  EXPECT_EQ(f.category_scores[1], 0.0);
  EXPECT_EQ(f.category_scores[2], 0.0);
  EXPECT_EQ(f.category_scores[3], 0.5);   // 2 matches / 4000 bytes
}

TEST(PatternExtractorExtract, PatternsOfOneCategoryAdd) {
  const PatternExtractor x = build({{"c", {"foo", "fo+"}}});
  EXPECT_EQ(x.extract(padded("foo", 4000)).category_scores.at(0), 0.5);
}

struct Density {
  std::size_t matches;
  std::size_t length;
  double score;
};

class DensityTest : public testing::TestWithParam<Density> {};

TEST_P(DensityTest, MatchesPerThousandBytes) {
  const Density& d = GetParam();
  const PatternExtractor x = build({{"c", {"hit"}}});
  std::string head;
  for (std::size_t i = 0; i < d.matches; ++i) head += "hit ";
  EXPECT_EQ(x.extract(padded(head, d.length)).category_scores.at(0), d.score);
}

INSTANTIATE_TEST_SUITE_P(Scores, DensityTest,
                         testing::Values(Density{3, 1000, 1.0}, Density{1, 2000, 0.5},
                                         Density{1, 2500, 0.4}, Density{1, 1000, 1.0},
                                         Density{0, 1000, 0.0}, Density{7, 30000, 7000.0 / 30000.0}));

TEST(PatternExtractorExtract, EmptyMatchesCount) {
  const PatternExtractor x = build({{"c", {"x*"}}, {"d", {"abc"}}});
  // x* matches at the 4 boundaries of abc: 4000 / 3 capped.
  EXPECT_EQ(x.extract("abc").category_scores, (std::vector<double>{1.0, 1.0}));
  // On the empty text: one empty match over L = 1; abc scores 0.
  const auto f = x.extract("");
  EXPECT_EQ(f.category_scores, (std::vector<double>{1.0, 0.0}));
  EXPECT_EQ(f.text_length, 0.0001);
  EXPECT_EQ(f.special_char_ratio, 0.0);
  EXPECT_EQ(f.caps_ratio, 0.0);
  EXPECT_EQ(f.newline_density, 0.0);
  EXPECT_EQ(f.avg_word_length, 0.0);
}

TEST(PatternExtractorExtract, FixedStatisticsWithoutCategories) {
  const PatternExtractor x = build({});
  const auto f = x.extract("Hi!\r\nYou?");
  EXPECT_TRUE(f.category_scores.empty());
  EXPECT_EQ(f.text_length, 0.0009);
  EXPECT_EQ(f.special_char_ratio, 2.0 / 9.0);
  EXPECT_EQ(f.caps_ratio, 0.4);
  EXPECT_EQ(f.newline_density, 1.0 / 9.0);
  EXPECT_EQ(f.avg_word_length, 0.175);
}

}  // namespace
