// The fixed text statistics of a pattern-features record, from one pass over
// the characters of a text.
//
// Kept apart from the extractor because it needs no pattern at all: it is the
// Unicode-property half of `extract`.
#pragma once

#include <cstdint>
#include <string_view>

namespace kc::pattern_matching {

// Raw character counts of one text. Characters are Unicode scalar values;
// the classes are the Unicode 17.0 properties (see count_characters).
struct CharacterCounts {
  std::uint64_t line_feeds = 0;   // U+000A only
  std::uint64_t letters = 0;      // Alphabetic
  std::uint64_t capitals = 0;     // Alphabetic and Uppercase
  std::uint64_t specials = 0;     // neither alphanumeric nor White_Space
  std::uint64_t words = 0;        // maximal runs of non-White_Space characters
  std::uint64_t word_chars = 0;   // total characters in those runs
  friend bool operator==(const CharacterCounts&, const CharacterCounts&) = default;
};

// Counts the characters of `text` (valid UTF-8) in a single pass. Alphanumeric
// means Alphabetic or general category Nd/Nl/No. Never fails.
CharacterCounts count_characters(std::string_view text);

// The five fixed statistics, each in [0.0, 1.0].
struct TextStatistics {
  double text_length = 0.0;
  double special_char_ratio = 0.0;
  double caps_ratio = 0.0;
  double newline_density = 0.0;
  double avg_word_length = 0.0;
};

// Turns the counts of a text of `byte_length` bytes into the statistics.
// Every formula is evaluated in a fixed order of double operations so that
// equal texts give bit-identical results; L = max(byte_length, 1).
TextStatistics text_statistics(const CharacterCounts& counts, std::size_t byte_length);

// The byte length used as the divisor of per-byte values: max(byte_length, 1).
inline double divisor_length(std::size_t byte_length) {
  return static_cast<double>(byte_length == 0 ? std::uint64_t{1} : std::uint64_t{byte_length});
}

}  // namespace kc::pattern_matching
