// The size of the program a pattern compiles to, for the size limit.
//
// The measure follows a byte-level automaton: classes count as their UTF-8
// byte sequences and counted repetitions as their expansion, so the limit
// means the same thing whichever engine later runs the pattern.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "regex/hir/hir.h"

namespace kc::regex::nfa {

// Estimated bytes of the compiled program for `hir`; saturates at SIZE_MAX
// instead of overflowing, so any finite limit comparison is meaningful.
std::size_t program_size(const hir::Hir& hir);

// The number of UTF-8 byte-range sequences that encode `ranges`, and their
// total length in byte ranges.
struct Utf8Cost {
  std::size_t sequences = 0;
  std::size_t byte_ranges = 0;
};
Utf8Cost utf8_cost(const std::vector<hir::ClassRange>& ranges);

}  // namespace kc::regex::nfa
