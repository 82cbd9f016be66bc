// Where the output text goes: standard output, or a file that appears
// only once complete (written as FILE.partial and renamed at the end), so
// that a failed run never leaves a truncated file behind looking finished.
#ifndef ZEB_TOOL_OUTPUT_FILE_H
#define ZEB_TOOL_OUTPUT_FILE_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace zebtool {

class OutputFile {
public:
    // "-" is standard output.  Throws ToolError when the file cannot be
    // created.
    explicit OutputFile(const std::string& path);
    ~OutputFile();

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Writes one line (a newline is added).  data: counts it as a sample line.
    void write_line(std::string_view text, bool data);

    // Flushes and, for a file, puts it in place.  Throws ToolError on a
    // write error.
    void commit();

    // Drops an unfinished file (the destructor does so too).  Standard
    // output is flushed: what is written stays written.
    void abandon();

    bool is_stdout() const { return file_ == stdout; }
    const std::string& path() const { return path_; }
    std::uint64_t data_lines() const { return data_lines_; }

private:
    std::string path_;
    std::string partial_;
    std::FILE* file_ = nullptr;
    bool done_ = false;
    std::uint64_t data_lines_ = 0;
};

}  // namespace zebtool

#endif
