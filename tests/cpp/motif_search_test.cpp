// Motif search: the exact and fuzzy passes on worked cases, the span merge,
// the refused arguments, and agreement with a step-by-step reference on
// random lexicons and texts.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "motif_matching/motif_matcher.h"
#include "motif_oracles.h"
#include "util/merge_spans.h"
#include "util/panic.h"

namespace kc::motif_matching {
namespace {

MotifMatcher make(CategoryTable table, std::uint32_t threshold, bool use_fuzzy) {
  auto built = MotifMatcher::New(std::move(table), threshold, use_fuzzy);
  if (auto* err = std::get_if<aho_corasick::BuildError>(&built)) ADD_FAILURE() << err->message();
  return std::get<MotifMatcher>(std::move(built));
}

struct SearchCase {
  const char* name;
  CategoryTable table;
  std::uint32_t threshold;
  bool use_fuzzy;
  std::string text;
  std::uint64_t window_size, step;
  std::vector<MotifMatch> expected;
};

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

TEST(MotifSearch, WorkedCases) {
  const std::string letters26 = "abcdefghijklmnopqrstuvwxyz";
  const std::string ascii60(60, 'a');
  const std::vector<SearchCase> cases = {
      {"empty text", {{"c", {"", "a"}}}, 0, true, "", 50, 25, {}},
      {"no motifs", {}, 0, true, "some text here", 50, 25, {}},
      {"case folded", {{"x", {"abc"}}}, 80, false, "xxABCxx", 50, 25, {{"abc", "x", 2, 3, 100.0}}},
      {"positions in the lower-cased text", {{"c", {"a"}}}, 80, false, "İa", 50, 25, {{"a", "c", 3, 1, 100.0}}},
      {"shorter motif ends first", {{"c", {"abcd", "bc"}}}, 80, true, "abcd", 50, 25, {{"bc", "c", 1, 2, 100.0}}},
      {"scan resumes after a hit", {{"c", {"abc", "bcd"}}}, 80, false, "abcd", 50, 25, {{"abc", "c", 0, 3, 100.0}}},
      {"empty motif at every byte offset", {{"c", {"", "a"}}}, 80, false, "aé", 50, 25,
       {{"", "c", 0, 0, 100.0}, {"", "c", 1, 0, 100.0}, {"", "c", 2, 0, 100.0}, {"", "c", 3, 0, 100.0}}},
      {"fuzzy off ignores window arguments", {{"c", {"abc"}}}, 0, false, "xx abc xx abd xxxxxxxx", kMax, 0,
       {{"abc", "c", 3, 3, 100.0}}},
      {"second entry of a motif goes fuzzy; exact first", {{"a", {"foo"}}, {"b", {"foo"}}}, 100, true,
       "foo and more text", 50, 25, {{"foo", "a", 0, 3, 100.0}, {"foo", "b", 0, 3, 100.0}}},
      {"ten two-byte characters... five of them are scored", {{"c", {"zz"}}}, 0, true, "ééééé", 50, 25,
       {{"zz", "c", 2, 2, 0.0}}},
      {"nine ASCII bytes are not", {{"c", {"zz"}}}, 0, true, "abcdefghi", 50, 25, {}},
      {"window_size 0", {{"c", {"zz"}}}, 0, true, ascii60, 0, 25, {}},
      {"threshold 0: a hit per window", {{"c", {"qqq"}}}, 0, true, ascii60, 50, 25,
       {{"qqq", "c", 24, 3, 0.0}, {"qqq", "c", 41, 3, 0.0}, {"qqq", "c", 54, 3, 0.0}}},
      {"threshold above 100", {{"c", {"hello"}}}, 101, true, "hello and help and helo", 50, 25,
       {{"hello", "c", 0, 5, 100.0}}},
      {"centred motif cut at the window end", {{"c", {"😀😀😀😀"}}}, 0, true, "éééééabcdefghi", 14, 100,
       {{"😀😀😀😀", "c", 10, 9, 0.0}}},
      {"one hit per position, first window's score", {{"c", {"abz"}}}, 0, true, letters26, 26, 1,
       {{"abz", "c", 12, 3, 66.0}, {"abz", "c", 13, 3, 33.0}, {"abz", "c", 14, 3, 33.0}, {"abz", "c", 15, 3, 33.0},
        {"abz", "c", 16, 3, 33.0}, {"abz", "c", 17, 3, 33.0}, {"abz", "c", 18, 3, 33.0}, {"abz", "c", 19, 3, 33.0},
        {"abz", "c", 20, 3, 33.0}}},
  };
  for (const SearchCase& c : cases) {
    SCOPED_TRACE(c.name);
    const MotifMatcher m = make(c.table, c.threshold, c.use_fuzzy);
    EXPECT_EQ(m.find_matches(c.text, c.window_size, c.step), c.expected);
  }
}

// Windows of a 120-character text with window 50 and step 25: [0,50),
// [25,75), [50,100), [75,120), [100,120).
TEST(MotifSearch, CentringOnWindows) {
  const std::string text(120, 'x');
  const MotifMatcher seven = make({{"c", {"abcdefg"}}}, 0, true);
  const auto hits = seven.find_matches(text, 50, 25);
  std::vector<std::uint64_t> positions;
  for (const auto& h : hits) positions.push_back(h.position);
  // 0+25-3, 25+25-3, 50+25-3, 75+22-3, 100+10-3
  EXPECT_EQ(positions, (std::vector<std::uint64_t>{22, 47, 72, 94, 107}));
  EXPECT_EQ(hits[1].length, 7u);

  const MotifMatcher thirty = make({{"c", {std::string(30, 'y')}}}, 0, true);
  const auto long_hits = thirty.find_matches(text, 50, 25);
  ASSERT_FALSE(long_hits.empty());
  EXPECT_EQ(long_hits.back().position, 100u);  // 10 - 15 held at 0
  EXPECT_EQ(long_hits.back().length, 20u);     // cut at the window's end
}

TEST(MotifSearch, StepZeroWithFuzzyPanicsInsteadOfLooping) {
  const MotifMatcher m = make({{"c", {"zzz"}}}, 80, true);
  try {
    m.find_matches("some text that is long enough", 50, 0);
    FAIL() << "no panic";
  } catch (const Panic& p) {
    EXPECT_STREQ(p.what(), "step must be at least 1 when fuzzy matching is on");
  }
  // Nothing reaches the fuzzy pass: an empty text, or every motif found exactly.
  EXPECT_TRUE(m.find_matches("", 50, 0).empty());
  EXPECT_EQ(m.find_matches("zzz", 50, 0).size(), 1u);
}

TEST(MotifSearch, WindowEndOverflowPanics) {
  const MotifMatcher m = make({{"c", {"zz"}}}, 0, true);
  try {
    m.find_matches("abcdefghijkl", kMax, 1);
    FAIL() << "no panic";
  } catch (const Panic& p) {
    EXPECT_STREQ(p.what(), "slice index starts at 1 but ends at 0");
  }
  try {
    m.find_matches("abcdefghijkl", kMax - 5, 4);
    FAIL() << "no panic";
  } catch (const Panic& p) {
    EXPECT_STREQ(p.what(), "slice index starts at 8 but ends at 2");
  }
  // The window at 0 cannot overflow, and a text no longer than the step has no other.
  EXPECT_EQ(m.find_matches("abcdefghijkl", kMax, 12).size(), 1u);
}

TEST(MotifSearch, MergeSpans) {
  struct Row {
    std::vector<Span> in, out;
  };
  const Row rows[] = {
      {{}, {}},
      {{{5, 9}, {2, 5}}, {{2, 9}}},
      {{{2, 5}, {6, 9}}, {{2, 5}, {6, 9}}},
      {{{3, 4}, {2, 9}}, {{2, 9}}},
      {{{2, 5}, {2, 5}}, {{2, 5}}},
      {{{4, 4}, {0, 2}, {1, 3}}, {{0, 3}, {4, 4}}},
  };
  for (const Row& r : rows) EXPECT_EQ(merge_spans(r.in), r.out);
}

TEST(MotifSearch, MatchPositions) {
  const MotifMatcher m = make({{"c", {"abc", "defg", "xyz"}}}, 80, false);
  EXPECT_EQ(m.get_match_positions("__ABCDEFG_xyz"), (std::vector<Span>{{2, 9}, {10, 13}}));
  EXPECT_TRUE(m.get_match_positions("").empty());
  // The fixed window and step: a fuzzy hit found through windows of 50 / 25.
  const MotifMatcher fuzzy = make({{"c", {"instructions"}}}, 80, true);
  const std::string text = std::string(60, '.') + "instrutcions" + std::string(60, '.');
  const auto hits = fuzzy.find_matches(text, 50, 25);
  std::vector<Span> covered;
  for (const auto& h : hits) covered.push_back({h.position, h.position + h.length});
  ASSERT_FALSE(hits.empty());
  EXPECT_EQ(fuzzy.get_match_positions(text), merge_spans(covered));
}

// Random lexicons over a small alphabet with capitals, sigma and multi-byte
// characters, random texts and window arguments, both fuzzy settings. Returns
// the numbers of exact and fuzzy hits seen. `windows(rng, max_text)` picks
// window_size and step.
template <class PickWindows>
std::pair<std::size_t, std::size_t> agree_on_random_inputs(std::uint32_t seed, int rounds, std::size_t max_text,
                                                           PickWindows windows) {
  std::mt19937 rng(seed);
  static const char* const kAlphabet[] = {"a", "b", "c", "A", "é", "Σ", "σ", " ", "İ", "😀"};
  auto pick = [&](std::size_t lo, std::size_t hi) { return std::uniform_int_distribution<std::size_t>(lo, hi)(rng); };
  auto random_text = [&](std::size_t max_chars, std::size_t variety) {
    std::string s;
    for (std::size_t i = pick(0, max_chars); i > 0; --i) s += kAlphabet[pick(0, variety - 1)];
    return s;
  };
  std::size_t fuzzy_hits = 0, exact_hits = 0;
  for (int round = 0; round < rounds; ++round) {
    const std::size_t variety = pick(2, 10);
    CategoryTable table;
    for (std::size_t c = pick(0, 3); c > 0; --c) {
      std::vector<std::string> motifs;
      for (std::size_t k = pick(0, 4); k > 0; --k) motifs.push_back(random_text(round % 10 == 0 ? 3 : 8, variety));
      table[random_text(2, 4)] = motifs;
    }
    const std::uint32_t threshold = static_cast<std::uint32_t>(pick(0, 4) == 0 ? pick(0, 110) : pick(50, 90));
    const bool use_fuzzy = pick(0, 3) != 0;
    const std::string text = random_text(max_text, variety);
    const auto [window, step] = windows(rng, max_text);
    const MotifMatcher m = make(table, threshold, use_fuzzy);
    const auto expected =
        testing_oracles::reference_find_matches(m.motif_entries(), threshold, use_fuzzy, text, window, step);
    EXPECT_EQ(m.find_matches(text, window, step), expected)
        << "seed " << seed << " round " << round << " text " << text << " window " << window << " step " << step;
    if (::testing::Test::HasFailure()) break;
    for (const auto& h : expected) (h.score == 100.0 && h.length == h.motif.size() ? exact_hits : fuzzy_hits)++;
  }
  return {exact_hits, fuzzy_hits};
}

std::uint64_t between(std::mt19937& rng, std::uint64_t lo, std::uint64_t hi) {
  return std::uniform_int_distribution<std::uint64_t>(lo, hi)(rng);
}

TEST(MotifSearch, AgreesWithReferenceOnRandomInputs) {
  const auto [exact_hits, fuzzy_hits] = agree_on_random_inputs(777, 400, 80, [](std::mt19937& rng, std::size_t) {
    const std::uint64_t window = between(rng, 0, 30);
    return std::pair{window, between(rng, 1, 12)};
  });
  EXPECT_GT(fuzzy_hits, 500u);
  EXPECT_GT(exact_hits, 200u);
}

// Windows much longer than the step, up to and past the text's length: each
// character is covered by many windows, which share their scoring.
TEST(MotifSearch, AgreesWithReferenceForLongOverlappingWindows) {
  const auto [exact_hits, fuzzy_hits] =
      agree_on_random_inputs(4242, 400, 150, [](std::mt19937& rng, std::size_t max_text) {
        const std::uint64_t step = between(rng, 1, 8);
        return std::pair{between(rng, step + 1, max_text + 20), step};
      });
  EXPECT_GT(fuzzy_hits, 500u);
  EXPECT_GT(exact_hits, 200u);
}

// A text of thousands of characters under short, long and whole-text windows.
TEST(MotifSearch, AgreesWithReferenceOnLongTexts) {
  std::mt19937 rng(99);
  static const char* const kAlphabet[] = {"a", "b", "c", "\xC3\xA9", " "};
  auto text_of = [&](std::size_t chars) {
    std::string s;
    for (std::size_t i = 0; i < chars; ++i) s += kAlphabet[between(rng, 0, 4)];
    return s;
  };
  const std::string text = text_of(5'000);
  const MotifMatcher m = make({{"x", {text_of(7), text_of(9), "zz" + text_of(5)}}}, 80, true);
  std::size_t hits = 0;
  for (const auto [window, step] : {std::pair<std::uint64_t, std::uint64_t>{40, 1}, {600, 9}, {20'000, 31}}) {
    const auto expected = testing_oracles::reference_find_matches(m.motif_entries(), 80, true, text, window, step);
    EXPECT_EQ(m.find_matches(text, window, step), expected) << "window " << window << " step " << step;
    hits += expected.size();
  }
  EXPECT_GT(hits, 100u);
}

}  // namespace
}  // namespace kc::motif_matching
