// Local character indices and the per-window score of a prepared motif.
#include "motif_matching/motif_scorer.h"

#include <algorithm>

#include "motif_matching/run_overlap.h"
#include "unicode/utf8.h"

namespace kc::motif_matching {

std::vector<char32_t> decode_chars(std::string_view text) {
  std::vector<char32_t> chars;
  chars.reserve(unicode::count_chars(text));
  for (std::size_t i = 0; i < text.size();) chars.push_back(unicode::decode_utf8(text, i));
  return chars;
}

MotifScorer::MotifScorer(std::string_view motif) {
  const std::vector<char32_t> chars = decode_chars(motif);
  // Distinct characters first, so that the absent index (their count) is known.
  std::vector<char32_t> distinct = chars;
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  absent_ = static_cast<std::uint32_t>(distinct.size());
  ascii_.fill(absent_);
  for (std::uint32_t d = 0; d < distinct.size(); ++d) {
    if (distinct[d] < 128) {
      ascii_[distinct[d]] = d;
    } else {
      other_.emplace_back(distinct[d], d);
    }
  }
  motif_counts_.assign(distinct.size() + 1, 0);
  indices_.reserve(chars.size());
  for (char32_t c : chars) {
    indices_.push_back(local_index(c));
    ++motif_counts_[indices_.back()];
  }
  scratch_run_.assign(motif_counts_.size(), 0);
  scratch_window_.assign(motif_counts_.size(), 0);
}

std::uint32_t MotifScorer::local_index(char32_t c) const {
  if (c < 128) return ascii_[c];
  const auto at = std::lower_bound(other_.begin(), other_.end(), std::make_pair(c, std::uint32_t{0}));
  return at != other_.end() && at->first == c ? at->second : absent_;
}

void MotifScorer::index_text(std::span<const char32_t> text, std::vector<std::uint32_t>& out) const {
  out.reserve(out.size() + text.size());
  if (other_.empty()) {
    for (char32_t c : text) out.push_back(c < 128 ? ascii_[c] : absent_);
  } else {
    for (char32_t c : text) out.push_back(local_index(c));
  }
}

void MotifScorer::run_overlaps(std::span<const std::uint32_t> text, std::vector<std::uint32_t>& out) {
  all_run_overlaps(text, indices_.size(), motif_counts_.data(), scratch_run_.data(), out);
}

std::uint32_t MotifScorer::score(std::span<const std::uint32_t> window) {
  const std::size_t m = indices_.size();
  const std::size_t w = window.size();
  if (m == 0 || w == 0) return 0;
  // The shorter text slides along the longer one (the motif when equal).
  std::uint64_t best;
  std::size_t n;
  if (m <= w) {
    n = m;
    best = max_run_overlap(window, n, motif_counts_.data(), scratch_run_.data());
  } else {
    n = w;
    for (std::uint32_t d : window) ++scratch_window_[d];
    // The motif never holds the absent index, so its count may stay as is
    // until the reset below.
    best = max_run_overlap(indices_, n, scratch_window_.data(), scratch_run_.data());
    for (std::uint32_t d : window) scratch_window_[d] = 0;
  }
  // 2k / (n + n) as a truncated percentage.
  return static_cast<std::uint32_t>(best * 200 / (2 * n));
}

}  // namespace kc::motif_matching
