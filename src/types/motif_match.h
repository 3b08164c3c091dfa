// One motif hit, the record the motif search returns.
#pragma once

#include <cstdint>
#include <string>

namespace kc {

// A hit of a matcher's motif in a lower-cased text. `position` and `length`
// are UTF-8 byte counts in the lower-cased text (position + length never
// exceeds its length); `score` is exactly 100.0 for an exact hit, else the
// fuzzy score. Plain value: copyable and movable.
struct MotifMatch {
  std::string motif;     // the motif as stored, lower-cased
  std::string category;  // the category it came from
  std::uint64_t position;
  std::uint64_t length;
  double score;
  friend bool operator==(const MotifMatch&, const MotifMatch&) = default;
};

}  // namespace kc
