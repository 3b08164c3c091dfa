// Exception translation between C++ and Python.
//
// Inside the binding, a failed Python call is a C++ exception: `PythonError`
// means "the interpreter's error indicator is set, unwind". Every entry point
// runs its body under `guard`, the single place that turns what was thrown
// into the Python-visible outcome:
//   * PythonError            -> the pending Python exception is raised;
//   * kc::Panic (an invariant broken in native code) -> a report on stderr and
//     PanicException carrying the message;
//   * std::bad_alloc         -> the process aborts (out of native memory).
#pragma once

#include <Python.h>

#include <new>
#include <string>
#include <string_view>

#include "native/py_ref.h"
#include "util/panic.h"

namespace kc::py {

// The Python error indicator is set; unwind to the entry's guard.
struct PythonError {};

// Throws PythonError. If the interpreter reported a failure without setting an
// exception, sets SystemError "attempted to fetch exception but none was set".
[[noreturn]] void throw_pending();

// Sets `type` with `message` and throws PythonError.
[[noreturn]] void throw_error(PyObject* type, std::string_view message);

// For a null result of an API that creates a basic object (str, int, float,
// list, tuple, dict): prints the pending error to stderr and panics with
// "Python API call failed".
[[noreturn]] void api_call_failed();

// Wraps a new reference from an object-creating API call; null is api_call_failed().
inline PyRef created(PyObject* obj) {
  if (obj == nullptr) api_call_failed();
  return PyRef::steal(obj);
}

// The class PanicException ("pyo3_runtime.PanicException", base BaseException),
// created on first need and kept for the life of the process. Null with an
// error set if it cannot be created.
PyObject* panic_exception_type();

// Writes the report of a broken invariant to stderr and sets PanicException
// with `message`. Aborts if even that fails.
void raise_panic(std::string_view message);

// The `__qualname__` of `obj`'s type, or "<failed to extract type name>".
std::string type_qualname(PyObject* obj);

[[noreturn]] void out_of_memory();

// Runs `body` (returning a new reference) and translates whatever it throws.
template <class F>
PyObject* guard(F&& body) noexcept {
  try {
    return body();
  } catch (const PythonError&) {
    return nullptr;
  } catch (const kc::Panic& p) {
    raise_panic(p.what());
    return nullptr;
  } catch (const std::bad_alloc&) {
    out_of_memory();
  } catch (const std::exception& e) {
    raise_panic(e.what());
    return nullptr;
  } catch (...) {
    raise_panic("unknown native exception");
    return nullptr;
  }
}

}  // namespace kc::py
