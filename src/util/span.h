// Byte spans shared by the kernels.
#pragma once

#include <cstddef>
#include <string>

namespace kc {

// A half-open range [start, end) of UTF-8 byte offsets.
struct Span {
  std::size_t start;
  std::size_t end;
  friend bool operator==(const Span&, const Span&) = default;
};

}  // namespace kc
