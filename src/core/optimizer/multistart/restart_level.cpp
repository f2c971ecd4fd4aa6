#include "optimizer/multistart/restart_level.hpp"

namespace velkora::multistart {

std::size_t restart_level(std::size_t m, const SarimaxOrder& order) {
    if (order.P != 0) return m > 3 ? 3 : 2;
    if (m > 3) return 3;
    if (order.Q != 0 || m == 3) return 2;
    return m == 2 ? 1 : 0;
}

}  // namespace velkora::multistart
