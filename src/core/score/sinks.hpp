#pragma once
// Receivers of what the tangent-linear pass produces at each counted observation.

#include <concepts>
#include <span>
#include <vector>

namespace velkora::score {

// record(dv, df, v, finv): derivatives of the innovation and of its variance with respect
// to every parameter, the innovation and the inverse variance used for it. dv and df are
// scratch views, overwritten at the next step.
template <class Sink>
concept TlkfSink = requires(Sink& sink, std::span<const double> dv, std::span<const double> df, double v,
                            double finv) {
    sink.record(dv, df, v, finv);
};

// Running sums the gradient is formed from.
struct ScoreSums {
    explicit ScoreSums(std::size_t n_params)
        : sum_v_dv(n_params, 0.0), sum_v2_df(n_params, 0.0), sum_df(n_params, 0.0) {}

    void record(std::span<const double> dv, std::span<const double> df, double v, double finv);

    std::vector<double> sum_v_dv;    // sum of (v finv) dv_i
    std::vector<double> sum_v2_df;   // sum of (v^2 finv^2) df_i
    std::vector<double> sum_df;      // sum of finv df_i
};

// Everything, one element per counted observation.
struct ObsRecords {
    void reserve(std::size_t count);
    void record(std::span<const double> dv, std::span<const double> df, double v, double finv);

    std::vector<double> innovations;
    std::vector<double> inv_variances;
    std::vector<std::vector<double>> d_innovations;
    std::vector<std::vector<double>> d_variances;
};

static_assert(TlkfSink<ScoreSums> && TlkfSink<ObsRecords>);

}  // namespace velkora::score
