// The call frame every function, method and constructor of the module shares:
// split the arguments, borrow the receiver (methods), run the body (which
// converts the arguments left to right, calls one core operation and builds
// the result), release everything, and translate failures.
#pragma once

#include <Python.h>

#include <cstddef>

#include "native/args.h"
#include "native/class_object.h"
#include "native/errors.h"

namespace kc::py {

// A METH_VARARGS | METH_KEYWORDS entry as the PyCFunction a PyMethodDef holds.
template <PyObject* (*F)(PyObject*, PyObject*, PyObject*)>
PyCFunction as_cfunction() {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(F));
}

// Module functions and constructors: `body(slots)` returns a PyRef.
template <std::size_t N, class Body>
PyObject* call_function(const Signature& sig, PyObject* args, PyObject* kwargs, Body&& body) {
  return guard([&] {
    auto slots = split<N>(sig, args, kwargs);
    return body(slots).release();
  });
}

// Methods: `body(core, slots)` returns a PyRef; the receiver is borrowed for
// the whole body and released on every path.
template <class Core, std::size_t N, class Body>
PyObject* call_method(const Signature& sig, PyObject* self, PyObject* args, PyObject* kwargs, Body&& body) {
  return guard([&] {
    auto slots = split<N>(sig, args, kwargs);
    typename PyClass<Core>::Borrow receiver(self);
    return body(*receiver, slots).release();
  });
}

}  // namespace kc::py
