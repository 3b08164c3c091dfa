// normalize_text on any text: the result is valid UTF-8 and equals a plain
// character-by-character pass over the NFKC form (which checks the eight-byte
// ASCII fast paths); it has no leading, trailing or doubled space.
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "normalizer/normalizer.h"
#include "unicode/case.h"
#include "unicode/nfkc.h"
#include "unicode/utf8.h"

namespace {

// The invisible and formatting characters the normaliser drops.
bool dropped(char32_t c) {
  static constexpr char32_t kDropped[] = {
      0x00AD, 0x034F, 0x061C, 0x115F, 0x1160, 0x17B4, 0x17B5, 0x180E, 0x200B, 0x200C,
      0x200D, 0x202A, 0x202B, 0x202C, 0x202D, 0x202E, 0x2060, 0x2061, 0x2062, 0x2063,
      0x2064, 0x2066, 0x2067, 0x2068, 0x2069, 0x3164, 0xFEFF, 0xFFA0};
  for (char32_t d : kDropped)
    if (c == d) return true;
  return false;
}

bool white_space(char32_t c) {
  return c == 0x20 || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

std::string reference(std::string_view text) {
  std::string nfkc, out;
  kc::unicode::nfkc(text, nfkc);
  bool pending_space = false;
  for (std::size_t i = 0; i < nfkc.size();) {
    const char32_t c = kc::unicode::decode_utf8(nfkc, i);
    if (dropped(c)) continue;
    if (white_space(c)) {
      pending_space = !out.empty();
      continue;
    }
    if (pending_space) out += ' ';
    pending_space = false;
    char32_t lowered[3];
    const int n = kc::unicode::lower_full(c, lowered);
    for (int k = 0; k < n; ++k) kc::unicode::append_utf8(out, lowered[k]);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = kc::fuzz::to_utf8({reinterpret_cast<const char*>(data), size});
  const std::string got = kc::normalizer::normalize_text(text);
  kc::fuzz::check(kc::fuzz::is_valid_utf8(got), "invalid UTF-8 from " + kc::fuzz::escaped(text));
  kc::fuzz::check(got.empty() || (got.front() != ' ' && got.back() != ' '), "untrimmed: " + kc::fuzz::escaped(got));
  kc::fuzz::check(got.find("  ") == std::string::npos, "doubled space: " + kc::fuzz::escaped(got));
  const std::string want = reference(text);
  if (got != want)
    kc::fuzz::fail("normalize_text " + kc::fuzz::escaped(got) + " plain pass " + kc::fuzz::escaped(want) + " for " +
                   kc::fuzz::escaped(text));
  return 0;
}
