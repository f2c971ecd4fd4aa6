#include "statespace/covariance_kernels.hpp"

#include <algorithm>
#include <cstring>

#include "statespace/kalman_kernels.hpp"

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define VELKORA_SIMD_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define VELKORA_SIMD_CLONES
#endif

namespace velkora::kernels {

VELKORA_SIMD_CLONES
void right_multiply_transposed(const double* P, double* W, std::size_t k, std::span<const SparseEntry> entries) {
    // Column i of W gathers the columns of P that row i of T reads.
    std::size_t e = 0;
    for (std::size_t i = 0; i < k; ++i) {
        double* out = W + i * k;
        if (e == entries.size() || entries[e].row != i) {
            std::memset(out, 0, k * sizeof(double));
            continue;
        }
        {
            const double* in = P + entries[e].col * k;
            const double v = entries[e].value;
            for (std::size_t r = 0; r < k; ++r) out[r] = v * in[r];
            ++e;
        }
        for (; e < entries.size() && entries[e].row == i; ++e) {
            const double* in = P + entries[e].col * k;
            const double v = entries[e].value;
            for (std::size_t r = 0; r < k; ++r) out[r] += v * in[r];
        }
    }
}

VELKORA_SIMD_CLONES
void left_multiply_lower(const double* W, const double* base, double* out, std::size_t k,
                         std::span<const SparseRun> runs) {
    for (std::size_t c = 0; c < k; ++c) {
        double* o = out + c * k;
        const double* in = W + c * k;
        const double* b = base + c * k;
        for (std::size_t i = c; i < k; ++i) o[i] = b[i];
        for (const auto& run : runs) {
            if (run.row + run.length <= c) continue;
            const std::size_t skip = run.row < c ? c - run.row : 0;
            double* dst = o + run.row + skip;
            const double* src = in + run.col + skip;
            const std::size_t n = run.length - skip;
            const double v = run.value;
            for (std::size_t i = 0; i < n; ++i) dst[i] += v * src[i];
        }
    }
}

VELKORA_SIMD_CLONES
void predict_plus_rank_two(const double* X, double* out, std::size_t k, std::span<const SparseEntry> entries,
                           std::span<const SparseRun> runs, const double* a, const double* b, double* w) {
    std::size_t e = 0;
    for (std::size_t j = 0; j < k; ++j) {
        double* o = out + j * k;
        if (a != nullptr) {
            const double a_j = a[j];
            const double b_j = b[j];
            for (std::size_t i = 0; i < k; ++i) o[i] = a[i] * b_j + b[i] * a_j;
        } else {
            std::fill(o, o + k, 0.0);
        }
        // Column j of X T' is value * X[:, col] over the entries of row j of T; a single
        // entry is read in place, its value folded into the run values below.
        const std::size_t first = e;
        while (e < entries.size() && entries[e].row == j) ++e;
        if (first == e) continue;
        const double* x = w;
        double scale = 1.0;
        if (e - first == 1) {
            x = X + entries[first].col * k;
            scale = entries[first].value;
        } else {
            std::fill(w, w + k, 0.0);
            for (std::size_t f = first; f < e; ++f) {
                const double* in = X + entries[f].col * k;
                const double v = entries[f].value;
                for (std::size_t r = 0; r < k; ++r) w[r] += v * in[r];
            }
        }
        for (const auto& run : runs) {
            const double v = run.value * scale;
            double* dst = o + run.row;
            const double* src = x + run.col;
            for (std::size_t i = 0; i < run.length; ++i) dst[i] += v * src[i];
        }
    }
    // An entry whose row and column both have several entries in T sums its products in
    // another order than its mirror image; the rows of such entries take their columns.
    for (std::size_t first = 0, last = 0; first < entries.size(); first = last) {
        const std::size_t r = entries[first].row;
        while (last < entries.size() && entries[last].row == r) ++last;
        if (last - first < 2) continue;
        for (std::size_t j = 0; j < k; ++j) out[j * k + r] = out[r * k + j];
    }
}

VELKORA_SIMD_CLONES
void mirror_lower(double* P, std::size_t k) {
    // Tiles below the diagonal are read by columns into a buffer and written transposed
    // by columns, so both sides stream through memory; the diagonal tiles go entry by entry.
    constexpr std::size_t kTile = 8;
    double tile[kTile][kTile];
    for (std::size_t cb = 0; cb < k; cb += kTile) {
        const std::size_t c_end = std::min(cb + kTile, k);
        for (std::size_t c = cb; c < c_end; ++c)
            for (std::size_t r = c + 1; r < c_end; ++r) P[r * k + c] = P[c * k + r];
        for (std::size_t rb = c_end; rb < k; rb += kTile) {
            const std::size_t r_end = std::min(rb + kTile, k);
            if (c_end - cb == kTile && r_end - rb == kTile) {
                for (std::size_t c = 0; c < kTile; ++c)
                    for (std::size_t r = 0; r < kTile; ++r) tile[r][c] = P[(cb + c) * k + rb + r];
                for (std::size_t r = 0; r < kTile; ++r)
                    for (std::size_t c = 0; c < kTile; ++c) P[(rb + r) * k + cb + c] = tile[r][c];
            } else {
                for (std::size_t c = cb; c < c_end; ++c)
                    for (std::size_t r = rb; r < r_end; ++r) P[r * k + c] = P[c * k + r];
            }
        }
    }
}

VELKORA_SIMD_CLONES
void symmetric_downdate(double* P, const double* pz, std::size_t k, double f) {
    const double finv = 1.0 / f;
    for (std::size_t c = 0; c < k; ++c) {
        double* col = P + c * k;
        const double pz_c = pz[c];
        for (std::size_t i = 0; i < k; ++i) col[i] -= (pz[i] * pz_c) * finv;
    }
}

}  // namespace velkora::kernels
