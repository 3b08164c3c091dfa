// Argument splitting: one call's positional tuple and keyword dict onto the
// callable's parameters, with the binding's standard TypeError wording.
#pragma once

#include <Python.h>

#include <array>
#include <cstddef>
#include <span>
#include <string>

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

// The slots of a callable with N parameters.
template <std::size_t N>
std::array<PyObject*, N> split(const Signature& sig, PyObject* args, PyObject* kwargs) {
  std::array<PyObject*, N> slots{};
  split_args(sig, args, kwargs, slots);
  return slots;
}

}  // namespace kc::py
