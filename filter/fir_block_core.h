// Inner loops of the block path of FirFilter: many outputs of one polyphase
// branch at once.  Output k is the sum over taps j, in increasing j (newest
// sample first), of coeff[j] * src[j][k]: every output gets exactly the
// products and sums, in the order, that the one-output-at-a-time path forms.
#ifndef ZEB_FIR_FILTER_FIR_BLOCK_CORE_H
#define ZEB_FIR_FILTER_FIR_BLOCK_CORE_H

#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__SIZEOF_INT128__)
#define ZEB_FIR_HAVE_INT128 1
// Accumulator of the 128-bit integer mode: 64-bit samples and coefficients.
using wide_int = __int128;
#else
#define ZEB_FIR_HAVE_INT128 0
#endif

// The forms of the double and 64-bit loops: the generic one, and forms for
// wider vector units that give the same bits.  The best the processor runs is
// taken once, when first used.
enum class CoreForm { generic, avx2, avx512 };
// The forms this processor runs, generic first.
std::vector<CoreForm> core_forms();
// Every loop takes form from now on (tests compare the forms); false, and no
// change, when the processor lacks it.
bool use_core_form(CoreForm form);

// out[k * stride] = sum_j coeff[j] * src[j][k] for k < count, j < taps.
void fir_block_core(const double* coeff, const double* const* src, std::size_t taps, std::size_t count, double* out,
                    std::size_t stride);
// Samples in two pieces, one after the other: sample i is head[i] below
// head_count and tail[i - head_count] from there on, in units of unit (a
// power of two: the samples' LSB).
struct SampleRun {
    const double* head;
    std::size_t head_count;
    const double* tail;
    double unit;
};
// The same with src[j] reading sample k + taps - 1 - j of run for output k,
// where every coefficient is a 16-bit integer, every sample a 16-bit integer
// number of units, and each sum of |coeff[j]| 2^15 stays below 2^31: products
// of 16-bit integers summed in 32-bit lanes, times the unit, then give those
// sums exactly, as the double loop does, at twice the taps per instruction.
// Returns how many outputs, from the first, it computed: 0 where a
// coefficient does not qualify or the processor has no form for it, fewer
// than count where a sample does not; the double loop does the rest.
std::size_t fir_block_core_pairs(const double* coeff, const SampleRun& run, std::size_t taps, std::size_t count,
                                 double* out, std::size_t stride);
// sum_j coeff[j] * newest[-j] for j < taps, where every product and partial
// sum is an exact double: then any order, and so every form, gives the bits
// of the tap-ordered sum.
double fir_exact_dot(const double* coeff, const double* newest, std::size_t taps);
// The same in 64-bit integers; every product and partial sum must fit.
void fir_block_core(const std::int64_t* coeff, const std::int64_t* const* src, std::size_t taps, std::size_t count,
                    std::int64_t* out, std::size_t stride);

#if ZEB_FIR_HAVE_INT128
// The same in integers; each src[j][k] must fit 64 bits and every sum must stay
// below 2^127 in magnitude.
void fir_block_core(const std::int64_t* coeff, const wide_int* const* src, std::size_t taps, std::size_t count,
                    wide_int* out, std::size_t stride);

// The same with samples and coefficients split at bit `shift`: x = xh 2^shift
// + xl, c = ch 2^shift + cl, every part a 32-bit integer and the low parts in
// [0, 2^shift).  Three sums of 32 x 32-bit products, each of which must fit
// 63 bits, combine into the exact sum; vector units multiply 32-bit halves
// several at a time, where a 128-bit product is one at a time.  False, and
// nothing done, when the processor has no form for it.
bool fir_block_core_split(const std::int64_t* ch, const std::int64_t* cl, const std::int64_t* const* xh,
                          const std::int64_t* const* xl, std::size_t taps, std::size_t count, int shift, wide_int* out,
                          std::size_t stride);
// Whether the processor has a form of the split sums.
bool fir_block_core_splits();
#endif

#endif
