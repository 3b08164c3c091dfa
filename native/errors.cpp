// Exception translation: PanicException, failed API calls, type names.
#include "native/errors.h"

#include <cstdio>
#include <cstdlib>

namespace kc::py {

namespace {

constexpr const char* kPanicDoc =
    "\n"
    "The exception raised when native code called from Python fails an internal check.\n"
    "\n"
    "Like SystemExit, this exception is derived from BaseException so that\n"
    "it will typically propagate all the way through the stack and cause the\n"
    "Python interpreter to exit.\n";

[[noreturn]] void abort_with(const char* message) {
  std::fprintf(stderr, "%s\n", message);
  std::fflush(stderr);
  std::abort();
}

// Lives until the process ends; written only under the interpreter lock.
PyObject* g_panic_type = nullptr;

}  // namespace

void throw_pending() {
  if (PyErr_Occurred() == nullptr)
    PyErr_SetString(PyExc_SystemError, "attempted to fetch exception but none was set");
  throw PythonError{};
}

void throw_error(PyObject* type, std::string_view message) {
  PyObject* text = PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size()));
  if (text == nullptr) api_call_failed();
  PyErr_SetObject(type, text);
  Py_DECREF(text);
  throw PythonError{};
}

void api_call_failed() {
  if (PyErr_Occurred() != nullptr) PyErr_PrintEx(0);
  kc::panic("Python API call failed");
}

PyObject* panic_exception_type() {
  if (g_panic_type == nullptr) {
    PyObject* type = PyErr_NewExceptionWithDoc("pyo3_runtime.PanicException", kPanicDoc,
                                               PyExc_BaseException, nullptr);
    if (type == nullptr) return nullptr;
    if (g_panic_type == nullptr) {
      g_panic_type = type;
    } else {
      Py_DECREF(type);
    }
  }
  return g_panic_type;
}

namespace {

// A PanicException instance carrying `message`; aborts if it cannot be made.
PyRef make_panic(std::string_view message) {
  PyObject* type = panic_exception_type();
  if (type == nullptr) abort_with("uncaught panic at ffi boundary");
  PyObject* text = PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size()));
  if (text == nullptr) abort_with("uncaught panic at ffi boundary");
  PyObject* exc = PyObject_CallFunctionObjArgs(type, text, nullptr);
  Py_DECREF(text);
  if (exc == nullptr) abort_with("uncaught panic at ffi boundary");
  return PyRef::steal(exc);
}

}  // namespace

void raise_panic(std::string_view message) {
  std::fprintf(stderr, "kestrowin_clean._native: internal error: %.*s\n",
               static_cast<int>(message.size()), message.data());
  std::fflush(stderr);
  PyRef exc = make_panic(message);
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exc.get())), exc.get());
}

std::string type_qualname(PyObject* obj) {
  PyRef name = PyRef::steal(PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(obj)), "__qualname__"));
  if (name && PyUnicode_Check(name.get())) {
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(name.get(), &size);
    if (utf8 != nullptr) return std::string(utf8, static_cast<std::size_t>(size));
  }
  PyErr_Clear();
  return "<failed to extract type name>";
}

void out_of_memory() { abort_with("kestrowin_clean._native: out of memory"); }

}  // namespace kc::py
