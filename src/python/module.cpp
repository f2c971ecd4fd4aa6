// The extension module `velkora`: multi-phase initialisation and function registration.

#define VELKORA_NUMPY_IMPORTER
#include "numpy_api.hpp"

#include "entries.hpp"
#include "internal_failure.hpp"
#include "py_ref.hpp"

namespace velkora::python {

namespace {

// Registration order of the module's functions.
PyMethodDef* const kEntries[] = {
    &version_entry,
    &sarimax_loglike_entry,
    &sarimax_fit_entry,
    &sarimax_forecast_entry,
    &sarimax_rolling_forecast_entry,
    &sarimax_residuals_entry,
};

int add_function(PyObject* module, PyMethodDef* definition) {
    PyRef module_name = PyRef::steal(PyModule_GetNameObject(module));
    if (!module_name) return -1;
    PyRef function = PyRef::steal(PyCFunction_NewEx(definition, module, module_name.get()));
    if (!function) return -1;
    return PyModule_AddObjectRef(module, definition->ml_name, function.get());
}

int exec_module(PyObject* module) {
    if (!PyModule_Check(module)) {
        PyErr_SetString(PyExc_TypeError, "velkora: module initialisation needs a module object");
        return -1;
    }
    if (PyArray_ImportNumPyAPI() < 0) return -1;
    if (add_internal_failure_type(module) < 0) return -1;
    for (PyMethodDef* definition : kEntries)
        if (add_function(module, definition) < 0) return -1;
    return 0;
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
#if PY_VERSION_HEX >= 0x030D0000
    // No entry keeps Python objects or mutable module state across its computation.
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
#endif
    {0, nullptr},
};

PyModuleDef module_definition = {
    PyModuleDef_HEAD_INIT,
    "velkora",
    "Python module definition.",
    0,
    nullptr,
    module_slots,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

}  // namespace velkora::python

PyMODINIT_FUNC PyInit_velkora() { return PyModuleDef_Init(&velkora::python::module_definition); }
