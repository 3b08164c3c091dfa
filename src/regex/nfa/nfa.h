// A Thompson NFA over Unicode scalar values, compiled from HIR.
//
// The fallback engines run on it. Transitions test one code point against a
// range or a class; the UTF-8 decoding happens in the engine. Epsilon
// transitions (Split, Jump, Look) carry the leftmost-first preference: a Split
// prefers `out` over `out1`.
#pragma once

#include <cstdint>
#include <vector>

#include "regex/hir/hir.h"

namespace kc::regex::nfa {

using StateId = std::uint32_t;

enum class Op : std::uint8_t {
  Range,  // consume one code point in [lo, hi], go to out
  Class,  // consume one code point in classes[cls], go to out
  Split,  // try out, then out1
  Jump,   // go to out
  Look,   // go to out if `look` holds here
  Match,  // the pattern matched
};

struct State {
  Op op = Op::Match;
  hir::Look look = hir::Look::Start;
  StateId out = 0;
  StateId out1 = 0;
  char32_t lo = 0;
  char32_t hi = 0;
  std::uint32_t cls = 0;
};

// A class of code points with an ASCII bitmap for the common case.
struct CharClass {
  std::vector<hir::ClassRange> ranges;
  std::uint64_t ascii[2] = {0, 0};

  bool contains(char32_t c) const {
    if (c < 128) return (ascii[c >> 6] >> (c & 63)) & 1;
    // Ranges are sorted and disjoint.
    std::size_t lo = 0, hi = ranges.size();
    while (lo < hi) {
      std::size_t mid = (lo + hi) / 2;
      if (ranges[mid].hi < c) {
        lo = mid + 1;
      } else if (ranges[mid].lo > c) {
        hi = mid;
      } else {
        return true;
      }
    }
    return false;
  }
};

// A compiled program. Immutable once built; copyable and movable.
struct Nfa {
  std::vector<State> states;
  // Indexed by Class states; the copies of one class written out by a
  // counted repetition share one entry.
  std::vector<CharClass> classes;
  StateId start = 0;
  // True if any Look state exists (the engine then tracks context).
  bool has_looks = false;
  // True if the empty string matches at some position (start reaches Match
  // through epsilon transitions, ignoring whether assertions hold).
  bool can_match_empty = false;
};

// Compiles `hir`. Precondition: `hir` is within the size limit, which bounds
// the number of states this creates.
Nfa compile(const hir::Hir& hir);

}  // namespace kc::regex::nfa
