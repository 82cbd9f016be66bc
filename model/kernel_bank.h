// The filter kernels of a model in one arithmetic: one kernel per path and
// channel, their output buffers, the Hilbert in-phase lines, the scratch and
// the output rounding of that arithmetic.  The model picks the arithmetic
// once, at creation; everything after works through this interface.
#ifndef ZEB_FIR_MODEL_KERNEL_BANK_H
#define ZEB_FIR_MODEL_KERNEL_BANK_H

#include <gmpxx.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "fixedpoint/ffp_context.h"
#include "model/sample_fifo.h"
#include "model/slot_lane.h"
#include "model/zeb_logger.h"

// Doubles, exact 128-bit integers (64-bit ones where every sum fits them),
// exact GMP integers.
enum class Arithmetic : int { real = 0, int128 = 1, gmp = 2 };

struct BankShape {
    unsigned int paths;
    unsigned int channels;
    int rate_numerator;
    int rate_denominator;
    bool hilbert;
    std::size_t in_phase_delay;  // Hilbert: input samples to the centre tap
};

// How samples enter and leave the kernels.
struct BankFormats {
    double din_inv_scale;    // input integer units to input values: 2^-data_fract_width
    FFPContext dout_fmt;     // double mode: the output quantiser
    double dout_scale;       // a produced sample is divided by this before rounding
    RndMode out_rnd;         // the output rounding rule
    int out_shift;           // integer modes: bits the output rounding drops
    int output_width;        // integer modes: rounded outputs wrap into this many bits
    bool outputs_may_wrap;   // integer modes: some sum can round beyond the output range
    bool sums_fit_63_bits;   // 128-bit integer mode: every sum fits 64-bit kernels
    bool sums_exact;         // double mode: every product and partial sum is an exact double
    bool small_samples;      // double mode: every sample is a 16-bit integer in input LSBs (din_inv_scale)
    int split_shift;         // 128-bit integer mode: where sums may split (0: nowhere)
    double out_fract_scale;  // 2^output_fract_width
};

// Where integer outputs go: put(k, value) for the k-th sample taken.
class IntegerSink {
public:
    template <typename F>
    explicit IntegerSink(F& f)
        : context_(&f), call_([](void* c, std::size_t k, mpz_srcptr v) { (*static_cast<F*>(c))(k, v); }) {}
    void operator()(std::size_t k, mpz_srcptr v) const { call_(context_, k, v); }

private:
    void* context_;
    void (*call_)(void*, std::size_t, mpz_srcptr);
};

class KernelBank {
public:
    using SyncHandler = int (*)(void*);

    virtual ~KernelBank() = default;
    KernelBank(const KernelBank&) = delete;
    KernelBank& operator=(const KernelBank&) = delete;

    virtual Arithmetic arithmetic() const = 0;

    // One quantised sample (integer units of the input format) into the
    // kernel of (path, chan).
    virtual void feed(unsigned int path, unsigned int chan, double value) = 0;
    // count quantised samples with the effect of count single feeds, for a
    // synchronisation handler that has nothing to apply.
    virtual void feed_block(unsigned int path, unsigned int chan, const double* values, std::size_t count) = 0;

    // Makes room at once for what `inputs` more samples of (path, chan) can
    // produce, so that a whole packet fills its buffers without growing them.
    virtual void reserve(unsigned int path, unsigned int chan, std::size_t inputs) = 0;

    // Produced samples of (path, chan) not yet taken.
    virtual std::size_t buffered(unsigned int path, unsigned int chan) const = 0;
    // The oldest count samples of (path, chan), rounded to the output
    // format, as values, or as integers in units of the output LSB; then
    // removed.
    virtual void take_reals(unsigned int path, unsigned int chan, std::size_t count, double* values) = 0;
    virtual void take_integers(unsigned int path, unsigned int chan, std::size_t count, const IntegerSink& put) = 0;
    // The oldest sample as an integer into value, with the double mode's
    // notes when `notes` listens (`scaled`: the note of the scaled value too).
    virtual void take_integer_noted(unsigned int path, unsigned int chan, mpz_ptr value, ZebLogger& notes,
                                    bool scaled) = 0;
    // Every kernel's oldest count samples, rounded, into out: kernel (path,
    // chan) at out[k * paths * channels + path + paths * slot_of[chan]],
    // where every one of them needs no rounding beyond scaling; then
    // removed.  False, with nothing removed (out may be partly written),
    // where one does or where this bank has no such way (integer kernels,
    // Hilbert filters, fewer than 32 kernels).
    virtual bool take_rows_quietly(const unsigned int* /*slot_of*/, std::size_t /*count*/, double* /*out*/) {
        return false;
    }
    // Outputs that rounding took beyond the output range (they wrap, as the
    // hardware's output register does), counted over every take, and the
    // index of the first such sample within the last take that had one.
    std::uint64_t output_wraps() const { return output_wraps_; }
    std::size_t first_wrap_of_last_take() const { return first_wrap_; }

    // Starts fetching the oldest count samples of (path, chan) from memory.
    virtual void prefetch(unsigned int path, unsigned int chan, std::size_t count) const = 0;

    virtual void set_coefficients(unsigned int path, unsigned int chan, const std::vector<double>& set) = 0;
    // Empties the kernel of (path, chan); its buffered output stays.
    virtual void restart(unsigned int path, unsigned int chan) = 0;
    // Back to the state after creation, every kernel with set.
    virtual void reset(const std::vector<double>& set) = 0;

    // Output rounding of the GMP kernels: result = x / divisor rounded by
    // rule, where divisor is a power of two and half is half of it; q and r
    // are scratch.
    static void divide_rounded(mpz_class& result, const mpz_class& x, const mpz_class& divisor, double half,
                               RndMode rule, mpz_class& q, mpz_class& r);

    // Hilbert filters: the in-phase values (input values delayed to the
    // centre tap) of the samples not yet taken.
    SampleFifo<double>& in_phase(unsigned int path, unsigned int chan) { return lines_[at(path, chan)]; }
    // A read that delivers no in-phase part still takes the in-phase values
    // of the samples it delivers.
    void skip_in_phase(unsigned int path, unsigned int chan, std::size_t count) {
        if (shape_.hilbert) lines_[at(path, chan)].pop_front(count);
    }

    // The single-slot short way through this bank's kernels; null where it
    // has none (integer kernels, Hilbert filters).  Lives as long as the bank.
    SlotLane* slot_lane() const { return lane_.get(); }

protected:
    KernelBank(const BankShape& bank_shape, const BankFormats& bank_formats);
    std::size_t at(unsigned int path, unsigned int chan) const { return std::size_t{path} * shape_.channels + chan; }
    // Hilbert filters: the in-phase line of (path, chan) takes the samples'
    // input values.
    void push_in_phase(unsigned int path, unsigned int chan, const double* values, std::size_t count);
    void prime_in_phase();
    void reserve_in_phase(unsigned int path, unsigned int chan, std::size_t count);

    // A take wrapped count samples, the first at index first.
    void note_wraps(std::size_t count, std::size_t first) {
        if (count == 0) return;
        output_wraps_ += count;
        first_wrap_ = first;
    }

    BankShape shape_;
    BankFormats formats_;
    std::unique_ptr<SlotLane> lane_;

private:
    std::vector<SampleFifo<double>> lines_;
    std::uint64_t output_wraps_ = 0;
    std::size_t first_wrap_ = 0;
};

// A bank in arithmetic, every kernel holding set; the kernel of path 0,
// channel 0 calls sync(sync_arg) at each synchronisation point.
std::unique_ptr<KernelBank> make_kernel_bank(Arithmetic arithmetic, const BankShape& shape_,
                                             const BankFormats& formats_, const std::vector<double>& set,
                                             KernelBank::SyncHandler sync, void* sync_arg);

#endif
