// How a block of samples is consumed: the streaming part of FirFilter,
// kept inline so one-sample blocks cost no calls.  Included by fir_filter.h.
#ifndef ZEB_FIR_FILTER_FIR_FILTER_STREAM_H
#define ZEB_FIR_FILTER_FIR_FILTER_STREAM_H

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>
#include <utility>

namespace fir_filter_detail {

// acc += trunc(c) * s exactly.  Coefficients that fit a machine word take
// the word path (no temporary); wider ones go through mpz_set_d.  A
// non-finite coefficient has no integer value and adds nothing (mpz_set_d
// would abort the process on it).
inline void add_product(mpz_class& acc, const mpz_class& s, double c, mpz_class& wide) {
    constexpr double word_limit = static_cast<double>(std::numeric_limits<long>::max()) + 1.0;  // 2^63
    if (c > -word_limit && c < word_limit) {
        const long whole = static_cast<long>(c);  // truncates toward zero
        if (whole >= 0) {
            mpz_addmul_ui(acc.get_mpz_t(), s.get_mpz_t(), static_cast<unsigned long>(whole));
        } else {
            mpz_submul_ui(acc.get_mpz_t(), s.get_mpz_t(), -static_cast<unsigned long>(whole));
        }
    } else if (std::isfinite(c)) {
        mpz_set_d(wide.get_mpz_t(), c);
        mpz_addmul(acc.get_mpz_t(), s.get_mpz_t(), wide.get_mpz_t());
    }
}

// A coefficient truncated toward zero to 64 bits; one that does not fit (never
// the case where sums_fit holds) adds nothing, like a non-finite one above.
inline std::int64_t int64_coefficient(double c) {
    constexpr double limit = 9223372036854775808.0;  // 2^63
    return c > -limit && c < limit ? static_cast<std::int64_t>(c) : 0;
}

#if ZEB_FIR_HAVE_INT128

inline wide_int product(double c, const wide_int& s) {
    return static_cast<wide_int>(int64_coefficient(c)) * static_cast<wide_int>(static_cast<std::int64_t>(s));
}
#endif

// Whether an output container offers extend(n).
template <typename Out, typename = void>
struct has_extend : std::false_type {};
template <typename Out>
struct has_extend<Out, std::void_t<decltype(std::declval<Out&>().extend(std::size_t{}))>> : std::true_type {};

}  // namespace fir_filter_detail

template <typename T, typename C>
template <typename Out>
void FirFilter<T, C>::run(const T* input, std::size_t count, Out& output) {
    if (count == 0) {
        return;
    }
    sync_if_due();
    if (block_path_fits(count)) {
        run_block(input, count, output);
        return;
    }
    Block block = begin_block(input, count);
    try {
        while (compute_next(block)) {
            output.push_back(sum);
            commit(block);
        }
    } catch (...) {
        end_block(block);  // stay consistent with the outputs delivered
        throw;
    }
    end_block(block);
}

template <typename T, typename C>
template <typename Out>
inline void FirFilter<T, C>::run_one(const T& x, Out& output) {
    if constexpr (std::is_same<T, double>::value) {
        sync_if_due();  // first: the handler may change the filter
        const std::ptrdiff_t N = taps_per_phase;
        const std::size_t K = coefficients.size();
        if (any_order && rate_numerator == 1 && rate_denominator == 1 && window_size == N &&
            K <= static_cast<std::size_t>(N) + 1 && static_cast<std::size_t>(window_start + N) <= window.size()) {
            // What run does: the sample completes one output over the whole
            // window, which then keeps its last N samples.  The new sample's
            // product comes from the register: a vector load over the sample
            // just stored would wait for the store.  Only window_start moves:
            // start and size, stored one by one and then updated together,
            // would be loaded as one 16-byte word the store buffer cannot
            // forward, which stalls every call.
            make_window_room();
            window[static_cast<std::size_t>(window_start + N)] = x;
            const double* older = window.data() + window_start + N - 1;
            output.push_back(fir_exact_dot(coefficients.data() + 1, older, K - 1) + coefficients[0] * x);
            ++window_start;
            sync_pending = true;
            return;
        }
    }
    run(&x, 1, output);
}

template <typename T, typename C>
template <typename Out>
void FirFilter<T, C>::run_samples(const T* input, std::size_t count, Out& output) {
    run(input, count, output);
    // One-sample runs leave the handler due only after a run that produced
    // output, and a run's output always reaches its sample: due exactly
    // when no sample is left unconsumed.
    if (count > 0 && change_config_handler != nullptr) sync_pending = window_size == taps_per_phase;
}

template <typename T, typename C>
template <typename Out>
void FirFilter<T, C>::run_block(const T* input, std::size_t count, Out& output) {
    const bool direct = direct_block_fits();
    const std::size_t outputs =
        direct ? static_cast<std::size_t>(window_size - taps_per_phase) + count : append_block(input, count);
    T* room = nullptr;
    if constexpr (fir_filter_detail::has_extend<Out>::value) {
        room = output.extend(outputs);
    } else {
        room = block_output_room(outputs);
    }
    if (direct) {
        filter_block_direct(input, count, outputs, room);
    } else {
        filter_block(outputs, room);
    }
    if constexpr (!fir_filter_detail::has_extend<Out>::value) {
        for (std::size_t i = 0; i < outputs; ++i) output.push_back(room[i]);
    }
}

template <typename T, typename C>
inline typename FirFilter<T, C>::Block FirFilter<T, C>::begin_block(const T* input, std::size_t count) {
    if (static_cast<std::size_t>(window_start + window_size) > window.size()) {
        // Only a moved-from filter gets here: its samples are gone, so
        // start from an empty stream rather than read past the buffer.
        window_start = 0;
        window_size = 0;
    }
    Block block;
    block.input = input;
    block.count = count;
    block.held = window_size;
    block.newest = taps_per_phase - 1;
    block.avail = window_size + static_cast<std::ptrdiff_t>(count) - taps_per_phase;
    block.step = 0;
    block.branch = 0;
    return block;
}

template <typename T, typename C>
inline bool FirFilter<T, C>::compute_next(Block& block) {
    int branch = phase + step_remainder;
    std::ptrdiff_t step = step_quotient;
    if (branch >= rate_numerator) {
        branch -= rate_numerator;
        ++step;
    }
    if (block.avail < step) {
        return false;
    }
    block.step = step;
    block.branch = branch;

    const std::size_t count = coefficients.size();
    if (static_cast<std::size_t>(branch) >= count) {
        sum = 0;
        return true;
    }
    const std::size_t stride = static_cast<std::size_t>(rate_numerator);
    const std::ptrdiff_t taps =
        static_cast<std::ptrdiff_t>((count - static_cast<std::size_t>(branch) + stride - 1) / stride);
    const C* coeff = coefficients.data() + branch;
    const std::ptrdiff_t newest = block.newest + step;

    if (newest - (taps - 1) >= block.held) {
        // The whole window lies in the block: read it in place.
        const T* last = block.input + (newest - block.held);
        accumulate(coeff, taps, last, taps, *last);
        return true;
    }
    // The window reaches the retained samples: extend the buffered stream
    // up to the newest sample and read it there.  Taps before the start of
    // the stream read its first sample.
    const std::ptrdiff_t needed = std::max<std::ptrdiff_t>(newest, 0);
    while (window_size <= needed) {
        append_window(block.input[window_size - block.held]);
    }
    const T* first = window.data() + window_start;
    const std::ptrdiff_t reachable = std::min(taps, newest + 1);
    accumulate(coeff, taps, reachable > 0 ? first + newest : first, reachable, *first);
    return true;
}

template <typename T, typename C>
inline void FirFilter<T, C>::accumulate(const C* coeff, std::ptrdiff_t taps, const T* newest, std::ptrdiff_t reachable,
                                        const T& oldest) {
    const std::ptrdiff_t stride = rate_numerator;
    if constexpr (std::is_same<T, mpz_class>::value) {
        mpz_set_ui(sum.get_mpz_t(), 0);
        std::ptrdiff_t j = 0;
        for (; j < reachable; ++j) {
            fir_filter_detail::add_product(sum, newest[-j], static_cast<double>(coeff[j * stride]), wide_coefficient);
        }
        for (; j < taps; ++j) {
            fir_filter_detail::add_product(sum, oldest, static_cast<double>(coeff[j * stride]), wide_coefficient);
        }
    } else if constexpr (std::is_same<T, std::int64_t>::value) {
        // Exact in any order while sums_fit holds for 63 bits.
        T acc = 0;
        std::ptrdiff_t j = 0;
        for (; j < reachable; ++j) {
            acc += fir_filter_detail::int64_coefficient(static_cast<double>(coeff[j * stride])) * newest[-j];
        }
        for (; j < taps; ++j) {
            acc += fir_filter_detail::int64_coefficient(static_cast<double>(coeff[j * stride])) * oldest;
        }
        sum = acc;
#if ZEB_FIR_HAVE_INT128
    } else if constexpr (std::is_same<T, wide_int>::value) {
        // Exact in any order while sums_fit holds for 126 bits.
        T acc = 0;
        std::ptrdiff_t j = 0;
        for (; j < reachable; ++j) {
            acc += fir_filter_detail::product(static_cast<double>(coeff[j * stride]), newest[-j]);
        }
        for (; j < taps; ++j) {
            acc += fir_filter_detail::product(static_cast<double>(coeff[j * stride]), oldest);
        }
        sum = acc;
#endif
    } else {
        if (any_order && reachable == taps) {
            // Exact sums: four chains of adds finish sooner than one.
            T a0 = 0, a1 = 0, a2 = 0, a3 = 0;
            std::ptrdiff_t j = 0;
            for (; j + 4 <= taps; j += 4) {
                a0 = a0 + coeff[j * stride] * newest[-j];
                a1 = a1 + coeff[(j + 1) * stride] * newest[-j - 1];
                a2 = a2 + coeff[(j + 2) * stride] * newest[-j - 2];
                a3 = a3 + coeff[(j + 3) * stride] * newest[-j - 3];
            }
            for (; j < taps; ++j) a0 = a0 + coeff[j * stride] * newest[-j];
            sum = (a0 + a1) + (a2 + a3);
            return;
        }
        // Newest sample first, each product and sum rounded on its own.
        T acc = 0;
        std::ptrdiff_t j = 0;
        for (; j < reachable; ++j) {
            acc = acc + coeff[j * stride] * newest[-j];
        }
        for (; j < taps; ++j) {
            acc = acc + coeff[j * stride] * oldest;
        }
        sum = acc;
    }
}

template <typename T, typename C>
inline void FirFilter<T, C>::end_block(Block& block) {
    // Keep the last window (taps_per_phase samples ending at the newest
    // consumed one) and everything after it.
    const std::ptrdiff_t start = block.newest - taps_per_phase + 1;
    std::ptrdiff_t next = window_size;
    if (start < window_size) {
        window_start += start;
        window_size -= start;
    } else {
        window_start = 0;
        window_size = 0;
        next = start;
    }
    const std::ptrdiff_t end = block.held + static_cast<std::ptrdiff_t>(block.count);
    for (; next < end; ++next) {
        append_window(block.input[next - block.held]);
    }
}

template <typename T, typename C>
inline void FirFilter<T, C>::append_window(const T& sample) {
    make_window_room();
    window[static_cast<std::size_t>(window_start + window_size)] = sample;
    ++window_size;
}

template <typename T, typename C>
inline void FirFilter<T, C>::make_window_room() {
    if (static_cast<std::size_t>(window_start + window_size) == window.size()) compact_window();
}

template <typename T, typename C>
void FirFilter<T, C>::compact_window() {
    const std::ptrdiff_t room = static_cast<std::ptrdiff_t>(window.size());
    // Grow unless compaction frees three times the live part, so the
    // copying stays a third of the samples appended.
    if (4 * window_size >= room) {
        window.resize(static_cast<std::size_t>(std::max<std::ptrdiff_t>(2 * room, 4)));
    }
    if constexpr (std::is_same<T, mpz_class>::value) {
        // Swapping keeps every GMP integer's limbs for reuse.
        std::rotate(window.begin(), window.begin() + window_start, window.begin() + window_start + window_size);
    } else {
        std::copy(window.begin() + window_start, window.begin() + window_start + window_size, window.begin());
    }
    window_start = 0;
}

#endif
