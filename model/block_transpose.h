// Moving a packet between its (path, slot, vector) layout and one row per
// (path, slot).  With many paths and channels a sample's neighbours in the
// packet belong to other kernels, so a kernel's samples lie a whole vector
// apart; copying tile by tile touches a few cache lines and pages of each
// side at a time instead of a new page for every sample.
#ifndef ZEB_FIR_MODEL_BLOCK_TRANSPOSE_H
#define ZEB_FIR_MODEL_BLOCK_TRANSPOSE_H

#include <algorithm>
#include <cstddef>

// out[c * out_stride + r] = in[r * in_stride + c] for r < rows, c < cols.
inline void transpose_block(const double* in, std::size_t in_stride, std::size_t rows, std::size_t cols, double* out,
                            std::size_t out_stride) {
    constexpr std::size_t kTile = 8;  // 8 doubles: one cache line
    for (std::size_t r0 = 0; r0 < rows; r0 += kTile) {
        const std::size_t r1 = std::min(rows, r0 + kTile);
        for (std::size_t c0 = 0; c0 < cols; c0 += kTile) {
            const std::size_t c1 = std::min(cols, c0 + kTile);
            for (std::size_t c = c0; c < c1; ++c) {
                for (std::size_t r = r0; r < r1; ++r) out[c * out_stride + r] = in[r * in_stride + c];
            }
        }
    }
}

#endif
