#include "builtin_stimulus.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace zebtool {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr unsigned kSinePeriod = 16;   // vectors per sine period
constexpr unsigned kSineVectors = 32;  // two periods at the output rate
constexpr unsigned kMaxSineLines = 65536;

void append_number(std::string& text, double v) {
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, v);
    text.append(digits, result.ptr);
}

// One vector: every path and slot carries the same value.
void append_vector(std::string& text, double value, unsigned paths, unsigned channels) {
    for (unsigned s = 0; s < channels; ++s) {
        for (unsigned p = 0; p < paths; ++p) {
            if (p) text += ' ';
            append_number(text, value);
        }
        text += '\n';
    }
}

}  // namespace

BuiltinStimulus make_builtin_stimulus(const zeb_fir_v7_1_config& c) {
    const double lsb = std::ldexp(1.0, -static_cast<int>(std::min(c.data_fract_width, 1000u)));
    // Input vectors over which an impulse response lasts: every tap of the
    // (padded, zero-packed) filter at the input rate is enough for every
    // rate change.
    const unsigned long long taps =
        (static_cast<unsigned long long>(c.num_coeffs) + c.coeff_padding) * std::max(1u, c.zero_packing_factor);
    const unsigned impulse_vectors = static_cast<unsigned>(std::clamp<unsigned long long>(taps, 1, 1u << 16));
    // Enough input for kSineVectors output vectors after decimation,
    // within a bounded number of lines.
    const unsigned channels = std::max(1u, c.num_channels);
    const unsigned paths = std::max(1u, c.num_paths);
    const unsigned long long wanted = static_cast<unsigned long long>(kSineVectors) * std::max(1u, c.decimation_rate);
    const unsigned sine_vectors = static_cast<unsigned>(
        std::max<unsigned long long>(kSineVectors, std::min<unsigned long long>(wanted, kMaxSineLines / channels)));
    // Half of full scale, in whole input LSBs.
    const double amplitude = c.data_width >= 2 ? std::floor((std::ldexp(1.0, c.data_width - 1) - 1) / 2) : 0.0;

    BuiltinStimulus stimulus;
    stimulus.text.reserve(static_cast<std::size_t>(impulse_vectors + sine_vectors) * channels * paths * 8);
    append_vector(stimulus.text, lsb, paths, channels);
    for (unsigned v = 1; v < impulse_vectors; ++v) append_vector(stimulus.text, 0.0, paths, channels);
    for (unsigned v = 0; v < sine_vectors; ++v) {
        const double x = std::round(amplitude * std::sin(2 * kPi * v / kSinePeriod));
        append_vector(stimulus.text, (x == 0.0 ? 0.0 : x) * lsb, paths, channels);
    }
    stimulus.description = "built-in: impulse of one input LSB, " + std::to_string(impulse_vectors - 1) +
                           " zero vectors, then " + std::to_string(sine_vectors) + " vectors of a sine of amplitude " +
                           std::to_string(static_cast<long long>(amplitude)) + " LSBs (period " +
                           std::to_string(kSinePeriod) + " vectors)";
    return stimulus;
}

}  // namespace zebtool
