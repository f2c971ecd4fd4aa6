#include "argument_binding.hpp"

#include <charconv>
#include <optional>
#include <string_view>

#include <fmt/format.h>

namespace velkora::python {

namespace {

// The Python object of a default literal (the forms text_signature.hpp admits).
PyRef default_value(std::string_view text) {
    if (text == "None") return PyRef::borrow(Py_None);
    if (text == "True") return PyRef::borrow(Py_True);
    if (text == "False") return PyRef::borrow(Py_False);
    if (text.front() == '"') {
        auto inner = text.substr(1, text.size() - 2);
        return PyRef::steal(
            PyUnicode_FromStringAndSize(inner.data(), static_cast<Py_ssize_t>(inner.size())));
    }
    if (text.find('.') != std::string_view::npos) {
        double value = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), value);
        return PyRef::steal(PyFloat_FromDouble(value));
    }
    long long value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return PyRef::steal(PyLong_FromLongLong(value));
}

std::optional<std::size_t> parameter_index(const TextSignature& signature,
                                           std::string_view name) {
    auto parameters = signature.parameters();
    for (std::size_t i = 0; i < parameters.size(); ++i)
        if (parameters[i].name == name) return i;
    return std::nullopt;
}

}  // namespace

PyResult<BoundArguments> bind_arguments(const TextSignature& signature, PyObject* const* args,
                                        Py_ssize_t nargs, PyObject* kwnames) {
    auto parameters = signature.parameters();
    BoundArguments bound;

    auto positional = static_cast<std::size_t>(nargs);
    if (positional > parameters.size())
        return raise(PyExc_TypeError,
                     fmt::format("{}() takes at most {} arguments ({} given)", signature.function,
                                 parameters.size(), positional));
    for (std::size_t i = 0; i < positional; ++i) bound[i] = PyRef::borrow(args[i]);

    Py_ssize_t keywords = kwnames == nullptr ? 0 : PyTuple_GET_SIZE(kwnames);
    for (Py_ssize_t k = 0; k < keywords; ++k) {
        Py_ssize_t length = 0;
        const char* utf8 = PyUnicode_AsUTF8AndSize(PyTuple_GET_ITEM(kwnames, k), &length);
        if (utf8 == nullptr) return std::unexpected(PyErrorSet{});
        std::string_view name(utf8, static_cast<std::size_t>(length));
        auto index = parameter_index(signature, name);
        if (!index)
            return raise(PyExc_TypeError,
                         fmt::format("{}() got an unexpected keyword argument '{}'",
                                     signature.function, name));
        if (bound[*index])
            return raise(PyExc_TypeError, fmt::format("{}() got multiple values for argument '{}'",
                                                      signature.function, name));
        bound[*index] = PyRef::borrow(args[nargs + k]);
    }

    for (std::size_t i = 0; i < parameters.size(); ++i) {
        if (bound[i]) continue;
        if (i < signature.required)
            return raise(PyExc_TypeError,
                         fmt::format("{}() missing required argument '{}' (pos {})",
                                     signature.function, parameters[i].name, i + 1));
        bound[i] = default_value(parameters[i].default_text);
        if (!bound[i]) return std::unexpected(PyErrorSet{});
    }
    return bound;
}

}  // namespace velkora::python
