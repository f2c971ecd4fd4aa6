#pragma once
// Inside the objectives and solvers a failure travels as its message text.

#include <expected>
#include <string>

namespace velkora {

template <class T>
using TextResult = std::expected<T, std::string>;

// Shorthand for returning a message from a function whose result is TextResult<T>.
inline std::unexpected<std::string> fail_text(std::string message) {
    return std::unexpected<std::string>(std::move(message));
}

}  // namespace velkora
