#include "python_error.hpp"

namespace velkora::python {

std::unexpected<PyErrorSet> raise(PyObject* type, const std::string& message) {
    PyErr_SetString(type, message.c_str());
    return std::unexpected(PyErrorSet{});
}

std::unexpected<PyErrorSet> to_pyerr(const SarimaxError& error) {
    switch (error.kind()) {
        case ErrorKind::CholeskyFailed:
        case ErrorKind::Optimization:
            return raise(PyExc_RuntimeError, error.display());
        default:
            return raise(PyExc_ValueError, error.display());
    }
}

}  // namespace velkora::python
