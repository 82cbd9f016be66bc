// Failures of the command-line tool itself (bad options, unreadable files,
// malformed lines, a model that refuses a call).  main() prints the text
// after "zeb-fir: " and exits with status 2.
#ifndef ZEB_TOOL_TOOL_ERROR_H
#define ZEB_TOOL_TOOL_ERROR_H

#include <stdexcept>
#include <string>

namespace zebtool {

class ToolError : public std::runtime_error {
public:
    explicit ToolError(const std::string& text) : std::runtime_error(text) {}
};

// Exit statuses, as diff and cmp use them: 1 means "differs", 2 "trouble".
constexpr int kExitOk = 0;
constexpr int kExitMismatch = 1;
constexpr int kExitError = 2;

}  // namespace zebtool

#endif
