// RustPatternExtractor: the Python class over PatternExtractor.
#include <array>
#include <variant>

#include "native/callable.h"
#include "native/convert.h"
#include "native/module.h"
#include "pattern_matching/pattern_extractor.h"

namespace kc::py {

using kc::pattern_matching::PatternExtractor;

namespace {
PyObject* construct_pattern_extractor(PyTypeObject* type, PyObject* args, PyObject* kwargs);
extern PyMethodDef pattern_extractor_methods[];
constexpr const char* kClassName = "RustPatternExtractor";
}  // namespace

template <>
struct ClassDef<PatternExtractor> {
  static constexpr const char* name = kClassName;
  static constexpr const char* text_signature = "(patterns)";
  static constexpr const char* description =
      "Compiled pattern extractor using RegexSet for O(n) multi-pattern matching.";
  static inline PyMethodDef* methods = pattern_extractor_methods;
  static inline newfunc tp_new = &construct_pattern_extractor;
};

namespace {

using Class = PyClass<PatternExtractor>;

constexpr std::array<const char*, 1> kPatternsParam = {"patterns"};
constexpr std::array<const char*, 1> kTextParam = {"text"};

PyObject* construct_pattern_extractor(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  static constexpr Signature sig = {kClassName, "__new__", kPatternsParam};
  return call_function<1>(sig, args, kwargs, [&](auto& slots) {
    kc::CategoryTable table = convert_arg("patterns", slots[0], to_category_table);
    auto built = PatternExtractor::New(std::move(table));
    if (auto* error = std::get_if<kc::regex::Error>(&built))
      throw_error(PyExc_ValueError, "Failed to compile RegexSet: " + error->message);
    return PyRef::steal(Class::create(type, std::get<PatternExtractor>(std::move(built))));
  });
}

// The shared body of the four methods: convert `text`, run one query.
template <class Query>
PyObject* method(const Signature& sig, PyObject* self, PyObject* args, PyObject* kwargs, Query&& query) {
  return call_method<PatternExtractor, 1>(sig, self, args, kwargs, [&](const PatternExtractor& ex, auto& slots) {
    const std::string_view text = convert_arg("text", slots[0], to_text);
    return query(ex, text);
  });
}

PyObject* extract(PyObject* self, PyObject* args, PyObject* kwargs) {
  static constexpr Signature sig = {kClassName, "extract", kTextParam};
  return method(sig, self, args, kwargs, [](const PatternExtractor& ex, std::string_view text) {
    const auto features = ex.extract(text);
    PyRef dict = new_dict();
    const auto& names = ex.category_names();
    for (std::size_t i = 0; i < names.size(); ++i) {
      PyRef key = new_str(names[i]);
      PyRef value = new_float(features.category_scores[i]);
      dict_set(dict.get(), key.get(), value.get());
    }
    const std::pair<const char*, double> fixed[] = {
        {"text_length", features.text_length},
        {"special_char_ratio", features.special_char_ratio},
        {"caps_ratio", features.caps_ratio},
        {"newline_density", features.newline_density},
        {"avg_word_length", features.avg_word_length},
    };
    for (const auto& [name, number] : fixed) {
      PyRef key = new_str(name);
      PyRef value = new_float(number);
      dict_set(dict.get(), key.get(), value.get());
    }
    return dict;
  });
}

PyObject* find_pattern_spans(PyObject* self, PyObject* args, PyObject* kwargs) {
  static constexpr Signature sig = {kClassName, "find_pattern_spans", kTextParam};
  return method(sig, self, args, kwargs, [](const PatternExtractor& ex, std::string_view text) {
    return span_list(ex.find_pattern_spans(text));
  });
}

PyObject* has_any_match(PyObject* self, PyObject* args, PyObject* kwargs) {
  static constexpr Signature sig = {kClassName, "has_any_match", kTextParam};
  return method(sig, self, args, kwargs, [](const PatternExtractor& ex, std::string_view text) {
    return new_bool(ex.has_any_match(text));
  });
}

PyObject* find_categorized_spans(PyObject* self, PyObject* args, PyObject* kwargs) {
  static constexpr Signature sig = {kClassName, "find_categorized_spans", kTextParam};
  return method(sig, self, args, kwargs, [](const PatternExtractor& ex, std::string_view text) {
    const auto spans = ex.find_categorized_spans(text);
    const auto& names = ex.category_names();
    PyRef list = new_list(spans.size());
    for (std::size_t i = 0; i < spans.size(); ++i) {
      PyRef tuple = new_tuple(3);
      tuple_put(tuple.get(), 0, new_u64(spans[i].start));
      tuple_put(tuple.get(), 1, new_u64(spans[i].end));
      tuple_put(tuple.get(), 2, new_str(names[spans[i].category]));
      list_put(list.get(), i, std::move(tuple));
    }
    return list;
  });
}

PyMethodDef pattern_extractor_methods[] = {
    {"extract", as_cfunction<extract>(), METH_VARARGS | METH_KEYWORDS,
     "extract($self, text)\n--\n\nExtract features as a dict matching PatternFeatures field names."},
    {"find_pattern_spans", as_cfunction<find_pattern_spans>(), METH_VARARGS | METH_KEYWORDS,
     "find_pattern_spans($self, text)\n--\n\nFind all pattern match spans, merged and sorted."},
    {"has_any_match", as_cfunction<has_any_match>(), METH_VARARGS | METH_KEYWORDS,
     "has_any_match($self, text)\n--\n\nQuick check if any pattern matches at all."},
    {"find_categorized_spans", as_cfunction<find_categorized_spans>(), METH_VARARGS | METH_KEYWORDS,
     "find_categorized_spans($self, text)\n--\n\nFind all pattern match spans with category info, NOT "
     "merged."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

PyObject* pattern_extractor_type() { return Class::type_for_import(); }

}  // namespace kc::py
