// Argument and result conversions.
#include "native/convert.h"

#include <algorithm>
#include <string>
#include <vector>

namespace kc::py {

namespace {

// The most items reserved up front for a sequence that is not a list or tuple.
constexpr Py_ssize_t kMaxClaimedLength = 4096;

[[noreturn]] void cannot_convert(PyObject* obj, const char* target) {
  throw_error(PyExc_TypeError,
              "'" + type_qualname(obj) + "' object cannot be converted to '" + target + "'");
}

// A copied string item of a category table.
std::string copy_text(PyObject* obj) {
  std::string_view text = to_text(obj);
  return std::string(text);
}

std::vector<std::string> to_string_list(PyObject* value) {
  if (PyUnicode_Check(value)) throw_error(PyExc_TypeError, "Can't extract `str` to `Vec`");
  if (!PySequence_Check(value)) cannot_convert(value, "Sequence");
  std::vector<std::string> items;
  Py_ssize_t hint = PySequence_Size(value);
  if (hint < 0) {
    PyErr_Clear();  // only a sizing hint
    hint = 0;
  }
  // A list or tuple knows its length; any other sequence's __len__ is only a
  // claim, and reserving a false huge one would exhaust memory.
  if (!PyList_CheckExact(value) && !PyTuple_CheckExact(value)) hint = std::min(hint, kMaxClaimedLength);
  items.reserve(static_cast<std::size_t>(hint));
  PyRef iter = PyRef::steal(PyObject_GetIter(value));
  if (!iter) throw_pending();
  while (PyRef item = PyRef::steal(PyIter_Next(iter.get()))) items.push_back(copy_text(item.get()));
  if (PyErr_Occurred() != nullptr) throw PythonError{};
  return items;
}

// Looks `name` up on obj's type and binds it to obj, like the interpreter's
// special-method lookup. Null without an error when the type has no such attribute.
PyRef lookup_special(PyObject* obj, const char* name) {
  PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(obj));
  PyRef attr = PyRef::steal(PyObject_GetAttrString(type, name));
  if (!attr) {
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw_pending();
    PyErr_Clear();
    return {};
  }
  PyRef get = PyRef::steal(PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(attr.get())), "__get__"));
  if (!get) {
    PyErr_Clear();
    return attr;
  }
  PyRef bound = PyRef::steal(PyObject_CallFunctionObjArgs(get.get(), attr.get(), obj, type, nullptr));
  if (!bound) throw_pending();
  return bound;
}

bool type_attr_equals(PyObject* type, const char* attr, std::string_view want) {
  PyRef value = PyRef::steal(PyObject_GetAttrString(type, attr));
  if (!value || !PyUnicode_Check(value.get())) {
    PyErr_Clear();
    return false;
  }
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(value.get(), &size);
  if (utf8 == nullptr) {
    PyErr_Clear();
    return false;
  }
  return std::string_view(utf8, static_cast<std::size_t>(size)) == want;
}

}  // namespace

std::string_view to_text(PyObject* obj) {
  if (!PyUnicode_Check(obj)) cannot_convert(obj, "PyString");
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(obj, &size);
  if (utf8 == nullptr) throw_pending();
  return std::string_view(utf8, static_cast<std::size_t>(size));
}

kc::CategoryTable to_category_table(PyObject* obj) {
  if (!PyDict_Check(obj)) cannot_convert(obj, "PyDict");
  kc::CategoryTable table;
  const Py_ssize_t initial = PyDict_Size(obj);
  Py_ssize_t visited = 0;
  Py_ssize_t pos = 0;
  PyObject* key = nullptr;
  PyObject* value = nullptr;
  for (;;) {
    // Conversions below can run the caller's Python code, which could change
    // the dict under us; the interpreter's own iterator guards the same way.
    if (PyDict_Size(obj) != initial) kc::panic("dictionary changed size during iteration");
    if (!PyDict_Next(obj, &pos, &key, &value)) break;
    if (++visited > initial) kc::panic("dictionary keys changed during iteration");
    PyRef key_ref = PyRef::borrow(key);
    PyRef value_ref = PyRef::borrow(value);
    std::string name = copy_text(key_ref.get());
    table.insert_or_assign(std::move(name), to_string_list(value_ref.get()));
  }
  return table;
}

std::uint32_t to_u32(PyObject* obj) {
  const long long value = PyLong_AsLongLong(obj);
  if (value == -1 && PyErr_Occurred() != nullptr) throw PythonError{};
  if (value < 0 || value > 0xFFFFFFFFLL)
    throw_error(PyExc_OverflowError, "out of range integral type conversion attempted");
  return static_cast<std::uint32_t>(value);
}

std::uint64_t to_u64(PyObject* obj) {
  PyRef index;
  if (!PyLong_Check(obj)) {
    index = PyRef::steal(PyNumber_Index(obj));
    if (!index) throw_pending();
    obj = index.get();
  }
  const unsigned long long value = PyLong_AsUnsignedLongLong(obj);
  if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred() != nullptr) throw PythonError{};
  return value;
}

bool to_flag(PyObject* obj) {
  if (obj == Py_True) return true;
  if (obj == Py_False) return false;
  PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(obj));
  const bool numpy_bool = type_attr_equals(type, "__module__", "numpy") &&
                          (type_attr_equals(type, "__name__", "bool_") ||
                           type_attr_equals(type, "__name__", "bool"));
  if (!numpy_bool) cannot_convert(obj, "PyBool");
  PyRef method = lookup_special(obj, "__bool__");
  if (!method) {
    PyRef shown = PyRef::steal(PyObject_Str(type));
    if (!shown) throw_pending();
    std::string_view type_text = to_text(shown.get());
    throw_error(PyExc_TypeError, "object of type '" + std::string(type_text) +
                                     "' does not define a '__bool__' conversion");
  }
  PyRef result = PyRef::steal(PyObject_CallNoArgs(method.get()));
  if (!result) throw_pending();
  if (result.get() == Py_True) return true;
  if (result.get() == Py_False) return false;
  cannot_convert(result.get(), "PyBool");
}

void rename_type_error(const char* param) {
  PyObject* type = nullptr;
  PyObject* value = nullptr;
  PyObject* traceback = nullptr;
  PyErr_Fetch(&type, &value, &traceback);
  if (type != PyExc_TypeError) {
    PyErr_Restore(type, value, traceback);
    return;
  }
  PyErr_NormalizeException(&type, &value, &traceback);
  PyRef type_ref = PyRef::steal(type);
  PyRef value_ref = PyRef::steal(value);
  PyRef traceback_ref = PyRef::steal(traceback);
  PyRef message = PyRef::steal(PyUnicode_FromFormat("argument '%s': %S", param, value_ref.get()));
  if (!message) api_call_failed();
  PyRef renamed = PyRef::steal(PyObject_CallFunctionObjArgs(PyExc_TypeError, message.get(), nullptr));
  if (!renamed) throw_pending();
  // Keep the original's own cause (usually none); the original itself is dropped.
  PyException_SetCause(renamed.get(), PyException_GetCause(value_ref.get()));
  PyErr_SetObject(PyExc_TypeError, renamed.get());
}

PyRef new_str(std::string_view utf8) {
  return created(PyUnicode_FromStringAndSize(utf8.data(), static_cast<Py_ssize_t>(utf8.size())));
}
PyRef new_u64(std::uint64_t value) { return created(PyLong_FromUnsignedLongLong(value)); }
PyRef new_float(double value) { return created(PyFloat_FromDouble(value)); }
PyRef new_list(std::size_t size) { return created(PyList_New(static_cast<Py_ssize_t>(size))); }
PyRef new_tuple(std::size_t size) { return created(PyTuple_New(static_cast<Py_ssize_t>(size))); }
PyRef new_dict() { return created(PyDict_New()); }
PyRef dict_copy(PyObject* dict) { return created(PyDict_Copy(dict)); }
PyRef new_bool(bool value) { return PyRef::borrow(value ? Py_True : Py_False); }

PyRef span_list(const std::vector<kc::Span>& spans) {
  PyRef list = new_list(spans.size());
  for (std::size_t i = 0; i < spans.size(); ++i) {
    PyRef tuple = new_tuple(2);
    tuple_put(tuple.get(), 0, new_u64(spans[i].start));
    tuple_put(tuple.get(), 1, new_u64(spans[i].end));
    list_put(list.get(), i, std::move(tuple));
  }
  return list;
}

void list_put(PyObject* list, std::size_t index, PyRef item) {
  if (PyList_SetItem(list, static_cast<Py_ssize_t>(index), item.release()) != 0) throw_pending();
}

void tuple_put(PyObject* tuple, std::size_t index, PyRef item) {
  if (PyTuple_SetItem(tuple, static_cast<Py_ssize_t>(index), item.release()) != 0) throw_pending();
}

void dict_set(PyObject* dict, PyObject* key, PyObject* value) {
  if (PyDict_SetItem(dict, key, value) != 0) throw_pending();
}

}  // namespace kc::py
