// Where the output text goes: standard output, or a file that appears
// only once complete (written as FILE.partial and renamed at the end), so
// that a failed run never leaves a truncated file behind looking finished.
// A path that exists and is no regular file (a FIFO, a device, a socket,
// a symbolic link) is written in place instead, so that it stays what it
// is; a directory is refused.
#ifndef ZEB_TOOL_OUTPUT_FILE_H
#define ZEB_TOOL_OUTPUT_FILE_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace zebtool {

class OutputFile {
public:
    // "-" is standard output.  what names the file in messages ("output
    // file").  Throws ToolError when the file cannot be created.
    explicit OutputFile(const std::string& path, const std::string& what = "output file");
    ~OutputFile();

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Writes one line (a newline is added).  data: counts it as a sample line.
    void write_line(std::string_view text, bool data);

    // Flushes and, for a regular file, puts it in place.  Throws ToolError
    // on a write error.
    void commit();

    // Drops an unfinished regular file (the destructor does so too).
    // Standard output and files written in place are flushed: what is
    // written stays written.
    void abandon();

    bool is_stdout() const { return file_ == stdout; }
    // Written directly (standard output, or a path that is no regular file).
    bool in_place() const { return partial_.empty(); }
    const std::string& path() const { return path_; }
    std::uint64_t data_lines() const { return data_lines_; }

private:
    std::string path_;
    std::string partial_;  // empty when written in place
    std::FILE* file_ = nullptr;
    bool done_ = false;
    std::uint64_t data_lines_ = 0;
};

}  // namespace zebtool

#endif
