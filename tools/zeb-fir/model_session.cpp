#include "model_session.h"

#include <cstdio>

#include "config_text/tool_error.h"
#include "progress_line.h"

namespace zebtool {

void ModelSession::print_message(void* session, int /*error*/, const char* text) {
    if (session && static_cast<const ModelSession*>(session)->quiet_) return;
    // On a terminal a progress line may be showing: start on a clean line
    // (the progress line is drawn again at its next update).
    static const bool terminal = ProgressLine::wanted();
    std::fprintf(stderr, "%s%s\n", terminal ? "\r\033[K" : "", text ? text : "");
}

ModelSession::ModelSession(const zeb_fir_v7_1_config& config)
    : model_(zeb_fir_v7_1_create(&config, print_message, this)) {
    if (!model_) throw ToolError("the model refused the configuration (its message is above)");
    if (zeb_fir_v7_1_get_config(model_.get(), &normalised_) != ZEB_STATUS_OK)
        throw ToolError("cannot read the model's configuration back");
    // The record's name points into the model; keep a copy of our own.
    name_ = normalised_.name ? normalised_.name : "";
    normalised_.name = name_.c_str();
    if (zeb_fir_v7_1_get_info(model_.get(), &info_) != ZEB_STATUS_OK)
        throw ToolError("cannot read the model's formats");
}

bool ModelSession::group_delay(unsigned int set, double& input_samples, double& output_samples) const {
    // A set that is not linear-phase is refused with a message: an answer
    // here, not an error of the run.
    quiet_ = true;
    const zeb_status status = zeb_fir_v7_1_get_group_delay(model_.get(), set, &input_samples, &output_samples);
    quiet_ = false;
    return status == ZEB_STATUS_OK;
}

}  // namespace zebtool
