#pragma once
// Small builders shared by the C++ test suites.

#include <random>
#include <vector>

#include "model/types.hpp"

namespace velkora::test_support {

inline SarimaxConfig make_config(SarimaxOrder order, Trend trend = Trend::TrendNone, std::size_t n_exog = 0,
                                 bool concentrate = false) {
    SarimaxConfig c;
    c.order = order;
    c.trend = trend;
    c.n_exog = n_exog;
    c.concentrate_scale = concentrate;
    return c;
}

// Seeded standard normal draws.
inline std::vector<double> white_noise(std::size_t n, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> normal;
    std::vector<double> e(n);
    for (double& v : e) v = normal(rng);
    return e;
}

}  // namespace velkora::test_support
