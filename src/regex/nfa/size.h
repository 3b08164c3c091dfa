// The size limit, measured as the reference library measures it.
//
// The library compiles a pattern (or a whole set) into a Thompson NFA over
// bytes, forwards and in reverse, and refuses it as soon as either builder's
// memory exceeds the limit: a fixed size per state plus the heap each state
// owns. Where the limit falls is part of the dialect, so this replays that
// build without making it: the same simplified HIR, the same states, the same
// bounded caches for the UTF-8 automata of classes (whose hits depend on state
// numbers), counted repetitions multiplied out where no cache is involved, and
// an early stop once the limit is passed, so the check stays cheap however
// large the counts.
#pragma once

#include <cstddef>
#include <span>

#include "regex/hir/hir.h"

namespace kc::regex::nfa {

// A Regex's forward program has capture states (every group and the implicit
// one around the pattern); a RegexSet's has none. Reverse programs never do.
enum class Captures : bool { Excluded, Included };

// True if the library's programs for `hirs`, compiled together as one
// program (one pattern for a Regex), stay within `limit` bytes.
bool within_size_limit(std::span<const hir::Hir> hirs, Captures captures, std::size_t limit);

}  // namespace kc::regex::nfa
