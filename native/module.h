// What each exposed function or class file gives the module initialiser.
#pragma once

#include <Python.h>

namespace kc::py {

// Registration records of the module functions (kept for the process's life).
extern PyMethodDef normalize_text_def;
extern PyMethodDef text_to_features_def;

// The class type objects, created on first call (null with RuntimeError set
// on failure); borrowed references kept for the life of the process.
PyObject* pattern_extractor_type();
PyObject* motif_matcher_type();

}  // namespace kc::py
