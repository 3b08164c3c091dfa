// The kinds of syntax error and their rendering as the crate's message block.
//
// Parse and translation errors share one layout: a header, the pattern with
// carets under the offending span (and under an auxiliary span for the
// "duplicate" kinds), then "error: <message>". Positions are byte offsets
// here; lines and columns (in characters) are derived when formatting.
#pragma once

#include <optional>
#include <string_view>

#include "regex/error.h"
#include "util/span.h"

namespace kc::regex::syntax {

enum class ErrorKind {
  // Parse errors.
  CaptureLimitExceeded,
  ClassEscapeInvalid,
  ClassRangeInvalid,
  ClassRangeLiteral,
  ClassUnclosed,
  DecimalEmpty,
  DecimalInvalid,
  EscapeHexEmpty,
  EscapeHexInvalid,
  EscapeHexInvalidDigit,
  EscapeUnexpectedEof,
  EscapeUnrecognized,
  FlagDanglingNegation,
  FlagDuplicate,
  FlagRepeatedNegation,
  FlagUnexpectedEof,
  FlagUnrecognized,
  GroupNameDuplicate,
  GroupNameEmpty,
  GroupNameInvalid,
  GroupNameUnexpectedEof,
  GroupUnclosed,
  GroupUnopened,
  NestLimitExceeded,
  RepetitionCountDecimalEmpty,
  RepetitionCountInvalid,
  RepetitionCountUnclosed,
  RepetitionMissing,
  SpecialWordBoundaryUnclosed,
  SpecialWordBoundaryUnrecognized,
  SpecialWordOrRepetitionUnexpectedEof,
  UnicodeClassInvalid,
  UnsupportedBackreference,
  UnsupportedLookAround,
  // Translation errors.
  UnicodePropertyNotFound,
  UnicodePropertyValueNotFound,
  InvalidUtf8,
  UnicodeNotAllowed,
};

// The message text of `kind` (what follows "error: ").
std::string_view error_message(ErrorKind kind);

// The complete error for `kind` at `span` of `pattern`, with the optional
// auxiliary span (the first occurrence, for the duplicate kinds). Spans are
// byte offsets on character boundaries of `pattern`, within its length.
Error syntax_error(std::string_view pattern, ErrorKind kind, Span span,
                   std::optional<Span> aux = std::nullopt);

}  // namespace kc::regex::syntax
