#include "model/error.hpp"

#include <fmt/format.h>

namespace velkora {

SarimaxError SarimaxError::param_length(std::size_t expected, std::size_t got) {
    SarimaxError e(ErrorKind::ParamLength, {});
    e.expected_ = expected;
    e.got_ = got;
    return e;
}
SarimaxError SarimaxError::state_space_build(std::string text) {
    return {ErrorKind::StateSpaceBuild, std::move(text)};
}
SarimaxError SarimaxError::cholesky_failed() { return {ErrorKind::CholeskyFailed, {}}; }
SarimaxError SarimaxError::optimization(std::string text) {
    return {ErrorKind::Optimization, std::move(text)};
}
SarimaxError SarimaxError::non_stationary_ar() { return {ErrorKind::NonStationaryAr, {}}; }
SarimaxError SarimaxError::non_invertible_ma() { return {ErrorKind::NonInvertibleMa, {}}; }
SarimaxError SarimaxError::data_error(std::string text) {
    return {ErrorKind::DataError, std::move(text)};
}
SarimaxError SarimaxError::invalid_input(std::string text) {
    return {ErrorKind::InvalidInput, std::move(text)};
}
SarimaxError SarimaxError::inference_failed(std::string text) {
    return {ErrorKind::InferenceFailed, std::move(text)};
}

std::string SarimaxError::display() const {
    switch (kind_) {
        case ErrorKind::ParamLength:
            return fmt::format("parameter length mismatch: expected {}, got {}", expected_, got_);
        case ErrorKind::StateSpaceBuild:
            return fmt::format("state space construction failed: {}", text_);
        case ErrorKind::CholeskyFailed:
            return "Cholesky decomposition failed: covariance matrix is not positive-definite";
        case ErrorKind::Optimization:
            return fmt::format("optimization failed: {}", text_);
        case ErrorKind::NonStationaryAr:
            return "non-stationary AR polynomial";
        case ErrorKind::NonInvertibleMa:
            return "non-invertible MA polynomial";
        case ErrorKind::DataError:
            return fmt::format("data error: {}", text_);
        case ErrorKind::InvalidInput:
            return fmt::format("invalid input: {}", text_);
        case ErrorKind::InferenceFailed:
            return fmt::format("inference computation failed: {}", text_);
    }
    return text_;
}

}  // namespace velkora
