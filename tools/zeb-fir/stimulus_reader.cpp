#include "stimulus_reader.h"

#include <cmath>
#include <utility>

#include "text_fields.h"
#include "tool_error.h"

namespace zebtool {

StimulusReader::StimulusReader(std::istream& in, std::string source, std::size_t columns, double unit,
                               bool integers)
    : in_(in), source_(std::move(source)), columns_(columns), unit_(unit), integers_(integers)
{
    values_.resize(columns_);
}

void StimulusReader::fail(const std::string& text) const
{
    throw ToolError(at_line(source_, line_) + ": " + text);
}

StimulusReader::Item StimulusReader::next()
{
    while (std::getline(in_, text_)) {
        ++line_;
        bytes_ += text_.size() + 1;
        const std::string_view content = strip_comment(text_);
        if (content.empty())
            continue;
        if (content[0] == '@') {
            try {
                command_ = parse_packet_command(content.substr(1));
            } catch (const ToolError& e) {
                fail(e.what());
            }
            return Item::Command;
        }
        try {
            split_fields(content, fields_);
        } catch (const ToolError& e) {
            fail(e.what());
        }
        if (fields_.size() != columns_)
            fail("expected " + std::to_string(columns_) + (columns_ == 1 ? " value" : " values") +
                 " (one per path), found " + std::to_string(fields_.size()));
        for (std::size_t i = 0; i < columns_; ++i) {
            double v = 0.0;
            if (!parse_double(fields_[i], v))
                fail("value " + std::to_string(i + 1) + " is not a finite number: '" + std::string(fields_[i]) + "'");
            if (integers_ && std::floor(v) != v)
                fail("value " + std::to_string(i + 1) + " is not an integer: '" + std::string(fields_[i]) +
                     "' (--input-format int)");
            values_[i] = v * unit_;
        }
        return Item::Slot;
    }
    if (in_.bad())
        throw ToolError("error while reading " + source_);
    return Item::End;
}

}  // namespace zebtool
