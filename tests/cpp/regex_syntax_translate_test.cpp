// Translation to HIR: class contents against the UCD files, case folding,
// flags, assertions and the translation errors.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "regex/syntax/parse.h"
#include "ucd_test_support.h"

namespace kc::regex::syntax {
namespace {

namespace ut = kc::unicode::testing;
using hir::ClassRange;
using hir::Hir;
using hir::Kind;
using hir::Look;

Hir to_hir(const std::string& pattern) {
  Result<Hir> r = parse_to_hir(pattern);
  if (auto* e = std::get_if<Error>(&r)) {
    ADD_FAILURE() << pattern << "\n" << e->message;
    return Hir::empty();
  }
  return std::get<Hir>(std::move(r));
}

std::string error_of(const std::string& pattern) {
  Result<Hir> r = parse_to_hir(pattern);
  if (auto* e = std::get_if<Error>(&r)) return e->message;
  return "<translated>";
}

// The code points a one-character pattern matches: a class, or a literal of one character.
std::vector<bool> members(const std::string& pattern) {
  std::vector<bool> in(ut::kCodePoints);
  Hir h = to_hir(pattern);
  if (h.kind == Kind::Literal) {
    std::size_t i = 0;
    const char32_t c = unicode::decode_utf8(h.literal, i);
    EXPECT_EQ(i, h.literal.size()) << pattern << " is more than one character";
    in[c] = true;
    return in;
  }
  EXPECT_EQ(h.kind, Kind::Class) << pattern;
  char32_t prev_hi = 0;
  for (std::size_t k = 0; k < h.ranges.size(); ++k) {
    const ClassRange& r = h.ranges[k];
    EXPECT_LE(r.lo, r.hi) << pattern;
    if (k > 0) EXPECT_GT(r.lo, prev_hi + 1) << pattern << ": ranges not canonical";
    prev_hi = r.hi;
    for (char32_t c = r.lo; c <= r.hi; ++c) in[c] = true;
  }
  return in;
}

std::size_t count(const std::vector<bool>& s) {
  std::size_t n = 0;
  for (bool b : s) n += b;
  return n;
}

std::vector<bool> where(const std::function<bool(char32_t)>& pred) {
  std::vector<bool> in(ut::kCodePoints);
  for (char32_t c = 0; c < ut::kCodePoints; ++c) in[c] = pred(c);
  return in;
}

TEST(TranslateClasses, MatchTheUcd) {
  KC_REQUIRE_UCD_FILE(unicode_data, "UnicodeData.txt");
  KC_REQUIRE_UCD_FILE(prop_list, "PropList.txt");
  KC_REQUIRE_UCD_FILE(derived_core, "DerivedCoreProperties.txt");
  KC_REQUIRE_UCD_FILE(scripts_file, "Scripts.txt");
  KC_REQUIRE_UCD_FILE(scx_file, "ScriptExtensions.txt");
  const auto gc = ut::general_categories(unicode_data);
  const auto alphabetic = ut::property_set(derived_core, "Alphabetic");
  const auto join_control = ut::property_set(prop_list, "Join_Control");
  const auto white_space = ut::property_set(prop_list, "White_Space");
  const auto greek = ut::property_set(scripts_file, "Greek");
  std::vector<bool> scx_listed(ut::kCodePoints), scx_greek(ut::kCodePoints);
  ut::for_each_line(scx_file, [&](char32_t lo, char32_t hi, const std::vector<std::string>& f) {
    const bool has = (" " + f[0] + " ").find(" Grek ") != std::string::npos;
    for (char32_t c = lo; c <= hi; ++c) {
      scx_listed[c] = true;
      scx_greek[c] = has;
    }
  });
  auto letter = [&](char32_t c) { return gc[c].size() == 2 && gc[c][0] == 'L' && gc[c] != "LC"; };

  struct Case {
    std::string pattern;
    std::vector<bool> want;
  };
  const std::vector<Case> cases = {
      {"\\w", where([&](char32_t c) {
         return alphabetic[c] || gc[c][0] == 'M' || gc[c] == "Nd" || gc[c] == "Pc" || join_control[c];
       })},
      {"\\d", where([&](char32_t c) { return gc[c] == "Nd"; })},
      {"\\s", white_space},
      {"\\pL", where(letter)},
      {"\\p{Greek}", greek},
      {"\\p{scx=Grek}", where([&](char32_t c) { return scx_listed[c] ? scx_greek[c] : greek[c]; })},
      {"[\\p{L}&&\\p{Greek}]", where([&](char32_t c) { return letter(c) && greek[c]; })},
      {"[a-z--[aeiou]]",
       where([](char32_t c) { return c >= 'a' && c <= 'z' && std::string("aeiou").find(char(c)) == std::string::npos; })},
      {"[[:alpha:]]", where([](char32_t c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; })},
      {"\\W", where([&](char32_t c) {
         return !(c >= 0xD800 && c <= 0xDFFF) &&
                !(alphabetic[c] || gc[c][0] == 'M' || gc[c] == "Nd" || gc[c] == "Pc" || join_control[c]);
       })},
  };
  for (const Case& c : cases) {
    const auto got = members(c.pattern);
    EXPECT_EQ(count(got), count(c.want)) << c.pattern;
    EXPECT_TRUE(got == c.want) << c.pattern;
    std::cout << "[ class   ] " << c.pattern << ": " << count(got) << " code points\n";
  }
  // Spot checks on the edges of the definitions.
  EXPECT_TRUE(members("\\w")[0x200D]);                // ZERO WIDTH JOINER (Join_Control)
  EXPECT_TRUE(members("\\w")[0x0345]);                // a Mark
  EXPECT_FALSE(members("\\d")[0x00B2]);               // SUPERSCRIPT TWO is No
  EXPECT_TRUE(members("\\s")[0x0085]);                // NEXT LINE
  EXPECT_FALSE(members("\\p{Greek}")[0x0345]);        // script Inherited...
  EXPECT_TRUE(members("\\p{scx=Grek}")[0x0345]);      // ...but used by Greek
  EXPECT_EQ(count(members("[a-z--[aeiou]]")), 21u);
  EXPECT_EQ(count(members("[[:alpha:]]")), 52u);
}

TEST(TranslateClasses, BidiMirroredMatchesTheUcd) {
  KC_REQUIRE_UCD_FILE(derived_binary, "DerivedBinaryProperties.txt");
  const auto mirrored = ut::property_set(derived_binary, "Bidi_Mirrored");
  EXPECT_TRUE(members("\\p{Bidi_M}") == mirrored);
  EXPECT_TRUE(members("\\P{bidim}") == where([&](char32_t c) { return !mirrored[c] && (c < 0xD800 || c > 0xDFFF); }));
  EXPECT_TRUE(mirrored['(']);
}

TEST(TranslateFolding, SimpleCaseFoldingOrbits) {
  struct Case {
    std::string pattern;
    std::vector<char32_t> want;
  };
  const std::vector<Case> cases = {
      {"(?i)k", {'K', 'k', 0x212A}},
      {"(?i)K", {'K', 'k', 0x212A}},
      {"(?i)\u212A", {'K', 'k', 0x212A}},
      {"(?i)\u00DF", {0x00DF, 0x1E9E}},  // no multi-character folding to "ss"
      {"(?i)\u017F", {'S', 's', 0x017F}},
      {"(?i)\u03C3", {0x03A3, 0x03C2, 0x03C3}},
      {"(?i)\u01C5", {0x01C4, 0x01C5, 0x01C6}},  // a titlecase digraph
      {"(?i)[a-b]", {'A', 'B', 'a', 'b'}},
      {"(?i-u)k", {'K', 'k'}},  // ASCII folding only without Unicode
      {"(?i)[^\\x00-\\x{10FFFF}]", {}},
  };
  for (const Case& c : cases) {
    std::vector<char32_t> got;
    const auto in = members(c.pattern);
    for (char32_t cp = 0; cp < ut::kCodePoints; ++cp)
      if (in[cp]) got.push_back(cp);
    EXPECT_EQ(got, c.want) << c.pattern;
  }
  // Folding comes before negation, item by item.
  EXPECT_FALSE(members("(?i)[^k]")[0x212A]);
  EXPECT_FALSE(members("(?i)[[:^lower:]]")[0x212A]);
  EXPECT_FALSE(members("(?i)\\P{Ll}")['A']);
  // A character without case stays a literal; folded ones become classes.
  EXPECT_EQ(to_hir("(?i)1").kind, Kind::Literal);
  const Hir word = to_hir("(?i)ab");
  ASSERT_EQ(word.kind, Kind::Concat);
  EXPECT_EQ(word.subs.size(), 2u);
}

TEST(TranslateShape, Assertions) {
  const std::vector<std::pair<std::string, Look>> cases = {
      {"^", Look::Start},          {"$", Look::End},
      {"(?m)^", Look::StartLF},    {"(?m)$", Look::EndLF},
      {"(?mR)^", Look::StartCRLF}, {"(?Rm)$", Look::EndCRLF},
      {"(?m)\\A", Look::Start},    {"(?m)\\z", Look::End},
      {"\\b", Look::WordUnicode},  {"\\B", Look::WordUnicodeNegate},
      {"(?-u:\\b)", Look::WordAscii}, {"(?-u:\\B)", Look::WordAsciiNegate},
      {"\\b{start}", Look::WordStartUnicode}, {"\\<", Look::WordStartUnicode},
      {"\\b{end}", Look::WordEndUnicode},     {"(?-u)\\>", Look::WordEndAscii},
      {"\\b{start-half}", Look::WordStartHalfUnicode},
      {"(?-u:\\b{end-half})", Look::WordEndHalfAscii},
  };
  for (const auto& [pattern, look] : cases) {
    const Hir h = to_hir(pattern);
    EXPECT_EQ(h.kind, Kind::Look) << pattern;
    EXPECT_EQ(h.look, look) << pattern;
  }
}

TEST(TranslateShape, DotFlagsAndLiterals) {
  EXPECT_EQ(members("."), where([](char32_t c) { return c != '\n' && (c < 0xD800 || c > 0xDFFF); }));
  EXPECT_EQ(members("(?R)."),
            where([](char32_t c) { return c != '\n' && c != '\r' && (c < 0xD800 || c > 0xDFFF); }));
  EXPECT_EQ(count(members("(?s).")), 0x110000u - 0x800u);

  // Literals join into one UTF-8 string across groups without captures.
  Hir h = to_hir("a\\x{E9}(?:b\\u2603)\\.");
  ASSERT_EQ(h.kind, Kind::Literal);
  EXPECT_EQ(h.literal, "a\xC3\xA9" "b\xE2\x98\x83.");
  EXPECT_EQ(to_hir("(?x) a b # c\n c").literal, "abc");

  // Flags last until the end of their group, across alternatives.
  h = to_hir("(a(?i)b|c)d");
  ASSERT_EQ(h.kind, Kind::Concat);
  const Hir& cap = h.subs[0];
  ASSERT_EQ(cap.kind, Kind::Capture);
  EXPECT_EQ(cap.capture_index, 1u);
  ASSERT_EQ(cap.subs[0].kind, Kind::Alternation);
  EXPECT_EQ(cap.subs[0].subs[1].kind, Kind::Class);  // (?i) still on for c
  EXPECT_EQ(h.subs[1].kind, Kind::Literal);          // but not for d

  // Greediness, swapped by U; counted bounds.
  h = to_hir("a*b+?(?U)c?d*?e{2,}f{3}g{1,4}");
  ASSERT_EQ(h.kind, Kind::Concat);
  const std::vector<std::tuple<std::uint32_t, std::optional<std::uint32_t>, bool>> reps = {
      {0, std::nullopt, true}, {1, std::nullopt, false}, {0, 1, false}, {0, std::nullopt, true},
      {2, std::nullopt, false}, {3, 3, false}, {1, 4, false}};
  ASSERT_EQ(h.subs.size(), reps.size());
  for (std::size_t i = 0; i < reps.size(); ++i) {
    EXPECT_EQ(h.subs[i].kind, Kind::Repetition);
    EXPECT_EQ(h.subs[i].min, std::get<0>(reps[i])) << i;
    EXPECT_EQ(h.subs[i].max, std::get<1>(reps[i])) << i;
    EXPECT_EQ(h.subs[i].greedy, std::get<2>(reps[i])) << i;
  }

  // Captures numbered by their opening parenthesis; names kept.
  h = to_hir("(?<x>(a)|)(?P<y>b)");
  ASSERT_EQ(h.kind, Kind::Concat);
  EXPECT_EQ(h.subs[0].capture_index, 1u);
  EXPECT_EQ(h.subs[0].capture_name, "x");
  EXPECT_EQ(h.subs[0].subs[0].subs[0].capture_index, 2u);
  EXPECT_EQ(h.subs[0].subs[0].subs[1].kind, Kind::Empty);
  EXPECT_EQ(h.subs[1].capture_index, 3u);
  EXPECT_EQ(h.subs[1].capture_name, "y");

  // Classes that match nothing are allowed.
  EXPECT_EQ(to_hir("[a&&b]").ranges.size(), 0u);
  EXPECT_EQ(to_hir("\\P{any}").ranges.size(), 0u);
  // Without Unicode: ASCII meanings, non-ASCII literals still characters.
  EXPECT_EQ(count(members("(?-u:\\w)")), 63u);
  EXPECT_EQ(count(members("(?-u:\\s)")), 6u);
  EXPECT_EQ(to_hir("(?-u:\\x{E9})").literal, "\xC3\xA9");
}

TEST(TranslateNames, LooseMatchingAndPrecedence) {
  const std::vector<std::pair<std::string, std::string>> same = {
      {"\\p{is Gr_e-EK }", "\\p{Greek}"},
      {"\\p{GREEK}", "\\p{sc=Grek}"},
      {"\\p{Script = greek}", "\\p{sc:Greek}"},
      {"\\p{gc!=L}", "\\PL"},
      {"\\p{sc}", "\\p{Currency_Symbol}"},  // not the Script property
      {"\\p{cf}", "\\p{Format}"},
      {"\\p{lc}", "\\p{Cased_Letter}"},
      {"\\p{space}", "\\p{White_Space}"},    // the property wins over Zs
      {"\\p{digit}", "\\d"},
      {"\\p{Is-Lu}", "\\p{Uppercase_Letter}"},
      {"\\p{ASCII}", "[\\x00-\\x7F]"},
      {"\\p{Any}", "(?s:.)"},
      {"\\p{Assigned}", "\\P{Cn}"},
      {"\\p{scx:Greek}", "\\p{Script_Extensions=Grek}"},
      {"\\p{gcb=RI}", "\\p{Regional_Indicator}"},
      {"\\p{Alpha}", "\\p{Alphabetic}"},
  };
  for (const auto& [a, b] : same) EXPECT_TRUE(members(a) == members(b)) << a << " vs " << b;
  // Ages accumulate.
  const auto age6 = members("\\p{age=6.0}");
  EXPECT_TRUE(age6['A']);
  EXPECT_TRUE(age6[0x20B9]);   // INDIAN RUPEE SIGN, 6.0
  EXPECT_FALSE(age6[0x20BA]);  // TURKISH LIRA SIGN, 6.2
  EXPECT_TRUE(members("\\p{age=V6_2}")[0x20BA]);
  // Surrogates are never members, whatever the table lists; groupings that
  // take in the default values stay.
  EXPECT_FALSE(members("\\p{Other}")[0xD800]);
  EXPECT_TRUE(members("\\p{Other}")[0x0378]);
  EXPECT_TRUE(members("\\p{Cn}")[0x0378]);
  EXPECT_GT(count(members("\\p{wb=ALetter}")), 1000u);
  EXPECT_TRUE(members("\\p{sb=Sp}")[' ']);
}

TEST(TranslateErrorLayout, MultiLinePattern) {
  const std::string rule(79, '~');
  EXPECT_EQ(error_of("(?x)\n  \\p{Foo} # comment\n"),
            "regex parse error:\n" + rule + "\n1: (?x)\n2:   \\p{Foo} # comment\n     ^^^^^^^\n" + rule +
                "\nerror: Unicode property not found");
}

struct ErrorCase {
  std::string pattern;
  std::string carets;
  std::string message;
};

// Names the case by its pattern in test listings.
void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.pattern; }

class TranslateErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(TranslateErrors, MessageAndCarets) {
  const ErrorCase& c = GetParam();
  EXPECT_EQ(error_of(c.pattern),
            "regex parse error:\n    " + c.pattern + "\n    " + c.carets + "\nerror: " + c.message);
}

const char kNotFound[] = "Unicode property not found";
const char kValueNotFound[] = "Unicode property value not found";
const char kInvalidUtf8[] = "pattern can match invalid UTF-8";
const char kNotAllowed[] = "Unicode not allowed here";

INSTANTIATE_TEST_SUITE_P(
    EveryKind, TranslateErrors,
    ::testing::Values(ErrorCase{"(?i)\\p{Foo}", "    ^^^^^^^", kNotFound},
                      ErrorCase{"\\pq", "^^^", kNotFound},
                      ErrorCase{"\\p{Script}", "^^^^^^^^^^", kNotFound},
                      ErrorCase{"[a\\P{Foo=Bar}]", "  ^^^^^^^^^^^", kNotFound},
                      ErrorCase{"\\p{sc:Foo}", "^^^^^^^^^^", kValueNotFound},
                      ErrorCase{"\\p{gc=Greek}", "^^^^^^^^^^^^", kValueNotFound},
                      ErrorCase{"\\p{Alphabetic=Y}", "^^^^^^^^^^^^^^^^", kValueNotFound},
                      ErrorCase{"\\p{Comp_Ex}", "^^^^^^^^^^^", kNotFound},
                      // Values listed as names but holding no code points of their own.
                      ErrorCase{"\\p{Cs}", "^^^^^^", kValueNotFound},
                      ErrorCase{"\\P{General_Category=surrogate}", "^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^", kValueNotFound},
                      ErrorCase{"\\p{Zzzz}", "^^^^^^^^", kValueNotFound},
                      ErrorCase{"\\p{scx=Unknown}(?-u:[\xC3\xA9])", "^^^^^^^^^^^^^^^", kValueNotFound},
                      ErrorCase{"\\p{sc:Zzzz}", "^^^^^^^^^^^", kValueNotFound},
                      ErrorCase{"\\p{gcb=XX}", "^^^^^^^^^^", kValueNotFound},
                      ErrorCase{"\\p{Word_Break=Other}", "^^^^^^^^^^^^^^^^^^^^", kValueNotFound},
                      ErrorCase{"\\p{sb=xx}", "^^^^^^^^^", kValueNotFound},
                      ErrorCase{"(?-u:.)", "     ^", kInvalidUtf8},
                      ErrorCase{"(?-u)a\\xFF", "      ^^^^", kInvalidUtf8},
                      ErrorCase{"(?-u:\\W)", "     ^^", kInvalidUtf8},
                      ErrorCase{"(?-u:[^a])", "     ^^^^", kInvalidUtf8},
                      ErrorCase{"(?-u:[a[:^alpha:]])", "       ^^^^^^^^^^", kInvalidUtf8},
                      ErrorCase{"(?-u:[a[^b]])", "       ^^^^", kInvalidUtf8},
                      ErrorCase{"(?-u:\\pL)", "     ^^^", kNotAllowed},
                      ErrorCase{"(?-u:[\xC3\xA9])", "      ^", kNotAllowed},
                      ErrorCase{"(?-u:[a-\\x{E9}])", "        ^^^^^^", kNotAllowed},
                      // The first offending construct from the left wins.
                      ErrorCase{"\\p{Foo}(?-u:.)", "^^^^^^^", kNotFound}));

}  // namespace
}  // namespace kc::regex::syntax
