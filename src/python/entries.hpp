#pragma once
// The module's functions. Each lives in its own entry_*.cpp; module.cpp registers
// them in a fixed order.

#include <Python.h>

namespace velkora::python {

extern PyMethodDef version_entry;
extern PyMethodDef sarimax_loglike_entry;
extern PyMethodDef sarimax_fit_entry;
extern PyMethodDef sarimax_forecast_entry;
extern PyMethodDef sarimax_rolling_forecast_entry;
extern PyMethodDef sarimax_residuals_entry;

using FastcallFunction = PyObject* (*)(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                                       PyObject* kwnames);

// The C API stores every function as a PyCFunction; METH_FASTCALL | METH_KEYWORDS tells
// the interpreter the real type.
inline PyCFunction as_pycfunction(FastcallFunction function) {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

}  // namespace velkora::python
