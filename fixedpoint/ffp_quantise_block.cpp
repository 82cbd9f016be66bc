// Quantisation of whole blocks whose reports nobody reads, with the rules of
// do_restrict.  A block inside the range and, where the mode rounds, of
// integers, the usual case, needs nothing but turning a negative zero into a
// positive one; a first pass finds out (vectorised, with an AVX2 or AVX-512
// form taken where the processor has it).  Otherwise each value below 2^62
// in magnitude is split into integer and fraction by a conversion to a
// 64-bit integer, which gives exactly what modf gives, and anything larger
// goes through do_restrict itself with reporting switched off.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "fixedpoint/ffp_context.h"
#include "fixedpoint/rounding.h"

#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace {

constexpr double kRounder = FFPContext::QuietRange::kRounder;

// The bits of a negative zero.
constexpr std::uint64_t kNegativeZero = std::uint64_t{1} << 63;

// The values from i on, one at a time.  Without an output (out null) a
// negative zero counts as outside: only a copy would mend it.
bool normalise_rest(const double* in, double* out, std::size_t i, std::size_t count, double lo, double hi, bool whole,
                    bool inside) {
    for (; i < count; ++i) {
        double x = in[i];
        if (out != nullptr) {
            x += 0.0;
            out[i] = x;
        } else {
            std::uint64_t bits;
            std::memcpy(&bits, &x, sizeof bits);
            inside = inside && bits != kNegativeZero;
        }
        inside = inside && x >= lo && x <= hi && (!whole || ((x + kRounder) - kRounder) == x);
    }
    return inside;
}

// Copies in to out turning negative zeros into positive ones (-0 + 0 is +0;
// nothing else changes), and tells whether every value lies within lo..hi
// and, when whole is set, is an integer.  (x + 1.5 * 2^52) - 1.5 * 2^52
// rounds x to an integer when |x| <= 2^51 (the sum then has no fraction
// bits), so x is an integer exactly when that gives x back; lo and hi must
// lie within +-2^51.  A NaN is never inside.
bool normalise_baseline(const double* in, double* out, std::size_t count, double lo, double hi, bool whole) {
    std::size_t i = 0;
    bool inside = true;
#if defined(__SSE2__)
    if (out == nullptr) return normalise_rest(in, out, 0, count, lo, hi, whole, inside);
    const __m128d low = _mm_set1_pd(lo);
    const __m128d high = _mm_set1_pd(hi);
    const __m128d rounder = _mm_set1_pd(kRounder);
    __m128d outside = _mm_setzero_pd();
    for (; i + 2 <= count; i += 2) {
        const __m128d x = _mm_add_pd(_mm_loadu_pd(in + i), _mm_setzero_pd());
        _mm_storeu_pd(out + i, x);
        outside = _mm_or_pd(outside, _mm_or_pd(_mm_cmpnge_pd(x, low), _mm_cmpnle_pd(x, high)));
        if (whole) outside = _mm_or_pd(outside, _mm_cmpneq_pd(_mm_sub_pd(_mm_add_pd(x, rounder), rounder), x));
    }
    inside = _mm_movemask_pd(outside) == 0;
#endif
    return normalise_rest(in, out, i, count, lo, hi, whole, inside);
}

using Normalise = bool (*)(const double*, double*, std::size_t, double, double, bool);

#if defined(__x86_64__) && defined(__GNUC__)
typedef double Lanes __attribute__((vector_size(32)));
typedef long long LaneFlags __attribute__((vector_size(32)));

// The same four values at a time; without an output, only the test.
template <bool kCopy>
__attribute__((target("avx2"), always_inline)) inline bool normalise_lanes(const double* in, double* out,
                                                                           std::size_t count, double lo, double hi,
                                                                           bool whole) {
    const Lanes low = {lo, lo, lo, lo};
    const Lanes high = {hi, hi, hi, hi};
    const Lanes rounder = {kRounder, kRounder, kRounder, kRounder};
    const Lanes zero = {0.0, 0.0, 0.0, 0.0};
    const long long negative_zero = static_cast<long long>(kNegativeZero);
    const LaneFlags negative_zeros = {negative_zero, negative_zero, negative_zero, negative_zero};
    LaneFlags inside = {-1, -1, -1, -1};
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        Lanes x;
        std::memcpy(&x, in + i, sizeof x);
        if (kCopy) {
            x = x + zero;
            std::memcpy(out + i, &x, sizeof x);
        } else {
            LaneFlags bits;
            std::memcpy(&bits, &x, sizeof bits);
            inside &= bits != negative_zeros;
        }
        inside &= (x >= low) & (x <= high);
        if (whole) inside &= ((x + rounder) - rounder) == x;
    }
    return normalise_rest(in, out, i, count, lo, hi, whole, (inside[0] & inside[1] & inside[2] & inside[3]) != 0);
}

__attribute__((target("avx2"))) bool normalise_avx2(const double* in, double* out, std::size_t count, double lo,
                                                    double hi, bool whole) {
    return out != nullptr ? normalise_lanes<true>(in, out, count, lo, hi, whole)
                          : normalise_lanes<false>(in, out, count, lo, hi, whole);
}

// Eight values at a time, two vectors a step, the tests in mask registers;
// an integer is a value that truncation leaves as it is.
template <bool kCopy>
__attribute__((target("avx512f,avx512dq"), always_inline)) inline __mmask8 lanes_inside(__m512d x, double* out,
                                                                                        __m512d low, __m512d high,
                                                                                        bool whole) {
    __mmask8 inside = _mm512_cmp_pd_mask(x, low, _CMP_GE_OQ) & _mm512_cmp_pd_mask(x, high, _CMP_LE_OQ);
    if (kCopy) {
        _mm512_storeu_pd(out, _mm512_add_pd(x, _mm512_setzero_pd()));
    } else {
        const __m512i negative_zeros = _mm512_set1_epi64(static_cast<long long>(kNegativeZero));
        inside &= _mm512_cmpneq_epi64_mask(_mm512_castpd_si512(x), negative_zeros);
    }
    if (whole) {
        const __m512d truncated = _mm512_maskz_roundscale_pd(0xFF, x, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
        inside &= _mm512_cmp_pd_mask(truncated, x, _CMP_EQ_OQ);
    }
    return inside;
}

template <bool kCopy>
__attribute__((target("avx512f,avx512dq"))) bool normalise_512(const double* in, double* out, std::size_t count,
                                                               double lo, double hi, bool whole) {
    const __m512d low = _mm512_set1_pd(lo);
    const __m512d high = _mm512_set1_pd(hi);
    __mmask8 inside = 0xFF;
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        // Without an output there is no place to point at (out is null).
        inside &= lanes_inside<kCopy>(_mm512_loadu_pd(in + i), kCopy ? out + i : nullptr, low, high, whole);
        inside &= lanes_inside<kCopy>(_mm512_loadu_pd(in + i + 8), kCopy ? out + i + 8 : nullptr, low, high, whole);
    }
    return normalise_rest(in, out, i, count, lo, hi, whole, inside == 0xFF);
}

bool normalise_avx512(const double* in, double* out, std::size_t count, double lo, double hi, bool whole) {
    return out != nullptr ? normalise_512<true>(in, out, count, lo, hi, whole)
                          : normalise_512<false>(in, out, count, lo, hi, whole);
}

// Generic first, then each vector form this processor has.
std::vector<Normalise> detect_forms() {
    __builtin_cpu_init();
    std::vector<Normalise> forms{normalise_baseline};
    if (__builtin_cpu_supports("avx2")) forms.push_back(normalise_avx2);
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq")) forms.push_back(normalise_avx512);
    return forms;
}
#else
std::vector<Normalise> detect_forms() { return {normalise_baseline}; }
#endif

const std::vector<Normalise>& forms_here() {
    static const std::vector<Normalise> forms = detect_forms();
    return forms;
}

}  // namespace

FFPContext::QuietRange FFPContext::quiet_range() const {
    constexpr double kRounderRange = 2251799813685248.0;  // 2^51
    const bool limiting = overflow_mode >= OVF_CHECK && overflow_mode <= OVF_CLIP;
    const double lo = limiting ? min_int : -kRounderRange;
    const double hi = limiting ? max_int : kRounderRange;
    return QuietRange{lo, hi, rounding::rounds(rounding_mode), lo >= -kRounderRange && hi <= kRounderRange};
}

bool FFPContext::QuietRange::normalise(const double* in, double* out, std::size_t count, double lo, double hi,
                                       bool whole) {
    static const Normalise form = forms_here().back();
    return form(in, out, count, lo, hi, whole);
}

std::size_t FFPContext::QuietRange::normalise_forms() { return forms_here().size(); }

bool FFPContext::QuietRange::normalise_in_form(std::size_t form, const double* in, double* out, std::size_t count,
                                               double lo, double hi, bool whole) {
    return forms_here().at(form)(in, out, count, lo, hi, whole);
}

bool FFPContext::QuietRange::holds_all(const double* values, std::size_t count) const {
    return usable && normalise(values, nullptr, count, lo, hi, whole);
}

std::size_t FFPContext::restrict_quietly(const double* in, double* out, std::size_t count, std::size_t* first) {
    constexpr double kSplitLimit = 4611686018427387904.0;  // 2^62
    const QuietRange quiet = quiet_range();
    const bool rounds = quiet.whole;
    const bool limiting = overflow_mode >= OVF_CHECK && overflow_mode <= OVF_CLIP;
    if (quiet.usable) {
        if (QuietRange::normalise(in, out, count, quiet.lo, quiet.hi, rounds)) return 0;
    } else if (in != out) {
        std::copy(in, in + count, out);
    }
    std::size_t outside = 0;
    auto note_outside = [&outside, first](std::size_t i) {
        if (outside++ == 0 && first != nullptr) *first = i;
    };
    for (std::size_t i = 0; i < count; ++i) {
        const double x = out[i];
        if (!(std::fabs(x) < kSplitLimit)) {
            // Whole already at this size: the range rule alone can change it.
            if (limiting && (x > max_int || x < min_int)) note_outside(i);
            const WarnMode kept = warn_mode;
            warn_mode = WARN_NONE;
            out[i] = do_restrict(x);
            warn_mode = kept;
            continue;
        }
        const double whole = static_cast<double>(static_cast<long long>(x));
        const double fraction = x - whole;
        double v = rounds && fraction != 0.0 ? rounding::round_fraction(rounding_mode, x, whole, fraction) : x;
        if (limiting && (v > max_int || v < min_int)) {
            note_outside(i);
            v = resolve_overflow(v, v > max_int);
        }
        out[i] = v == 0.0 ? 0.0 : v;  // never a negative zero
    }
    return outside;
}
