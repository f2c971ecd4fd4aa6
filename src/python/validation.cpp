#include "validation.hpp"

#include <cmath>

#include <fmt/format.h>

#include "model/number_format.hpp"

namespace velkora::python {

namespace {

constexpr std::size_t kMaxP = 20;
constexpr std::size_t kMaxQ = 20;
constexpr std::size_t kMaxD = 3;
constexpr std::size_t kMaxSeasonalP = 4;
constexpr std::size_t kMaxSeasonalQ = 4;
constexpr std::size_t kMaxSeasonalD = 2;
constexpr std::size_t kMaxPeriod = 365;
constexpr std::size_t kMaxExog = 100;
constexpr std::size_t kMaxStates = 1024;
constexpr std::size_t kMaxSteps = 10000;

struct OrderLimit {
    const char* label;  // start of the message, up to "="
    std::size_t value;
    std::size_t limit;
};

std::unexpected<PyErrorSet> value_error(const std::string& message) {
    return raise(PyExc_ValueError, message);
}

}  // namespace

SarimaxOrder make_order(const OrderTuple& order, const SeasonalTuple& seasonal) {
    return SarimaxOrder{.p = order[0],
                        .d = order[1],
                        .q = order[2],
                        .P = seasonal[0],
                        .D = seasonal[1],
                        .Q = seasonal[2],
                        .s = seasonal[3]};
}

PyResult<void> validate_order(const SarimaxOrder& order, std::size_t n_exog) {
    const OrderLimit limits[] = {
        {"AR order p", order.p, kMaxP},
        {"MA order q", order.q, kMaxQ},
        {"differencing order d", order.d, kMaxD},
        {"seasonal AR order P", order.P, kMaxSeasonalP},
        {"seasonal MA order Q", order.Q, kMaxSeasonalQ},
        {"seasonal differencing D", order.D, kMaxSeasonalD},
        {"seasonal period s", order.s, kMaxPeriod},
        {"n_exog", n_exog, kMaxExog},
    };
    for (const auto& [label, value, limit] : limits)
        if (value > limit)
            return value_error(fmt::format("{}={} exceeds maximum {}", label, value, limit));

    const bool seasonal = order.P > 0 || order.D > 0 || order.Q > 0;
    if (seasonal && order.s < 2)
        return value_error("seasonal order (P,D,Q) > 0 requires seasonal period s >= 2");

    if (order.k_states() > kMaxStates)
        return value_error(fmt::format("model too large: k_states={} exceeds limit {}",
                                       order.k_states(), kMaxStates));
    return {};
}

PyResult<void> validate_finite_cols(const ExogColumns& columns, std::string_view name) {
    for (std::size_t j = 0; j < columns.size(); ++j)
        for (std::size_t i = 0; i < columns[j].size(); ++i)
            if (!std::isfinite(columns[j][i]))
                return value_error(
                    fmt::format("{} contains NaN or Inf at column {}, row {}", name, j, i));
    return {};
}

PyResult<std::optional<ExogColumns>> validate_single_inputs(std::span<const double> y,
                                                           const std::optional<ArrayArg>& exog) {
    for (double value : y)
        if (!std::isfinite(value)) return value_error("input time series contains NaN or Inf values");
    if (!exog) return std::nullopt;

    ExogColumns columns = numpy2d_to_cols(*exog);
    if (auto finite = validate_finite_cols(columns, "exog"); !finite)
        return std::unexpected(finite.error());
    const auto rows = static_cast<std::size_t>(PyArray_DIM(exog->array(), 0));
    if (rows != y.size())
        return value_error(fmt::format(
            "exog has {} rows but endog has {} observations; they must match", rows, y.size()));
    return columns;
}

PyResult<Trend> parse_trend(const std::optional<std::string>& trend) {
    if (!trend || *trend == "n") return Trend::TrendNone;
    if (*trend == "c") return Trend::TrendConstant;
    if (*trend == "t") return Trend::TrendLinear;
    if (*trend == "ct" || *trend == "tc") return Trend::TrendConstantLinear;
    return value_error(
        fmt::format("unknown trend '{}', expected one of: 'n', 'c', 't', 'ct'", *trend));
}

PyResult<void> validate_alpha(double alpha) {
    if (!(alpha > 0.0 && alpha < 1.0))
        return value_error(fmt::format("alpha must be in (0, 1), got {}", plain_double(alpha)));
    return {};
}

PyResult<void> validate_steps(std::size_t steps) {
    if (steps > kMaxSteps)
        return value_error(fmt::format("steps must be <= {}, got {}", kMaxSteps, steps));
    return {};
}

PyResult<SingleRequest> prepare_single_request(std::span<const double> y,
                                               const OrderTuple& order,
                                               const SeasonalTuple& seasonal,
                                               const std::optional<ArrayArg>& exog,
                                               const ModelFlags& flags,
                                               const std::optional<std::string>& trend) {
    auto exog_columns = validate_single_inputs(y, exog);
    if (!exog_columns) return std::unexpected(exog_columns.error());
    const std::size_t n_exog = *exog_columns ? (*exog_columns)->size() : 0;

    const SarimaxOrder model_order = make_order(order, seasonal);
    if (auto valid = validate_order(model_order, n_exog); !valid)
        return std::unexpected(valid.error());

    auto trend_code = parse_trend(trend);
    if (!trend_code) return std::unexpected(trend_code.error());

    SingleRequest request;
    request.config = SarimaxConfig{.order = model_order,
                                   .n_exog = n_exog,
                                   .trend = *trend_code,
                                   .enforce_stationarity = flags.enforce_stationarity,
                                   .enforce_invertibility = flags.enforce_invertibility,
                                   .concentrate_scale = flags.concentrate_scale,
                                   .simple_differencing = flags.simple_differencing};
    request.exog_columns = std::move(*exog_columns);
    return request;
}

}  // namespace velkora::python
