// The frame around every exported model function: no exception may leave
// through the C interface, and a call from inside the model's own callbacks
// is refused.
#ifndef ZEB_FIR_INTERFACE_ENTRY_FRAME_H
#define ZEB_FIR_INTERFACE_ENTRY_FRAME_H

#include <stdexcept>
#include <utility>

#include "interface/model_handle.h"
#include "zeb_fir_v7_1.h"

// Sends text as an error on the model's message logger.  Building the message
// can itself run out of memory, and a host callback might throw: either is
// swallowed, the caller's status already says what happened.
inline void report_model_error(ModelHandle& handle, const char* text) noexcept {
    try {
        if (handle.logger) handle.logger->error(text);
    } catch (...) {
    }
}

inline const char* const kNestedCallText = "Model is busy: a call from inside its own callback is refused";

// A message or debug callback runs in the middle of an operation whose
// buffers and positions a nested call on the same model would change, so
// such a call is refused; from the output callback, which runs once the
// operation has finished, only destroy is.  The refusal is reported once:
// calls made from inside that report are refused silently.
inline bool refuse_nested_call(ModelHandle& handle, bool destroying) noexcept {
    const ModelHandle::HostCall state = handle.host_call;
    if (state == ModelHandle::HostCall::none) return false;
    if (state == ModelHandle::HostCall::in_output_callback && !destroying) return false;
    if (state != ModelHandle::HostCall::refusing) {
        handle.host_call = ModelHandle::HostCall::refusing;
        report_model_error(handle, kNestedCallText);
        handle.host_call = state;
    }
    return true;
}

// Marks a host call as running on the model for its lifetime.
class HostCallMark {
public:
    explicit HostCallMark(ModelHandle& marked) noexcept : handle_(marked), before_(marked.host_call) {
        handle_.host_call = ModelHandle::HostCall::running;
    }
    ~HostCallMark() { handle_.host_call = before_; }
    HostCallMark(const HostCallMark&) = delete;
    HostCallMark& operator=(const HostCallMark&) = delete;

private:
    ModelHandle& handle_;
    ModelHandle::HostCall before_;
};

// Runs op(ModelHandle&) on the handle's object and returns its status.  A
// thrown runtime error is reported with its own text, anything else with
// fallback; both give ZEB_STATUS_ERROR.  Callers make their own null checks
// first (they must stay silent); a null handle here is answered with a silent
// 1 as well.
template <typename Op>
zeb_status call_handle(zeb_fir_v7_1* handle, const char* fallback, Op&& op) noexcept {
    if (handle == nullptr) return ZEB_STATUS_ERROR;
    ModelHandle& object = *handle_object(handle);
    if (refuse_nested_call(object, false)) return ZEB_STATUS_ERROR;
    // The mark outlives the error report: a call from the callback that
    // receives it is refused like one from any other message.
    const HostCallMark mark(object);
    try {
        return static_cast<zeb_status>(std::forward<Op>(op)(object));
    } catch (const std::runtime_error& e) {
        report_model_error(object, e.what());
    } catch (...) {
        report_model_error(object, fallback);
    }
    return ZEB_STATUS_ERROR;
}

// The same for an operation of the engine alone: op(FIR&).
template <typename Op>
zeb_status call_model(zeb_fir_v7_1* handle, const char* fallback, Op&& op) noexcept {
    return call_handle(handle, fallback, [&op](ModelHandle& object) { return std::forward<Op>(op)(*object.model); });
}

#endif
