// The block path of FirFilter: a block long enough is appended to the
// retained samples, and the outputs it completes are computed branch by
// branch with the block loops of fir_block_core.  Output m of the block sits
// at position u0 + (m + 1) M of the up-sampled stream (u0 that of the last
// output before it), so its newest sample is that position div L and its
// branch that position mod L: outputs m, m + L, m + 2L, ... share a branch and
// are M samples apart.  With M > 1 the stream is first split by position
// modulo M, so that each tap of those outputs reads consecutive samples.
#include <algorithm>
#include <cmath>
#include <type_traits>

#include "filter/fir_filter.h"

namespace {
// Shorter blocks take the per-output path, which copies nothing.
constexpr std::size_t kBlockMinimum = 32;

// Scratch of the block path, shared by every filter of a thread (a model
// runs its kernels one after the other) so that it stays in cache, and
// reused from block to block.
template <typename T>
struct BlockScratch {
    std::vector<T> outputs;
    std::vector<T> phases;  // the stream split by position modulo M
    std::vector<const T*> tap_sources;
    std::vector<double> branch_coeff;
    std::vector<std::int64_t> branch_coeff_int;
    // Split sums: the high and low parts of the split stream and of a branch's coefficients.
    std::vector<std::int64_t> high, low, coeff_low;
    std::vector<const std::int64_t*> high_sources, low_sources;
};

template <typename T>
BlockScratch<T>& block_scratch() {
    thread_local BlockScratch<T> scratch;
    return scratch;
}

#if ZEB_FIR_HAVE_INT128
// x = high 2^shift + low, low in [0, 2^shift).
inline std::int64_t high_part(std::int64_t x, int shift) { return x >> shift; }  // arithmetic: rounds down
inline std::int64_t low_part(std::int64_t x, int shift) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(x) & ((std::uint64_t{1} << shift) - 1));
}

void split_stream(BlockScratch<wide_int>& scratch, const wide_int* stream, std::size_t n, int shift) {
    scratch.high.resize(n);
    scratch.low.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::int64_t x = static_cast<std::int64_t>(stream[i]);
        scratch.high[i] = high_part(x, shift);
        scratch.low[i] = low_part(x, shift);
    }
}

// One branch from split sums: its coefficients (branch_coeff_int) split, and
// each tap source moved to the same place in the split stream.
bool split_branch(BlockScratch<wide_int>& scratch, const wide_int* stream, std::size_t taps, std::size_t count,
                  int shift, wide_int* out, std::size_t stride) {
    std::vector<std::int64_t>& coeff_high = scratch.branch_coeff_int;  // split in place
    scratch.coeff_low.resize(taps);
    scratch.high_sources.resize(taps);
    scratch.low_sources.resize(taps);
    for (std::size_t j = 0; j < taps; ++j) {
        scratch.coeff_low[j] = low_part(coeff_high[j], shift);
        coeff_high[j] = high_part(coeff_high[j], shift);
        const std::ptrdiff_t at = scratch.tap_sources[j] - stream;
        scratch.high_sources[j] = scratch.high.data() + at;
        scratch.low_sources[j] = scratch.low.data() + at;
    }
    return fir_block_core_split(coeff_high.data(), scratch.coeff_low.data(), scratch.high_sources.data(),
                                scratch.low_sources.data(), taps, count, shift, out, stride);
}
#endif
}  // namespace

template <typename T, typename C>
T* FirFilter<T, C>::block_output_room(std::size_t n) {
    std::vector<T>& outputs = block_scratch<T>().outputs;
    if (outputs.size() < n) outputs.resize(n);
    return outputs.data();
}

template <typename T, typename C>
bool FirFilter<T, C>::block_path_fits(std::size_t count) const {
    if constexpr (std::is_same<T, mpz_class>::value) {
        return false;  // GMP integers take the per-output path
    } else {
        if (count < kBlockMinimum || window_size < taps_per_phase ||
            static_cast<std::size_t>(window_start + window_size) > window.size()) {
            return false;
        }
        // Every tap must lie inside the retained window: a coefficient count
        // grown without a reset leaves that to the per-output path's clamp.
        const std::size_t L = static_cast<std::size_t>(rate_numerator);
        return (coefficients.size() + L - 1) / L <= static_cast<std::size_t>(taps_per_phase) + 1;
    }
}

template <typename T, typename C>
std::size_t FirFilter<T, C>::append_block(const T* input, std::size_t count) {
    const std::size_t needed = static_cast<std::size_t>(window_size) + count;
    if (static_cast<std::size_t>(window_start) + needed > window.size()) {
        std::copy(window.begin() + window_start, window.begin() + window_start + window_size, window.begin());
        window_start = 0;
        if (window.size() < needed) window.resize(std::max(needed, 2 * window.size()));
    }
    std::copy(input, input + count, window.begin() + window_start + window_size);
    window_size += static_cast<std::ptrdiff_t>(count);
    const long long avail = window_size - taps_per_phase;
    return static_cast<std::size_t>((avail * rate_numerator + rate_numerator - 1 - phase) / rate_denominator);
}

template <typename T, typename C>
void FirFilter<T, C>::filter_block(std::size_t outputs, T* out) {
    if constexpr (!std::is_same<T, mpz_class>::value) {
        if (outputs == 0) return;
        const long long L = rate_numerator;
        const long long M = rate_denominator;
        const long long N = taps_per_phase;
        const long long K = static_cast<long long>(coefficients.size());
        BlockScratch<T>& scratch = block_scratch<T>();
        std::vector<T>& phases = scratch.phases;
        std::vector<const T*>& tap_sources = scratch.tap_sources;
        const T* stream = window.data() + window_start;
        const long long u0 = (N - 1) * L + phase;

        // Phase r of the split stream holds positions r, r + M, ...; with
        // W = a M + b samples, it starts after r a + min(r, b) others.
        const long long W = window_size;
        if (M > 1) {
            phases.resize(static_cast<std::size_t>(W));
            T* next = phases.data();
            for (long long r = 0; r < M; ++r) {
                for (long long pos = r; pos < W; pos += M) *next++ = stream[pos];
            }
        }
        auto source = [&](long long pos) -> const T* {
            if (M == 1) return stream + pos;
            const long long r = pos % M;
            return phases.data() + r * (W / M) + std::min(r, W % M) + pos / M;
        };

        // 128-bit kernels whose sums split: the stream is split once per block.
        bool split = false;
#if ZEB_FIR_HAVE_INT128
        if constexpr (std::is_same<T, wide_int>::value) {
            split = split_shift > 0 && fir_block_core_splits();
            if (split) split_stream(scratch, M > 1 ? phases.data() : stream, static_cast<std::size_t>(W), split_shift);
        }
#endif
        const long long classes = std::min<long long>(L, static_cast<long long>(outputs));
        for (long long rho = 0; rho < classes; ++rho) {
            const long long u = u0 + (rho + 1) * M;  // never negative: every output consumes a sample
            const long long newest = u / L;
            const long long branch = u % L;
            const std::size_t count = (outputs - static_cast<std::size_t>(rho) + static_cast<std::size_t>(L) - 1) /
                                      static_cast<std::size_t>(L);
            const long long taps = branch < K ? (K - branch + L - 1) / L : 0;
            tap_sources.resize(static_cast<std::size_t>(taps));
            for (long long j = 0; j < taps; ++j) tap_sources[static_cast<std::size_t>(j)] = source(newest - j);
            if constexpr (std::is_same<T, double>::value) {
                std::vector<double>& branch_coeff = scratch.branch_coeff;
                branch_coeff.resize(static_cast<std::size_t>(taps));
                for (long long j = 0; j < taps; ++j) {
                    branch_coeff[static_cast<std::size_t>(j)] = coefficients[static_cast<std::size_t>(branch + j * L)];
                }
                // Without decimation tap j reads the sample after tap j + 1's,
                // so the taps read one run of samples: 16-bit samples may go
                // through the pairs loop.
                std::size_t done = 0;
                if (small_samples && M == 1 && taps > 0) {
                    const std::size_t span = count + static_cast<std::size_t>(taps) - 1;
                    done = fir_block_core_pairs(
                        branch_coeff.data(), SampleRun{tap_sources[0] - (taps - 1), span, nullptr, sample_unit},
                        static_cast<std::size_t>(taps), count, out + rho, static_cast<std::size_t>(L));
                    for (const double*& s : tap_sources) s += done;
                }
                fir_block_core(branch_coeff.data(), tap_sources.data(), static_cast<std::size_t>(taps), count - done,
                               out + rho + done * static_cast<std::size_t>(L), static_cast<std::size_t>(L));
            } else {
                std::vector<std::int64_t>& branch_coeff_int = scratch.branch_coeff_int;
                branch_coeff_int.resize(static_cast<std::size_t>(taps));
                for (long long j = 0; j < taps; ++j) {
                    branch_coeff_int[static_cast<std::size_t>(j)] =
                        fir_filter_detail::int64_coefficient(coefficients[static_cast<std::size_t>(branch + j * L)]);
                }
                bool done = false;
#if ZEB_FIR_HAVE_INT128
                if constexpr (std::is_same<T, wide_int>::value) {
                    done =
                        split && split_branch(scratch, M > 1 ? phases.data() : stream, static_cast<std::size_t>(taps),
                                              count, split_shift, out + rho, static_cast<std::size_t>(L));
                }
#endif
                if (!done) {
                    fir_block_core(branch_coeff_int.data(), tap_sources.data(), static_cast<std::size_t>(taps), count,
                                   out + rho, static_cast<std::size_t>(L));
                }
            }
        }

        // Consume as the per-output path does: keep the last window and
        // what follows it.
        const long long last = u0 + static_cast<long long>(outputs) * M;
        phase = static_cast<int>(last % L);
        const long long drop = last / L - N + 1;
        window_start += drop;
        window_size -= drop;
        sync_pending = true;
    } else {
        (void)outputs;
        (void)out;
    }
}

template <typename T, typename C>
void FirFilter<T, C>::filter_block_direct(const T* input, std::size_t count, std::size_t outputs, T* out) {
    if constexpr (std::is_same<T, double>::value) {
        // Output m's newest sample is retained sample N + m, counting the
        // block on from the window's end; its oldest, N + m - (K - 1), is
        // never before the window (block_path_fits).
        const std::ptrdiff_t N = taps_per_phase;
        const std::size_t K = coefficients.size();
        const std::ptrdiff_t first = N - static_cast<std::ptrdiff_t>(K - 1);
        const SampleRun run{window.data() + window_start + first, static_cast<std::size_t>(window_size - first), input,
                            sample_unit};
        const std::size_t done = fir_block_core_pairs(coefficients.data(), run, K, outputs, out, 1);
        const std::ptrdiff_t drop = static_cast<std::ptrdiff_t>(outputs);
        if (done < outputs) {
            // The double loop does the rest from the window, block appended.
            append_block(input, count);
            std::vector<const T*>& tap_sources = block_scratch<T>().tap_sources;
            tap_sources.resize(K);
            const T* newest = window.data() + window_start + N + static_cast<std::ptrdiff_t>(done);
            for (std::size_t j = 0; j < K; ++j) tap_sources[j] = newest - j;
            fir_block_core(coefficients.data(), tap_sources.data(), K, outputs - done, out + done, 1);
            window_start += drop;
            window_size -= drop;
        } else if (drop < window_size) {
            // A block shorter than the window: all of it stays.
            window_start += drop;
            window_size -= drop;
            append_block(input, count);
        } else {
            const std::size_t skip = static_cast<std::size_t>(drop - window_size);
            window_start = 0;
            window_size = 0;
            append_block(input + skip, count - skip);
        }
        sync_pending = true;
    } else {
        (void)input, (void)count, (void)outputs, (void)out;
    }
}

#if ZEB_FIR_HAVE_INT128
bool sums_fit(const std::vector<double>& coefficients, int rate_numerator, std::uint64_t max_abs_sample, int bits) {
    using Unsigned = unsigned __int128;
    constexpr double word = 9223372036854775808.0;  // 2^63
    if (rate_numerator <= 0 || max_abs_sample > (std::uint64_t{1} << 63) || bits < 1 || bits > 126) return false;
    const Unsigned limit = Unsigned{1} << bits;
    const std::size_t stride = static_cast<std::size_t>(rate_numerator);
    for (std::size_t branch = 0; branch < stride; ++branch) {
        Unsigned sum = 0;  // at most 2^63 per term: no overflow below 2^65 terms
        for (std::size_t i = branch; i < coefficients.size(); i += stride) {
            const double c = coefficients[i];
            if (!(std::fabs(c) < word)) return false;
            const std::int64_t v = static_cast<std::int64_t>(c);
            sum += v < 0 ? Unsigned(0) - static_cast<Unsigned>(v) : static_cast<Unsigned>(v);
        }
        if (max_abs_sample != 0 && sum > (limit - 1) / max_abs_sample) return false;
    }
    return true;
}
#endif

#if ZEB_FIR_HAVE_INT128
bool split_sums_fit(const std::vector<double>& coefficients, int rate_numerator, std::uint64_t max_abs_sample,
                    int shift) {
    using Unsigned = unsigned __int128;
    constexpr double word = 9223372036854775808.0;  // 2^63
    constexpr Unsigned limit = Unsigned{1} << 63;
    constexpr std::int64_t part_limit = std::int64_t{1} << 31;  // parts are 32-bit integers
    if (rate_numerator <= 0 || shift < 1 || shift > 31 || max_abs_sample > (std::uint64_t{1} << 63)) return false;
    // A sample's high part lies in [-(X >> shift) - 1, X >> shift], its low part below 2^shift.
    const Unsigned sample_high = (max_abs_sample >> shift) + 1;
    const Unsigned low_top = (Unsigned{1} << shift) - 1;
    if (sample_high > static_cast<Unsigned>(part_limit)) return false;
    const std::size_t stride = static_cast<std::size_t>(rate_numerator);
    for (std::size_t branch = 0; branch < stride; ++branch) {
        Unsigned a = 0, b = 0, c = 0;  // bounds of the three sums, each term below 2^64
        for (std::size_t i = branch; i < coefficients.size(); i += stride) {
            if (!(std::fabs(coefficients[i]) < word)) return false;
            const std::int64_t v = static_cast<std::int64_t>(coefficients[i]);
            const std::int64_t high = high_part(v, shift);
            if (high < -part_limit || high >= part_limit) return false;
            const Unsigned high_mag = static_cast<Unsigned>(high < 0 ? -high : high);
            const Unsigned low = static_cast<Unsigned>(low_part(v, shift));
            a += sample_high * high_mag;
            b += sample_high * low + low_top * high_mag;
            c += low_top * low;
            if (a >= limit || b >= limit || c >= limit) return false;
        }
    }
    return true;
}
#endif

#define ZEB_FIR_BLOCK_PATH(T)                                                                        \
    template T* FirFilter<T, double>::block_output_room(std::size_t);                                \
    template void FirFilter<T, double>::filter_block_direct(const T*, std::size_t, std::size_t, T*); \
    template bool FirFilter<T, double>::block_path_fits(std::size_t) const;                          \
    template std::size_t FirFilter<T, double>::append_block(const T*, std::size_t);                  \
    template void FirFilter<T, double>::filter_block(std::size_t, T*);
ZEB_FIR_BLOCK_PATH(double)
ZEB_FIR_BLOCK_PATH(mpz_class)
ZEB_FIR_BLOCK_PATH(std::int64_t)
#if ZEB_FIR_HAVE_INT128
ZEB_FIR_BLOCK_PATH(wide_int)
#endif
