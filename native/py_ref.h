// PyRef: the one owned-reference type of the binding layer.
//
// Every new reference the binding creates or receives is held in a PyRef the
// moment it exists, so each error path releases exactly what it made.
#pragma once

#include <Python.h>

#include <utility>

namespace kc::py {

// Owns one strong reference to a Python object, or nothing. Move-only.
class PyRef {
 public:
  PyRef() = default;
  // Takes over a new reference (may be null).
  static PyRef steal(PyObject* obj) { return PyRef(obj); }
  // Takes a new reference to a borrowed object (may be null).
  static PyRef borrow(PyObject* obj) {
    Py_XINCREF(obj);
    return PyRef(obj);
  }

  PyRef(PyRef&& other) noexcept : obj_(std::exchange(other.obj_, nullptr)) {}
  PyRef& operator=(PyRef&& other) noexcept {
    if (this != &other) {
      Py_XDECREF(obj_);
      obj_ = std::exchange(other.obj_, nullptr);
    }
    return *this;
  }
  PyRef(const PyRef&) = delete;
  PyRef& operator=(const PyRef&) = delete;
  ~PyRef() { Py_XDECREF(obj_); }

  PyObject* get() const { return obj_; }
  // Hands the reference to the caller.
  PyObject* release() { return std::exchange(obj_, nullptr); }
  explicit operator bool() const { return obj_ != nullptr; }

 private:
  explicit PyRef(PyObject* obj) : obj_(obj) {}
  PyObject* obj_ = nullptr;
};

}  // namespace kc::py
