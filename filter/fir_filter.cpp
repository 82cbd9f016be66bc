// Rate-changing FIR filter: construction, rate and coefficient setters,
// reset and gain.  The streaming part is in fir_filter_stream.h.
#include "filter/fir_filter.h"

#include <cmath>

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
        for (std::size_t i = static_cast<std::size_t>(branch); i < count;
             i += static_cast<std::size_t>(rate_numerator)) {
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

template class FirFilter<double, double>;
template class FirFilter<mpz_class, double>;
template class FirFilter<std::int64_t, double>;
#if ZEB_FIR_HAVE_INT128
template class FirFilter<wide_int, double>;
#endif
