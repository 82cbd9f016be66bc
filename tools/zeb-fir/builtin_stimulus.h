// The stimulus used when no --input is given: a unit impulse (one input
// LSB) on every path and channel, zeros until the whole impulse response
// has come out, then a half-scale sine.  With the default configuration
// the first 21 outputs are the quantised default coefficients.
#ifndef ZEB_TOOL_BUILTIN_STIMULUS_H
#define ZEB_TOOL_BUILTIN_STIMULUS_H

#include <string>

#include "zeb_fir_v7_1.h"

namespace zebtool {

struct BuiltinStimulus {
    std::string text;         // in the stimulus file layout
    std::string description;  // one line for the summary
};

// Built for the model's normalised configuration.
BuiltinStimulus make_builtin_stimulus(const zeb_fir_v7_1_config& normalised);

}  // namespace zebtool

#endif
