// Fuzzy similarity of two texts, compared character by character.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kc::motif_matching {

// The best similarity, as a whole percentage 0..100, between the shorter text
// (the first one when the lengths are equal) and any run of equally many
// consecutive characters of the other. An alignment scores
// floor(100 x overlap / n), where overlap is the size of the multiset
// intersection of the two runs' characters and n their length. Characters are
// Unicode scalar values compared exactly (no case folding, no normalisation);
// an empty text scores 0 against anything. Symmetric in `a` and `b`.
// Preconditions: both are valid UTF-8. Never fails.
std::uint32_t partial_ratio(std::string_view a, std::string_view b);

// The number of characters `a` and `b` share counted with multiplicity: the
// sum over every character of its smaller number of occurrences in the two.
std::uint64_t bag_overlap(std::span<const char32_t> a, std::span<const char32_t> b);

}  // namespace kc::motif_matching
