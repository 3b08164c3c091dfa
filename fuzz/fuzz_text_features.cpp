// text_to_features on any text: tokens are the White_Space-separated runs
// (at most kMaxTokens), and every feature map is well formed: unique keys,
// valid UTF-8 values that agree with their kind, positional flags in place,
// words and affixes taken from the lowered tokens.
#include <bitset>
#include <string>
#include <string_view>

#include "crf_features/token_features.h"
#include "crf_features/tokenizer.h"
#include "fuzz_input.h"
#include "unicode/properties.h"
#include "unicode/utf8.h"

namespace {

using namespace kc::crf_features;
using kc::fuzz::check;

std::size_t count_runs(std::string_view text) {
  std::size_t runs = 0;
  bool in_run = false;
  for (std::size_t i = 0; i < text.size();) {
    const bool ws = kc::unicode::is_white_space(kc::unicode::decode_utf8(text, i));
    if (!ws && !in_run) ++runs;
    in_run = !ws;
  }
  return runs;
}

bool has(FeatureMap map, FeatureKey key) {
  for (const Feature& f : map)
    if (f.key == key) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = kc::fuzz::to_utf8({reinterpret_cast<const char*>(data), size});
  const TokenFeatures tf = text_to_features(text);
  const std::size_t n = tf.size();
  check(n == std::min(count_runs(text), kMaxTokens), "token count " + std::to_string(n) + " for " +
                                                         kc::fuzz::escaped(text));
  check(tf.lowered().size() == n, "lowered token count");
  FeatureBuffer buffer;
  for (std::size_t k = 0; k < n; ++k) {
    const std::string_view word = tf.lowered()[k];
    check(!word.empty() && kc::fuzz::is_valid_utf8(word), "lowered token " + kc::fuzz::escaped(word));
    const FeatureMap map = tf.describe(k, buffer);
    std::bitset<kFeatureKeyCount> seen;
    for (const Feature& f : map) {
      const auto key = static_cast<std::size_t>(f.key);
      check(key < kFeatureKeyCount && !seen[key], "repeated or unknown key");
      seen[key] = true;
      check(kc::fuzz::is_valid_utf8(f.value), "invalid value for " + std::string(key_name(f.key)));
      switch (f.kind) {
        case ValueKind::kFlag:
          check(f.value == "1", "flag value");
          break;
        case ValueKind::kNumber:
          check(f.number <= 20 && f.value == std::to_string(f.number), "number value");
          break;
        case ValueKind::kWord:
          check(f.token < n && f.value == tf.lowered()[f.token], "word value");
          break;
        case ValueKind::kAffix: {
          check(f.token < n, "affix token");
          const std::string_view w = tf.lowered()[f.token];
          check(f.value.size() < w.size() &&
                    (w.substr(0, f.value.size()) == f.value || w.substr(w.size() - f.value.size()) == f.value),
                "affix is no proper prefix or suffix");
          break;
        }
      }
      // Repeated words may name the first token with that word.
      if (f.key == FeatureKey::kWord) check(f.value == word && f.token <= k, "w");
      if (f.key == FeatureKey::kM1Word) check(k > 0 && f.value == tf.lowered()[k - 1] && f.token < k, "-1:w");
      if (f.key == FeatureKey::kP1Word) check(k + 1 < n && f.value == tf.lowered()[k + 1] && f.token <= k + 1, "+1:w");
      if (f.key == FeatureKey::kPos) check(f.number == 10 * k / n, "pos");
    }
    check(has(map, FeatureKey::kBias) && has(map, FeatureKey::kWord) && has(map, FeatureKey::kPos), "basic keys");
    check(has(map, FeatureKey::kBos) == (k == 0) && has(map, FeatureKey::kEos) == (k + 1 == n), "BOS/EOS");
  }
  return 0;
}
