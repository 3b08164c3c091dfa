// Single character pass for the fixed statistics, with an ASCII table so the
// common case never decodes or consults the Unicode tables, and packed
// counters so it does not branch on the character either.
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

// The per-character counts are added into one 64-bit word of 12-bit fields,
// one per counter, so the loop has no data-dependent branch on ASCII text; the
// fields are moved into the 64-bit counters before any of them can overflow.
constexpr int kFieldBits = 12;
constexpr std::size_t kFlushBytes = (std::size_t{1} << kFieldBits) - 1;  // >= characters per chunk
enum Field { kLineFeedField, kLetterField, kCapitalField, kSpecialField, kWordCharField, kFields };
static_assert(kFields * kFieldBits <= 64);

constexpr std::array<std::uint64_t, 32> kIncrements = [] {
  std::array<std::uint64_t, 32> t{};
  for (unsigned k = 0; k < 32; ++k) {
    auto bit = [&](bool on, Field f) { return std::uint64_t{on} << (f * kFieldBits); };
    t[k] = bit(k & kLineFeed, kLineFeedField) | bit(k & kLetter, kLetterField) |
           bit(k & kCapital, kCapitalField) | bit(k & kSpecial, kSpecialField) |
           bit(!(k & kSpace), kWordCharField);
  }
  return t;
}();

std::uint64_t field(std::uint64_t packed, Field f) {
  return (packed >> (f * kFieldBits)) & ((std::uint64_t{1} << kFieldBits) - 1);
}

}  // namespace

CharacterCounts count_characters(std::string_view text) {
  CharacterCounts n;
  std::uint64_t in_word = 0;  // 1 while the previous character was not whitespace
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t chunk_end = std::min(text.size(), i + kFlushBytes);
    std::uint64_t packed = 0;
    while (i < chunk_end) {
      const auto byte = static_cast<unsigned char>(text[i]);
      std::uint8_t k;
      if (byte < 0x80) {
        k = kAsciiClasses[byte];
        ++i;
      } else {
        k = classify(unicode::decode_utf8(text, i));
      }
      packed += kIncrements[k];
      // A word ends where whitespace follows a non-whitespace character.
      const std::uint64_t space = (k & kSpace) != 0;
      n.words += in_word & space;
      in_word = space ^ 1;
    }
    n.line_feeds += field(packed, kLineFeedField);
    n.letters += field(packed, kLetterField);
    n.capitals += field(packed, kCapitalField);
    n.specials += field(packed, kSpecialField);
    n.word_chars += field(packed, kWordCharField);
  }
  n.words += in_word;
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
