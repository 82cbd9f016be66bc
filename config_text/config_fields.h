// The 25 fields of the creation record by their record names: how a
// FIELD=VALUE text is written into the record, which values each accepts,
// and how a value is named back in the summary and the reference table.
#ifndef ZEB_CONFIG_TEXT_CONFIG_FIELDS_H
#define ZEB_CONFIG_TEXT_CONFIG_FIELDS_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "zeb_fir_v7_1.h"

namespace zebtool {

enum class FieldKind {
    Text,          // name
    Coefficients,  // coeff: a comma-separated list, kept by ConfigBuilder
    Number,        // unsigned int fields
    Enumerated,    // int fields with named values
    Pattern        // init_pattern: a number or PATTERN_BASIC
};

struct Enumerator {
    const char* name;  // without the ZEB_FIR_V7_1_ prefix
    int value;
};

struct FieldInfo {
    const char* name;
    FieldKind kind;
    int zeb_fir_v7_1_config::*int_member;            // Enumerated, Pattern
    unsigned int zeb_fir_v7_1_config::*uint_member;  // Number
    const Enumerator* enumerators;
    std::size_t enumerator_count;
    const char* valid;    // accepted values, for the reference table
    const char* meaning;  // one line for the reference table
};

// All fields in record order.
const FieldInfo* config_fields(std::size_t& count);

// The field of that record name; null when there is none.
const FieldInfo* find_config_field(std::string_view name);

// Writes a numeric, enumerated or pattern field.  Enumerated fields take
// the enumerator name with or without its ZEB_FIR_V7_1_ prefix, in any
// case, or a number; numbers are stored as the model reads them (any value
// from -2^31 to 2^32-1) so that the model itself judges the range.
// Throws ToolError with a text naming the accepted spellings.
void write_field_value(zeb_fir_v7_1_config& config, const FieldInfo& field, std::string_view value);

// The value of a numeric, enumerated or pattern field as text: enumerators
// by name ("DECIMATION"), the basic pattern as PATTERN_BASIC, numbers in
// decimal.
std::string field_value_text(const zeb_fir_v7_1_config& config, const FieldInfo& field);

// The enumerator name of value v of field (e.g. "FULL_PRECISION"), or the
// number when v names nothing.
std::string enumerator_text(const FieldInfo& field, int v);

// Prints the reference table (field, accepted values, default, meaning)
// as Markdown, with the library's defaults.
void print_field_table(std::FILE* out);

}  // namespace zebtool

#endif
