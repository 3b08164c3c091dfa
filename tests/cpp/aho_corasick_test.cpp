// The automaton's standard match semantics, checked on worked cases and
// against a direct scan on random pattern sets in both automaton forms.
#include "aho_corasick/aho_corasick.h"

#include <gtest/gtest.h>

#include "motif_oracles.h"

#include <random>
#include <string>
#include <vector>

namespace kc::aho_corasick {
namespace {

using testing_oracles::direct_matches;

AhoCorasick build_ok(const std::vector<std::string_view>& patterns, const BuildOptions& options = {}) {
  auto built = AhoCorasick::build(patterns, options);
  if (auto* err = std::get_if<BuildError>(&built)) ADD_FAILURE() << err->message();
  return std::get<AhoCorasick>(std::move(built));
}

std::vector<Match> all_matches(const AhoCorasick& ac, std::string_view text) {
  std::vector<Match> out;
  ac.find_iter(text, [&](const Match& m) { out.push_back(m); });
  return out;
}

struct Case {
  const char* name;
  std::vector<std::string_view> patterns;
  std::string_view text;
  std::vector<Match> expected;
};

TEST(AhoCorasick, WorkedCases) {
  const std::vector<Case> cases = {
      {"shorter pattern ends first", {"abcd", "bc"}, "abcd", {{1, 1, 3}}},
      {"resume after match", {"abc", "bcd"}, "abcd", {{0, 0, 3}}},
      {"longest at equal end", {"b", "ab"}, "ab", {{1, 0, 2}}},
      {"earliest end beats longer", {"ab", "a"}, "ab", {{1, 0, 1}}},
      {"duplicates report lowest id", {"x", "y", "x"}, "xyx", {{0, 0, 1}, {1, 1, 2}, {0, 2, 3}}},
      {"non-overlapping", {"aa"}, "aaaaa", {{0, 0, 2}, {0, 2, 4}}},
      {"empty pattern at every offset", {"a", "", ""}, "ab", {{1, 0, 0}, {1, 1, 1}, {1, 2, 2}}},
      {"empty pattern, empty text", {""}, "", {{0, 0, 0}}},
      {"no patterns", {}, "abc", {}},
      {"multi-byte characters", {"é"}, "aéé", {{0, 1, 3}, {0, 3, 5}}},
      {"byte-level, inside a character", {"\xA9"}, "é", {{0, 1, 2}}},
      {"rare byte near the end", {"zq", "qz"}, std::string_view("aaaaaaaaaaaaaaaaaaaaaaaaaaaaazqz"),
       {{0, 29, 31}}},
      {"failure chain match", {"she", "he", "hers"}, "ushers", {{0, 1, 4}}},
  };
  for (const Case& c : cases) {
    for (std::uint64_t budget : {std::uint64_t{8} << 20, std::uint64_t{0}}) {
      SCOPED_TRACE(std::string(c.name) + (budget ? " (dfa)" : " (sparse)"));
      const AhoCorasick ac = build_ok(c.patterns, {.dfa_cell_budget = budget});
      EXPECT_EQ(ac.is_dfa(), budget != 0);
      EXPECT_EQ(all_matches(ac, c.text), c.expected);
      EXPECT_EQ(direct_matches(c.patterns, c.text), c.expected);
    }
  }
}

TEST(AhoCorasick, FindStartsAtOffset) {
  const AhoCorasick ac = build_ok({"ab", "b"});
  EXPECT_EQ(ac.find("abab", 1), (Match{1, 1, 2}));
  EXPECT_EQ(ac.find("abab", 2), (Match{0, 2, 4}));
  EXPECT_EQ(ac.find("abab", 4), std::nullopt);
}

TEST(AhoCorasick, BuildErrors) {
  auto too_many = AhoCorasick::build({"a", "b", "c"}, {.max_patterns = 2});
  ASSERT_TRUE(std::holds_alternative<BuildError>(too_many));
  EXPECT_EQ(std::get<BuildError>(too_many).message(),
            "pattern identifier overflow: 3 patterns exceed the limit of 2");
  auto too_deep = AhoCorasick::build({"ab", "abc"}, {.max_states = 3});
  ASSERT_TRUE(std::holds_alternative<BuildError>(too_deep));
  EXPECT_EQ(std::get<BuildError>(too_deep).message(),
            "state identifier overflow: the automaton needs more than 3 states");
  // Exactly at the limit is fine: root + a + ab.
  EXPECT_TRUE(std::holds_alternative<AhoCorasick>(AhoCorasick::build({"ab", "a"}, {.max_states = 3})));
}

// Random pattern sets over a tiny alphabet (many overlaps, shared prefixes,
// duplicates, empties) and a set with a rare byte so the prefilter runs.
TEST(AhoCorasick, MatchesDirectScanOnRandomSets) {
  std::mt19937 rng(12345);
  auto random_string = [&](std::string_view alphabet, std::size_t max_len) {
    std::string s(std::uniform_int_distribution<std::size_t>(0, max_len)(rng), ' ');
    for (char& ch : s) ch = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
    return s;
  };
  int with_prefilter_matches = 0;
  for (int round = 0; round < 1500; ++round) {
    const bool rare = round % 3 == 0;
    const std::string_view alphabet = rare ? "abcz\xC3" : "abc\xC3";
    std::vector<std::string> owned;
    const std::size_t count = std::uniform_int_distribution<std::size_t>(0, 12)(rng);
    for (std::size_t i = 0; i < count; ++i) {
      std::string p = random_string(alphabet, 5);
      if (rare && (p.empty() || round % 2 == 0)) p += 'z';  // mostly non-empty, each with a z
      owned.push_back(p);
    }
    std::vector<std::string_view> pats(owned.begin(), owned.end());
    std::string text = random_string(rare ? "aaaaaaaaabcz" : "abc\xC3", 200);
    const auto expected = direct_matches(pats, text);
    for (std::uint64_t budget : {std::uint64_t{8} << 20, std::uint64_t{0}}) {
      const AhoCorasick ac = build_ok(pats, {.dfa_cell_budget = budget});
      ASSERT_EQ(all_matches(ac, text), expected) << "round " << round << " budget " << budget;
    }
    if (rare && !expected.empty()) ++with_prefilter_matches;
  }
  EXPECT_GT(with_prefilter_matches, 100);
}

// Long texts (several blocks of the full DFA's walk, matches across their
// borders): over common bytes only, so no prefilter; and with z in every
// pattern over a text dense in z, so the prefilter switches itself off
// and hands the rest of the text to the walk.
TEST(AhoCorasick, MatchesDirectScanOnLongTexts) {
  std::mt19937 rng(777);
  auto random_string = [&](std::string_view alphabet, std::size_t min_len, std::size_t max_len) {
    std::string s(std::uniform_int_distribution<std::size_t>(min_len, max_len)(rng), ' ');
    for (char& ch : s) ch = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
    return s;
  };
  std::size_t matches = 0;
  for (int round = 0; round < 300; ++round) {
    const bool prefilter = round % 3 == 0;
    std::vector<std::string> owned;
    for (int i = std::uniform_int_distribution<int>(1, 12)(rng); i > 0; --i)
      owned.push_back(prefilter ? random_string("ab ", 0, 3) + "z" : random_string("ate ", 1, 6));
    std::vector<std::string_view> pats(owned.begin(), owned.end());
    ASSERT_EQ(BytePrefilter::build(pats).has_value(), prefilter);
    const std::string text = random_string(prefilter ? "zab " : "ate ", 0, 3000);
    const auto expected = direct_matches(pats, text);
    for (std::uint64_t budget : {std::uint64_t{8} << 20, std::uint64_t{0}}) {
      const AhoCorasick ac = build_ok(pats, {.dfa_cell_budget = budget});
      ASSERT_EQ(all_matches(ac, text), expected) << "round " << round << " budget " << budget;
    }
    matches += expected.size();
  }
  EXPECT_GT(matches, 50000u);
}

TEST(AhoCorasick, PrefilterSelection) {
  auto pf = BytePrefilter::build({"ignore", "jailbreak"});
  ASSERT_TRUE(pf.has_value());
  // g (offset 1) and j (offset 0) are the rarest bytes of the two words.
  EXPECT_EQ(pf->bytes(), (std::vector<unsigned char>{'g', 'j'}));
  EXPECT_EQ(pf->max_offset(), 1u);
  EXPECT_FALSE(BytePrefilter::build({"abc", ""}).has_value());
  // Nine different rarest bytes are too many; the one shared first byte is not.
  const std::vector<std::string_view> k_words = {"kz", "kq", "kx", "kj", "k1", "k2", "k3", "k4", "k5"};
  auto first = BytePrefilter::build(k_words);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->bytes(), (std::vector<unsigned char>{'k'}));
  EXPECT_EQ(first->max_offset(), 0u);
  const AhoCorasick ac = build_ok(k_words);
  EXPECT_EQ(all_matches(ac, "a kk k5 kq zk"), (std::vector<Match>{{8, 5, 7}, {1, 8, 10}}));
  EXPECT_FALSE(BytePrefilter::build({"e", "t", "a", "o"}).has_value());
  const std::string text = std::string(100, 'a') + "xjx";
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  EXPECT_EQ(pf->next(bytes, 0, text.size()), 100u);  // j at 101, minus 1
  EXPECT_EQ(pf->next(bytes, 102, text.size()), text.size());
}

}  // namespace
}  // namespace kc::aho_corasick
