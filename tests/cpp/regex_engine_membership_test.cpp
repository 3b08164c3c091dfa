// Set membership with Unicode word assertions at pattern edges on non-ASCII
// text: which patterns get membership forms, and hand cases where a word
// touches an accented letter, a combining mark, ZWJ or a digit.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "regex/re2_emit/membership.h"
#include "regex/regex.h"
#include "regex/syntax/parse.h"
#include "regex/testing.h"

namespace kc::regex {
namespace {

using re2_emit::Outside;
using testing::Path;

TEST(RegexMembershipForms, EdgeAssertionsBecomeOutsideCharacters) {
  using Edges = std::vector<std::pair<Outside, Outside>>;
  const Outside kAny = Outside::Any, kWord = Outside::Word, kNot = Outside::NotWord;
  struct Case {
    const char* pattern;
    std::optional<Edges> want;
  } cases[] = {
      {"foo", Edges{{kAny, kAny}}},
      {"\\bfoo\\b", Edges{{kNot, kNot}}},
      {"(?i)\\b(?:ignore|kill)\\b", Edges{{kNot, kNot}}},  // (?i)k holds U+212A, a letter
      {"\\Bfoo\\B", Edges{{kWord, kWord}}},
      {"\\b-\\b", Edges{{kWord, kWord}}},
      {"\\B-", Edges{{kNot, kAny}}},
      {"foo\\b", Edges{{kAny, kNot}}},
      {"\\b\\x{200D}", Edges{{kNot, kAny}}},  // ZWJ is a word character
      {"\\b\\x{301}x", Edges{{kNot, kAny}}},  // so is a combining mark
      {"\\b\\x{663}", Edges{{kNot, kAny}}},   // and an Arabic-Indic digit
      {"\\b(?:-){0}a", Edges{{kNot, kAny}}},  // a repetition that matches nothing starts with nothing
      {"(\\bfoo)", Edges{{kNot, kAny}}},
      {"\\bfoo\\b|bar", Edges{{kNot, kNot}, {kAny, kAny}}},
      {"\\b(?:-)?a", std::nullopt},  // may start with either kind
      {"\\b.\\b", std::nullopt},
      {"\\ba?", std::nullopt},  // may match nothing
      {"\\b\\b", std::nullopt},
      {"\\bfoo\\b.{0,3}\\bbar\\b", std::nullopt},  // assertions in the middle
      {"\\A\\bfoo", std::nullopt},
      {"\\b{start}foo", std::nullopt},
      {"\\bfoo\\b|\\b.", std::nullopt},
  };
  for (const Case& c : cases) {
    auto forms = re2_emit::membership_forms(std::get<hir::Hir>(syntax::parse_to_hir(c.pattern)));
    ASSERT_EQ(forms.has_value(), c.want.has_value()) << c.pattern;
    if (!forms) continue;
    Edges got;
    for (const auto& f : *forms) got.emplace_back(f.before, f.after);
    EXPECT_EQ(got, *c.want) << c.pattern;
  }
}

TEST(RegexMembershipSets, WordsNextToNonAsciiCharacters) {
  struct Case {
    const char* pattern;
    const char* text;
    bool match;
  } cases[] = {
      {"\\bjailbreak\\b", "\xC3\xA9jailbreak", false},             // éjailbreak
      {"\\bjailbreak\\b", "jailbreak\xC3\xA9", false},             // jailbreaké
      {"\\bjailbreak\\b", "\xC3\xA9 jailbreak", true},             // at the end of the text
      {"\\bjailbreak\\b", "jailbreak \xC3\xA9", true},             // at the start
      {"\\bjailbreak\\b", "jailbreak\xCC\x81 \xC3\xA9", false},    // combining acute
      {"\\bjailbreak\\b", "\xE2\x80\x8Djailbreak \xC3\xA9", false},  // ZWJ
      {"\\bjailbreak\\b", "\xC3\xA9 1jailbreak", false},
      {"\\bjailbreak\\b", "jailbreak\xD9\xA3", false},             // Arabic-Indic three
      {"\\bjailbreak\\b", "\xC2\xABjailbreak\xC2\xBB", true},      // «jailbreak»
      {"\\bjailbreak\\b", "\xE6\x97\xA5jailbreak", false},         // 日jailbreak
      {"\\bjailbreak\\b", "jailbreak\xC3\xA9 jailbreak.", true},   // the second one
      {"(?i)\\b(?:ignore|skip)\\b", "\xC3\xA9 IGNORE", true},
      {"(?i)\\b(?:ignore|skip)\\b", "\xC3\xA9 SKIP\xC3\xA9", false},
      {"\\b-", "\xC3\xA9-", true},
      {"\\b-", "\xC3\xA9 -", false},
      {"\\b-", "-\xC3\xA9", false},
      {"\\b-", "\xE2\x80\x8D-", true},
      {"-\\b", "-\xC3\xA9", true},
      {"-\\b", "\xC3\xA9-", false},
      {"\\Bjail", "\xC3\xA9jail", true},
      {"\\Bjail", "\xC3\xA9 jail", false},
      {"break\\B", "break\xD9\xA3", true},
      {"break\\B", "break \xC3\xA9", false},
      {"\\bfoo\\b|\\bbar\\B", "\xC3\xA9 bar\xC3\xA9", true},
      {"\\bfoo\\b|\\bbar\\B", "\xC3\xA9 bar foo\xC3\xA9", false},
  };
  for (const Case& c : cases) {
    auto made = RegexSet::compile({"\\bunrelated\\b", c.pattern});
    ASSERT_TRUE(std::holds_alternative<RegexSet>(made)) << c.pattern;
    const RegexSet& set = std::get<RegexSet>(made);
    for (Path path : {Path::Normal, Path::PikeVm}) {
      testing::ScopedPath scoped(path);
      EXPECT_EQ(set.is_match(c.text), c.match) << c.pattern << " on '" << c.text << "', path " << static_cast<int>(path);
      EXPECT_EQ(set.matches(c.text), c.match ? std::vector<std::size_t>{1} : std::vector<std::size_t>{})
          << c.pattern << " on '" << c.text << "', path " << static_cast<int>(path);
    }
  }
}

// Patterns the rewrite covers mixed with one it does not (a \b in the
// middle), which stays on the confirming path.
TEST(RegexMembershipSets, MixedWithPatternsThatNeedConfirming) {
  auto made = RegexSet::compile({"\\bjailbreak\\b", "\\bignore\\b.{0,10}\\brules\\b", "\\bdan\\b|\\bdude\\b"});
  ASSERT_TRUE(std::holds_alternative<RegexSet>(made));
  const RegexSet& set = std::get<RegexSet>(made);
  struct Case {
    const char* text;
    std::vector<std::size_t> want;
  } cases[] = {
      {"ignore \xC3\xA9 rules, dud\xC3\xA9", {1}},
      {"\xC3\xA9jailbreak ignore x rules dude", {1, 2}},
      {"ignore x rules\xC3\xA9 jailbreak", {0}},
      {"\xC3\xA9jailbreak ignorexrules", {}},
  };
  for (const Case& c : cases) {
    for (Path path : {Path::Normal, Path::PikeVm}) {
      testing::ScopedPath scoped(path);
      EXPECT_EQ(set.matches(c.text), c.want) << c.text << " path " << static_cast<int>(path);
      EXPECT_EQ(set.is_match(c.text), !c.want.empty()) << c.text << " path " << static_cast<int>(path);
    }
  }
}

}  // namespace
}  // namespace kc::regex
