#include "line_reader.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

#include <sys/stat.h>

#include "text_fields.h"
#include "tool_error.h"

namespace zebtool {

void open_input_file(std::ifstream& in, const std::string& path, const std::string& what) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        throw ToolError("cannot read " + what + " '" + path + "': it is a directory");
    in.open(path, std::ios::binary);
    if (!in) throw ToolError("cannot read " + what + " '" + path + "'");
}

LineReader::LineReader(std::istream& in, std::string source, std::string read_error)
    : in_(in), source_(std::move(source)), read_error_(std::move(read_error)), buffer_(std::size_t{1} << 16) {}

bool LineReader::fill() {
    if (at_end_) return false;
    try {
        // Take what the stream has buffered (at least one character), so
        // that a pipe is read as it arrives and a line never waits for the
        // next one.
        std::streambuf* in = in_.rdbuf();
        using Traits = std::char_traits<char>;
        if (!in || Traits::eq_int_type(in->sgetc(), Traits::eof())) {
            at_end_ = true;
            return false;
        }
        const std::streamsize available =
            std::clamp<std::streamsize>(in->in_avail(), 1, static_cast<std::streamsize>(buffer_.size()));
        const std::streamsize got = in->sgetn(buffer_.data(), available);
        if (got <= 0) {
            at_end_ = true;
            return false;
        }
        pos_ = 0;
        end_ = static_cast<std::size_t>(got);
        return true;
    } catch (const std::exception&) {
        // A read error (the file stream throws from underflow).
        throw ToolError(read_error_);
    }
}

bool LineReader::next(std::string& line) {
    line.clear();
    bool started = false;
    for (;;) {
        if (pos_ == end_ && !fill()) {
            if (!started) return false;
            ++line_;  // a last line without a newline
            return true;
        }
        started = true;
        const char* start = buffer_.data() + pos_;
        const std::size_t left = end_ - pos_;
        const char* newline = static_cast<const char*>(std::memchr(start, '\n', left));
        const std::size_t length = newline ? static_cast<std::size_t>(newline - start) : left;
        if (line.size() + length > kMaxLineLength)
            throw ToolError(at_line(source_, line_ + 1) + ": line longer than " + std::to_string(kMaxLineLength) +
                            " characters");
        line.append(start, length);
        pos_ += length;
        bytes_ += length;
        if (newline) {
            ++pos_;
            ++bytes_;
            ++line_;
            return true;
        }
    }
}

}  // namespace zebtool
