// find_matches and get_match_positions: the exact pass over the automaton,
// the fuzzy pass over character windows, and the span merge.
#include <algorithm>
#include <string>
#include <unordered_set>

#include "motif_matching/motif_matcher.h"
#include "motif_matching/motif_scorer.h"
#include "motif_matching/sliding_max.h"
#include "unicode/case.h"
#include "unicode/utf8.h"
#include "util/merge_spans.h"
#include "util/panic.h"

namespace kc::motif_matching {

namespace {

// Windows shorter than this many bytes are never scored.
constexpr std::size_t kMinWindowBytes = 10;

// The lower-cased text as characters, with the byte offset of each and the
// text length as a sentinel (offsets[n] == L).
struct DecodedText {
  std::vector<char32_t> chars;
  std::vector<std::size_t> offsets;
};

DecodedText decode_with_offsets(std::string_view text) {
  DecodedText d;
  const std::size_t n = unicode::count_chars(text);
  d.chars.reserve(n);
  d.offsets.reserve(n + 1);
  for (std::size_t i = 0; i < text.size();) {
    d.offsets.push_back(i);
    d.chars.push_back(unicode::decode_utf8(text, i));
  }
  d.offsets.push_back(text.size());
  return d;
}

// Where a window that reaches the threshold places a motif it does not
// contain: centred on the window, held at its start if the motif is longer.
std::size_t centred_offset(std::size_t window_chars, std::size_t motif_chars) {
  const std::size_t half_w = window_chars / 2, half_m = motif_chars / 2;
  return half_w > half_m ? half_w - half_m : 0;
}

// The first occurrence of a motif at or after a byte offset that never moves
// back, as successive windows ask: each stretch of text is searched once, not
// once per window that covers it. Occurrences of valid UTF-8 in valid UTF-8
// start and end on character boundaries.
class OccurrenceCursor {
 public:
  OccurrenceCursor(std::string_view text, std::string_view motif) : text_(text), motif_(motif) {}

  // The byte offset of the first occurrence starting at or after `from`, or npos.
  std::size_t first_from(std::size_t from) {
    if (!searched_ || (found_ != std::string_view::npos && found_ < from)) {
      found_ = text_.find(motif_, from);
      searched_ = true;
    }
    return found_;
  }

 private:
  std::string_view text_, motif_;
  std::size_t found_ = std::string_view::npos;
  bool searched_ = false;
};

}  // namespace

template <class F>
void MotifMatcher::scan_exact(std::string_view text, F&& on_match) const {
  if (text.empty()) return;
  std::string lowered;
  unicode::to_lowercase(text, lowered);
  automaton_.find_iter(lowered, on_match);
}

void MotifMatcher::fuzzy_pass(const std::string& lowered, const std::vector<bool>& exact, std::uint64_t window_size,
                              std::uint64_t step, HitList& out) const {
  const DecodedText d = decode_with_offsets(lowered);
  const std::size_t n = d.chars.size();
  std::vector<std::uint32_t> mapped, overlaps;
  std::vector<std::size_t> queue;
  // Overlapping windows share one pass of run overlaps over the text; each
  // window scanning its own characters again would cost text length times
  // window size / step when the windows are long.
  const bool overlapping = window_size > step;
  // Fuzzy hits of one motif never meet its exact hits (it has none), so
  // the repeat check only has to look at the motif's own earlier windows.
  std::unordered_set<std::size_t> positions;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (exact[i]) continue;
    if (const char* err = step_error(step)) panic(err);
    const MotifEntry& e = entries_[i];
    MotifScorer scorer(e.motif);
    mapped.clear();
    scorer.index_text(d.chars, mapped);
    const std::size_t m = scorer.char_count();
    const bool shared_runs = overlapping && m >= 1 && m <= n;
    if (shared_runs) scorer.run_overlaps(mapped, overlaps);
    SlidingMax best_run(overlaps, queue);
    OccurrenceCursor occurrence(lowered, e.motif);
    positions.clear();
    for (std::uint64_t start = 0;;) {
      const std::uint64_t sum = start + window_size;  // wraps like the unchecked original
      if (sum < start)
        panic("slice index starts at " + std::to_string(start) + " but ends at " + std::to_string(sum));
      const std::size_t end = static_cast<std::size_t>(std::min<std::uint64_t>(sum, n));
      const std::size_t window_begin = d.offsets[start], window_end = d.offsets[end];
      if (window_end - window_begin >= kMinWindowBytes) {
        const std::size_t w = end - start;
        const std::uint32_t score = shared_runs && m <= w
                                        ? scorer.score_of_best(best_run.max(start, end - m + 1))
                                        : scorer.score(std::span(mapped).subspan(start, w));
        if (score >= threshold_) {
          // The motif's first occurrence in the window, else centred on it.
          const std::size_t at = occurrence.first_from(window_begin);
          const std::size_t offset =
              at != std::string_view::npos && at + e.motif.size() <= window_end
                  ? static_cast<std::size_t>(std::lower_bound(d.offsets.begin(), d.offsets.end(), at) -
                                             d.offsets.begin()) - start
                  : centred_offset(w, m);
          const std::size_t position = d.offsets[start + offset];
          const std::size_t length = std::min(window_end - position, e.motif.size());
          if (positions.insert(position).second)
            out.push_back({position, length, static_cast<std::uint32_t>(i), score});
        }
      }
      if (step >= n - start) break;  // the next start would reach n
      start += step;
    }
  }
}

HitList MotifMatcher::find_hits(std::string_view text, std::uint64_t window_size, std::uint64_t step) const {
  HitList out;
  // Exact pass. Successive matches start at strictly increasing offsets, so a
  // (position, motif) pair cannot repeat here, and the hits come in order:
  // with fuzzy matching off they are the result as they stand.
  if (!use_fuzzy_) {
    scan_exact(text, [&](const aho_corasick::Match& m) {
      out.push_back({m.start, m.end - m.start, m.pattern, kExactScore});
    });
    return out;
  }
  if (text.empty()) return out;
  std::string lowered;
  unicode::to_lowercase(text, lowered);
  // The fuzzy pass skips the entries with an exact hit.
  std::vector<bool> exact(entries_.size(), false);
  automaton_.find_iter(lowered, [&](const aho_corasick::Match& m) {
    exact[m.pattern] = true;
    out.push_back({m.start, m.end - m.start, m.pattern, kExactScore});
  });
  const std::size_t exact_count = out.size();

  fuzzy_pass(lowered, exact, window_size, step, out);
  if (out.size() == exact_count) return out;

  // The scan yields exact hits in ascending position, so only the fuzzy hits
  // need sorting; the stable merge then puts an exact hit before the fuzzy
  // hits at its position, as one stable sort of the whole list would.
  const auto by_position = [](const MotifHit& a, const MotifHit& b) { return a.position < b.position; };
  const auto fuzzy_begin = out.begin() + static_cast<std::ptrdiff_t>(exact_count);
  std::stable_sort(fuzzy_begin, out.end(), by_position);
  std::inplace_merge(out.begin(), fuzzy_begin, out.end(), by_position);
  return out;
}

std::vector<MotifMatch> MotifMatcher::find_matches(std::string_view text, std::uint64_t window_size,
                                                   std::uint64_t step) const {
  const HitList hits = find_hits(text, window_size, step);
  std::vector<MotifMatch> out;
  out.reserve(hits.size());
  for (const MotifHit& h : hits) {
    const MotifEntry& e = entries_[h.entry];
    out.push_back({e.motif, e.category, h.position, h.length, static_cast<double>(h.score)});
  }
  return out;
}

std::vector<Span> MotifMatcher::get_match_positions(std::string_view text) const {
  std::vector<Span> spans;
  if (!use_fuzzy_) {
    // Exact hits come with strictly increasing starts, so the spans can be
    // merged as they arrive, without a list of hits or a sort.
    scan_exact(text, [&](const aho_corasick::Match& m) {
      if (!spans.empty() && m.start <= spans.back().end)
        spans.back().end = std::max(spans.back().end, m.end);
      else
        spans.push_back({m.start, m.end});
    });
    return spans;
  }
  const HitList hits = find_hits(text, kPositionsWindow, kPositionsStep);
  spans.reserve(hits.size());
  for (const MotifHit& h : hits) spans.push_back({h.position, h.position + h.length});
  return merge_spans(std::move(spans));
}

}  // namespace kc::motif_matching
