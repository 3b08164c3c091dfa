// Case and digit shape flags of a token as written.
#pragma once

#include <string_view>

namespace kc::crf_features {

// The three shape flags of a token (valid UTF-8, not lower-cased).
struct TokenShape {
  // At least one Uppercase character, no Lowercase character, and at least
  // two bytes long (so "A" is not all-caps but "É" is).
  bool all_caps = false;
  // Every Uppercase character starts the token or follows an uncased one,
  // every Lowercase character follows a cased one, and some character is
  // cased. Titlecase letters such as U+01C5 count as uncased.
  bool title = false;
  // Non-empty and made only of the ASCII digits 0-9.
  bool digit = false;
};

// Computes the shape flags of `token` in one pass. Never fails.
TokenShape token_shape(std::string_view token);

}  // namespace kc::crf_features
