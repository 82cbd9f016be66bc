// Reading the tool's text files: opening one (a directory is refused) and
// taking it line by line with a bound on the length of a line, so that no
// input, however long its lines, makes the tool hold it whole.
#ifndef ZEB_CONFIG_TEXT_LINE_READER_H
#define ZEB_CONFIG_TEXT_LINE_READER_H

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <istream>
#include <string>
#include <vector>

namespace zebtool {

// Longest line any reader of the tool accepts, newline not counted.
constexpr std::size_t kMaxLineLength = 65536;

// Opens a file to read.  Throws ToolError "cannot read WHAT 'PATH': it is
// a directory" for a directory and "cannot read WHAT 'PATH'" for a file
// that cannot be opened.
void open_input_file(std::ifstream& in, const std::string& path, const std::string& what);

// Line-by-line reading that never holds more than kMaxLineLength
// characters of a line: a longer line throws ToolError
// "SOURCE:N: line longer than 65536 characters" before the rest of it is
// read.  Reads what is available without waiting for a full buffer, so a
// pipe is processed as it arrives.
class LineReader {
public:
    // read_error: the ToolError text for a failed read.
    LineReader(std::istream& in, std::string source, std::string read_error);

    // The next line without its newline; false at the end of the input.
    bool next(std::string& line);

    std::size_t line_number() const { return line_; }
    std::uint64_t bytes_read() const { return bytes_; }
    const std::string& source() const { return source_; }

private:
    bool fill();

    std::istream& in_;
    std::string source_;
    std::string read_error_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::size_t line_ = 0;
    std::uint64_t bytes_ = 0;
    bool at_end_ = false;
};

}  // namespace zebtool

#endif
