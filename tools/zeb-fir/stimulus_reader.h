// Reads a stimulus text line by line: one line per input time slot in the
// hardware's order with one number per path, blank and comment lines
// ignored, and '@' lines carrying run-time packets (packet_commands.h).
#ifndef ZEB_TOOL_STIMULUS_READER_H
#define ZEB_TOOL_STIMULUS_READER_H

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "config_text/line_reader.h"
#include "config_text/packet_commands.h"
#include "config_text/text_fields.h"

namespace zebtool {

class StimulusReader {
public:
    enum class Item { Slot, Command, End };

    // columns: numbers per line (the number of paths).  format: real
    // sample values, or integers in units of the input LSB (int), or
    // data_width-bit two's-complement patterns of them (hex, bin).
    // lsb: the input LSB, 2^-data_fract_width.
    StimulusReader(std::istream& in, std::string source, std::size_t columns, SampleFormat format, double lsb,
                   unsigned data_width);

    // Advances to the next slot or command.  Throws ToolError naming the
    // source and line for a malformed or over-long line.
    Item next();

    const std::vector<double>& values() const { return values_; }
    const PacketCommand& command() const { return command_; }
    std::size_t line() const { return lines_.line_number(); }
    const std::string& source() const { return lines_.source(); }
    std::uint64_t bytes_read() const { return lines_.bytes_read(); }

private:
    [[noreturn]] void fail(const std::string& text) const;

    LineReader lines_;
    std::size_t columns_;
    SampleFormat format_;
    double lsb_;
    unsigned data_width_;
    std::string text_;
    std::vector<std::string_view> fields_;
    std::vector<double> values_;
    PacketCommand command_;
};

}  // namespace zebtool

#endif
