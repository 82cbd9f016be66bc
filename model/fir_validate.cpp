#include <cmath>
#include <cstddef>
#include <cstdint>

#include "fixedpoint/rounding.h"
#include "model/fir.h"

namespace {

// Every field is range-checked as an unsigned 32-bit number, so a negative
// value stored in an int field fails its upper bound like a large one.
std::uint32_t u32(int value) { return static_cast<std::uint32_t>(value); }
std::uint32_t u32(unsigned int value) { return static_cast<std::uint32_t>(value); }

std::uint32_t gcd(std::uint32_t a, std::uint32_t b) {
    while (b != 0) {
        const std::uint32_t r = a % b;
        a = b;
        b = r;
    }
    return a;
}

bool is_advanced_channel_count(std::uint32_t channels) {
    switch (channels) {
        case 4:
        case 6:
        case 8:
        case 12:
        case 16:
        case 24:
        case 32:
        case 48:
        case 64: return true;
        default: return false;
    }
}

// Every power of two derived from the fractional widths, and the output LSB
// 2^-(coeff_fract_width + data_fract_width), stays a normal double.
constexpr std::uint64_t kMaxFractWidths = 1022;

// Sizes a hardware block could hold: taps of one padded coefficient set,
// coefficient values stored for all sets, taps held by the whole filter bank.
constexpr std::uint64_t kMaxPaddedTaps = std::uint64_t{1} << 16;
constexpr std::uint64_t kMaxStoredTaps = std::uint64_t{1} << 20;
constexpr std::uint64_t kMaxBankTaps = std::uint64_t{1} << 22;

void refuse_if(bool fails, const char* message) {
    if (fails) {
        throw FIRException(message);
    }
}

}  // namespace

void FIR::validate_config(const zeb_fir_v7_1_config& config) {
    const std::uint32_t filter_type = u32(config.filter_type);
    const std::uint32_t rate_change = u32(config.rate_change);
    const std::uint32_t interpolation = u32(config.interpolation_rate);
    const std::uint32_t decimation = u32(config.decimation_rate);
    const std::uint32_t channels = u32(config.num_channels);
    const std::uint32_t chan_seq = u32(config.chan_seq);
    const std::uint32_t data_width = u32(config.data_width);

    refuse_if(filter_type > 4, "Invalid filter type");
    refuse_if(rate_change > 1, "Invalid rate change type");
    refuse_if(interpolation > 1024, "Invalid interpolation rate");
    refuse_if(decimation > 1024, "Invalid decimation rate");
    refuse_if(rate_change == 1 && gcd(interpolation, decimation) > 1,
              "Interpolation and decimation rates must have no common factors greater than 1");
    refuse_if(u32(config.zero_packing_factor) > 8, "Invalid zero packing factor");
    refuse_if(u32(config.is_halfband) > 1, "Invalid value for is_halfband");
    refuse_if(u32(config.reloadable) > 1, "Invalid value for reloadable");
    refuse_if(u32(config.quantization) > 2, "Invalid quantization type");
    refuse_if(u32(config.coeff_width) > 49, "Invalid coefficient width");
    refuse_if(chan_seq > 1, "Invalid channel sequence type");
    refuse_if(channels > 256 && channels != 512 && channels != 1024, "Invalid number of channels");
    refuse_if(chan_seq == 1 && !is_advanced_channel_count(channels), "Invalid number of channels");
    refuse_if(u32(config.num_paths) > kMaxPaths, "Invalid number of paths");
    // The data width shares the coefficient width's message.
    refuse_if(data_width > 49, "Invalid coefficient width");
    refuse_if(u32(config.data_fract_width) > data_width,
              "Data fractional width must be less than or equal to the data width");
    refuse_if(u32(config.output_rounding_mode) >= rounding::kOutputModes, "Invalid output rounding type");
    refuse_if(u32(config.config_method) > 1, "Invalid configuration method");
    refuse_if(std::uint64_t{u32(config.coeff_fract_width)} + u32(config.data_fract_width) > kMaxFractWidths,
              "Coefficient fractional width must be at most 1022 minus the data fractional width");
}

// Records that pass the range checks but could not build a working model:
// every filter is built from set 0 of the coefficients, the filter of path 0,
// channel 0 carries the synchronisation handler, and a zero rate that the
// normalised copy keeps would make the filter kernel fail later anyway.
void FIR::refuse_unservable(const zeb_fir_v7_1_config& config) {
    const std::uint32_t filter_type = u32(config.filter_type);
    const bool fractional = u32(config.rate_change) == 1;

    refuse_if(config.num_paths == 0, "Invalid number of paths");
    refuse_if(config.num_channels == 0, "Invalid number of channels");
    refuse_if(config.coeff_sets == 0, "Invalid number of coefficient sets");
    refuse_if(config.num_coeffs == 0, "Invalid number of coefficients");
    refuse_if(config.coeff == nullptr, "No coefficients specified");
    refuse_if(filter_type == ZEB_FIR_V7_1_INTERPOLATED && config.zero_packing_factor == 0,
              "Invalid zero packing factor");

    const bool uses_interpolation =
        filter_type == ZEB_FIR_V7_1_INTERPOLATION || (filter_type == ZEB_FIR_V7_1_DECIMATION && fractional);
    const bool uses_decimation =
        filter_type == ZEB_FIR_V7_1_DECIMATION || (filter_type == ZEB_FIR_V7_1_INTERPOLATION && fractional);
    refuse_if(uses_interpolation && config.interpolation_rate == 0, "Invalid interpolation rate");
    refuse_if(uses_decimation && config.decimation_rate == 0, "Invalid decimation rate");

    // Counts the model allocates from, bounded before anything is read or
    // allocated (sums and products in 64 bits cannot wrap).
    const std::uint64_t z = filter_type == ZEB_FIR_V7_1_INTERPOLATED ? config.zero_packing_factor : 1;
    const std::uint64_t padded = (std::uint64_t{config.num_coeffs} + config.coeff_padding) * z;
    refuse_if(padded > kMaxPaddedTaps,
              "Too many coefficients, (num_coeffs + coeff_padding) x zero_packing_factor must be at most 65536");
    refuse_if(padded * config.coeff_sets > kMaxStoredTaps,
              "Too many coefficients, coeff_sets x padded coefficients must be at most 1048576");
    refuse_if(padded * config.num_paths * config.num_channels > kMaxBankTaps,
              "Filter bank too large, num_paths x num_channels x padded coefficients must be at most 4194304");

    // NaN or infinity has no fixed-point value and would poison every output.
    const std::size_t values = static_cast<std::size_t>(config.num_coeffs) * config.coeff_sets;
    for (std::size_t i = 0; i < values; ++i) {
        refuse_if(!std::isfinite(config.coeff[i]), "Coefficient value is not a finite number");
    }
}

void FIR::copy_and_normalise(const zeb_fir_v7_1_config& config) {
    configuration = config;
    // The model never keeps pointers into host memory.
    configuration.name = nullptr;
    configuration.coeff = nullptr;
    name = (config.name != nullptr) ? config.name : "";

    const bool integer_rate = u32(config.rate_change) == 0;
    switch (u32(config.filter_type)) {
        case ZEB_FIR_V7_1_INTERPOLATION:
            if (integer_rate) {
                configuration.decimation_rate = 1;
            }
            configuration.zero_packing_factor = 1;
            break;
        case ZEB_FIR_V7_1_DECIMATION:
            if (integer_rate) {
                configuration.interpolation_rate = 1;
            }
            configuration.zero_packing_factor = 1;
            break;
        case ZEB_FIR_V7_1_INTERPOLATED:
            configuration.interpolation_rate = 1;
            configuration.decimation_rate = 1;
            break;
        default:  // single rate and Hilbert
            configuration.interpolation_rate = 1;
            configuration.decimation_rate = 1;
            configuration.zero_packing_factor = 1;
            break;
    }
}
