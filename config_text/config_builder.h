// Builds the creation record from --set, --config and --coeff-file in the
// order they were given, and keeps the texts and coefficient values the
// record points at.
#ifndef ZEB_CONFIG_TEXT_CONFIG_BUILDER_H
#define ZEB_CONFIG_TEXT_CONFIG_BUILDER_H

#include <string>
#include <string_view>
#include <vector>

#include "text_fields.h"
#include "zeb_fir_v7_1.h"

namespace zebtool {

class ConfigBuilder {
public:
    // Starts from the library's default record and its coefficients.
    ConfigBuilder();

    // One FIELD=VALUE assignment; where names its origin for messages
    // ("--set", "tap.cfg:3").  Throws ToolError.
    void assign(std::string_view assignment, const std::string& where);

    // FIELD=VALUE assignments, one per line or several separated by ';',
    // '#' comments and blank lines; source names the text in messages
    // ("source:LINE").
    void load_config_text(std::string_view text, const std::string& source);

    // The same lines from a file, named by its path, read line by line
    // (lines of at most kMaxLineLength characters).  A directory is refused.
    void load_config_file(const std::string& path);

    // How load_coeff_file reads its numbers: real values (default),
    // integers in units of the coefficient LSB 2^-coeff_fract_width, or
    // coeff_width-bit two's-complement patterns in hex or binary digits.
    // Integers and patterns are converted by finish(), with the widths of
    // the finished record.
    void set_coeff_format(SampleFormat format) { coeff_format_ = format; }

    // Numbers separated by blanks, commas or line breaks, '#' and '//'
    // comments (and, in hex and binary, '@' address lines, skipped).
    void load_coeff_file(const std::string& path);

    // Settles num_coeffs against the coefficient count and returns the
    // record, valid while this builder lives.  Throws ToolError when the
    // record would make the model read past the coefficients it is given.
    const zeb_fir_v7_1_config& finish();

private:
    struct DigitCoeff {
        std::string text;
        std::size_t line;
        std::size_t index;  // 1-based position on its line
    };

    void load_config_line(std::string_view line, const std::string& source, std::size_t number);
    void set_coefficients(std::vector<double> values);
    void convert_pending_coefficients();

    zeb_fir_v7_1_config config_;
    std::string name_;
    std::vector<double> coeffs_;
    bool coeffs_given_ = false;
    bool num_coeffs_given_ = false;
    SampleFormat coeff_format_ = SampleFormat::Real;
    SampleFormat pending_format_ = SampleFormat::Real;  // of the values held, until finish() converts them
    std::string pending_path_;
    std::vector<DigitCoeff> digit_coeffs_;
};

}  // namespace zebtool

#endif
