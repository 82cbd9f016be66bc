#include "text_fields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "tool_error.h"

namespace zebtool {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view without_plus(std::string_view text) {
    // from_chars refuses a leading '+', which people do write.
    if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+') text.remove_prefix(1);
    return text;
}

}  // namespace

const char* format_name(SampleFormat format) {
    switch (format) {
        case SampleFormat::Int: return "int";
        case SampleFormat::Hex: return "hex";
        case SampleFormat::Bin: return "bin";
        default: return "real";
    }
}

bool parse_format_name(std::string_view text, SampleFormat& format) {
    for (SampleFormat f : {SampleFormat::Real, SampleFormat::Int, SampleFormat::Hex, SampleFormat::Bin}) {
        if (text == format_name(f)) {
            format = f;
            return true;
        }
    }
    return false;
}

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view strip_comment(std::string_view line) {
    const std::size_t hash = line.find('#');
    if (hash != std::string_view::npos) line = line.substr(0, hash);
    return trim_blanks(line);
}

std::string_view strip_data_comment(std::string_view line) {
    const std::size_t cut = std::min(line.find('#'), line.find("//"));
    if (cut != std::string_view::npos) line = line.substr(0, cut);
    return trim_blanks(line);
}

namespace {

// Value of a digit in the radix, or -1.
int digit_value(char c, unsigned radix) {
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v >= 0 && static_cast<unsigned>(v) < radix ? v : -1;
}

bool is_unknown_bit(char c) { return c == 'x' || c == 'X' || c == 'z' || c == 'Z' || c == '?'; }

}  // namespace

bool is_address_line(std::string_view content) {
    if (content.size() < 2 || content[0] != '@') return false;
    for (char c : content.substr(1))
        if (digit_value(c, 16) < 0) return false;
    return true;
}

DigitsCheck check_digits(std::string_view text, unsigned radix, unsigned width) {
    bool unknown = false;
    bool bad = text.empty();
    for (char c : text) {
        if (is_unknown_bit(c))
            unknown = true;
        else if (digit_value(c, radix) < 0)
            bad = true;
    }
    if (bad) return DigitsCheck::NotDigits;
    if (unknown) return DigitsCheck::Unknown;
    const std::size_t first = text.find_first_not_of('0');
    if (first == std::string_view::npos) return DigitsCheck::Ok;
    const std::size_t digits = text.size() - first;
    std::size_t bits = digits;
    if (radix == 16) {
        const int top = digit_value(text[first], 16);
        bits = 4 * (digits - 1) + (top >= 8 ? 4 : top >= 4 ? 3 : top >= 2 ? 2 : 1);
    }
    return bits > width ? DigitsCheck::TooWide : DigitsCheck::Ok;
}

std::string digits_problem(DigitsCheck problem, std::size_t index, std::string_view text, unsigned radix,
                           unsigned width, const std::string& option) {
    std::string message = "value " + std::to_string(index);
    switch (problem) {
        case DigitsCheck::Unknown: message += " has unknown bits (x or z)"; break;
        case DigitsCheck::TooWide: message += " does not fit " + std::to_string(width) + " bits"; break;
        default: message += radix == 16 ? " is not a hex number" : " is not a binary number"; break;
    }
    message += ": '" + std::string(text) + "'";
    if (!option.empty()) message += " (" + option + ")";
    return message;
}

std::uint64_t digits_value(std::string_view text, unsigned radix) {
    std::uint64_t v = 0;
    for (char c : text) v = v * radix + static_cast<unsigned>(digit_value(c, radix));
    return v;
}

std::int64_t twos_complement(std::uint64_t bits, unsigned width) {
    if (width == 0 || width >= 64) return static_cast<std::int64_t>(bits);
    const std::uint64_t sign = std::uint64_t{1} << (width - 1);
    bits &= (sign << 1) - 1;
    // A set sign bit stands for bits - 2^width, at least -2^(width-1).
    return (bits & sign) ? -static_cast<std::int64_t>((sign << 1) - bits) : static_cast<std::int64_t>(bits);
}

void split_fields(std::string_view text, std::vector<std::string_view>& fields) {
    fields.clear();
    std::size_t i = 0;
    const std::size_t n = text.size();
    bool need_field = false;  // a comma was seen: the next thing must be a field
    while (i < n) {
        while (i < n && is_blank(text[i])) ++i;
        if (i == n) break;
        if (text[i] == ',') {
            if (need_field || fields.empty()) throw ToolError("empty field at column " + std::to_string(i + 1));
            need_field = true;
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < n && !is_blank(text[i]) && text[i] != ',') ++i;
        fields.push_back(text.substr(start, i - start));
        need_field = false;
    }
    if (need_field) throw ToolError("empty field after the last comma");
}

bool parse_double(std::string_view text, double& value) {
    text = without_plus(text);
    if (text.empty()) return false;
    double v = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), v);
    if (result.ptr != text.data() + text.size()) return false;
    if (result.ec == std::errc::result_out_of_range) {
        // A well-formed number beyond the double range: strtod gives the
        // nearest double (zero for a magnitude too small, infinity for one
        // too large).  The tool never sets a locale, so its decimal point is '.'.
        v = std::strtod(std::string(text).c_str(), nullptr);
    } else if (result.ec != std::errc()) {
        return false;
    }
    if (!std::isfinite(v)) return false;
    value = v;
    return true;
}

bool parse_int64(std::string_view text, std::int64_t& value) {
    text = without_plus(text);
    if (text.empty()) return false;
    std::int64_t v = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), v, 10);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
    value = v;
    return true;
}

bool parse_field_word(std::string_view text, std::uint32_t& value) {
    std::int64_t v = 0;
    if (!parse_int64(text, v)) return false;
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::uint32_t>::max()) return false;
    value = static_cast<std::uint32_t>(v);
    return true;
}

namespace {

template <typename T, typename Parse>
bool parse_list(std::string_view text, std::vector<T>& values, Parse parse) {
    values.clear();
    if (text.empty()) return true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string_view item =
            text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        T v{};
        if (!parse(item, v)) return false;
        values.push_back(v);
        if (comma == std::string_view::npos) return true;
        start = comma + 1;
    }
}

}  // namespace

bool parse_double_list(std::string_view text, std::vector<double>& values) {
    return parse_list(text, values, [](std::string_view item, double& v) { return parse_double(item, v); });
}

bool parse_unsigned_list(std::string_view text, std::vector<unsigned int>& values) {
    return parse_list(text, values, [](std::string_view item, unsigned int& v) {
        std::int64_t w = 0;
        if (!parse_int64(item, w) || w < 0 || w > std::numeric_limits<unsigned int>::max()) return false;
        v = static_cast<unsigned int>(w);
        return true;
    });
}

std::string at_line(const std::string& source, std::size_t line) { return source + ":" + std::to_string(line); }

}  // namespace zebtool
