// What a host may inspect: formats, arithmetic, pending packets, coefficients.
#include "model/fir.h"
#include "model/fir_text.h"

FIR::Info FIR::inspect() const {
    // The output keeps output_width of the accumulator's top bits; the
    // accumulator's LSB weighs 2^-(coeff_fract_width + data_fract_width).
    const int lsb = acc_width - static_cast<int>(configuration.output_width) -
                    static_cast<int>(configuration.coeff_fract_width) -
                    static_cast<int>(configuration.data_fract_width);
    return Info{acc_width, lsb, bank->arithmetic(), CurrentPattern, cnfg_queue.size(), rld_queue.size()};
}

std::vector<double> FIR::quantised_coefficients(unsigned int set) const {
    if (set >= coeffs.size()) throw FIRException(fir_text::labelled("No such coefficient set: ", set));
    // Each set starts with its padding and, packed, holds every coefficient
    // followed by zeros (process_coeff).
    const unsigned int z = configuration.zero_packing_factor;
    const bool packed = configuration.filter_type == ZEB_FIR_V7_1_INTERPOLATED && z != 1;
    const std::size_t first = static_cast<std::size_t>(configuration.coeff_padding) * z;
    const std::size_t stride = packed ? z : 1;
    const double scale = coeff_fmt.getScale();  // 2^coeff_fract_width, or 1 where they are integers already
    std::vector<double> values(configuration.num_coeffs);
    for (std::size_t k = 0; k < values.size(); ++k) values[k] = coeffs[set][first + k * stride] * scale;
    return values;
}

FIR::GroupDelay FIR::group_delay(unsigned int set) const {
    if (set >= coeffs.size()) throw FIRException(fir_text::labelled("No such coefficient set: ", set));
    // The taps as the kernel holds them, padding and packing zeros included;
    // the response is centred on the middle of its nonzero taps when they
    // are symmetric or antisymmetric about it.
    const std::vector<double>& taps = coeffs[set];
    std::size_t first = 0, last = taps.size();
    while (first < last && taps[first] == 0.0) ++first;
    while (last > first && taps[last - 1] == 0.0) --last;
    bool symmetric = first < last, antisymmetric = first < last;
    for (std::size_t a = first, b = last - 1; a < b; ++a, --b) {
        symmetric = symmetric && taps[a] == taps[b];
        antisymmetric = antisymmetric && taps[a] == -taps[b];
    }
    if (!symmetric && !antisymmetric)
        throw FIRException(fir_text::labelled("Coefficient set is not linear-phase, it has no group delay: ", set));
    // Output k of a kernel is formed at upsampled instant (N - 1) * L + M +
    // phase0 + k * M of its stream, where input i sits at (N + i) * L (N
    // taps per branch, phase0 the kernel's first branch), so the centre of
    // input i's response, (N + i) * L + centre, is output
    // (i * L + centre + L - M - phase0) / M.
    const double L = configuration.interpolation_rate;
    const double M = configuration.decimation_rate;
    const double phase0 = L > M ? L - M : L - 1;
    const double centre = (static_cast<double>(first) + static_cast<double>(last - 1)) / 2;
    const double output_samples = (centre + L - M - phase0) / M;
    return GroupDelay{output_samples * M / L, output_samples};
}
