#include "output_file.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

#include "config_text/tool_error.h"

namespace zebtool {

OutputFile::OutputFile(const std::string& path, const std::string& what) : path_(path) {
    if (path == "-") {
        file_ = stdout;
        return;
    }
    struct stat entry {};
    if (::lstat(path.c_str(), &entry) == 0 && !S_ISREG(entry.st_mode)) {
        // Renaming over a FIFO, a device or a link would replace it by a
        // regular file: write to it directly (through a link).
        struct stat target {};
        if (S_ISDIR(entry.st_mode) ||
            (S_ISLNK(entry.st_mode) && ::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)))
            throw ToolError("cannot write " + what + " '" + path + "': it is a directory");
        file_ = std::fopen(path.c_str(), "w");
        if (!file_) throw ToolError("cannot open " + what + " '" + path + "': " + std::strerror(errno));
        return;
    }
    partial_ = path + ".partial";
    file_ = std::fopen(partial_.c_str(), "w");
    if (!file_) throw ToolError("cannot create " + what + " '" + partial_ + "': " + std::strerror(errno));
}

OutputFile::~OutputFile() {
    if (!done_) abandon();
}

void OutputFile::write_line(std::string_view text, bool data) {
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fputc('\n', file_);
    if (data) ++data_lines_;
}

void OutputFile::commit() {
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
    const std::string written = in_place() ? path_ : partial_;
    if (failed || !closed) {
        if (!in_place()) std::remove(partial_.c_str());
        throw ToolError("error writing '" + written + "': " + std::strerror(failed ? saved : errno));
    }
    if (in_place()) return;
    if (std::rename(partial_.c_str(), path_.c_str()) != 0) {
        const int err = errno;
        std::remove(partial_.c_str());
        throw ToolError("cannot rename '" + partial_ + "' to '" + path_ + "': " + std::strerror(err));
    }
}

void OutputFile::abandon() {
    done_ = true;
    if (file_ == stdout) {
        std::fflush(stdout);
        return;
    }
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
        if (!in_place()) std::remove(partial_.c_str());
    }
}

}  // namespace zebtool
