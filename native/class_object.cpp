// Type objects from type specifications.
#include "native/class_object.h"

namespace kc::py {

PyObject* create_type(ClassState& state, const char* name, const char* text_signature,
                      const char* description, PyMethodDef* methods, newfunc tp_new,
                      destructor dealloc, std::size_t basic_size) {
  if (state.doc.empty()) {
    state.doc = std::string(name) + text_signature + "\n--\n\n" + description;
    state.spec_name = std::string("builtins.") + name;
  }
  // The type's name and docstring live in `state` for the life of the process,
  // so interpreters that keep pointing at the name (before 3.11) stay safe.
  PyType_Slot slots[] = {
      {Py_tp_doc, const_cast<char*>(state.doc.c_str())},
      {Py_tp_new, reinterpret_cast<void*>(tp_new)},
      {Py_tp_methods, methods},
      {Py_tp_base, &PyBaseObject_Type},
      {Py_tp_dealloc, reinterpret_cast<void*>(dealloc)},
      {0, nullptr},
  };
  PyType_Spec spec = {state.spec_name.c_str(), static_cast<int>(basic_size), 0, Py_TPFLAGS_DEFAULT,
                      slots};
  PyObject* type = PyType_FromSpec(&spec);
  if (type == nullptr) {
    PyObject* cause_type = nullptr;
    PyObject* cause = nullptr;
    PyObject* traceback = nullptr;
    PyErr_Fetch(&cause_type, &cause, &traceback);
    PyErr_NormalizeException(&cause_type, &cause, &traceback);
    if (traceback != nullptr) PyException_SetTraceback(cause, traceback);
    Py_XDECREF(cause_type);
    Py_XDECREF(traceback);
    PyObject* message = PyUnicode_FromFormat("An error occurred while initializing class %s", name);
    PyObject* error = message == nullptr
                          ? nullptr
                          : PyObject_CallFunctionObjArgs(PyExc_RuntimeError, message, nullptr);
    Py_XDECREF(message);
    if (error == nullptr) {
      Py_XDECREF(cause);
      return nullptr;
    }
    PyException_SetCause(error, cause);  // steals cause
    PyErr_SetObject(PyExc_RuntimeError, error);
    Py_DECREF(error);
    return nullptr;
  }
  if (state.type == nullptr) {
    state.type = type;
  } else {
    Py_DECREF(type);
  }
  return state.type;
}

}  // namespace kc::py
