// One model built from the tool's record: creation with the model's
// messages shown on standard error, and the facts the summary and the
// stream loop need (normalised record, formats, output shape).
#ifndef ZEB_TOOL_MODEL_SESSION_H
#define ZEB_TOOL_MODEL_SESSION_H

#include <cstddef>
#include <string>

#include "config_text/c_records.h"
#include "zeb_fir_v7_1_inspect.h"

namespace zebtool {

class ModelSession {
public:
    // Creates the model; when the model refuses the record its message is
    // already on standard error and ToolError is thrown.
    explicit ModelSession(const zeb_fir_v7_1_config& config);

    // The model's messages reach this object.
    ModelSession(const ModelSession&) = delete;
    ModelSession& operator=(const ModelSession&) = delete;

    zeb_fir_v7_1* handle() const { return model_.get(); }

    // The model's normalised copy (derived widths filled in).
    const zeb_fir_v7_1_config& config() const { return normalised_; }

    std::size_t paths() const { return normalised_.num_paths; }
    std::size_t channels() const { return normalised_.num_channels; }
    bool hilbert() const { return normalised_.filter_type == ZEB_FIR_V7_1_HILBERT; }

    // Formats as the model computes with them, read at creation.
    const zeb_fir_v7_1_info& info() const { return info_; }

    // Group delay of a coefficient set; false (and no message) when the
    // set is not linear-phase.
    bool group_delay(unsigned int set, double& input_samples, double& output_samples) const;

private:
    // The model's own text, unchanged, one line on standard error, unless
    // the session asked the model a question it may refuse.
    static void print_message(void* session, int error, const char* text);

    mutable bool quiet_ = false;  // before model_: creation may already send messages
    ModelHandle model_;
    zeb_fir_v7_1_config normalised_{};
    std::string name_;
    zeb_fir_v7_1_info info_{};
};

}  // namespace zebtool

#endif
