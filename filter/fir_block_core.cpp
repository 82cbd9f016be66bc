// The block loops, vectorised across outputs.  Each lane computes one output
// with the same multiply, then add, per tap, in the same tap order as the
// scalar loop, so the doubles are identical whatever the values (the build
// keeps multiply and add separate: no contraction into fused multiply-add).
// Within the double mode's 52-bit accumulator every product and partial sum
// is an exact multiple of the output LSB below 2^53, so any order would do;
// keeping the order also covers coefficients quantisation rounded past that
// bound, where only this order gives the defined doubles.  Fused
// multiply-add would not be faster here: multiplies and adds issue to
// separate units, so the exact order costs nothing and every filter keeps it.
// 64-bit integer sums are exact in any order wherever they fit.
// On x86-64 the loops are compiled for the baseline instruction set, for
// AVX2 and for AVX-512, and the best form the processor has is taken.
#include "filter/fir_block_core.h"

#include "filter/fir_block_pairs.h"
#include "filter/fir_exact_dot.h"

#include <cstring>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace {

typedef double Doubles2 __attribute__((vector_size(16)));
typedef double Doubles4 __attribute__((vector_size(32)));
typedef std::int64_t Ints4 __attribute__((vector_size(32)));

template <typename V, typename T>
__attribute__((always_inline)) inline void store(T* out, std::size_t stride, const V& v) {
    constexpr std::size_t kLanes = sizeof(V) / sizeof(T);
    if (stride == 1) {
        std::memcpy(out, &v, sizeof v);
        return;
    }
    T lanes[kLanes];
    std::memcpy(lanes, &v, sizeof v);
    for (std::size_t i = 0; i < kLanes; ++i) out[i * stride] = lanes[i];
}

// Tiles of A vectors V of outputs (A independent accumulators hide the add
// latency), then single vectors, then single outputs.  V may be T itself.
template <typename V, std::size_t A, typename T>
__attribute__((always_inline)) inline void tiles(const T* coeff, const T* const* src, std::size_t taps,
                                                 std::size_t count, T* out, std::size_t stride) {
    constexpr std::size_t W = sizeof(V) / sizeof(T);
    std::size_t k = 0;
    for (; k + A * W <= count; k += A * W) {
        V acc[A] = {};
        for (std::size_t j = 0; j < taps; ++j) {
            const T c = coeff[j];
            const T* s = src[j] + k;
#pragma GCC unroll 16
            for (std::size_t a = 0; a < A; ++a) {
                V x;  // unaligned load
                std::memcpy(&x, s + a * W, sizeof x);
                acc[a] = acc[a] + c * x;
            }
        }
#pragma GCC unroll 16
        for (std::size_t a = 0; a < A; ++a) store(out + (k + a * W) * stride, stride, acc[a]);
    }
    for (; k + W <= count; k += W) {
        V acc = {};
        for (std::size_t j = 0; j < taps; ++j) {
            V x;
            std::memcpy(&x, src[j] + k, sizeof x);
            acc = acc + coeff[j] * x;
        }
        store(out + k * stride, stride, acc);
    }
    for (; k < count; ++k) {
        T acc = 0;
        for (std::size_t j = 0; j < taps; ++j) acc = acc + coeff[j] * src[j][k];
        out[k * stride] = acc;
    }
}

using CoreDouble = void (*)(const double*, const double* const*, std::size_t, std::size_t, double*, std::size_t);
using CoreInt64 = void (*)(const std::int64_t*, const std::int64_t* const*, std::size_t, std::size_t, std::int64_t*,
                           std::size_t);

// One form: its double and 64-bit loops, compiled for an instruction set.
#define ZEB_FIR_CORE_FORM(NAME, TARGET, DOUBLES, DOUBLE_TILE, INTS, INT_TILE)                                     \
    TARGET void NAME##_double(const double* coeff, const double* const* src, std::size_t taps, std::size_t count, \
                              double* out, std::size_t stride) {                                                  \
        tiles<DOUBLES, DOUBLE_TILE>(coeff, src, taps, count, out, stride);                                        \
    }                                                                                                             \
    TARGET void NAME##_int64(const std::int64_t* coeff, const std::int64_t* const* src, std::size_t taps,         \
                             std::size_t count, std::int64_t* out, std::size_t stride) {                          \
        tiles<INTS, INT_TILE>(coeff, src, taps, count, out, stride);                                              \
    }

// Baseline: 16-byte vectors; no 64-bit vector multiply, so the integers go
// one output per accumulator.
ZEB_FIR_CORE_FORM(generic, , Doubles2, 6, std::int64_t, 4)

#if defined(__x86_64__) && defined(__GNUC__)
#define ZEB_FIR_DISPATCH_X86 1
typedef double Doubles8 __attribute__((vector_size(64)));
typedef std::int64_t Ints8 __attribute__((vector_size(64)));
ZEB_FIR_CORE_FORM(avx2, __attribute__((target("avx2"))), Doubles4, 4, Ints4, 4)
// vpmullq (AVX-512DQ) multiplies 64-bit lanes.  Doubles of a strided output
// store lane by lane, where four lanes at a time are faster.
ZEB_FIR_CORE_FORM(avx512_unit, __attribute__((target("avx512f,avx512dq"))), Doubles8, 8, Ints8, 4)
__attribute__((target("avx512f,avx512dq"))) void avx512_double(const double* coeff, const double* const* src,
                                                               std::size_t taps, std::size_t count, double* out,
                                                               std::size_t stride) {
    if (stride == 1) return avx512_unit_double(coeff, src, taps, count, out, stride);
    tiles<Doubles4, 4>(coeff, src, taps, count, out, stride);
}
#endif

#if ZEB_FIR_HAVE_INT128
using CoreSplit = void (*)(const std::int64_t*, const std::int64_t*, const std::int64_t* const*,
                           const std::int64_t* const*, std::size_t, std::size_t, int, wide_int*, std::size_t);

// One output of the split sums: 2^(2 shift) a + 2^shift b + c, exact (the
// products are multiplications, not shifts, so negative sums are defined).
inline wide_int combine(std::int64_t a, std::int64_t b, std::int64_t c, int shift) {
    const wide_int unit = wide_int{1} << shift;
    return (static_cast<wide_int>(a) * unit + static_cast<wide_int>(b)) * unit + static_cast<wide_int>(c);
}

// Outputs from k on, one at a time.
inline void split_rest(const std::int64_t* ch, const std::int64_t* cl, const std::int64_t* const* xh,
                       const std::int64_t* const* xl, std::size_t taps, std::size_t k, std::size_t count, int shift,
                       wide_int* out, std::size_t stride) {
    for (; k < count; ++k) {
        std::int64_t a = 0, b = 0, c = 0;
        for (std::size_t j = 0; j < taps; ++j) {
            a += xh[j][k] * ch[j];
            b += xh[j][k] * cl[j] + xl[j][k] * ch[j];
            c += xl[j][k] * cl[j];
        }
        out[k * stride] = combine(a, b, c, shift);
    }
}

#ifdef ZEB_FIR_DISPATCH_X86
// Two vectors of outputs at a time, three sums each; mul_epi32 multiplies the
// low, signed, 32 bits of each 64-bit lane into a 64-bit product.
#define ZEB_FIR_SPLIT_FORM(NAME, TARGET, VEC, LANES, LOAD, SET1, ADD, MUL, STORE)                                  \
    TARGET void NAME(const std::int64_t* ch, const std::int64_t* cl, const std::int64_t* const* xh,                \
                     const std::int64_t* const* xl, std::size_t taps, std::size_t count, int shift, wide_int* out, \
                     std::size_t stride) {                                                                         \
        std::size_t k = 0;                                                                                         \
        for (; k + 2 * LANES <= count; k += 2 * LANES) {                                                           \
            VEC a0 = SET1(0), a1 = a0, b0 = a0, b1 = a0, c0 = a0, c1 = a0;                                         \
            for (std::size_t j = 0; j < taps; ++j) {                                                               \
                const VEC h = SET1(ch[j]), l = SET1(cl[j]);                                                        \
                const VEC h0 = LOAD(xh[j] + k), h1 = LOAD(xh[j] + k + LANES);                                      \
                const VEC l0 = LOAD(xl[j] + k), l1 = LOAD(xl[j] + k + LANES);                                      \
                a0 = ADD(a0, MUL(h0, h));                                                                          \
                a1 = ADD(a1, MUL(h1, h));                                                                          \
                b0 = ADD(b0, ADD(MUL(h0, l), MUL(l0, h)));                                                         \
                b1 = ADD(b1, ADD(MUL(h1, l), MUL(l1, h)));                                                         \
                c0 = ADD(c0, MUL(l0, l));                                                                          \
                c1 = ADD(c1, MUL(l1, l));                                                                          \
            }                                                                                                      \
            std::int64_t a[2 * LANES], b[2 * LANES], c[2 * LANES];                                                 \
            STORE(a, a0), STORE(a + LANES, a1), STORE(b, b0), STORE(b + LANES, b1), STORE(c, c0);                  \
            STORE(c + LANES, c1);                                                                                  \
            for (std::size_t i = 0; i < 2 * LANES; ++i) out[(k + i) * stride] = combine(a[i], b[i], c[i], shift);  \
        }                                                                                                          \
        split_rest(ch, cl, xh, xl, taps, k, count, shift, out, stride);                                            \
    }

// GCC 12 takes the undefined upper half _mm512_mul_epi32 passes to its builtin
// for an uninitialised variable.
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#define ZEB_FIR_LOAD256(p) _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))
#define ZEB_FIR_STORE256(p, v) _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v)
ZEB_FIR_SPLIT_FORM(avx2_split, __attribute__((target("avx2"))), __m256i, 4, ZEB_FIR_LOAD256, _mm256_set1_epi64x,
                   _mm256_add_epi64, _mm256_mul_epi32, ZEB_FIR_STORE256)
#define ZEB_FIR_LOAD512(p) _mm512_loadu_si512(p)
#define ZEB_FIR_STORE512(p, v) _mm512_storeu_si512(p, v)
ZEB_FIR_SPLIT_FORM(avx512_split, __attribute__((target("avx512f"))), __m512i, 8, ZEB_FIR_LOAD512, _mm512_set1_epi64,
                   _mm512_add_epi64, _mm512_mul_epi32, ZEB_FIR_STORE512)
#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif
#else
using CoreSplit = void (*)();  // no 128-bit integers, no split sums
#endif

struct Cores {
    CoreDouble real;
    CoreInt64 narrow;
    CoreSplit split;  // null: the 128-bit loop does better
    CorePairs pairs;  // null: the double loop does better
    CoreDot dot;
};

Cores cores_of(CoreForm form) {
    switch (form) {
#ifdef ZEB_FIR_DISPATCH_X86
        case CoreForm::avx512:
            return {avx512_double, avx512_unit_int64, avx512_split, pairs_form(form), dot_form(form)};
        case CoreForm::avx2: return {avx2_double, avx2_int64, avx2_split, pairs_form(form), dot_form(form)};
#endif
        default: return {generic_double, generic_int64, nullptr, pairs_form(form), dot_form(form)};
    }
}

// The forms in use: the best the processor runs, chosen while the library
// loads, so that a call needs no check that they are; or the ones
// use_core_form chose since.
Cores active = cores_of(core_forms().back());

Cores& active_cores() { return active; }

}  // namespace

std::vector<CoreForm> core_forms() {
    std::vector<CoreForm> forms{CoreForm::generic};
#ifdef ZEB_FIR_DISPATCH_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) forms.push_back(CoreForm::avx2);
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw")) {
        forms.push_back(CoreForm::avx512);
    }
#endif
    return forms;
}

bool use_core_form(CoreForm form) {
    for (CoreForm f : core_forms()) {
        if (f == form) {
            active_cores() = cores_of(form);
            return true;
        }
    }
    return false;
}

void fir_block_core(const double* coeff, const double* const* src, std::size_t taps, std::size_t count, double* out,
                    std::size_t stride) {
    active_cores().real(coeff, src, taps, count, out, stride);
}

void fir_block_core(const std::int64_t* coeff, const std::int64_t* const* src, std::size_t taps, std::size_t count,
                    std::int64_t* out, std::size_t stride) {
    active_cores().narrow(coeff, src, taps, count, out, stride);
}

std::size_t fir_block_core_pairs(const double* coeff, const SampleRun& run, std::size_t taps, std::size_t count,
                                 double* out, std::size_t stride) {
    const CorePairs pairs = active_cores().pairs;
    return pairs == nullptr ? 0 : pairs(coeff, run, taps, count, out, stride);
}

double fir_exact_dot(const double* coeff, const double* newest, std::size_t taps) {
    return active_cores().dot(coeff, newest, taps);
}

#if ZEB_FIR_HAVE_INT128
bool fir_block_core_splits() { return active_cores().split != nullptr; }

bool fir_block_core_split(const std::int64_t* ch, const std::int64_t* cl, const std::int64_t* const* xh,
                          const std::int64_t* const* xl, std::size_t taps, std::size_t count, int shift, wide_int* out,
                          std::size_t stride) {
    const CoreSplit split = active_cores().split;
    if (split == nullptr) return false;
    split(ch, cl, xh, xl, taps, count, shift, out, stride);
    return true;
}

namespace {
inline wide_int product(std::int64_t c, const wide_int& s) {
    return static_cast<wide_int>(c) * static_cast<wide_int>(static_cast<std::int64_t>(s));
}
}  // namespace

void fir_block_core(const std::int64_t* coeff, const wide_int* const* src, std::size_t taps, std::size_t count,
                    wide_int* out, std::size_t stride) {
    // Integer sums are exact in any order; four outputs at a time keep the
    // multiplier busy.
    std::size_t k = 0;
    for (; k + 4 <= count; k += 4) {
        wide_int a0 = 0, a1 = 0, a2 = 0, a3 = 0;
        for (std::size_t j = 0; j < taps; ++j) {
            const std::int64_t c = coeff[j];
            const wide_int* s = src[j] + k;
            a0 += product(c, s[0]);
            a1 += product(c, s[1]);
            a2 += product(c, s[2]);
            a3 += product(c, s[3]);
        }
        wide_int* o = out + k * stride;
        o[0] = a0;
        o[stride] = a1;
        o[2 * stride] = a2;
        o[3 * stride] = a3;
    }
    for (; k < count; ++k) {
        wide_int acc = 0;
        for (std::size_t j = 0; j < taps; ++j) acc += product(coeff[j], src[j][k]);
        out[k * stride] = acc;
    }
}
#endif
