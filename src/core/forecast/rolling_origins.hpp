#pragma once
// Validation of a rolling-origin request and its list of forecast origins.

#include <cstddef>
#include <vector>

#include "model/error.hpp"
#include "model/types.hpp"

namespace velkora {

// Origins start, start + step, ... up to the last admissible one: n - horizon when the
// model has regressors (their future rows come from the sample), else n - 1. The request
// is checked first, in a fixed order, ending with the snapshot memory cap.
Result<std::vector<std::size_t>> rolling_origins(std::size_t n, const SarimaxConfig& config, std::size_t start,
                                                 std::size_t step, std::size_t horizon, bool has_exog);

}  // namespace velkora
