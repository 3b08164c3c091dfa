// Repetitions of parts that can match the empty string. Counted repetitions
// of parts that only match it are folded away at translation, so huge counts
// neither hang the compiler nor hit the size limit; loops whose body may match
// empty or not stop after an empty round whenever the body prefers it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "regex/regex.h"
#include "regex/syntax/parse.h"
#include "regex/testing.h"

namespace kc::regex {
namespace {

using testing::Path;
using Spans = std::vector<std::pair<std::size_t, std::size_t>>;

struct ShapeCase {
  const char* pattern;
  hir::Kind kind;
  std::uint32_t min = 0;
  std::optional<std::uint32_t> max;
};

TEST(RegexEmptyRepetition, TranslationFoldsTheCount) {
  const ShapeCase cases[] = {
      {"0{0}{4294967295}{4294967295}", hir::Kind::Empty},
      {"(?:){2000000}", hir::Kind::Empty},
      {"(?:\\b){99999}{99999}", hir::Kind::Look},
      {"x{0}", hir::Kind::Empty},
      {"x{1}", hir::Kind::Literal},
      {"(?:\\b)*", hir::Kind::Repetition, 0, 1},
      {"(?:^$){3,}", hir::Kind::Concat},
      {"(?:\\b|x){5}", hir::Kind::Repetition, 5, 5},  // x is not empty: kept
  };
  for (const ShapeCase& c : cases) {
    Result<hir::Hir> r = syntax::parse_to_hir(c.pattern);
    ASSERT_TRUE(std::holds_alternative<hir::Hir>(r)) << c.pattern;
    const hir::Hir& h = std::get<hir::Hir>(r);
    EXPECT_EQ(h.kind, c.kind) << c.pattern;
    if (c.kind == hir::Kind::Repetition) {
      EXPECT_EQ(h.min, c.min) << c.pattern;
      EXPECT_EQ(h.max, c.max) << c.pattern;
    }
  }
}

struct FindCase {
  const char* pattern;
  const char* text;
  Spans want;
};

class RegexEmptyRepetitionFind : public ::testing::TestWithParam<Path> {};

TEST_P(RegexEmptyRepetitionFind, MatchesAsTheCrate) {
  const FindCase cases[] = {
      {"a0{0}{67430}{6743}", "a0a", {{0, 1}, {2, 3}}},
      // 700000 assertions would exceed the size limit if they were kept.
      {"\\<{700000}x", "x ax x", {{0, 1}, {5, 6}}},
      {"(?:){2000000}", "a\xC3\xA9", {{0, 0}, {1, 1}, {3, 3}}},
      {"(?:^|$)*?a", "aa", {{0, 1}, {1, 2}}},
      {"(?:\\B|(?:)){5,}b", "ab b", {{1, 2}, {3, 4}}},
      {"(?m:^){2,9}x", "x\nx y", {{0, 1}, {2, 3}}},
      // The body prefers its empty way, so the loop ends there...
      {"a(?:|b/*)*", "ab", {{0, 1}}},
      {"a(?:|bc*)*", "abc", {{0, 1}}},
      {"a(?:|bc*)+", "abc", {{0, 1}}},
      {"a(?:|b)*", "ab", {{0, 1}}},
      {"(ab)(|bc()*(?s:/)*)*", "abbcs:/", {{0, 2}}},
      // ... and when it prefers to consume, rounds go on.
      {"a(?:b|)*", "abb", {{0, 3}}},
      {"a(?:bc*|)*", "abcb", {{0, 4}}},
  };
  for (const FindCase& c : cases) {
    Result<Regex> r = Regex::compile(c.pattern);
    ASSERT_TRUE(std::holds_alternative<Regex>(r)) << c.pattern << ": " << std::get<Error>(r).message;
    const Regex& re = std::get<Regex>(r);
    testing::ScopedPath path(GetParam());
    Spans got;
    re.find_iter(c.text, [&](std::size_t s, std::size_t e) { got.emplace_back(s, e); });
    EXPECT_EQ(got, c.want) << c.pattern;
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, RegexEmptyRepetitionFind,
                         ::testing::Values(Path::Normal, Path::Fallback, Path::PikeVm));

}  // namespace
}  // namespace kc::regex
