// Whole-string lower-casing (see case.h).
#include "unicode/case.h"

#include <cstdint>
#include <cstring>

#include "unicode/properties.h"
#include "unicode/utf8.h"

namespace kc::unicode {
namespace {

constexpr char32_t kCapitalSigma = 0x03A3;

// Lower-cases `len` ASCII bytes from `src` to `dst`, eight at a time: a byte
// b is upper case when b + (0x80 - 'A') sets bit 7 and b + (0x80 - 'Z' - 1)
// does not; no byte carries into the next because every byte is below 0x80.
void lower_ascii(const unsigned char* src, std::size_t len, char* dst) {
  std::size_t i = 0;
  for (; i + 8 <= len; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, src + i, 8);
    const std::uint64_t upper =
        (w + 0x3F3F3F3F3F3F3F3Full) & ~(w + 0x2525252525252525ull) & 0x8080808080808080ull;
    w |= upper >> 2;
    std::memcpy(dst + i, &w, 8);
  }
  for (; i < len; ++i) dst[i] = static_cast<char>(static_cast<unsigned>(src[i]) - 'A' < 26u ? src[i] + 0x20 : src[i]);
}

// Start of the character that ends just before byte `end`.
std::size_t previous_char(std::string_view text, std::size_t end) {
  do {
    --end;
  } while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80);
  return end;
}

// Final_Sigma for the sigma occupying bytes [start, end) of `text`.
bool is_final_sigma(std::string_view text, std::size_t start, std::size_t end) {
  bool cased_before = false;
  for (std::size_t i = start; i > 0;) {
    i = previous_char(text, i);
    std::size_t j = i;
    const char32_t c = decode_utf8(text, j);
    if (is_case_ignorable(c)) continue;
    cased_before = is_cased(c);
    break;
  }
  if (!cased_before) return false;
  for (std::size_t i = end; i < text.size();) {
    const char32_t c = decode_utf8(text, i);
    if (is_case_ignorable(c)) continue;
    return !is_cased(c);
  }
  return true;
}

}  // namespace

void to_lowercase(std::string_view text, std::string& out) {
  // Written through a cursor into `out` sized ahead, not appended piece by
  // piece: prose in accented scripts switches between ASCII and other
  // characters every few bytes. Room is kept for the rest of the text as it
  // is plus one character's longest mapping (three characters of four
  // bytes); ASCII maps byte for byte, so only a character whose mapping is
  // longer than itself can use that room up, and then `out` grows.
  constexpr std::size_t kRoom = 12;
  const std::size_t n = text.size();
  const auto* src = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t o = out.size();
  out.resize(o + n + kRoom);
  char* dst = out.data();
  std::size_t i = 0;
  while (i < n) {
    if (src[i] < 0x80) {
      const std::size_t end = skip_ascii(text, i);
      lower_ascii(src + i, end - i, dst + o);
      o += end - i;
      i = end;
      continue;
    }
    const std::size_t start = i;
    const char32_t c = decode_utf8(text, i);
    if (c == kCapitalSigma) {
      o += write_utf8(dst + o, is_final_sigma(text, start, i) ? 0x03C2 : 0x03C3);
    } else {
      char32_t mapped[3];
      const int count = lower_full(c, mapped);
      if (count == 1 && mapped[0] == c) {
        for (std::size_t k = start; k < i; ++k) dst[o++] = static_cast<char>(src[k]);
      } else {
        for (int k = 0; k < count; ++k) o += write_utf8(dst + o, mapped[k]);
      }
    }
    if (out.size() - o < n - i + kRoom) {
      // The longest mappings grow a character by half (U+0130, two bytes, to
      // three): room for that over the rest of the text.
      out.resize(o + n - i + (n - i) / 2 + kRoom);
      dst = out.data();
    }
  }
  out.resize(o);
}

}  // namespace kc::unicode
