// What each exposed function or class file gives the module initialiser.
#pragma once

#include <Python.h>

namespace kc::py {

// Registration records of the module functions (kept for the process's life).
extern PyMethodDef normalize_text_def;

}  // namespace kc::py
