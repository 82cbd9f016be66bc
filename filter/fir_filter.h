// Streaming polyphase FIR filter changing the sample rate by L/M (L output
// steps per M input samples).  Instantiated for double samples, for GMP
// integer samples, for 64-bit integer samples whose sums fit 63 bits and,
// where the compiler has them, for 128-bit integer samples holding 64-bit
// values; coefficients are doubles in all of them.
#ifndef ZEB_FIR_FILTER_FIR_FILTER_H
#define ZEB_FIR_FILTER_FIR_FILTER_H

#include <gmpxx.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "filter/fir_block_core.h"
#include "filter/fir_filter_exception.h"

#if ZEB_FIR_HAVE_INT128
// Whether every product and partial sum of these coefficients with samples
// of magnitude at most max_abs_sample (at most 2^63) stays below 2^bits in
// magnitude (bits at most 126): every coefficient, truncated toward zero,
// fits 64 bits and each branch's sum of |coefficient| * max_abs_sample stays
// below 2^bits.  With 63 bits FirFilter<std::int64_t>, with 126 bits
// FirFilter<wide_int>, computes exactly what FirFilter<mpz_class> does.
bool sums_fit(const std::vector<double>& coefficients, int rate_numerator, std::uint64_t max_abs_sample, int bits);
// Whether samples of magnitude at most max_abs_sample and these coefficients
// (truncated toward zero), split at bit shift, have 32-bit parts and three
// split sums per branch (fir_block_core_split) that stay below 2^63.
bool split_sums_fit(const std::vector<double>& coefficients, int rate_numerator, std::uint64_t max_abs_sample,
                    int shift);
#endif

template <typename T, typename C = double>
class FirFilter {
public:
    using ChangeConfigHandler = int (*)(void*);

    // Throws FirFilterException "Invalid Filter rate" (checked first) or
    // "Invalid Filter coefficients".
    FirFilter(const std::vector<C>& coefficients, int rate_numerator, int rate_denominator);
    virtual ~FirFilter();

    FirFilter(const FirFilter&) = default;
    FirFilter(FirFilter&&) = default;
    FirFilter& operator=(const FirFilter&) = default;
    FirFilter& operator=(FirFilter&&) = default;

    // Appends the outputs the block completes to output.
    virtual void run(const std::vector<T>& input, std::vector<T>& output);
    // The same on count samples, appending the outputs with
    // output.extend(n) (a pointer to n new slots) where Out has it, else one
    // by one with output.push_back(const T&).
    template <typename Out>
    void run(const T* input, std::size_t count, Out& output);
    // Feeds count samples with the effect of count one-sample runs, for a
    // handler that has nothing to apply: the handler is called at most once,
    // first, and is due afterwards exactly when the last sample completed an
    // output.
    template <typename Out>
    void run_samples(const T* input, std::size_t count, Out& output);
    // run(&x, 1, output), with a short path for the usual state of a single
    // rate double kernel whose sums are exact (a full window).
    template <typename Out>
    void run_one(const T& x, Out& output);

    virtual void reset();
    virtual double calcGain() const;
    // Neither form resets: the retained window keeps its length until reset.
    virtual void setCoefficients(const std::vector<C>& coefficients);
    virtual void setCoefficients(const C* coefficients, int count);
    virtual std::vector<C>& getCoefficients();
    virtual void setRate(int rate_numerator, int rate_denominator);
    virtual int getRateNumerator() const;
    virtual int getRateDenominator() const;
    virtual void set_change_config_handler(ChangeConfigHandler handler, void* arg);

    // Every product and partial sum the filter forms is exact (integers
    // below 2^53 in doubles): sums may then be formed in any order, which
    // gives the same bits, and one output's sum need not be one chain.
    void set_any_order(bool any) { any_order = any; }
    // Double kernels: every sample is a 16-bit integer times unit (a power of
    // two), so the block path tries the pairs loop (fir_block_core_pairs).
    void set_small_samples(bool small, double unit = 1.0) {
        small_samples = small;
        sample_unit = unit;
    }
    // 128-bit kernels: the block path may split samples and coefficients at
    // bit `shift` (0: never), which split_sums_fit must have allowed.
    void set_split_shift(int shift) { split_shift = shift; }

    // True when the handler is due before the next sample is consumed.
    bool is_sync_pending() const { return sync_pending; }
    // For a caller that knows the handler would find nothing to apply: a
    // due synchronisation point passes as the handler's call would pass it.
    void pass_idle_sync_point() {
        if (change_config_handler != nullptr) sync_pending = false;
    }

private:
    // Progress through one block.  Stream positions count from the first
    // retained sample (position 0); positions from held onward are the block.
    struct Block {
        const T* input;
        std::size_t count;
        std::ptrdiff_t held;    // retained samples when the block started
        std::ptrdiff_t newest;  // newest sample of the current window
        std::ptrdiff_t avail;   // samples after newest
        std::ptrdiff_t step;    // of the pending output
        int branch;             // of the pending output
    };

    // Calls the handler when it is due.
    void sync_if_due() {
        if (sync_pending && change_config_handler != nullptr) {
            change_config_handler(change_config_arg);  // may reconfigure this filter
            sync_pending = false;
        }
    }
    Block begin_block(const T* input, std::size_t count);
    // Computes the next output into sum; false when the block is used up.
    bool compute_next(Block& block);
    void commit(Block& block) {
        block.newest += block.step;
        block.avail -= block.step;
        phase = block.branch;
        sync_pending = true;
    }
    // Keeps the last window and the unconsumed samples for the next block.
    void end_block(Block& block);
    void append_window(const T& sample);
    // Room for one sample after the retained ones.
    void make_window_room();
    // The retained samples to the front of the window, grown if need be.
    void compact_window();
    // sum = coeff[0] newest[0] + coeff[L] newest[-1] + ... over taps terms;
    // terms from index reachable on take oldest (the first stream sample).
    void accumulate(const C* coeff, std::ptrdiff_t taps, const T* newest, std::ptrdiff_t reachable, const T& oldest);

    // Block path: the block is appended to the retained samples and every
    // output it completes is computed branch by branch (fir_filter_block.cpp).
    bool block_path_fits(std::size_t count) const;
    // Appends the block; returns the number of outputs it completes.
    std::size_t append_block(const T* input, std::size_t count);
    // Computes those outputs into out and consumes the samples they used.
    void filter_block(std::size_t outputs, T* out);
    // Single rate with 16-bit samples: the pairs loop reads the retained
    // samples and the block where they lie, so the block is copied only
    // where they are not 16-bit integers after all.
    bool direct_block_fits() const {
        return std::is_same<T, double>::value && small_samples && rate_numerator == 1 && rate_denominator == 1;
    }
    // The outputs the retained samples and the block complete, computed into
    // out; the block's unconsumed samples are retained.
    void filter_block_direct(const T* input, std::size_t count, std::size_t outputs, T* out);
    template <typename Out>
    void run_block(const T* input, std::size_t count, Out& output);
    // Room for n outputs of a block bound for a container without extend
    // (shared by the filters of a thread, reused from block to block).
    static T* block_output_room(std::size_t n);

    int rate_numerator;
    int rate_denominator;
    int step_quotient;
    int step_remainder;
    int taps_per_phase;
    int phase;
    // The retained samples are window[window_start, window_start + window_size).
    // During a block the same range also holds the block samples copied so
    // far, so it is always a prefix of the stream.  Slots outside the range
    // are spare and reused by assignment (GMP integers keep their limbs).
    std::vector<T> window;
    std::ptrdiff_t window_start;
    std::ptrdiff_t window_size;
    std::vector<C> coefficients;
    ChangeConfigHandler change_config_handler;
    void* change_config_arg;
    bool sync_pending;
    bool any_order = false;
    bool small_samples = false;
    double sample_unit = 1.0;
    int split_shift = 0;
    T sum;               // the output being formed
    T wide_coefficient;  // scratch for coefficients beyond the machine word
};

#include "filter/fir_filter_stream.h"

extern template class FirFilter<double, double>;
extern template class FirFilter<mpz_class, double>;
extern template class FirFilter<std::int64_t, double>;
#if ZEB_FIR_HAVE_INT128
extern template class FirFilter<wide_int, double>;
#endif

#endif
