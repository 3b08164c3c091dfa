// The largest value of a range that slides forward over an array.
//
// Overlapping fuzzy windows ask for the best run overlap inside each window;
// sliding the range instead of rescanning it makes all windows together cost
// the length of the array.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kc::motif_matching {

// The largest of values[first, last) for ranges whose two ends never move
// back: a queue of the candidates, each index entering and leaving it once.
// Borrows the values and a queue buffer (cleared here, reused between
// passes to save allocations); both must outlive it. Not copyable.
class SlidingMax {
 public:
  SlidingMax(const std::vector<std::uint32_t>& values, std::vector<std::size_t>& queue)
      : values_(values), queue_(queue) {
    queue_.clear();
  }
  SlidingMax(const SlidingMax&) = delete;
  SlidingMax& operator=(const SlidingMax&) = delete;

  // Precondition: first < last <= values.size(), neither below its value in
  // the previous call.
  std::uint32_t max(std::size_t first, std::size_t last) {
    if (next_ < first) {  // the range jumped past everything queued
      next_ = first;
      head_ = queue_.size();
    }
    for (; next_ < last; ++next_) {
      while (queue_.size() > head_ && values_[queue_.back()] <= values_[next_]) queue_.pop_back();
      queue_.push_back(next_);
    }
    while (queue_[head_] < first) ++head_;
    if (head_ >= 1024 && 2 * head_ >= queue_.size()) {  // keep the queue as short as its live part
      queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(head_));
      head_ = 0;
    }
    return values_[queue_[head_]];
  }

 private:
  const std::vector<std::uint32_t>& values_;
  std::vector<std::size_t>& queue_;  // indices with decreasing values from head_ on
  std::size_t head_ = 0, next_ = 0;
};

}  // namespace kc::motif_matching
