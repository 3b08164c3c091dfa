// Candidate match starts from the literal text every match begins with.
//
// Screening patterns mostly open with \b and a word (`(?i)\bignore\s+...`):
// the assertion stops RE2 from skipping ahead by its own literal prefix,
// so an unanchored search steps its DFA over every byte. When every match
// begins, after zero-width assertions only, with one of a few short byte
// strings (each position a set of ASCII bytes, such as a letter in either
// case), a vector scan finds the places where a match can start, and RE2
// anchored there confirms them: the first confirmed place holds the
// leftmost-first match, since no match starts anywhere else.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "regex/hir/hir.h"
#include "regex/re2_emit/emit.h"

namespace kc::regex::meta {

// An RE2 pattern (written for `assumption`, as re2_emit::emit writes)
// matching every prefix of every string `hir` matches, or nullopt when emit
// refuses a part or `hir` has more than kMaxViableNodes nodes (the result
// nests as deep as `hir` is long). Assertions inside whole parts stay, a
// part cut short drops them: an assertion a match has passed held. If a
// match of `hir` starting at some place runs past a point, the text from
// that place to the point matches it in full, so a confirmation cut short
// there cannot have missed a longer match when it does not.
constexpr std::size_t kMaxViableNodes = 512;
std::optional<std::string> viable_prefixes(const hir::Hir& hir, re2_emit::TextAssumption assumption);

class LiteralPrefilter {
 public:
  // At most this many prefixes, each of at most kMaxLength bytes.
  static constexpr std::size_t kMaxPrefixes = 8;
  static constexpr std::size_t kMaxLength = 16;

  // The prefilter for `hir`, or nullopt when its matches do not all begin
  // with one of at most kMaxPrefixes non-empty prefixes that a scan can
  // look for (each needs a position holding one byte or one letter in
  // either case).
  static std::optional<LiteralPrefilter> for_hir(const hir::Hir& hir);

  // True if the prefixes hold on every text; false: only on ASCII text
  // (a class or literal had characters outside ASCII, such as the Kelvin
  // sign that (?i)k also matches).
  bool any_text() const { return any_text_; }

  // The candidates of one text, in ascending order. Remembers where each
  // prefix was found last, so a walk over the text scans it once. Copyable.
  class Cursor {
   public:
    explicit Cursor(const LiteralPrefilter& prefilter);
    // The smallest offset at or after `from` where a prefix occurs, or
    // nullopt. The byte there is ASCII, so the offset is a character boundary.
    std::optional<std::size_t> next(std::string_view text, std::size_t from);

   private:
    const LiteralPrefilter* prefilter_;
    std::array<std::size_t, kMaxPrefixes> scanned_from_{};  // where found_[k] was searched from
    std::array<std::size_t, kMaxPrefixes> found_{};         // next occurrence, or npos
  };

 private:
  using ByteSet = std::array<std::uint64_t, 2>;  // bytes 0x00-0x7F
  // One byte position tested 16 at a time: (byte | mask) == value.
  struct Probe {
    std::uint8_t offset = 0;
    std::uint8_t value = 0;
    std::uint8_t mask = 0;
  };
  struct Prefix {
    std::vector<ByteSet> bytes;
    Probe first, second;  // second may equal first
  };

  LiteralPrefilter() = default;
  static bool contains(const ByteSet& set, unsigned char byte) {
    return byte < 0x80 && ((set[byte >> 6] >> (byte & 63)) & 1);
  }
  static bool occurs_at(const Prefix& p, std::string_view text, std::size_t at);
  static std::size_t find(const Prefix& p, std::string_view text, std::size_t from);

  std::vector<Prefix> prefixes_;
  bool any_text_ = true;
};

}  // namespace kc::regex::meta
