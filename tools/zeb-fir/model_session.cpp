#include "model_session.h"

#include <cstdio>

#include "config_text/tool_error.h"
#include "progress_line.h"

namespace zebtool {

void print_model_message(void* /*handle*/, int /*error*/, const char* text) {
    // On a terminal a progress line may be showing: start on a clean line
    // (the progress line is drawn again at its next update).
    static const bool terminal = ProgressLine::wanted();
    std::fprintf(stderr, "%s%s\n", terminal ? "\r\033[K" : "", text ? text : "");
}

ModelSession::ModelSession(const zeb_fir_v7_1_config& config)
    : model_(zeb_fir_v7_1_create(&config, print_model_message, nullptr)) {
    if (!model_) throw ToolError("the model refused the configuration (its message is above)");
    if (zeb_fir_v7_1_get_config(model_.get(), &normalised_) != ZEB_STATUS_OK)
        throw ToolError("cannot read the model's configuration back");
    // The record's name points into the model; keep a copy of our own.
    name_ = normalised_.name ? normalised_.name : "";
    normalised_.name = name_.c_str();

    acc_width_ = normalised_.output_width;
    if (normalised_.output_rounding_mode != ZEB_FIR_V7_1_FULL_PRECISION) {
        zeb_fir_v7_1_config twin = config;
        twin.output_rounding_mode = ZEB_FIR_V7_1_FULL_PRECISION;
        const ModelHandle probe(zeb_fir_v7_1_create(&twin, nullptr, nullptr));
        zeb_fir_v7_1_config probed{};
        if (!probe || zeb_fir_v7_1_get_config(probe.get(), &probed) != ZEB_STATUS_OK)
            throw ToolError("cannot determine the accumulator width");
        acc_width_ = probed.output_width;
    }
}

}  // namespace zebtool
