// Rate-changing FIR filter: configuration, reset and the streaming loop.
#include "filter/fir_filter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

namespace {

// acc += trunc(c) * s exactly.  Coefficients that fit a machine word take
// the word path (no temporary); wider ones go through mpz_set_d.  A
// non-finite coefficient has no integer value and adds nothing (mpz_set_d
// would abort the process on it).
void add_product(mpz_class& acc, const mpz_class& s, double c, mpz_class& wide) {
    static const double word_limit = std::ldexp(1.0, std::numeric_limits<long>::digits);
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

}  // namespace

template <typename T, typename C>
FirFilter<T, C>::FirFilter(const std::vector<C>& coefficients_, int rate_numerator_, int rate_denominator_)
    : rate_numerator(rate_numerator_),
      rate_denominator(rate_denominator_),
      step_quotient(0),
      step_remainder(0),
      taps_per_phase(0),
      phase(0),
      window(),
      window_start(0),
      window_size(0),
      coefficients(),
      change_config_handler(nullptr),
      change_config_arg(nullptr),
      sync_pending(true),
      sum(),
      wide_coefficient() {
    if (rate_numerator_ <= 0 || rate_denominator_ <= 0) {
        throw FirFilterException("Invalid Filter rate");
    }
    FirFilter::setCoefficients(coefficients_);
    FirFilter::reset();
}

template <typename T, typename C>
FirFilter<T, C>::~FirFilter() = default;

template <typename T, typename C>
void FirFilter<T, C>::reset() {
    sync_pending = true;
    step_quotient = rate_denominator / rate_numerator;
    step_remainder = rate_denominator % rate_numerator;
    taps_per_phase = static_cast<int>(coefficients.size() / static_cast<std::size_t>(rate_numerator));
    phase = rate_numerator > rate_denominator ? rate_numerator - rate_denominator : rate_numerator - 1;
    // Room for two windows plus a block step, so one-sample blocks rarely compact.
    const std::size_t room = 2 * static_cast<std::size_t>(taps_per_phase) + static_cast<std::size_t>(step_quotient) + 2;
    if (window.size() < room) {
        window.resize(room);
    }
    window_start = 0;
    window_size = taps_per_phase;
    for (std::ptrdiff_t i = 0; i < window_size; ++i) {
        window[static_cast<std::size_t>(i)] = 0;
    }
}

template <typename T, typename C>
double FirFilter<T, C>::calcGain() const {
    double best = 0.0;
    const std::size_t count = coefficients.size();
    for (int branch = 0; branch < rate_numerator; ++branch) {
        double total = 0.0;
        for (std::size_t i = static_cast<std::size_t>(branch); i < count; i += static_cast<std::size_t>(rate_numerator)) {
            total = total + std::fabs(static_cast<double>(coefficients[i]));
        }
        if (total > best) {
            best = total;
        }
    }
    return best;
}

template <typename T, typename C>
void FirFilter<T, C>::setCoefficients(const std::vector<C>& coefficients_) {
    if (coefficients_.empty()) {
        throw FirFilterException("Invalid Filter coefficients");
    }
    coefficients = coefficients_;
}

template <typename T, typename C>
void FirFilter<T, C>::setCoefficients(const C* coefficients_, int count) {
    if (count <= 0 || coefficients_ == nullptr) {
        throw FirFilterException("Invalid Filter coefficients");
    }
    // Built aside: the source may lie inside the current coefficients.
    std::vector<C> replacement(coefficients_, coefficients_ + count);
    coefficients.swap(replacement);
}

template <typename T, typename C>
std::vector<C>& FirFilter<T, C>::getCoefficients() {
    return coefficients;
}

template <typename T, typename C>
void FirFilter<T, C>::setRate(int rate_numerator_, int rate_denominator_) {
    if (rate_numerator_ <= 0 || rate_denominator_ <= 0) {
        throw FirFilterException("Invalid Filter rate");
    }
    rate_numerator = rate_numerator_;
    rate_denominator = rate_denominator_;
    reset();
}

template <typename T, typename C>
int FirFilter<T, C>::getRateNumerator() const {
    return rate_numerator;
}

template <typename T, typename C>
int FirFilter<T, C>::getRateDenominator() const {
    return rate_denominator;
}

template <typename T, typename C>
void FirFilter<T, C>::set_change_config_handler(ChangeConfigHandler handler, void* arg) {
    change_config_handler = handler;
    change_config_arg = arg;
}

template <typename T, typename C>
void FirFilter<T, C>::run(const std::vector<T>& input, std::vector<T>& output) {
    if (&input == &output) {
        // Appending would move the samples still to be read.
        const std::vector<T> samples(input);
        run(samples.data(), samples.size(), output);
        return;
    }
    run(input.data(), input.size(), output);
}

template <typename T, typename C>
typename FirFilter<T, C>::Block FirFilter<T, C>::begin_block(const T* input, std::size_t count) {
    if (sync_pending && change_config_handler != nullptr) {
        change_config_handler(change_config_arg);  // may reconfigure this filter
        sync_pending = false;
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
bool FirFilter<T, C>::compute_next(Block& block) {
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
    const std::ptrdiff_t taps = static_cast<std::ptrdiff_t>((count - static_cast<std::size_t>(branch) + stride - 1) / stride);
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
void FirFilter<T, C>::accumulate(const C* coeff, std::ptrdiff_t taps, const T* newest, std::ptrdiff_t reachable,
                                 const T& oldest) {
    const std::ptrdiff_t stride = rate_numerator;
    if constexpr (std::is_same<T, mpz_class>::value) {
        mpz_set_ui(sum.get_mpz_t(), 0);
        std::ptrdiff_t j = 0;
        for (; j < reachable; ++j) {
            add_product(sum, newest[-j], static_cast<double>(coeff[j * stride]), wide_coefficient);
        }
        for (; j < taps; ++j) {
            add_product(sum, oldest, static_cast<double>(coeff[j * stride]), wide_coefficient);
        }
    } else {
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
void FirFilter<T, C>::end_block(Block& block) {
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
void FirFilter<T, C>::append_window(const T& sample) {
    const std::ptrdiff_t room = static_cast<std::ptrdiff_t>(window.size());
    if (window_start + window_size == room) {
        // Grow when compaction would free less than the live part, so the
        // copying stays proportional to the samples appended.
        if (2 * window_size > room) {
            window.resize(static_cast<std::size_t>(std::max<std::ptrdiff_t>(2 * room, 4)));
        }
        std::rotate(window.begin(), window.begin() + window_start, window.begin() + window_start + window_size);
        window_start = 0;
    }
    window[static_cast<std::size_t>(window_start + window_size)] = sample;
    ++window_size;
}

template class FirFilter<double, double>;
template class FirFilter<mpz_class, double>;
