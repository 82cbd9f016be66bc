#include "output_file.h"

#include <cerrno>
#include <cstring>

#include "tool_error.h"

namespace zebtool {

OutputFile::OutputFile(const std::string& path) : path_(path)
{
    if (path == "-") {
        file_ = stdout;
        return;
    }
    partial_ = path + ".partial";
    file_ = std::fopen(partial_.c_str(), "w");
    if (!file_)
        throw ToolError("cannot create output file '" + partial_ + "': " + std::strerror(errno));
}

OutputFile::~OutputFile()
{
    if (!done_)
        abandon();
}

void OutputFile::write_line(std::string_view text, bool data)
{
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fputc('\n', file_);
    if (data)
        ++data_lines_;
}

void OutputFile::commit()
{
    done_ = true;
    if (file_ == stdout) {
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            throw ToolError(std::string("error writing standard output: ") + std::strerror(errno));
        return;
    }
    const bool failed = std::ferror(file_) != 0;
    const int saved = errno;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (failed || !closed) {
        std::remove(partial_.c_str());
        throw ToolError("error writing '" + partial_ + "': " + std::strerror(failed ? saved : errno));
    }
    if (std::rename(partial_.c_str(), path_.c_str()) != 0) {
        const int err = errno;
        std::remove(partial_.c_str());
        throw ToolError("cannot rename '" + partial_ + "' to '" + path_ + "': " + std::strerror(err));
    }
}

void OutputFile::abandon()
{
    done_ = true;
    if (file_ == stdout) {
        std::fflush(stdout);
        return;
    }
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
        std::remove(partial_.c_str());
    }
}

}  // namespace zebtool
