#include <memory>
#include <stdexcept>
#include <string>

#include "interface/entry_frame.h"
#include "interface/internal_create.h"
#include "interface/model_handle.h"
#include "zeb_fir_v7_1.h"

namespace {

constexpr char create_fallback[] = "Uncaught exception in FIR model create";

// Creation failures go straight to the host's callback, without instance name
// or severity word: there is no model whose logger could carry them.
void report_create_failure(zeb_msg_handler msg_handler, void* msg_handle, const char* text) noexcept {
    if (msg_handler == nullptr) {
        return;
    }
    try {
        msg_handler(msg_handle, 1, text);
    } catch (...) {
    }
}

}  // namespace

zeb_fir_v7_1* create_with_kernels(const zeb_fir_v7_1_config* config, zeb_msg_handler msg_handler, void* msg_handle,
                                  zeb_msg_handler dbg_handler, void* dbg_handle, Arithmetic kernels) noexcept {
    if (config == nullptr) {
        return nullptr;
    }
    if (config->name == nullptr) {
        // No name to copy: reported like any other failure outside the
        // runtime-error family.
        report_create_failure(msg_handler, msg_handle, create_fallback);
        return nullptr;
    }
    try {
        const std::string name(config->name);
        auto object = std::make_unique<ModelHandle>();
        object->logger = std::make_unique<ZebLogger>(msg_handler, msg_handle, name);
        object->dbg_logger = std::make_unique<ZebLogger>(dbg_handler, dbg_handle, name);
        object->model = std::make_unique<FIR>(config, object->logger.get(), object->dbg_logger.get(), kernels);
        return to_handle(object.release());
    } catch (const std::runtime_error& e) {
        report_create_failure(msg_handler, msg_handle, e.what());
    } catch (...) {
        report_create_failure(msg_handler, msg_handle, create_fallback);
    }
    return nullptr;
}

zeb_fir_v7_1* zeb_fir_v7_1_create(const zeb_fir_v7_1_config* config, zeb_msg_handler msg_handler, void* msg_handle) {
    return create_with_kernels(config, msg_handler, msg_handle, nullptr, nullptr, Arithmetic::int128);
}

zeb_fir_v7_1* zeb_fir_v7_1_create_dbg(const zeb_fir_v7_1_config* config, zeb_msg_handler msg_handler, void* msg_handle,
                                      zeb_msg_handler dbg_handler, void* dbg_handle) {
    return create_with_kernels(config, msg_handler, msg_handle, dbg_handler, dbg_handle, Arithmetic::int128);
}

zeb_status zeb_fir_v7_1_destroy(zeb_fir_v7_1* handle) {
    if (handle == nullptr) return ZEB_STATUS_ERROR;
    if (refuse_nested_call(*handle_object(handle), true)) return ZEB_STATUS_ERROR;
    try {
        delete handle_object(handle);  // the model first, then the loggers it may log through
        return ZEB_STATUS_OK;
    } catch (...) {
        return ZEB_STATUS_ERROR;
    }
}
