#pragma once
// Failures on the Python side of the module travel as "an exception is set".

#include <Python.h>

#include <expected>
#include <string>

#include "model/error.hpp"

namespace velkora::python {

// Marker for "a Python exception has been set; return NULL to the interpreter".
struct PyErrorSet {};

template <class T>
using PyResult = std::expected<T, PyErrorSet>;

// Sets `type` with `message` and returns the marker, for `return raise(...)`.
std::unexpected<PyErrorSet> raise(PyObject* type, const std::string& message);

// Raises a computation error: RuntimeError for CholeskyFailed and Optimization,
// ValueError for every other kind, with the error's display text.
std::unexpected<PyErrorSet> to_pyerr(const SarimaxError& error);

}  // namespace velkora::python
