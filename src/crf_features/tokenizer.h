// What a token is: the two process-wide expressions of the token features.
//
// `WORD_RE` ("\S+") cuts a text into tokens: maximal runs of characters that
// are not White_Space. `SPECIAL_RE` ("[^a-zA-Z0-9\s]") tells whether a token
// holds a character that is neither an ASCII letter or digit nor White_Space.
// Both are compiled by kc::regex on first use, once per process, under the
// language's thread-safe initialisation of local statics.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "regex/regex.h"

namespace kc::crf_features {

// The most tokens a text is cut into; the rest of the text is ignored.
inline constexpr std::size_t kMaxTokens = 2000;

// The compiled "\S+", built on the first call in the process.
const regex::Regex& word_re();
// The compiled "[^a-zA-Z0-9\s]", built on the first call in the process.
const regex::Regex& special_re();

// The first kMaxTokens matches of word_re() in `text` (valid UTF-8), as
// slices of `text` in text order. No search is made after the last token it
// keeps, so the rest of a long text is never read. Builds word_re() even for
// the empty text. Never fails.
std::vector<std::string_view> tokenize(std::string_view text);

// True when special_re() matches anywhere in `token` (valid UTF-8).
bool has_special(std::string_view token);

}  // namespace kc::crf_features
