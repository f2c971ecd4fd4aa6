#pragma once
// Running a computation with the interpreter lock released.

#include <Python.h>

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

#include "internal_failure.hpp"
#include "python_error.hpp"

namespace velkora::python {

// Runs `work` without the interpreter lock. `work` must not touch Python objects. A C++
// exception escaping it is caught, the lock is taken back, and it is raised as the
// module's InternalFailure.
template <class Work>
auto run_without_gil(PyObject* module, Work&& work) -> PyResult<std::invoke_result_t<Work&>> {
    std::optional<std::invoke_result_t<Work&>> result;
    std::exception_ptr failure;
    Py_BEGIN_ALLOW_THREADS
    try {
        result.emplace(work());
    } catch (...) {
        failure = std::current_exception();
    }
    Py_END_ALLOW_THREADS
    if (failure) return raise_internal_failure(module, failure);
    return std::move(*result);
}

// For a computation returning Result<T>: as run_without_gil, and its SarimaxError, if
// any, raised through to_pyerr.
template <class Work>
auto compute_without_gil(PyObject* module, Work&& work)
    -> PyResult<typename std::invoke_result_t<Work&>::value_type> {
    auto outcome = run_without_gil(module, std::forward<Work>(work));
    if (!outcome) return std::unexpected(outcome.error());
    if (!*outcome) return to_pyerr(outcome->error());
    return std::move(**outcome);
}

}  // namespace velkora::python
