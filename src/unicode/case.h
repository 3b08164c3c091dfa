// Lower-casing with Unicode 17.0's full lower-case mappings.
//
// Two forms exist because callers need both: `lower_full` maps one character
// with no context (the text normaliser), `to_lowercase` lower-cases a whole
// string with the Final_Sigma rule, exactly as Rust's `str::to_lowercase`.
#pragma once

#include <string>
#include <string_view>

#include "unicode/tables.h"

namespace kc::unicode {

// Writes the full lower-case mapping of `c` to `out` and returns its length
// (1-3): UnicodeData.txt's simple mapping overridden by the unconditional
// entries of SpecialCasing.txt, with no language or context rule (so U+03A3
// gives U+03C3 and U+0130 gives U+0069 U+0307). Characters without a mapping,
// including values above U+10FFFF, give themselves and 1.
inline int lower_full(char32_t c, char32_t out[3]) {
  if (c < 0x80) {
    out[0] = c - 'A' < 26 ? c + 0x20 : c;
    return 1;
  }
  const std::uint16_t index =
      c > tables::kMaxCodePoint ? 0 : tables::two_stage(tables::kLowerIndex, tables::kLowerBlocks, c);
  if (index == 0) {
    out[0] = c;
    return 1;
  }
  const char32_t* entry = tables::kLowerPool + index;
  const int n = static_cast<int>(entry[0]);
  for (int k = 0; k < n; ++k) out[k] = entry[1 + k];
  return n;
}

// Appends the lower-cased `text` to `out`: every character's full mapping as
// in lower_full, except that U+03A3 becomes U+03C2 when Final_Sigma holds
// (a cased character precedes it and none follows it, case-ignorable
// characters skipped on both sides) and U+03C3 otherwise.
// Precondition: `text` is valid UTF-8.
void to_lowercase(std::string_view text, std::string& out);

}  // namespace kc::unicode
