#ifndef ZEB_FIR_FIXEDPOINT_FFP_EXCEPTION_H
#define ZEB_FIR_FIXEDPOINT_FFP_EXCEPTION_H

#include <stdexcept>
#include <string>

// Every failure of a fixed-point context: bad format or mode, or a report
// under WARN_THROW (the text is then all accumulated report lines).
class FFPException : public std::runtime_error {
public:
    explicit FFPException(const std::string& message) : std::runtime_error(message) {}
};

#endif
