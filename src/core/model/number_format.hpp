#pragma once
// Text of doubles inside messages.

#include <string>

namespace velkora {

// Shortest decimal text that reads back to the same double ("1", "0.5", "1e-300").
std::string shortest_double(double value);
// Shortest round-trip text without exponent notation ("1", "0.001", "100000000000000000000").
std::string plain_double(double value);

}  // namespace velkora
