// The module entry point: `kestrowin_clean._native` is created once per
// process, for one interpreter only, with its members added in a fixed order.
#include "native/module.h"

#include <atomic>
#include <cstdint>

#include "native/errors.h"
#include "native/py_ref.h"

namespace kc::py {

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "_native",
    "Native accelerator module for kestrowin-clean.",
    0,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

namespace {

// The interpreter that first initialised the module; -1 until then.
std::atomic<std::int64_t> g_interpreter_id{-1};
// The module made by the first successful initialisation; never cleared.
PyObject* g_module = nullptr;

// Appends `name` to the module's __all__ (created if missing) and sets the attribute.
void add_member(PyObject* module, const char* name, PyObject* member) {
  PyRef all = PyRef::steal(PyObject_GetAttrString(module, "__all__"));
  if (!all) {
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw_pending();
    PyErr_Clear();
    all = created(PyList_New(0));
    if (PyObject_SetAttrString(module, "__all__", all.get()) != 0) throw_pending();
  }
  if (!PyList_Check(all.get())) {
    throw_error(PyExc_TypeError, "'" + type_qualname(all.get()) + "' object cannot be converted to 'PyList'");
  }
  PyRef key = created(PyUnicode_FromString(name));
  if (PyList_Append(all.get(), key.get()) != 0) throw_pending();
  if (PyObject_SetAttrString(module, name, member) != 0) throw_pending();
}

void add_function(PyObject* module, PyMethodDef* def) {
  PyRef module_name = PyRef::steal(PyModule_GetNameObject(module));
  if (!module_name) throw_pending();
  PyRef function = PyRef::steal(PyCFunction_NewEx(def, module, module_name.get()));
  if (!function) throw_pending();
  add_member(module, def->ml_name, function.get());
}

void add_class(PyObject* module, const char* name, PyObject* (*type)()) {
  PyObject* type_object = type();
  if (type_object == nullptr) throw PythonError{};
  add_member(module, name, type_object);
}

// Members in their fixed order, which is also the order of __all__.
void initialise(PyObject* module) {
  add_function(module, &normalize_text_def);
  add_class(module, "RustPatternExtractor", &pattern_extractor_type);
  add_class(module, "RustMotifMatcher", &motif_matcher_type);
  add_function(module, &text_to_features_def);
}

PyObject* init_module() {
  PyInterpreterState* interpreter = PyInterpreterState_Get();
  const std::int64_t id = PyInterpreterState_GetID(interpreter);
  if (id == -1) throw_pending();
  std::int64_t expected = -1;
  if (!g_interpreter_id.compare_exchange_strong(expected, id) && expected != id) {
    throw_error(PyExc_ImportError,
                "PyO3 modules do not yet support subinterpreters, see "
                "README.md#sub-interpreters in the kestrowin-clean distribution");
  }
  if (g_module != nullptr) return PyRef::borrow(g_module).release();
  PyRef module = PyRef::steal(PyModule_Create2(&module_def, 3));
  if (!module) throw_pending();
  initialise(module.get());
  if (g_module == nullptr) g_module = module.release();
  return PyRef::borrow(g_module).release();
}

}  // namespace

}  // namespace kc::py

PyMODINIT_FUNC PyInit__native(void) {
  return kc::py::guard([] { return kc::py::init_module(); });
}
