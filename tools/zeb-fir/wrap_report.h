// Wraps over a whole run: the model's counts start again at every @reset,
// so the tool carries them across and numbers vectors from the start of
// the stimulus, as --config-packet and --compare do.
#ifndef ZEB_TOOL_WRAP_REPORT_H
#define ZEB_TOOL_WRAP_REPORT_H

#include <cstdint>
#include <string>
#include <vector>

#include "zeb_fir_v7_1_inspect.h"

namespace zebtool {

class RunWraps {
public:
    explicit RunWraps(zeb_fir_v7_1* model) : model_(model) {}

    // Everything wrapped so far.  Throws ToolError when the model refuses.
    zeb_fir_v7_1_wrap_counts totals() const;

    // Call just before a reset: keeps the counts the reset clears.
    void carry() { carried_ = totals(); }
    // Call just after it: the model's vectors count from here again.
    void restart(std::uint64_t input_vectors, std::uint64_t output_vectors) {
        input_base_ = input_vectors;
        output_base_ = output_vectors;
    }

private:
    zeb_fir_v7_1* model_;
    zeb_fir_v7_1_wrap_counts carried_{};
    std::uint64_t input_base_ = 0;
    std::uint64_t output_base_ = 0;
};

bool any_wrap(const zeb_fir_v7_1_wrap_counts& counts);

// The lines printed after a run in which something wrapped:
// "wraps: 1 input sample, 0 output samples, 2 coefficients", then
// "first input wrap: vector 3, path 0, slot 1" and likewise for output.
std::vector<std::string> wrap_summary(const zeb_fir_v7_1_wrap_counts& counts);

// The --strict error for wraps first seen once input_vectors vectors were
// fed (0: at creation).  One packet may hold wraps of several kinds: the
// coefficients are named before the input, the input before the output.
std::string first_wrap(const zeb_fir_v7_1_wrap_counts& counts, std::uint64_t input_vectors);

}  // namespace zebtool

#endif
