// Reducing a set of byte spans to the regions they cover.
#pragma once

#include <algorithm>
#include <vector>

#include "util/span.h"

namespace kc {

// Sorts `spans` by start (then end) and merges every span that overlaps or
// touches (start <= previous end) the one before it. The result is ascending
// and no two of its spans overlap or touch; an empty input stays empty.
inline std::vector<Span> merge_spans(std::vector<Span> spans) {
  if (spans.empty()) return spans;
  std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) {
    return a.start != b.start ? a.start < b.start : a.end < b.end;
  });
  std::size_t last = 0;
  for (std::size_t k = 1; k < spans.size(); ++k) {
    if (spans[k].start <= spans[last].end) {
      spans[last].end = std::max(spans[last].end, spans[k].end);
    } else {
      spans[++last] = spans[k];
    }
  }
  spans.resize(last + 1);
  return spans;
}

}  // namespace kc
