#pragma once
// The dict of one fit, its warnings emitted through Python's `warnings` module.

#include "optimizer/fit_result.hpp"
#include "py_ref.hpp"
#include "python_error.hpp"

namespace velkora::python {

// Keys params, loglike, scale, aic, bic, n_obs, n_params, n_iter, converged, method,
// warnings. Once the dict is complete each warning text goes to warnings.warn in order;
// a warning turned into an exception is raised and the dict discarded.
PyResult<PyRef> fit_result_to_pydict(const optimizer::FitResult& result);

}  // namespace velkora::python
