// HIR written as an RE2 pattern with exactly the same meaning.
//
// Every class becomes explicit code point ranges and every literal is escaped,
// so nothing depends on RE2's own \w \d \s, case folding or flags. Assertions
// RE2 cannot express are refused, never approximated.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "regex/hir/hir.h"

namespace kc::regex::re2_emit {

// RE2's largest repetition count, and the largest product of nested counts.
inline constexpr std::uint32_t kRe2MaxRepeat = 1000;

// What the emitted pattern may assume about the texts it will search.
enum class TextAssumption {
  AnyText,    // Unicode word assertions cannot be written; emission fails on them
  AsciiText,  // texts have no byte >= 0x80, so Unicode \b and \B equal RE2's \b and \B
};

// The RE2 pattern (for RE2's UTF-8, non-POSIX syntax with default flags)
// matching exactly what `hir` matches with the same leftmost-first
// preferences, or nullopt when RE2 cannot express it: CRLF anchors, the
// special word assertions, Unicode word assertions under AnyText, a
// repetition above RE2's counting limit whose expansion would change
// preferences, or more optional copies of counted repetitions than RE2
// compiles in reasonable time.
std::optional<std::string> emit(const hir::Hir& hir, TextAssumption assumption);

}  // namespace kc::regex::re2_emit
