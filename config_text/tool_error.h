// Failures of the configuration texts and of their clients (bad fields,
// unreadable files, malformed lines, a model that refuses a call): zeb-fir
// prints the text after "zeb-fir: " and exits with status 2; the DPI layer
// keeps it as the handle's last error.
#ifndef ZEB_CONFIG_TEXT_TOOL_ERROR_H
#define ZEB_CONFIG_TEXT_TOOL_ERROR_H

#include <stdexcept>
#include <string>

namespace zebtool {

class ToolError : public std::runtime_error {
public:
    explicit ToolError(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace zebtool

#endif
