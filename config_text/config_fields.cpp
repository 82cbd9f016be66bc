#include "config_fields.h"

#include <cctype>
#include <cstdio>
#include <type_traits>

#include "text_fields.h"
#include "tool_error.h"

namespace zebtool {

static_assert(std::is_same<zeb_fir_v7_1_pattern, int>::value, "init_pattern is written as an int field");

namespace {

using Config = zeb_fir_v7_1_config;

const Enumerator kFilterTypes[] = {
    {"SINGLE_RATE", ZEB_FIR_V7_1_SINGLE_RATE},   {"INTERPOLATION", ZEB_FIR_V7_1_INTERPOLATION},
    {"DECIMATION", ZEB_FIR_V7_1_DECIMATION},     {"HILBERT", ZEB_FIR_V7_1_HILBERT},
    {"INTERPOLATED", ZEB_FIR_V7_1_INTERPOLATED},
};
const Enumerator kRateChanges[] = {
    {"INTEGER_RATE", ZEB_FIR_V7_1_INTEGER_RATE},
    {"FIXED_FRACTIONAL", ZEB_FIR_V7_1_FIXED_FRACTIONAL},
};
const Enumerator kQuantizations[] = {
    {"QUANTIZE_INTEGER", ZEB_FIR_V7_1_QUANTIZE_INTEGER},
    {"QUANTIZE_ONLY", ZEB_FIR_V7_1_QUANTIZE_ONLY},
    {"MAXIMIZE_DYNAMIC_RANGE", ZEB_FIR_V7_1_MAXIMIZE_DYNAMIC_RANGE},
};
const Enumerator kChanSeqs[] = {
    {"BASIC_CHAN_SEQ", ZEB_FIR_V7_1_BASIC_CHAN_SEQ},
    {"ADVANCED_CHAN_SEQ", ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ},
};
const Enumerator kRoundings[] = {
    {"FULL_PRECISION", ZEB_FIR_V7_1_FULL_PRECISION},         {"TRUNCATE_LSBS", ZEB_FIR_V7_1_TRUNCATE_LSBS},
    {"ROUND_HALF_TO_ZERO", ZEB_FIR_V7_1_ROUND_HALF_TO_ZERO}, {"ROUND_HALF_AWAY", ZEB_FIR_V7_1_ROUND_HALF_AWAY},
    {"ROUND_HALF_EVEN", ZEB_FIR_V7_1_ROUND_HALF_EVEN},       {"ROUND_HALF_ODD", ZEB_FIR_V7_1_ROUND_HALF_ODD},
    {"ROUND_HALF_DOWN", ZEB_FIR_V7_1_ROUND_HALF_DOWN},       {"ROUND_HALF_UP", ZEB_FIR_V7_1_ROUND_HALF_UP},
};
const Enumerator kConfigMethods[] = {
    {"CONFIG_SINGLE", ZEB_FIR_V7_1_CONFIG_SINGLE},
    {"CONFIG_BY_CHANNEL", ZEB_FIR_V7_1_CONFIG_BY_CHANNEL},
};
const Enumerator kPatterns[] = {{"PATTERN_BASIC", ZEB_FIR_V7_1_PATTERN_BASIC}};

template <std::size_t N>
constexpr FieldInfo enumerated(const char* name, int Config::*member, const Enumerator (&values)[N], const char* valid,
                               const char* meaning) {
    return FieldInfo{name, FieldKind::Enumerated, member, nullptr, values, N, valid, meaning};
}

constexpr FieldInfo number(const char* name, unsigned int Config::*member, const char* valid, const char* meaning) {
    return FieldInfo{name, FieldKind::Number, nullptr, member, nullptr, 0, valid, meaning};
}

const FieldInfo kFields[] = {
    {"name", FieldKind::Text, nullptr, nullptr, nullptr, 0, "any text", "instance name, prefixes every model message"},
    enumerated("filter_type", &Config::filter_type, kFilterTypes,
               "SINGLE_RATE, INTERPOLATION, DECIMATION, HILBERT, INTERPOLATED (0 to 4)", "filter type"),
    enumerated("rate_change", &Config::rate_change, kRateChanges, "INTEGER_RATE, FIXED_FRACTIONAL (0, 1)",
               "integer rate change, or interpolation_rate/decimation_rate"),
    number("interpolation_rate", &Config::interpolation_rate, "1 to 1024",
           "interpolation factor (INTERPOLATION; FIXED_FRACTIONAL DECIMATION)"),
    number("decimation_rate", &Config::decimation_rate,
           "1 to 1024; coprime with interpolation_rate when FIXED_FRACTIONAL",
           "decimation factor (DECIMATION; FIXED_FRACTIONAL INTERPOLATION)"),
    number("zero_packing_factor", &Config::zero_packing_factor, "1 to 8",
           "INTERPOLATED: every coefficient is followed by factor-1 zero taps"),
    {"coeff", FieldKind::Coefficients, nullptr, nullptr, nullptr, 0,
     "num_coeffs x coeff_sets numbers, comma-separated, set after set (or --coeff-file)", "coefficient values"},
    number("coeff_padding", &Config::coeff_padding,
           "0 or more; (num_coeffs + coeff_padding) x zero_packing_factor at most 65536",
           "leading zero taps added to every set"),
    number("num_coeffs", &Config::num_coeffs, "1 or more (taken from the coefficient count when not set)",
           "coefficients per set"),
    number("coeff_sets", &Config::coeff_sets, "1 or more; times the padded coefficient count at most 1048576",
           "number of coefficient sets"),
    number("reloadable", &Config::reloadable, "0, 1", "coefficient sets may be reloaded at run time"),
    number("is_halfband", &Config::is_halfband, "0, 1", "halfband filter (all taps still given)"),
    enumerated("quantization", &Config::quantization, kQuantizations,
               "QUANTIZE_INTEGER, QUANTIZE_ONLY, MAXIMIZE_DYNAMIC_RANGE (0 to 2)",
               "coefficients used as given, or scaled to fill coeff_width"),
    number("coeff_width", &Config::coeff_width, "1 to 49", "coefficient width in bits"),
    number("coeff_fract_width", &Config::coeff_fract_width, "0 to 1022 - data_fract_width",
           "fractional bits of the coefficients"),
    enumerated("chan_seq", &Config::chan_seq, kChanSeqs, "BASIC_CHAN_SEQ, ADVANCED_CHAN_SEQ (0, 1)",
               "channel order: natural, or an advanced pattern"),
    number("num_channels", &Config::num_channels,
           "1 to 256, 512 or 1024; ADVANCED_CHAN_SEQ: 4, 6, 8, 12, 16, 24, 32, 48 or 64",
           "time-division channels per path"),
    {"init_pattern", FieldKind::Pattern, &Config::init_pattern, nullptr, kPatterns, 1,
     "PATTERN_BASIC (175), or 0 to 173 within the range of num_channels",
     "channel pattern after creation (advanced only)"},
    number("num_paths", &Config::num_paths, "1 to 16", "parallel data paths"),
    number("data_width", &Config::data_width, "1 to 49", "input sample width in bits"),
    number("data_fract_width", &Config::data_fract_width, "0 to data_width", "fractional bits of the input"),
    enumerated("output_rounding_mode", &Config::output_rounding_mode, kRoundings,
               "FULL_PRECISION, TRUNCATE_LSBS, ROUND_HALF_TO_ZERO, ROUND_HALF_AWAY, ROUND_HALF_EVEN, "
               "ROUND_HALF_ODD, ROUND_HALF_DOWN, ROUND_HALF_UP (0 to 7)",
               "output rounding"),
    number("output_width", &Config::output_width, "at most the accumulator width (ignored with FULL_PRECISION)",
           "output width in bits"),
    number("output_fract_width", &Config::output_fract_width, "derived by the model (a given value is replaced)",
           "fractional bits of the output"),
    enumerated("config_method", &Config::config_method, kConfigMethods, "CONFIG_SINGLE, CONFIG_BY_CHANNEL (0, 1)",
               "one coefficient-set selector for all channels, or one per channel"),
};

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string accepted_names(const FieldInfo& field) {
    std::string text;
    for (std::size_t i = 0; i < field.enumerator_count; ++i) {
        text += field.enumerators[i].name;
        text += ", ";
    }
    return text + "or a number";
}

}  // namespace

const FieldInfo* config_fields(std::size_t& count) {
    count = sizeof kFields / sizeof kFields[0];
    return kFields;
}

const FieldInfo* find_config_field(std::string_view name) {
    for (const FieldInfo& field : kFields)
        if (name == field.name) return &field;
    return nullptr;
}

void write_field_value(zeb_fir_v7_1_config& config, const FieldInfo& field, std::string_view value) {
    std::uint32_t word = 0;
    if (field.kind == FieldKind::Enumerated || field.kind == FieldKind::Pattern) {
        constexpr std::string_view prefix = "ZEB_FIR_V7_1_";
        std::string_view bare = value;
        if (bare.size() > prefix.size() && same_name(bare.substr(0, prefix.size()), prefix))
            bare.remove_prefix(prefix.size());
        for (std::size_t i = 0; i < field.enumerator_count; ++i) {
            if (same_name(bare, field.enumerators[i].name)) {
                config.*field.int_member = field.enumerators[i].value;
                return;
            }
        }
        if (!parse_field_word(value, word))
            throw ToolError("unknown value '" + std::string(value) + "' for " + field.name + ": expected " +
                            accepted_names(field));
        config.*field.int_member = static_cast<int>(word);
        return;
    }
    if (field.kind != FieldKind::Number) throw ToolError(std::string("field ") + field.name + " is not a number field");
    if (!parse_field_word(value, word))
        throw ToolError("bad number '" + std::string(value) + "' for " + field.name +
                        ": expected an integer from -2147483648 to 4294967295");
    config.*field.uint_member = word;
}

std::string enumerator_text(const FieldInfo& field, int v) {
    for (std::size_t i = 0; i < field.enumerator_count; ++i)
        if (field.enumerators[i].value == v) return field.enumerators[i].name;
    return std::to_string(v);
}

std::string field_value_text(const zeb_fir_v7_1_config& config, const FieldInfo& field) {
    switch (field.kind) {
        case FieldKind::Text: return config.name ? config.name : "";
        case FieldKind::Coefficients:
            return std::to_string(config.num_coeffs * static_cast<unsigned long long>(config.coeff_sets)) + " values";
        case FieldKind::Number: return std::to_string(config.*field.uint_member);
        case FieldKind::Enumerated:
        case FieldKind::Pattern: return enumerator_text(field, config.*field.int_member);
    }
    return "";
}

void print_field_table(std::FILE* out) {
    zeb_fir_v7_1_config defaults;
    zeb_fir_v7_1_default_config(&defaults);
    std::fprintf(out, "| Field | Accepted values | Default | Meaning |\n|---|---|---|---|\n");
    for (const FieldInfo& field : kFields) {
        std::string def = field_value_text(defaults, field);
        if (field.kind == FieldKind::Coefficients) def += " (built in)";
        std::fprintf(out, "| `%s` | %s | %s | %s |\n", field.name, field.valid, def.c_str(), field.meaning);
    }
}

}  // namespace zebtool
