// Independent reference of the filter block's arithmetic, shared by every
// end-to-end test.  It uses nothing of the library but the configuration
// record type: coefficients and samples become exact integers (GMP), the
// filter is a plain convolution with the zero-stuffed input, and the output
// rule is written from its definition (floor division plus a tie rule).
#ifndef ZEB_FIR_TESTS_REFERENCE_MODEL_H
#define ZEB_FIR_TESTS_REFERENCE_MODEL_H

#include <gmpxx.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "zeb_fir_v7_1.h"

namespace ref {

// Rates and zero packing as the filter type implies them.
struct Rates {
    unsigned int L = 1, M = 1, z = 1;
};

inline Rates rates_of(const zeb_fir_v7_1_config& cfg) {
    const bool fractional = cfg.rate_change == ZEB_FIR_V7_1_FIXED_FRACTIONAL;
    Rates r;
    const unsigned int L = cfg.interpolation_rate, M = cfg.decimation_rate;
    if (cfg.filter_type == ZEB_FIR_V7_1_INTERPOLATION) r.L = L, r.M = fractional ? M : 1;
    if (cfg.filter_type == ZEB_FIR_V7_1_DECIMATION) r.L = fractional ? L : 1, r.M = M;
    if (cfg.filter_type == ZEB_FIR_V7_1_INTERPOLATED) r.z = cfg.zero_packing_factor;
    return r;
}

// Bit count of a coefficient sum as the hardware generator evaluates it, in
// doubles (so 2^29 counts as 30 bits).
inline int lg(double x) { return x == 0.0 ? 0 : static_cast<int>(std::ceil(std::log(x) / std::log(2.0))); }

// Everything the configuration decides about widths and scaling.
struct Widths {
    double coeff_scale = 1.0;  // before the integer rescaling of wide mode
    int acc_width = 0, output_width = 0;
    int out_fract = 0;  // fractional bits of the output
    int dropped = 0;    // accumulator bits dropped by the output rounding
    bool wide = false;  // accumulator above 52 bits: exact integers
};

inline Widths widths_of(const zeb_fir_v7_1_config& cfg) {
    Widths w;
    const Rates r = rates_of(cfg);
    const int cw = static_cast<int>(cfg.coeff_width), cfw = static_cast<int>(cfg.coeff_fract_width);
    const unsigned int n = cfg.num_coeffs;
    const double unit = std::ldexp(1.0, cfw);
    if (cfg.quantization == ZEB_FIR_V7_1_MAXIMIZE_DYNAMIC_RANGE) {
        // The smaller of the scales putting the largest value at the top of
        // the format and the most negative at its bottom.
        const double* end = cfg.coeff + static_cast<std::size_t>(n) * cfg.coeff_sets;
        const double cmax = std::max(0.0, *std::max_element(cfg.coeff, end));
        const double cmin = std::min(0.0, *std::min_element(cfg.coeff, end));
        const double top = std::ldexp(1.0, cw - 1 - cfw);
        w.coeff_scale = cmax > 0.0 ? (top - std::ldexp(1.0, -cfw)) / cmax : top / -cmin;
        if (cmin < 0.0) w.coeff_scale = std::min(w.coeff_scale, top / -cmin);
    }
    if (cfg.reloadable) {
        // Worst case: every tap of the widest branch at full scale.
        unsigned int taps = cfg.filter_type == ZEB_FIR_V7_1_HILBERT ? (n + 1) / 2
                            : cfg.is_halfband                        ? (n + 1) / 2 + 1
                                                                     : n;
        if (r.L > 1) taps = cfg.is_halfband ? taps - 1 : (taps + r.L - 1) / r.L;
        w.acc_width = static_cast<int>(cfg.data_width) + cw + lg(taps);
    } else {
        double best = 0.0;
        for (unsigned int s = 0; s < cfg.coeff_sets; ++s)
            for (unsigned int p = 0; p < r.L; ++p) {
                double sum = 0.0;
                for (unsigned int i = p; i < n; i += r.L) sum += std::fabs(w.coeff_scale * cfg.coeff[s * n + i] * unit);
                best = std::max(best, sum);
            }
        w.acc_width = static_cast<int>(cfg.data_width) + lg(best);
    }
    const bool full = cfg.output_rounding_mode == ZEB_FIR_V7_1_FULL_PRECISION;
    w.output_width = full ? w.acc_width : static_cast<int>(cfg.output_width);
    w.dropped = w.acc_width - w.output_width;
    w.out_fract = std::max(0, cfw + static_cast<int>(cfg.data_fract_width) - w.dropped);
    w.wide = w.acc_width > 52;
    return w;
}

// Two's complement wrap of v into `bits` bits.
inline mpz_class wrap(const mpz_class& v, int bits) {
    const mpz_class half = mpz_class(1) << (bits - 1);
    mpz_class r = v + half;
    mpz_fdiv_r_2exp(r.get_mpz_t(), r.get_mpz_t(), static_cast<mp_bitcnt_t>(bits));
    return r - half;
}

inline mpz_class exact(double integral) {
    mpz_class v;
    mpz_set_d(v.get_mpz_t(), integral);
    return v;
}

// Taps of set s in units of 2^-cfw: padding zeros, then every coefficient
// (nearest, halves and up to 1e-11 of a step above them toward zero, wrapped
// to the coefficient width) followed by the zeros of the packing factor.
inline std::vector<mpz_class> taps_of(const zeb_fir_v7_1_config& cfg, unsigned int s = 0) {
    const double scale = widths_of(cfg).coeff_scale;
    const unsigned int z = rates_of(cfg).z;
    std::vector<mpz_class> taps(static_cast<std::size_t>(cfg.coeff_padding) * z, 0);
    for (unsigned int k = 0; k < cfg.num_coeffs; ++k) {
        const double c = cfg.coeff[s * cfg.num_coeffs + k];
        const double half = c < 0 ? -0.49999999999 : 0.49999999999;
        const double x = std::ldexp(c * scale, static_cast<int>(cfg.coeff_fract_width)) + half;
        // Beyond the double range the scaled value is a whole number already.
        const mpz_class v = std::isinf(x) ? exact(c * scale) << cfg.coeff_fract_width : exact(std::trunc(x));
        taps.push_back(wrap(v, static_cast<int>(cfg.coeff_width)));
        taps.insert(taps.end(), z - 1, 0);
    }
    return taps;
}

// Input sample in units of 2^-dfw: floor, then wrap to the data width.
inline mpz_class quantise_input(double x, const zeb_fir_v7_1_config& cfg) {
    const double units = std::ldexp(x, static_cast<int>(cfg.data_fract_width));
    const mpz_class v = std::isinf(units) ? exact(x) << cfg.data_fract_width : exact(std::floor(units));
    return wrap(v, static_cast<int>(cfg.data_width));
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
// An output exists once its position is inside the stream fed so far.  The
// output at position m is formed with sets[select[m / L]], the set in force
// when its newest input arrived (select empty: set 0 throughout).
inline std::vector<mpz_class> convolve(const std::vector<std::vector<mpz_class>>& sets, unsigned int L,
                                       unsigned int M, const std::vector<mpz_class>& input,
                                       const std::vector<std::size_t>& select = {}) {
    std::vector<mpz_class> stuffed(input.size() * L, 0), out;
    for (std::size_t i = 0; i < input.size(); ++i) stuffed[i * L] = input[i];
    for (std::size_t m = L > M ? 0 : M - 1; m < stuffed.size(); m += M) {
        const std::vector<mpz_class>& taps = sets[select.empty() ? 0 : select.at(m / L)];
        mpz_class acc = 0;
        for (std::size_t k = 0; k < taps.size() && k <= m; ++k) acc += taps[k] * stuffed[m - k];
        out.push_back(acc);
    }
    return out;
}

// acc / 2^dropped rounded by the output rounding mode, in units of 2^-out_fract.
inline mpz_class rounded_of(const mpz_class& acc, const zeb_fir_v7_1_config& cfg, const Widths& w) {
    const int d = w.dropped, mode = cfg.output_rounding_mode;
    mpz_class y = acc, r;
    if (mode != ZEB_FIR_V7_1_FULL_PRECISION && d > 0) {
        mpz_fdiv_q_2exp(y.get_mpz_t(), acc.get_mpz_t(), static_cast<mp_bitcnt_t>(d));  // floor
        mpz_fdiv_r_2exp(r.get_mpz_t(), acc.get_mpz_t(), static_cast<mp_bitcnt_t>(d));  // 0 <= r < 2^d
        const mpz_class half = mpz_class(1) << (d - 1);
        const bool up_on_tie[] = {false, false, acc < 0, acc >= 0, mpz_odd_p(y.get_mpz_t()) != 0,
                                  mpz_even_p(y.get_mpz_t()) != 0, false, true};
        if (mode != ZEB_FIR_V7_1_TRUNCATE_LSBS && (r > half || (r == half && up_on_tie[mode]))) y += 1;
    }
    return y;
}

// Output sample: rounded, then wrapped to the output width.
inline mpz_class output_of(const mpz_class& acc, const zeb_fir_v7_1_config& cfg, const Widths& w) {
    return wrap(rounded_of(acc, cfg, w), w.output_width);
}

// Real value of an integer in units of 2^-frac, as a double read gives it.
inline double real_of(const mpz_class& v, int frac) { return std::ldexp(v.get_d(), -frac); }

// Expected output of one channel of one path fed `input` from a fresh model;
// `select` as for convolve, `sets` the taps of every set (default: the
// record's own sets).
struct ChannelResult {
    std::vector<mpz_class> out;       // units of 2^-out_fract
    std::vector<mpz_class> in_phase;  // Hilbert: delayed quantised input, units of 2^-dfw
};

inline ChannelResult run_channel(const zeb_fir_v7_1_config& cfg, const std::vector<double>& input,
                                 const std::vector<std::size_t>& select = {},
                                 std::vector<std::vector<mpz_class>> sets = {}) {
    const Widths w = widths_of(cfg);
    const Rates r = rates_of(cfg);
    if (sets.empty())
        for (unsigned int s = 0; s < cfg.coeff_sets; ++s) sets.push_back(taps_of(cfg, s));
    std::vector<mpz_class> q;
    for (double x : input) q.push_back(quantise_input(x, cfg));
    ChannelResult result;
    for (const mpz_class& acc : convolve(sets, r.L, r.M, q, select)) result.out.push_back(output_of(acc, cfg, w));
    const std::size_t delay = (cfg.num_coeffs + 1) / 2 - 1 + cfg.coeff_padding;
    for (std::size_t i = 0; cfg.filter_type == ZEB_FIR_V7_1_HILBERT && i < result.out.size(); ++i)
        result.in_phase.push_back(i < delay ? 0 : q[i - delay]);
    return result;
}

}  // namespace ref

#endif
