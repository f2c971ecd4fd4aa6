#pragma once
// Owner of one strong reference to a Python object.

#include <Python.h>

#include <utility>

namespace velkora::python {

class PyRef {
public:
    PyRef() = default;
    // Takes over a new reference (as returned by most C API calls); null stays null.
    static PyRef steal(PyObject* object) { return PyRef(object); }
    // Adds a reference to a borrowed object.
    static PyRef borrow(PyObject* object) {
        Py_XINCREF(object);
        return PyRef(object);
    }

    PyRef(PyRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    PyRef& operator=(PyRef&& other) noexcept {
        if (this != &other) {
            Py_XDECREF(object_);
            object_ = std::exchange(other.object_, nullptr);
        }
        return *this;
    }
    PyRef(const PyRef&) = delete;
    PyRef& operator=(const PyRef&) = delete;
    ~PyRef() { Py_XDECREF(object_); }

    [[nodiscard]] PyObject* get() const { return object_; }
    // Hands the reference to the caller (for returning results to the interpreter).
    [[nodiscard]] PyObject* release() { return std::exchange(object_, nullptr); }
    explicit operator bool() const { return object_ != nullptr; }

private:
    explicit PyRef(PyObject* object) : object_(object) {}
    PyObject* object_ = nullptr;
};

}  // namespace velkora::python
