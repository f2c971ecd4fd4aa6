#include "score/sinks.hpp"

namespace velkora::score {

void ScoreSums::record(std::span<const double> dv, std::span<const double> df, double v, double finv) {
    const double v_finv = v * finv;
    const double v2_finv2 = finv * ((v * v) * finv);
    for (std::size_t i = 0; i < dv.size(); ++i) {
        sum_v_dv[i] += v_finv * dv[i];
        sum_v2_df[i] += v2_finv2 * df[i];
        sum_df[i] += finv * df[i];
    }
}

void ObsRecords::reserve(std::size_t count) {
    innovations.reserve(count);
    inv_variances.reserve(count);
    d_innovations.reserve(count);
    d_variances.reserve(count);
}

void ObsRecords::record(std::span<const double> dv, std::span<const double> df, double v, double finv) {
    innovations.push_back(v);
    inv_variances.push_back(finv);
    d_innovations.emplace_back(dv.begin(), dv.end());
    d_variances.emplace_back(df.begin(), df.end());
}

}  // namespace velkora::score
