// Argument splitting: one call's positional tuple and keyword dict onto the
// callable's parameters, with the binding's standard TypeError wording.
#pragma once

#include <Python.h>

#include <array>
#include <cstddef>
#include <span>
#include <string>

#include "native/py_ref.h"

namespace kc::py {

// How a callable is shown and what it takes. Every parameter of this module
// is required and may be given by position or by keyword.
struct Signature {
  const char* class_name;  // null for a module function
  const char* name;        // the function, method, or "__new__"
  std::span<const char* const> params;

  // "name()" or "Class.name()".
  std::string shown_name() const;
};

// Fills `slots` (one per parameter, borrowed references) from `args` and
// `kwargs` (may be null). Raises TypeError (throws PythonError) for surplus
// positional arguments, an unexpected or repeated keyword, or a missing
// parameter. Allocates nothing unless it fails.
void split_args(const Signature& sig, PyObject* args, PyObject* kwargs, std::span<PyObject*> slots);

// The arguments of one call, one per parameter, each with a reference of its
// own for the whole call. The caller's code that a conversion runs (an
// __index__, an iteration) could otherwise drop the last reference to a later
// argument, or to a str whose UTF-8 the call is still reading, when the
// keyword dictionary handed in through the C API is the caller's own.
// Move-only.
template <std::size_t N>
class Arguments {
 public:
  explicit Arguments(const std::array<PyObject*, N>& borrowed) {
    for (std::size_t i = 0; i < N; ++i) refs_[i] = PyRef::borrow(borrowed[i]);
  }
  PyObject* operator[](std::size_t i) const { return refs_[i].get(); }

 private:
  std::array<PyRef, N> refs_;
};

// The arguments of a callable with N parameters.
template <std::size_t N>
Arguments<N> split(const Signature& sig, PyObject* args, PyObject* kwargs) {
  std::array<PyObject*, N> slots{};
  split_args(sig, args, kwargs, slots);
  return Arguments<N>(slots);
}

}  // namespace kc::py
