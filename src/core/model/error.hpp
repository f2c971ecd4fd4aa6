#pragma once
// The single error type of the computation layer. Errors are values.

#include <cstddef>
#include <expected>
#include <string>

namespace velkora {

enum class ErrorKind {
    ParamLength,
    StateSpaceBuild,
    CholeskyFailed,
    Optimization,
    NonStationaryAr,
    NonInvertibleMa,
    DataError,
    InvalidInput,
    InferenceFailed,
};

class SarimaxError {
public:
    static SarimaxError param_length(std::size_t expected, std::size_t got);
    static SarimaxError state_space_build(std::string text);
    static SarimaxError cholesky_failed();
    static SarimaxError optimization(std::string text);
    static SarimaxError non_stationary_ar();
    static SarimaxError non_invertible_ma();
    static SarimaxError data_error(std::string text);
    static SarimaxError invalid_input(std::string text);
    static SarimaxError inference_failed(std::string text);

    [[nodiscard]] ErrorKind kind() const { return kind_; }
    // The carried text (empty for kinds without one; for ParamLength the filled template).
    [[nodiscard]] const std::string& text() const { return text_; }
    // What reaches the user.
    [[nodiscard]] std::string display() const;
    [[nodiscard]] std::size_t expected() const { return expected_; }
    [[nodiscard]] std::size_t got() const { return got_; }

private:
    SarimaxError(ErrorKind kind, std::string text) : kind_(kind), text_(std::move(text)) {}
    ErrorKind kind_;
    std::string text_;
    std::size_t expected_ = 0;
    std::size_t got_ = 0;
};

template <class T>
using Result = std::expected<T, SarimaxError>;

// Shorthand for returning an error from a function whose result is Result<T>.
inline std::unexpected<SarimaxError> fail(SarimaxError error) {
    return std::unexpected<SarimaxError>(std::move(error));
}

}  // namespace velkora
