#pragma once
// T in compressed rows: products with a vector as one pass over its rows.

#include <cstddef>
#include <span>
#include <vector>

namespace velkora {

struct SparseEntry;

struct CompressedRows {
    // The entries of row i are row_start[i] .. row_start[i+1]-1, in column order.
    std::vector<std::size_t> row_start;
    std::vector<std::size_t> cols;
    std::vector<double> values;

    // From the non-zeros of a k x k matrix in row-major order.
    static CompressedRows of(std::span<const SparseEntry> entries, std::size_t k);

    // out[i] = finish(i, s_i) with s_i the sum of T(i, j) x[j] over the non-zeros of row i,
    // in column order: one pass that also adds what belongs to row i.
    template <class Finish>
    void multiply(const double* x, double* out, Finish finish) const {
        const std::size_t k = row_start.size() - 1;
        for (std::size_t i = 0; i < k; ++i) {
            double sum = 0.0;
            for (std::size_t j = row_start[i]; j < row_start[i + 1]; ++j) sum += values[j] * x[cols[j]];
            out[i] = finish(i, sum);
        }
    }
};

}  // namespace velkora
