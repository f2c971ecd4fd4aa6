#include "statespace/gaussian_loglike.hpp"

#include <algorithm>
#include <cmath>

#include "statespace/kalman.hpp"

namespace velkora {

Result<GaussianLoglike> gaussian_loglike(const LikelihoodSums& sums, std::size_t nobs, double state_var,
                                         bool concentrate_scale) {
    if (!std::isfinite(sums.log_f) || !std::isfinite(sums.v2_over_f))
        return fail(SarimaxError::data_error(
            "non-finite Kalman statistics encountered (possible NaN/Inf in inputs)"));
    const double N = static_cast<double>(nobs);
    GaussianLoglike out;
    if (concentrate_scale) {
        out.scale = sums.v2_over_f / N;
        out.loglike = -0.5 * N * kLn2Pi - 0.5 * N * std::log(std::max(out.scale, 1e-300)) - 0.5 * N -
                      0.5 * sums.log_f;
    } else {
        out.scale = state_var;
        out.loglike = -0.5 * N * kLn2Pi - 0.5 * sums.log_f - 0.5 * sums.v2_over_f;
    }
    if (!std::isfinite(out.loglike) || !std::isfinite(out.scale))
        return fail(SarimaxError::data_error("non-finite loglike/scale produced by Kalman filter"));
    return out;
}

}  // namespace velkora
