// Describing tokens by their features.
#include "crf_features/token_features.h"

#include <algorithm>
#include <array>

#include "crf_features/token_shape.h"
#include "crf_features/tokenizer.h"
#include "unicode/utf8.h"

namespace kc::crf_features {
namespace {

constexpr std::size_t kLenCap = 20;
constexpr std::string_view kOne = "1";
constexpr std::array<std::string_view, kLenCap + 1> kNumbers = {
    "0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "10",
    "11", "12", "13", "14", "15", "16", "17", "18", "19", "20"};

bool is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The last `k` characters of `w`, which has more than `k` characters.
std::string_view last_chars(std::string_view w, std::size_t k) {
  std::size_t pos = w.size();
  for (std::size_t n = 0; n < k; ++n) {
    do --pos; while (pos > 0 && is_continuation(w[pos]));
  }
  return w.substr(pos);
}

// The first `k` characters of `w`, which has more than `k` characters.
std::string_view first_chars(std::string_view w, std::size_t k) {
  std::size_t pos = 0;
  for (std::size_t n = 0; n < k; ++n) {
    do ++pos; while (pos < w.size() && is_continuation(w[pos]));
  }
  return w.substr(0, pos);
}

// Appends features to a buffer that is large enough for any map, since every
// key is written at most once.
class MapWriter {
 public:
  explicit MapWriter(FeatureBuffer& buffer) : buffer_(buffer) {}
  void flag(FeatureKey key) { put({key, ValueKind::kFlag, 0, 0, kOne}); }
  void number(FeatureKey key, std::size_t n) {
    put({key, ValueKind::kNumber, static_cast<std::uint16_t>(n), 0, kNumbers[n]});
  }
  void word(FeatureKey key, std::size_t token, std::string_view w) {
    put({key, ValueKind::kWord, 0, static_cast<std::uint32_t>(token), w});
  }
  // An affix equal to the whole word is reported as the word itself.
  void affix(FeatureKey key, std::size_t token, std::string_view w, std::string_view part) {
    put({key, part.size() == w.size() ? ValueKind::kWord : ValueKind::kAffix, 0,
         static_cast<std::uint32_t>(token), part});
  }
  FeatureMap done() const { return FeatureMap(buffer_.data(), size_); }

 private:
  void put(const Feature& f) { buffer_[size_++] = f; }
  FeatureBuffer& buffer_;
  std::size_t size_ = 0;
};

// For each word, the index of the first word equal to it. Prose repeats most
// of its words, so this lets every repeat share one value downstream.
std::vector<std::uint32_t> first_occurrences(const LoweredTokens& words) {
  const std::size_t n = words.size();
  std::size_t size = 16;
  while (size < 2 * n) size *= 2;
  constexpr std::uint32_t kEmpty = UINT32_MAX;
  std::vector<std::uint32_t> slots(size, kEmpty);
  std::vector<std::uint32_t> first(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::string_view w = words[i];
    std::uint64_t h = 14695981039346656037ull;  // FNV-1a
    for (char c : w) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    std::size_t at = (h ^ (h >> 29)) & (size - 1);
    while (slots[at] != kEmpty && words[slots[at]] != w) at = (at + 1) & (size - 1);
    if (slots[at] == kEmpty) slots[at] = static_cast<std::uint32_t>(i);
    first[i] = slots[at];
  }
  return first;
}

}  // namespace

TokenFeatures text_to_features(std::string_view text) {
  TokenFeatures result;
  result.tokens_ = tokenize(text);
  if (result.tokens_.empty()) return result;
  result.lowered_ = LoweredTokens(result.tokens_);
  result.first_ = first_occurrences(result.lowered_);
  // Looked up once per distinct word; each is also read by six neighbours.
  result.keywords_.resize(result.tokens_.size());
  for (std::size_t i = 0; i < result.tokens_.size(); ++i) {
    const std::size_t first = result.first_[i];
    result.keywords_[i] = first == i ? find_keyword(result.lowered_[i]) : result.keywords_[first];
  }
  return result;
}

FeatureMap TokenFeatures::describe(std::size_t i, FeatureBuffer& buffer) const {
  const std::size_t n = tokens_.size();
  const std::string_view t = tokens_[i];
  const std::string_view w = lowered_[i];
  MapWriter out(buffer);

  const std::size_t first = first_[i];
  out.flag(FeatureKey::kBias);
  out.word(FeatureKey::kWord, first, w);
  const std::size_t chars = unicode::count_chars(w);
  out.affix(FeatureKey::kSuffix3, first, w, chars <= 3 ? w : last_chars(w, 3));
  out.affix(FeatureKey::kSuffix2, first, w, chars <= 2 ? w : last_chars(w, 2));
  out.affix(FeatureKey::kPrefix3, first, w, chars <= 3 ? w : first_chars(w, 3));
  out.number(FeatureKey::kLength, std::min(chars, kLenCap));

  const TokenShape shape = token_shape(t);
  if (shape.all_caps) out.flag(FeatureKey::kAllCaps);
  if (shape.title) out.flag(FeatureKey::kTitle);
  if (shape.digit) out.flag(FeatureKey::kDigit);
  if (has_special(t)) out.flag(FeatureKey::kHasSpecial);
  if (keywords_[i]) out.flag(keyword_key(*keywords_[i]));

  out.number(FeatureKey::kPos, 10 * i / n);
  if (i == 0) out.flag(FeatureKey::kBos);
  if (i == n - 1) out.flag(FeatureKey::kEos);

  for (std::size_t slot = 0; slot < kContextOffsets.size(); ++slot) {
    const int d = kContextOffsets[slot];
    if ((d < 0 && i < static_cast<std::size_t>(-d)) || (d > 0 && i + d >= n)) continue;
    const std::size_t j = d < 0 ? i - static_cast<std::size_t>(-d) : i + static_cast<std::size_t>(d);
    if (d == -1) out.word(FeatureKey::kM1Word, first_[j], lowered_[j]);
    if (d == 1) out.word(FeatureKey::kP1Word, first_[j], lowered_[j]);
    if (keywords_[j]) out.flag(context_keyword_key(slot, *keywords_[j]));
  }
  return out.done();
}

}  // namespace kc::crf_features
