#pragma once
// Regressor values of the forecast periods under simple differencing.

#include <cstddef>
#include <span>
#include <vector>

#include "model/error.hpp"
#include "model/types.hpp"
#include "statespace/state_space.hpp"

namespace velkora {

// Differences each future column as a continuation of its sample column, with the
// passes that took `dropped` rows off the n sample rows (at most one seasonal pass), so
// the first future differences reach back into the last sample rows.
Result<ExogColumns> difference_future_exog(std::span<const std::vector<double>> sample,
                                           std::span<const std::vector<double>> future,
                                           const SarimaxConfig& config, std::size_t n, std::size_t dropped);

}  // namespace velkora
