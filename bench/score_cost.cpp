// Cost of one analytic score against one log-likelihood evaluation of the same model.
// Both include building the system and its initialisation from the parameters. The
// score should cost at most (m + 3) log-likelihoods, m the number of parameters.
// Costs are the calling thread's CPU time, the fastest of several samples of each side
// taken in alternation, so other work on a shared machine enters the ratio as little as
// it can: it still slows the shared caches.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <time.h>
#include <vector>

#include "model/params.hpp"
#include "model/polynomial.hpp"
#include "score/score.hpp"
#include "statespace/pipeline.hpp"

using namespace velkora;

namespace {

// Monthly international airline passengers, 1949-1960.
constexpr double kAirline[] = {
    112, 118, 132, 129, 121, 135, 148, 148, 136, 119, 104, 118, 115, 126, 141, 135, 125, 149, 170, 170,
    158, 133, 114, 140, 145, 150, 178, 163, 172, 178, 199, 199, 184, 162, 146, 166, 171, 180, 193, 181,
    183, 218, 230, 242, 209, 191, 172, 194, 196, 196, 236, 235, 229, 243, 264, 272, 237, 211, 180, 201,
    204, 188, 235, 227, 234, 264, 302, 293, 259, 229, 203, 229, 242, 233, 267, 269, 270, 315, 364, 347,
    312, 274, 237, 278, 284, 277, 317, 313, 318, 374, 413, 405, 355, 306, 271, 306, 315, 301, 356, 348,
    355, 422, 465, 467, 404, 347, 305, 336, 340, 318, 362, 348, 363, 435, 491, 505, 404, 359, 310, 337,
    360, 342, 406, 396, 420, 472, 548, 559, 463, 407, 362, 405, 417, 391, 419, 461, 472, 535, 622, 606,
    508, 461, 390, 432};

struct BenchCase {
    std::string name;
    SarimaxConfig config;
    std::vector<double> params;
    std::vector<double> y;
};

SarimaxConfig config_of(SarimaxOrder order) {
    SarimaxConfig config;
    config.order = order;
    return config;
}

// The ARMA part from its reduced polynomials, then d regular and D seasonal integrations.
std::vector<double> simulate(const SarimaxConfig& config, const SarimaxParams& params, std::size_t n,
                             std::uint64_t seed) {
    const std::vector<double> ar = reduced_ar(params, config);
    const std::vector<double> ma = reduced_ma(params, config);
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> noise(0.0, std::sqrt(params.sigma2.value_or(1.0)));
    std::vector<double> e(n), w(n, 0.0);
    for (std::size_t t = 0; t < n; ++t) {
        e[t] = noise(rng);
        double value = e[t];
        for (std::size_t j = 1; j < ma.size() && j <= t; ++j) value += ma[j] * e[t - j];
        for (std::size_t j = 1; j < ar.size() && j <= t; ++j) value -= ar[j] * w[t - j];
        w[t] = value;
    }
    const SarimaxOrder& o = config.order;
    for (std::size_t pass = 0; pass < o.D; ++pass)
        for (std::size_t t = o.s; t < n; ++t) w[t] += w[t - o.s];
    for (std::size_t pass = 0; pass < o.d; ++pass)
        for (std::size_t t = 1; t < n; ++t) w[t] += w[t - 1];
    return w;
}

BenchCase simulated_case(std::string name, SarimaxOrder order, std::vector<double> flat, std::size_t n) {
    const SarimaxConfig config = config_of(order);
    const SarimaxParams params = *SarimaxParams::from_flat(flat, config);
    return {std::move(name), config, std::move(flat), simulate(config, params, n, 20240611)};
}

double thread_cpu_seconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

struct Costs {
    double loglike = 0.0;
    double score = 0.0;
};

// Thread CPU time per call over `calls` calls in a row.
double seconds_per_call(const std::function<void()>& computation, int calls) {
    const double start = thread_cpu_seconds();
    for (int call = 0; call < calls; ++call) computation();
    return (thread_cpu_seconds() - start) / calls;
}

// Calls making up one sample of about kSampleSeconds, from the time of a first call.
int calls_per_sample(const std::function<void()>& computation) {
    constexpr double kSampleSeconds = 0.02;
    const double once = seconds_per_call(computation, 1);
    return static_cast<int>(std::clamp(std::ceil(kSampleSeconds / std::max(once, 1e-9)), 1.0, 1e6));
}

// Fastest per-call CPU time of each of two computations over samples taken in
// alternation, at least kMinSamples each and more until together they have taken about
// `budget` seconds: the fastest sample is the one least disturbed by other work.
Costs fastest_alternating(const std::function<void()>& loglike, const std::function<void()>& score,
                          double budget) {
    constexpr int kMinSamples = 5;
    constexpr int kMaxSamples = 200;
    const int loglike_calls = calls_per_sample(loglike);
    const int score_calls = calls_per_sample(score);
    Costs best{INFINITY, INFINITY};
    double total = 0.0;
    for (int sample = 0; sample < kMinSamples || (total < budget && sample < kMaxSamples); ++sample) {
        const double loglike_time = seconds_per_call(loglike, loglike_calls);
        const double score_time = seconds_per_call(score, score_calls);
        best.loglike = std::min(best.loglike, loglike_time);
        best.score = std::min(best.score, score_time);
        total += loglike_time * loglike_calls + score_time * score_calls;
    }
    return best;
}

}  // namespace

int main() {
    std::vector<BenchCase> cases;
    {
        BenchCase airline{"airline (0,1,1)(0,1,1,12) n=144", config_of({0, 1, 1, 0, 1, 1, 12}),
                          {-0.4, -0.6, 0.0014}, {}};
        for (double passengers : kAirline) airline.y.push_back(std::log(passengers));
        cases.push_back(std::move(airline));
    }
    cases.push_back(simulated_case("(2,0,1)(1,1,1,24) n=800", {2, 0, 1, 1, 1, 1, 24},
                                   {0.5, -0.2, 0.3, 0.4, -0.5, 1.0}, 800));
    cases.push_back(simulated_case("(1,0,1)(0,1,1,168) n=2000", {1, 0, 1, 0, 1, 1, 168},
                                   {0.6, 0.2, -0.4, 1.0}, 2000));

    std::printf("%-34s %3s %4s %12s %12s %7s %5s\n", "model", "m", "k", "loglike ms", "score ms", "ratio", "m+3");
    bool all_within = true;
    for (const BenchCase& c : cases) {
        const SarimaxParams params = *SarimaxParams::from_flat(c.params, c.config);
        double sink = 0.0;
        const Costs costs = fastest_alternating(
            [&] {
                auto out = pipeline::kalman_eval(c.y, params, c.config);
                sink += out ? out->loglike : NAN;
            },
            [&] {
                auto out = score::score_from_params(c.y, params, c.config);
                sink += out ? out->front() : NAN;
            },
            3.0);
        if (!std::isfinite(sink)) {
            std::printf("%-34s evaluation failed\n", c.name.c_str());
            return 1;
        }
        const std::size_t m = c.params.size();
        const double ratio = costs.score / costs.loglike;
        all_within = all_within && ratio <= static_cast<double>(m + 3);
        std::printf("%-34s %3zu %4zu %12.3f %12.3f %7.2f %5zu\n", c.name.c_str(), m, c.config.order.k_states(),
                    1e3 * costs.loglike, 1e3 * costs.score, ratio, m + 3);
    }
    std::printf("%s\n", all_within ? "score cost within (m + 3) log-likelihoods on every model"
                                   : "score cost above (m + 3) log-likelihoods on some model");
    return 0;
}
