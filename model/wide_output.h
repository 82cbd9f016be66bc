// Output rounding of the integer mode: the tie rules shared by GMP and
// 128-bit accumulators, and the 128-bit forms of rounding and of the
// conversions a host's read needs.
#ifndef ZEB_FIR_MODEL_WIDE_OUTPUT_H
#define ZEB_FIR_MODEL_WIDE_OUTPUT_H

#include <gmp.h>

#include <cstdint>

#include "filter/fir_block_core.h"
#include "fixedpoint/ffp_context.h"

// What output rounding adds (-1, 0 or +1) to the quotient q truncated toward
// zero, given the sign of the nonzero remainder r, how |r| compares with half
// the divisor (negative, zero or positive) and whether q is odd.
inline int rounding_step(RndMode mode, int sign, int beyond_half, bool q_odd) {
    switch (mode) {
        case RND_DOWN: return sign < 0 ? -1 : 0;
        case RND_TO_EVEN: return beyond_half > 0 || (beyond_half == 0 && q_odd) ? sign : 0;
        case RND_TO_ODD: return beyond_half > 0 || (beyond_half == 0 && !q_odd) ? sign : 0;
        case RND_POSIX: return beyond_half >= 0 ? sign : 0;
        case RND_HALF_DOWN: return beyond_half > 0 || (beyond_half == 0 && sign < 0) ? sign : 0;
        case RND_HALF_UP: return beyond_half > 0 || (beyond_half == 0 && sign > 0) ? sign : 0;
        case RND_HALF_TO_ZERO: return beyond_half > 0 ? sign : 0;
        default: return 0;
    }
}

#if ZEB_FIR_HAVE_INT128
using wide_uint = unsigned __int128;

inline wide_uint magnitude(wide_int x) { return x < 0 ? wide_uint(0) - static_cast<wide_uint>(x) : static_cast<wide_uint>(x); }

// x / 2^shift rounded by mode, as the GMP mode rounds (RND_NONE: x itself).
inline wide_int round_wide(wide_int x, int shift, RndMode mode) {
    if (mode == RND_NONE || shift <= 0) return x;
    const wide_uint mag = magnitude(x);
    const wide_uint q = shift >= 128 ? 0 : mag >> shift;
    const wide_uint r = shift >= 128 ? mag : mag & ((wide_uint(1) << shift) - 1);
    const wide_int truncated = x < 0 ? -static_cast<wide_int>(q) : static_cast<wide_int>(q);
    if (r == 0) return truncated;
    int beyond_half = -1;  // |r| < 2^(shift-1) whenever shift > 128
    if (shift <= 128) {
        const wide_uint half = wide_uint(1) << (shift - 1);
        beyond_half = r < half ? -1 : (r > half ? 1 : 0);
    }
    return truncated + rounding_step(mode, x < 0 ? -1 : 1, beyond_half, (q & 1) != 0);
}

// The double nearest x toward zero (what mpz_get_d gives).
inline double wide_to_double(wide_int x) {
    constexpr wide_int exact = wide_int{1} << 53;
    if (x > -exact && x < exact) return static_cast<double>(static_cast<std::int64_t>(x));
    wide_uint mag = magnitude(x);
    const std::uint64_t high = static_cast<std::uint64_t>(mag >> 64);
    const int bits = high != 0 ? 128 - __builtin_clzll(high) : 64 - (mag != 0 ? __builtin_clzll(static_cast<std::uint64_t>(mag)) : 64);
    if (bits > 53) mag = (mag >> (bits - 53)) << (bits - 53);
    const double d = static_cast<double>(mag);  // exact: at most 53 significant bits
    return x < 0 ? -d : d;
}

inline void wide_to_mpz(mpz_ptr dst, wide_int x) {
    const wide_uint mag = magnitude(x);
    const std::uint64_t words[2] = {static_cast<std::uint64_t>(mag), static_cast<std::uint64_t>(mag >> 64)};
    mpz_import(dst, 2, -1, sizeof words[0], 0, 0, words);
    if (x < 0) mpz_neg(dst, dst);
}
#endif

#endif
