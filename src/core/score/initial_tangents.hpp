#pragma once
// Derivatives of the filter's starting point. Only the stationary block of the state
// depends on the parameters: its mean (I - T_b)^-1 c_b(0) and its covariance, the solution
// of P_b = T_b P_b T_b' + (R Q R')_b. The diffuse states start at fixed values.

#include <Eigen/Dense>
#include <vector>

#include "score/system_derivatives.hpp"
#include "statespace/initialization.hpp"
#include "statespace/state_space.hpp"

namespace velkora::score {

// Adds to da[i] the solution of (I - T_b) x = dc_b(0) + dT_b a0_b.
void add_initial_state_derivatives(const StateSpace& ss, const KalmanInit& init,
                                   const SystemDerivatives& derivatives, std::vector<Eigen::VectorXd>& da);

// Adds to dP[i] the solution of dX = T_b dX T_b' + dT_b P_b T_b' + T_b P_b dT_b' + d(R Q R')_b.
// A block whose equation has no solution stays zero. dP[i] must be k x k for every
// parameter that moves the covariance.
void add_initial_cov_derivatives(const StateSpace& ss, const KalmanInit& init,
                                 const SystemDerivatives& derivatives, std::vector<Eigen::MatrixXd>& dP);

}  // namespace velkora::score
