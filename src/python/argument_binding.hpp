#pragma once
// Matching fast-call arguments (positional, then keywords) to a text signature.

#include <Python.h>

#include <array>

#include "py_ref.hpp"
#include "python_error.hpp"
#include "text_signature.hpp"

namespace velkora::python {

// One value per parameter, in signature order; defaults already filled in.
using BoundArguments = std::array<PyRef, kMaxParameters>;

// TypeError for too many positional arguments, an unknown keyword, an argument given
// twice or a missing required argument.
PyResult<BoundArguments> bind_arguments(const TextSignature& signature, PyObject* const* args,
                                        Py_ssize_t nargs, PyObject* kwnames);

}  // namespace velkora::python
