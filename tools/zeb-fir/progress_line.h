// A one-line progress display on standard error for long stimulus files,
// shown only when standard error is a terminal (logs and pipes stay clean).
#ifndef ZEB_TOOL_PROGRESS_LINE_H
#define ZEB_TOOL_PROGRESS_LINE_H

#include <chrono>
#include <cstdint>

namespace zebtool {

class ProgressLine {
public:
    // total_bytes: size of the stimulus when known (a regular file), else 0.
    ProgressLine(bool enabled, std::uint64_t total_bytes);
    ~ProgressLine();

    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Redraws at most a few times a second.
    void update(std::uint64_t bytes, std::uint64_t input_lines, std::uint64_t output_lines);

    // Erases the line, so that later messages start on a clean line.
    void finish();

    // True when standard error is a terminal.
    static bool wanted();

private:
    bool enabled_;
    bool shown_ = false;
    std::uint64_t total_;
    std::chrono::steady_clock::time_point next_;
};

}  // namespace zebtool

#endif
