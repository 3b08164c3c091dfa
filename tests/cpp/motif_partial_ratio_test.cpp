// The fuzzy score: worked values, its properties, and agreement with a direct
// transcription of the alignment-by-alignment algorithm on random texts.
#include "motif_matching/partial_ratio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "motif_matching/motif_scorer.h"

namespace kc::motif_matching {
namespace {

// The algorithm as written: a fresh counting map per alignment, positional
// agreement computed too, early stop at 100.
std::uint64_t oracle_bag(const std::vector<char32_t>& a, const std::vector<char32_t>& b) {
  std::unordered_map<char32_t, std::int32_t> counts;
  for (char32_t c : a) counts[c] += 1;
  std::uint64_t overlap = 0;
  for (char32_t c : b) {
    std::int32_t& n = counts[c];
    if (n >= 1) {
      n -= 1;
      overlap += 1;
    }
  }
  return overlap;
}

std::uint32_t oracle_partial_ratio(std::string_view a, std::string_view b) {
  const std::vector<char32_t> A = decode_chars(a), B = decode_chars(b);
  const std::uint64_t n = A.size(), m = B.size();
  if (n == 0 || m == 0) return 0;
  if (m < n) return oracle_partial_ratio(b, a);
  std::uint32_t best = 0;
  for (std::uint64_t i = 0; i <= m - n; ++i) {
    const std::vector<char32_t> W(B.begin() + i, B.begin() + i + n);
    std::uint64_t matches = 0;
    for (std::uint64_t j = 0; j < n; ++j) matches += A[j] == W[j];
    const std::uint64_t bag = oracle_bag(A, W);
    const std::uint64_t k = bag > matches ? bag : matches;
    const auto score = static_cast<std::uint32_t>((k * 200) / (2 * n));
    if (score > best) {
      best = score;
      if (best == 100) break;
    }
  }
  return best;
}

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
    std::vector<std::int32_t> window;
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
