#include "text_fields.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "tool_error.h"

namespace zebtool {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view without_plus(std::string_view text)
{
    // from_chars refuses a leading '+', which people do write.
    if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+')
        text.remove_prefix(1);
    return text;
}

}  // namespace

std::string_view trim_blanks(std::string_view text)
{
    while (!text.empty() && is_blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view strip_comment(std::string_view line)
{
    const std::size_t hash = line.find('#');
    if (hash != std::string_view::npos)
        line = line.substr(0, hash);
    return trim_blanks(line);
}

void split_fields(std::string_view text, std::vector<std::string_view>& fields)
{
    fields.clear();
    std::size_t i = 0;
    const std::size_t n = text.size();
    bool need_field = false;  // a comma was seen: the next thing must be a field
    while (i < n) {
        while (i < n && is_blank(text[i]))
            ++i;
        if (i == n)
            break;
        if (text[i] == ',') {
            if (need_field || fields.empty())
                throw ToolError("empty field at column " + std::to_string(i + 1));
            need_field = true;
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < n && !is_blank(text[i]) && text[i] != ',')
            ++i;
        fields.push_back(text.substr(start, i - start));
        need_field = false;
    }
    if (need_field)
        throw ToolError("empty field after the last comma");
}

bool parse_double(std::string_view text, double& value)
{
    text = without_plus(text);
    if (text.empty())
        return false;
    double v = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), v);
    if (result.ptr != text.data() + text.size())
        return false;
    if (result.ec == std::errc::result_out_of_range) {
        // A well-formed number beyond the double range: strtod gives the
        // nearest double (zero for a magnitude too small, infinity for one
        // too large).  The tool never sets a locale, so its decimal point is '.'.
        v = std::strtod(std::string(text).c_str(), nullptr);
    } else if (result.ec != std::errc()) {
        return false;
    }
    if (!std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool parse_int64(std::string_view text, std::int64_t& value)
{
    text = without_plus(text);
    if (text.empty())
        return false;
    std::int64_t v = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), v, 10);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return false;
    value = v;
    return true;
}

bool parse_field_word(std::string_view text, std::uint32_t& value)
{
    std::int64_t v = 0;
    if (!parse_int64(text, v))
        return false;
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::uint32_t>::max())
        return false;
    value = static_cast<std::uint32_t>(v);
    return true;
}

namespace {

template <typename T, typename Parse>
bool parse_list(std::string_view text, std::vector<T>& values, Parse parse)
{
    values.clear();
    if (text.empty())
        return true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string_view item =
            text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        T v{};
        if (!parse(item, v))
            return false;
        values.push_back(v);
        if (comma == std::string_view::npos)
            return true;
        start = comma + 1;
    }
}

}  // namespace

bool parse_double_list(std::string_view text, std::vector<double>& values)
{
    return parse_list(text, values, [](std::string_view item, double& v) { return parse_double(item, v); });
}

bool parse_unsigned_list(std::string_view text, std::vector<unsigned int>& values)
{
    return parse_list(text, values, [](std::string_view item, unsigned int& v) {
        std::int64_t w = 0;
        if (!parse_int64(item, w) || w < 0 || w > std::numeric_limits<unsigned int>::max())
            return false;
        v = static_cast<unsigned int>(w);
        return true;
    });
}

std::string at_line(const std::string& source, std::size_t line)
{
    return source + ":" + std::to_string(line);
}

}  // namespace zebtool
