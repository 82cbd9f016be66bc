// The frame around every exported model function: the handle is the FIR
// object itself, and no exception may leave through the C interface.
#ifndef ZEB_FIR_INTERFACE_ENTRY_FRAME_H
#define ZEB_FIR_INTERFACE_ENTRY_FRAME_H

#include <stdexcept>
#include <utility>

#include "model/fir.h"
#include "model/zeb_logger.h"
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

inline const char* const kNestedCallText = "Model is busy: a call from inside its own callback is refused";

// A message or debug callback runs in the middle of an operation whose
// buffers and positions a nested call on the same model would change, so
// such a call is refused; from the output callback, which runs once the
// operation has finished, only destroy is.  The refusal is reported once:
// calls made from inside that report are refused silently.
inline bool refuse_nested_call(FIR& model, bool destroying) noexcept {
    const FIR::HostCall state = model.host_call();
    if (state == FIR::HostCall::none) return false;
    if (state == FIR::HostCall::in_output_callback && !destroying) return false;
    if (state != FIR::HostCall::refusing) {
        model.set_host_call(FIR::HostCall::refusing);
        report_model_error(model, kNestedCallText);
        model.set_host_call(state);
    }
    return true;
}

// Marks a host call as running on the model for its lifetime.
class HostCallMark {
public:
    explicit HostCallMark(FIR& model_) noexcept : model(model_), before(model_.host_call()) {
        model.set_host_call(FIR::HostCall::running);
    }
    ~HostCallMark() { model.set_host_call(before); }
    HostCallMark(const HostCallMark&) = delete;
    HostCallMark& operator=(const HostCallMark&) = delete;

private:
    FIR& model;
    FIR::HostCall before;
};

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
    if (refuse_nested_call(model, false)) return ZEB_STATUS_ERROR;
    // The mark outlives the error report: a call from the callback that
    // receives it is refused like one from any other message.
    const HostCallMark mark(model);
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
