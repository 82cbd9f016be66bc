// The block loop on 16-bit integers carried in doubles.  A 16 x 16-bit
// multiply-add instruction forms two products and their sum in each 32-bit
// lane, so one instruction does two taps for a whole vector of outputs, where
// the double loop does one tap with a multiply and an add.  Every sum is
// exact (bounded below 2^31 by the coefficients), and so is every partial sum
// of the double loop, below 2^53: both give the same integer, and its double
// has the same bits.
//
// Pair i of a chunk holds sample i in its low half and sample i - 1 in its
// high half, and coefficient word p holds coeff[2p] and coeff[2p + 1] the
// same way, so the pairs from i = k + taps - 1 - 2p times word p give taps
// 2p and 2p + 1 of output k.
#include "filter/fir_block_pairs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace {

// Outputs per chunk: its samples and pairs stay in the first-level cache.
constexpr std::size_t kChunk = 2048;

struct PairsScratch {
    std::vector<std::int32_t> samples;  // the chunk's samples, oldest first
    std::vector<std::int32_t> pairs;
    std::vector<std::int32_t> words;  // coefficient pairs
    std::vector<std::int32_t> coeff;  // the coefficients as integers
    std::vector<double> packed_from;  // the coefficients words and coeff were made of
    bool packed = false;              // whether they could be
};

PairsScratch& pairs_scratch() {
    thread_local PairsScratch scratch;
    return scratch;
}

bool is_int16(double d) { return d >= -32768.0 && d <= 32767.0 && d == std::trunc(d); }

// False where a coefficient is no 16-bit integer or a sum of |coefficient|
// times the largest sample magnitude, 2^15, could reach 2^31.
bool pack(const double* coeff, std::size_t taps, PairsScratch& s) {
    double magnitude = 0.0;  // exact: integers far below 2^53
    for (std::size_t j = 0; j < taps; ++j) {
        if (!is_int16(coeff[j])) return false;
        magnitude += std::fabs(coeff[j]);
    }
    if (magnitude * 32768.0 >= 2147483648.0) return false;
    s.coeff.resize(taps);
    s.words.assign((taps + 1) / 2, 0);
    for (std::size_t j = 0; j < taps; ++j) {
        s.coeff[j] = static_cast<std::int32_t>(coeff[j]);
        const std::uint32_t half = static_cast<std::uint16_t>(s.coeff[j]);
        s.words[j / 2] = static_cast<std::int32_t>(static_cast<std::uint32_t>(s.words[j / 2]) | half << (16 * (j % 2)));
    }
    return true;
}

// Many kernels share one set and call block after block: a set equal in
// value to the last one packed (a negative zero packs as a zero) is not
// packed again.
bool pack_coefficients(const double* coeff, std::size_t taps, PairsScratch& s) {
    if (s.packed_from.size() == taps && std::equal(coeff, coeff + taps, s.packed_from.begin())) return s.packed;
    s.packed_from.assign(coeff, coeff + taps);
    s.packed = pack(coeff, taps, s);
    return s.packed;
}

// Samples from i on in units (scale: 1 / unit, exact); false at the first
// that is no 16-bit integer number of units.
inline bool convert_rest(const double* in, std::size_t i, std::size_t n, double scale, std::int32_t* x) {
    for (; i < n; ++i) {
        const double d = in[i] * scale;
        if (!is_int16(d)) return false;
        x[i] = static_cast<std::int32_t>(d);
    }
    return true;
}

// The first pair's high half is only ever multiplied by the zero that pads
// an odd tap count: 0 stands in for the sample before the chunk.
__attribute__((always_inline)) inline void make_pairs(const std::int32_t* x, std::size_t n, std::int32_t* q) {
    q[0] = static_cast<std::int32_t>(static_cast<std::uint32_t>(x[0]) & 0xffffu);
    for (std::size_t i = 1; i < n; ++i) {
        q[i] = static_cast<std::int32_t>((static_cast<std::uint32_t>(x[i]) & 0xffffu) |
                                         static_cast<std::uint32_t>(x[i - 1]) << 16);
    }
}

// Outputs from k to n of a chunk, one at a time.
inline void outputs_rest(const PairsScratch& s, std::size_t taps, std::size_t k, std::size_t n, double unit,
                         double* out, std::size_t stride) {
    for (; k < n; ++k) {
        std::int64_t acc = 0;
        const std::int32_t* x = s.samples.data() + k + taps - 1;
        for (std::size_t j = 0; j < taps; ++j) acc += std::int64_t{s.coeff[j]} * x[-static_cast<std::ptrdiff_t>(j)];
        out[k * stride] = static_cast<double>(acc) * unit;
    }
}

// Outputs k to k + W of a vector: side by side, or each stride apart
// (interpolation's branches).
#define ZEB_FIR_PAIRS_STORE(k, v)                                             \
    if (stride == 1) {                                                        \
        Ops::put(o + (k), v, run.unit);                                       \
    } else {                                                                  \
        double lanes[W];                                                      \
        Ops::put(lanes, v, run.unit);                                         \
        for (std::size_t i = 0; i < W; ++i) o[((k) + i) * stride] = lanes[i]; \
    }

// Chunk by chunk: samples converted and paired, then tiles of four vectors
// of outputs (four accumulators hide the add latency), single vectors, and
// single outputs.  One function per instruction set, Ops its operations.
#define ZEB_FIR_PAIRS_FORM(NAME, TARGET, OPS)                                                                          \
    TARGET std::size_t NAME(const double* coeff, const SampleRun& run, std::size_t taps, std::size_t count,            \
                            double* out, std::size_t stride) {                                                         \
        using Ops = OPS;                                                                                               \
        using Vec = Ops::Vec;                                                                                          \
        constexpr std::size_t W = Ops::kLanes;                                                                         \
        PairsScratch& s = pairs_scratch();                                                                             \
        if (taps == 0 || !pack_coefficients(coeff, taps, s)) return 0;                                                 \
        const std::size_t words = s.words.size();                                                                      \
        const double scale = 1.0 / run.unit;                                                                           \
        for (std::size_t done = 0; done < count; done += kChunk) {                                                     \
            const std::size_t n = std::min(kChunk, count - done);                                                      \
            const std::size_t width = n + taps - 1;                                                                    \
            s.samples.resize(width);                                                                                   \
            s.pairs.resize(width);                                                                                     \
            /* samples done to done + width: the part in the head, then the rest */                                    \
            const std::size_t in_head = done < run.head_count ? std::min(width, run.head_count - done) : 0;            \
            if (in_head > 0 && !Ops::convert(run.head + done, in_head, scale, s.samples.data())) return done;          \
            if (in_head < width && !Ops::convert(run.tail + (done + in_head - run.head_count), width - in_head, scale, \
                                                 s.samples.data() + in_head)) {                                        \
                return done;                                                                                           \
            }                                                                                                          \
            make_pairs(s.samples.data(), width, s.pairs.data());                                                       \
            double* o = out + done * stride;                                                                           \
            const std::int32_t* last = s.pairs.data() + taps - 1; /* pairs of output 0, word 0 */                      \
            std::size_t k = 0;                                                                                         \
            for (; k + 4 * W <= n; k += 4 * W) {                                                                       \
                Vec a0 = Ops::zero(), a1 = a0, a2 = a0, a3 = a0;                                                       \
                for (std::size_t p = 0; p < words; ++p) {                                                              \
                    const Vec w = Ops::broadcast(s.words[p]);                                                          \
                    const std::int32_t* q = last + k - 2 * p;                                                          \
                    a0 = Ops::madd_add(a0, Ops::load(q), w);                                                           \
                    a1 = Ops::madd_add(a1, Ops::load(q + W), w);                                                       \
                    a2 = Ops::madd_add(a2, Ops::load(q + 2 * W), w);                                                   \
                    a3 = Ops::madd_add(a3, Ops::load(q + 3 * W), w);                                                   \
                }                                                                                                      \
                ZEB_FIR_PAIRS_STORE(k, a0)                                                                             \
                ZEB_FIR_PAIRS_STORE(k + W, a1)                                                                         \
                ZEB_FIR_PAIRS_STORE(k + 2 * W, a2)                                                                     \
                ZEB_FIR_PAIRS_STORE(k + 3 * W, a3)                                                                     \
            }                                                                                                          \
            for (; k + W <= n; k += W) {                                                                               \
                Vec a = Ops::zero();                                                                                   \
                for (std::size_t p = 0; p < words; ++p) {                                                              \
                    a = Ops::madd_add(a, Ops::load(last + k - 2 * p), Ops::broadcast(s.words[p]));                     \
                }                                                                                                      \
                ZEB_FIR_PAIRS_STORE(k, a)                                                                              \
            }                                                                                                          \
            outputs_rest(s, taps, k, n, run.unit, o, stride);                                                          \
        }                                                                                                              \
        return count;                                                                                                  \
    }

#if defined(__x86_64__) && defined(__GNUC__)
#define ZEB_FIR_AVX2 __attribute__((target("avx2"), always_inline)) static inline
#define ZEB_FIR_AVX512 __attribute__((target("avx512f,avx512bw"), always_inline)) static inline

struct Avx2Ops {
    using Vec = __m256i;
    static constexpr std::size_t kLanes = 8;
    ZEB_FIR_AVX2 Vec zero() { return _mm256_setzero_si256(); }
    ZEB_FIR_AVX2 Vec load(const std::int32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    ZEB_FIR_AVX2 Vec broadcast(std::int32_t w) { return _mm256_set1_epi32(w); }
    ZEB_FIR_AVX2 Vec madd_add(Vec acc, Vec x, Vec w) { return _mm256_add_epi32(acc, _mm256_madd_epi16(x, w)); }
    // The vector's outputs as doubles, side by side.
    ZEB_FIR_AVX2 void put(double* out, Vec v, double unit) {
        const __m256d u = _mm256_set1_pd(unit);
        _mm256_storeu_pd(out, _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(v)), u));
        _mm256_storeu_pd(out + 4, _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(v, 1)), u));
    }
    ZEB_FIR_AVX2 bool convert(const double* in, std::size_t n, double scale, std::int32_t* x) {
        const __m256d by = _mm256_set1_pd(scale);
        const __m256d low = _mm256_set1_pd(-32768.0), high = _mm256_set1_pd(32767.0);
        __m256d ok = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
        std::size_t i = 0;
        for (; i + 4 <= n; i += 4) {
            const __m256d d = _mm256_mul_pd(_mm256_loadu_pd(in + i), by);
            const __m256d t = _mm256_round_pd(d, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
            ok = _mm256_and_pd(
                ok, _mm256_and_pd(_mm256_cmp_pd(d, t, _CMP_EQ_OQ), _mm256_and_pd(_mm256_cmp_pd(d, low, _CMP_GE_OQ),
                                                                                 _mm256_cmp_pd(d, high, _CMP_LE_OQ))));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(x + i), _mm256_cvttpd_epi32(d));
        }
        return _mm256_movemask_pd(ok) == 0xf && convert_rest(in, i, n, scale, x);
    }
};

// GCC 12 takes the undefined upper halves its AVX-512 intrinsics pass to
// their builtins for uninitialised variables.
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
struct Avx512Ops {
    using Vec = __m512i;
    static constexpr std::size_t kLanes = 16;
    ZEB_FIR_AVX512 Vec zero() { return _mm512_setzero_si512(); }
    ZEB_FIR_AVX512 Vec load(const std::int32_t* p) { return _mm512_loadu_si512(p); }
    ZEB_FIR_AVX512 Vec broadcast(std::int32_t w) { return _mm512_set1_epi32(w); }
    ZEB_FIR_AVX512 Vec madd_add(Vec acc, Vec x, Vec w) { return _mm512_add_epi32(acc, _mm512_madd_epi16(x, w)); }
    ZEB_FIR_AVX512 void put(double* out, Vec v, double unit) {
        const __m512d u = _mm512_set1_pd(unit);
        _mm512_storeu_pd(out, _mm512_mul_pd(_mm512_cvtepi32_pd(_mm512_castsi512_si256(v)), u));
        _mm512_storeu_pd(out + 8, _mm512_mul_pd(_mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(v, 1)), u));
    }
    ZEB_FIR_AVX512 bool convert(const double* in, std::size_t n, double scale, std::int32_t* x) {
        const __m512d by = _mm512_set1_pd(scale);
        const __m512d low = _mm512_set1_pd(-32768.0), high = _mm512_set1_pd(32767.0);
        __mmask8 ok = 0xff;
        std::size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            const __m512d d = _mm512_mul_pd(_mm512_loadu_pd(in + i), by);
            const __m512d t = _mm512_roundscale_pd(d, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
            ok &= _mm512_cmp_pd_mask(d, t, _CMP_EQ_OQ) & _mm512_cmp_pd_mask(d, low, _CMP_GE_OQ) &
                  _mm512_cmp_pd_mask(d, high, _CMP_LE_OQ);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(x + i), _mm512_cvttpd_epi32(d));
        }
        return ok == 0xff && convert_rest(in, i, n, scale, x);
    }
};

ZEB_FIR_PAIRS_FORM(avx2_pairs, __attribute__((target("avx2"))), Avx2Ops)
ZEB_FIR_PAIRS_FORM(avx512_pairs, __attribute__((target("avx512f,avx512bw"))), Avx512Ops)
#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

}  // namespace

CorePairs pairs_form(CoreForm form) {
    switch (form) {
#if defined(__x86_64__) && defined(__GNUC__)
        case CoreForm::avx512: return avx512_pairs;
        case CoreForm::avx2: return avx2_pairs;
#endif
        default: return nullptr;
    }
}
