#ifndef ZEB_FIR_MODEL_FIR_EXCEPTION_H
#define ZEB_FIR_MODEL_FIR_EXCEPTION_H

#include <stdexcept>
#include <string>

// Every failure of the model engine; what() is the message text unchanged.
class FIRException : public std::runtime_error {
public:
    explicit FIRException(const std::string& message) : std::runtime_error(message) {}
};

#endif
