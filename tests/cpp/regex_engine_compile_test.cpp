// Regex::compile and RegexSet::compile end to end: the size limit on real
// patterns, the order of errors in a set, and random pattern texts (with
// (?i), (?m), \b, anchors) on which every engine path must agree.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "regex/regex.h"
#include "regex/testing.h"
#include "regex_engine_test_util.h"

namespace kc::regex {
namespace {

using test_util::Spans;

const std::string kTooBig = "Compiled regex exceeds size limit of 10485760 bytes.";

TEST(RegexEngineCompile, SizeLimitOnRealPatterns) {
  struct Case {
    const char* pattern;
    bool fits;
  } cases[] = {
      {"\\w{100}", true},        {"[a-z]{1,1000}", true},   {"(?i)\\b\\w{1,50}\\s+\\w{1,50}\\b", true},
      {"\\w{209}", true},        {"\\w{210}", false},       {"\\w{2000}", false},
      {"\\pL{3000}", false},     {"\\w{100}{30}", false},   {"(?:\\w{50}){60}", false},
      {"a{1000}{1000}{1000}", false},
  };
  for (const Case& c : cases) {
    Result<Regex> r = Regex::compile(c.pattern);
    EXPECT_EQ(std::holds_alternative<Regex>(r), c.fits) << c.pattern;
    if (auto* e = std::get_if<Error>(&r)) {
      EXPECT_EQ(e->kind, Error::Kind::CompiledTooBig) << c.pattern;
      EXPECT_EQ(e->message, kTooBig);
    }
  }
}

// Where the crate's limit falls, measured on it: for each shape the largest
// count whose set compiles, and the next, which is refused.
TEST(RegexEngineCompile, SizeLimitFallsWhereTheCratesDoes) {
  std::ifstream in(std::string(KC_CONFORMANCE_DIR) + "/size_limits.jsonl");
  ASSERT_TRUE(in) << "missing size_limits.jsonl";
  int cases = 0;
  for (std::string line; std::getline(in, line); ++cases) {
    const nlohmann::json c = nlohmann::json::parse(line);
    std::vector<std::string> patterns;
    for (const auto& p : c["patterns"]) patterns.push_back("(?i)" + p.get<std::string>());
    Result<RegexSet> r = RegexSet::compile(patterns);
    const auto* error = std::get_if<Error>(&r);
    EXPECT_EQ(error == nullptr, c["compiles"].get<bool>()) << line;
    if (error != nullptr) EXPECT_EQ(error->message, kTooBig) << line;
  }
  EXPECT_EQ(cases, 48);
}

// Counted repetitions past RE2's count of 1000: exact copies go to RE2 in
// counted runs, and more than 1000 optional copies go to the fallback.
TEST(RegexEngineCompile, PathsAgreeOnLongCountedRepetitions) {
  const std::string many_a(1250, 'a');
  const std::string texts[] = {many_a + "c", "x" + many_a + "bc"};
  for (const char* pattern : {"(?:a|ab){1200}c", "a{0,1500}b", "(?:a?){1100}b", "(?:a{2}){600,1300}?c"}) {
    Result<Regex> made = Regex::compile(pattern);
    ASSERT_TRUE(std::holds_alternative<Regex>(made)) << pattern;
    for (const std::string& text : texts) {
      Spans want;
      EXPECT_TRUE(test_util::paths_agree(std::get<Regex>(made), text, &want)) << pattern;
    }
  }
}

// An unbounded repetition compiles its body once, so nesting them costs
// nothing extra; nested bounded ones multiply.
TEST(RegexEngineCompile, NestedLoopsDoNotMultiplySize) {
  auto nest = [](const std::string& body, const std::string& op, int depth) {
    std::string p;
    for (int i = 0; i < depth; ++i) p += "(?:";
    p += body;
    for (int i = 0; i < depth; ++i) p += ")" + op;
    return p;
  };
  EXPECT_TRUE(std::holds_alternative<Regex>(Regex::compile(nest("a|", "+?", 120))));
  EXPECT_TRUE(std::holds_alternative<Regex>(Regex::compile(nest("\\w\\s", "*", 100))));
  EXPECT_TRUE(std::holds_alternative<Error>(Regex::compile(nest("a", "{1,2}", 40))));
}

TEST(RegexEngineCompile, SetLimitAppliesToTheWholeSet) {
  // Each fits alone; together they do not.
  EXPECT_TRUE(std::holds_alternative<Regex>(Regex::compile("\\w{200}")));
  Result<RegexSet> set = RegexSet::compile({"\\w{200}", "\\w{200}"});
  ASSERT_TRUE(std::holds_alternative<Error>(set));
  EXPECT_EQ(std::get<Error>(set).message, kTooBig);
}

TEST(RegexEngineCompile, SetReportsParseErrorsBeforeTranslationErrors) {
  Result<Regex> unknown_class = Regex::compile("\\p{NoSuchClass}");
  Result<Regex> unclosed = Regex::compile("(a");
  ASSERT_TRUE(std::holds_alternative<Error>(unknown_class));
  ASSERT_TRUE(std::holds_alternative<Error>(unclosed));
  const std::string translate_error = std::get<Error>(unknown_class).message;
  const std::string parse_error = std::get<Error>(unclosed).message;
  struct Case {
    std::vector<std::string> patterns;
    std::string want;
  } cases[] = {
      {{"\\p{NoSuchClass}", "b", "(a"}, parse_error},
      {{"\\w{2000}", "\\p{NoSuchClass}"}, translate_error},
      {{"\\w{2000}", "(a"}, parse_error},
      {{"a", "\\w{2000}"}, kTooBig},
  };
  for (const Case& c : cases) {
    Result<RegexSet> r = RegexSet::compile(c.patterns);
    ASSERT_TRUE(std::holds_alternative<Error>(r));
    EXPECT_EQ(std::get<Error>(r).message, c.want);
  }
}

// Pattern text from a small grammar.
class PatternGenerator {
 public:
  explicit PatternGenerator(unsigned seed) : rng_(seed) {}
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  std::string pattern() {
    static const char* kFlags[] = {"", "", "(?i)", "(?m)", "(?im)", "(?s)"};
    return kFlags[pick(6)] + node(3);
  }

  std::string text() {
    static const char* kPieces[] = {"a", "b", "A", "é", "É", "д", "Д", "日", "😀", " ", "\n", "ab", "x_1", ".",
                                    "straße", "STRASSE", "ſ", "K", "k"};
    std::string out;
    for (int n = pick(16); n > 0; --n) out += kPieces[pick(static_cast<int>(std::size(kPieces)))];
    return out;
  }

 private:
  std::string node(int depth) {
    static const char* kAtoms[] = {"a", "b", "é", "д", "日", "😀", "k", "s", "\\w", "\\W", "\\s", "\\d", ".",
                                   "[a-zé]", "[^a ]", "[[:alpha:]]", "\\b", "\\B", "^", "$", "\\pL", "ß"};
    int choice = depth <= 0 ? 0 : pick(6);
    switch (choice) {
      case 0:
      case 1:
        return kAtoms[pick(static_cast<int>(std::size(kAtoms)))];
      case 2:
        return node(depth - 1) + node(depth - 1);
      case 3:
        return "(?:" + node(depth - 1) + "|" + node(depth - 1) + ")";
      case 4: {
        static const char* kReps[] = {"*", "+", "?", "*?", "+?", "{2}", "{1,3}", "{0,2}?"};
        return "(?:" + node(depth - 1) + ")" + kReps[pick(static_cast<int>(std::size(kReps)))];
      }
      default:
        return "(" + node(depth - 1) + node(depth - 1) + ")";
    }
  }

  std::mt19937 rng_;
};

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// Long repetitions of multi-byte classes after a first character start on
// the Pike VM, which keeps texts whose threads live long and hands texts whose
// threads die young to RE2 (exact on every text, exact on ASCII text only, or
// absent) partway through a find_iter. Every way must report what the bare
// Pike VM reports, alone and in a set.
TEST(RegexEngineCompile, LongMultibyteRepetitionsAgreeOnEveryPath) {
  const std::string e110 = repeat("\xC3\xA9", 110);  // é
  // A long word, short words for over a kilobyte, long words.
  const std::string words = "a" + e110 + " " + repeat("ab cd ", 400) + repeat("a" + e110 + " ", 8);
  const std::string ascii_words = repeat("a", 111) + " " + repeat("ab cd ", 400) + repeat(repeat("a", 111) + " ", 8);
  const std::string dense = repeat(repeat("\xC3\xA9", 130) + "x ", 40);  // (é{130} x space){40}
  const std::string sparse = repeat("\xC5\xB5" + repeat("\xC3\xA9 ", 60) + "\xE6\x97\xA5", 20);  // (ŵ (é )^60 日){20}
  struct Case {
    const char* pattern;
    const std::string* text;
  } cases[] = {
      {"[ae]\\w{100}", &words},
      {"(?i)[ae]\\w{100,}?", &words},
      {"[ae]\\w{100}\\B", &ascii_words},
      {"[ae]\\w{100}\\B", &words},
      {"\xC3\xA9\\P{Han}{120}x", &dense},
      {"(?:.{1,4}?\\P{Ideographic}{101,}?.)", &dense},
      {"\xC5\xB5\\P{Han}{100,}", &sparse},
      {"\xC5\xB5.{1,4}?\\P{Ideographic}{101,}?.", &sparse},
  };
  for (const Case& c : cases) {
    Result<Regex> made = Regex::compile(c.pattern);
    ASSERT_TRUE(std::holds_alternative<Regex>(made)) << c.pattern;
    Spans want;
    ASSERT_TRUE(test_util::paths_agree(std::get<Regex>(made), *c.text, &want)) << c.pattern;
    EXPECT_GE(want.size(), 6u) << c.pattern;
    Result<RegexSet> set = RegexSet::compile({"zzz", c.pattern});
    ASSERT_TRUE(std::holds_alternative<RegexSet>(set)) << c.pattern;
    EXPECT_EQ(std::get<RegexSet>(set).matches(*c.text), std::vector<std::size_t>{1}) << c.pattern;
    EXPECT_TRUE(std::get<RegexSet>(set).is_match(*c.text)) << c.pattern;
  }
}

// KC_SEED=<n> in the environment runs a longer search with another seed.
TEST(RegexEngineCompile, PathsAgreeOnRandomPatternTexts) {
  PatternGenerator gen(test_util::seed_or(99));
  int with_matches = 0, compared = 0;
  for (int p = 0; p < test_util::rounds(800, 20000); ++p) {
    std::string pattern = gen.pattern();
    Result<Regex> made = Regex::compile(pattern);
    ASSERT_TRUE(std::holds_alternative<Regex>(made)) << pattern;
    const Regex& re = std::get<Regex>(made);
    for (int t = 0; t < 5; ++t) {
      std::string text = gen.text();
      Spans want;
      ASSERT_TRUE(test_util::paths_agree(re, text, &want)) << pattern << " on '" << text << "'";
      ++compared;
      with_matches += !want.empty();
    }
  }
  EXPECT_GT(with_matches, compared / 3);
}

}  // namespace
}  // namespace kc::regex
