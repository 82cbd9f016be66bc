// Moving a packet between its (path, slot, vector) layout and one row per
// (path, slot).  With many paths and channels a sample's neighbours in the
// packet belong to other kernels, so a kernel's samples lie a whole vector
// apart; copying tile by tile touches a few cache lines and pages of each
// side at a time instead of a new page for every sample.
#ifndef ZEB_FIR_MODEL_BLOCK_TRANSPOSE_H
#define ZEB_FIR_MODEL_BLOCK_TRANSPOSE_H

#include <cstddef>

#include "fixedpoint/ffp_context.h"

// out[c * out_stride + r] = in[r * in_stride + c] for r < rows, c < cols:
// four by four in vector registers where the processor has AVX.
void transpose_block(const double* in, std::size_t in_stride, std::size_t rows, std::size_t cols, double* out,
                     std::size_t out_stride);
// The same, walking the output in order (all rows, four columns at a time):
// for an output much larger than the cache, written to memory line after
// line, from an input that is in cache.
void transpose_block_by_output(const double* in, std::size_t in_stride, std::size_t rows, std::size_t cols, double* out,
                               std::size_t out_stride);
// Output rounding on the way out of the kernels' buffers, for samples that
// need none beyond scaling: out[c * out_stride + r] = (rows[r][c] * factor +
// 0) * inv_scale, as the output quantiser gives where every rows[r][c] *
// factor holds in quiet.  False at the first that does not (out is then
// partly written); true once all are written.
struct QuietScaling {
    double factor;
    double inv_scale;
    FFPContext::QuietRange quiet;
};
bool transpose_rows_quietly(const double* const* rows, std::size_t row_count, std::size_t cols,
                            const QuietScaling& scaling, double* out, std::size_t out_stride);
// The same one element at a time (the tests hold the vector forms to it).
bool transpose_rows_quietly_generic(const double* const* rows, std::size_t row_count, std::size_t cols,
                                    const QuietScaling& scaling, double* out, std::size_t out_stride);
// The same one element at a time (the tests hold the vector forms to it).
void transpose_block_generic(const double* in, std::size_t in_stride, std::size_t rows, std::size_t cols, double* out,
                             std::size_t out_stride);

#endif
