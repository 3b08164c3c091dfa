// Single character pass for the fixed statistics, with an ASCII table so the
// common case never decodes or consults the Unicode tables.
#include "pattern_matching/text_statistics.h"

#include <algorithm>
#include <array>

#include "unicode/properties.h"
#include "unicode/utf8.h"

namespace kc::pattern_matching {
namespace {

enum : std::uint8_t {
  kLineFeed = 1,
  kLetter = 2,
  kCapital = 4,
  kSpecial = 8,
  kSpace = 16,
};

constexpr std::array<std::uint8_t, 128> kAsciiClasses = [] {
  std::array<std::uint8_t, 128> t{};
  for (int c = 0; c < 128; ++c) {
    std::uint8_t k = 0;
    if (c == '\n') k |= kLineFeed;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) k |= kLetter;
    if (c >= 'A' && c <= 'Z') k |= kCapital;
    if ((c >= '\t' && c <= '\r') || c == ' ') k |= kSpace;
    const bool alnum = (k & kLetter) || (c >= '0' && c <= '9');
    if (!alnum && !(k & kSpace)) k |= kSpecial;
    t[c] = k;
  }
  return t;
}();

std::uint8_t classify(char32_t c) {
  std::uint8_t k = 0;
  const bool alphabetic = unicode::is_alphabetic(c);
  if (alphabetic) {
    k |= kLetter;
    if (unicode::is_uppercase(c)) k |= kCapital;
  }
  if (unicode::is_white_space(c)) {
    k |= kSpace;
  } else if (!alphabetic && !unicode::is_numeric(c)) {
    k |= kSpecial;
  }
  return k;
}

}  // namespace

CharacterCounts count_characters(std::string_view text) {
  CharacterCounts n;
  std::uint64_t word = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    std::uint8_t k;
    if (byte < 0x80) {
      k = kAsciiClasses[byte];
      ++i;
    } else {
      k = classify(unicode::decode_utf8(text, i));
    }
    n.line_feeds += (k & kLineFeed) != 0;
    n.letters += (k & kLetter) != 0;
    n.capitals += (k & kCapital) != 0;
    n.specials += (k & kSpecial) != 0;
    if (k & kSpace) {
      if (word > 0) {
        ++n.words;
        n.word_chars += word;
        word = 0;
      }
    } else {
      ++word;
    }
  }
  if (word > 0) {
    ++n.words;
    n.word_chars += word;
  }
  return n;
}

TextStatistics text_statistics(const CharacterCounts& n, std::size_t byte_length) {
  const double len = divisor_length(byte_length);
  TextStatistics s;
  s.text_length = std::min(len / 10000.0, 1.0);
  s.special_char_ratio = static_cast<double>(n.specials) / len;
  s.caps_ratio = n.letters > 0 ? static_cast<double>(n.capitals) / static_cast<double>(n.letters) : 0.0;
  s.newline_density = static_cast<double>(n.line_feeds) / len;
  if (n.words > 0) {
    const double mean = static_cast<double>(n.word_chars) / static_cast<double>(n.words);
    s.avg_word_length = std::min(mean / 20.0, 1.0);
  }
  return s;
}

}  // namespace kc::pattern_matching
