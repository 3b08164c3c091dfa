// A motif prepared for scoring many windows with partial_ratio.
//
// The motif's characters get small local indices once; a text is mapped to
// those indices once (characters the motif lacks all share one extra index,
// since they can never be shared); each window is then scored by sliding counts over small
// integer arrays instead of hashing characters per alignment.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace kc::motif_matching {

class MotifScorer {
 public:
  // Prepares `motif` (valid UTF-8). Copyable and movable.
  explicit MotifScorer(std::string_view motif);

  // Number of characters of the motif.
  std::size_t char_count() const { return indices_.size(); }

  // Appends to `out` the local index of each character of `text`; every
  // character the motif does not contain gets the same extra index.
  void index_text(std::span<const char32_t> text, std::vector<std::uint32_t>& out) const;

  // partial_ratio(motif, window) for the window whose characters, mapped by
  // index_text, are `window`. Uses internal scratch, so one scorer serves one
  // thread at a time.
  std::uint32_t score(std::span<const std::uint32_t> window);

  // For a text mapped by index_text, the overlap of the motif with the run of
  // char_count() characters starting at each k (out[k]; text.size() -
  // char_count() + 1 values). The score of any window at least as long as the
  // motif is then score_of_best(the largest out[k] inside it), which lets
  // overlapping windows share the work. Precondition: 1 <= char_count() <=
  // text.size(). Uses the same scratch as score().
  void run_overlaps(std::span<const std::uint32_t> text, std::vector<std::uint32_t>& out);

  // The score of a window no shorter than the motif whose best run overlaps
  // the motif in `best` characters.
  std::uint32_t score_of_best(std::uint64_t best) const {
    return static_cast<std::uint32_t>(best * 200 / (2 * indices_.size()));
  }

 private:
  std::uint32_t local_index(char32_t c) const;

  std::uint32_t absent_ = 0;  // the index of characters the motif lacks
  std::array<std::uint32_t, 128> ascii_;
  std::vector<std::pair<char32_t, std::uint32_t>> other_;  // sorted by character
  std::vector<std::uint32_t> indices_;                      // the motif, mapped
  std::vector<std::uint32_t> motif_counts_;                 // per local index, absent_ last (0)
  std::vector<std::uint32_t> scratch_run_;
  std::vector<std::uint32_t> scratch_window_;
};

// Decodes valid UTF-8 into its characters.
std::vector<char32_t> decode_chars(std::string_view text);

}  // namespace kc::motif_matching
