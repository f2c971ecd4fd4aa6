#pragma once
// The exact Gaussian log-likelihood from the running sums of a filter pass.

#include <cstddef>

#include "model/error.hpp"

namespace velkora {

struct LikelihoodSums {
    double log_f = 0.0;       // sum of ln F_t
    double v2_over_f = 0.0;   // sum of v_t^2 / F_t
};

struct GaussianLoglike {
    double loglike = 0.0;
    double scale = 0.0;   // the concentrated variance, or state_var when the scale is estimated
};

// Sums over nobs counted observations. Non-finite sums or results are data errors.
Result<GaussianLoglike> gaussian_loglike(const LikelihoodSums& sums, std::size_t nobs, double state_var,
                                         bool concentrate_scale);

}  // namespace velkora
