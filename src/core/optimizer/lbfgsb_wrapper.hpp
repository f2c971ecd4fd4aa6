#pragma once
// Reverse-communication driver around L-BFGS-B 3.0 (setulb). The wrapper owns every array
// the Fortran code works on and turns its task text into integer task codes.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "optimizer/text_result.hpp"

namespace velkora::lbfgsb_wrapper {

// Debian's build of the library uses default (32-bit) Fortran INTEGERs and LOGICALs.
using FortranInt = std::int32_t;

// Task codes after a call of setulb.
namespace task {
inline constexpr int kStart = 1;
inline constexpr int kNewX = 2;
inline constexpr int kAbnormal = 3;
inline constexpr int kEvaluate = 10;             // FG
inline constexpr int kEvaluateStart = 11;        // FG_START
inline constexpr int kEvaluateLineSearch = 12;   // FG_LNSRCH
inline constexpr int kConverged = 20;
inline constexpr int kConvergedPgtol = 21;
inline constexpr int kConvergedFactr = 22;
inline constexpr int kStop = 30;
inline constexpr int kWarning = 40;
inline constexpr int kWarningRounding = 41;
inline constexpr int kWarningXtol = 42;
inline constexpr int kWarningStpmax = 43;
inline constexpr int kWarningStpmin = 44;
inline constexpr int kError = 200;
inline constexpr int kErrorN = 201;
inline constexpr int kErrorM = 202;
inline constexpr int kErrorFactr = 203;
inline constexpr int kErrorNbd = 204;
inline constexpr int kErrorInfeasible = 205;
inline constexpr int kUnrecognised = 240;

[[nodiscard]] constexpr bool is_evaluation(int code) { return code >= 10 && code <= 15; }
[[nodiscard]] constexpr bool is_convergence(int code) { return code >= 20 && code <= 25; }
[[nodiscard]] constexpr bool is_error(int code) { return code == kAbnormal || (code >= 200 && code <= 240); }
}  // namespace task

// Integer code of a task text (trailing blanks ignored); texts the library is not known to
// write map to task::kUnrecognised, which counts as an error.
[[nodiscard]] int task_code(std::string_view text);

struct Bound {
    std::optional<double> lower;
    std::optional<double> upper;
};
using BoundList = std::vector<Bound>;

struct LbfgsbSettings {
    std::int64_t m = 10;        // history size
    double factr = 1e7;
    double pgtol = 1e-5;
    std::int64_t iprint = -1;   // no output
};

// Starting point, bounds, and the evaluation callback, called as callback(x, f, g) to write
// the value and gradient at x.
template <class F>
struct LbfgsbProblem {
    std::vector<double> x;
    std::vector<double> g;
    std::vector<double> l;
    std::vector<double> u;
    std::vector<FortranInt> nbd;   // 0 none, 1 lower only, 2 both, 3 upper only
    double f = 0.0;
    F callback;

    static LbfgsbProblem build(std::span<const double> x0, F callback) {
        const std::size_t n = x0.size();
        return LbfgsbProblem{std::vector<double>(x0.begin(), x0.end()), std::vector<double>(n, 0.0),
                             std::vector<double>(n, 0.0), std::vector<double>(n, 0.0),
                             std::vector<FortranInt>(n, 0), 0.0, std::move(callback)};
    }

    // One entry per leading coordinate; coordinates past the list stay unbounded.
    TextResult<void> set_bounds(std::span<const Bound> bounds) {
        if (bounds.size() > x.size())
            return fail_text(fmt::format("{} bounds given for {} parameters", bounds.size(), x.size()));
        for (std::size_t i = 0; i < bounds.size(); ++i) {
            const Bound& b = bounds[i];
            if (b.lower) l[i] = *b.lower;
            if (b.upper) u[i] = *b.upper;
            nbd[i] = b.lower ? (b.upper ? 2 : 1) : (b.upper ? 3 : 0);
        }
        return {};
    }
};

// Work arrays, save areas and the task of one minimisation.
struct LbfgsbWorkspace {
    std::vector<double> wa;
    std::vector<FortranInt> iwa;
    std::array<char, 60> task_text{};
    std::array<char, 60> csave{};
    std::array<FortranInt, 4> lsave{};
    std::array<FortranInt, 44> isave{};
    std::array<double, 29> dsave{};
    int task = task::kStart;

    LbfgsbWorkspace(std::size_t n, std::size_t m);
};

// One call of setulb; leaves the new task code in workspace.task.
void call_setulb(LbfgsbWorkspace& workspace, const LbfgsbSettings& settings, std::span<double> x,
                 std::span<const double> l, std::span<const double> u, std::span<const FortranInt> nbd,
                 double& f, std::span<double> g);

template <class F>
class LbfgsbState {
public:
    LbfgsbState(LbfgsbProblem<F> problem, LbfgsbSettings settings)
        : problem_(std::move(problem)),
          settings_(settings),
          workspace_(problem_.x.size(), static_cast<std::size_t>(std::max<std::int64_t>(settings.m, 0))) {}

    // Runs the reverse-communication loop; the final task code, or the error message.
    TextResult<int> minimize() {
        for (;;) {
            call_setulb(workspace_, settings_, problem_.x, problem_.l, problem_.u, problem_.nbd, problem_.f,
                        problem_.g);
            const int code = workspace_.task;
            if (task::is_evaluation(code)) {
                problem_.callback(std::span<const double>(problem_.x), problem_.f, std::span<double>(problem_.g));
                continue;
            }
            if (code == task::kNewX) continue;
            if (task::is_error(code))
                return fail_text(fmt::format("L-BFGS-B terminated with error (task code {})", code));
            return code;
        }
    }

    [[nodiscard]] const LbfgsbProblem<F>& problem() const { return problem_; }
    [[nodiscard]] int task() const { return workspace_.task; }

private:
    LbfgsbProblem<F> problem_;
    LbfgsbSettings settings_;
    LbfgsbWorkspace workspace_;
};

}  // namespace velkora::lbfgsb_wrapper
