// partial_ratio through the sliding-count scorer; bag_overlap by counting.
#include "motif_matching/partial_ratio.h"

#include <unordered_map>
#include <vector>

#include "motif_matching/motif_scorer.h"

namespace kc::motif_matching {

std::uint32_t partial_ratio(std::string_view a, std::string_view b) {
  MotifScorer scorer(a);
  std::vector<std::uint32_t> window;
  scorer.index_text(decode_chars(b), window);
  return scorer.score(window);
}

std::uint64_t bag_overlap(std::span<const char32_t> a, std::span<const char32_t> b) {
  std::unordered_map<char32_t, std::int32_t> supply;
  for (char32_t c : a) ++supply[c];
  std::uint64_t overlap = 0;
  for (char32_t c : b) {
    const auto it = supply.find(c);
    if (it != supply.end() && it->second >= 1) {
      --it->second;
      ++overlap;
    }
  }
  return overlap;
}

}  // namespace kc::motif_matching
