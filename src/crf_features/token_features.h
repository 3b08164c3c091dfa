// Per-token features for the CRF sequence tagger.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "crf_features/feature_map.h"
#include "crf_features/keyword_lexicons.h"
#include "crf_features/lowered_tokens.h"

namespace kc::crf_features {

// The tokens of one text, ready to be described one FeatureMap at a time.
// Holds the token slices (borrowed from the text, which must outlive this
// object), their lowered forms and their keyword lexicons; each map is
// written on demand into a caller's buffer, so describing a whole text
// allocates nothing per feature. Movable (word values stay valid across
// moves); not copyable.
class TokenFeatures {
 public:
  TokenFeatures() = default;
  TokenFeatures(TokenFeatures&&) noexcept = default;
  TokenFeatures& operator=(TokenFeatures&&) noexcept = default;
  TokenFeatures(const TokenFeatures&) = delete;
  TokenFeatures& operator=(const TokenFeatures&) = delete;

  // The number of tokens (= maps), at most kMaxTokens.
  std::size_t size() const { return tokens_.size(); }
  bool empty() const { return tokens_.empty(); }

  // Writes the features of token k (k < size()) into `buffer`, in insertion
  // order, and returns them. Flags are present only when true ("1"); "len"
  // and "pos" are numbers; "w", the affixes and "-1:w"/"+1:w" are words that
  // stay valid while this object lives. A word or affix value's `token` is
  // the first token with the same lowered word, so equal (token, key) pairs
  // carry equal values across the whole text and a consumer can make each
  // distinct value once. Never fails.
  FeatureMap describe(std::size_t k, FeatureBuffer& buffer) const;

  // The lowered tokens that kWord/kAffix values refer to.
  const LoweredTokens& lowered() const { return lowered_; }

 private:
  friend TokenFeatures text_to_features(std::string_view text);

  std::vector<std::string_view> tokens_;         // as written
  LoweredTokens lowered_;                        // parallel to tokens_
  std::vector<std::optional<Lexicon>> keywords_;  // lexicon of each lowered token
  std::vector<std::uint32_t> first_;              // first token with the same lowered word
};

// Cuts `text` (valid UTF-8) into at most kMaxTokens tokens for description:
// maximal runs of non-White_Space characters, each lowered with the full
// Unicode mapping. A text without tokens gives an empty result. Never fails;
// reads no shared mutable state, so calls may run concurrently.
//
// Map k describes token k by its lowered word, the word's last three and two
// and first three characters, its length in characters ("len", capped at 20),
// the shape flags "ALLCAP", "Title", "Digit" and "HasSpecial", its keyword
// lexicon flag, "pos" = 10*k/n, "BOS"/"EOS", the keyword flags of the tokens
// up to three places away and the lowered words of the adjacent tokens.
TokenFeatures text_to_features(std::string_view text);

}  // namespace kc::crf_features
