// Building a MotifMatcher: entry order, lower-casing, what is kept as is.
#include "motif_matching/motif_matcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kc::motif_matching {
namespace {

MotifMatcher make(CategoryTable table, std::uint32_t threshold = 80, bool use_fuzzy = false) {
  auto built = MotifMatcher::New(std::move(table), threshold, use_fuzzy);
  if (auto* err = std::get_if<aho_corasick::BuildError>(&built)) ADD_FAILURE() << err->message();
  return std::get<MotifMatcher>(std::move(built));
}

TEST(MotifMatcher, EntriesFollowCategoryByteOrderThenListOrder) {
  struct Row {
    const char* name;
    CategoryTable table;
    std::vector<MotifEntry> expected;
  };
  const std::vector<Row> rows = {
      {"beta before Alpha in the table", {{"beta", {"Foo", "bar"}}, {"Alpha", {"QUX"}}},
       {{"qux", "Alpha"}, {"foo", "beta"}, {"bar", "beta"}}},
      {"byte order of names", {{"b", {"1"}}, {"B", {"2"}}, {"a", {"3"}}, {"Ab", {"4"}}, {"é", {"5"}}},
       {{"4", "Ab"}, {"2", "B"}, {"3", "a"}, {"1", "b"}, {"5", "é"}}},
      {"empty table", {}, {}},
      {"empty lists", {{"a", {}}, {"b", {}}}, {}},
      {"same motif in two categories", {{"x", {"foo"}}, {"y", {"foo"}}}, {{"foo", "x"}, {"foo", "y"}}},
      {"case variants stay apart", {{"c", {"Ignore", "IGNORE"}}}, {{"ignore", "c"}, {"ignore", "c"}}},
      {"empty motif kept", {{"c", {"", "a"}}}, {{"", "c"}, {"a", "c"}}},
      {"final sigma", {{"g", {"ΟΔΟΣ", "Σ", "ΣΑ"}}}, {{"οδος", "g"}, {"σ", "g"}, {"σα", "g"}}},
      {"full mapping", {{"t", {"İx"}}}, {{"i\u0307x", "t"}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const MotifMatcher m = make(r.table);
    EXPECT_EQ(m.motif_entries(), r.expected);
    ASSERT_EQ(m.automaton().pattern_count(), r.expected.size());
    // Pattern i of the automaton is entry i's motif.
    for (std::size_t i = 0; i < r.expected.size(); ++i) {
      const std::string& motif = r.expected[i].motif;
      const auto hit = m.automaton().find(motif);
      ASSERT_TRUE(hit.has_value());
      EXPECT_EQ(std::string_view(motif).substr(hit->start, hit->end - hit->start),
                r.expected[hit->pattern].motif);
    }
  }
}

TEST(MotifMatcher, SettingsStoredUnchanged) {
  const MotifMatcher m = make({{"c", {"abc"}}}, 4294967295u, true);
  EXPECT_EQ(m.threshold(), 4294967295u);
  EXPECT_TRUE(m.use_fuzzy());
  const MotifMatcher off = make({{"c", {"abc"}}}, 0, false);
  EXPECT_EQ(off.threshold(), 0u);
  EXPECT_FALSE(off.use_fuzzy());
}

TEST(MotifMatcher, PatternIdsFollowEntries) {
  const MotifMatcher m = make({{"beta", {"Foo", "bar"}}, {"Alpha", {"QUX"}}});
  const std::vector<std::pair<std::string, std::uint32_t>> probes = {{"qux", 0}, {"foo", 1}, {"bar", 2}};
  for (const auto& [text, id] : probes) {
    const auto hit = m.automaton().find(text);
    ASSERT_TRUE(hit.has_value()) << text;
    EXPECT_EQ(hit->pattern, id) << text;
  }
}

TEST(MotifMatcher, StepZeroRefusedOnlyWithFuzzyMatching) {
  EXPECT_STREQ(make({{"c", {"a"}}}, 80, true).step_error(0), "step must be at least 1 when fuzzy matching is on");
  EXPECT_EQ(make({{"c", {"a"}}}, 80, true).step_error(1), nullptr);
  EXPECT_EQ(make({{"c", {"a"}}}, 80, false).step_error(0), nullptr);
}

}  // namespace
}  // namespace kc::motif_matching
