#pragma once
// Differencing of the series and regressors before the start-parameter regressions.

#include <cstddef>
#include <span>
#include <vector>

namespace velkora::start_params {

// d passes of x_(t+1) - x_t; fewer than two values become empty.
std::vector<double> difference(std::span<const double> x, std::size_t d);
// D passes of x_t - x_(t-s); s = 0 leaves x unchanged, a pass with s >= length gives empty.
std::vector<double> seasonal_difference(std::span<const double> x, std::size_t D, std::size_t s);
// difference, then seasonal_difference, of every column.
std::vector<std::vector<double>> difference_exog_cols(std::span<const std::vector<double>> columns, std::size_t d,
                                                      std::size_t D, std::size_t s);

}  // namespace velkora::start_params
