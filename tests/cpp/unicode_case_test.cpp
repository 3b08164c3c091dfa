#include "unicode/case.h"

#include <gtest/gtest.h>

#include "ucd_test_support.h"
#include "unicode/properties.h"
#include "unicode/utf8.h"

namespace kc::unicode {
namespace {

using namespace kc::unicode::testing;

// Python's str.lower() per assigned character is the oracle; only characters
// that both Unicode versions assign are compared.
TEST(UnicodeCase, LowerFullAgreesWithPythonOnEveryAssignedCharacter) {
  const auto oracle = run_python(
      "import sys, unicodedata\n"
      "out = []\n"
      "for c in range(0x110000):\n"
      "    ch = chr(c)\n"
      "    if unicodedata.category(ch) in ('Cn', 'Cs'): continue\n"
      "    out.append(' '.join('%X' % ord(x) for x in ch + ch.lower()))\n"
      "sys.stdout.write('\\n'.join(out) + '\\n')\n");
  if (!oracle) GTEST_SKIP() << "python3 (or $KC_PYTHON) is not available to serve as the oracle";
  std::stringstream lines(*oracle);
  std::string line;
  std::size_t compared = 0, changed = 0, mismatches = 0;
  while (std::getline(lines, line)) {
    const std::vector<char32_t> cps = parse_cps(line);
    const char32_t c = cps[0];
    const std::vector<char32_t> expected(cps.begin() + 1, cps.end());
    if (general_category(c) == GeneralCategory::Cn) continue;
    char32_t out[3];
    const int n = lower_full(c, out);
    const std::vector<char32_t> got(out, out + n);
    std::string whole;
    to_lowercase(utf8({c}), whole);
    if ((got != expected || whole != utf8(expected)) && ++mismatches <= 10)
      ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(c) << " lowers differently";
    ++compared;
    changed += expected != std::vector<char32_t>{c};
  }
  EXPECT_EQ(mismatches, 0u);
  EXPECT_GT(compared, 280000u);
  EXPECT_GT(changed, 1400u);
}

TEST(UnicodeCase, LowerFullSpecialCases) {
  const struct {
    char32_t c;
    std::vector<char32_t> lower;
  } cases[] = {
      {U'A', {U'a'}},           {U'z', {U'z'}},           {0x0130, {0x0069, 0x0307}},
      {0x03A3, {0x03C3}},       {0x212A, {U'k'}},         {0x1E9E, {0x00DF}},
      {0x1F88, {0x1F80}},       {0x10400, {0x10428}},     {0x110000, {0x110000}},
  };
  for (const auto& tc : cases) {
    char32_t out[3];
    const int n = lower_full(tc.c, out);
    EXPECT_TRUE(std::vector<char32_t>(out, out + n) == tc.lower) << std::hex << static_cast<unsigned>(tc.c);
  }
}

TEST(UnicodeCase, FinalSigma) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"Σ", "σ"},                      // nothing cased before
      {"ΑΣ", "ας"},                    // word-final
      {"ΑΣΑ", "ασα"},                  // cased letter follows
      {"ΑΣ Α", "ας α"},                // space is neither cased nor ignorable
      {"ΑΣ.", "ας."},                  // ignorable, then the end
      {"ΑΣ.Α", "ασ.α"},                // ignorable, then a cased letter
      {"Α.Σ", "α.ς"},                  // ignorable skipped before
      {"Α'\u0301Σ", "α'\u0301ς"},      // several ignorables before
      {"ΑΣ\u0301", "ας\u0301"},        // combining mark after is ignorable
      {"ΑΣΣ", "ασς"},                  // a sigma is itself cased
      {"1Σ", "1σ"},                    // digits are not cased
      {" Σ ", " σ "},
      {"ΟΔΟΣ ΟΔΟΣ", "οδος οδος"},
      {"aΣ", "aς"},                    // any cased letter counts
      {"\xF0\x90\x90\x80Σ", "\xF0\x90\x90\xA8ς"},
  };
  for (const auto& tc : cases) {
    std::string out;
    to_lowercase(tc.in, out);
    EXPECT_EQ(out, tc.out) << tc.in;
  }
}

TEST(UnicodeCase, ToLowercaseMapsEveryAsciiByteAtEveryAlignment) {
  std::string ascii, expected;
  for (int b = 0; b < 0x80; ++b) {
    ascii.push_back(static_cast<char>(b));
    expected.push_back(static_cast<char>(b >= 'A' && b <= 'Z' ? b + 0x20 : b));
  }
  for (std::size_t shift = 0; shift < 8; ++shift) {
    std::string out;
    to_lowercase(std::string(shift, 'Q') + ascii + "\u00C9" + ascii, out);
    EXPECT_EQ(out, std::string(shift, 'q') + expected + "\u00E9" + expected) << shift;
  }
}

// Mappings longer than their characters, over a long text: the output
// outgrows the room made for the input.
TEST(UnicodeCase, ToLowercaseOutgrowsItsInput) {
  std::string text, expected;
  for (int k = 0; k < 3000; ++k) {
    text += k % 7 == 0 ? "AB" : "\u0130\u023A";         // İ Ⱥ: 2 + 2 bytes
    expected += k % 7 == 0 ? "ab" : "i\u0307\u2C65";  // 3 + 3 bytes
  }
  std::string out = "keep:";
  to_lowercase(text, out);
  EXPECT_EQ(out, "keep:" + expected);
}

TEST(UnicodeCase, ToLowercaseAppendsAndMapsMixedText) {
  std::string out = "keep:";
  to_lowercase("HeLLo İSTANBUL \xE2\x84\xAA\xC3\x89 \x7F@[`{", out);
  EXPECT_EQ(out, "keep:hello i\u0307stanbul k\u00E9 \x7F@[`{");
  out.clear();
  to_lowercase("", out);
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace kc::unicode
