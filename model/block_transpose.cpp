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

// Rows r0 to r1, columns c0 to c1 of transpose_rows_quietly.
bool rows_quietly_tile(const double* const* rows, std::size_t r0, std::size_t r1, std::size_t c0, std::size_t c1,
                       const QuietScaling& s, double* out, std::size_t out_stride) {
    for (std::size_t c = c0; c < c1; ++c) {
        for (std::size_t r = r0; r < r1; ++r) {
            const double y = rows[r][c] * s.factor;
            if (!s.quiet.holds(y)) return false;
            out[c * out_stride + r] = (y + 0.0) * s.inv_scale;
        }
    }
    return true;
}

using RowsQuietly = bool (*)(const double* const*, std::size_t, std::size_t, const QuietScaling&, double*, std::size_t);

#if defined(__x86_64__) && defined(__GNUC__)
// Four rows a, b, c, d of four columns each, stored as four columns.
__attribute__((target("avx"), always_inline)) inline void store_transposed(__m256d a, __m256d b, __m256d c, __m256d d,
                                                                           double* out, std::size_t out_stride) {
    const __m256d ab0 = _mm256_unpacklo_pd(a, b), ab1 = _mm256_unpackhi_pd(a, b);  // a0 b0 a2 b2, a1 b1 a3 b3
    const __m256d cd0 = _mm256_unpacklo_pd(c, d), cd1 = _mm256_unpackhi_pd(c, d);
    _mm256_storeu_pd(out, _mm256_permute2f128_pd(ab0, cd0, 0x20));
    _mm256_storeu_pd(out + out_stride, _mm256_permute2f128_pd(ab1, cd1, 0x20));
    _mm256_storeu_pd(out + 2 * out_stride, _mm256_permute2f128_pd(ab0, cd0, 0x31));
    _mm256_storeu_pd(out + 3 * out_stride, _mm256_permute2f128_pd(ab1, cd1, 0x31));
}

// Rows r to r + 3, columns c to c + 3.
__attribute__((target("avx"), always_inline)) inline void transpose4(const double* in, std::size_t in_stride,
                                                                     double* out, std::size_t out_stride) {
    store_transposed(_mm256_loadu_pd(in), _mm256_loadu_pd(in + in_stride), _mm256_loadu_pd(in + 2 * in_stride),
                     _mm256_loadu_pd(in + 3 * in_stride), out, out_stride);
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

// Four columns of one row, scaled; lanes whose value does not hold clear
// their bits in inside.
__attribute__((target("avx2"), always_inline)) inline __m256d scaled_quietly(const double* in, const QuietScaling& s,
                                                                             __m256d& inside) {
    const __m256d y = _mm256_mul_pd(_mm256_loadu_pd(in), _mm256_set1_pd(s.factor));
    __m256d ok = _mm256_and_pd(_mm256_cmp_pd(y, _mm256_set1_pd(s.quiet.lo), _CMP_GE_OQ),
                               _mm256_cmp_pd(y, _mm256_set1_pd(s.quiet.hi), _CMP_LE_OQ));
    if (s.quiet.whole) {
        const __m256d rounder = _mm256_set1_pd(FFPContext::QuietRange::kRounder);
        ok = _mm256_and_pd(ok, _mm256_cmp_pd(_mm256_sub_pd(_mm256_add_pd(y, rounder), rounder), y, _CMP_EQ_OQ));
    }
    inside = _mm256_and_pd(inside, ok);
    return _mm256_mul_pd(_mm256_add_pd(y, _mm256_setzero_pd()), _mm256_set1_pd(s.inv_scale));
}

// Four columns at a time, all rows, as transpose_by_output_avx, each strip
// tested once written.  The rows are many separate buffers, more than the
// hardware prefetcher follows: each row's line after next is fetched ahead.
__attribute__((target("avx2"))) bool rows_quietly_avx2(const double* const* rows, std::size_t row_count,
                                                       std::size_t cols, const QuietScaling& s, double* out,
                                                       std::size_t out_stride) {
    if (!s.quiet.usable) return false;
    const std::size_t r4 = row_count / 4 * 4;
    std::size_t c0 = 0;
    for (; c0 + 4 <= cols; c0 += 4) {
        __m256d inside = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
        const bool fetch = c0 % 8 == 0 && c0 + 16 < cols;
        for (std::size_t r = 0; r < r4; r += 4) {
            if (fetch) {
                for (std::size_t k = 0; k < 4; ++k) __builtin_prefetch(rows[r + k] + c0 + 16);
            }
            const __m256d a = scaled_quietly(rows[r] + c0, s, inside);
            const __m256d b = scaled_quietly(rows[r + 1] + c0, s, inside);
            const __m256d c = scaled_quietly(rows[r + 2] + c0, s, inside);
            const __m256d d = scaled_quietly(rows[r + 3] + c0, s, inside);
            store_transposed(a, b, c, d, out + c0 * out_stride + r, out_stride);
        }
        if (_mm256_movemask_pd(inside) != 0xF) return false;
        if (!rows_quietly_tile(rows, r4, row_count, c0, c0 + 4, s, out, out_stride)) return false;
    }
    return rows_quietly_tile(rows, 0, row_count, c0, cols, s, out, out_stride);
}

constexpr RowsQuietly kRowsQuietlyAvx2 = rows_quietly_avx2;
constexpr Transpose kInOrderAvx = transpose_avx;
constexpr Transpose kByOutputAvx = transpose_by_output_avx;
#else
constexpr RowsQuietly kRowsQuietlyAvx2 = nullptr;
constexpr Transpose kInOrderAvx = nullptr;
constexpr Transpose kByOutputAvx = nullptr;
#endif

RowsQuietly rows_quietly_form() {
#if defined(__x86_64__) && defined(__GNUC__)
    if (__builtin_cpu_init(), __builtin_cpu_supports("avx2")) return kRowsQuietlyAvx2;
#endif
    return transpose_rows_quietly_generic;
}

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

bool transpose_rows_quietly_generic(const double* const* rows, std::size_t row_count, std::size_t cols,
                                    const QuietScaling& scaling, double* out, std::size_t out_stride) {
    return rows_quietly_tile(rows, 0, row_count, 0, cols, scaling, out, out_stride);
}

bool transpose_rows_quietly(const double* const* rows, std::size_t row_count, std::size_t cols,
                            const QuietScaling& scaling, double* out, std::size_t out_stride) {
    static const RowsQuietly form = rows_quietly_form();
    return form(rows, row_count, cols, scaling, out, out_stride);
}
