// Engine behaviour on hand-built HIR, on every engine path: iteration and
// empty matches, byte offsets, leftmost-first preferences, every assertion,
// sets, the size limit and concurrent searches.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "regex/fallback/word_char.h"
#include "regex/hir/hir.h"
#include "regex/meta/engine.h"
#include "regex/regex.h"
#include "regex/testing.h"
#include "regex_engine_test_util.h"
#include "unicode/ucd_sets.h"

namespace kc::regex {
namespace {

using hir::Hir;
using hir::Look;
using testing::Path;
using test_util::find_all;
using test_util::Spans;

std::vector<hir::ClassRange> perl_word_ranges() {
  std::vector<hir::ClassRange> r;
  for (const unicode::Range& range : unicode::perl_word()) r.push_back({range.lo, range.hi});
  return r;
}

Hir lit(std::string s) { return Hir::literal_of(std::move(s)); }
Hir cls(std::vector<hir::ClassRange> r) { return Hir::class_of(std::move(r)); }
Hir look(Look l) { return Hir::look_of(l); }
Hir cat(std::vector<Hir> subs) { return Hir::concat(std::move(subs)); }
Hir alt(std::vector<Hir> subs) { return Hir::alternation(std::move(subs)); }
Hir rep(Hir sub, std::uint32_t min, std::optional<std::uint32_t> max, bool greedy = true) {
  return Hir::repetition(std::move(sub), min, max, greedy);
}
Hir star(Hir sub, bool greedy = true) { return rep(std::move(sub), 0, std::nullopt, greedy); }
Hir plus(Hir sub, bool greedy = true) { return rep(std::move(sub), 1, std::nullopt, greedy); }

Hir word_class() { return cls(perl_word_ranges()); }
Hir any_char() { return cls({{0, 0x10FFFF}}); }

Regex compile(const Hir& h) {
  Result<Regex> r = testing::regex_from_hir(h);
  if (auto* e = std::get_if<Error>(&r)) ADD_FAILURE() << e->message;
  return std::move(std::get<Regex>(r));
}

constexpr Path kPaths[] = {Path::Normal, Path::Fallback, Path::PikeVm};

struct FindCase {
  const char* name;
  Hir hir;
  std::string text;
  Spans want;
};

std::vector<FindCase> find_cases() {
  std::vector<FindCase> c;
  c.push_back({"star_of_absent_char", star(lit("x")), "ab", {{0, 0}, {1, 1}, {2, 2}}});
  c.push_back({"no_empty_match_at_previous_end", star(lit("a")), "aab", {{0, 2}, {3, 3}}});
  c.push_back({"empty_alternative", alt({lit("b"), Hir::empty()}), "abc", {{0, 0}, {1, 2}, {3, 3}}});
  c.push_back({"empty_pattern_steps_over_characters", Hir::empty(), "\xE2\x98\x83" "\xC3\xA9", {{0, 0}, {3, 3}, {5, 5}}});
  c.push_back({"byte_offsets_after_accents", lit("abc"), "\xC3\xA9 abc", {{3, 6}}});
  c.push_back({"leftmost_first_alternation", alt({lit("sam"), lit("samwise")}), "samwise", {{0, 3}}});
  c.push_back({"lazy_star", cat({lit("a"), star(any_char(), false), lit("b")}), "axbyb", {{0, 3}}});
  c.push_back({"greedy_star", cat({lit("a"), star(any_char()), lit("b")}), "axbyb", {{0, 5}}});
  c.push_back({"counted", rep(cls({{'a', 'z'}}), 2, 3), "abcdefg", {{0, 3}, {3, 6}}});
  c.push_back({"counted_lazy", rep(cls({{'a', 'z'}}), 2, 3, false), "abcde", {{0, 2}, {2, 4}}});
  c.push_back({"empty_class_never_matches", cls({}), "abc", {}});
  // Unicode word boundaries judge the whole character.
  c.push_back({"unicode_boundary_accented_word",
               cat({look(Look::WordUnicode), plus(word_class()), look(Look::WordUnicode)}),
               "caf\xC3\xA9 \xD0\xB4\xD0\xB0", {{0, 5}, {6, 10}}});
  c.push_back({"unicode_boundary_not_inside_word", cat({look(Look::WordUnicode), lit("f")}), "caf\xC3\xA9 f", {{6, 7}}});
  c.push_back({"unicode_not_boundary", cat({look(Look::WordUnicodeNegate), lit("f")}), "caf\xC3\xA9 f", {{2, 3}}});
  c.push_back({"ascii_boundary_sees_bytes", cat({lit("f"), look(Look::WordAscii)}), "f\xC3\xA9", {{0, 1}}});
  c.push_back({"unicode_boundary_next_to_emoji", cat({lit("a"), look(Look::WordUnicode)}), "a\xF0\x9F\x98\x80", {{0, 1}}});
  c.push_back({"boundary_at_both_ends_of_non_ascii_letter", look(Look::WordUnicode), "\xCF\xB5", {{0, 0}, {2, 2}}});
  c.push_back({"word_start", cat({look(Look::WordStartUnicode), lit("b")}), "b ab \xC3\xA9" "b", {{0, 1}}});
  c.push_back({"word_end", cat({lit("b"), look(Look::WordEndUnicode)}), "b ab b\xC3\xA9", {{0, 1}, {3, 4}}});
  c.push_back({"word_start_half", cat({look(Look::WordStartHalfUnicode), lit("b")}), "b ab -b", {{0, 1}, {6, 7}}});
  c.push_back({"word_end_half", cat({lit("b"), look(Look::WordEndHalfUnicode)}), "b ab bc b-", {{0, 1}, {3, 4}, {8, 9}}});
  c.push_back({"word_start_ascii_on_non_ascii", cat({look(Look::WordStartAscii), lit("b")}), "\xC3\xA9" "b ab", {{2, 3}}});
  c.push_back({"word_end_half_ascii", cat({lit("b"), look(Look::WordEndHalfAscii)}), "b\xC3\xA9 ba", {{0, 1}}});
  c.push_back({"word_start_half_ascii", cat({look(Look::WordStartHalfAscii), lit("b")}), "ab \xC3\xA9" "b", {{5, 6}}});
  c.push_back({"word_end_ascii", cat({lit("b"), look(Look::WordEndAscii)}), "bb b", {{1, 2}, {3, 4}}});
  // Line anchors.
  c.push_back({"multiline_start", cat({look(Look::StartLF), lit("a")}), "a\na\r\na", {{0, 1}, {2, 3}, {5, 6}}});
  c.push_back({"multiline_end", cat({lit("a"), look(Look::EndLF)}), "a\na\r\na", {{0, 1}, {5, 6}}});
  c.push_back({"crlf_start", cat({look(Look::StartCRLF), star(cls({{'a', 'z'}}))}), "a\r\nb\rc\n", {{0, 1}, {3, 4}, {5, 6}, {7, 7}}});
  c.push_back({"crlf_end_empty", look(Look::EndCRLF), "a\r\nb", {{1, 1}, {4, 4}}});
  c.push_back({"crlf_start_empty", look(Look::StartCRLF), "\r\n\r", {{0, 0}, {2, 2}, {3, 3}}});
  // Counts beyond RE2's limit of 1000, alone and nested.
  auto times = [](const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
  };
  c.push_back({"count_above_re2_limit", rep(lit("a"), 1500, 1500), times("a", 1600), {{0, 1500}}});
  c.push_back({"optional_part_above_limit", rep(cls({{'a', 'b'}}), 0, 1200), times("a", 1300), {{0, 1200}, {1200, 1300}}});
  c.push_back({"lazy_count_above_limit", rep(lit("a"), 1001, 1002, false), times("a", 1003), {{0, 1001}}});
  c.push_back({"nested_counts_multiply_above_limit", rep(rep(lit("a"), 2, 2), 600, 600), times("a", 1201), {{0, 1200}}});
  c.push_back({"alternation_counted_above_limit", rep(alt({lit("ab"), lit("a")}), 1100, 1100), times("ab", 1100), {{0, 2200}}});
  c.push_back({"alternation_optional_above_limit", cat({rep(alt({lit("ab"), lit("a")}), 0, 1050), lit("c")}),
               times("ab", 1000) + "c", {{0, 2001}}});
  c.push_back({"text_anchors", alt({look(Look::Start), look(Look::End)}), "ab", {{0, 0}, {2, 2}}});
  return c;
}

class RegexEngineFind : public ::testing::TestWithParam<Path> {};

TEST_P(RegexEngineFind, HandBuiltCases) {
  testing::ScopedPath path(GetParam());
  for (FindCase& c : find_cases()) {
    Regex re = compile(c.hir);
    EXPECT_EQ(find_all(re, c.text), c.want) << c.name;
    EXPECT_EQ(re.count(c.text), c.want.size()) << c.name;
    EXPECT_EQ(re.is_match(c.text), !c.want.empty()) << c.name;
  }
}

TEST_P(RegexEngineFind, SetReportsEveryMatchingPattern) {
  testing::ScopedPath path(GetParam());
  std::vector<Hir> hirs;
  hirs.push_back(lit("a"));
  hirs.push_back(lit("a"));
  hirs.push_back(cat({look(Look::WordUnicode), lit("b")}));
  hirs.push_back(cat({lit("c"), look(Look::EndCRLF)}));
  hirs.push_back(cat({look(Look::WordStartUnicode), lit("d")}));
  hirs.push_back(lit("zz"));
  Result<RegexSet> made = testing::regex_set_from_hirs(hirs);
  ASSERT_TRUE(std::holds_alternative<RegexSet>(made));
  const RegexSet& set = std::get<RegexSet>(made);
  EXPECT_EQ(set.size(), 6u);
  struct Case {
    std::string text;
    std::vector<std::size_t> want;
  } cases[] = {
      {"a b c\r\nd", {0, 1, 2, 3, 4}},
      {"\xC3\xA9" "b \xC3\xA9" "d c\xC3\xA9", {}},
      {"\xC3\xA9 b", {2}},
      {"", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(set.matches(c.text), c.want) << c.text;
    EXPECT_EQ(set.is_match(c.text), !c.want.empty()) << c.text;
  }
  Result<RegexSet> empty = testing::regex_set_from_hirs({});
  ASSERT_TRUE(std::holds_alternative<RegexSet>(empty));
  EXPECT_FALSE(std::get<RegexSet>(empty).is_match("abc"));
  EXPECT_TRUE(std::get<RegexSet>(empty).matches("abc").empty());
}

INSTANTIATE_TEST_SUITE_P(Paths, RegexEngineFind, ::testing::ValuesIn(kPaths), [](const auto& info) {
  return info.param == Path::Normal ? "Normal" : info.param == Path::Fallback ? "Fallback" : "PikeVm";
});

TEST(RegexEngineSizeLimit, LimitSitsBetweenRealisticAndHugePatterns) {
  struct Case {
    const char* name;
    Hir hir;
    bool fits;
  } cases[] = {
      {"word_100", rep(word_class(), 100, 100), true},
      {"az_1_to_1000", rep(cls({{'a', 'z'}}), 1, 1000), true},
      {"word_2000", rep(word_class(), 2000, 2000), false},
      {"word_50_60_times", rep(rep(word_class(), 50, 50), 60, 60), false},
      {"nested_beyond_any_count", rep(rep(rep(lit("ab"), 1000, 1000), 1000, 1000), 1000, 1000), false},
  };
  for (const Case& c : cases) {
    Result<Regex> r = testing::regex_from_hir(c.hir);
    EXPECT_EQ(std::holds_alternative<Regex>(r), c.fits) << c.name;
    if (auto* e = std::get_if<Error>(&r)) {
      EXPECT_EQ(e->kind, Error::Kind::CompiledTooBig);
      EXPECT_EQ(e->message, "Compiled regex exceeds size limit of 10485760 bytes.");
    }
  }
}

// One compiled expression searched from several threads at once, on both
// the RE2 and the fallback engine (which leases per-search scratch).
TEST(RegexEngineThreads, ConcurrentSearchesAgree) {
  Regex re = compile(cat({look(Look::WordUnicode), plus(word_class()), look(Look::WordUnicode)}));
  std::string text;
  for (int i = 0; i < 200; ++i) text += i % 2 ? "caf\xC3\xA9 " : "word ";
  std::string ascii(text.size(), 'a');
  for (std::size_t i = 5; i < ascii.size(); i += 6) ascii[i] = ' ';
  const std::size_t want = re.count(text), want_ascii = re.count(ascii);
  EXPECT_EQ(want, 200u);
  std::vector<std::thread> threads;
  std::vector<int> bad(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 50; ++round) {
        bad[t] += re.count(text) != want;
        bad[t] += re.count(ascii) != want_ascii;
      }
    });
  }
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(bad[t], 0) << "thread " << t;
}

// The ASCII check works in blocks; a non-ASCII byte anywhere must be seen.
TEST(RegexEngineAscii, FindsANonAsciiByteAtAnyOffset) {
  for (std::size_t len : {0u, 1u, 31u, 32u, 127u, 128u, 129u, 300u}) {
    std::string text(len, 'a');
    EXPECT_TRUE(meta::is_ascii(text)) << len;
    for (std::size_t at = 0; at < len; ++at) {
      std::string t = text;
      t[at] = static_cast<char>(0xC3);
      EXPECT_FALSE(meta::is_ascii(t)) << len << " at " << at;
    }
  }
}

// The word assertions must judge characters exactly as \w matches them.
TEST(RegexEngineWordChar, AgreesWithPerlWordClass) {
  std::vector<bool> in_class(0x110000, false);
  for (const unicode::Range& r : unicode::perl_word())
    for (char32_t c = r.lo; c <= r.hi; ++c) in_class[c] = true;
  std::size_t mismatches = 0;
  for (char32_t c = 0; c < 0x110000; ++c) mismatches += fallback::is_word_char(c) != in_class[c];
  EXPECT_EQ(mismatches, 0u);
  EXPECT_TRUE(fallback::is_word_char(0x200D));
  EXPECT_FALSE(fallback::is_word_char(0x1F600));
}

}  // namespace
}  // namespace kc::regex
