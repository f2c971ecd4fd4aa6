#pragma once
// Plain Python lists and dicts built from computation results.

#include <Python.h>

#include <cstddef>
#include <span>
#include <vector>

#include "py_ref.hpp"
#include "python_error.hpp"

namespace velkora::python {

PyResult<PyRef> float_list(std::span<const double> values);
// One inner list per row.
PyResult<PyRef> nested_float_list(std::span<const std::vector<double>> rows);
PyResult<PyRef> int_list(std::span<const std::size_t> values);

PyResult<PyRef> new_dict();
// dict[key] = value; a failed value (exception already set) passes through.
PyResult<void> set_item(PyObject* dict, const char* key, PyResult<PyRef> value);

}  // namespace velkora::python
