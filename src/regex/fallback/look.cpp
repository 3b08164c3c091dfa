// Context of the dialect's assertions at a position of a text.
#include "regex/fallback/look.h"

#include "regex/util/utf8.h"

namespace kc::regex::fallback {

LookContext context_at(std::string_view text, std::size_t pos) {
  LookContext ctx;
  if (pos > 0) {
    ctx.before = static_cast<unsigned char>(text[pos - 1]);
    ctx.word_before = is_word_char(ctx.before < 0x80 ? ctx.before : util::decode_before(text, pos));
  }
  if (pos < text.size()) {
    ctx.after = static_cast<unsigned char>(text[pos]);
    std::size_t len;
    ctx.word_after = is_word_char(ctx.after < 0x80 ? ctx.after : util::decode_at(text, pos, &len));
  }
  return ctx;
}

}  // namespace kc::regex::fallback
