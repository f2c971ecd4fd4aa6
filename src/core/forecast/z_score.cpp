#include "forecast/z_score.hpp"

#include <cmath>
#include <limits>

namespace velkora {

namespace {

constexpr double kA[6] = {-3.969683028665376e+01, 2.209460984245205e+02, -2.759285104469687e+02,
                          1.383577518672690e+02,  -3.066479806614716e+01, 2.506628277459239e+00};
constexpr double kB[5] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                          6.680131188771972e+01,  -1.328068155288572e+01};
constexpr double kC[6] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                          -2.549732539343734e+00, 4.374664141464968e+00,  2.938163982698783e+00};
constexpr double kD[4] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                          3.754408661907416e+00};
constexpr double kLow = 0.02425;
constexpr double kHigh = 1.0 - kLow;

// Lower-tail quantile in q = sqrt(-2 ln p); the upper tail is its mirror image.
double tail(double q) {
    return (((((kC[0] * q + kC[1]) * q + kC[2]) * q + kC[3]) * q + kC[4]) * q + kC[5]) /
           ((((kD[0] * q + kD[1]) * q + kD[2]) * q + kD[3]) * q + 1.0);
}

}  // namespace

double z_score(double p) {
    if (p <= 0.0) return -std::numeric_limits<double>::infinity();
    if (p >= 1.0) return std::numeric_limits<double>::infinity();
    if (std::fabs(p - 0.5) < 1e-15) return 0.0;
    if (p < kLow) return tail(std::sqrt(-2.0 * std::log(p)));
    if (p <= kHigh) {
        const double q = p - 0.5;
        const double r = q * q;
        return (((((kA[0] * r + kA[1]) * r + kA[2]) * r + kA[3]) * r + kA[4]) * r + kA[5]) * q /
               (((((kB[0] * r + kB[1]) * r + kB[2]) * r + kB[3]) * r + kB[4]) * r + 1.0);
    }
    return -tail(std::sqrt(-2.0 * std::log(1.0 - p)));
}

double interval_z(double alpha) { return z_score(alpha * -0.5 + 1.0); }

}  // namespace velkora
