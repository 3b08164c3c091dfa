// The code points of \p{..}, \w \d \s and [[:name:]] classes.
//
// Names are matched loosely as the crate matches them: case, spaces, '_' and
// '-' are ignored, as is a leading "is", and non-ASCII characters are dropped.
// A bare name is tried as a property, then as a general category, then as a
// script; `name=value` (or `:` / `!=`) selects the value of a general category,
// script, script extension, age (cumulative: assigned in that version or
// earlier), grapheme cluster, word or sentence break property.
#pragma once

#include <variant>

#include "regex/hir/class_set.h"
#include "regex/syntax/ast.h"

namespace kc::regex::hir {

enum class LookupError { PropertyNotFound, PropertyValueNotFound };

// The members of `query`, ignoring its negation (\P, !=); or why the name is
// unknown. Thread-safe.
std::variant<Ranges, LookupError> unicode_class(const syntax::UnicodeClass& query);

// Unicode \d, \s or \w (not negated).
Ranges unicode_perl_class(syntax::PerlKind kind);

// The ASCII meaning of \d, \s or \w, used when Unicode mode is off.
Ranges ascii_perl_class(syntax::PerlKind kind);

// The members of [[:name:]] (not negated); always ASCII.
Ranges ascii_class(syntax::AsciiKind kind);

// `name` normalised for loose matching (exposed for tests).
std::string normalize_symbolic_name(std::string_view name);

}  // namespace kc::regex::hir
