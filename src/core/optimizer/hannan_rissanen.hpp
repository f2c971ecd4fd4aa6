#pragma once
// Two-stage (Hannan-Rissanen) regression estimates of ARMA coefficients.

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace velkora::start_params {

struct TwoStageEstimate {
    std::vector<double> ar;   // one per AR lag
    std::vector<double> ma;   // one per MA lag
    double variance = 0.0;
};

// ARMA coefficients on the given lag sets: a long autoregression of order twice the largest
// MA lag estimates the innovations, then w_t is regressed on its AR lags and on the lagged
// innovations. Nothing when the series is too short or a regression fails.
std::optional<TwoStageEstimate> css_two_stage(std::span<const double> w, std::span<const std::size_t> ar_lags,
                                              std::span<const std::size_t> ma_lags);

// r_j = w_j - sum_m ar_m w_(j-m) for j >= p; a copy of w without coefficients, empty when
// w is not longer than p.
std::vector<double> ar_residuals(std::span<const double> w, std::span<const double> ar);
// r_t = w_t - sum_m sar_m w_(t-m*s) for t >= P*s; empty when w is not longer than P*s.
std::vector<double> seasonal_ar_residuals(std::span<const double> w, std::span<const double> sar, std::size_t s);

}  // namespace velkora::start_params
