#include "optimizer/start_differencing.hpp"

namespace velkora::start_params {

namespace {
// x_t - x_(t-lag); empty when lag >= length.
std::vector<double> lag_difference(const std::vector<double>& x, std::size_t lag) {
    if (lag >= x.size()) return {};
    std::vector<double> out(x.size() - lag);
    for (std::size_t t = lag; t < x.size(); ++t) out[t - lag] = x[t] - x[t - lag];
    return out;
}
}  // namespace

std::vector<double> difference(std::span<const double> x, std::size_t d) {
    std::vector<double> w(x.begin(), x.end());
    for (std::size_t pass = 0; pass < d; ++pass) w = lag_difference(w, 1);
    return w;
}

std::vector<double> seasonal_difference(std::span<const double> x, std::size_t D, std::size_t s) {
    std::vector<double> w(x.begin(), x.end());
    if (s == 0) return w;
    for (std::size_t pass = 0; pass < D; ++pass) w = lag_difference(w, s);
    return w;
}

std::vector<std::vector<double>> difference_exog_cols(std::span<const std::vector<double>> columns, std::size_t d,
                                                      std::size_t D, std::size_t s) {
    std::vector<std::vector<double>> out;
    out.reserve(columns.size());
    for (const auto& column : columns) out.push_back(seasonal_difference(difference(column, d), D, s));
    return out;
}

}  // namespace velkora::start_params
