// text_to_features(text): per-token CRF features as a list of dicts.
//
// Roughly 1700 dicts for 10 KB of prose, so the Python objects dominate the
// cost: the 43 keys and the small values ("1", "0" to "20") are made once per
// process and shared, and each token's lowered word is made once although it
// is also the "-1:w" / "+1:w" value of its neighbours.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "crf_features/token_features.h"
#include "native/callable.h"
#include "native/convert.h"
#include "native/module.h"

namespace kc::py {

namespace {

using kc::crf_features::TokenFeatures;
using kc::crf_features::FeatureKey;
using kc::crf_features::ValueKind;

constexpr std::size_t kLargestNumber = 20;

// Interned strings, made on first use and kept for the life of the process.
struct SharedStrings {
  std::array<PyObject*, kc::crf_features::kFeatureKeyCount> keys{};
  std::array<PyObject*, kLargestNumber + 1> numbers{};
  PyObject* one = nullptr;
};

const SharedStrings& shared_strings() {
  static SharedStrings* strings = nullptr;  // written under the interpreter lock
  if (strings == nullptr) {
    auto made = std::make_unique<SharedStrings>();
    for (std::size_t k = 0; k < made->keys.size(); ++k)
      made->keys[k] = new_str(kc::crf_features::kFeatureKeyNames[k]).release();
    for (std::size_t v = 0; v <= kLargestNumber; ++v) made->numbers[v] = new_str(std::to_string(v)).release();
    made->one = made->numbers[1];
    strings = made.release();
  }
  return *strings;
}

PyRef feature_dicts(const TokenFeatures& tokens) {
  const SharedStrings& shared = shared_strings();
  // Word and affix values name the first token with the same lowered word,
  // so each distinct value is made once per call.
  std::vector<PyRef> words(tokens.size());
  std::vector<std::array<PyRef, 3>> affixes(tokens.size());
  auto word = [&](std::uint32_t token) -> PyObject* {
    PyRef& slot = words[token];
    if (!slot) slot = new_str(tokens.lowered()[token]);
    return slot.get();
  };
  static_assert(static_cast<int>(FeatureKey::kSuffix2) == static_cast<int>(FeatureKey::kSuffix3) + 1 &&
                static_cast<int>(FeatureKey::kPrefix3) == static_cast<int>(FeatureKey::kSuffix3) + 2);
  auto affix = [&](const kc::crf_features::Feature& feature) -> PyObject* {
    const auto which = static_cast<std::size_t>(feature.key) - static_cast<std::size_t>(FeatureKey::kSuffix3);
    PyRef& slot = affixes[feature.token][which];
    if (!slot) slot = new_str(feature.value);
    return slot.get();
  };

  kc::crf_features::FeatureBuffer buffer;
  PyRef list = new_list(tokens.size());
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    PyRef dict = new_dict();
    for (const auto& feature : tokens.describe(k, buffer)) {
      PyObject* key = shared.keys[static_cast<std::size_t>(feature.key)];
      switch (feature.kind) {
        case ValueKind::kFlag:
          dict_set(dict.get(), key, shared.one);
          break;
        case ValueKind::kNumber:
          if (feature.number <= kLargestNumber) {
            dict_set(dict.get(), key, shared.numbers[feature.number]);
          } else {
            PyRef value = new_str(feature.value);
            dict_set(dict.get(), key, value.get());
          }
          break;
        case ValueKind::kWord:
          dict_set(dict.get(), key, word(feature.token));
          break;
        case ValueKind::kAffix:
          dict_set(dict.get(), key, affix(feature));
          break;
      }
    }
    list_put(list.get(), k, std::move(dict));
  }
  return list;
}

constexpr std::array<const char*, 1> kParams = {"text"};
constexpr Signature kSignature = {nullptr, "text_to_features", kParams};

PyObject* text_to_features(PyObject*, PyObject* args, PyObject* kwargs) {
  return call_function<1>(kSignature, args, kwargs, [](auto& slots) {
    const std::string_view text = convert_arg("text", slots[0], to_text);
    return feature_dicts(kc::crf_features::text_to_features(text));
  });
}

}  // namespace

PyMethodDef text_to_features_def = {
    "text_to_features", as_cfunction<text_to_features>(), METH_VARARGS | METH_KEYWORDS,
    "text_to_features(text)\n--\n\nExtract CRF features from text, returning a list of feature dicts."};

}  // namespace kc::py
