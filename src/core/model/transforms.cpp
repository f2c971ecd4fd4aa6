#include "model/transforms.hpp"

#include <cmath>

#include "model/number_format.hpp"

namespace velkora {

namespace {
constexpr double kBoundaryFloor = 1e-15;
constexpr double kJacobianStep = 1e-7;

using BlockMap = std::vector<double> (*)(std::span<const double>);

void append_block(std::vector<double>& out, std::span<const double> block, bool transformed, BlockMap map) {
    if (!transformed) {
        out.insert(out.end(), block.begin(), block.end());
        return;
    }
    const std::vector<double> mapped = map(block);
    out.insert(out.end(), mapped.begin(), mapped.end());
}

std::vector<double> negated(std::span<const double> values) {
    std::vector<double> out(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) out[i] = -values[i];
    return out;
}
}  // namespace

std::vector<double> constrain_stationary(std::span<const double> x) {
    const std::size_t n = x.size();
    // Rows k-1 and k of the Durbin-Levinson table.
    std::vector<double> previous;
    std::vector<double> row;
    previous.reserve(n);
    row.reserve(n);
    for (std::size_t k = 0; k < n; ++k) {
        const double r = x[k] / std::sqrt(x[k] * x[k] + 1.0);
        row.resize(k + 1);
        for (std::size_t i = 0; i < k; ++i) row[i] = previous[i] + r * previous[k - 1 - i];
        row[k] = r;
        previous.swap(row);
    }
    return negated(previous);
}

std::vector<double> unconstrain_stationary(std::span<const double> phi) {
    const std::size_t n = phi.size();
    std::vector<double> row = negated(phi);
    std::vector<double> next;
    next.reserve(n);
    std::vector<double> partial(n);
    if (n > 0) partial[n - 1] = row[n - 1];
    for (std::size_t k = n; k-- > 1;) {
        double denominator = 1.0 - row[k] * row[k];
        if (denominator <= kBoundaryFloor) denominator = kBoundaryFloor;
        next.resize(k);
        for (std::size_t i = 0; i < k; ++i) next[i] = (row[i] - row[k] * row[k - 1 - i]) / denominator;
        row.swap(next);
        partial[k - 1] = row[k - 1];
    }
    std::vector<double> x(n);
    for (std::size_t k = 0; k < n; ++k) {
        const double r = partial[k];
        x[k] = r / std::sqrt(std::fmax(1.0 - r * r, kBoundaryFloor));
    }
    return x;
}

std::vector<double> constrain_invertible(std::span<const double> x) {
    return negated(constrain_stationary(x));
}

std::vector<double> unconstrain_invertible(std::span<const double> theta) {
    return unconstrain_stationary(negated(theta));
}

Result<std::vector<double>> transform_params_inner(std::span<const double> params,
                                                   const SarimaxConfig& config, bool forward) {
    const std::size_t expected = config.param_count();
    if (params.size() != expected) return fail(SarimaxError::param_length(expected, params.size()));

    const SarimaxOrder& o = config.order;
    const BlockMap stationary = forward ? &constrain_stationary : &unconstrain_stationary;
    const BlockMap invertible = forward ? &constrain_invertible : &unconstrain_invertible;
    std::vector<double> out;
    out.reserve(expected);
    std::size_t pos = 0;
    auto next_block = [&](std::size_t count) {
        const auto block = params.subspan(pos, count);
        pos += count;
        return block;
    };
    append_block(out, next_block(trend_param_count(config.trend) + config.n_exog), false, nullptr);
    append_block(out, next_block(o.p), o.p > 0 && config.enforce_stationarity, stationary);
    append_block(out, next_block(o.q), o.q > 0 && config.enforce_invertibility, invertible);
    append_block(out, next_block(o.P), o.P > 0 && config.enforce_stationarity, stationary);
    append_block(out, next_block(o.Q), o.Q > 0 && config.enforce_invertibility, invertible);
    if (!config.concentrate_scale) {
        const double variance = params[pos];
        if (forward) {
            out.push_back(std::exp(variance));
        } else {
            if (variance <= 0.0)
                return fail(SarimaxError::data_error("variance sigma2 must be positive, got " +
                                                     plain_double(variance)));
            out.push_back(std::log(variance));
        }
    }
    return out;
}

Result<std::vector<double>> transform_jacobian_t_vec(std::span<const double> x,
                                                     const SarimaxConfig& config,
                                                     std::span<const double> v) {
    auto base = transform_params_inner(x, config, true);
    if (!base) return fail(base.error());
    const std::size_t n = x.size();
    if (v.size() != n) return fail(SarimaxError::param_length(n, v.size()));

    std::vector<double> point(x.begin(), x.end());
    std::vector<double> g(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        const double saved = point[i];
        point[i] += kJacobianStep;
        auto shifted = transform_params_inner(point, config, true);
        point[i] = saved;
        if (!shifted) return fail(shifted.error());
        double sum = 0.0;
        for (std::size_t j = 0; j < n; ++j) sum += v[j] * ((*shifted)[j] - (*base)[j]) / kJacobianStep;
        g[i] = sum;
    }
    return g;
}

std::expected<std::vector<double>, std::string> apply_transform_jacobian(std::span<const double> v,
                                                                         std::span<const double> x,
                                                                         const SarimaxConfig& config) {
    auto g = transform_jacobian_t_vec(x, config, v);
    if (!g) return std::unexpected(g.error().display());
    return std::move(*g);
}

}  // namespace velkora
