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

// One owned reference per id (motif entry or category) for one call: a
// vector indexed by id when the call has at least an eighth as many hits as
// there are ids, else a hash map, so that a short text over a large lexicon
// does not pay for a slot per motif.
class RefsById {
 public:
  RefsById(std::size_t ids, std::size_t hits) {
    if (ids / 8 <= hits) dense_.resize(ids);
  }
  PyRef& operator[](std::uint32_t id) { return dense_.empty() ? sparse_[id] : dense_[id]; }

 private:
  std::vector<PyRef> dense_;
  std::unordered_map<std::uint32_t, PyRef> sparse_;
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
    // few thousand motifs. So each entry's exact-hit record is made once per
    // call, on its first hit, as a template dict that holds the entry's motif
    // and category str (one str per category), its length and the score
    // 100.0; a hit copies its entry's template, which keeps the key order,
    // and sets what differs: the position, and a fuzzy hit's length and score.
    const kc::motif_matching::HitList hits = matcher.find_hits(text, window_size, step);
    const auto& entries = matcher.motif_entries();
    RefsById templates(entries.size(), hits.size()), categories(matcher.category_count(), hits.size());
    PyRef keys[5];
    static constexpr const char* kKeys[] = {"motif", "category", "position", "length", "score"};
    for (int k = 0; k < 5; ++k) keys[k] = new_str(kKeys[k]);
    PyObject* const position_key = keys[2].get();
    PyObject* const length_key = keys[3].get();
    PyObject* const score_key = keys[4].get();
    PyRef exact_score = new_float(100.0);
    auto template_of = [&](std::uint32_t entry) -> PyObject* {
      PyRef& slot = templates[entry];
      if (slot) return slot.get();
      const kc::motif_matching::MotifEntry& e = entries[entry];
      PyRef& category = categories[matcher.category_id(entry)];
      if (!category) category = new_str(e.category);
      PyRef motif = new_str(e.motif);
      PyRef length = new_u64(e.motif.size());
      PyRef dict = new_dict();
      PyObject* values[5] = {motif.get(), category.get(), Py_None, length.get(), exact_score.get()};
      for (int k = 0; k < 5; ++k) dict_set(dict.get(), keys[k].get(), values[k]);
      slot = std::move(dict);
      return slot.get();
    };
    PyRef list = new_list(hits.size());
    for (std::size_t i = 0; i < hits.size(); ++i) {
      const kc::motif_matching::MotifHit& hit = hits[i];
      PyRef dict = dict_copy(template_of(hit.entry));
      dict_set(dict.get(), position_key, new_u64(hit.position).get());
      // A fuzzy hit may be cut at its window's end and scores what it scored.
      if (hit.length != entries[hit.entry].motif.size()) dict_set(dict.get(), length_key, new_u64(hit.length).get());
      if (hit.score != MotifMatcher::kExactScore) dict_set(dict.get(), score_key, new_float(hit.score).get());
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
