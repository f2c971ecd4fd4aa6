#include "converters.hpp"

namespace velkora::python {

std::string type_name(PyObject* value) { return Py_TYPE(value)->tp_name; }

PyResult<bool> to_bool(PyObject* value, std::string_view name) {
    if (!PyBool_Check(value))
        return raise(PyExc_TypeError,
                     fmt::format("argument '{}' must be a bool, got {}", name, type_name(value)));
    return value == Py_True;
}

PyResult<std::string> to_str(PyObject* value, std::string_view name) {
    if (!PyUnicode_Check(value))
        return raise(PyExc_TypeError,
                     fmt::format("argument '{}' must be a str, got {}", name, type_name(value)));
    Py_ssize_t length = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(value, &length);
    if (utf8 == nullptr) return std::unexpected(PyErrorSet{});
    return std::string(utf8, static_cast<std::size_t>(length));
}

PyResult<std::size_t> to_size(PyObject* value, std::string_view name) {
    static_assert(sizeof(std::size_t) == sizeof(unsigned long long));
    if (PyBool_Check(value) || !PyIndex_Check(value))
        return raise(PyExc_TypeError, fmt::format("argument '{}' must be a non-negative integer, "
                                                  "got {}",
                                                  name, type_name(value)));
    PyRef integer = PyRef::steal(PyNumber_Index(value));
    if (!integer) return std::unexpected(PyErrorSet{});
    unsigned long long result = PyLong_AsUnsignedLongLong(integer.get());
    if (result == static_cast<unsigned long long>(-1) && PyErr_Occurred()) {
        PyErr_Clear();
        PyRef text = PyRef::steal(PyObject_Str(integer.get()));
        const char* digits = text ? PyUnicode_AsUTF8(text.get()) : nullptr;
        if (digits == nullptr) return std::unexpected(PyErrorSet{});
        return raise(PyExc_TypeError, fmt::format("argument '{}' must be a non-negative integer "
                                                  "that fits in 64 bits, got {}",
                                                  name, digits));
    }
    return static_cast<std::size_t>(result);
}

PyResult<double> to_double(PyObject* value, std::string_view name) {
    if (!PyBool_Check(value)) {
        double result = PyFloat_AsDouble(value);
        if (!(result == -1.0 && PyErr_Occurred())) return result;
        PyErr_Clear();
    }
    return raise(PyExc_TypeError,
                 fmt::format("argument '{}' must be a float, got {}", name, type_name(value)));
}

}  // namespace velkora::python
