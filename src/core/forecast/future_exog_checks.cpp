#include "forecast/future_exog_checks.hpp"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>

namespace velkora {

Result<void> check_future_exog(const FutureExog& future_exog, std::size_t n_exog, std::size_t steps) {
    if (!future_exog) {
        if (n_exog > 0 && steps > 0)
            return fail(SarimaxError::invalid_input(
                "model has exogenous variables: future_exog is required for forecasting"));
        return {};
    }
    const auto columns = *future_exog;
    if (columns.size() != n_exog)
        return fail(SarimaxError::invalid_input(fmt::format(
            "future_exog column count mismatch: expected {}, got {}", n_exog, columns.size())));
    for (std::size_t j = 0; j < columns.size(); ++j) {
        const auto& column = columns[j];
        if (column.size() < steps)
            return fail(SarimaxError::invalid_input(
                fmt::format("future_exog column {} has {} rows but {} forecast steps requested", j,
                            column.size(), steps)));
        if (!std::ranges::all_of(column, [](double x) { return std::isfinite(x); }))
            return fail(SarimaxError::invalid_input(
                fmt::format("future_exog column {} contains NaN or Inf values", j)));
    }
    return {};
}

}  // namespace velkora
