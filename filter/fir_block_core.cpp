// The block loops, vectorised across outputs.  Each lane computes one output
// with the same multiply, then add, per tap, in the same tap order as the
// scalar loop, so the doubles are identical whatever the values (the build
// keeps multiply and add separate: no contraction into fused multiply-add).
// Within the double mode's 52-bit accumulator every product and partial sum
// is an exact multiple of the output LSB below 2^53, so any order would do;
// keeping the order also covers coefficients quantisation rounded past that
// bound, where only this order gives the defined doubles.
// On x86-64 the loop is compiled twice, for the baseline instruction set and
// for AVX2, and the AVX2 form is taken when the processor has it.
#include "filter/fir_block_core.h"

#include <cstring>

namespace {

typedef double Lanes __attribute__((vector_size(32)));  // four outputs
constexpr std::size_t kLanes = 4;
constexpr std::size_t kTile = 4 * kLanes;  // four independent accumulators hide the add latency

inline void store(double* out, std::size_t stride, const Lanes& v) {
    if (stride == 1) {
        std::memcpy(out, &v, sizeof v);
        return;
    }
    for (std::size_t i = 0; i < kLanes; ++i) out[i * stride] = v[i];
}

__attribute__((always_inline)) inline void core_double(const double* coeff, const double* const* src, std::size_t taps,
                                                       std::size_t count, double* out, std::size_t stride) {
    std::size_t k = 0;
    for (; k + kTile <= count; k += kTile) {
        Lanes a0 = {0.0, 0.0, 0.0, 0.0};
        Lanes a1 = a0, a2 = a0, a3 = a0;
        for (std::size_t j = 0; j < taps; ++j) {
            const double c = coeff[j];
            Lanes x0, x1, x2, x3;  // unaligned loads
            std::memcpy(&x0, src[j] + k, sizeof x0);
            std::memcpy(&x1, src[j] + k + kLanes, sizeof x1);
            std::memcpy(&x2, src[j] + k + 2 * kLanes, sizeof x2);
            std::memcpy(&x3, src[j] + k + 3 * kLanes, sizeof x3);
            a0 = a0 + c * x0;
            a1 = a1 + c * x1;
            a2 = a2 + c * x2;
            a3 = a3 + c * x3;
        }
        double* o = out + k * stride;
        store(o, stride, a0);
        store(o + kLanes * stride, stride, a1);
        store(o + 2 * kLanes * stride, stride, a2);
        store(o + 3 * kLanes * stride, stride, a3);
    }
    for (; k < count; ++k) {
        double acc = 0.0;
        for (std::size_t j = 0; j < taps; ++j) acc = acc + coeff[j] * src[j][k];
        out[k * stride] = acc;
    }
}

void core_double_baseline(const double* coeff, const double* const* src, std::size_t taps, std::size_t count,
                          double* out, std::size_t stride) {
    core_double(coeff, src, taps, count, out, stride);
}

#if defined(__x86_64__) && defined(__GNUC__)
#define ZEB_FIR_DISPATCH_AVX2 1
__attribute__((target("avx2"))) void core_double_avx2(const double* coeff, const double* const* src, std::size_t taps,
                                                      std::size_t count, double* out, std::size_t stride) {
    core_double(coeff, src, taps, count, out, stride);
}
#endif

using CoreDouble = void (*)(const double*, const double* const*, std::size_t, std::size_t, double*, std::size_t);

CoreDouble pick_core_double() {
#ifdef ZEB_FIR_DISPATCH_AVX2
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return core_double_avx2;
#endif
    return core_double_baseline;
}

}  // namespace

void fir_block_core(const double* coeff, const double* const* src, std::size_t taps, std::size_t count, double* out,
                    std::size_t stride) {
    static const CoreDouble core = pick_core_double();
    core(coeff, src, taps, count, out, stride);
}

#if ZEB_FIR_HAVE_INT128
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
