// Module entry point: creates `kestrowin_clean._native` once per process.
#include <Python.h>

namespace {

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "_native", "Native accelerator module for kestrowin-clean.", 0,
    nullptr, nullptr, nullptr, nullptr, nullptr};

}  // namespace

PyMODINIT_FUNC PyInit__native(void) { return PyModule_Create2(&module_def, 3); }
