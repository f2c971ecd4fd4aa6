#pragma once
// The filter packaged from parameters to results.

#include <optional>
#include <span>
#include <vector>

#include "model/error.hpp"
#include "model/params.hpp"
#include "model/types.hpp"
#include "statespace/initialization.hpp"
#include "statespace/kalman.hpp"
#include "statespace/state_space.hpp"

namespace velkora {

struct PreparedEndog {
    std::vector<double> series;
    std::optional<ExogColumns> exog;
};

struct BatchedKalmanOutput {
    std::vector<std::vector<double>> innovations;
    std::vector<double> innovation_variances;
    std::size_t nobs = 0;
};

namespace pipeline {

// Under simple differencing: the differenced series and regressors. Otherwise a copy of
// y and no regressors.
Result<PreparedEndog> prepare_endog(std::span<const double> y, const SarimaxConfig& config,
                                    std::span<const std::vector<double>> exog = {});

// The regressors a model is filtered with: the differenced ones under simple differencing,
// otherwise those given.
std::span<const std::vector<double>> regressors_in_effect(const PreparedEndog& prepared,
                                                          const SarimaxConfig& config,
                                                          std::span<const std::vector<double>> exog);

// The series to filter with its state space and initialisation, ready for the filter.
struct PreparedModel {
    PreparedEndog endog;
    StateSpace ss;
    KalmanInit init;
};

Result<PreparedModel> prepare_model(std::span<const double> y, const SarimaxParams& params,
                                    const SarimaxConfig& config,
                                    std::span<const std::vector<double>> exog = {});

// The filter on a series already prepared (differenced under simple differencing), with
// the regressors in effect for it.
Result<KalmanOutput> kalman_eval_prepared(std::span<const double> prepared, const SarimaxParams& params,
                                          const SarimaxConfig& config,
                                          std::span<const std::vector<double>> exog = {});

Result<KalmanOutput> kalman_eval(std::span<const double> y, const SarimaxParams& params,
                                 const SarimaxConfig& config,
                                 std::span<const std::vector<double>> exog = {});

}  // namespace pipeline

// Several series through one model, sharing one covariance recursion.
Result<BatchedKalmanOutput> kalman_filter_batched(std::span<const std::vector<double>> series,
                                                  const StateSpace& ss, const KalmanInit& init);

struct FilterWithSnapshots {
    KalmanFilterOutput output;
    std::vector<StateSnapshot> snapshots;
};

Result<FilterWithSnapshots> kalman_filter_with_snapshots(std::span<const double> y,
                                                         const StateSpace& ss,
                                                         const KalmanInit& init,
                                                         bool concentrate_scale,
                                                         std::span<const std::size_t> origins);

}  // namespace velkora
