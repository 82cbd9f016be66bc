#include "config_builder.h"

#include <fstream>
#include <sstream>
#include <utility>

#include "config_fields.h"
#include "text_fields.h"
#include "tool_error.h"

namespace zebtool {

ConfigBuilder::ConfigBuilder()
{
    zeb_fir_v7_1_default_config(&config_);
    name_ = config_.name ? config_.name : "";
    const unsigned long long count = static_cast<unsigned long long>(config_.num_coeffs) * config_.coeff_sets;
    if (config_.coeff)
        coeffs_.assign(config_.coeff, config_.coeff + count);
}

void ConfigBuilder::assign(std::string_view assignment, const std::string& where)
{
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
        case FieldKind::Text:
            name_ = std::string(value);
            break;
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
            if (field->uint_member == &zeb_fir_v7_1_config::num_coeffs)
                num_coeffs_given_ = true;
            break;
        }
    } catch (const ToolError& e) {
        throw ToolError(where + ": " + e.what());
    }
}

void ConfigBuilder::load_config_text(std::string_view text, const std::string& source)
{
    std::size_t number = 0;
    for (bool more = true; more;) {
        const std::size_t end = text.find('\n');
        more = end != std::string_view::npos;
        std::string_view line = strip_comment(text.substr(0, end));
        if (more)
            text.remove_prefix(end + 1);
        ++number;
        while (!line.empty()) {
            const std::size_t semicolon = line.find(';');
            const std::string_view item = trim_blanks(line.substr(0, semicolon));
            if (!item.empty())
                assign(item, at_line(source, number));
            line = semicolon == std::string_view::npos ? std::string_view() : line.substr(semicolon + 1);
        }
    }
}

void ConfigBuilder::load_config_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ToolError("cannot read configuration file '" + path + "'");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        throw ToolError("error while reading configuration file '" + path + "'");
    load_config_text(text.str(), path);
}

void ConfigBuilder::load_coeff_file(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        throw ToolError("cannot read coefficient file '" + path + "'");
    std::vector<double> values;
    std::vector<std::string_view> fields;
    std::string line;
    std::size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        try {
            split_fields(strip_comment(line), fields);
        } catch (const ToolError& e) {
            throw ToolError(at_line(path, number) + ": " + e.what());
        }
        for (std::string_view field : fields) {
            double v = 0.0;
            if (!parse_double(field, v))
                throw ToolError(at_line(path, number) + ": not a number: '" + std::string(field) + "'");
            values.push_back(v);
        }
    }
    if (in.bad())
        throw ToolError("error while reading coefficient file '" + path + "'");
    if (values.empty())
        throw ToolError("coefficient file '" + path + "' holds no values");
    set_coefficients(std::move(values));
}

void ConfigBuilder::set_coefficients(std::vector<double> values)
{
    coeffs_ = std::move(values);
    coeffs_given_ = true;
}

const zeb_fir_v7_1_config& ConfigBuilder::finish()
{
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
    if (need == 0)
        return config_;  // nothing is read; the model judges the zero itself
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
