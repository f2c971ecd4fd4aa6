#pragma once
// Raw loops over column-major k x k covariance matrices: the inner work of the filter's
// covariance recursion, built for AVX2/FMA where the processor has them.

#include <cstddef>
#include <span>

namespace velkora {

struct SparseEntry;
struct SparseRun;

namespace kernels {

// W = P T' from the non-zero entries of T in row-major order.
void right_multiply_transposed(const double* P, double* W, std::size_t k, std::span<const SparseEntry> entries);
// Lower triangle of out = base + T W, T given by its diagonal runs.
void left_multiply_lower(const double* W, const double* base, double* out, std::size_t k,
                         std::span<const SparseRun> runs);
// out = T X T' + a b' + b a' for symmetric X, T given by its entries in row-major order and
// by its diagonal runs; a and b hold k values each, or are both null for no such term.
// Every column is formed in full, and the few rows whose sums run in another order than
// their columns' are then copied from them: out is exactly symmetric. Column j of X T' is
// gathered into `w` (k values) just before it is used.
void predict_plus_rank_two(const double* X, double* out, std::size_t k, std::span<const SparseEntry> entries,
                           std::span<const SparseRun> runs, const double* a, const double* b, double* w);
// Copies the lower triangle onto the upper one.
void mirror_lower(double* P, std::size_t k);
// P -= pz pz' / f on every entry; exactly symmetric since pz_i pz_j = pz_j pz_i.
void symmetric_downdate(double* P, const double* pz, std::size_t k, double f);

}  // namespace kernels
}  // namespace velkora
