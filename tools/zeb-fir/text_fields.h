// Splitting text lines into fields and reading numbers from them.  Every
// file the tool reads (stimulus, golden output, configuration, coefficients)
// goes through these, so they all accept the same spelling.
#ifndef ZEB_TOOL_TEXT_FIELDS_H
#define ZEB_TOOL_TEXT_FIELDS_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zebtool {

// The text without surrounding blanks.
std::string_view trim_blanks(std::string_view text);

// The line without its '#' comment, trailing carriage return and
// surrounding blanks.
std::string_view strip_comment(std::string_view line);

// Fields separated by blanks and/or one comma.  Two commas in a row, or a
// comma at either end, leave a field empty: that throws ToolError naming
// the 1-based column of the offending comma.
void split_fields(std::string_view text, std::vector<std::string_view>& fields);

// Whole-text conversions; false when the text is not entirely a number of
// that kind.  A leading '+' is accepted.  Doubles must be finite.
bool parse_double(std::string_view text, double& value);
bool parse_int64(std::string_view text, std::int64_t& value);

// A 32-bit value as a C configuration field stores it: anything from
// -2^31 to 2^32-1 (a negative number is kept as its two's-complement bit
// pattern, which the model then reads as a very large value).
bool parse_field_word(std::string_view text, std::uint32_t& value);

// Comma-separated list of numbers ("1,2.5,-3").
bool parse_double_list(std::string_view text, std::vector<double>& values);
bool parse_unsigned_list(std::string_view text, std::vector<unsigned int>& values);

// "line 12" style location used in every message about a file.
std::string at_line(const std::string& source, std::size_t line);

}  // namespace zebtool

#endif
