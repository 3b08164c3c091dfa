// Python classes that wrap one immutable core object.
//
// `PyClass<Core>` makes the class's type object from a type specification
// (on first need, then kept for the life of the process), creates instances
// that hold the core object inline, hands methods a shared borrow of their
// receiver, and deallocates. Instances cannot be subclassed, have no
// __dict__ and no weak references, and are not tracked by the cycle
// collector. Everything here runs under the interpreter lock.
//
// A class supplies `ClassDef<Core>` with: name, text_signature, description,
// methods (a null-terminated PyMethodDef array) and tp_new.
#pragma once

#include <Python.h>

#include <cstddef>
#include <new>
#include <string>
#include <utility>

#include "native/errors.h"
#include "native/py_ref.h"

namespace kc::py {

template <class Core>
struct ClassDef;  // specialised by each class

// The state of one class: its type object and docstring, created once.
struct ClassState {
  PyObject* type = nullptr;  // kept until the process ends
  std::string doc;
  std::string spec_name;
};

// Creates the type object from its type specification, or returns null with the
// RuntimeError "An error occurred while initializing class {}" set (its
// __cause__ the failure). Used by the import.
PyObject* create_type(ClassState& state, const char* name, const char* text_signature,
                      const char* description, PyMethodDef* methods, newfunc tp_new,
                      destructor dealloc, std::size_t basic_size);

template <class Core>
class PyClass {
 public:
  // Instance layout: object header, the core object, the borrow counter.
  struct Object {
    PyObject ob_base;
    Core core;
    std::size_t borrow_count;
  };

  // The type object, creating it if needed; null with RuntimeError set on failure.
  static PyObject* type_for_import() {
    using Def = ClassDef<Core>;
    if (state_.type != nullptr) return state_.type;
    return create_type(state_, Def::name, Def::text_signature, Def::description, Def::methods,
                       Def::tp_new, &dealloc, sizeof(Object));
  }

  // Creates an instance of `type` owning `core` (released if allocation fails).
  static PyObject* create(PyTypeObject* type, Core&& core) {
    auto alloc = reinterpret_cast<allocfunc>(PyType_GetSlot(type, Py_tp_alloc));
    PyObject* obj = alloc != nullptr ? alloc(type, 0) : PyType_GenericAlloc(type, 0);
    if (obj == nullptr) throw_pending();
    Object* self = reinterpret_cast<Object*>(obj);
    new (&self->core) Core(std::move(core));
    self->borrow_count = 0;
    return obj;
  }

  // A shared borrow of a receiver: reads the core object without copying it,
  // and keeps the instance alive and its counter raised while it lives.
  class Borrow {
   public:
    explicit Borrow(PyObject* receiver) {
      PyObject* type = type_for_import();
      if (type == nullptr) {
        PyErr_PrintEx(0);
        kc::panic(std::string("failed to create type object for ") + ClassDef<Core>::name);
      }
      if (!PyObject_TypeCheck(receiver, reinterpret_cast<PyTypeObject*>(type)))
        throw_error(PyExc_TypeError, "'" + type_qualname(receiver) + "' object cannot be converted to '" +
                                         ClassDef<Core>::name + "'");
      Object* self = reinterpret_cast<Object*>(receiver);
      if (self->borrow_count == static_cast<std::size_t>(-1))
        throw_error(PyExc_RuntimeError, "Already mutably borrowed");
      ++self->borrow_count;
      ref_ = PyRef::borrow(receiver);
      self_ = self;
    }
    Borrow(const Borrow&) = delete;
    Borrow& operator=(const Borrow&) = delete;
    ~Borrow() { --self_->borrow_count; }
    const Core& operator*() const { return self_->core; }
    const Core* operator->() const { return &self_->core; }

   private:
    PyRef ref_;
    Object* self_ = nullptr;
  };

 private:
  // Core destructors cannot throw (they are noexcept), so the unraisable
  // report path of a failing deallocation never arises here.
  static void dealloc(PyObject* obj) {
    Object* self = reinterpret_cast<Object*>(obj);
    PyTypeObject* type = Py_TYPE(obj);
    self->core.~Core();
    auto free_slot = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
    free_slot(obj);
    Py_DECREF(type);  // instances of heap types own a reference to their type
  }

  static inline ClassState state_;
};

}  // namespace kc::py
