// Single-output sums whose every product and partial sum is an exact double:
// any order then gives the bits of the tap-ordered sum, so the products go
// into independent vector lanes, summed at the end, and a form may fuse
// multiply and add (an exact product plus an exact sum rounds to itself).
// Every lane starts at +0, as the ordered sum does, so a zero sum is +0 in
// every form.  A host feeding one sample per call waits for this sum, so the
// forms keep its chain of dependent additions short.
#include "filter/fir_exact_dot.h"

#include <cstring>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace {

typedef double Doubles2 __attribute__((vector_size(16)));

// newest[-j - 1], newest[-j] as lanes 1, 0.
inline Doubles2 older_pair(const double* newest, std::size_t j) {
    Doubles2 s;
    std::memcpy(&s, newest - j - 1, sizeof s);
    return __builtin_shufflevector(s, s, 1, 0);
}

inline Doubles2 pair_at(const double* coeff, std::size_t j) {
    Doubles2 c;
    std::memcpy(&c, coeff + j, sizeof c);
    return c;
}

// Pairs into four accumulators, the odd last tap alone.
double generic_dot(const double* coeff, const double* newest, std::size_t taps) {
    Doubles2 a[4] = {};
    std::size_t j = 0;
    for (; j + 8 <= taps; j += 8) {
        for (std::size_t k = 0; k < 4; ++k) a[k] = a[k] + pair_at(coeff, j + 2 * k) * older_pair(newest, j + 2 * k);
    }
    for (std::size_t k = 0; j + 2 <= taps; j += 2, ++k) a[k] = a[k] + pair_at(coeff, j) * older_pair(newest, j);
    const Doubles2 b = (a[0] + a[1]) + (a[2] + a[3]);
    const double last = j < taps ? coeff[j] * newest[-static_cast<std::ptrdiff_t>(j)] : 0.0;
    return (b[0] + b[1]) + last;
}

#if defined(__x86_64__) && defined(__GNUC__)
// newest[-j - 3] .. newest[-j] as lanes 3 .. 0.
__attribute__((target("avx2,fma"))) inline __m256d older_quad(const double* newest, std::size_t j) {
    return _mm256_permute4x64_pd(_mm256_loadu_pd(newest - j - 3), 0x1B);
}

// Quads into two accumulators; what is left of them as pairs, then the odd
// last tap.
__attribute__((target("avx2,fma"))) double avx2_dot(const double* coeff, const double* newest, std::size_t taps) {
    __m256d a0 = _mm256_setzero_pd();
    __m256d a1 = _mm256_setzero_pd();
    std::size_t j = 0;
    for (; j + 8 <= taps; j += 8) {
        a0 = _mm256_fmadd_pd(_mm256_loadu_pd(coeff + j), older_quad(newest, j), a0);
        a1 = _mm256_fmadd_pd(_mm256_loadu_pd(coeff + j + 4), older_quad(newest, j + 4), a1);
    }
    if (j + 4 <= taps) {
        a0 = _mm256_fmadd_pd(_mm256_loadu_pd(coeff + j), older_quad(newest, j), a0);
        j += 4;
    }
    const __m256d a = _mm256_add_pd(a0, a1);
    __m128d b = _mm_add_pd(_mm256_castpd256_pd128(a), _mm256_extractf128_pd(a, 1));
    if (j + 2 <= taps) {
        const __m128d s = _mm_loadu_pd(newest - j - 1);
        b = _mm_fmadd_pd(_mm_loadu_pd(coeff + j), _mm_shuffle_pd(s, s, 1), b);
        j += 2;
    }
    const double last = j < taps ? coeff[j] * newest[-static_cast<std::ptrdiff_t>(j)] : 0.0;
    return (_mm_cvtsd_f64(b) + _mm_cvtsd_f64(_mm_unpackhi_pd(b, b))) + last;
}
#endif

}  // namespace

// Wider vectors would spend on their horizontal sum what they save on the
// few taps of a typical filter: the AVX-512 level keeps the AVX2 form.
CoreDot dot_form(CoreForm form) {
    switch (form) {
#if defined(__x86_64__) && defined(__GNUC__)
        case CoreForm::avx512:
        case CoreForm::avx2: return avx2_dot;
#endif
        default: return generic_dot;
    }
}
