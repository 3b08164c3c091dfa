// normalize_text(text): the fused text normaliser.
#include <array>

#include "native/args.h"
#include "native/convert.h"
#include "native/errors.h"
#include "native/module.h"
#include "normalizer/normalizer.h"

namespace kc::py {

namespace {

constexpr std::array<const char*, 1> kParams = {"text"};
constexpr Signature kSignature = {nullptr, "normalize_text", kParams};

PyObject* normalize_text(PyObject*, PyObject* args, PyObject* kwargs) {
  return guard([&] {
    auto slots = split<1>(kSignature, args, kwargs);
    std::string_view text = convert_arg("text", slots[0], to_text);
    std::string result = kc::normalizer::normalize_text(text);
    return new_str(result).release();
  });
}

}  // namespace

PyMethodDef normalize_text_def = {
    "normalize_text", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&normalize_text)),
    METH_VARARGS | METH_KEYWORDS,
    "normalize_text(text)\n--\n\nFused text normalization: NFKC + strip invisible + collapse "
    "whitespace + lowercase."};

}  // namespace kc::py
