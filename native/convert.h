// Conversions between Python objects and native values: one function per
// kind of argument, one per kind of result, and the rule that re-raises an
// argument's TypeError under the parameter's name.
#pragma once

#include <Python.h>

#include <cstdint>
#include <string_view>

#include "native/errors.h"
#include "native/py_ref.h"
#include "types/category_table.h"
#include "util/span.h"

#include <vector>

namespace kc::py {

// ---- arguments (each throws PythonError with the Python error set) ----

// A str (or subclass): its UTF-8, borrowed from the string object and valid
// while the object lives. Other objects: TypeError "'{}' object cannot be
// converted to 'PyString'"; a lone surrogate: the interpreter's UnicodeEncodeError.
std::string_view to_text(PyObject* obj);

// A dict (or subclass) of str to sequences of str, copied into a table.
kc::CategoryTable to_category_table(PyObject* obj);

// An integer in 0..4294967295 (int, bool, or __index__).
std::uint32_t to_u32(PyObject* obj);

// An integer in 0..2**64-1 (int directly, anything else through __index__).
std::uint64_t to_u64(PyObject* obj);

// True or False, or a numpy boolean through its __bool__.
bool to_flag(PyObject* obj);

// If the pending error is exactly TypeError, replaces it with TypeError
// "argument '<param>': <message>" whose __cause__ is the original's cause.
void rename_type_error(const char* param);

// Runs `convert(obj)` for parameter `param`, applying rename_type_error to a failure.
template <class F>
auto convert_arg(const char* param, PyObject* obj, F&& convert) -> decltype(convert(obj)) {
  try {
    return convert(obj);
  } catch (const PythonError&) {
    rename_type_error(param);
    throw;
  }
}

// ---- results (a failure to create one is api_call_failed) ----

PyRef new_str(std::string_view utf8);
PyRef new_u64(std::uint64_t value);
PyRef new_float(double value);
PyRef new_list(std::size_t size);
PyRef new_tuple(std::size_t size);
PyRef new_dict();
// A shallow copy of a dict, in its key order.
PyRef dict_copy(PyObject* dict);
PyRef new_bool(bool value);

// A new list of (start, end) int 2-tuples, one per span, in order.
PyRef span_list(const std::vector<kc::Span>& spans);

// Places `item` (a new reference, consumed) at `index` of a new list / tuple.
void list_put(PyObject* list, std::size_t index, PyRef item);
void tuple_put(PyObject* tuple, std::size_t index, PyRef item);
// d[key] = value; a failure is that error (PythonError).
void dict_set(PyObject* dict, PyObject* key, PyObject* value);

}  // namespace kc::py
