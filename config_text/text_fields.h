// Splitting text lines into fields and reading numbers from them.  Every
// file the tool reads (stimulus, golden output, configuration, coefficients)
// goes through these, so they all accept the same spelling.
#ifndef ZEB_CONFIG_TEXT_TEXT_FIELDS_H
#define ZEB_CONFIG_TEXT_TEXT_FIELDS_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zebtool {

// How numbers are written in stimulus, output, golden and coefficient
// files: real values, integers in units of an LSB, or the two's-complement
// bit pattern of a W-bit bus in hex or binary digits (as Verilog's %h, %b,
// $readmemh and $writememh write them).
enum class SampleFormat { Real, Int, Hex, Bin };

// "real", "int", "hex", "bin".
const char* format_name(SampleFormat format);

// Parses one of those names; false for any other text.
bool parse_format_name(std::string_view text, SampleFormat& format);

// The text without surrounding blanks.
std::string_view trim_blanks(std::string_view text);

// The line without its '#' comment, trailing carriage return and
// surrounding blanks.
std::string_view strip_comment(std::string_view line);

// The line of a sample file (stimulus, golden, coefficients) without its
// comment, which starts at '#' or at "//" (as $writememh writes them),
// and surrounding blanks.
std::string_view strip_data_comment(std::string_view line);

// True for an address line of a $readmemh / $readmemb file: '@' followed
// only by hex digits ("@0", "@1f").  Readers of hex and binary files skip
// them: values are taken in file order.
bool is_address_line(std::string_view content);

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

// Hex (radix 16) or binary (radix 2) digits of a W-bit bus: either case,
// at least one digit, fewer than the bus has allowed, and a value below
// 2^width (read as an unsigned bit pattern).
enum class DigitsCheck { Ok, Unknown, NotDigits, TooWide };
DigitsCheck check_digits(std::string_view text, unsigned radix, unsigned width);

// The problem as a message: "value 2 has unknown bits (x or z): '1x'",
// "value 2 is not a hex number: 'g'", "value 2 does not fit 16 bits:
// '1ffff'", followed by " (OPTION)" when option is not empty.
std::string digits_problem(DigitsCheck problem, std::size_t index, std::string_view text, unsigned radix,
                           unsigned width, const std::string& option);

// The value of checked digits of at most 64 bits.
std::uint64_t digits_value(std::string_view text, unsigned radix);

// A width-bit two's-complement pattern (1 to 64 bits) as a signed value.
std::int64_t twos_complement(std::uint64_t bits, unsigned width);

// "line 12" style location used in every message about a file.
std::string at_line(const std::string& source, std::size_t line);

}  // namespace zebtool

#endif
