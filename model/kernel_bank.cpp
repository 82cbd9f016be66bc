// The three kernel banks: one template over the sample type; what differs
// between the arithmetics is how a quantised sample becomes a kernel sample
// and how a produced sample is rounded to the output format.
#include "model/kernel_bank.h"

#include "model/block_transpose.h"

#include <cstdint>
#include <type_traits>

#include "filter/fir_filter.h"
#include "fixedpoint/rounding.h"
#include "model/fir_text.h"

KernelBank::KernelBank(const BankShape& bank_shape, const BankFormats& bank_formats)
    : shape_(bank_shape), formats_(bank_formats), lines_(std::size_t{bank_shape.paths} * bank_shape.channels) {
    prime_in_phase();
}

void KernelBank::push_in_phase(unsigned int path, unsigned int chan, const double* values, std::size_t count) {
    if (!shape_.hilbert) return;
    double* line = lines_[at(path, chan)].extend(count);
    for (std::size_t i = 0; i < count; ++i) line[i] = values[i] * formats_.din_inv_scale;
}

void KernelBank::reserve_in_phase(unsigned int path, unsigned int chan, std::size_t count) {
    if (shape_.hilbert) lines_[at(path, chan)].reserve(count);
}

void KernelBank::prime_in_phase() {
    for (SampleFifo<double>& line : lines_) {
        line.clear();
        if (!shape_.hilbert) continue;
        double* zeros = line.extend(shape_.in_phase_delay);
        for (std::size_t i = 0; i < shape_.in_phase_delay; ++i) zeros[i] = 0.0;
    }
}

void KernelBank::divide_rounded(mpz_class& result, const mpz_class& x, const mpz_class& divisor, double half,
                                RndMode rule, mpz_class& q, mpz_class& r) {
    if (rule == RND_NONE) {
        result = x;
        return;
    }
    mpz_tdiv_qr(q.get_mpz_t(), r.get_mpz_t(), x.get_mpz_t(), divisor.get_mpz_t());
    result = q;
    const int sign = mpz_sgn(r.get_mpz_t());
    if (sign == 0) return;
    // |r| against half the divisor; the integer-to-double comparison is exact.
    const int beyond_half = sign > 0 ? mpz_cmp_d(r.get_mpz_t(), half) : -mpz_cmp_d(r.get_mpz_t(), -half);
    const int step =
        rounding::integer_step(rule, rounding::fraction_class(sign, beyond_half), mpz_odd_p(q.get_mpz_t()) != 0);
    if (step > 0) {
        result += 1;
    } else if (step < 0) {
        result -= 1;
    }
}

namespace {

#if ZEB_FIR_HAVE_INT128
using wide_uint = unsigned __int128;

wide_uint magnitude(wide_int x) { return x < 0 ? wide_uint(0) - static_cast<wide_uint>(x) : static_cast<wide_uint>(x); }

// x / 2^shift rounded by rule, as the GMP kernels round (RND_NONE: x itself).
wide_int round_wide(wide_int x, int shift, RndMode rule) {
    if (rule == RND_NONE || shift <= 0) return x;
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
    const rounding::FractionClass c = rounding::fraction_class(x < 0 ? -1 : 1, beyond_half);
    return truncated + rounding::integer_step(rule, c, (q & 1) != 0);
}

// x wrapped into the two's complement range of bits (< 128) bits.
wide_int wrap_wide(wide_int x, int bits) {
    const wide_uint mask = (wide_uint(1) << bits) - 1;
    wide_uint u = static_cast<wide_uint>(x) & mask;
    if ((u >> (bits - 1)) != 0) u |= ~mask;
    return static_cast<wide_int>(u);
}

// The double nearest x toward zero (what mpz_get_d gives).
double wide_to_double(wide_int x) {
    constexpr wide_int exact = wide_int{1} << 53;
    if (x > -exact && x < exact) return static_cast<double>(static_cast<std::int64_t>(x));
    wide_uint mag = magnitude(x);
    const std::uint64_t high = static_cast<std::uint64_t>(mag >> 64);
    const int bits = high != 0 ? 128 - __builtin_clzll(high)
                               : 64 - (mag != 0 ? __builtin_clzll(static_cast<std::uint64_t>(mag)) : 64);
    if (bits > 53) mag = (mag >> (bits - 53)) << (bits - 53);
    const double d = static_cast<double>(mag);  // exact: at most 53 significant bits
    return x < 0 ? -d : d;
}

void wide_to_mpz(mpz_ptr dst, wide_int x) {
    const wide_uint mag = magnitude(x);
    const std::uint64_t words[2] = {static_cast<std::uint64_t>(mag), static_cast<std::uint64_t>(mag >> 64)};
    mpz_import(dst, 2, -1, sizeof words[0], 0, 0, words);
    if (x < 0) mpz_neg(dst, dst);
}
#endif

// 2^(bits - 1): the end of the positive range of a signed format.
mpz_class range_end(int bits) { return bits > 0 ? mpz_class(1) << (bits - 1) : mpz_class(1); }

// The samples of one take that wrapped.
struct TakeWraps {
    std::size_t count = 0;
    std::size_t first = 0;
    void hit(std::size_t k) {
        if (count++ == 0) first = k;
    }
};

template <typename S>
class Bank final : public KernelBank {
public:
    Bank(const BankShape& bank_shape, const BankFormats& bank_formats, const std::vector<double>& set, SyncHandler sync,
         void* sync_arg)
        : KernelBank(bank_shape, bank_formats),
          kernels_(std::size_t{bank_shape.paths} * bank_shape.channels,
                   FirFilter<S, double>(set, bank_shape.rate_numerator, bank_shape.rate_denominator)),
          outputs_(kernels_.size()),
          divisor_(bank_formats.dout_scale),
          top_(range_end(bank_formats.output_width) - 1),
          bottom_(-range_end(bank_formats.output_width)) {
        kernels_[0].set_change_config_handler(sync, sync_arg);
        for (FirFilter<S, double>& kernel : kernels_) {
            kernel.set_any_order(bank_formats.sums_exact);
            kernel.set_small_samples(bank_formats.small_samples, bank_formats.din_inv_scale);
            kernel.set_split_shift(bank_formats.split_shift);
        }
        if constexpr (std::is_same<S, double>::value) {
            if (!bank_shape.hilbert) {
                lane_ = std::make_unique<SlotLane>(kernels_.data(), outputs_.data(), bank_shape.channels,
                                                   bank_formats.din_inv_scale, bank_formats.dout_fmt,
                                                   bank_formats.dout_scale, bank_formats.out_fract_scale);
            }
        }
    }

    Arithmetic arithmetic() const override {
        if constexpr (std::is_same<S, double>::value) {
            return Arithmetic::real;
        } else if constexpr (std::is_same<S, mpz_class>::value) {
            return Arithmetic::gmp;
        } else {
            return Arithmetic::int128;
        }
    }

    void feed(unsigned int path, unsigned int chan, double value) override {
        push_in_phase(path, chan, &value, 1);
        const std::size_t i = at(path, chan);
        if constexpr (std::is_same<S, double>::value) {
            kernels_[i].run_one(value * formats_.din_inv_scale, outputs_[i]);
        } else {
            to_samples(&value, 1);
            kernels_[i].run(block_.data(), 1, outputs_[i]);
        }
    }

    void feed_block(unsigned int path, unsigned int chan, const double* values, std::size_t count) override {
        push_in_phase(path, chan, values, count);
        const std::size_t i = at(path, chan);
        if constexpr (std::is_same<S, double>::value) {
            if (formats_.din_inv_scale != 1.0) {
                to_samples(values, count);
                values = block_.data();
            }
            kernels_[i].run_samples(values, count, outputs_[i]);
        } else {
            to_samples(values, count);
            kernels_[i].run_samples(block_.data(), count, outputs_[i]);
        }
    }

    void reserve(unsigned int path, unsigned int chan, std::size_t inputs) override {
        const std::size_t L = static_cast<std::size_t>(shape_.rate_numerator);
        const std::size_t M = static_cast<std::size_t>(shape_.rate_denominator);
        outputs_[at(path, chan)].reserve(inputs / M * L + L + 1);
        reserve_in_phase(path, chan, inputs);
    }

    std::size_t buffered(unsigned int path, unsigned int chan) const override {
        return outputs_[at(path, chan)].size();
    }

    void take_reals(unsigned int path, unsigned int chan, std::size_t count, double* values) override {
        SampleFifo<S>& buf = outputs_[at(path, chan)];
        const S* raw = buf.data();
        if constexpr (std::is_same<S, double>::value) {
            round_outputs(raw, values, count);
        } else {
            TakeWraps wrapped;
            for (std::size_t k = 0; k < count; ++k) {
                values[k] = to_double(raw[k], k, wrapped) / formats_.out_fract_scale;
            }
            note_wraps(wrapped.count, wrapped.first);
        }
        buf.pop_front(count);
    }

    bool take_rows_quietly(const unsigned int* slot_of, std::size_t count, double* out) override {
        if constexpr (std::is_same<S, double>::value) {
            const std::size_t P = shape_.paths;
            const std::size_t rows = P * shape_.channels;
            // A Hilbert filter's in-phase lines are taken kernel by kernel.
            // Fewer rows are read faster through the row scratch: each
            // output buffer is then long and streamed whole.
            if (shape_.hilbert || rows < kMinQuietRows) return false;
            row_sources_.resize(rows);
            for (unsigned int c = 0; c < shape_.channels; ++c) {
                for (unsigned int p = 0; p < P; ++p) row_sources_[p + P * slot_of[c]] = outputs_[at(p, c)].data();
            }
            if (!transpose_rows_quietly(row_sources_.data(), rows, count, out_scaling_, out, rows)) return false;
            for (SampleFifo<S>& buf : outputs_) buf.pop_front(count);
            return true;
        } else {
            return false;
        }
    }

    void take_integers(unsigned int path, unsigned int chan, std::size_t count, const IntegerSink& put) override {
        mpz_ptr value = scratch_.get_mpz_t();
        if constexpr (std::is_same<S, double>::value) {
            reals_.resize(count);
            take_reals(path, chan, count, reals_.data());
            for (std::size_t k = 0; k < count; ++k) {
                mpz_set_d(value, reals_[k] * formats_.out_fract_scale);
                put(k, value);
            }
            return;
        } else {
            SampleFifo<S>& buf = outputs_[at(path, chan)];
            const S* raw = buf.data();
            TakeWraps wrapped;
            for (std::size_t k = 0; k < count; ++k) {
                if constexpr (std::is_same<S, mpz_class>::value) {
                    put(k, output_of(raw[k], k, wrapped).get_mpz_t());
                } else {
#if ZEB_FIR_HAVE_INT128
                    wide_to_mpz(value, output_wide(raw[k], k, wrapped));
                    put(k, value);
#endif
                }
            }
            note_wraps(wrapped.count, wrapped.first);
            buf.pop_front(count);
        }
    }

    void take_integer_noted(unsigned int path, unsigned int chan, mpz_ptr value, ZebLogger& notes,
                            bool scaled) override {
        if constexpr (std::is_same<S, double>::value) {
            // One sample, straight into the host's integer.
            const bool noted = notes.active();
            const double raw = noted ? outputs_[at(path, chan)].front() : 0.0;  // before the take pops it
            double y = 0.0;
            take_reals(path, chan, 1, &y);
            mpz_set_d(value, y * formats_.out_fract_scale);
            if (noted) {
                using fir_text::labelled;
                notes.note(labelled("Out raw: ", raw));
                if (scaled) {
                    notes.note(labelled("Out rounded: ", y));
                    notes.note(labelled("Out scaled: ", y * formats_.out_fract_scale));
                } else {
                    notes.note(labelled("Out rounded: ", y * formats_.out_fract_scale));
                }
            }
            return;
        }
        auto copy = [value](std::size_t, mpz_srcptr v) { mpz_set(value, v); };
        take_integers(path, chan, 1, IntegerSink(copy));
    }

    void prefetch(unsigned int path, unsigned int chan, std::size_t count) const override {
        const SampleFifo<S>& buf = outputs_[at(path, chan)];
        const char* first = reinterpret_cast<const char*>(buf.data());
        const std::size_t bytes = (count < buf.size() ? count : buf.size()) * sizeof(S);
        for (std::size_t b = 0; b < bytes; b += 64) __builtin_prefetch(first + b);
    }

    void set_coefficients(unsigned int path, unsigned int chan, const std::vector<double>& set) override {
        kernels_[at(path, chan)].setCoefficients(set);
    }

    void restart(unsigned int path, unsigned int chan) override { kernels_[at(path, chan)].reset(); }

    void reset(const std::vector<double>& set) override {
        for (std::size_t i = 0; i < kernels_.size(); ++i) {
            kernels_[i].setCoefficients(set);
            kernels_[i].reset();
            outputs_[i].clear();
        }
        prime_in_phase();
    }

private:
    // Quantised samples (integer units of the input format) into block as
    // kernel samples.
    void to_samples(const double* values, std::size_t count) {
        if (block_.size() < count) block_.resize(count);
        for (std::size_t k = 0; k < count; ++k) {
            if constexpr (std::is_same<S, double>::value) {
                block_[k] = values[k] * formats_.din_inv_scale;
            } else if constexpr (std::is_same<S, mpz_class>::value) {
                mpz_set_d(block_[k].get_mpz_t(), values[k]);
            } else {
                block_[k] = static_cast<long long>(values[k]);
            }
        }
    }

    // Double kernels: raw outputs to output values (scaled, rounded,
    // wrapped).  (raw / dout_scale) * scale in one multiplication: one of the
    // two is 1 (dout_scale is 1 unless the output keeps no fraction bits, and
    // then scale is 1), and multiplying by 2^-k rounds exactly as dividing by
    // 2^k.
    void round_outputs(const double* raw, double* values, std::size_t count) {
        const double factor = out_scaling_.factor;
        if (count == 1 && out_scaling_.quiet.holds(raw[0] * factor)) {
            // A single slot whose sample needs no rounding: the usual case.
            values[0] = (raw[0] * factor + 0.0) * out_scaling_.inv_scale;
            return;
        }
        FFPContext& fmt = formats_.dout_fmt;
        if (factor != 1.0) {
            for (std::size_t k = 0; k < count; ++k) values[k] = raw[k] * factor;
            raw = values;
        }
        std::size_t first = 0;
        const std::size_t wrapped = fmt.restrict_quietly(raw, values, count, &first);  // reports are never read
        note_wraps(wrapped, first);
        const double inv_scale = fmt.getInvScale();
        if (inv_scale != 1.0) {
            for (std::size_t k = 0; k < count; ++k) values[k] *= inv_scale;
        }
    }

    void rounded(mpz_class& result, const mpz_class& x) {
        divide_rounded(result, x, divisor_, formats_.dout_scale / 2, formats_.out_rnd, quotient_, remainder_);
    }

    // Integer kernels: a produced sample rounded to the output format and
    // wrapped into its width, as the double kernels' output quantiser does
    // (rounding up at the top of the range, or coefficients whose quantised
    // sum outgrows the accumulator, can leave the range); sample k of a take.
    const mpz_class& output_of(const mpz_class& x, std::size_t k, TakeWraps& wrapped) {
        rounded(rounded_value_, x);
        if (formats_.outputs_may_wrap && (rounded_value_ > top_ || rounded_value_ < bottom_)) {
            wrapped.hit(k);
            const mp_bitcnt_t bits = static_cast<mp_bitcnt_t>(formats_.output_width);
            rounded_value_ -= bottom_;
            mpz_fdiv_r_2exp(rounded_value_.get_mpz_t(), rounded_value_.get_mpz_t(), bits);
            rounded_value_ += bottom_;
        }
        return rounded_value_;
    }
#if ZEB_FIR_HAVE_INT128
    wide_int output_wide(wide_int x, std::size_t k, TakeWraps& wrapped) const {
        const wide_int y = round_wide(x, formats_.out_shift, formats_.out_rnd);
        if (!formats_.outputs_may_wrap || (y <= wide_top_ && y >= -wide_top_ - 1)) return y;
        wrapped.hit(k);
        return wrap_wide(y, formats_.output_width);
    }
#endif

    double to_double(const S& x, std::size_t k, TakeWraps& wrapped) {
        if constexpr (std::is_same<S, mpz_class>::value) {
            return mpz_get_d(output_of(x, k, wrapped).get_mpz_t());
        } else {
#if ZEB_FIR_HAVE_INT128
            return wide_to_double(output_wide(x, k, wrapped));
#else
            return static_cast<double>(x);
#endif
        }
    }

    // Raw outputs to output values where the output quantiser changes
    // nothing but a negative zero.
    const QuietScaling out_scaling_{formats_.dout_fmt.getScale() / formats_.dout_scale, formats_.dout_fmt.getInvScale(),
                                    formats_.dout_fmt.quiet_range()};
    static constexpr std::size_t kMinQuietRows = 32;
    std::vector<const double*> row_sources_;     // take_rows_quietly's rows, in record order
    std::vector<FirFilter<S, double>> kernels_;  // [path * channels + chan]
    std::vector<SampleFifo<S>> outputs_;
    // Scratch reused from call to call, so that nothing is allocated once warm.
    std::vector<S> block_;
    std::vector<double> reals_;
    mpz_class scratch_;
    mpz_class divisor_;
    mpz_class top_, bottom_;  // the output range, in output LSBs
#if ZEB_FIR_HAVE_INT128
    // The top of the output range; a 128-bit kernel's output has at most
    // 127 bits, so a wider range holds every one.
    wide_int wide_top_ = formats_.output_width >= 1 && formats_.output_width < 128
                             ? (wide_int{1} << (formats_.output_width - 1)) - 1
                             : static_cast<wide_int>(~wide_uint(0) >> 1);
#endif
    mpz_class quotient_;
    mpz_class remainder_;
    mpz_class rounded_value_;
};

}  // namespace

std::unique_ptr<KernelBank> make_kernel_bank(Arithmetic arithmetic, const BankShape& shape_,
                                             const BankFormats& formats_, const std::vector<double>& set,
                                             KernelBank::SyncHandler sync, void* sync_arg) {
    switch (arithmetic) {
#if ZEB_FIR_HAVE_INT128
        case Arithmetic::int128:
            if (formats_.sums_fit_63_bits)
                return std::make_unique<Bank<std::int64_t>>(shape_, formats_, set, sync, sync_arg);
            return std::make_unique<Bank<wide_int>>(shape_, formats_, set, sync, sync_arg);
#endif
        case Arithmetic::real: return std::make_unique<Bank<double>>(shape_, formats_, set, sync, sync_arg);
        default: return std::make_unique<Bank<mpz_class>>(shape_, formats_, set, sync, sync_arg);
    }
}
