// What a token is: the two character classes of the token features.
//
// A token is a maximal run of characters that are not White_Space (the
// expression "\S+" in the Rust regex dialect), and a token "has a special
// character" when "[^a-zA-Z0-9\s]" matches in it. Both are fixed, so they are
// scanned for directly: a per-token regex search costs more than the whole
// rest of the feature extraction. Tests check both scanners against those
// expressions compiled by kc::regex.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace kc::crf_features {

// The most tokens a text is cut into; the rest of the text is ignored.
inline constexpr std::size_t kMaxTokens = 2000;

// The first kMaxTokens maximal runs of non-White_Space characters of `text`
// (valid UTF-8), as slices of `text` in text order. Stops reading right after
// the last token it keeps. Never fails.
std::vector<std::string_view> tokenize(std::string_view text);

// True when `token` (valid UTF-8, holding no White_Space) contains a
// character that is not an ASCII letter or digit; every non-ASCII character
// counts.
bool has_special(std::string_view token);

}  // namespace kc::crf_features
