// Which zero-width assertions hold at a position of a text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "regex/hir/hir.h"

namespace kc::regex::fallback {

// A set of hir::Look values, one bit each.
using LookSet = std::uint32_t;

inline constexpr LookSet look_bit(hir::Look look) { return LookSet{1} << static_cast<unsigned>(look); }

// Every assertion that holds at byte offset `pos` of `text` (pos <= size, on
// a character boundary), judged on the whole text as context.
LookSet looks_at(std::string_view text, std::size_t pos);

}  // namespace kc::regex::fallback
