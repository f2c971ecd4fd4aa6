#pragma once
// Point forecasts with their variances and normal prediction intervals.

#include <optional>
#include <span>
#include <vector>

namespace velkora {

struct ForecastResult {
    std::vector<double> mean;
    std::vector<double> variance;
    std::vector<double> ci_lower;
    std::vector<double> ci_upper;
};

// Regressor values for the forecast periods, one column per regressor, row i for step
// i + 1. Absent (nullopt) differs from given with no columns.
using FutureExog = std::optional<std::span<const std::vector<double>>>;

// Sets the bounds mean -/+ z sqrt(variance) over the common length of mean and variance;
// a negative or NaN variance counts as zero.
void set_interval_bounds(ForecastResult& result, double z);

}  // namespace velkora
