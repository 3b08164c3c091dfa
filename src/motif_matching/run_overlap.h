// The sliding multiset overlap behind the fuzzy score.
//
// Scoring every alignment of a short text along a longer one by the size of
// their multiset intersection costs O(n) per alignment if each is counted
// afresh. Sliding the run one character at a time changes the overlap by at
// most one per character that leaves or enters, so all alignments together
// cost O(length of the longer text).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kc::motif_matching {

// The largest multiset overlap between the shorter sequence, given by
// `short_counts` (occurrences per local character index, n characters in all),
// and any run of n consecutive entries of `longer`. Entries of `longer` are
// local character indices; characters the shorter sequence lacks all share
// one index whose short count is 0. Stops as soon as the overlap reaches n.
//
// Preconditions: 1 <= n <= longer.size(); every index in `longer` is below the
// size of `short_counts`; `run_counts` has as many entries, all zero. It is
// all zero again on return.
inline std::uint64_t max_run_overlap(std::span<const std::uint32_t> longer, std::size_t n,
                                     const std::uint32_t* short_counts, std::uint32_t* run_counts) {
  std::uint64_t overlap = 0;
  // Branch-free updates: whether a character is shared is data, and
  // mispredicted branches would cost more than the arithmetic.
  for (std::size_t k = 0; k < n; ++k) {
    const std::uint32_t d = longer[k];
    overlap += ++run_counts[d] <= short_counts[d];
  }
  std::uint64_t best = overlap;
  std::size_t end = n;
  for (; end < longer.size() && best < n; ++end) {
    // min(short, run) drops when the leaving character was not in surplus.
    const std::uint32_t out = longer[end - n];
    overlap -= run_counts[out]-- <= short_counts[out];
    const std::uint32_t in = longer[end];
    overlap += ++run_counts[in] <= short_counts[in];
    best = std::max(best, overlap);
  }
  for (std::size_t k = end - n; k < end; ++k) run_counts[longer[k]] = 0;
  return best;
}

// The multiset overlap of the shorter sequence with every run of n
// consecutive entries of `longer`: out[k] for the run starting at k, in all
// longer.size() - n + 1 values (out is overwritten). One pass over `longer`.
// Same preconditions as max_run_overlap.
inline void all_run_overlaps(std::span<const std::uint32_t> longer, std::size_t n,
                             const std::uint32_t* short_counts, std::uint32_t* run_counts,
                             std::vector<std::uint32_t>& out) {
  out.resize(longer.size() - n + 1);
  std::uint32_t overlap = 0;
  for (std::size_t k = 0; k < n; ++k) {
    const std::uint32_t d = longer[k];
    overlap += ++run_counts[d] <= short_counts[d];
  }
  out[0] = overlap;
  for (std::size_t end = n; end < longer.size(); ++end) {
    const std::uint32_t gone = longer[end - n];
    overlap -= run_counts[gone]-- <= short_counts[gone];
    const std::uint32_t in = longer[end];
    overlap += ++run_counts[in] <= short_counts[in];
    out[end - n + 1] = overlap;
  }
  for (std::size_t k = longer.size() - n; k < longer.size(); ++k) run_counts[longer[k]] = 0;
}

}  // namespace kc::motif_matching
