// The fused normaliser.
#include "normalizer/normalizer.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "unicode/case.h"
#include "unicode/nfkc.h"
#include "unicode/utf8.h"

namespace kc::normalizer {

namespace {

// The 28 invisible and formatting code points that are dropped. Tested by
// direct comparison; U+2065 (unassigned) is inside U+2060..U+2069 but kept.
inline bool is_invisible(char32_t c) {
  if (c < 0x00AD) return false;
  switch (c) {
    case 0x00AD: case 0x034F: case 0x061C: case 0x115F: case 0x1160: case 0x17B4:
    case 0x17B5: case 0x180E: case 0x200B: case 0x200C: case 0x200D: case 0x202A:
    case 0x202B: case 0x202C: case 0x202D: case 0x202E: case 0x2060: case 0x2061:
    case 0x2062: case 0x2063: case 0x2064: case 0x2066: case 0x2067: case 0x2068:
    case 0x2069: case 0x3164: case 0xFEFF: case 0xFFA0:
      return true;
    default:
      return false;
  }
}

// The 25 White_Space code points.
inline bool is_whitespace(char32_t c) {
  if (c <= 0x20) return c == 0x20 || (c >= 0x09 && c <= 0x0D);
  if (c < 0x85) return false;
  return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 ||
         c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// Of eight bytes (little-endian), how many leading ones are "plain": ASCII
// above the space, so neither whitespace nor invisible, and lower-cased alone.
inline unsigned plain_ascii_prefix(std::uint64_t w) {
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  // Bytes >= 0x80 or < 0x21 get their high bit set; a borrow can only flag
  // bytes after the first such byte, so the lowest flag is exact.
  const std::uint64_t flags = (w | (w - kOnes * 0x21)) & kHigh;
  return flags == 0 ? 8 : static_cast<unsigned>(__builtin_ctzll(flags)) / 8;
}

// True when all eight bytes lie in 0x20..0x7F.
inline bool printable_ascii_word(std::uint64_t w) {
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  return ((w | (w - kOnes * 0x20)) & kHigh) == 0;
}

// The high bit of each byte of `w` that equals 0x20 (exact, no borrows).
inline std::uint64_t space_bytes(std::uint64_t w) {
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  const std::uint64_t x = w ^ 0x2020202020202020ULL;
  return ~(((x & kLow7) + kLow7) | x) & kHigh;
}

// Lower-cases eight ASCII bytes: adds 0x20 to each byte in 'A'..'Z'.
inline std::uint64_t lower_ascii_word(std::uint64_t w) {
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  const std::uint64_t at_least_a = w + kOnes * (0x80 - 'A');
  const std::uint64_t above_z = w + kOnes * (0x80 - 'Z' - 1);
  return w + (((at_least_a ^ above_z) & kHigh) >> 2);
}

}  // namespace

std::string normalize_text(std::string_view text) {
  std::string nfkc;
  nfkc.reserve(text.size());
  kc::unicode::nfkc(text, nfkc);
  std::string out;
  if (nfkc.empty()) return out;
  static_assert(std::endian::native == std::endian::little, "the word scan assumes little-endian");

  // Written through a raw cursor; the buffer starts at the intermediate's size
  // and grows only when lower-casing lengthens a character's encoding.
  constexpr std::size_t kSlack = 12;  // room for one lowered character (3 x 4 bytes)
  out.resize(nfkc.size() + kSlack);
  char* base = out.data();
  std::size_t w = 0;
  auto ensure_room = [&](std::size_t more) {
    if (w + more > out.size()) {
      out.resize(out.size() * 2 + more);
      base = out.data();
    }
  };

  bool space = true;  // set: a whitespace character appends nothing
  const char* in = nfkc.data();
  const std::size_t n = nfkc.size();
  std::size_t i = 0;
  while (i < n) {
    if (i + 8 <= n) {
      std::uint64_t word;
      std::memcpy(&word, in + i, 8);
      if (printable_ascii_word(word)) {
        // Prose: words and single spaces. When no space of the block is to be
        // dropped, the block is its own lower-cased output.
        const std::uint64_t spaces = space_bytes(word);
        if ((spaces & (spaces << 8)) == 0 && !(space && (spaces & 0x80) != 0)) {
          ensure_room(8);
          word = lower_ascii_word(word);
          std::memcpy(base + w, &word, 8);
          w += 8;
          i += 8;
          space = (spaces >> 63) != 0;
          continue;
        }
      }
      const unsigned plain = plain_ascii_prefix(word);
      if (plain > 0) {
        // All eight lowered bytes are stored; only the plain prefix counts.
        ensure_room(8);
        word = lower_ascii_word(word);
        std::memcpy(base + w, &word, 8);
        w += plain;
        i += plain;
        space = false;
        continue;
      }
    }
    const unsigned char byte = static_cast<unsigned char>(in[i]);
    if (byte < 0x80) {  // ASCII: never invisible, lower-cases alone
      ++i;
      if (byte == ' ' || (byte >= 0x09 && byte <= 0x0D)) {
        if (!space) {
          ensure_room(1);
          base[w++] = ' ';
        }
        space = true;
      } else {
        ensure_room(1);
        base[w++] = static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + 32 : byte);
        space = false;
      }
      continue;
    }
    const char32_t c = kc::unicode::decode_utf8(nfkc, i);
    if (is_invisible(c)) continue;
    if (is_whitespace(c)) {
      if (!space) {
        ensure_room(1);
        base[w++] = ' ';
      }
      space = true;
      continue;
    }
    char32_t lowered[3];
    const int count = kc::unicode::lower_full(c, lowered);
    ensure_room(kSlack);
    for (int k = 0; k < count; ++k) {
      const char32_t l = lowered[k];
      if (l < 0x80) {
        base[w++] = static_cast<char>(l);
      } else if (l < 0x800) {
        base[w++] = static_cast<char>(0xC0 | (l >> 6));
        base[w++] = static_cast<char>(0x80 | (l & 0x3F));
      } else if (l < 0x10000) {
        base[w++] = static_cast<char>(0xE0 | (l >> 12));
        base[w++] = static_cast<char>(0x80 | ((l >> 6) & 0x3F));
        base[w++] = static_cast<char>(0x80 | (l & 0x3F));
      } else {
        base[w++] = static_cast<char>(0xF0 | (l >> 18));
        base[w++] = static_cast<char>(0x80 | ((l >> 12) & 0x3F));
        base[w++] = static_cast<char>(0x80 | ((l >> 6) & 0x3F));
        base[w++] = static_cast<char>(0x80 | (l & 0x3F));
      }
    }
    space = false;
  }
  if (w > 0 && base[w - 1] == ' ') --w;
  out.resize(w);
  return out;
}

}  // namespace kc::normalizer
