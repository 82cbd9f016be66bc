#include "model/zeb_logger.h"

ZebLogger::ZebLogger(zeb_msg_handler callback_, void* handle_, const std::string& name_)
    : callback(callback_), handle(handle_), name(name_) {}

ZebLogger::~ZebLogger() = default;

std::string ZebLogger::send(const char* prefix, int flag, const std::string& text) {
    std::string message;
    message.reserve(name.size() + 10 + text.size());
    message += name;
    message += prefix;
    message += text;
    if (callback != nullptr) {
        callback(handle, flag, message.c_str());
    }
    return message;
}

std::string ZebLogger::error(const std::string& text) { return send(" ERROR: ", 1, text); }
std::string ZebLogger::warn(const std::string& text) { return send(" WARNING: ", 0, text); }
std::string ZebLogger::note(const std::string& text) { return send(" NOTE: ", 0, text); }

// The stream variants go through the virtual text variants so that a derived
// logger overriding those also sees stream messages.
std::string ZebLogger::error(const std::ostringstream& text) { return error(text.str()); }
std::string ZebLogger::warn(const std::ostringstream& text) { return warn(text.str()); }
std::string ZebLogger::note(const std::ostringstream& text) { return note(text.str()); }
