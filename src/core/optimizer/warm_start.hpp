#pragma once
// Cheaper problems solved before the main optimisation to offer a better start. Neither
// stage reports errors: a failure simply offers nothing.

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "model/types.hpp"

namespace velkora::optimizer {

// Minimises the CSS objective from `start` (constrained values): bounded L-BFGS-B with a
// central-difference gradient, then Nelder-Mead if that fails. `budget` counts evaluation
// requests (Nelder-Mead: iterations). Returns constrained parameters.
std::optional<std::vector<double>> run_css_optimization(std::span<const double> y, const SarimaxConfig& config,
                                                        std::span<const double> start, std::size_t budget,
                                                        std::span<const std::vector<double>> exog = {});

// Fits the model with the differencing moved out of the state vector and offers that
// estimate (constrained) as a start for the full model.
std::optional<std::vector<double>> run_sd_warm_start(std::span<const double> y, const SarimaxConfig& config,
                                                     std::span<const std::vector<double>> exog = {});

}  // namespace velkora::optimizer
