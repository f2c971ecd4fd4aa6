#pragma once
// The flat parameter vector split into its blocks.

#include <optional>
#include <span>
#include <vector>

#include "model/error.hpp"
#include "model/types.hpp"

namespace velkora {

struct SarimaxParams {
    std::optional<double> sigma2;
    std::vector<double> trend;
    std::vector<double> exog;
    std::vector<double> ar;
    std::vector<double> ma;
    std::vector<double> seasonal_ar;
    std::vector<double> seasonal_ma;

    // Blocks in the order trend, exog, AR, MA, seasonal AR, seasonal MA, then sigma2
    // unless the scale is concentrated. Only the length is checked.
    static Result<SarimaxParams> from_flat(std::span<const double> flat, const SarimaxConfig& config);
};

}  // namespace velkora
