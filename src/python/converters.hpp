#pragma once
// Conversions of single Python arguments into plain values. Each converter takes the
// object and the argument name and refuses anything else with a TypeError that names
// the argument; nothing is coerced (no float to int, no int to bool, no list for a tuple).

#include <Python.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "py_ref.hpp"
#include "python_error.hpp"

namespace velkora::python {

// Name of an object's type, for messages.
std::string type_name(PyObject* value);

// A Python bool.
PyResult<bool> to_bool(PyObject* value, std::string_view name);
// A str, as UTF-8.
PyResult<std::string> to_str(PyObject* value, std::string_view name);
// A non-negative integer that fits in 64 bits (int or any integer with __index__).
PyResult<std::size_t> to_size(PyObject* value, std::string_view name);
// A real number (float, int, or anything with __float__).
PyResult<double> to_double(PyObject* value, std::string_view name);

// A tuple of exactly N non-negative integers ("order" N = 3, "seasonal" N = 4).
template <std::size_t N>
PyResult<std::array<std::size_t, N>> to_size_tuple(PyObject* value, std::string_view name) {
    if (!PyTuple_Check(value))
        return raise(PyExc_TypeError, fmt::format("argument '{}' must be a tuple of {} integers, "
                                                  "got {}",
                                                  name, N, type_name(value)));
    if (static_cast<std::size_t>(PyTuple_GET_SIZE(value)) != N)
        return raise(PyExc_TypeError, fmt::format("argument '{}' must be a tuple of {} integers, "
                                                  "got {} elements",
                                                  name, N, PyTuple_GET_SIZE(value)));
    std::array<std::size_t, N> result{};
    for (std::size_t i = 0; i < N; ++i) {
        auto element = to_size(PyTuple_GET_ITEM(value, static_cast<Py_ssize_t>(i)),
                               fmt::format("{}[{}]", name, i));
        if (!element) return std::unexpected(element.error());
        result[i] = *element;
    }
    return result;
}

// None (or an omitted argument) as nullopt, anything else through Convert.
template <auto Convert>
auto to_optional(PyObject* value, std::string_view name)
    -> PyResult<std::optional<typename decltype(Convert(value, name))::value_type>> {
    if (value == Py_None) return std::nullopt;
    auto converted = Convert(value, name);
    if (!converted) return std::unexpected(converted.error());
    return std::move(*converted);
}

// A sequence (not a str or bytes) whose items all pass Convert; item i is named
// "name[i]" in messages.
template <auto Convert>
auto to_list(PyObject* value, std::string_view name)
    -> PyResult<std::vector<typename decltype(Convert(value, name))::value_type>> {
    if (!PySequence_Check(value) || PyUnicode_Check(value) || PyBytes_Check(value))
        return raise(PyExc_TypeError,
                     fmt::format("argument '{}' must be a sequence, got {}", name, type_name(value)));
    // A tuple snapshot: the caller's list cannot change underneath us.
    PyRef items = PyRef::steal(PySequence_Tuple(value));
    if (!items) return std::unexpected(PyErrorSet{});
    std::vector<typename decltype(Convert(value, name))::value_type> result;
    const Py_ssize_t count = PyTuple_GET_SIZE(items.get());
    result.reserve(static_cast<std::size_t>(count));
    for (Py_ssize_t i = 0; i < count; ++i) {
        auto item = Convert(PyTuple_GET_ITEM(items.get(), i), fmt::format("{}[{}]", name, i));
        if (!item) return std::unexpected(item.error());
        result.push_back(std::move(*item));
    }
    return result;
}

}  // namespace velkora::python
