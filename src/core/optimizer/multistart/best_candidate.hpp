#pragma once
// Bookkeeping shared by the multi-start strategies: the best run so far and the
// evaluation budget.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "optimizer/solver_outcome.hpp"

namespace velkora::multistart {

struct MultiStartBest {
    std::vector<double> params;
    double value = 0.0;
    bool converged = false;
    std::string method;
};

// Keeps the candidate when it is the first or strictly better; equal values and NaN keep
// the earlier one.
void try_update_best(std::optional<MultiStartBest>& best, std::span<const double> params, bool converged,
                     const std::string& method, double value);

// The same for a finished run.
void offer(std::optional<MultiStartBest>& best, const optimizer::SolverOutcome& run, const std::string& method);

// Remaining and used evaluations of a budget shared by several runs. Both saturate.
struct Budget {
    std::size_t remaining = 0;
    std::size_t used = 0;

    explicit Budget(std::size_t cap) : remaining(cap) {}

    // Books a run that reported `n_iter` evaluations after being given `given`.
    void charge(std::size_t n_iter, std::size_t given);
    // Books evaluations that were given out of `remaining` in pieces (parallel tasks).
    void charge_total(std::size_t total);
    [[nodiscard]] bool exhausted() const { return remaining == 0; }
};

// Runs `runner(start, budget)` with all that is left of the budget, books the evaluations
// and offers the run under `label`; a failed run is dropped.
template <class Runner>
void run_charged(const Runner& runner, std::span<const double> start, Budget& budget,
                 std::optional<MultiStartBest>& best, const std::string& label) {
    const std::size_t given = budget.remaining;
    auto run = runner(start, given);
    if (!run) return;
    budget.charge(run->n_iter, given);
    offer(best, *run, label);
}

// a + b, held at the largest value.
[[nodiscard]] std::size_t saturating_add(std::size_t a, std::size_t b);

}  // namespace velkora::multistart
