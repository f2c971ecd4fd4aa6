#include "model/number_format.hpp"

#include <charconv>
#include <cmath>

namespace velkora {

namespace {
std::string to_chars_text(double value, std::chars_format format, bool use_format) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char buffer[512];
    auto result = use_format ? std::to_chars(buffer, buffer + sizeof buffer, value, format)
                             : std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}
}  // namespace

std::string shortest_double(double value) {
    return to_chars_text(value, std::chars_format::general, false);
}

std::string plain_double(double value) {
    return to_chars_text(value, std::chars_format::fixed, true);
}

}  // namespace velkora
