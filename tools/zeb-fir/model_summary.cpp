#include "model_summary.h"

#include <cstdio>

#include "config_text/config_fields.h"

namespace zebtool {

namespace {

std::string enum_text(const zeb_fir_v7_1_config& config, const char* field_name) {
    const FieldInfo* field = find_config_field(field_name);
    return field ? field_value_text(config, *field) : std::string();
}

std::string row(const char* label, const std::string& value) {
    std::string text = "# ";
    text += label;
    text.resize(24, ' ');
    return text + value;
}

std::string plural(unsigned long long n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

// Delays are multiples of 1/(2 x rate): six significant digits show them.
std::string delay_text(double samples, const char* what) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.6g", samples);
    return std::string(digits) + " " + what + (samples == 1.0 ? "" : "s");
}

std::string group_delay_text(const ModelSession& model) {
    double input = 0.0, output = 0.0;
    if (!model.group_delay(0, input, output)) return "none: set 0 is not linear-phase";
    return delay_text(input, "input sample") + ", " + delay_text(output, "output sample") + " (set 0)";
}

}  // namespace

std::string format_description(SampleFormat format, unsigned width, const char* lsb) {
    const std::string units = std::string("in ") + lsb + " LSBs";
    switch (format) {
        case SampleFormat::Int: return "integers " + units;
        case SampleFormat::Hex: return std::to_string(width) + "-bit two's complement in hex, " + units;
        case SampleFormat::Bin: return std::to_string(width) + "-bit two's complement in binary, " + units;
        default: return "real values";
    }
}

std::string fixed_point_name(unsigned int width, unsigned int fract_width) {
    return "IFIX_" + std::to_string(width) + "_" + std::to_string(fract_width);
}

std::vector<std::string> model_summary(const ModelSession& model, SampleFormat format, const std::string& stimulus) {
    const zeb_fir_v7_1_config& c = model.config();
    std::vector<std::string> lines;
    lines.push_back(std::string("# zeb-fir ") + zeb_fir_v7_1_get_version() + ", model " + c.name);

    std::string type = enum_text(c, "filter_type");
    if (c.filter_type == ZEB_FIR_V7_1_INTERPOLATION || c.filter_type == ZEB_FIR_V7_1_DECIMATION)
        type += " (" + enum_text(c, "rate_change") + ")";
    if (c.filter_type == ZEB_FIR_V7_1_INTERPOLATED)
        type += " (zero_packing_factor " + std::to_string(c.zero_packing_factor) + ")";
    if (c.is_halfband) type += ", halfband";
    lines.push_back(row("filter type", type));
    lines.push_back(row("rates", "interpolation " + std::to_string(c.interpolation_rate) + ", decimation " +
                                     std::to_string(c.decimation_rate) + " (output rate = input rate x " +
                                     std::to_string(c.interpolation_rate) + "/" + std::to_string(c.decimation_rate) +
                                     ")"));
    lines.push_back(row("paths", std::to_string(c.num_paths)));
    std::string channels = std::to_string(c.num_channels) + " per path, " + enum_text(c, "chan_seq");
    if (c.chan_seq == ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ) channels += ", pattern " + std::to_string(c.init_pattern);
    lines.push_back(row("channels", channels));
    std::string coefficients = std::to_string(c.num_coeffs) + " per set, " + plural(c.coeff_sets, "set");
    if (c.coeff_padding) coefficients += ", " + std::to_string(c.coeff_padding) + " padding taps";
    coefficients += c.reloadable ? ", reloadable" : ", fixed";
    lines.push_back(row("coefficients", coefficients));
    lines.push_back(row("group delay", group_delay_text(model)));
    lines.push_back(row("data format", fixed_point_name(c.data_width, c.data_fract_width)));
    lines.push_back(row("coefficient format", fixed_point_name(c.coeff_width, c.coeff_fract_width) + " (" +
                                                  enum_text(c, "quantization") + ")"));
    lines.push_back(row("accumulator width", plural(model.info().acc_width, "bit")));
    lines.push_back(row("output format", fixed_point_name(c.output_width, c.output_fract_width) + " (" +
                                             enum_text(c, "output_rounding_mode") + ")"));
    lines.push_back(row("output fract width", plural(c.output_fract_width, "bit")));
    lines.push_back(
        row("output LSB weight", "2^" + std::to_string(model.info().output_lsb_exponent) + " in input-value units"));
    // Indexed by zeb_fir_v7_1_arithmetic.
    static const char* const arithmetic[] = {"double precision", "exact 128-bit integers",
                                             "arbitrary precision (GMP integers)"};
    lines.push_back(row("arithmetic", arithmetic[model.info().arithmetic]));
    if (c.coeff_sets > 1 || c.reloadable) lines.push_back(row("config method", enum_text(c, "config_method")));
    lines.push_back(row("stimulus", stimulus));

    std::string columns;
    if (model.hilbert() && format == SampleFormat::Real)
        columns = "re im per path (re: delayed input, im: filter output)";
    else if (model.hilbert() && format == SampleFormat::Int)
        columns = "re im per path (re: delayed input in input LSBs, im: filter output in output LSBs)";
    else if (model.hilbert())
        columns = "re im per path (re: delayed input, " + format_description(format, c.data_width, "input") +
                  "; im: filter output, " + format_description(format, c.output_width, "output") + ")";
    else
        columns = "one per path, " + format_description(format, c.output_width, "output");
    lines.push_back(row("output columns", columns));
    lines.push_back(row("output lines", "one per output time slot, whole vectors in hardware order"));
    return lines;
}

}  // namespace zebtool
