#pragma once
// Seeded random start points. Every stream starts from a fixed seed on every call, so a
// fit is reproducible.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/types.hpp"
#include "optimizer/objective.hpp"

namespace velkora::multistart {

inline constexpr std::uint64_t kPerturbedSeed = 12345;
inline constexpr std::uint64_t kHybridSeed = 0xA7F35B2E1290C84BULL;
inline constexpr std::uint64_t kAdaptiveSeed = 0x9E3779B97F4A7C15ULL;

// 64-bit linear congruential generator, advanced before every draw.
class Lcg {
public:
    explicit Lcg(std::uint64_t seed) : state_(seed) {}
    // In [0, 1), from the top 31 bits.
    double next_half_open();
    // In [0, 1], from the top 32 bits.
    double next_closed();

private:
    std::uint64_t advance();
    std::uint64_t state_;
};

// `count` copies of x0 with every coordinate jittered by up to half its magnitude (0.05 for
// coordinates within 0.1 of zero); none when no budget is left.
std::vector<std::vector<double>> lcg_perturbed_starts(std::span<const double> x0, std::size_t count,
                                                      std::size_t budget_left);

// Those of the perturbed starts that pass the cancellation filter, in order.
std::vector<std::vector<double>> perturbed_starts_off_ridge(std::span<const double> x0, const SarimaxConfig& config,
                                                            std::size_t count, std::size_t budget_left);

// Per-coordinate step sizes for candidates around a centre: larger where the negative
// log-likelihood is more sensitive.
struct CandidateScales {
    std::vector<double> weights;
    std::vector<double> scales;
};

CandidateScales sensitivity_scales(const optimizer::SolverObjective& objective, std::span<const double> x0,
                                   std::span<const double> centre);

// c_j + amplitude * s_j * w_j * (2u - 1) for every coordinate, in order.
std::vector<double> weighted_candidate(Lcg& stream, std::span<const double> centre,
                                       const CandidateScales& scales, double amplitude);

// x0_j + 0.1 * s_j * (2u - 1) for every coordinate, in order.
std::vector<double> near_start_candidate(Lcg& stream, std::span<const double> x0, const CandidateScales& scales);

}  // namespace velkora::multistart
