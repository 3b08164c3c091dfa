// The per-token feature maps that text_to_features returns.
//
// Keys come from a fixed set of 43, so a key is an enumerator with a static
// name; flag and number values are static texts too. Only word values refer
// to text, and they point into the lowered tokens of the TokenFeatures that
// described them. The
// Python binding can therefore intern every key, "1" and the numbers 0-20
// once, and build each whole lowered word once per token although it is the
// value of "w" for its token and of "+1:w"/"-1:w" for its neighbours.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "crf_features/keyword_lexicons.h"

namespace kc::crf_features {

// Every key a feature map can hold; the names are in kFeatureKeyNames.
enum class FeatureKey : std::uint8_t {
  kBias, kWord, kSuffix3, kSuffix2, kPrefix3, kLength,
  kAllCaps, kTitle, kDigit, kHasSpecial,
  kKwInstr, kKwRole, kKwAct, kKwJail,
  kPos, kBos, kEos,
  kM3KwInstr, kM3KwRole, kM3KwAct, kM3KwJail,
  kM2KwInstr, kM2KwRole, kM2KwAct, kM2KwJail,
  kM1Word, kM1KwInstr, kM1KwRole, kM1KwAct, kM1KwJail,
  kP1Word, kP1KwInstr, kP1KwRole, kP1KwAct, kP1KwJail,
  kP2KwInstr, kP2KwRole, kP2KwAct, kP2KwJail,
  kP3KwInstr, kP3KwRole, kP3KwAct, kP3KwJail,
};
inline constexpr std::size_t kFeatureKeyCount = 43;

// The text of each key, indexed by FeatureKey.
inline constexpr std::array<std::string_view, kFeatureKeyCount> kFeatureKeyNames = {
    "bias", "w", "w[-3:]", "w[-2:]", "w[:3]", "len",
    "ALLCAP", "Title", "Digit", "HasSpecial",
    "kw:instr", "kw:role", "kw:act", "kw:jail",
    "pos", "BOS", "EOS",
    "-3:kw:instr", "-3:kw:role", "-3:kw:act", "-3:kw:jail",
    "-2:kw:instr", "-2:kw:role", "-2:kw:act", "-2:kw:jail",
    "-1:w", "-1:kw:instr", "-1:kw:role", "-1:kw:act", "-1:kw:jail",
    "+1:w", "+1:kw:instr", "+1:kw:role", "+1:kw:act", "+1:kw:jail",
    "+2:kw:instr", "+2:kw:role", "+2:kw:act", "+2:kw:jail",
    "+3:kw:instr", "+3:kw:role", "+3:kw:act", "+3:kw:jail",
};

inline constexpr std::string_view key_name(FeatureKey key) {
  return kFeatureKeyNames[static_cast<std::size_t>(key)];
}

// The neighbour offsets of the context features, in insertion order.
inline constexpr std::array<int, 6> kContextOffsets = {-3, -2, -1, 1, 2, 3};

// The own-token lexicon flag for `lexicon` ("kw:instr" ...).
inline constexpr FeatureKey keyword_key(Lexicon lexicon) {
  return static_cast<FeatureKey>(static_cast<int>(FeatureKey::kKwInstr) + static_cast<int>(lexicon));
}

// The lexicon flag of the neighbour at kContextOffsets[slot] ("-3:kw:instr" ...).
inline constexpr FeatureKey context_keyword_key(std::size_t slot, Lexicon lexicon) {
  // Four lexicon keys per offset, plus the word keys of -1 and +1 before theirs.
  const std::size_t base = static_cast<std::size_t>(FeatureKey::kM3KwInstr) + 4 * slot +
                           (slot >= 2 ? 1 : 0) + (slot >= 3 ? 1 : 0);
  return static_cast<FeatureKey>(base + static_cast<std::size_t>(lexicon));
}

// How a feature's value is made, so a consumer can share equal values.
enum class ValueKind : std::uint8_t {
  kFlag,    // always "1"
  kNumber,  // the decimal text of `number` (0 to 20)
  kWord,    // the whole lowered word of token `token`
  kAffix,   // a proper part of the lowered word of token `token`
};

// One (key, value) entry of a feature map.
struct Feature {
  FeatureKey key;
  ValueKind kind;
  std::uint16_t number;    // kNumber only
  std::uint32_t token;     // kWord and kAffix only
  std::string_view value;  // the value's text, for every kind
};

// One token's features, in insertion order; keys are unique within a map.
using FeatureMap = std::span<const Feature>;

// Room for the largest possible map.
using FeatureBuffer = std::array<Feature, kFeatureKeyCount>;

}  // namespace kc::crf_features
