#pragma once
// A function's parameters, read at compile time from the text signature that opens its
// docstring ("name(a, b, c=None)\n--\n\n..."). The docstring is the one place where an
// entry's parameter names, their order and their defaults are written down.

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace velkora::python {

struct Parameter {
    std::string_view name;
    // Python literal of the default ("None", "True", "10", "0.05", "\"hessian\""); empty
    // for a required parameter.
    std::string_view default_text;
};

inline constexpr std::size_t kMaxParameters = 16;

struct TextSignature {
    std::string_view function;
    std::array<Parameter, kMaxParameters> slots{};
    std::size_t count = 0;
    std::size_t required = 0;

    [[nodiscard]] constexpr std::span<const Parameter> parameters() const {
        return std::span<const Parameter>(slots.data(), count);
    }
};

namespace detail {

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

constexpr bool is_identifier(std::string_view text) {
    if (text.empty() || is_digit(text.front())) return false;
    for (char c : text) {
        bool ok = c == '_' || is_digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!ok) return false;
    }
    return true;
}

constexpr bool is_number(std::string_view text) {
    bool digits = false;
    bool point = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (!is_digit(c)) return false;
        digits = true;
    }
    return digits;
}

// The literals an entry may use as a default.
constexpr bool is_default_literal(std::string_view text) {
    if (text == "None" || text == "True" || text == "False") return true;
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return true;
    return is_number(text);
}

}  // namespace detail

// Parses "name(p1, p2=default, ...)" up to the closing parenthesis. A malformed
// signature is a compile error.
consteval TextSignature parse_text_signature(std::string_view doc) {
    TextSignature signature;
    auto open = doc.find('(');
    auto close = doc.find(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        throw "text signature needs name(...)";
    signature.function = doc.substr(0, open);
    if (!detail::is_identifier(signature.function)) throw "bad function name";

    std::string_view rest = doc.substr(open + 1, close - open - 1);
    bool seen_default = false;
    while (!rest.empty()) {
        auto comma = rest.find(", ");
        std::string_view item = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 2);

        Parameter parameter;
        auto equals = item.find('=');
        parameter.name = item.substr(0, equals);
        if (equals != std::string_view::npos) {
            parameter.default_text = item.substr(equals + 1);
            if (!detail::is_default_literal(parameter.default_text)) throw "bad default";
            seen_default = true;
        } else {
            if (seen_default) throw "required parameter after a default";
            ++signature.required;
        }
        if (!detail::is_identifier(parameter.name)) throw "bad parameter name";
        if (signature.count == kMaxParameters) throw "too many parameters";
        signature.slots[signature.count++] = parameter;
    }
    return signature;
}

}  // namespace velkora::python
