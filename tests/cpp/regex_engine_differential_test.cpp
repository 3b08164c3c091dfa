// Random patterns over random multilingual texts: RE2, the prefiltered
// fallback and the bare Pike VM must report the same find_iter matches and
// the same set answers.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "regex/hir/hir.h"
#include "regex/regex.h"
#include "regex/testing.h"
#include "regex_engine_test_util.h"
#include "unicode/ucd_sets.h"
#include "regex/util/utf8.h"

namespace kc::regex {
namespace {

using hir::Hir;
using hir::Look;
using testing::Path;
using test_util::Spans;

std::vector<hir::ClassRange> perl_word_ranges() {
  std::vector<hir::ClassRange> r;
  for (const unicode::Range& range : unicode::perl_word()) r.push_back({range.lo, range.hi});
  return r;
}

// Characters the texts are made of, by script; patterns draw from them too.
const std::vector<std::string> kAlphabets[] = {
    {"a", "b", "c", "A", "B", "x", " ", "_", "1", ".", "\n"},
    {"\xC3\xA9", "\xC3\x89", "\xC3\xA0", "\xC3\xB1", "e", "a", " "},                    // é É à ñ
    {"\xD0\xB4", "\xD0\xB0", "\xD0\x94", "\xD1\x8F", " ", "a"},                          // д а Д я
    {"\xE6\x97\xA5", "\xE6\x9C\xAC", "\xE3\x80\x82", "a", " "},                         // 日 本 。
    {"\xF0\x9F\x98\x80", "\xE2\x80\x8D", "\xE2\x80\x9C", "\xE2\x80\x9D", "a", " ", "\r\n"},  // 😀 ZWJ “ ”
};
// Non-ASCII characters on both sides of the word / non-word divide, for texts
// that take the set's non-ASCII plan: é, combining acute, Arabic-Indic three
// (Nd), ZWJ, ·, no-break space, «.
const std::vector<std::string> kEdgeChars = {"\xC3\xA9", "\xCC\x81", "\xD9\xA3", "\xE2\x80\x8D",
                                             "\xC2\xB7", "\xC2\xA0", "\xC2\xAB", "a",  "b", "1", "_", " ", "-"};

char32_t first_char(const std::string& s) {
  std::size_t len;
  return util::decode_at(s, 0, &len);
}

class Generator {
 public:
  explicit Generator(unsigned seed) : rng_(seed) {}

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  std::string text() {
    const auto& main = kAlphabets[pick(5)];
    std::string out;
    int len = pick(24);
    for (int i = 0; i < len; ++i) {
      const auto& alphabet = pick(4) == 0 ? kAlphabets[0] : main;
      out += alphabet[pick(static_cast<int>(alphabet.size()))];
    }
    return out;
  }

  // A text with at least one non-ASCII character.
  std::string edge_text() {
    std::string out = kEdgeChars[pick(7)];
    for (int n = pick(10); n > 0; --n) {
      std::string c = kEdgeChars[pick(static_cast<int>(kEdgeChars.size()))];
      out = pick(2) ? out + c : c + out;
    }
    return out;
  }

  // A pattern with Unicode \b or \B at its edges, the shape set membership
  // rewrites: an optional edge assertion, a body, another optional one;
  // sometimes in a capture or a top-level alternation.
  Hir edge_pattern() {
    if (pick(5) == 0) return Hir::alternation({edge_pattern(), edge_pattern()});
    std::vector<Hir> subs;
    if (pick(4) != 0) subs.push_back(Hir::look_of(pick(3) ? Look::WordUnicode : Look::WordUnicodeNegate));
    switch (pick(4)) {
      case 0: {
        std::string s;
        for (int n = 1 + pick(3); n > 0; --n) s += kEdgeChars[pick(static_cast<int>(kEdgeChars.size()))];
        subs.push_back(Hir::literal_of(s));
        break;
      }
      case 1:
        subs.push_back(Hir::repetition(Hir::class_of(perl_word_ranges()), 1, std::nullopt, true));
        break;
      default:
        subs.push_back(node(1));
        break;
    }
    if (pick(4) != 0) subs.push_back(Hir::look_of(pick(3) ? Look::WordUnicode : Look::WordUnicodeNegate));
    Hir h = Hir::concat(std::move(subs));
    return pick(6) == 0 ? Hir::capture(std::move(h), 1, "") : h;
  }

  std::string some_char() {
    const auto& alphabet = kAlphabets[pick(5)];
    std::string c = alphabet[pick(static_cast<int>(alphabet.size()))];
    return c == "\r\n" ? "\r" : c;
  }

  Hir node(int depth) {
    int choice = depth <= 0 ? pick(4) : pick(10);
    switch (choice) {
      case 0: {
        std::string s;
        for (int n = 1 + pick(3); n > 0; --n) s += some_char();
        return Hir::literal_of(s);
      }
      case 1:
        return Hir::class_of(random_class());
      case 2:
        return Hir::look_of(random_look());
      case 3:
        return Hir::class_of(random_class());
      case 4:
      case 5: {
        std::vector<Hir> subs;
        for (int n = 2 + pick(2); n > 0; --n) subs.push_back(node(depth - 1));
        return Hir::concat(std::move(subs));
      }
      case 6: {
        std::vector<Hir> subs;
        for (int n = 2 + pick(2); n > 0; --n) subs.push_back(pick(6) == 0 ? Hir::empty() : node(depth - 1));
        return Hir::alternation(std::move(subs));
      }
      default: {
        std::uint32_t min = pick(3);
        std::optional<std::uint32_t> max;
        switch (pick(4)) {
          case 0: max = min; break;
          case 1: max = min + pick(3); break;
          case 2: max = std::max<std::uint32_t>(min, 1); break;
          default: break;
        }
        return Hir::repetition(node(depth - 1), min, max, pick(3) != 0);
      }
    }
  }

 private:
  std::vector<hir::ClassRange> random_class() {
    switch (pick(6)) {
      case 0:
        return perl_word_ranges();
      case 1:
        return {{0, 9}, {11, 0x10FFFF}};  // . without (?s)
      case 2:
        return {{'\t', '\r'}, {' ', ' '}};
      case 3:
        return {{'0', '9'}, {'A', 'Z'}, {'a', 'z'}, {0xC0, 0x24F}};
      case 4: {
        char32_t c = first_char(some_char());
        return {{c, c}};
      }
      default: {
        char32_t a = first_char(some_char()), b = first_char(some_char());
        if (a > b) std::swap(a, b);
        return {{a, b}};
      }
    }
  }

  Look random_look() {
    static const Look kLooks[] = {Look::WordUnicode, Look::WordUnicodeNegate, Look::WordUnicode,
                                  Look::StartLF,     Look::EndLF,             Look::Start,
                                  Look::End,         Look::WordAscii,         Look::WordStartUnicode,
                                  Look::WordEndHalfUnicode, Look::StartCRLF,  Look::EndCRLF};
    return kLooks[pick(static_cast<int>(std::size(kLooks)))];
  }

  std::mt19937 rng_;
};

// A compact rendering of a pattern for failure messages.
std::string show(const Hir& h) {
  std::string out;
  switch (h.kind) {
    case hir::Kind::Empty: return "()";
    case hir::Kind::Literal: return h.literal;
    case hir::Kind::Class:
      if (h.ranges.size() > 4) return "[" + std::to_string(h.ranges.size()) + " ranges]";
      out = "[";
      for (const auto& r : h.ranges) out += std::to_string(r.lo) + "-" + std::to_string(r.hi) + ",";
      return out + "]";
    case hir::Kind::Look: return "<look" + std::to_string(static_cast<int>(h.look)) + ">";
    case hir::Kind::Repetition:
      return "(" + show(h.subs[0]) + "){" + std::to_string(h.min) + "," +
             (h.max ? std::to_string(*h.max) : "") + "}" + (h.greedy ? "" : "?");
    case hir::Kind::Capture: return "(" + show(h.subs[0]) + ")";
    case hir::Kind::Concat:
      for (const Hir& sub : h.subs) out += "(" + show(sub) + ")";
      return out;
    case hir::Kind::Alternation:
      for (const Hir& sub : h.subs) out += (out.empty() ? "(" : "|") + show(sub);
      return out + ")";
  }
  return out;
}

// Each of `hirs` compiled alone.
std::vector<Regex> singles_of(const std::vector<Hir>& hirs) {
  std::vector<Regex> out;
  for (const Hir& h : hirs) out.push_back(std::move(std::get<Regex>(testing::regex_from_hir(h))));
  return out;
}

// The indices of `singles` that match `text`, by the bare Pike VM.
std::vector<std::size_t> pike_matching(const std::vector<Regex>& singles, const std::string& text) {
  testing::ScopedPath path(Path::PikeVm);
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < singles.size(); ++i)
    if (singles[i].is_match(text)) out.push_back(i);
  return out;
}

// KC_SEED=<n> in the environment runs a longer search with another seed.
TEST(RegexEngineDifferential, AllPathsAgreeOnRandomPatterns) {
  Generator gen(test_util::seed_or(20261207));
  int compared = 0, with_matches = 0;
  for (int p = 0; p < test_util::rounds(1500, 30000); ++p) {
    Hir h = gen.node(3);
    Result<Regex> made = testing::regex_from_hir(h);
    ASSERT_TRUE(std::holds_alternative<Regex>(made));
    const Regex& re = std::get<Regex>(made);
    for (int t = 0; t < 6; ++t) {
      std::string text = gen.text();
      Spans want;
      ASSERT_TRUE(test_util::paths_agree(re, text, &want)) << "pattern " << p << " " << show(h) << " text '" << text << "'";
      ++compared;
      with_matches += !want.empty();
    }
  }
  // The generator must exercise matches, not only misses.
  EXPECT_GT(with_matches, compared / 3);
}

TEST(RegexEngineDifferential, SetsAgreeWithTheirPatterns) {
  Generator gen(7);
  for (int s = 0; s < 150; ++s) {
    std::vector<Hir> hirs;
    for (int n = gen.pick(6); n > 0; --n) hirs.push_back(gen.node(2));
    Result<RegexSet> made = testing::regex_set_from_hirs(hirs);
    ASSERT_TRUE(std::holds_alternative<RegexSet>(made));
    std::vector<Regex> singles = singles_of(hirs);
    for (int t = 0; t < 6; ++t) {
      std::string text = gen.text();
      std::vector<std::size_t> want = pike_matching(singles, text);
      for (Path path : {Path::Normal, Path::Fallback}) {
        testing::ScopedPath scoped(path);
        const RegexSet& set = std::get<RegexSet>(made);
        ASSERT_EQ(set.matches(text), want) << "set " << s << " text '" << text << "'";
        ASSERT_EQ(set.is_match(text), !want.empty());
      }
    }
  }
}

// Patterns with word assertions at their edges, in sets, over non-ASCII
// texts: the set decides membership without spans, and must agree with each
// pattern run alone by the Pike VM.
TEST(RegexEngineDifferential, EdgeWordAssertionSetsAgreeOnNonAsciiText) {
  Generator gen(test_util::seed_or(31));
  int texts = 0, hits = 0;
  for (int s = 0; s < test_util::rounds(120, 6000); ++s) {
    std::vector<Hir> hirs;
    for (int n = 1 + gen.pick(4); n > 0; --n) hirs.push_back(gen.edge_pattern());
    Result<RegexSet> made = testing::regex_set_from_hirs(hirs);
    ASSERT_TRUE(std::holds_alternative<RegexSet>(made));
    const RegexSet& set = std::get<RegexSet>(made);
    std::vector<Regex> singles = singles_of(hirs);
    for (int t = 0; t < 8; ++t) {
      std::string text = gen.edge_text();
      std::vector<std::size_t> want = pike_matching(singles, text);
      std::string shown;
      for (const Hir& h : hirs) shown += show(h) + "  ";
      ASSERT_EQ(set.matches(text), want) << "set " << s << " " << shown << "text '" << text << "'";
      ASSERT_EQ(set.is_match(text), !want.empty()) << "set " << s << " " << shown << "text '" << text << "'";
      ++texts;
      hits += !want.empty();
    }
  }
  // Both answers must be common for the comparison to mean something.
  EXPECT_GT(hits, texts / 4);
  EXPECT_LT(hits, texts * 3 / 4);
}

}  // namespace
}  // namespace kc::regex
