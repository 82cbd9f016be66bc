#include "stimulus_reader.h"

#include <cmath>
#include <utility>

#include "config_text/tool_error.h"

namespace zebtool {

StimulusReader::StimulusReader(std::istream& in, std::string source, std::size_t columns, SampleFormat format,
                               double lsb, unsigned data_width)
    : lines_(in, source, "error while reading " + source),
      columns_(columns),
      format_(format),
      lsb_(lsb),
      data_width_(data_width) {
    values_.resize(columns_);
}

void StimulusReader::fail(const std::string& text) const { throw ToolError(at_line(source(), line()) + ": " + text); }

StimulusReader::Item StimulusReader::next() {
    const bool digits = format_ == SampleFormat::Hex || format_ == SampleFormat::Bin;
    const unsigned radix = format_ == SampleFormat::Hex ? 16 : 2;
    while (lines_.next(text_)) {
        const std::string_view content = strip_data_comment(text_);
        if (content.empty() || (digits && is_address_line(content))) continue;
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
            const std::string_view field = fields_[i];
            if (digits) {
                const DigitsCheck check = check_digits(field, radix, data_width_);
                if (check != DigitsCheck::Ok)
                    fail(digits_problem(check, i + 1, field, radix, data_width_,
                                        std::string("--input-format ") + format_name(format_)));
                values_[i] = static_cast<double>(twos_complement(digits_value(field, radix), data_width_)) * lsb_;
                continue;
            }
            double v = 0.0;
            if (!parse_double(field, v))
                fail("value " + std::to_string(i + 1) + " is not a finite number: '" + std::string(field) + "'");
            if (format_ == SampleFormat::Int && std::floor(v) != v)
                fail("value " + std::to_string(i + 1) + " is not an integer: '" + std::string(field) +
                     "' (--input-format int)");
            values_[i] = format_ == SampleFormat::Int ? v * lsb_ : v;
        }
        return Item::Slot;
    }
    return Item::End;
}

}  // namespace zebtool
