#pragma once
// Checks on the regressor values supplied for the forecast periods.

#include <cstddef>

#include "forecast/forecast_result.hpp"
#include "model/error.hpp"

namespace velkora {

// In order: present when the model has regressors and steps > 0; one column per
// regressor; then per column, at least `steps` rows and every row finite.
Result<void> check_future_exog(const FutureExog& future_exog, std::size_t n_exog, std::size_t steps);

}  // namespace velkora
