#pragma once
// The dict of one forecast: "mean", "variance", "ci_lower", "ci_upper", lists of floats.

#include "forecast/forecast_result.hpp"
#include "py_ref.hpp"
#include "python_error.hpp"

namespace velkora::python {

PyResult<PyRef> forecast_to_pydict(const ForecastResult& result);

}  // namespace velkora::python
