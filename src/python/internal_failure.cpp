#include "internal_failure.hpp"

#include <string>

#include "py_ref.hpp"

namespace velkora::python {

namespace {

constexpr const char* kAttribute = "InternalFailure";

std::string failure_message(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "unknown internal failure";
    }
}

}  // namespace

int add_internal_failure_type(PyObject* module) {
    PyRef type = PyRef::steal(PyErr_NewExceptionWithDoc(
        "velkora.InternalFailure",
        "An internal failure of the velkora module (a bug, not a problem with the input).",
        PyExc_BaseException, nullptr));
    if (!type) return -1;
    return PyModule_AddObjectRef(module, kAttribute, type.get());
}

std::unexpected<PyErrorSet> raise_internal_failure(PyObject* module, std::exception_ptr failure) {
    const std::string message = failure_message(failure);
    PyRef type = PyRef::steal(PyObject_GetAttrString(module, kAttribute));
    if (!type) return raise(PyExc_SystemError, message);
    return raise(type.get(), message);
}

}  // namespace velkora::python
