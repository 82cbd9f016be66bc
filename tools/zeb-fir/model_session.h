// One model built from the tool's record: creation with the model's
// messages shown on standard error, and the facts the summary and the
// stream loop need (normalised record, accumulator width, output shape).
#ifndef ZEB_TOOL_MODEL_SESSION_H
#define ZEB_TOOL_MODEL_SESSION_H

#include <cstddef>
#include <string>

#include "config_text/c_records.h"
#include "zeb_fir_v7_1.h"

namespace zebtool {

class ModelSession {
public:
    // Creates the model; when the model refuses the record its message is
    // already on standard error and ToolError is thrown.
    explicit ModelSession(const zeb_fir_v7_1_config& config);

    zeb_fir_v7_1* handle() const { return model_.get(); }

    // The model's normalised copy (derived widths filled in).
    const zeb_fir_v7_1_config& config() const { return normalised_; }

    std::size_t paths() const { return normalised_.num_paths; }
    std::size_t channels() const { return normalised_.num_channels; }
    bool hilbert() const { return normalised_.filter_type == ZEB_FIR_V7_1_HILBERT; }

    // Accumulator width in bits.  Under full precision the output is as
    // wide as the accumulator; otherwise a full-precision twin of the
    // record tells it.
    unsigned int accumulator_width() const { return acc_width_; }

    // The model computes in GMP integers once the accumulator no longer
    // fits the 52-bit mantissa of a double.
    bool arbitrary_precision() const { return acc_width_ > 52; }

private:
    ModelHandle model_;
    zeb_fir_v7_1_config normalised_{};
    std::string name_;
    unsigned int acc_width_ = 0;
};

// The message callback of every model the tool creates: the model's own
// text, unchanged, one line on standard error.
void print_model_message(void* handle, int error, const char* text);

}  // namespace zebtool

#endif
