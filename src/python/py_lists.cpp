#include "py_lists.hpp"

namespace velkora::python {

namespace {

template <class T, class Convert>
PyResult<PyRef> list_of(std::span<const T> values, Convert convert) {
    PyRef list = PyRef::steal(PyList_New(static_cast<Py_ssize_t>(values.size())));
    if (!list) return std::unexpected(PyErrorSet{});
    for (std::size_t i = 0; i < values.size(); ++i) {
        auto item = convert(values[i]);
        if (!item) return std::unexpected(PyErrorSet{});
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item.release());
    }
    return list;
}

}  // namespace

PyResult<PyRef> float_list(std::span<const double> values) {
    return list_of(values, [](double v) { return PyRef::steal(PyFloat_FromDouble(v)); });
}

PyResult<PyRef> nested_float_list(std::span<const std::vector<double>> rows) {
    return list_of(rows, [](const std::vector<double>& row) {
        auto inner = float_list(row);
        return inner ? std::move(*inner) : PyRef();
    });
}

PyResult<PyRef> int_list(std::span<const std::size_t> values) {
    return list_of(values, [](std::size_t v) { return PyRef::steal(PyLong_FromSize_t(v)); });
}

PyResult<PyRef> new_dict() {
    PyRef dict = PyRef::steal(PyDict_New());
    if (!dict) return std::unexpected(PyErrorSet{});
    return dict;
}

PyResult<void> set_item(PyObject* dict, const char* key, PyResult<PyRef> value) {
    if (!value) return std::unexpected(value.error());
    if (PyDict_SetItemString(dict, key, value->get()) < 0) return std::unexpected(PyErrorSet{});
    return {};
}

}  // namespace velkora::python
