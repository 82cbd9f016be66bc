#include "wrap_report.h"

#include "config_text/tool_error.h"

namespace zebtool {

namespace {

std::string count_text(unsigned long long n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

std::string position_text(const zeb_fir_v7_1_position& at) {
    return "vector " + std::to_string(at.vector) + ", path " + std::to_string(at.path) + ", slot " +
           std::to_string(at.slot);
}

// The earlier side's first position stays when it has one.
void add_side(unsigned long long& count, zeb_fir_v7_1_position& first, unsigned long long later_count,
              const zeb_fir_v7_1_position& later_first, std::uint64_t base) {
    if (count == 0 && later_count != 0) {
        first = later_first;
        first.vector += base;
    }
    count += later_count;
}

}  // namespace

zeb_fir_v7_1_wrap_counts RunWraps::totals() const {
    zeb_fir_v7_1_wrap_counts now{};
    if (zeb_fir_v7_1_get_wrap_counts(model_, &now) != ZEB_STATUS_OK) throw ToolError("cannot read the wrap counts");
    zeb_fir_v7_1_wrap_counts sum = carried_;
    add_side(sum.input, sum.first_input, now.input, now.first_input, input_base_);
    add_side(sum.output, sum.first_output, now.output, now.first_output, output_base_);
    sum.coefficients += now.coefficients;
    return sum;
}

bool any_wrap(const zeb_fir_v7_1_wrap_counts& counts) {
    return counts.input != 0 || counts.output != 0 || counts.coefficients != 0;
}

std::vector<std::string> wrap_summary(const zeb_fir_v7_1_wrap_counts& counts) {
    std::vector<std::string> lines;
    lines.push_back("wraps: " + count_text(counts.input, "input sample") + ", " +
                    count_text(counts.output, "output sample") + ", " + count_text(counts.coefficients, "coefficient"));
    if (counts.input) lines.push_back("first input wrap: " + position_text(counts.first_input));
    if (counts.output) lines.push_back("first output wrap: " + position_text(counts.first_output));
    return lines;
}

std::string first_wrap(const zeb_fir_v7_1_wrap_counts& counts, std::uint64_t input_vectors) {
    if (counts.coefficients != 0 && input_vectors == 0)
        return "--strict: " + count_text(counts.coefficients, "coefficient") + " wrapped at creation";
    if (counts.coefficients != 0)
        return "--strict: " + count_text(counts.coefficients, "reloaded coefficient") +
               " wrapped, applied by input vector " + std::to_string(input_vectors - 1);
    if (counts.input != 0) return "--strict: input sample wrapped at " + position_text(counts.first_input);
    return "--strict: output sample wrapped at " + position_text(counts.first_output);
}

}  // namespace zebtool
