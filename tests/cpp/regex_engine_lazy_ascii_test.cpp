// Searches that decide whether a text is ASCII only as far as they need to:
// a match of a Unicode \b pattern found under ASCII rules counts only when
// nothing it or its assertions read is a non-ASCII byte. Texts put an
// accented letter right after a long ASCII prefix, next to a candidate,
// and the normal path must agree with the bare Pike VM.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "regex_engine_test_util.h"

namespace kc::regex {
namespace {

using testing::Path;

// ASCII filler of `n` bytes that no pattern below matches.
std::string filler(std::size_t n) {
  std::string s;
  while (s.size() < n) s += "lorem ipsum ";
  s.resize(n);
  return s;
}

const char* const kTails[] = {
    "caf\xC3\xA9",                // caf\b holds under ASCII rules only
    "caf\xC3\xA9 caf.",           // ... and a real match follows
    "\xC3\xA9jailbreak",          // \bjail holds under ASCII rules only, \Bjail under Unicode ones
    "\xC3\xA9jailbreak jail",     //
    "ignore x rules\xC3\xA9",     // an inner \b pattern, wrong at its end
    "ignore x rules\xC3\xA9 ignore x rules",
    " caf jail ignore y rules",   // all real, the accent far behind
};

// Edge assertions (with a membership pass), and inner ones only: an ASCII
// rule match of caf\bx? next to an accent is no match, and a miss of
// x?\Bjail before one proves nothing.
const std::vector<std::string> kPatternSets[] = {
    {"caf\\b", "\\bjail", "\\Bjail", "\\bignore\\b.{0,10}\\brules\\b"},
    {"caf\\bx?", "x?\\Bjail", "ignore y"},
};

class RegexLazyAscii : public ::testing::TestWithParam<std::vector<std::string>> {};

INSTANTIATE_TEST_SUITE_P(EdgeAndInnerAssertions, RegexLazyAscii, ::testing::ValuesIn(kPatternSets));

TEST_P(RegexLazyAscii, NormalPathAgreesNearTheFirstNonAsciiByte) {
  const std::vector<std::string>& patterns = GetParam();
  auto made_set = RegexSet::compile(patterns);
  ASSERT_TRUE(std::holds_alternative<RegexSet>(made_set));
  const RegexSet& set = std::get<RegexSet>(made_set);
  std::vector<Regex> regexes;
  for (const std::string& p : patterns) regexes.push_back(std::move(std::get<Regex>(Regex::compile(p))));

  for (std::size_t prefix : {0, 1, 4000, 4092, 4095, 4096, 4097, 9000}) {
    for (const char* tail : kTails) {
      for (const char* after : {"", "\xC3\xA9", " x"}) {
        const std::string text = filler(prefix) + tail + after;
        std::vector<std::size_t> want;
        bool any;
        {
          testing::ScopedPath path(Path::PikeVm);
          want = set.matches(text);
          any = set.is_match(text);
        }
        SCOPED_TRACE("prefix " + std::to_string(prefix) + ", tail '" + tail + after + "'");
        EXPECT_EQ(set.is_match(text), any);
        EXPECT_EQ(set.matches(text), want);
        for (const Regex& re : regexes) {
          test_util::Spans pike;
          EXPECT_TRUE(test_util::paths_agree(re, text, &pike));
        }
      }
    }
  }
}

}  // namespace
}  // namespace kc::regex
