#include "optimizer/brent_minimize.hpp"

#include <cmath>

namespace velkora::optimizer {

namespace {

constexpr double kGolden = 0.3819660112501051;
constexpr double kRelativeTolerance = 1e-5;
constexpr double kAbsoluteTolerance = 1.4901161193847656e-08;

}  // namespace

LineMinimum brent_minimize(const std::function<double(double)>& f, double lo, double hi,
                           std::size_t max_iterations) {
    double a = lo;
    double b = hi;
    // x: best point so far; w: second best; v: the previous value of w.
    double x = a + kGolden * (b - a);
    double w = x;
    double v = x;
    double fx = f(x);
    double fw = fx;
    double fv = fx;
    double step = 0.0;      // the last step taken
    double previous = 0.0;  // the step before it
    for (std::size_t iteration = 0; iteration < max_iterations; ++iteration) {
        const double midpoint = 0.5 * (a + b);
        const double tol1 = kRelativeTolerance * std::abs(x) + kAbsoluteTolerance;
        const double tol2 = 2.0 * tol1;
        if (std::abs(x - midpoint) <= tol2 - 0.5 * (b - a)) break;

        bool golden = true;
        if (std::abs(previous) > tol1) {
            const double r = (x - w) * (fx - fv);
            double q = (x - v) * (fx - fw);
            double p = (x - v) * q - (x - w) * r;
            q = 2.0 * (q - r);
            if (q > 0.0) p = -p;
            q = std::abs(q);
            const double before_last = previous;
            previous = step;
            if (std::abs(p) < std::abs(0.5 * q * before_last) && p > q * (a - x) && p < q * (b - x)) {
                step = p / q;
                const double u = x + step;
                if (u - a < tol2 || b - u < tol2) step = midpoint >= x ? tol1 : -tol1;
                golden = false;
            }
        }
        if (golden) {
            previous = x >= midpoint ? a - x : b - x;
            step = kGolden * previous;
        }
        const double u = std::abs(step) >= tol1 ? x + step : x + (step >= 0.0 ? tol1 : -tol1);
        const double fu = f(u);
        if (fu <= fx) {
            (u >= x ? a : b) = x;
            v = w, fv = fw;
            w = x, fw = fx;
            x = u, fx = fu;
        } else {
            (u < x ? a : b) = u;
            if (fu <= fw || w == x) {
                v = w, fv = fw;
                w = u, fw = fu;
            } else if (fu <= fv || v == x || v == w) {
                v = u, fv = fu;
            }
        }
    }
    return {x, fx};
}

}  // namespace velkora::optimizer
