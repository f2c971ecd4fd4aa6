#pragma once
// The exception for failures that are bugs of the module, not of the call: a C++
// exception escaping a computation. It derives from BaseException so that a plain
// `except Exception` does not swallow it.

#include <Python.h>

#include <exception>

#include "python_error.hpp"

namespace velkora::python {

// Creates the type and adds it to the module as `InternalFailure`; -1 on failure.
int add_internal_failure_type(PyObject* module);

// Raises the module's InternalFailure carrying the message of `failure`.
std::unexpected<PyErrorSet> raise_internal_failure(PyObject* module, std::exception_ptr failure);

}  // namespace velkora::python
