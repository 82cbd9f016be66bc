// Coefficient quantisation and the bank of filter kernels.
#include <cmath>
#include <cstdint>
#include <sstream>
#include <type_traits>

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

// The 128-bit kernels serve the integer mode when no sum can outgrow them:
// samples stay within the data width, and coefficients within the sets (or,
// when reloads may replace them, anywhere within the coefficient width).
bool FIR::wide_kernels_fit() const {
#if ZEB_FIR_HAVE_INT128
    const int dw = static_cast<int>(configuration.data_width);
    const int cw = static_cast<int>(configuration.coeff_width);
    if (dw < 1 || dw > 64 || cw < 1 || cw > 64 || coeffs.empty()) return false;
    const std::uint64_t largest_sample = std::uint64_t{1} << (dw - 1);
    const int L = static_cast<int>(configuration.interpolation_rate);
    if (configuration.reloadable) {
        const std::vector<double> widest(coeffs[0].size(), std::ldexp(1.0, cw - 1));
        return fitsInt128(widest, L, largest_sample);
    }
    for (const std::vector<double>& set : coeffs) {
        if (!fitsInt128(set, L, largest_sample)) return false;
    }
    return true;
#else
    return false;
#endif
}

void FIR::build_filter_bank(const double* coeff) {
    coeffs = process_coeff(coeff, configuration.coeff_sets);
    use_int128 = use_mpz && wide_kernels_fit();
    build_kernels();
}

// One kernel per path and channel in the arithmetic in use, all with set 0;
// the kernel of path 0, channel 0 carries the synchronisation handler.
void FIR::build_kernels() {
    const int rate_numerator = static_cast<int>(configuration.interpolation_rate);
    const int rate_denominator = static_cast<int>(configuration.decimation_rate);
    const std::size_t paths = configuration.num_paths;
    const std::size_t chans = configuration.num_channels;
    with_bank([&](auto& bank, auto& out) {
        using Kernel = typename std::decay_t<decltype(bank)>::value_type::value_type;
        using Buffer = typename std::decay_t<decltype(out)>::value_type::value_type;
        const Kernel prototype(coeffs[0], rate_numerator, rate_denominator);
        bank.assign(paths, std::vector<Kernel>(chans, prototype));
        out.assign(paths, std::vector<Buffer>(chans));
        bank[0][0].set_change_config_handler(call_cnfg_sync, this);
    });
}

void FIR::use_gmp_kernels() {
#if ZEB_FIR_HAVE_INT128
    if (!use_int128) return;
    filters_i128.clear();
    out_buf_i128.clear();
    use_int128 = false;
    build_kernels();
#endif
}
