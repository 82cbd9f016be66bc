// Coefficient quantisation and the bank of filter kernels.
#include <cmath>
#include <cstdint>
#include <sstream>
#include <type_traits>

#include "filter/fir_filter.h"
#include "model/fir.h"

std::vector<std::vector<double>> FIR::process_coeff(const double* values, unsigned int sets) {
    const unsigned int n = configuration.num_coeffs;
    const unsigned int z = configuration.zero_packing_factor;
    const bool packed = configuration.filter_type == ZEB_FIR_V7_1_INTERPOLATED && z != 1;
    const double scale = coeff_fmt.getScale();
    const double inv_scale = coeff_fmt.getInvScale();

    std::vector<std::vector<double>> result(sets);
    for (unsigned int s = 0; s < sets; ++s) {
        std::vector<double>& set = result[s];
        set.reserve(static_cast<std::size_t>(configuration.coeff_padding + n) * z);
        set.assign(static_cast<std::size_t>(configuration.coeff_padding) * z, 0.0);
        for (unsigned int k = 0; k < n; ++k) {
            const double c = values[static_cast<std::size_t>(s) * n + k];
            // Just under half a step toward zero: rounds to nearest with
            // exact halves going toward zero, under truncating quantisation.
            const double h = c < 0 ? -0.49999999999 : 0.49999999999;
            const double x = c * coeff_scale + h * inv_scale;
            coeff_fmt.clearMessages();
            const double q = coeff_fmt.do_restrict(x * scale) * inv_scale;
            // Truncation alone leaves the value where it was: any other change is the wrap.
            if (q * scale != std::trunc(x * scale)) ++wraps.coefficients;
            set.push_back(q);
            if (dbg_logger->active()) {
                std::ostringstream note;
                note << " Coeff[" << k << "] : " << q;
                dbg_logger->note(note.str());
            }
            if (packed) set.insert(set.end(), z - 1, 0.0);
        }
    }
    return result;
}

// Whether no sum of an integer kernel can reach 2^bits in magnitude: samples
// stay within the data width, and coefficients within the sets (or, when
// reloads may replace them, anywhere within the coefficient width).  At 126
// bits the 128-bit kernels serve the integer mode, at 63 bits 64-bit ones.
#if ZEB_FIR_HAVE_INT128
// Whether fits(set, L, largest sample) holds for every coefficient set the
// kernels can hold: the record's, or with reloads any set of the width.
template <typename Fits>
bool every_kernel_set(const zeb_fir_v7_1_config& cfg, const std::vector<std::vector<double>>& coeffs, Fits fits) {
    const int dw = static_cast<int>(cfg.data_width);
    const int cw = static_cast<int>(cfg.coeff_width);
    if (dw < 1 || dw > 64 || cw < 1 || cw > 64 || coeffs.empty()) return false;
    const std::uint64_t largest_sample = std::uint64_t{1} << (dw - 1);
    const int L = static_cast<int>(cfg.interpolation_rate);
    if (cfg.reloadable) {
        const std::vector<double> widest(coeffs[0].size(), std::ldexp(1.0, cw - 1));
        return fits(widest, L, largest_sample);
    }
    for (const std::vector<double>& set : coeffs) {
        if (!fits(set, L, largest_sample)) return false;
    }
    return true;
}
#endif

bool FIR::kernel_sums_fit(int bits) const {
#if ZEB_FIR_HAVE_INT128
    return every_kernel_set(configuration, coeffs, [bits](const std::vector<double>& set, int L, std::uint64_t x) {
        return sums_fit(set, L, x, bits);
    });
#else
    (void)bits;
    return false;
#endif
}

int FIR::kernel_split_shift() const {
#if ZEB_FIR_HAVE_INT128
    for (int shift = 1; shift <= 31; ++shift) {
        const auto fits = [shift](const std::vector<double>& set, int L, std::uint64_t x) {
            return split_sums_fit(set, L, x, shift);
        };
        if (every_kernel_set(configuration, coeffs, fits)) return shift;
    }
#endif
    return 0;
}

// Whether a rounded output can leave the output range: the largest sum a
// kernel can form (the largest input magnitude, 2^(dw-1), times the largest
// branch sum of coefficient magnitudes, reloadable sets at their worst case)
// against the range.  Integer kernels check every output only when it can.
bool FIR::outputs_may_wrap() const {
    const unsigned int L = configuration.interpolation_rate;
    const int cw = static_cast<int>(configuration.coeff_width);
    const double unit = coeff_fmt.getScale();  // coefficients in coefficient LSBs
    mpz_class largest = 0, term;
    for (const std::vector<double>& set : coeffs) {
        for (unsigned int branch = 0; branch < L; ++branch) {
            mpz_class sum = 0;
            for (std::size_t i = branch; i < set.size(); i += L) {
                mpz_set_d(term.get_mpz_t(),
                          configuration.reloadable ? std::ldexp(1.0, cw - 1) : std::fabs(set[i] * unit));
                sum += term;
            }
            if (sum > largest) largest = sum;
        }
    }
    const mp_bitcnt_t shift = static_cast<mp_bitcnt_t>(acc_width - static_cast<int>(configuration.output_width));
    const mpz_class top = (mpz_class(1) << (configuration.output_width - 1)) - 1;
    // Rounding moves a value by less than one output LSB, so a sum within
    // top output LSBs rounds to at most top, and its negative to at least -top - 1.
    return (largest << (configuration.data_width - 1)) > (top << shift);
}

// The integer mode runs on 128-bit kernels where they compute exactly what
// GMP kernels do, unless GMP ones are asked for.
Arithmetic FIR::choose_arithmetic(bool integer_mode, Arithmetic kernels) const {
    if (!integer_mode) return Arithmetic::real;
    return kernels == Arithmetic::int128 && kernel_sums_fit(126) ? Arithmetic::int128 : Arithmetic::gmp;
}

// One kernel per path and channel, all with set 0; the kernel of path 0,
// channel 0 carries the synchronisation handler.
void FIR::build_bank(Arithmetic arithmetic) {
    const zeb_fir_v7_1_config& cfg = configuration;
    BankShape shape{cfg.num_paths,
                    cfg.num_channels,
                    static_cast<int>(cfg.interpolation_rate),
                    static_cast<int>(cfg.decimation_rate),
                    cfg.filter_type == ZEB_FIR_V7_1_HILBERT,
                    0};
    // The in-phase output is the input delayed to the centre tap of the
    // padded filter.
    if (shape.hilbert) shape.in_phase_delay = (cfg.num_coeffs + 1) / 2 - 1 + cfg.coeff_padding;
    // The double mode's output quantiser; the integer modes round by shifting.
    const bool real = arithmetic == Arithmetic::real;
    const FFPContext dout_fmt(real ? static_cast<int>(cfg.output_width) : 32,
                              real ? static_cast<int>(cfg.output_fract_width) : 0, out_rnd, OVF_WRAP, SIGN_SIGNED,
                              WARN_OVERFLOW);
    const BankFormats formats{din_fmt.getInvScale(),
                              dout_fmt,
                              dout_scale,
                              out_rnd,
                              acc_width - static_cast<int>(cfg.output_width),
                              static_cast<int>(cfg.output_width),
                              !real && outputs_may_wrap(),
                              arithmetic == Arithmetic::int128 && kernel_sums_fit(63),
                              real && kernel_sums_fit(53),
                              real && cfg.data_width <= 16,
                              arithmetic == Arithmetic::int128 ? kernel_split_shift() : 0,
                              std::ldexp(1.0, static_cast<int>(cfg.output_fract_width))};
    bank = make_kernel_bank(arithmetic, shape, formats, coeffs[0], call_cnfg_sync, this);
    lane = bank->slot_lane();
}
