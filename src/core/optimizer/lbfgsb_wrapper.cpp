#include "optimizer/lbfgsb_wrapper.hpp"

#include <algorithm>
#include <cstring>

extern "C" void setulb_(velkora::lbfgsb_wrapper::FortranInt* n, velkora::lbfgsb_wrapper::FortranInt* m,
                        double* x, double* l, double* u, velkora::lbfgsb_wrapper::FortranInt* nbd, double* f,
                        double* g, double* factr, double* pgtol, double* wa,
                        velkora::lbfgsb_wrapper::FortranInt* iwa, char* task,
                        velkora::lbfgsb_wrapper::FortranInt* iprint, char* csave,
                        velkora::lbfgsb_wrapper::FortranInt* lsave, velkora::lbfgsb_wrapper::FortranInt* isave,
                        double* dsave, std::size_t task_len, std::size_t csave_len);

namespace velkora::lbfgsb_wrapper {

namespace {

struct TaskText {
    std::string_view prefix;
    int code;
};

// Longer prefixes first where one text starts another.
constexpr TaskText kTaskTexts[] = {
    {"START", task::kStart},
    {"NEW_X", task::kNewX},
    {"ABNORMAL_TERMINATION_IN_LNSRCH", task::kAbnormal},
    {"FG_START", task::kEvaluateStart},
    {"FG_LNSRCH", task::kEvaluateLineSearch},
    {"FG", task::kEvaluate},
    {"CONVERGENCE: NORM_OF_PROJECTED_GRADIENT_<=_PGTOL", task::kConvergedPgtol},
    {"CONVERGENCE: REL_REDUCTION_OF_F_<=_FACTR*EPSMCH", task::kConvergedFactr},
    {"CONVERGENCE", task::kConverged},
    {"STOP", task::kStop},
    {"WARNING: ROUNDING ERRORS PREVENT PROGRESS", task::kWarningRounding},
    {"WARNING: XTOL TEST SATISFIED", task::kWarningXtol},
    {"WARNING: STP = STPMAX", task::kWarningStpmax},
    {"WARNING: STP = STPMIN", task::kWarningStpmin},
    {"WARNING", task::kWarning},
    {"ERROR: N .LE. 0", task::kErrorN},
    {"ERROR: M .LE. 0", task::kErrorM},
    {"ERROR: FACTR .LT. 0", task::kErrorFactr},
    {"ERROR: INVALID NBD", task::kErrorNbd},
    {"ERROR: NO FEASIBLE SOLUTION", task::kErrorInfeasible},
    {"ERROR", task::kError},
};

void write_text(std::array<char, 60>& buffer, std::string_view text) {
    buffer.fill(' ');
    std::memcpy(buffer.data(), text.data(), std::min(text.size(), buffer.size()));
}

}  // namespace

int task_code(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
    for (const TaskText& entry : kTaskTexts)
        if (text.starts_with(entry.prefix)) return entry.code;
    return task::kUnrecognised;
}

LbfgsbWorkspace::LbfgsbWorkspace(std::size_t n, std::size_t m)
    : wa(n * (2 * m + 5) + m * (11 * m + 8), 0.0), iwa(3 * n, 0) {
    write_text(task_text, "START");
    csave.fill(' ');
}

void call_setulb(LbfgsbWorkspace& workspace, const LbfgsbSettings& settings, std::span<double> x,
                 std::span<const double> l, std::span<const double> u, std::span<const FortranInt> nbd,
                 double& f, std::span<double> g) {
    auto n = static_cast<FortranInt>(x.size());
    auto m = static_cast<FortranInt>(settings.m);
    auto iprint = static_cast<FortranInt>(settings.iprint);
    double factr = settings.factr;
    double pgtol = settings.pgtol;
    // The library reads but never writes l, u and nbd.
    setulb_(&n, &m, x.data(), const_cast<double*>(l.data()), const_cast<double*>(u.data()),
            const_cast<FortranInt*>(nbd.data()), &f, g.data(), &factr, &pgtol, workspace.wa.data(),
            workspace.iwa.data(), workspace.task_text.data(), &iprint, workspace.csave.data(),
            workspace.lsave.data(), workspace.isave.data(), workspace.dsave.data(), workspace.task_text.size(),
            workspace.csave.size());
    workspace.task = task_code(std::string_view(workspace.task_text.data(), workspace.task_text.size()));
}

}  // namespace velkora::lbfgsb_wrapper
