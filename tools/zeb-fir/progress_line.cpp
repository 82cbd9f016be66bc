#include "progress_line.h"

#include <cstdio>

#include <unistd.h>

namespace zebtool {

namespace {
constexpr std::chrono::milliseconds kRedrawInterval(200);
}

ProgressLine::ProgressLine(bool enabled, std::uint64_t total_bytes)
    : enabled_(enabled), total_(total_bytes), next_(std::chrono::steady_clock::now()) {}

ProgressLine::~ProgressLine() { finish(); }

bool ProgressLine::wanted() { return isatty(STDERR_FILENO) == 1; }

void ProgressLine::update(std::uint64_t bytes, std::uint64_t input_lines, std::uint64_t output_lines) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < next_) return;
    next_ = now + kRedrawInterval;
    if (total_ != 0 && bytes <= total_)
        std::fprintf(stderr, "\rzeb-fir: %3u%%  %llu input lines, %llu output lines ",
                     static_cast<unsigned>(bytes * 100 / total_), static_cast<unsigned long long>(input_lines),
                     static_cast<unsigned long long>(output_lines));
    else
        std::fprintf(stderr, "\rzeb-fir: %llu input lines, %llu output lines ",
                     static_cast<unsigned long long>(input_lines), static_cast<unsigned long long>(output_lines));
    std::fflush(stderr);
    shown_ = true;
}

void ProgressLine::finish() {
    if (shown_) std::fprintf(stderr, "\r\033[K");
    shown_ = false;
}

}  // namespace zebtool
