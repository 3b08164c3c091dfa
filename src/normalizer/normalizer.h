// The fused normal form used to compare texts: NFKC, then invisible and
// formatting characters dropped, whitespace runs collapsed to one space and
// trimmed, and everything else lower-cased character by character.
#pragma once

#include <string>
#include <string_view>

namespace kc::normalizer {

// Returns the fused normal form of `text` (valid UTF-8). Pure; never fails.
// Two passes: NFKC into one intermediate buffer, then the fused
// drop/collapse/lower pass straight into a result sized up front.
std::string normalize_text(std::string_view text);

}  // namespace kc::normalizer
