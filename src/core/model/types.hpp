#pragma once
// Model orders, configuration and the trend codes.

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace velkora {

struct SarimaxOrder {
    std::size_t p = 0;
    std::size_t d = 0;
    std::size_t q = 0;
    std::size_t P = 0;
    std::size_t D = 0;
    std::size_t Q = 0;
    std::size_t s = 0;

    // Number of ARMA states in the companion form.
    [[nodiscard]] std::size_t k_arma() const { return std::max(p + P * s, q + Q * s + 1); }
    // Differencing states plus ARMA states.
    [[nodiscard]] std::size_t k_states() const { return d + D * s + k_arma(); }
};

enum class Trend : std::uint8_t {
    TrendNone = 0,
    TrendConstant = 1,
    TrendLinear = 2,
    TrendConstantLinear = 3,
};

// Number of trend parameters for a trend code: 0, 1, 1, 2.
[[nodiscard]] inline std::size_t trend_param_count(Trend trend) {
    constexpr std::size_t counts[4] = {0, 1, 1, 2};
    return counts[static_cast<std::size_t>(trend) & 3U];
}

struct SarimaxConfig {
    SarimaxOrder order;
    std::size_t n_exog = 0;
    Trend trend = Trend::TrendNone;
    bool enforce_stationarity = true;
    bool enforce_invertibility = true;
    bool concentrate_scale = false;
    bool simple_differencing = false;

    // Length of the flat parameter vector this configuration expects.
    [[nodiscard]] std::size_t param_count() const {
        return trend_param_count(trend) + n_exog + order.p + order.q + order.P + order.Q +
               (concentrate_scale ? 0 : 1);
    }
    // Differencing states carried inside the state vector.
    [[nodiscard]] std::size_t k_diff() const {
        return simple_differencing ? 0 : order.d + order.D * order.s;
    }
};

}  // namespace velkora
