// Closing classes under case folding, for case-insensitive matching.
#pragma once

#include "regex/hir/class_set.h"

namespace kc::regex::hir {

// `a` plus every character that simple case folding (CaseFolding.txt C and S)
// makes equivalent to one of its members. Canonical in, canonical out.
Ranges fold_simple(const Ranges& a);

// `a` plus the other-case twin of every ASCII letter in it: the folding of
// the byte-oriented mode (?-u). Canonical in, canonical out.
Ranges fold_ascii(const Ranges& a);

}  // namespace kc::regex::hir
