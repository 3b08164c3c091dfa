// Declarations of the generated Unicode tables (tables_generated.cpp).
//
// Internal to src/unicode: other layers use the accessors of properties.h,
// case.h, nfkc.h and ucd_sets.h. The layout constants here must match the
// ones in tools/gen_unicode_tables.py; the unit tests compare every accessor
// with the UCD files, so a mismatch cannot go unnoticed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "unicode/ucd_sets.h"

namespace kc::unicode::tables {

inline constexpr char32_t kMaxCodePoint = 0x10FFFF;

// Two-stage lookup: `<name>Index[c >> kBlockShift]` is a block number and
// `<name>Blocks[block << kBlockShift | (c & kBlockMask)]` the value.
inline constexpr unsigned kBlockShift = 7;
inline constexpr char32_t kBlockMask = (1u << kBlockShift) - 1;

// Reads a two-stage table. Precondition: c <= kMaxCodePoint.
template <typename T>
inline T two_stage(const std::uint16_t* index, const T* blocks, char32_t c) {
  return blocks[(static_cast<std::size_t>(index[c >> kBlockShift]) << kBlockShift) |
                (c & kBlockMask)];
}

// Property records: bits 0-4 general category (GeneralCategory order), then flags.
inline constexpr std::uint16_t kPropGcMask = 0x1F;
inline constexpr std::uint16_t kPropWhiteSpace = 1 << 5;
inline constexpr std::uint16_t kPropAlphabetic = 1 << 6;
inline constexpr std::uint16_t kPropUppercase = 1 << 7;
inline constexpr std::uint16_t kPropLowercase = 1 << 8;
inline constexpr std::uint16_t kPropCased = 1 << 9;
inline constexpr std::uint16_t kPropCaseIgnorable = 1 << 10;
extern const std::uint16_t kPropRecords[];
extern const std::uint16_t kPropIndex[];
extern const std::uint8_t kPropBlocks[];

// Full lower-case mapping: 0 for unchanged characters, else an index into
// kLowerPool where a length (1-3) is followed by that many code points.
extern const char32_t kLowerPool[];
extern const std::uint16_t kLowerIndex[];
extern const std::uint16_t kLowerBlocks[];

// Normalisation records: bits 0-7 canonical combining class, bits 8-9 NFKC_QC.
inline constexpr unsigned kQcShift = 8;
inline constexpr std::uint16_t kQcYes = 0, kQcMaybe = 1, kQcNo = 2;
extern const std::uint16_t kNormRecords[];
extern const std::uint16_t kNormIndex[];
extern const std::uint8_t kNormBlocks[];

// Full compatibility decompositions (Hangul syllables excluded): 0 for none,
// else an index into kDecompPool where a length is followed by the code points.
extern const char32_t kDecompPool[];
extern const std::uint16_t kDecompIndex[];
extern const std::uint16_t kDecompBlocks[];

// Primary composites (canonical pairs minus Full_Composition_Exclusion),
// sorted by (first, second). Every `second` has NFKC_QC = Maybe.
struct CompositionPair {
  char32_t first;
  char32_t second;
  char32_t composite;
};
extern const CompositionPair kCompositions[];
extern const std::size_t kCompositionCount;

// Named sets for the regex dialect (see ucd_sets.h); all ranges live in kRangePool.
extern const Range kRangePool[];
extern const std::span<const NamedSet> kGeneralCategories;
extern const std::span<const NamedSet> kScripts;
extern const std::span<const NamedSet> kScriptExtensions;
extern const std::span<const NamedSet> kBinaryProperties;
extern const std::span<const NamedSet> kAges;
extern const std::span<const NamedSet> kGraphemeClusterBreaks;
extern const std::span<const NamedSet> kWordBreaks;
extern const std::span<const NamedSet> kSentenceBreaks;
extern const std::span<const Range> kPerlWord;
extern const std::span<const Range> kPerlDigit;
extern const std::span<const Range> kPerlSpace;

// Property and value aliases; spellings live in kAliasNames.
extern const std::string_view kAliasNames[];
extern const std::span<const PropertyAlias> kPropertyAliases;
extern const std::span<const ValueAlias> kValueAliases;

// Simple case folding classes: the other members of kFoldCodePoints[i] are
// kFoldOrbits[kFoldOrbitStarts[i]] up to kFoldOrbits[kFoldOrbitStarts[i + 1]].
extern const std::span<const char32_t> kFoldCodePoints;
extern const std::uint16_t kFoldOrbitStarts[];
extern const char32_t kFoldOrbits[];

}  // namespace kc::unicode::tables
