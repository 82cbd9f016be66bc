#include "interface/entry_frame.h"
#include "zeb_fir_v7_1.h"

zeb_status zeb_fir_v7_1_get_config(zeb_fir_v7_1* handle, zeb_fir_v7_1_config* config) {
    if (handle == nullptr || config == nullptr) {
        return ZEB_STATUS_ERROR;
    }
    return call_model(handle, "Uncaught exception in FIR model get_config",
                      [config](FIR& model) { return model.get_config(*config); });
}
