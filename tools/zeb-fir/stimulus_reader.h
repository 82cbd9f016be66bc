// Reads a stimulus text line by line: one line per input time slot in the
// hardware's order with one number per path, blank and '#' comment lines
// ignored, and '@' lines carrying run-time packets (packet_commands.h).
#ifndef ZEB_TOOL_STIMULUS_READER_H
#define ZEB_TOOL_STIMULUS_READER_H

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "packet_commands.h"

namespace zebtool {

class StimulusReader {
public:
    enum class Item { Slot, Command, End };

    // columns: numbers per line (the number of paths).  unit: factor
    // applied to every number (1 for real values, 2^-data_fract_width for
    // integers in units of the input LSB, which must then be whole).
    StimulusReader(std::istream& in, std::string source, std::size_t columns, double unit, bool integers);

    // Advances to the next slot or command.  Throws ToolError naming the
    // source and line for a malformed line.
    Item next();

    const std::vector<double>& values() const { return values_; }
    const PacketCommand& command() const { return command_; }
    std::size_t line() const { return line_; }
    const std::string& source() const { return source_; }
    std::uint64_t bytes_read() const { return bytes_; }

private:
    [[noreturn]] void fail(const std::string& text) const;

    std::istream& in_;
    std::string source_;
    std::size_t columns_;
    double unit_;
    bool integers_;
    std::string text_;
    std::vector<std::string_view> fields_;
    std::vector<double> values_;
    PacketCommand command_;
    std::size_t line_ = 0;
    std::uint64_t bytes_ = 0;
};

}  // namespace zebtool

#endif
