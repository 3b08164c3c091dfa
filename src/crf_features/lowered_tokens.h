// Tokens lower-cased for the keyword and word features.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace kc::crf_features {

// The lower-cased forms of a list of tokens, held in one buffer. Each token is
// lower-cased with the full Unicode mapping (U+0130 becomes "i" + U+0307) and
// the Final_Sigma rule judged inside the token alone; no language-specific
// rules. Movable (views stay valid across moves), copyable.
class LoweredTokens {
 public:
  LoweredTokens() = default;
  // Lowers every token of `tokens` (valid UTF-8), in order.
  explicit LoweredTokens(std::span<const std::string_view> tokens);

  std::size_t size() const { return ends_.size(); }
  // The lowered form of token i; i < size(). Valid while this object lives.
  std::string_view operator[](std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(bytes_.data() + begin, ends_[i] - begin);
  }

 private:
  std::vector<char> bytes_;         // all lowered tokens back to back
  std::vector<std::size_t> ends_;   // ends_[i]: one past token i's last byte
};

}  // namespace kc::crf_features
