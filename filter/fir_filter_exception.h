#ifndef ZEB_FIR_FILTER_FIR_FILTER_EXCEPTION_H
#define ZEB_FIR_FILTER_FIR_FILTER_EXCEPTION_H

#include <stdexcept>
#include <string>

// Every failure of the filter kernel ("Invalid Filter rate", "Invalid Filter coefficients").
class FirFilterException : public std::runtime_error {
public:
    explicit FirFilterException(const std::string& message) : std::runtime_error(message) {}
};

#endif
