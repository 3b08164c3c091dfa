// Evaluation of the dialect's assertions: line anchors (plain, LF and CRLF)
// and the word assertions in their ASCII and Unicode forms.
#include "regex/fallback/look.h"

#include "regex/util/utf8.h"
#include "regex/fallback/word_char.h"

namespace kc::regex::fallback {

using hir::Look;

LookSet looks_at(std::string_view text, std::size_t pos) {
  const std::size_t n = text.size();
  const int before = pos > 0 ? static_cast<unsigned char>(text[pos - 1]) : -1;
  const int after = pos < n ? static_cast<unsigned char>(text[pos]) : -1;
  LookSet set = 0;
  if (pos == 0) set |= look_bit(Look::Start);
  if (pos == n) set |= look_bit(Look::End);
  if (pos == 0 || before == '\n') set |= look_bit(Look::StartLF);
  if (pos == n || after == '\n') set |= look_bit(Look::EndLF);
  if (pos == 0 || before == '\n' || (before == '\r' && after != '\n')) set |= look_bit(Look::StartCRLF);
  if (pos == n || after == '\r' || (after == '\n' && before != '\r')) set |= look_bit(Look::EndCRLF);

  const bool ascii_before = before >= 0 && is_word_byte(before);
  const bool ascii_after = after >= 0 && is_word_byte(after);
  bool uni_before = ascii_before;
  bool uni_after = ascii_after;
  if (before >= 0x80) uni_before = is_word_char(util::decode_before(text, pos));
  if (after >= 0x80) {
    std::size_t len;
    uni_after = is_word_char(util::decode_at(text, pos, &len));
  }
  auto word = [&set](bool b, bool a, Look boundary, Look negate, Look start, Look end, Look start_half,
                     Look end_half) {
    set |= b != a ? look_bit(boundary) : look_bit(negate);
    if (!b && a) set |= look_bit(start);
    if (b && !a) set |= look_bit(end);
    if (!b) set |= look_bit(start_half);
    if (!a) set |= look_bit(end_half);
  };
  word(ascii_before, ascii_after, Look::WordAscii, Look::WordAsciiNegate, Look::WordStartAscii,
       Look::WordEndAscii, Look::WordStartHalfAscii, Look::WordEndHalfAscii);
  word(uni_before, uni_after, Look::WordUnicode, Look::WordUnicodeNegate, Look::WordStartUnicode,
       Look::WordEndUnicode, Look::WordStartHalfUnicode, Look::WordEndHalfUnicode);
  return set;
}

}  // namespace kc::regex::fallback
