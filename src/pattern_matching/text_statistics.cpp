// Single character pass for the fixed statistics. ASCII never decodes or
// consults the Unicode tables: runs of 16-byte ASCII blocks are classified
// with SSE2 where available, other ASCII bytes through a table; counters are
// packed so the loop does not branch on the character.
#include "pattern_matching/text_statistics.h"

#include <algorithm>
#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Character by character, the counts are added into one 64-bit word of 12-bit
// fields, one per counter, so the loop does not branch on the class; the
// fields are moved into the 64-bit counters before any of them can overflow.
constexpr int kFieldBits = 12;
constexpr std::size_t kFlushBytes = (std::size_t{1} << kFieldBits) - 1;  // the largest field value
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

// Words end where whitespace follows a non-whitespace character; `in_word` is
// 1 while the previous character was not whitespace.
struct WordEnds {
  std::uint64_t words = 0;
  std::uint64_t in_word = 0;
  void add(std::uint8_t k) {
    const std::uint64_t space = (k & kSpace) != 0;
    words += in_word & space;
    in_word = space ^ 1;
  }
};

#if defined(__SSE2__)
constexpr std::size_t kBlock = 16;
constexpr int kMaxBlocks = 255;  // byte-wise vector counters hold up to 255

std::uint64_t sum_bytes(__m128i counters) {
  const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
  return static_cast<std::uint64_t>(_mm_cvtsi128_si32(sums)) +
         static_cast<std::uint64_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
}

// Counts the blocks of 16 bytes from `i` on while they are all ASCII (the
// classes of kAsciiClasses) and returns where it stopped: at the first block
// with a non-ASCII byte, or fewer than 16 bytes before the end.
std::size_t count_ascii_blocks(std::string_view text, std::size_t i, CharacterCounts& n, WordEnds& ends) {
  auto ascii_block_at = [&](std::size_t at) {
    return at + kBlock <= text.size() &&
           _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at))) == 0;
  };
  // Mixed text comes here every few bytes: leave cheaply.
  if (!ascii_block_at(i)) return i;
  const __m128i ones = _mm_set1_epi8(-1);
  // Byte 15 set: the character before the next block is not whitespace.
  __m128i last_non_space = _mm_slli_si128(_mm_cvtsi32_si128(ends.in_word ? 0xFF : 0), 15);
  bool more = true;
  while (more) {
    __m128i line_feeds = _mm_setzero_si128(), letters = line_feeds, capitals = line_feeds, specials = line_feeds,
            word_chars = line_feeds, word_ends = line_feeds;
    int blocks = 0;
    for (; blocks < kMaxBlocks && ascii_block_at(i); ++blocks, i += kBlock) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
      auto in_range = [&](char lo, char width) {  // lo <= byte <= lo + width
        const __m128i x = _mm_sub_epi8(v, _mm_set1_epi8(lo));
        return _mm_cmpeq_epi8(_mm_min_epu8(x, _mm_set1_epi8(width)), x);
      };
      const __m128i capital = in_range('A', 25);
      const __m128i letter = _mm_or_si128(capital, in_range('a', 25));
      const __m128i space = _mm_or_si128(in_range('\t', 4), _mm_cmpeq_epi8(v, _mm_set1_epi8(' ')));
      const __m128i non_space = _mm_xor_si128(space, ones);
      const __m128i alnum = _mm_or_si128(letter, in_range('0', 9));
      // Byte j of `before` is set when the byte before byte j was not whitespace.
      const __m128i before = _mm_or_si128(_mm_slli_si128(non_space, 1), _mm_srli_si128(last_non_space, 15));
      // Set bytes are -1: subtracting a mask counts them.
      line_feeds = _mm_sub_epi8(line_feeds, _mm_cmpeq_epi8(v, _mm_set1_epi8('\n')));
      letters = _mm_sub_epi8(letters, letter);
      capitals = _mm_sub_epi8(capitals, capital);
      specials = _mm_sub_epi8(specials, _mm_xor_si128(_mm_or_si128(alnum, space), ones));
      word_chars = _mm_sub_epi8(word_chars, non_space);
      word_ends = _mm_sub_epi8(word_ends, _mm_and_si128(space, before));
      last_non_space = non_space;
    }
    more = blocks == kMaxBlocks;
    n.line_feeds += sum_bytes(line_feeds);
    n.letters += sum_bytes(letters);
    n.capitals += sum_bytes(capitals);
    n.specials += sum_bytes(specials);
    n.word_chars += sum_bytes(word_chars);
    ends.words += sum_bytes(word_ends);
  }
  ends.in_word = (static_cast<unsigned>(_mm_movemask_epi8(last_non_space)) >> 15) & 1;
  return i;
}

// Scalar stretches between vector runs: after a block that is not all ASCII,
// a few blocks' worth, so mixed text does not try the vector path at every block.
constexpr std::size_t kScalarBytes = 4 * kBlock;
#else
constexpr std::size_t kScalarBytes = kFlushBytes;
#endif

void flush(std::uint64_t& packed, CharacterCounts& n) {
  n.line_feeds += field(packed, kLineFeedField);
  n.letters += field(packed, kLetterField);
  n.capitals += field(packed, kCapitalField);
  n.specials += field(packed, kSpecialField);
  n.word_chars += field(packed, kWordCharField);
  packed = 0;
}

}  // namespace

CharacterCounts count_characters(std::string_view text) {
  CharacterCounts n;
  WordEnds ends;
  std::uint64_t packed = 0;
  std::size_t unflushed = 0;  // bytes counted into `packed`, at least its largest field
  std::size_t i = 0;
  while (i < text.size()) {
#if defined(__SSE2__)
    i = count_ascii_blocks(text, i, n, ends);
#endif
    const std::size_t end = std::min(text.size(), i + kScalarBytes);
    // A character starting before `end` may run 3 bytes past it.
    if (unflushed + (end - i) + 3 > kFlushBytes) {
      flush(packed, n);
      unflushed = 0;
    }
    const std::size_t start = i;
    while (i < end) {
      const auto byte = static_cast<unsigned char>(text[i]);
      std::uint8_t k;
      if (byte < 0x80) {
        k = kAsciiClasses[byte];
        ++i;
      } else {
        k = classify(unicode::decode_utf8(text, i));
      }
      packed += kIncrements[k];
      ends.add(k);
    }
    unflushed += i - start;
  }
  flush(packed, n);
  n.words = ends.words + ends.in_word;
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
