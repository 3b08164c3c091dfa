// Whole-string lower-casing (see case.h).
#include "unicode/case.h"

#include <cstdint>
#include <cstring>

#include "unicode/properties.h"
#include "unicode/utf8.h"

namespace kc::unicode {
namespace {

constexpr char32_t kCapitalSigma = 0x03A3;

// Lower-cases ASCII eight bytes at a time: a byte b is upper case when
// b + (0x80 - 'A') sets bit 7 and b + (0x80 - 'Z' - 1) does not; no byte
// carries into the next because every byte is below 0x80.
void append_ascii_lower(std::string_view ascii, std::string& out) {
  const std::size_t base = out.size();
  out.resize(base + ascii.size());
  char* dst = out.data() + base;
  std::size_t i = 0;
  for (; i + 8 <= ascii.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, ascii.data() + i, 8);
    const std::uint64_t upper =
        (w + 0x3F3F3F3F3F3F3F3Full) & ~(w + 0x2525252525252525ull) & 0x8080808080808080ull;
    w |= upper >> 2;
    std::memcpy(dst + i, &w, 8);
  }
  for (; i < ascii.size(); ++i) {
    const auto b = static_cast<unsigned char>(ascii[i]);
    dst[i] = static_cast<char>(static_cast<unsigned>(b) - 'A' < 26u ? b + 0x20 : b);
  }
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
  out.reserve(out.size() + text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      const std::size_t end = skip_ascii(text, i);
      append_ascii_lower(text.substr(i, end - i), out);
      i = end;
      continue;
    }
    const std::size_t start = i;
    const char32_t c = decode_utf8(text, i);
    if (c == kCapitalSigma) {
      append_utf8(out, is_final_sigma(text, start, i) ? 0x03C2 : 0x03C3);
      continue;
    }
    char32_t mapped[3];
    const int n = lower_full(c, mapped);
    if (n == 1 && mapped[0] == c) {
      out.append(text.data() + start, i - start);
    } else {
      for (int k = 0; k < n; ++k) append_utf8(out, mapped[k]);
    }
  }
}

}  // namespace kc::unicode
