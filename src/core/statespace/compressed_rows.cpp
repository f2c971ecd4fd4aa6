#include "statespace/compressed_rows.hpp"

namespace velkora {

CompressedRows CompressedRows::of(const SparseT& T) {
    // The entries of SparseT come in row-major order.
    CompressedRows rows;
    rows.row_start.assign(T.k + 1, 0);
    for (const SparseEntry& e : T.entries) {
        ++rows.row_start[e.row + 1];
        rows.cols.push_back(e.col);
        rows.values.push_back(e.value);
    }
    for (std::size_t i = 0; i < T.k; ++i) rows.row_start[i + 1] += rows.row_start[i];
    return rows;
}

}  // namespace velkora
