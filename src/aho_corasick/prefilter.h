// Skipping text that cannot hold a match.
//
// Every pattern contains one byte of a small set at a known offset (its
// rarest byte, or its first byte), so while the automaton sits in its start
// state the search can jump to the next occurrence of any byte of the set
// (minus the largest offset) with a vectorised scan instead of stepping
// through every byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace kc::aho_corasick {

class BytePrefilter {
 public:
  // The most bytes a set may hold and still be scanned with vector compares.
  static constexpr std::size_t kMaxBytes = 8;

  // Picks, for each pattern, its rarest byte in typical text, or its first
  // byte if that set is expected to occur less often; returns nothing when a
  // pattern is empty, or when both sets grow beyond kMaxBytes or are expected
  // to occur so often that scanning for them would not pay.
  static std::optional<BytePrefilter> build(const std::vector<std::string_view>& patterns);

  // The first position p >= at such that no match starts in [at, p), or
  // `len` when no match can start at or after `at`. Never less than `at`.
  std::size_t next(const unsigned char* text, std::size_t at, std::size_t len) const;

  const std::vector<unsigned char>& bytes() const { return bytes_; }
  std::size_t max_offset() const { return max_offset_; }

 private:
  // The set of each pattern's rarest (or first) byte, with its expected
  // frequency, if it qualifies.
  static std::optional<BytePrefilter> with_bytes(const std::vector<std::string_view>& patterns, bool first_bytes,
                                                 std::uint32_t& set_frequency);

  std::vector<unsigned char> bytes_;
  std::size_t max_offset_ = 0;
};

// Approximate occurrences of byte `b` per 10,000 bytes of lower-cased prose.
std::uint32_t byte_frequency(unsigned char b);

}  // namespace kc::aho_corasick
