#include "numpy_arrays.hpp"

#include <cstring>

#include <fmt/format.h>

#include "converters.hpp"

namespace velkora::python {

namespace {

std::string dtype_text(PyArrayObject* array) {
    PyRef text = PyRef::steal(PyObject_Str(reinterpret_cast<PyObject*>(PyArray_DESCR(array))));
    const char* utf8 = text ? PyUnicode_AsUTF8(text.get()) : nullptr;
    if (utf8 == nullptr) {
        PyErr_Clear();
        return "unknown";
    }
    return utf8;
}

PyResult<ArrayArg> to_float64_array(PyObject* value, std::string_view name, int ndim) {
    if (!PyArray_Check(value))
        return raise(PyExc_TypeError,
                     fmt::format("argument '{}' must be a {}-dimensional float64 numpy.ndarray, "
                                 "got {}",
                                 name, ndim, type_name(value)));
    auto* array = reinterpret_cast<PyArrayObject*>(value);
    if (PyArray_TYPE(array) != NPY_DOUBLE || !PyArray_ISNOTSWAPPED(array))
        return raise(PyExc_TypeError,
                     fmt::format("argument '{}' must have dtype float64 (native byte order), "
                                 "got {}",
                                 name, dtype_text(array)));
    if (PyArray_NDIM(array) != ndim)
        return raise(PyExc_TypeError,
                     fmt::format("argument '{}' must be {}-dimensional, got {} dimensions", name,
                                 ndim, PyArray_NDIM(array)));
    return ArrayArg{PyRef::borrow(value), std::string(name)};
}

}  // namespace

PyResult<ArrayArg> to_array_1d(PyObject* value, std::string_view name) {
    return to_float64_array(value, name, 1);
}

PyResult<ArrayArg> to_array_2d(PyObject* value, std::string_view name) {
    return to_float64_array(value, name, 2);
}

PyResult<std::vector<double>> contiguous_copy(const ArrayArg& array) {
    PyArrayObject* view = array.array();
    if (!PyArray_IS_C_CONTIGUOUS(view) || !PyArray_ISALIGNED(view))
        return raise(PyExc_TypeError,
                     fmt::format("argument '{}': array is not contiguous and aligned", array.name));
    const auto* data = static_cast<const double*>(PyArray_DATA(view));
    return std::vector<double>(data, data + PyArray_SIZE(view));
}

ExogColumns numpy2d_to_cols(const ArrayArg& matrix) {
    PyArrayObject* view = matrix.array();
    const npy_intp rows = PyArray_DIM(view, 0);
    const npy_intp cols = PyArray_DIM(view, 1);
    const npy_intp row_stride = PyArray_STRIDE(view, 0);
    const npy_intp col_stride = PyArray_STRIDE(view, 1);
    const auto* base = static_cast<const char*>(PyArray_DATA(view));

    ExogColumns columns(static_cast<std::size_t>(cols),
                        std::vector<double>(static_cast<std::size_t>(rows)));
    for (npy_intp j = 0; j < cols; ++j) {
        auto& column = columns[static_cast<std::size_t>(j)];
        for (npy_intp i = 0; i < rows; ++i)
            // memcpy: the element may be misaligned in a strided view.
            std::memcpy(&column[static_cast<std::size_t>(i)],
                        base + i * row_stride + j * col_stride, sizeof(double));
    }
    return columns;
}

}  // namespace velkora::python
