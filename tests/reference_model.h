// Independent reference of the filter block's arithmetic, for end-to-end
// tests.  It uses nothing of the library but the configuration record type:
// coefficients and samples become exact integers (GMP), the filter is a
// plain convolution with the zero-stuffed input, and the output rule is
// written from its definition (floor division plus a tie rule).
#ifndef ZEB_FIR_TESTS_REFERENCE_MODEL_H
#define ZEB_FIR_TESTS_REFERENCE_MODEL_H

#include <gmpxx.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <vector>

#include "zeb_fir_v7_1.h"

namespace ref {

// Rates and zero packing as the filter type implies them.
struct Rates {
    unsigned int L = 1;
    unsigned int M = 1;
    unsigned int z = 1;
};

inline Rates rates_of(const zeb_fir_v7_1_config& cfg) {
    Rates r;
    switch (cfg.filter_type) {
        case ZEB_FIR_V7_1_INTERPOLATION:
            r.L = cfg.interpolation_rate;
            r.M = cfg.rate_change == ZEB_FIR_V7_1_FIXED_FRACTIONAL ? cfg.decimation_rate : 1;
            break;
        case ZEB_FIR_V7_1_DECIMATION:
            r.L = cfg.rate_change == ZEB_FIR_V7_1_FIXED_FRACTIONAL ? cfg.interpolation_rate : 1;
            r.M = cfg.decimation_rate;
            break;
        case ZEB_FIR_V7_1_INTERPOLATED:
            r.z = cfg.zero_packing_factor;
            break;
        default:
            break;
    }
    return r;
}

// Bit count of a coefficient sum as the hardware generator evaluates it, in
// doubles (so 2^29 counts as 30 bits).
inline int lg(double x) { return x == 0.0 ? 0 : static_cast<int>(std::ceil(std::log(x) / std::log(2.0))); }

// Everything the configuration decides about widths and scaling.
struct Widths {
    double coeff_scale = 1.0;          // before the integer rescaling of wide mode
    std::vector<double> running_max;  // one entry per phase of every set (fixed coefficients)
    int acc_width = 0;
    int output_width = 0;
    int out_fract = 0;  // fractional bits of the output
    int dropped = 0;    // accumulator bits dropped by the output rounding
    bool wide = false;  // accumulator above 52 bits: exact integers, no output wrap
};

inline double max_dynamic_range_scale(const zeb_fir_v7_1_config& cfg) {
    const std::size_t total = static_cast<std::size_t>(cfg.num_coeffs) * cfg.coeff_sets;
    const double top = std::ldexp(1.0, static_cast<int>(cfg.coeff_width) - 1);
    const double unit = std::ldexp(1.0, static_cast<int>(cfg.coeff_fract_width));
    double cmax = 0.0, cmin = 0.0;
    for (std::size_t i = 0; i < total; ++i) {
        cmax = std::max(cmax, cfg.coeff[i]);
        cmin = std::min(cmin, cfg.coeff[i]);
    }
    if (cmax <= 0.0 && cmin >= 0.0) throw std::invalid_argument("all coefficients zero");
    double scale = 0.0;
    if (cmax > 0.0) scale = (top - 1.0) / unit / cmax;
    if (cmin < 0.0) {
        const double negative = top / unit / -cmin;
        if (cmax <= 0.0 || negative < scale) scale = negative;
    }
    return scale;
}

inline Widths widths_of(const zeb_fir_v7_1_config& cfg) {
    Widths w;
    const Rates r = rates_of(cfg);
    const int dw = static_cast<int>(cfg.data_width);
    const int cw = static_cast<int>(cfg.coeff_width);
    const int cfw = static_cast<int>(cfg.coeff_fract_width);
    const int dfw = static_cast<int>(cfg.data_fract_width);
    const unsigned int n = cfg.num_coeffs;
    if (cfg.quantization == ZEB_FIR_V7_1_MAXIMIZE_DYNAMIC_RANGE) w.coeff_scale = max_dynamic_range_scale(cfg);

    if (cfg.reloadable) {
        // Worst case: every tap of the widest branch at full scale.
        unsigned int taps = n;
        if (cfg.filter_type == ZEB_FIR_V7_1_HILBERT) {
            taps = (n + 1) / 2;
        } else if (cfg.is_halfband) {
            taps = (n + 1) / 2 + 1;
        }
        if (r.L > 1) taps = cfg.is_halfband ? taps - 1 : (taps + r.L - 1) / r.L;
        w.acc_width = dw + cw + lg(static_cast<double>(taps));
    } else {
        double best = 0.0;
        for (unsigned int s = 0; s < cfg.coeff_sets; ++s) {
            for (unsigned int p = 0; p < r.L; ++p) {
                double sum = 0.0;
                for (unsigned int i = p; i < n; i += r.L) {
                    sum += std::fabs(w.coeff_scale * cfg.coeff[s * n + i] * std::ldexp(1.0, cfw));
                }
                best = std::max(best, sum);
                w.running_max.push_back(best);
            }
        }
        w.acc_width = dw + lg(best);
    }
    w.output_width = cfg.output_rounding_mode == ZEB_FIR_V7_1_FULL_PRECISION ? w.acc_width
                                                                              : static_cast<int>(cfg.output_width);
    w.dropped = w.acc_width - w.output_width;
    w.out_fract = std::max(0, cfw + dfw - w.dropped);
    w.wide = w.acc_width > 52;
    return w;
}

// Two's complement wrap of v into `bits` bits.
inline mpz_class wrap(const mpz_class& v, int bits) {
    mpz_class span, half, r;
    mpz_ui_pow_ui(span.get_mpz_t(), 2, static_cast<unsigned long>(bits));
    half = span / 2;
    r = v + half;
    mpz_fdiv_r(r.get_mpz_t(), r.get_mpz_t(), span.get_mpz_t());
    return r - half;
}

inline mpz_class exact(double integral) {
    mpz_class v;
    mpz_set_d(v.get_mpz_t(), integral);
    return v;
}

// One coefficient in units of 2^-cfw: nearest, halves (and up to 1e-11 of a
// step above them) toward zero, then wrapped to the coefficient width.
inline mpz_class quantise_coeff(double c, double scale, const zeb_fir_v7_1_config& cfg) {
    const double h = c < 0 ? -0.49999999999 : 0.49999999999;
    const double x = std::ldexp(c * scale, static_cast<int>(cfg.coeff_fract_width)) + h;
    return wrap(exact(std::trunc(x)), static_cast<int>(cfg.coeff_width));
}

// Filter taps of set s: padding zeros, then every coefficient followed by
// the zeros of the packing factor.
inline std::vector<mpz_class> taps_of(const zeb_fir_v7_1_config& cfg, unsigned int s = 0) {
    const Widths w = widths_of(cfg);
    const unsigned int z = rates_of(cfg).z;
    std::vector<mpz_class> taps(static_cast<std::size_t>(cfg.coeff_padding) * z, 0);
    for (unsigned int k = 0; k < cfg.num_coeffs; ++k) {
        taps.push_back(quantise_coeff(cfg.coeff[s * cfg.num_coeffs + k], w.coeff_scale, cfg));
        for (unsigned int i = 1; i < z; ++i) taps.push_back(0);
    }
    return taps;
}

// Input sample in units of 2^-dfw: floor, then wrap to the data width.
inline mpz_class quantise_input(double x, const zeb_fir_v7_1_config& cfg) {
    return wrap(exact(std::floor(std::ldexp(x, static_cast<int>(cfg.data_fract_width)))),
                static_cast<int>(cfg.data_width));
}

// Exact filter output of one channel, in units of 2^-(cfw+dfw).
//
// Up-sampling by L puts input sample i at position i*L of a stream with L-1
// zeros after every sample; the convolution of that stream with the taps is
// then decimated by M.  Output n sits at position n*M + offset:
//  - when L > M the first output is formed as soon as the first sample
//    arrives, from that sample (branch 0): offset 0;
//  - otherwise (decimation, single rate, L/M below 1) each output needs M
//    stream positions and the first is formed at the M-th one: offset M-1.
// Both follow from the kernel's step rule: every output advances the stream
// by exactly M positions, starting from position L-M (L > M) or L-1 before
// the first sample, i.e. -L + (L-M) + M = 0, resp. -L + (L-1) + M = M-1.
// An output exists once its position is inside the stream fed so far.
inline std::vector<mpz_class> convolve(const std::vector<mpz_class>& taps, unsigned int L, unsigned int M,
                                       const std::vector<mpz_class>& input) {
    std::vector<mpz_class> stuffed(input.size() * L, 0);
    for (std::size_t i = 0; i < input.size(); ++i) stuffed[i * L] = input[i];
    const std::size_t offset = L > M ? 0 : M - 1;
    std::vector<mpz_class> out;
    for (std::size_t m = offset; m < stuffed.size(); m += M) {
        mpz_class acc = 0;
        for (std::size_t k = 0; k < taps.size() && k <= m; ++k) acc += taps[k] * stuffed[m - k];
        out.push_back(acc);
    }
    return out;
}

// Rounds acc / 2^d to an integer by output rounding mode.
inline mpz_class round_dropped(const mpz_class& acc, int d, int mode) {
    if (mode == ZEB_FIR_V7_1_FULL_PRECISION || d <= 0) return acc;
    mpz_class q, r, half;
    mpz_fdiv_q_2exp(q.get_mpz_t(), acc.get_mpz_t(), static_cast<mp_bitcnt_t>(d));  // floor
    mpz_fdiv_r_2exp(r.get_mpz_t(), acc.get_mpz_t(), static_cast<mp_bitcnt_t>(d));  // 0 <= r < 2^d
    if (mode == ZEB_FIR_V7_1_TRUNCATE_LSBS || r == 0) return q;
    mpz_ui_pow_ui(half.get_mpz_t(), 2, static_cast<unsigned long>(d - 1));
    if (r < half) return q;
    if (r > half) return q + 1;
    // Exactly halfway between q and q + 1.
    const bool negative = acc < 0;
    const bool q_even = mpz_even_p(q.get_mpz_t()) != 0;
    switch (mode) {
        case ZEB_FIR_V7_1_ROUND_HALF_TO_ZERO: return negative ? q + 1 : q;
        case ZEB_FIR_V7_1_ROUND_HALF_AWAY: return negative ? q : q + 1;
        case ZEB_FIR_V7_1_ROUND_HALF_EVEN: return q_even ? q : q + 1;
        case ZEB_FIR_V7_1_ROUND_HALF_ODD: return q_even ? q + 1 : q;
        case ZEB_FIR_V7_1_ROUND_HALF_DOWN: return q;
        case ZEB_FIR_V7_1_ROUND_HALF_UP: return q + 1;
        default: throw std::invalid_argument("rounding mode");
    }
}

// Output sample in units of 2^-out_fract.
inline mpz_class output_of(const mpz_class& acc, const zeb_fir_v7_1_config& cfg, const Widths& w) {
    mpz_class y = round_dropped(acc, w.dropped, cfg.output_rounding_mode);
    return w.wide ? y : wrap(y, w.output_width);
}

// Real value of an integer in units of 2^-frac, as a double read gives it.
inline double real_of(const mpz_class& v, int frac) { return std::ldexp(v.get_d(), -frac); }

// Expected output of one channel of one path fed `input` from a fresh model.
struct ChannelResult {
    std::vector<mpz_class> out;       // units of 2^-out_fract
    std::vector<mpz_class> in_phase;  // Hilbert: delayed quantised input, units of 2^-dfw
};

inline ChannelResult run_channel(const zeb_fir_v7_1_config& cfg, const std::vector<double>& input) {
    const Widths w = widths_of(cfg);
    const Rates r = rates_of(cfg);
    std::vector<mpz_class> q;
    for (double x : input) q.push_back(quantise_input(x, cfg));
    ChannelResult result;
    for (const mpz_class& acc : convolve(taps_of(cfg), r.L, r.M, q)) result.out.push_back(output_of(acc, cfg, w));
    if (cfg.filter_type == ZEB_FIR_V7_1_HILBERT) {
        const std::size_t delay = (cfg.num_coeffs + 1) / 2 - 1 + cfg.coeff_padding;
        for (std::size_t i = 0; i < result.out.size(); ++i) result.in_phase.push_back(i < delay ? 0 : q[i - delay]);
    }
    return result;
}

}  // namespace ref

#endif
