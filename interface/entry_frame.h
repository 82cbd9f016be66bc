// The frame around every exported model function: the handle is the FIR
// object itself, and no exception may leave through the C interface.
#ifndef ZEB_FIR_INTERFACE_ENTRY_FRAME_H
#define ZEB_FIR_INTERFACE_ENTRY_FRAME_H

#include <stdexcept>
#include <utility>

#include "interface/zeb_logger.h"
#include "model/fir.h"
#include "zeb_fir_v7_1.h"

inline FIR* to_model(zeb_fir_v7_1* handle) noexcept { return reinterpret_cast<FIR*>(handle); }

inline zeb_fir_v7_1* to_handle(FIR* model) noexcept { return reinterpret_cast<zeb_fir_v7_1*>(model); }

// Sends text as an error on the model's message logger.  Building the message
// can itself run out of memory, and a host callback might throw: either is
// swallowed, the caller's status already says what happened.
inline void report_model_error(FIR& model, const char* text) noexcept {
    try {
        if (ZebLogger* logger = model.get_logger()) {
            logger->error(text);
        }
    } catch (...) {
    }
}

// Runs op(FIR&) on the model behind handle and returns its status.  A thrown
// runtime error is reported with its own text, anything else with fallback;
// both give ZEB_STATUS_ERROR.  Callers make their own null checks first (they
// must stay silent); a null handle here is answered with a silent 1 as well.
template <typename Op>
zeb_status call_model(zeb_fir_v7_1* handle, const char* fallback, Op&& op) noexcept {
    if (handle == nullptr) {
        return ZEB_STATUS_ERROR;
    }
    FIR& model = *to_model(handle);
    try {
        return static_cast<zeb_status>(std::forward<Op>(op)(model));
    } catch (const std::runtime_error& e) {
        report_model_error(model, e.what());
    } catch (...) {
        report_model_error(model, fallback);
    }
    return ZEB_STATUS_ERROR;
}

#endif
