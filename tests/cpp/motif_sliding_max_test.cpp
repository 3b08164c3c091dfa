#include "motif_matching/sliding_max.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace kc::motif_matching {
namespace {

// Ranges that creep forward, grow, shrink and jump, against a direct scan.
TEST(SlidingMax, AgreesWithDirectScan) {
  std::mt19937 rng(5);
  auto pick = [&](std::size_t lo, std::size_t hi) { return std::uniform_int_distribution<std::size_t>(lo, hi)(rng); };
  std::vector<std::size_t> queue;
  for (int round = 0; round < 20; ++round) {
    std::vector<std::uint32_t> values(pick(1, 20'000));
    const std::size_t spread = pick(1, 60);
    for (auto& v : values) v = static_cast<std::uint32_t>(pick(0, spread));
    SlidingMax best(values, queue);
    std::size_t first = 0, last = 1;
    while (true) {
      ASSERT_EQ(best.max(first, last), *std::max_element(values.begin() + first, values.begin() + last))
          << "round " << round << " range " << first << ".." << last;
      const std::size_t next_first = first + pick(0, pick(0, 9) == 0 ? 500 : 3);
      if (next_first >= values.size()) break;
      first = next_first;
      last = std::min(values.size(), std::max(last, first + 1) + pick(0, 4));
    }
  }
}

// A falling sequence under a fixed-width range expires its front at every
// step, so the queue's spent prefix has to be dropped as it goes.
TEST(SlidingMax, FallingValuesUnderAFixedWidth) {
  std::vector<std::uint32_t> values(100'000);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<std::uint32_t>(values.size() - i);
  std::vector<std::size_t> queue;
  SlidingMax best(values, queue);
  for (std::size_t first = 0; first + 10 <= values.size(); ++first) ASSERT_EQ(best.max(first, first + 10), values[first]);
  EXPECT_LT(queue.size(), 3'000u);
}

}  // namespace
}  // namespace kc::motif_matching
