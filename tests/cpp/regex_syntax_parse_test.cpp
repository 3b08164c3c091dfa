// Parse errors of the regex dialect: kinds, positions and the message layout.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "regex/syntax/nest_limit.h"
#include "regex/syntax/parse.h"

namespace kc::regex::syntax {
namespace {

std::string parse_error(const std::string& pattern) {
  Result<Parsed> r = parse(pattern);
  if (std::holds_alternative<Parsed>(r)) return "<parsed>";
  return std::get<Error>(r).message;
}

std::string one_line_block(const std::string& pattern, const std::string& carets,
                           const std::string& message) {
  return "regex parse error:\n    " + pattern + "\n    " + carets + "\nerror: " + message;
}

const std::string kDivider(79, '~');

struct KindCase {
  std::string pattern;
  std::string carets;  // the marker line after its four-space indent
  std::string message;
};

// Names the case by its pattern in test listings.
void PrintTo(const KindCase& c, std::ostream* os) { *os << c.pattern; }

class ParseErrorKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(ParseErrorKinds, MessageAndCarets) {
  const KindCase& c = GetParam();
  EXPECT_EQ(parse_error(c.pattern), one_line_block(c.pattern, c.carets, c.message));
}

const char kClassEscape[] = "invalid escape sequence found in character class";
const char kRangeInvalid[] = "invalid character class range, the start must be <= the end";
const char kRangeLiteral[] = "invalid range boundary, must be a literal";
const char kUnclosedClass[] = "unclosed character class";
const char kEof[] = "incomplete escape sequence, reached end of pattern prematurely";
const char kRepMissing[] = "repetition operator missing expression";
const char kUnclosedRep[] = "unclosed counted repetition";
const char kDecimal[] = "repetition quantifier expects a valid decimal";
const char kLookAround[] = "look-around, including look-ahead and look-behind, is not supported";

INSTANTIATE_TEST_SUITE_P(
    EveryKind, ParseErrorKinds,
    ::testing::Values(
        KindCase{"[\\b]", " ^^", kClassEscape},
        KindCase{"[\\b{start}]", " ^^^^^^^^^", kClassEscape},
        KindCase{"[z-a]", " ^^^", kRangeInvalid},
        KindCase{"[\\x7A-\\x61]", " ^^^^^^^^^", kRangeInvalid},
        KindCase{"[\\d-z]", " ^^", kRangeLiteral},
        KindCase{"[a-\\pL]", "   ^^^", kRangeLiteral},
        KindCase{"[\\b-z]", " ^^", kRangeLiteral},
        KindCase{"[a", "^", kUnclosedClass},
        KindCase{"[^]", "^^^", kUnclosedClass},
        KindCase{"[]", "^^", kUnclosedClass},
        KindCase{"[-", "^", kUnclosedClass},
        KindCase{"[--a", "^^^", kUnclosedClass},
        KindCase{"[a[b]", "^", kUnclosedClass},
        KindCase{"[a[^b", "  ^^", kUnclosedClass},
        KindCase{"a{99999999999}", "  ^^^^^^^^^^^", "decimal literal invalid"},
        KindCase{"\\x{}", "  ^^", "hexadecimal literal empty"},
        KindCase{"\\x{110000}", "   ^^^^^^", "hexadecimal literal is not a Unicode scalar value"},
        KindCase{"\\uD800", "  ^^^^", "hexadecimal literal is not a Unicode scalar value"},
        KindCase{"\\x{100000000}", "   ^^^^^^^^^", "hexadecimal literal is not a Unicode scalar value"},
        KindCase{"\\xZZ", "  ^", "invalid hexadecimal digit"},
        KindCase{"\\x{ 41}", "   ^", "invalid hexadecimal digit"},
        KindCase{"a\\", " ^", kEof},
        KindCase{"\\xA", "   ^", kEof},
        KindCase{"\\x{12", "  ^^^", kEof},
        KindCase{"\\p{L", "    ^", kEof},
        KindCase{"\\P", "  ^", kEof},
        KindCase{"\\e", "^^", "unrecognized escape sequence"},
        KindCase{"a\xC3\xA9\\\xC3\xA9", "  ^^", "unrecognized escape sequence"},
        KindCase{"(?i-)", "   ^", "dangling flag negation operator"},
        KindCase{"(?i-:a)", "   ^", "dangling flag negation operator"},
        KindCase{"(?ii)", "  ^^", "duplicate flag"},
        KindCase{"(?i-i)", "  ^ ^", "duplicate flag"},
        KindCase{"(?-i-m)", "  ^ ^", "flag negation operator repeated"},
        KindCase{"(?i", "   ^", "expected flag but got end of regex"},
        KindCase{"(?z)", "  ^", "unrecognized flag"},
        KindCase{"(?P)", "  ^", "unrecognized flag"},
        KindCase{"(?<n>a)|(?<n>b)", "   ^       ^", "duplicate capture group name"},
        KindCase{"(?P<>a)", "    ^", "empty capture group name"},
        KindCase{"(?P<1a>x)", "    ^", "invalid capture group character"},
        KindCase{"(?<a b>x)", "    ^", "invalid capture group character"},
        KindCase{"(?P<name", "        ^", "unclosed capture group name"},
        KindCase{"(a|b", "^", "unclosed group"},
        KindCase{"x((a)", " ^", "unclosed group"},
        KindCase{"(?", "^", "unclosed group"},
        KindCase{"(a))", "   ^", "unopened group"},
        KindCase{"a{,5}", "  ^", kDecimal},
        KindCase{"a{ }", "   ^", kDecimal},
        KindCase{"\\b{}", "   ^", kDecimal},
        KindCase{"a{2,1}?", " ^^^^^^", "invalid repetition count range, the start must be <= the end"},
        KindCase{"a{", " ^", kUnclosedRep},
        KindCase{"a{2x}", " ^^", kUnclosedRep},
        KindCase{"a{2,3", " ^^^^", kUnclosedRep},
        KindCase{"a{1 2}", " ^^^", kUnclosedRep},
        // A bad minimum counts only once the pattern goes on past its comma;
        // a bad maximum counts at once.
        KindCase{"a{,", " ^^", kUnclosedRep},
        KindCase{"a{ ,", " ^^^", kUnclosedRep},
        KindCase{"a{2, ", "     ^", kDecimal},
        KindCase{"a{2,99999999999", "    ^^^^^^^^^^^", "decimal literal invalid"},
        KindCase{"a|*", "  ^", kRepMissing},
        KindCase{"(?)", " ^", kRepMissing},
        KindCase{"(?i)*", "    ^", kRepMissing},
        KindCase{"{1}", "^", kRepMissing},
        KindCase{"\\b{sta rt}", "  ^^^^",
                 "special word boundary assertion is either unclosed or contains an invalid "
                 "character"},
        KindCase{"\\b{START}", "   ^^^^^",
                 "unrecognized special word boundary assertion, valid choices are: start, end, "
                 "start-half or end-half"},
        KindCase{"\\b{", "^^^",
                 "found either the beginning of a special word boundary or a bounded repetition "
                 "on a \\b with an opening brace, but no closing brace"},
        KindCase{"\\p\\", "  ^", "invalid Unicode character class"},
        KindCase{"(a)\\1", "   ^^", "backreferences are not supported"},
        KindCase{"\\0", "^^", "backreferences are not supported"},
        KindCase{"(?=a)", "^^^", kLookAround},
        KindCase{"(?<!a)", "^^^^", kLookAround}));

// The worked examples of the error documentation, byte for byte.
TEST(ParseErrorLayout, DocumentedExamples) {
  EXPECT_EQ(parse_error("(?i)(abc"), "regex parse error:\n    (?i)(abc\n        ^\nerror: unclosed group");
  EXPECT_EQ(parse_error("(?i)a{2,1}"),
            "regex parse error:\n    (?i)a{2,1}\n         ^^^^^\nerror: invalid repetition count "
            "range, the start must be <= the end");
  EXPECT_EQ(parse_error("(?i)[z-a]"),
            "regex parse error:\n    (?i)[z-a]\n         ^^^\nerror: invalid character class "
            "range, the start must be <= the end");
  EXPECT_EQ(parse_error("(?P<n>a)(?P<n>b)"),
            "regex parse error:\n    (?P<n>a)(?P<n>b)\n        ^       ^\nerror: duplicate "
            "capture group name");
  EXPECT_EQ(parse_error("(?ii)"), "regex parse error:\n    (?ii)\n      ^^\nerror: duplicate flag");
  EXPECT_EQ(parse_error("\\\\u{[^}]*}"),
            "regex parse error:\n    \\\\u{[^}]*}\n        ^\nerror: repetition quantifier "
            "expects a valid decimal");
  EXPECT_EQ(parse_error("a\n(b"),
            "regex parse error:\n" + kDivider + "\n1: a\n2: (b\n   ^\n" + kDivider +
                "\nerror: unclosed group");
  EXPECT_EQ(parse_error("a{\n"),
            "regex parse error:\n" + kDivider + "\n1: a{\n" + kDivider +
                "\non line 1 (column 2) through line 2 (column 0)\nerror: unclosed counted "
                "repetition");
}

TEST(ParseErrorLayout, MultiLinePatterns) {
  // Ten lines: numbers are two wide, markers indented by four.
  std::string ten;
  for (int i = 0; i < 9; ++i) ten += "a\n";
  ten += "(b";
  std::string want = "regex parse error:\n" + kDivider + "\n";
  for (int i = 1; i <= 9; ++i) want += " " + std::to_string(i) + ": a\n";
  want += "10: (b\n    ^\n" + kDivider + "\nerror: unclosed group";
  EXPECT_EQ(parse_error(ten), want);

  // A CR before an LF is not displayed; columns count characters, not bytes.
  EXPECT_EQ(parse_error("\xC3\xA9\r\n\xC3\xA9(b"),
            "regex parse error:\n" + kDivider + "\n1: \xC3\xA9\n2: \xC3\xA9(b\n    ^\n" + kDivider +
                "\nerror: unclosed group");

  // The two spans of a duplicate each marked under their own line.
  EXPECT_EQ(parse_error("(?P<n>a)\n(?P<n>b)"),
            "regex parse error:\n" + kDivider + "\n1: (?P<n>a)\n       ^\n2: (?P<n>b)\n       ^\n" +
                kDivider + "\nerror: duplicate capture group name");

  // An error at the very end of a pattern ending in LF has no caret at all.
  EXPECT_EQ(parse_error("\\p{L\n"),
            "regex parse error:\n" + kDivider + "\n1: \\p{L\n" + kDivider +
                "\nerror: incomplete escape sequence, reached end of pattern prematurely");

  // (?x) comments run to the end of their line; the error is on line 3.
  EXPECT_EQ(parse_error("(?x)a # (\n b\n )"),
            "regex parse error:\n" + kDivider + "\n1: (?x)a # (\n2:  b\n3:  )\n    ^\n" + kDivider +
                "\nerror: unopened group");
}

TEST(ParseErrorOrder, SyntaxErrorBeatsNestLimit) {
  std::string deep(300, '(');
  deep += "a";
  deep += std::string(300, ')');
  deep += ")";
  EXPECT_EQ(parse_error(deep).substr(parse_error(deep).rfind('\n') + 1), "error: unopened group");
}

std::string nested_groups(int n, const std::string& inner) {
  return std::string(static_cast<std::size_t>(n), '(') + inner + std::string(static_cast<std::size_t>(n), ')');
}

TEST(NestLimit, DeepestAcceptedAndFirstRefused) {
  EXPECT_EQ(parse_error(nested_groups(250, "a")), "<parsed>");
  EXPECT_EQ(parse_error(nested_groups(251, "")),
            one_line_block(nested_groups(251, ""), std::string(250, ' ') + "^^",
                           "exceed the maximum number of nested parentheses/brackets (250)"));

  std::string classes = std::string(250, '[') + "a" + std::string(250, ']');
  EXPECT_EQ(parse_error(classes), "<parsed>");
  classes = std::string(251, '[') + "a" + std::string(251, ']');
  EXPECT_EQ(parse_error(classes),
            one_line_block(classes, std::string(250, ' ') + "^^^",
                           "exceed the maximum number of nested parentheses/brackets (250)"));

  // Each repetition adds a level; the innermost one is `a*`.
  EXPECT_EQ(parse_error("a" + std::string(250, '*')), "<parsed>");
  const std::string stars = "a" + std::string(251, '*');
  EXPECT_EQ(parse_error(stars), one_line_block(stars, "^^", "exceed the maximum number of nested "
                                                            "parentheses/brackets (250)"));

  // A concatenation inside a group is a level of its own.
  EXPECT_EQ(parse_error(nested_groups(249, "ab")), "<parsed>");
  EXPECT_EQ(parse_error(nested_groups(250, "ab")),
            one_line_block(nested_groups(250, "ab"), std::string(250, ' ') + "^^",
                           "exceed the maximum number of nested parentheses/brackets (250)"));
  // A flag directive adds nothing.
  EXPECT_EQ(parse_error(nested_groups(250, "(?i)")), "<parsed>");
}

// Far deeper than any call stack could follow: refused with the limit's
// message, never walked recursively.
TEST(NestLimit, HugeDepthsAreRefusedSafely) {
  const int n = 50000;
  for (const std::string& p : {nested_groups(n, "a"),
                               std::string(n, '[') + "a" + std::string(n, ']'),
                               "a" + std::string(n, '+')}) {
    EXPECT_TRUE(parse_error(p).ends_with("error: exceed the maximum number of nested "
                                         "parentheses/brackets (250)"));
  }
  EXPECT_TRUE(parse_error(std::string(n, '(')).ends_with("error: unclosed group"));
}

TEST(NestLimit, CountsTheLevelsTheCrateCounts) {
  struct Case {
    std::string pattern;
    unsigned limit;
    std::optional<Span> span;
  };
  const std::vector<Case> cases = {
      {"(a)+", 1, Span{0, 3}}, {"[ab]", 1, Span{1, 3}}, {"a", 0, std::nullopt},
      {"ab", 0, Span{0, 2}},   {"a|b", 0, Span{0, 3}},  {"a+", 0, Span{0, 2}},
      {"[a]", 0, Span{0, 3}},  {"[a&&b]", 1, Span{1, 5}}, {"[a[b]]", 2, Span{2, 5}},
  };
  for (const Case& c : cases) {
    Result<Parsed> r = parse(c.pattern);
    ASSERT_TRUE(std::holds_alternative<Parsed>(r)) << c.pattern;
    EXPECT_EQ(find_too_deep(std::get<Parsed>(r).ast(), c.limit), c.span) << c.pattern;
  }
}

TEST(ParseAccepts, FormsTheCrateAccepts) {
  for (const char* p : {"", "a{ 2 , 3 }", "\\b{5}", "a**", "a{2}{3}", "a?+", "^*", "[]a]", "[^]a]",
                        "[a-]", "[-a]", "[a&&]", "[[:alpha:][:^digit:]]", "[:alpha:]", "\\%\\/\\ \\_",
                        "(?x) a b # comment\n c", "(?x)a{ 1 }", "(?x)\\x 4 1", "\\x{0000000041}",
                        "(?P<a.b[1]>x)(?<\xC3\xA9\xC3\xA8>y)", "\\b{start}\\b{end-half}\\<\\>", "()|",
                        "(?i-u:a)", "(?imsUuRx)", "\\pL\\p{Greek}\\P{sc=Grek}\\p{ age = 6.0 }"}) {
    EXPECT_EQ(parse_error(p), "<parsed>") << p;
  }
}

TEST(ErrorDebug, RendersLikeTheCrate) {
  const Error syntax{Error::Kind::Syntax, "regex parse error:\n    (\n    ^\nerror: unclosed group"};
  EXPECT_EQ(syntax.debug(), "Syntax(\n" + kDivider + "\n" + syntax.message + "\n" + kDivider + "\n)");
  const Error big{Error::Kind::CompiledTooBig, "Compiled regex exceeds size limit of 10485760 bytes."};
  EXPECT_EQ(big.debug(), "CompiledTooBig(10485760)");
}

}  // namespace
}  // namespace kc::regex::syntax
