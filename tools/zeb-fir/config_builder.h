// Builds the creation record from --set, --config and --coeff-file in the
// order they were given, and keeps the texts and coefficient values the
// record points at.
#ifndef ZEB_TOOL_CONFIG_BUILDER_H
#define ZEB_TOOL_CONFIG_BUILDER_H

#include <string>
#include <string_view>
#include <vector>

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

    // load_config_text on the whole file, named by its path.
    void load_config_file(const std::string& path);

    // Numbers separated by blanks, commas or line breaks, '#' comments.
    void load_coeff_file(const std::string& path);

    // Settles num_coeffs against the coefficient count and returns the
    // record, valid while this builder lives.  Throws ToolError when the
    // record would make the model read past the coefficients it is given.
    const zeb_fir_v7_1_config& finish();

private:
    void set_coefficients(std::vector<double> values);

    zeb_fir_v7_1_config config_;
    std::string name_;
    std::vector<double> coeffs_;
    bool coeffs_given_ = false;
    bool num_coeffs_given_ = false;
};

}  // namespace zebtool

#endif
