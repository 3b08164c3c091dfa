// The fuzzy score: worked values, its properties, and agreement with a direct
// transcription of the alignment-by-alignment algorithm on random texts.
#include "motif_matching/partial_ratio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "motif_matching/motif_scorer.h"
#include "motif_oracles.h"

namespace kc::motif_matching {
namespace {

using testing_oracles::oracle_partial_ratio;

TEST(PartialRatio, WorkedValues) {
  struct Row {
    const char* a;
    const char* b;
    std::uint32_t expected;
  };
  const Row rows[] = {
      {"abc", "xabcx", 100},   {"xabcx", "abc", 100}, {"abc", "cab", 100},
      {"abc", "abd", 66},      {"hello", "help", 75}, {"abcdefg", "xxabcxxdefg", 71},
      {"ABC", "abc", 0},       {"a", "b", 0},         {"", "abc", 0},
      {"", "", 0},             {"abc", "", 0},        {"é", "e\u0301", 0},
      {"ééa", "xaéé", 100},    {"aab", "abb", 66},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(partial_ratio(r.a, r.b), r.expected) << r.a << " / " << r.b;
    EXPECT_EQ(oracle_partial_ratio(r.a, r.b), r.expected) << r.a << " / " << r.b;
  }
}

TEST(PartialRatio, BagOverlap) {
  const std::vector<char32_t> aab = {'a', 'a', 'b'}, abb = {'a', 'b', 'b'}, abc = {'a', 'b', 'c'},
                              cab = {'c', 'a', 'b'}, none = {};
  EXPECT_EQ(bag_overlap(aab, abb), 2u);
  EXPECT_EQ(bag_overlap(abc, cab), 3u);
  EXPECT_EQ(bag_overlap(abc, none), 0u);
  EXPECT_EQ(bag_overlap(none, abc), 0u);
}

std::string random_text(std::mt19937& rng, std::size_t max_chars) {
  // Few distinct characters, so repeats and partial overlaps are common, in
  // all four UTF-8 lengths.
  static const char* const kAlphabet[] = {"a", "b", "c", "é", "e", "\u0301", "σ", "ς", "字", "😀"};
  const std::size_t n = std::uniform_int_distribution<std::size_t>(0, max_chars)(rng);
  const std::size_t variety = std::uniform_int_distribution<std::size_t>(1, 10)(rng);
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += kAlphabet[std::uniform_int_distribution<std::size_t>(0, variety - 1)(rng)];
  return s;
}

bool has_rearranged_run(const std::vector<char32_t>& shorter, const std::vector<char32_t>& longer) {
  std::vector<char32_t> key = shorter;
  std::sort(key.begin(), key.end());
  for (std::size_t i = 0; i + shorter.size() <= longer.size(); ++i) {
    std::vector<char32_t> run(longer.begin() + i, longer.begin() + i + shorter.size());
    std::sort(run.begin(), run.end());
    if (run == key) return true;
  }
  return false;
}

TEST(PartialRatio, AgreesWithDirectAlgorithm) {
  std::mt19937 rng(2024);
  int perfect = 0, partial = 0;
  for (int round = 0; round < 20000; ++round) {
    const std::string a = random_text(rng, 12), b = random_text(rng, 40);
    const std::uint32_t expected = oracle_partial_ratio(a, b);
    ASSERT_EQ(partial_ratio(a, b), expected) << a << " / " << b;
    ASSERT_EQ(partial_ratio(b, a), expected) << "not symmetric: " << a << " / " << b;
    // The scorer the search uses, on a motif prepared once.
    MotifScorer scorer(a);
    std::vector<std::uint32_t> window;
    scorer.index_text(decode_chars(b), window);
    ASSERT_EQ(scorer.score(window), expected) << a << " / " << b;
    ASSERT_EQ(scorer.score(window), expected) << "scratch not reset: " << a << " / " << b;
    // 100 exactly when some run of the longer text rearranges the shorter.
    const auto A = decode_chars(a), B = decode_chars(b);
    if (!A.empty() && !B.empty()) {
      const bool rearranged = A.size() <= B.size() ? has_rearranged_run(A, B) : has_rearranged_run(B, A);
      ASSERT_EQ(expected == 100, rearranged) << a << " / " << b;
    }
    perfect += expected == 100;
    partial += expected > 0 && expected < 100;
  }
  EXPECT_GT(perfect, 1000);
  EXPECT_GT(partial, 1000);
}

}  // namespace
}  // namespace kc::motif_matching
