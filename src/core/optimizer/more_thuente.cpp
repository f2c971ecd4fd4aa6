#include "optimizer/more_thuente.hpp"

#include <algorithm>
#include <cmath>

namespace velkora::solvers {

namespace {

constexpr double kExtrapolateLower = 1.1;
constexpr double kExtrapolateUpper = 4.0;

struct Endpoint {
    double stp;
    double f;
    double g;
};

// Minimiser of the cubic through (a, fa, ga) and (b, fb, gb), measured from a.
double cubic_step(const Endpoint& a, const Endpoint& b) {
    const double theta = 3.0 * (a.f - b.f) / (b.stp - a.stp) + a.g + b.g;
    const double s = std::max({std::abs(theta), std::abs(a.g), std::abs(b.g)});
    double gamma = s * std::sqrt((theta / s) * (theta / s) - (a.g / s) * (b.g / s));
    if (b.stp < a.stp) gamma = -gamma;
    const double p = (gamma - a.g) + theta;
    const double q = ((gamma - a.g) + gamma) + b.g;
    return a.stp + (p / q) * (b.stp - a.stp);
}

// One safeguarded step of the interval update: x is the best point so far, y the other
// end of the interval, t the trial just evaluated. Returns the next trial step.
double next_step(Endpoint& x, Endpoint& y, const Endpoint& t, bool& bracketed, double stmin, double stmax) {
    const double sgnd = t.g * std::copysign(1.0, x.g);
    double stpf;
    if (t.f > x.f) {
        // Higher value: the minimum is bracketed; take the cubic step, or the average of
        // the cubic and quadratic steps when the cubic one is farther from x.
        const double stpc = cubic_step(x, t);
        const double stpq = x.stp + ((x.g / ((x.f - t.f) / (t.stp - x.stp) + x.g)) / 2.0) * (t.stp - x.stp);
        stpf = std::abs(stpc - x.stp) < std::abs(stpq - x.stp) ? stpc : stpc + (stpq - stpc) / 2.0;
        bracketed = true;
    } else if (sgnd < 0.0) {
        // Slopes of opposite sign: bracketed; the step farther from t.
        const double stpc = cubic_step(t, x);
        const double stpq = t.stp + (t.g / (t.g - x.g)) * (x.stp - t.stp);
        stpf = std::abs(stpc - t.stp) > std::abs(stpq - t.stp) ? stpc : stpq;
        bracketed = true;
    } else if (std::abs(t.g) < std::abs(x.g)) {
        // Same sign, slope decreasing in magnitude.
        const double theta = 3.0 * (x.f - t.f) / (t.stp - x.stp) + x.g + t.g;
        const double s = std::max({std::abs(theta), std::abs(x.g), std::abs(t.g)});
        double gamma = s * std::sqrt(std::max(0.0, (theta / s) * (theta / s) - (x.g / s) * (t.g / s)));
        if (t.stp > x.stp) gamma = -gamma;
        const double p = (gamma - t.g) + theta;
        const double q = (gamma + (x.g - t.g)) + gamma;
        const double r = p / q;
        double stpc;
        if (r < 0.0 && gamma != 0.0)
            stpc = t.stp + r * (x.stp - t.stp);
        else
            stpc = t.stp > x.stp ? stmax : stmin;
        const double stpq = t.stp + (t.g / (t.g - x.g)) * (x.stp - t.stp);
        if (bracketed) {
            stpf = std::abs(stpc - t.stp) < std::abs(stpq - t.stp) ? stpc : stpq;
            const double limit = t.stp + 0.66 * (y.stp - t.stp);
            stpf = t.stp > x.stp ? std::min(limit, stpf) : std::max(limit, stpf);
        } else {
            stpf = std::abs(stpc - t.stp) > std::abs(stpq - t.stp) ? stpc : stpq;
            stpf = std::max(stmin, std::min(stmax, stpf));
        }
    } else if (bracketed) {
        // Same sign, slope not decreasing: cubic step towards y.
        stpf = cubic_step(t, y);
    } else {
        stpf = t.stp > x.stp ? stmax : stmin;
    }
    // Huge values (an objective's penalty) overflow the interpolation; bisect instead.
    if (!std::isfinite(stpf)) stpf = x.stp + 0.5 * (t.stp - x.stp);

    if (t.f > x.f) {
        y = t;
    } else {
        if (sgnd < 0.0) y = x;
        x = t;
    }
    return stpf;
}

bool valid(const LineSearchSettings& s, double stp, double g0) {
    return g0 < 0.0 && s.ftol >= 0.0 && s.gtol >= 0.0 && s.xtol >= 0.0 && s.stpmin >= 0.0 &&
           s.stpmax >= s.stpmin && stp >= s.stpmin && stp <= s.stpmax;
}

}  // namespace

LineSearchResult more_thuente(const std::function<ValueSlope(double)>& phi, ValueSlope phi0, double stp,
                              const LineSearchSettings& s) {
    if (!valid(s, stp, phi0.slope)) return {LineSearchStatus::InvalidInput, stp, 0};

    const double gtest = s.ftol * phi0.slope;
    double width = s.stpmax - s.stpmin;
    double width1 = 2.0 * width;
    bool bracketed = false;
    bool stage1 = true;
    Endpoint x{0.0, phi0.value, phi0.slope};
    Endpoint y = x;
    double stmin = 0.0;
    double stmax = stp + kExtrapolateUpper * stp;

    for (std::size_t evaluations = 1;; ++evaluations) {
        const ValueSlope at = phi(stp);
        const double ftest = phi0.value + stp * gtest;
        if (stage1 && at.value <= ftest && at.slope >= 0.0) stage1 = false;

        if (at.value <= ftest && std::abs(at.slope) <= s.gtol * -phi0.slope)
            return {LineSearchStatus::Converged, stp, evaluations};
        const bool stalled = (bracketed && (stp <= stmin || stp >= stmax)) ||
                             (bracketed && stmax - stmin <= s.xtol * stmax) ||
                             (stp == s.stpmax && at.value <= ftest && at.slope <= gtest) ||
                             (stp == s.stpmin && (at.value > ftest || at.slope >= gtest));
        if (stalled) return {LineSearchStatus::Stalled, stp, evaluations};
        if (evaluations >= s.max_evaluations) return {LineSearchStatus::EvaluationLimit, stp, evaluations};

        Endpoint t{stp, at.value, at.slope};
        if (stage1 && at.value <= x.f && at.value > ftest) {
            // Work on the auxiliary function psi(stp) = phi(stp) - phi(0) - gtest * stp.
            Endpoint xm{x.stp, x.f - x.stp * gtest, x.g - gtest};
            Endpoint ym{y.stp, y.f - y.stp * gtest, y.g - gtest};
            Endpoint tm{t.stp, t.f - t.stp * gtest, t.g - gtest};
            stp = next_step(xm, ym, tm, bracketed, stmin, stmax);
            x = {xm.stp, xm.f + xm.stp * gtest, xm.g + gtest};
            y = {ym.stp, ym.f + ym.stp * gtest, ym.g + gtest};
        } else {
            stp = next_step(x, y, t, bracketed, stmin, stmax);
        }

        if (bracketed) {
            // Force enough shrinkage of the interval.
            if (std::abs(y.stp - x.stp) >= 0.66 * width1) stp = x.stp + 0.5 * (y.stp - x.stp);
            width1 = width;
            width = std::abs(y.stp - x.stp);
            stmin = std::min(x.stp, y.stp);
            stmax = std::max(x.stp, y.stp);
        } else {
            stmin = stp + kExtrapolateLower * (stp - x.stp);
            stmax = stp + kExtrapolateUpper * (stp - x.stp);
        }
        stp = std::clamp(stp, s.stpmin, s.stpmax);
        if ((bracketed && (stp <= stmin || stp >= stmax)) || (bracketed && stmax - stmin <= s.xtol * stmax))
            stp = x.stp;
    }
}

}  // namespace velkora::solvers
