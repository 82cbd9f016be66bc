// Derived widths, scale factors and the arithmetic mode of a new model.
#include <cmath>
#include <sstream>

#include "model/fir.h"
#include "model/fir_text.h"

namespace {

// Bit count estimate used for the accumulator: evaluated in doubles exactly
// as the hardware generator does, so that it agrees also where the rounded
// quotient of logarithms lands just above an integer (for example 2^29).
int lg(double x) {
    if (x == 0.0) return 0;
    double quotient = std::log(x) / std::log(2.0);
    return static_cast<int>(std::ceil(quotient));
}

// Widest accumulator: 2^acc_width, and with it every output value and the
// output scale 2^(acc_width - output_width), stays a finite double.
constexpr int kMaxAccWidth = 1023;

}  // namespace

using fir_text::labelled;

FIR::Widths FIR::derive_widths(const double* coeff) const {
    const zeb_fir_v7_1_config& cfg = configuration;
    const unsigned int n = cfg.num_coeffs;
    const unsigned int sets = cfg.coeff_sets;
    const int cw = static_cast<int>(cfg.coeff_width);
    const int cfw = static_cast<int>(cfg.coeff_fract_width);
    const int dw = static_cast<int>(cfg.data_width);
    const int dfw = static_cast<int>(cfg.data_fract_width);
    const unsigned int L = cfg.interpolation_rate;
    const std::size_t total = static_cast<std::size_t>(n) * sets;

    // The coefficient scale.
    double coeff_scale = 1.0;
    if (cfg.quantization == ZEB_FIR_V7_1_MAXIMIZE_DYNAMIC_RANGE) {
        double cmax = coeff[0];
        double cmin = coeff[0];
        for (std::size_t i = 1; i < total; ++i) {
            if (coeff[i] > cmax) cmax = coeff[i];
            if (coeff[i] < cmin) cmin = coeff[i];
        }
        // The smaller of the scales that put the largest value at the top
        // of the format and the most negative at its bottom: no scaled
        // coefficient can wrap.
        bool have_scale = false;
        if (cmax > 0.0) {
            coeff_scale = (std::ldexp(1.0, cw - 1) - 1.0) / std::ldexp(1.0, cfw) / std::fabs(cmax);
            have_scale = true;
        }
        if (cmin < 0.0) {
            double negative_scale = std::ldexp(1.0, cw - 1) / std::ldexp(1.0, cfw) / std::fabs(cmin);
            if (!have_scale || negative_scale < coeff_scale) coeff_scale = negative_scale;
            have_scale = true;
        }
        if (!have_scale) throw FIRException("Cannot maximize dynamic range: all coefficients are zero");
        // Tiny coefficients give a scale beyond the double range, in real or
        // in integer units (wide mode multiplies it by 2^cfw).
        if (!std::isfinite(std::ldexp(coeff_scale, cfw)))
            throw FIRException("Cannot maximize dynamic range: coefficients too small to scale");
    }

    // The accumulator width.
    int acc_width = 0;
    if (cfg.reloadable) {
        unsigned int taps = n;
        if (cfg.filter_type == ZEB_FIR_V7_1_HILBERT) {
            taps = (n + 1) / 2;
        } else if (cfg.is_halfband) {
            taps = (n + 1) / 2 + 1;
        }
        if (L > 1) taps = cfg.is_halfband ? taps - 1 : (taps + L - 1) / L;
        acc_width = dw + cw + lg(static_cast<double>(taps));
    } else {
        const double fract_scale = std::ldexp(1.0, cfw);
        double max_sum = 0.0;
        for (unsigned int s = 0; s < sets; ++s) {
            for (unsigned int p = 0; p < L; ++p) {
                double sum = 0.0;
                for (unsigned int i = p; i < n; i += L) {
                    sum += std::fabs(coeff_scale * coeff[static_cast<std::size_t>(s) * n + i] * fract_scale);
                }
                if (sum > max_sum) max_sum = sum;
                if (dbg_logger->active()) dbg_logger->note(labelled("Max coeff sum: ", max_sum));
            }
        }
        // A sum beyond the double range needs more bits than any accepted width.
        acc_width = std::isfinite(max_sum) ? dw + lg(max_sum) : kMaxAccWidth + 1;
    }
    if (acc_width > kMaxAccWidth) throw FIRException("Accumulator width exceeds 1023 bits, coefficient sums too large");

    // The output width.
    unsigned int output_width = cfg.output_width;
    if (cfg.output_rounding_mode == ZEB_FIR_V7_1_FULL_PRECISION) {
        output_width = static_cast<unsigned int>(acc_width);
    } else if (static_cast<long long>(cfg.output_width) > acc_width) {
        throw FIRException("Invalid output width");
    } else if (cfg.output_width == 0 && acc_width > 52) {
        // A zero-bit output holds no value.  The double-mode output format
        // refuses it on its own; the integer path has no such format.
        throw FIRException("Invalid output width");
    }
    dbg_logger->note(labelled("Calculated accumulator width: ", acc_width));

    // The output fractional width.  Signed: a full-precision output is as wide as the accumulator, which
    // can be negative for tiny coefficients (refused by the output format).
    const long long ow =
        cfg.output_rounding_mode == ZEB_FIR_V7_1_FULL_PRECISION ? acc_width : static_cast<long long>(output_width);
    long long fract = static_cast<long long>(cfw) + dfw - (acc_width - ow);
    if (fract < 0) fract = 0;
    dbg_logger->note(labelled("Output fract width: ", fract));

    // The arithmetic mode and the formats that depend on it.
    const bool integer_mode = acc_width > 52;
    double dout_scale = 1.0;
    if (integer_mode) {
        logger->warn("Model will use MPZ data type");
        if (cfw != 0 || dfw != 0) {
            logger->warn(
                "Model inputs have fractional bits. Data and Coefficients will be scaled by fractional width to "
                "use integer representation. Output will be integer only, use configuration.output_fract_width "
                "to interpret output");
        }
        coeff_scale *= std::ldexp(1.0, cfw);
        dout_scale = std::ldexp(1.0, static_cast<int>(acc_width - ow));
    } else {
        if (fract == 0) dout_scale = std::ldexp(1.0, static_cast<int>(acc_width - ow - cfw - dfw));
    }

    // The integer mode holds coefficients as integers.
    const FFPContext coeff_fmt(cw, integer_mode ? 0 : cfw, RND_TO_ZERO, OVF_WRAP, SIGN_SIGNED, WARN_NONE);
    dbg_logger->note(labelled("Coefficient scaling: ", coeff_scale));
    dbg_logger->note(labelled("Dout scaling: ", dout_scale));
    return Widths{coeff_scale,  acc_width, output_width, static_cast<unsigned int>(fract),
                  integer_mode, coeff_fmt, dout_scale};
}

void FIR::apply_widths(const Widths& widths) {
    coeff_scale = widths.coeff_scale;
    acc_width = widths.acc_width;
    configuration.output_width = widths.output_width;
    configuration.output_fract_width = widths.output_fract_width;
    coeff_fmt = widths.coeff_fmt;
    dout_scale = widths.dout_scale;
}
