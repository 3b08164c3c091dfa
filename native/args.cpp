// Argument splitting and its messages.
#include "native/args.h"

#include <cstring>

#include "native/errors.h"

namespace kc::py {

std::string Signature::shown_name() const {
  std::string shown;
  if (class_name != nullptr) {
    shown += class_name;
    shown += '.';
  }
  shown += name;
  shown += "()";
  return shown;
}

namespace {

[[noreturn]] void too_many_positional(const Signature& sig, Py_ssize_t given) {
  throw_error(PyExc_TypeError, sig.shown_name() + " takes " + std::to_string(sig.params.size()) +
                                   " positional arguments but " + std::to_string(given) +
                                   (given == 1 ? " was" : " were") + " given");
}

// The keyword is shown with str(), and the message is built from that str
// object itself, so a keyword without a UTF-8 form (a lone surrogate) keeps
// its characters. It is an unexpected keyword whatever str() does: when that
// fails, a str subclass shows its plain value and anything else its repr.
[[noreturn]] void unexpected_keyword(const Signature& sig, PyObject* borrowed_key) {
  // The key is the dict's; str() may run code that removes it from the dict.
  const PyRef key = PyRef::borrow(borrowed_key);
  PyRef shown = PyRef::steal(PyObject_Str(key.get()));
  if (!shown) {
    PyErr_Clear();
    shown = PyRef::steal(PyUnicode_Check(key.get()) ? PyUnicode_FromObject(key.get()) : PyObject_Repr(key.get()));
  }
  if (!shown) {
    PyErr_Clear();
    shown = created(PyUnicode_FromFormat("<unprintable %s object>", type_qualname(key.get()).c_str()));
  }
  const PyRef message = created(PyUnicode_FromFormat("%s got an unexpected keyword argument '%U'",
                                                     sig.shown_name().c_str(), shown.get()));
  PyErr_SetObject(PyExc_TypeError, message.get());
  throw PythonError{};
}

[[noreturn]] void missing_arguments(const Signature& sig, std::span<PyObject*> slots) {
  std::size_t missing = 0;
  for (PyObject* slot : slots) missing += slot == nullptr;
  std::string list;
  std::size_t listed = 0;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    if (slots[i] != nullptr) continue;
    if (listed > 0) {
      if (listed + 1 < missing) {
        list += ", ";
      } else {
        list += missing > 2 ? ", and " : " and ";
      }
    }
    list += '\'';
    list += sig.params[i];
    list += '\'';
    ++listed;
  }
  throw_error(PyExc_TypeError, sig.shown_name() + " missing " + std::to_string(missing) +
                                   " required positional " +
                                   (missing == 1 ? "argument" : "arguments") + ": " + list);
}

}  // namespace

void split_args(const Signature& sig, PyObject* args, PyObject* kwargs, std::span<PyObject*> slots) {
  const Py_ssize_t given = args == nullptr ? 0 : PyTuple_Size(args);
  if (given < 0) throw_pending();
  if (static_cast<std::size_t>(given) > sig.params.size()) too_many_positional(sig, given);
  for (Py_ssize_t i = 0; i < given; ++i) slots[static_cast<std::size_t>(i)] = PyTuple_GetItem(args, i);

  if (kwargs != nullptr) {
    Py_ssize_t pos = 0;
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    while (PyDict_Next(kwargs, &pos, &key, &value)) {
      std::size_t match = sig.params.size();
      Py_ssize_t size = 0;
      const char* utf8 = PyUnicode_Check(key) ? PyUnicode_AsUTF8AndSize(key, &size) : nullptr;
      if (utf8 == nullptr) {
        PyErr_Clear();  // a keyword without UTF-8 form matches no parameter
      } else {
        for (std::size_t i = 0; i < sig.params.size(); ++i) {
          if (std::strlen(sig.params[i]) == static_cast<std::size_t>(size) &&
              std::memcmp(sig.params[i], utf8, static_cast<std::size_t>(size)) == 0) {
            match = i;
            break;
          }
        }
      }
      if (match == sig.params.size()) unexpected_keyword(sig, key);
      if (slots[match] != nullptr)
        throw_error(PyExc_TypeError, sig.shown_name() + " got multiple values for argument '" +
                                         sig.params[match] + "'");
      slots[match] = value;
    }
  }

  for (PyObject* slot : slots)
    if (slot == nullptr) missing_arguments(sig, slots);
}

}  // namespace kc::py
