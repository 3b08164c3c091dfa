// Whether a zero-width assertion holds at a position of a text.
#pragma once

#include <cstddef>
#include <string_view>

#include "regex/fallback/word_char.h"
#include "regex/hir/hir.h"

namespace kc::regex::fallback {

// What the assertions see at one position: the bytes on either side (-1 at
// the ends of the text) and whether the characters there are Unicode word
// characters (false at the ends).
struct LookContext {
  int before = -1;
  int after = -1;
  bool word_before = false;
  bool word_after = false;
};

// The context at byte offset `pos` of `text` (pos <= size, on a character
// boundary), with all of `text` around it.
LookContext context_at(std::string_view text, std::size_t pos);

// True if `look` holds in `ctx`.
inline bool holds(hir::Look look, const LookContext& ctx) {
  using hir::Look;
  const int b = ctx.before;
  const int a = ctx.after;
  const bool ab = b >= 0 && is_word_byte(b);
  const bool aa = a >= 0 && is_word_byte(a);
  const bool ub = ctx.word_before;
  const bool ua = ctx.word_after;
  switch (look) {
    case Look::Start: return b < 0;
    case Look::End: return a < 0;
    case Look::StartLF: return b < 0 || b == '\n';
    case Look::EndLF: return a < 0 || a == '\n';
    // A CR directly followed by LF is one line break: no line starts or ends between them.
    case Look::StartCRLF: return b < 0 || b == '\n' || (b == '\r' && a != '\n');
    case Look::EndCRLF: return a < 0 || a == '\r' || (a == '\n' && b != '\r');
    case Look::WordAscii: return ab != aa;
    case Look::WordAsciiNegate: return ab == aa;
    case Look::WordUnicode: return ub != ua;
    case Look::WordUnicodeNegate: return ub == ua;
    case Look::WordStartAscii: return !ab && aa;
    case Look::WordEndAscii: return ab && !aa;
    case Look::WordStartUnicode: return !ub && ua;
    case Look::WordEndUnicode: return ub && !ua;
    case Look::WordStartHalfAscii: return !ab;
    case Look::WordEndHalfAscii: return !aa;
    case Look::WordStartHalfUnicode: return !ub;
    case Look::WordEndHalfUnicode: return !ua;
  }
  return false;
}

}  // namespace kc::regex::fallback
