#include "statespace/compressed_rows.hpp"

#include "statespace/kalman_kernels.hpp"

namespace velkora {

CompressedRows CompressedRows::of(std::span<const SparseEntry> entries, std::size_t k) {
    CompressedRows rows;
    rows.row_start.assign(k + 1, 0);
    for (const SparseEntry& e : entries) {
        ++rows.row_start[e.row + 1];
        rows.cols.push_back(e.col);
        rows.values.push_back(e.value);
    }
    for (std::size_t i = 0; i < k; ++i) rows.row_start[i + 1] += rows.row_start[i];
    return rows;
}

}  // namespace velkora
