// Message logger: prefixes the instance name and a severity word and hands
// the text to the host's message callback (or drops it when there is none).
#ifndef ZEB_FIR_MODEL_ZEB_LOGGER_H
#define ZEB_FIR_MODEL_ZEB_LOGGER_H

#include <sstream>
#include <string>

#include "zeb_fir_v7_1.h"

class ZebLogger {
public:
    ZebLogger(zeb_msg_handler callback, void* handle, const std::string& name);
    virtual ~ZebLogger();

    ZebLogger(const ZebLogger&) = delete;
    ZebLogger& operator=(const ZebLogger&) = delete;

    // Each returns the formatted message; the callback sees it with flag 1
    // for errors and 0 for warnings and notes.
    virtual std::string error(const std::string& text);
    virtual std::string warn(const std::string& text);
    virtual std::string note(const std::string& text);
    virtual std::string error(const std::ostringstream& text);
    virtual std::string warn(const std::ostringstream& text);
    virtual std::string note(const std::ostringstream& text);

    // True when messages reach a callback.  Callers on per-sample paths test
    // it before composing a text nobody would receive.
    bool active() const { return callback != nullptr; }

private:
    std::string send(const char* prefix, int flag, const std::string& text);

    zeb_msg_handler callback;
    void* handle;
    std::string name;
};

#endif
