#pragma once
// Borrowed float64 arrays and their copies into owned vectors.

#include <string>
#include <string_view>
#include <vector>

#include "numpy_api.hpp"
#include "py_ref.hpp"
#include "python_error.hpp"
#include "statespace/state_space.hpp"

namespace velkora::python {

// A float64 NumPy array of a checked dimension count, with the argument name that the
// messages about it use ("y", "series_list[3]").
struct ArrayArg {
    PyRef object;
    std::string name;

    [[nodiscard]] PyArrayObject* array() const {
        return reinterpret_cast<PyArrayObject*>(object.get());
    }
};

// A one-dimensional float64 array (the series, parameter vectors).
PyResult<ArrayArg> to_array_1d(PyObject* value, std::string_view name);
// A two-dimensional float64 array (rows = time, columns = regressors).
PyResult<ArrayArg> to_array_2d(PyObject* value, std::string_view name);

// The values of a one-dimensional array; TypeError unless it is contiguous and aligned.
PyResult<std::vector<double>> contiguous_copy(const ArrayArg& array);

// Column j holds the values of column j of a two-dimensional array, in row order.
// Read through the strides, so any layout is accepted.
ExogColumns numpy2d_to_cols(const ArrayArg& matrix);

}  // namespace velkora::python
