// Creating, resetting and destroying models; run-time packets and message
// texts.
#include <memory>

#include "config_text/config_builder.h"
#include "handle_registry.h"
#include "zeb_fir_v7_1_dpi.h"

using zebdpi::DpiError;
using zebdpi::DpiModel;
using zebdpi::with_model;

namespace {

template <typename Load>
void* create_model(const char* function, Load&& load) noexcept {
    try {
        zebtool::ConfigBuilder builder;
        load(builder);
        return zebdpi::adopt(std::make_unique<DpiModel>(builder.finish()));
    } catch (const std::exception& e) {
        zebdpi::report_orphan(function, e.what());
    } catch (...) {
        zebdpi::report_orphan(function, "unexpected failure");
    }
    return nullptr;
}

}  // namespace

extern "C" {

void* zeb_fir_v7_1_dpi_create(const char* config_text) {
    return create_model(__func__, [config_text](zebtool::ConfigBuilder& builder) {
        if (!config_text) throw DpiError("configuration text is null");
        builder.load_config_text(config_text, "configuration text");
    });
}

void* zeb_fir_v7_1_dpi_create_from_file(const char* path) {
    return create_model(__func__, [path](zebtool::ConfigBuilder& builder) {
        if (!path) throw DpiError("configuration file name is null");
        builder.load_config_file(path);
    });
}

int zeb_fir_v7_1_dpi_destroy(void* model) {
    if (zebdpi::release(model)) return 0;
    zebdpi::report_orphan(__func__, "unknown handle");
    return 1;
}

int zeb_fir_v7_1_dpi_reset(void* model) {
    return with_model(__func__, model, [](DpiModel& m) { m.reset(); });
}

int zeb_fir_v7_1_dpi_send_packet(void* model, const char* command) {
    return with_model(__func__, model, [command](DpiModel& m) {
        if (!command) throw DpiError("packet text is null");
        m.send_packet(command);
    });
}

const char* zeb_fir_v7_1_dpi_last_message(void* model) {
    const DpiModel* m = zebdpi::find_model(model);
    return m ? m->last_message().c_str() : "";
}

const char* zeb_fir_v7_1_dpi_last_error(void* model) {
    const DpiModel* m = zebdpi::find_model(model);
    return m ? m->last_error().c_str() : zebdpi::orphan_error().c_str();
}

}  // extern "C"
