// RE2 patterns that decide whether a pattern matches somewhere in a text,
// for patterns whose Unicode word assertions RE2 cannot express.
//
// A Unicode \b or \B at an edge of the pattern, next to an element that can
// only begin (end) with one kind of character, is a condition on the single
// character just outside the match. RE2 can consume that character instead,
// which moves where a match starts or ends but not whether one exists. Good
// for set membership on any text; never for match spans.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "regex/hir/hir.h"

namespace kc::regex::re2_emit {

// What a membership form requires of the character just outside the match.
enum class Outside : std::uint8_t {
  Any,      // nothing
  Word,     // a Unicode word character
  NotWord,  // a non-word character, or none (the match is at the text's edge)
};

// One way a pattern can match: `body` (RE2 syntax, as `emit` writes it)
// with the required character before and after it. Copyable and movable.
struct MembershipForm {
  Outside before = Outside::Any;
  std::string body;
  Outside after = Outside::Any;
};

// Forms such that `hir` matches somewhere in a text exactly when one of them
// does, or nullopt when the rewrite does not apply: a Unicode word assertion
// away from the pattern's edges (edges of top-level alternatives and
// captures count), one next to an element that may begin or end with either
// kind of character or match nothing, or anything `emit` refuses under
// AnyText. A pattern `emit` writes exactly gives one form without outside
// requirements.
std::optional<std::vector<MembershipForm>> membership_forms(const hir::Hir& hir);

// One RE2 pattern that matches somewhere in a text exactly when one of
// `forms` does. Forms with the same outside requirements share them, so
// the large Unicode word classes appear a few times at most. Precondition:
// `forms` is not empty.
std::string membership_pattern(std::span<const MembershipForm> forms);

}  // namespace kc::regex::re2_emit
