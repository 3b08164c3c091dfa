// Token lowering: ASCII tokens byte by byte, the rest through the Unicode
// lower-casing (which applies Final_Sigma within the string it is given).
#include "crf_features/lowered_tokens.h"

#include <string>

#include "unicode/case.h"

namespace kc::crf_features {

LoweredTokens::LoweredTokens(std::span<const std::string_view> tokens) {
  std::size_t total = 0;
  for (std::string_view t : tokens) total += t.size();
  bytes_.reserve(total);
  ends_.reserve(tokens.size());
  std::string scratch;
  for (std::string_view t : tokens) {
    bool ascii = true;
    for (char c : t) ascii &= static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
      for (char c : t) bytes_.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
    } else {
      scratch.clear();
      unicode::to_lowercase(t, scratch);
      bytes_.insert(bytes_.end(), scratch.begin(), scratch.end());
    }
    ends_.push_back(bytes_.size());
  }
}

}  // namespace kc::crf_features
