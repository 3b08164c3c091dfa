#include "unicode/nfkc.h"

#include <gtest/gtest.h>

#include "ucd_test_support.h"
#include "unicode/properties.h"
#include "unicode/utf8.h"

namespace kc::unicode {
namespace {

using namespace kc::unicode::testing;

std::string nfkc_of(const std::string& s) {
  std::string out;
  nfkc(s, out);
  return out;
}

std::string hex(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%s%04X", out.empty() ? "" : " ", static_cast<unsigned>(decode_utf8(s, i)));
    out += buf;
  }
  return out;
}

// NormalizationTest.txt: c4 == NFKC(c1) == ... == NFKC(c5) on every line, and
// every code point that part 1 does not list is its own NFKC.
TEST(UnicodeNfkc, PassesNormalizationTest) {
  KC_REQUIRE_UCD_FILE(path, "NormalizationTest.txt");
  std::ifstream in(path);
  std::string line;
  std::vector<bool> listed(kCodePoints);
  bool part1 = false;
  std::size_t lines = 0, failures = 0;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    if (trim(line).empty()) continue;
    if (line[0] == '@') {
      part1 = line.starts_with("@Part1");
      continue;
    }
    std::vector<std::string> cols;
    std::stringstream ss(line);
    std::string col;
    while (std::getline(ss, col, ';')) cols.push_back(col);
    ASSERT_GE(cols.size(), 5u) << line;
    const std::string c4 = utf8(parse_cps(cols[3]));
    for (int k = 0; k < 5; ++k) {
      const std::string got = nfkc_of(utf8(parse_cps(cols[k])));
      if (got != c4 && ++failures <= 10)
        ADD_FAILURE() << "NFKC(c" << k + 1 << ") of line '" << line << "' gave " << hex(got);
    }
    if (part1) listed[parse_cps(cols[0])[0]] = true;
    ++lines;
  }
  EXPECT_GT(lines, 20000u);
  for (char32_t c = 0; c < kCodePoints; ++c) {
    if (listed[c] || (c >= 0xD800 && c <= 0xDFFF)) continue;
    const std::string s = utf8({c});
    if (nfkc_of(s) != s && ++failures <= 10) ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(c) << " changed";
  }
  EXPECT_EQ(failures, 0u);
}

// Python's unicodedata.normalize('NFKC') on random strings of characters that
// the interpreter's Unicode version assigns, weighted towards the characters
// that make normalisation work: marks, decomposables and Hangul.
TEST(UnicodeNfkc, AgreesWithPythonOnRandomStrings) {
  const auto oracle = run_python(
      "import random, sys, unicodedata as u\n"
      "assigned = [c for c in range(0x110000) if u.category(chr(c)) not in ('Cn', 'Cs')]\n"
      "marks = [c for c in assigned if u.combining(chr(c))]\n"
      "decomposable = [c for c in assigned if u.decomposition(chr(c))]\n"
      "hangul = [c for c in assigned if 0x1100 <= c <= 0x11FF or 0xAC00 <= c <= 0xD7A3]\n"
      "ascii = list(range(0x20, 0x7F))\n"
      "pools = [assigned, marks, decomposable, hangul, ascii]\n"
      "rng = random.Random(20261207)\n"
      "for _ in range(20000):\n"
      "    s = ''.join(chr(rng.choice(rng.choice(pools))) for _ in range(rng.randint(1, 12)))\n"
      "    t = u.normalize('NFKC', s)\n"
      "    print(' '.join('%X' % ord(x) for x in s) + ';' + ' '.join('%X' % ord(x) for x in t))\n");
  if (!oracle) GTEST_SKIP() << "python3 (or $KC_PYTHON) is not available to serve as the oracle";
  std::stringstream lines(*oracle);
  std::string line;
  std::size_t compared = 0, changed = 0, failures = 0;
  while (std::getline(lines, line)) {
    const auto semi = line.find(';');
    const std::string input = utf8(parse_cps(line.substr(0, semi)));
    const std::string expected = utf8(parse_cps(line.substr(semi + 1)));
    const std::string got = nfkc_of(input);
    if (got != expected && ++failures <= 10)
      ADD_FAILURE() << "NFKC(" << hex(input) << ") gave " << hex(got) << ", Python " << hex(expected);
    ++compared;
    changed += input != expected;
  }
  EXPECT_EQ(failures, 0u);
  EXPECT_EQ(compared, 20000u);
  EXPECT_GT(changed, 5000u);
}

TEST(UnicodeNfkc, CopiesNormalRunsAndAppends) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""},
      {"plain ASCII text, 123.", "plain ASCII text, 123."},
      {"e\u0301", "\u00E9"},                               // composes across the ASCII run's end
      {"cafe\u0301 na\u00EFve", "caf\u00E9 na\u00EFve"},
      {"\uFB01 \u212A \uFF28\uFF49 \u00BD", "fi K Hi 1\u20442"},
      {"\u1100\u1161\u11A8", "\uAC01"},                    // Hangul LV + T
      {"\uAC00\u11A8", "\uAC01"},
      {"a\u0323\u0302\u0301b", "\u1EAD\u0301b"},           // reordered, then composed
      {"a\u0302\u0323", "\u1EAD"},
      {"\u0301\u0301e", "\u0301\u0301e"},                  // leading marks stay
      {"\u0344", "\u0308\u0301"},                           // non-starter decomposition
      {"\u2126\u00C5\u212B", "\u03A9\u00C5\u00C5"},        // singletons
      {"\u3000\u00A0x", "  x"},
  };
  for (const auto& tc : cases) {
    std::string out = "prefix|";
    nfkc(tc.in, out);
    EXPECT_EQ(out, std::string("prefix|") + tc.out) << hex(tc.in);
  }
}

TEST(UnicodeNfkc, LongRunOfMarksIsOrdered) {
  // Alternating classes 230 and 220 force a sort over one long run.
  std::string in = "a";
  for (int k = 0; k < 5000; ++k) in += "\u0301\u0316";
  std::string out = nfkc_of(in);
  // The first acute composes with the a; the rest follow the grave-below marks.
  std::string want = "\u00E1";
  for (int k = 0; k < 5000; ++k) want += "\u0316";
  for (int k = 1; k < 5000; ++k) want += "\u0301";
  EXPECT_EQ(out, want);
}

}  // namespace
}  // namespace kc::unicode
