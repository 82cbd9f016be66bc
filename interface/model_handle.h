// What a host's handle points to: the engine, the loggers it speaks through,
// and the state of the host's calls on it.
#ifndef ZEB_FIR_INTERFACE_MODEL_HANDLE_H
#define ZEB_FIR_INTERFACE_MODEL_HANDLE_H

#include <memory>

#include "model/fir.h"
#include "model/zeb_logger.h"
#include "zeb_fir_v7_1.h"

struct ModelHandle {
    // Host calls running on the model, so that a callback calling back into
    // it can be refused (entry_frame.h).
    enum class HostCall { none, running, in_output_callback, refusing };

    std::unique_ptr<ZebLogger> logger;
    std::unique_ptr<ZebLogger> dbg_logger;
    std::unique_ptr<FIR> model;  // declared last, destroyed first: it may log while torn down
    HostCall host_call = HostCall::none;
};

inline ModelHandle* handle_object(zeb_fir_v7_1* handle) noexcept { return reinterpret_cast<ModelHandle*>(handle); }

inline zeb_fir_v7_1* to_handle(ModelHandle* object) noexcept { return reinterpret_cast<zeb_fir_v7_1*>(object); }

#endif
