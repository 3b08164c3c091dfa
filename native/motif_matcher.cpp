// RustMotifMatcher: the Python class over MotifMatcher.
#include <array>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "motif_matching/motif_matcher.h"
#include "native/callable.h"
#include "native/convert.h"
#include "native/module.h"

namespace kc::py {

using kc::motif_matching::MotifMatcher;

namespace {
PyObject* construct_motif_matcher(PyTypeObject* type, PyObject* args, PyObject* kwargs);
extern PyMethodDef motif_matcher_methods[];
constexpr const char* kClassName = "RustMotifMatcher";
}  // namespace

template <>
struct ClassDef<MotifMatcher> {
  static constexpr const char* name = kClassName;
  static constexpr const char* text_signature = "(motifs, threshold, use_fuzzy)";
  static constexpr const char* description =
      "Motif matcher with Aho-Corasick exact matching + optional fuzzy fallback.";
  static inline PyMethodDef* methods = motif_matcher_methods;
  static inline newfunc tp_new = &construct_motif_matcher;
};

namespace {

using Class = PyClass<MotifMatcher>;

// Per-call values by id (motif entry or category): a vector indexed by id
// when the call has at least an eighth as many hits as there are ids, else a
// hash map, so that a short text over a large lexicon does not pay for a
// slot per motif.
template <class T>
class ById {
 public:
  ById(std::size_t ids, std::size_t hits) {
    if (ids / 8 <= hits) dense_.resize(ids);
  }
  T& operator[](std::uint32_t id) { return dense_.empty() ? sparse_[id] : dense_[id]; }

 private:
  std::vector<T> dense_;
  std::unordered_map<std::uint32_t, T> sparse_;
};

// An entry's first record of the call, which its later records copy.
struct FirstRecord {
  PyRef dict;
  std::uint64_t length = 0;
  std::uint32_t score = 0;
};

constexpr std::array<const char*, 3> kConstructorParams = {"motifs", "threshold", "use_fuzzy"};
constexpr std::array<const char*, 3> kFindParams = {"text", "window_size", "step"};
constexpr std::array<const char*, 1> kTextParam = {"text"};

PyObject* construct_motif_matcher(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  static constexpr Signature sig = {kClassName, "__new__", kConstructorParams};
  return call_function<3>(sig, args, kwargs, [&](auto& slots) {
    kc::CategoryTable motifs = convert_arg("motifs", slots[0], to_category_table);
    const std::uint32_t threshold = convert_arg("threshold", slots[1], to_u32);
    const bool use_fuzzy = convert_arg("use_fuzzy", slots[2], to_flag);
    auto built = MotifMatcher::New(std::move(motifs), threshold, use_fuzzy);
    if (auto* error = std::get_if<kc::aho_corasick::BuildError>(&built))
      throw_error(PyExc_ValueError, "Failed to build Aho-Corasick automaton: " + error->message());
    return PyRef::steal(Class::create(type, std::get<MotifMatcher>(std::move(built))));
  });
}

PyObject* find_matches(PyObject* self, PyObject* args, PyObject* kwargs) {
  static constexpr Signature sig = {kClassName, "find_matches", kFindParams};
  return call_method<MotifMatcher, 3>(sig, self, args, kwargs, [](const MotifMatcher& matcher, auto& slots) {
    const std::string_view text = convert_arg("text", slots[0], to_text);
    const std::uint64_t window_size = convert_arg("window_size", slots[1], to_u64);
    const std::uint64_t step = convert_arg("step", slots[2], to_u64);
    if (const char* problem = matcher.step_error(step)) throw_error(PyExc_ValueError, problem);
    // A dense text gives hundreds of thousands of hits over a lexicon of a
    // few thousand motifs. So an entry's first record is built key by key,
    // with one str per motif and per category for the call, and its later
    // records copy it (which keeps the key order) and set what differs: the
    // position, and the length and score where they differ.
    const kc::motif_matching::HitList hits = matcher.find_hits(text, window_size, step);
    const auto& entries = matcher.motif_entries();
    ById<FirstRecord> firsts(entries.size(), hits.size());
    ById<PyRef> categories(matcher.category_count(), hits.size());
    PyRef keys[5];
    static constexpr const char* kKeys[] = {"motif", "category", "position", "length", "score"};
    for (int k = 0; k < 5; ++k) keys[k] = new_str(kKeys[k]);
    PyRef exact_score = new_float(100.0);
    auto score_object = [&](std::uint32_t score) {
      return score == MotifMatcher::kExactScore ? PyRef::borrow(exact_score.get()) : new_float(score);
    };
    PyRef list = new_list(hits.size());
    for (std::size_t i = 0; i < hits.size(); ++i) {
      const kc::motif_matching::MotifHit& hit = hits[i];
      FirstRecord& first = firsts[hit.entry];
      PyRef dict;
      if (!first.dict) {
        const kc::motif_matching::MotifEntry& e = entries[hit.entry];
        PyRef& category = categories[matcher.category_id(hit.entry)];
        if (!category) category = new_str(e.category);
        PyRef values[5] = {new_str(e.motif), PyRef::borrow(category.get()), new_u64(hit.position),
                           new_u64(hit.length), score_object(hit.score)};
        dict = new_dict();
        for (int k = 0; k < 5; ++k) dict_set(dict.get(), keys[k].get(), values[k].get());
        first = {PyRef::borrow(dict.get()), hit.length, hit.score};
      } else {
        dict = dict_copy(first.dict.get());
        dict_set(dict.get(), keys[2].get(), new_u64(hit.position).get());
        if (hit.length != first.length) dict_set(dict.get(), keys[3].get(), new_u64(hit.length).get());
        if (hit.score != first.score) dict_set(dict.get(), keys[4].get(), score_object(hit.score).get());
      }
      list_put(list.get(), i, std::move(dict));
    }
    return list;
  });
}

PyObject* get_match_positions(PyObject* self, PyObject* args, PyObject* kwargs) {
  static constexpr Signature sig = {kClassName, "get_match_positions", kTextParam};
  return call_method<MotifMatcher, 1>(sig, self, args, kwargs, [](const MotifMatcher& matcher, auto& slots) {
    const std::string_view text = convert_arg("text", slots[0], to_text);
    return span_list(matcher.get_match_positions(text));
  });
}

PyMethodDef motif_matcher_methods[] = {
    {"find_matches", as_cfunction<find_matches>(), METH_VARARGS | METH_KEYWORDS,
     "find_matches($self, text, window_size, step)\n--\n\nFind all motif matches in text."},
    {"get_match_positions", as_cfunction<get_match_positions>(), METH_VARARGS | METH_KEYWORDS,
     "get_match_positions($self, text)\n--\n\nGet merged match position spans."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

PyObject* motif_matcher_type() { return Class::type_for_import(); }

}  // namespace kc::py
