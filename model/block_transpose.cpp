#include "model/block_transpose.h"

#include <algorithm>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace {

using Transpose = void (*)(const double*, std::size_t, std::size_t, std::size_t, double*, std::size_t);

// Tiles of 8 x 8 doubles: a cache line of each side's rows at a time.
constexpr std::size_t kTile = 8;

void copy_tile(const double* in, std::size_t in_stride, std::size_t r0, std::size_t r1, std::size_t c0, std::size_t c1,
               double* out, std::size_t out_stride) {
    for (std::size_t c = c0; c < c1; ++c) {
        for (std::size_t r = r0; r < r1; ++r) out[c * out_stride + r] = in[r * in_stride + c];
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// Rows r to r + 3, columns c to c + 3.
__attribute__((target("avx"), always_inline)) inline void transpose4(const double* in, std::size_t in_stride,
                                                                     double* out, std::size_t out_stride) {
    const __m256d a = _mm256_loadu_pd(in), b = _mm256_loadu_pd(in + in_stride);
    const __m256d c = _mm256_loadu_pd(in + 2 * in_stride), d = _mm256_loadu_pd(in + 3 * in_stride);
    const __m256d ab0 = _mm256_unpacklo_pd(a, b), ab1 = _mm256_unpackhi_pd(a, b);  // a0 b0 a2 b2, a1 b1 a3 b3
    const __m256d cd0 = _mm256_unpacklo_pd(c, d), cd1 = _mm256_unpackhi_pd(c, d);
    _mm256_storeu_pd(out, _mm256_permute2f128_pd(ab0, cd0, 0x20));
    _mm256_storeu_pd(out + out_stride, _mm256_permute2f128_pd(ab1, cd1, 0x20));
    _mm256_storeu_pd(out + 2 * out_stride, _mm256_permute2f128_pd(ab0, cd0, 0x31));
    _mm256_storeu_pd(out + 3 * out_stride, _mm256_permute2f128_pd(ab1, cd1, 0x31));
}

__attribute__((target("avx"))) void transpose_avx(const double* in, std::size_t in_stride, std::size_t rows,
                                                  std::size_t cols, double* out, std::size_t out_stride) {
    for (std::size_t r0 = 0; r0 < rows; r0 += kTile) {
        const std::size_t r1 = std::min(rows, r0 + kTile);
        const std::size_t r4 = r0 + (r1 - r0) / 4 * 4;  // rows in fours
        std::size_t c0 = 0;
        for (; c0 + 4 <= cols; c0 += 4) {
            for (std::size_t r = r0; r < r4; r += 4)
                transpose4(in + r * in_stride + c0, in_stride, out + c0 * out_stride + r, out_stride);
            copy_tile(in, in_stride, r4, r1, c0, c0 + 4, out, out_stride);
        }
        copy_tile(in, in_stride, r0, r1, c0, cols, out, out_stride);
    }
}

// Four columns at a time, all rows: the output is written row after row.
__attribute__((target("avx"))) void transpose_by_output_avx(const double* in, std::size_t in_stride, std::size_t rows,
                                                            std::size_t cols, double* out, std::size_t out_stride) {
    const std::size_t r4 = rows / 4 * 4;
    std::size_t c0 = 0;
    for (; c0 + 4 <= cols; c0 += 4) {
        for (std::size_t r = 0; r < r4; r += 4)
            transpose4(in + r * in_stride + c0, in_stride, out + c0 * out_stride + r, out_stride);
        copy_tile(in, in_stride, r4, rows, c0, c0 + 4, out, out_stride);
    }
    copy_tile(in, in_stride, 0, rows, c0, cols, out, out_stride);
}

constexpr Transpose kInOrderAvx = transpose_avx;
constexpr Transpose kByOutputAvx = transpose_by_output_avx;
#else
constexpr Transpose kInOrderAvx = nullptr;
constexpr Transpose kByOutputAvx = nullptr;
#endif

// The vector form where the processor has AVX, else the generic one.
Transpose form_or_generic(Transpose avx_form) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (__builtin_cpu_init(), __builtin_cpu_supports("avx")) return avx_form;
#endif
    return transpose_block_generic;
}

}  // namespace

void transpose_block_generic(const double* in, std::size_t in_stride, std::size_t rows, std::size_t cols, double* out,
                             std::size_t out_stride) {
    for (std::size_t r0 = 0; r0 < rows; r0 += kTile) {
        const std::size_t r1 = std::min(rows, r0 + kTile);
        for (std::size_t c0 = 0; c0 < cols; c0 += kTile) {
            copy_tile(in, in_stride, r0, r1, c0, std::min(cols, c0 + kTile), out, out_stride);
        }
    }
}

void transpose_block(const double* in, std::size_t in_stride, std::size_t rows, std::size_t cols, double* out,
                     std::size_t out_stride) {
    static const Transpose form = form_or_generic(kInOrderAvx);
    form(in, in_stride, rows, cols, out, out_stride);
}

void transpose_block_by_output(const double* in, std::size_t in_stride, std::size_t rows, std::size_t cols, double* out,
                               std::size_t out_stride) {
    static const Transpose form = form_or_generic(kByOutputAvx);
    form(in, in_stride, rows, cols, out, out_stride);
}
