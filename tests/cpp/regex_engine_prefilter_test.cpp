// The literal-prefix prefilter: which patterns get one, and longer texts
// dense with near misses, where the vector scan and the per-prefix memory
// of a walk over the matches do real work, against the bare Pike VM.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <variant>

#include "regex/meta/prefilter.h"
#include "regex/syntax/parse.h"
#include "regex_engine_test_util.h"

namespace kc::regex {
namespace {

std::optional<meta::LiteralPrefilter> prefilter_of(const char* pattern) {
  auto hir = syntax::parse_to_hir(pattern);
  EXPECT_TRUE(std::holds_alternative<hir::Hir>(hir)) << pattern;
  return meta::LiteralPrefilter::for_hir(std::get<hir::Hir>(hir));
}

TEST(RegexLiteralPrefilter, WhichPatternsGetOne) {
  struct Case {
    const char* pattern;
    bool has;
    bool any_text;
  } cases[] = {
      {"(?i)\\bignore\\b", true, true},
      {"(?i)\\bask\\b", true, false},  // (?i)s and (?i)k hold ſ and the Kelvin sign
      {"\\bignore\\s", true, false},   // \s holds the no-break space
      {"\\b(?:decode|encode|translate)-", true, true},
      {"(?:foo)?bar", true, true},
      {"x*foo", true, true},
      {"a|b*", false, false},           // may match empty
      {"\\w+foo", false, false},        // begins with any of many bytes
      {"(?:a|b|c|d|e|f|g|h|i)x", false, false},  // too many prefixes
  };
  for (const Case& c : cases) {
    auto p = prefilter_of(c.pattern);
    EXPECT_EQ(p.has_value(), c.has) << c.pattern;
    if (p && c.has) EXPECT_EQ(p->any_text(), c.any_text) << c.pattern;
  }
}

TEST(RegexLiteralPrefilter, MatchesAgreeWithThePikeVmOnLongTexts) {
  const char* const patterns[] = {
      "(?i)\\bignore\\b",   "(?i)\\b(?:ign|ignore|ignored)\\s*rules?",
      "(?:ig)?nore",        "(?i)x*kno",
      "\\Aignore",          "(?m)^ignore",
      "(?i)ask\\b",         "(?i)ignore\\s+(?:all\\s+)?previous\\s+instructions\\b",
      "aa",                 "(?i)\\bI'?M\\b",
      "(?i)abcdefghijklmnopqrstuvwxyz",
      "ignore[^!]*rules",  // matches that run far past their start
      "(?:ignore\\s+)+rules",
  };
  const char* const words[] = {"ignore", "IGNORE", "Ignored", "ign", "nore", "ig", "igxore", "rules", "rule", "ask",
                               "a\xC5\xBF\xE2\x84\xAA", "kno", "xxKNO", "aaa", "I'm", "im", "all", "previous",
                               "instructions", "abcdefghijklmnopqrstuvwxyz", "\xC3\xA9", " ", " ", "\n", "_", "-"};
  std::mt19937 rng(test_util::seed_or(41));
  for (const char* pattern : patterns) {
    auto made = Regex::compile(pattern);
    ASSERT_TRUE(std::holds_alternative<Regex>(made)) << pattern;
    const Regex& re = std::get<Regex>(made);
    // A match longer than any window a try reads, cut inside a literal.
    std::string chain;
    for (int i = 0; i < 60; ++i) chain += "ignore ";
    for (const std::string& text : {chain + "rules", chain + "rules \xC3\xA9"}) {
      test_util::Spans pike;
      EXPECT_TRUE(test_util::paths_agree(re, text, &pike)) << pattern << " on '" << text << "'";
    }
    for (int t = 0; t < test_util::rounds(40, 2000); ++t) {
      // Half the texts are ASCII, where prefixes that leave out non-ASCII
      // case variants apply as well.
      std::string text;
      for (int n = std::uniform_int_distribution<int>(0, 200)(rng); n > 0; --n) {
        std::string w = words[std::uniform_int_distribution<std::size_t>(0, std::size(words) - 1)(rng)];
        if (t % 2 == 1 && std::any_of(w.begin(), w.end(), [](char c) { return c & 0x80; })) continue;
        text += w;
      }
      test_util::Spans pike;
      EXPECT_TRUE(test_util::paths_agree(re, text, &pike)) << pattern << " on '" << text << "'";
    }
  }
}

}  // namespace
}  // namespace kc::regex
