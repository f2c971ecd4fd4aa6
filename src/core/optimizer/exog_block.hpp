#pragma once
// Moving the regression block in and out of a flat parameter vector.

#include <span>
#include <vector>

#include "model/types.hpp"

namespace velkora::optimizer {

// The trend entries of `profiled`, then `beta`, then the rest of `profiled`.
std::vector<double> insert_exog_block(std::span<const double> profiled, std::span<const double> beta,
                                      Trend trend);

// `full` without its n_exog regression entries (which follow the trend entries).
std::vector<double> remove_exog_block(std::span<const double> full, const SarimaxConfig& config);

}  // namespace velkora::optimizer
