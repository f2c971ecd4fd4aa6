#pragma once
// One-step-ahead prediction errors of a series at given parameters.

#include <span>
#include <vector>

#include "model/error.hpp"
#include "model/params.hpp"
#include "model/types.hpp"

namespace velkora {

struct ResidualOutput {
    std::vector<double> residuals;               // innovations v_t
    std::vector<double> standardized_residuals;  // v_t / sqrt(variance), 0 where it is not positive
    std::vector<double> prediction_variances;    // F_t on the scale of the data
};

// One entry per filtered period: the periods of `y`, or of the differenced series under
// simple differencing. `exog` holds the sample regressors (empty for none).
Result<ResidualOutput> residuals_pipeline(std::span<const double> y, const SarimaxConfig& config,
                                          const SarimaxParams& params,
                                          std::span<const std::vector<double>> exog = {});

}  // namespace velkora
