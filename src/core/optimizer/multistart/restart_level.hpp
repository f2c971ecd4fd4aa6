#pragma once
// How many perturbed starts a multi-start run tries, from the parameter count m and the
// seasonal orders.

#include <cstddef>

#include "model/types.hpp"

namespace velkora::multistart {

[[nodiscard]] std::size_t restart_level(std::size_t m, const SarimaxOrder& order);

}  // namespace velkora::multistart
