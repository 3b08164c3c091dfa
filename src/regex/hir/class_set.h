// Set algebra on classes: sorted lists of disjoint, non-adjacent code point ranges.
//
// Every function takes and returns such canonical lists, except `canonical`,
// which makes one from any list of ranges. Surrogates (U+D800-U+DFFF) are
// never members: they are not scalar values, so no text can contain them.
#pragma once

#include <vector>

#include "regex/hir/hir.h"

namespace kc::regex::hir {

using Ranges = std::vector<ClassRange>;

inline constexpr char32_t kMaxScalar = 0x10FFFF;

// Sorts, merges overlapping and adjacent ranges, and drops surrogates.
// Each input range needs lo <= hi.
Ranges canonical(Ranges ranges);

Ranges set_union(const Ranges& a, const Ranges& b);
Ranges set_intersection(const Ranges& a, const Ranges& b);
Ranges set_difference(const Ranges& a, const Ranges& b);
Ranges set_symmetric_difference(const Ranges& a, const Ranges& b);

// Every value in 0..`max` that `a` lacks (surrogates excepted). `max` is
// kMaxScalar for characters, 0xFF when `a` holds bytes.
Ranges set_complement(const Ranges& a, char32_t max = kMaxScalar);

// True if `c` is a member of `a`.
bool contains(const Ranges& a, char32_t c);

// True if `a` and `b` share a member; builds nothing.
bool overlaps(const Ranges& a, const Ranges& b);

// True if every member is below 0x80.
inline bool is_ascii(const Ranges& a) { return a.empty() || a.back().hi < 0x80; }

}  // namespace kc::regex::hir
