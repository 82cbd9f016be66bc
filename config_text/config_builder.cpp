#include "config_builder.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <utility>

#include "config_fields.h"
#include "line_reader.h"
#include "text_fields.h"
#include "tool_error.h"

namespace zebtool {

ConfigBuilder::ConfigBuilder() {
    zeb_fir_v7_1_default_config(&config_);
    name_ = config_.name ? config_.name : "";
    const unsigned long long count = static_cast<unsigned long long>(config_.num_coeffs) * config_.coeff_sets;
    if (config_.coeff) coeffs_.assign(config_.coeff, config_.coeff + count);
}

void ConfigBuilder::assign(std::string_view assignment, const std::string& where) {
    const std::size_t eq = assignment.find('=');
    if (eq == std::string_view::npos)
        throw ToolError(where + ": expected FIELD=VALUE, got '" + std::string(assignment) + "'");
    const std::string_view key = trim_blanks(assignment.substr(0, eq));
    const std::string_view value = trim_blanks(assignment.substr(eq + 1));
    const FieldInfo* field = find_config_field(key);
    if (!field)
        throw ToolError(where + ": unknown configuration field '" + std::string(key) +
                        "' (zeb-fir --list-fields shows them all)");
    try {
        switch (field->kind) {
            case FieldKind::Text: name_ = std::string(value); break;
            case FieldKind::Coefficients: {
                std::vector<double> values;
                if (!parse_double_list(value, values) || values.empty())
                    throw ToolError("bad coefficient list '" + std::string(value) +
                                    "': expected numbers separated by commas");
                set_coefficients(std::move(values));
                break;
            }
            default:
                write_field_value(config_, *field, value);
                if (field->uint_member == &zeb_fir_v7_1_config::num_coeffs) num_coeffs_given_ = true;
                break;
        }
    } catch (const ToolError& e) {
        throw ToolError(where + ": " + e.what());
    }
}

void ConfigBuilder::load_config_line(std::string_view line, const std::string& source, std::size_t number) {
    line = strip_comment(line);
    while (!line.empty()) {
        const std::size_t semicolon = line.find(';');
        const std::string_view item = trim_blanks(line.substr(0, semicolon));
        if (!item.empty()) assign(item, at_line(source, number));
        line = semicolon == std::string_view::npos ? std::string_view() : line.substr(semicolon + 1);
    }
}

void ConfigBuilder::load_config_text(std::string_view text, const std::string& source) {
    std::size_t number = 0;
    for (bool more = true; more;) {
        const std::size_t end = text.find('\n');
        more = end != std::string_view::npos;
        const std::string_view line = text.substr(0, end);
        if (more) text.remove_prefix(end + 1);
        load_config_line(line, source, ++number);
    }
}

void ConfigBuilder::load_config_file(const std::string& path) {
    std::ifstream in;
    open_input_file(in, path, "configuration file");
    LineReader lines(in, path, "error while reading configuration file '" + path + "'");
    std::string line;
    while (lines.next(line)) load_config_line(line, path, lines.line_number());
}

void ConfigBuilder::load_coeff_file(const std::string& path) {
    std::ifstream in;
    open_input_file(in, path, "coefficient file");
    LineReader lines(in, path, "error while reading coefficient file '" + path + "'");
    const bool digits = coeff_format_ == SampleFormat::Hex || coeff_format_ == SampleFormat::Bin;
    const unsigned radix = coeff_format_ == SampleFormat::Hex ? 16 : 2;
    const std::string option = std::string("--coeff-format ") + format_name(coeff_format_);
    std::vector<double> values;
    std::vector<DigitCoeff> digit_values;
    std::vector<std::string_view> fields;
    std::string line;
    while (lines.next(line)) {
        const std::string where = at_line(path, lines.line_number());
        const std::string_view content = strip_data_comment(line);
        if (digits && is_address_line(content)) continue;
        try {
            split_fields(content, fields);
        } catch (const ToolError& e) {
            throw ToolError(where + ": " + e.what());
        }
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const std::string_view field = fields[i];
            if (digits) {
                // The width is that of the finished record: checked by finish().
                const DigitsCheck check = check_digits(field, radix, std::numeric_limits<unsigned>::max());
                if (check != DigitsCheck::Ok)
                    throw ToolError(where + ": " + digits_problem(check, i + 1, field, radix, 0, option));
                digit_values.push_back({std::string(field), lines.line_number(), i + 1});
                continue;
            }
            double v = 0.0;
            if (!parse_double(field, v)) throw ToolError(where + ": not a number: '" + std::string(field) + "'");
            if (coeff_format_ == SampleFormat::Int && std::floor(v) != v)
                throw ToolError(where + ": not an integer: '" + std::string(field) + "' (" + option + ")");
            values.push_back(v);
        }
    }
    if (values.empty() && digit_values.empty()) throw ToolError("coefficient file '" + path + "' holds no values");
    set_coefficients(std::move(values));
    // Integers (in coefficient LSBs) and bit patterns are turned into
    // values by finish(), with the record's final widths.
    pending_format_ = coeff_format_;
    pending_path_ = path;
    digit_coeffs_ = std::move(digit_values);
}

void ConfigBuilder::convert_pending_coefficients() {
    if (pending_format_ == SampleFormat::Real) return;
    const unsigned cw = config_.coeff_width;
    const int lsb = -static_cast<int>(std::min(config_.coeff_fract_width, 2000u));
    if (pending_format_ != SampleFormat::Int) {
        const unsigned radix = pending_format_ == SampleFormat::Hex ? 16 : 2;
        const bool width_known = cw >= 1 && cw <= 64;  // else the model refuses coeff_width itself
        coeffs_.clear();
        coeffs_.reserve(digit_coeffs_.size());
        for (const DigitCoeff& d : digit_coeffs_) {
            const DigitsCheck check = check_digits(d.text, radix, width_known ? cw : 64);
            if (check != DigitsCheck::Ok)
                throw ToolError(at_line(pending_path_, d.line) + ": " +
                                digits_problem(check, d.index, d.text, radix, width_known ? cw : 64,
                                               std::string("--coeff-format ") + format_name(pending_format_) +
                                                   ", coeff_width " + std::to_string(cw)));
            const std::uint64_t bits = digits_value(d.text, radix);
            coeffs_.push_back(
                static_cast<double>(width_known ? twos_complement(bits, cw) : static_cast<std::int64_t>(bits)));
        }
        digit_coeffs_.clear();
    }
    for (double& v : coeffs_) v = std::ldexp(v, lsb);
    pending_format_ = SampleFormat::Real;
}

void ConfigBuilder::set_coefficients(std::vector<double> values) {
    coeffs_ = std::move(values);
    pending_format_ = SampleFormat::Real;
    digit_coeffs_.clear();
    coeffs_given_ = true;
}

const zeb_fir_v7_1_config& ConfigBuilder::finish() {
    convert_pending_coefficients();
    const unsigned long long have = coeffs_.size();
    if (coeffs_given_ && !num_coeffs_given_ && config_.coeff_sets != 0) {
        if (have % config_.coeff_sets != 0)
            throw ToolError(std::to_string(have) + " coefficient values do not divide into coeff_sets = " +
                            std::to_string(config_.coeff_sets) + " sets of equal length");
        config_.num_coeffs = static_cast<unsigned int>(have / config_.coeff_sets);
    }
    // The model reads num_coeffs x coeff_sets values from the pointer it is
    // given; never let it read beyond what this builder holds.
    const unsigned long long need = static_cast<unsigned long long>(config_.num_coeffs) * config_.coeff_sets;
    config_.name = name_.c_str();
    config_.coeff = coeffs_.data();
    if (need == 0) return config_;  // nothing is read; the model judges the zero itself
    const std::string sizes = "num_coeffs x coeff_sets = " + std::to_string(config_.num_coeffs) + " x " +
                              std::to_string(config_.coeff_sets) + " = " + std::to_string(need);
    if (coeffs_given_ && need != have)
        throw ToolError(sizes + " coefficient values expected, " + std::to_string(have) + " given");
    if (!coeffs_given_ && need > have)
        throw ToolError(sizes + " coefficient values needed, but only the " + std::to_string(have) +
                        " default values are available: give them with --coeff-file or --set coeff=...");
    return config_;
}

}  // namespace zebtool
