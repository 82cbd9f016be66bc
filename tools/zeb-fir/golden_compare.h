// Checks the model's output against a golden file of the same layout (for
// example an RTL simulation's dump), slot by slot as the output is made,
// so that files of any length are compared in constant memory.
#ifndef ZEB_TOOL_GOLDEN_COMPARE_H
#define ZEB_TOOL_GOLDEN_COMPARE_H

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <gmp.h>

#include "sample_sink.h"

namespace zebtool {

class GoldenComparer {
public:
    // complex: the columns are re, im pairs per path.  Throws ToolError when
    // the file cannot be read.
    GoldenComparer(const std::string& path, SampleFormat format, std::size_t paths, bool complex);
    ~GoldenComparer();

    GoldenComparer(const GoldenComparer&) = delete;
    GoldenComparer& operator=(const GoldenComparer&) = delete;

    // Compares one output slot with the next data line of the file.
    // Numbers are compared by value ("1.50" equals "1.5", "+007" equals
    // "7").  Throws ToolError for a malformed golden line.
    void compare_slot(const std::vector<std::string>& fields, std::uint64_t vector, std::size_t slot);

    // Reads what is left of the file; true when every sample matched and
    // both sides had the same length.
    bool finish();

    // The verdict: samples compared, first mismatch, length difference.
    void report(std::FILE* out) const;

private:
    bool next_data_line();
    bool same_value(const std::string& model, const std::string& golden);

    std::string path_;
    std::ifstream in_;
    SampleFormat format_;
    std::size_t paths_;
    bool complex_;
    std::string text_;
    std::vector<std::string_view> fields_;
    std::vector<std::string> golden_;
    std::size_t line_ = 0;
    bool ended_ = false;

    std::uint64_t samples_ = 0;
    std::uint64_t slots_ = 0;
    std::uint64_t differing_ = 0;
    std::string first_mismatch_;
    std::uint64_t extra_model_slots_ = 0;
    std::uint64_t extra_golden_lines_ = 0;
    std::size_t first_extra_golden_line_ = 0;

    mpz_t model_int_;
    mpz_t golden_int_;
};

}  // namespace zebtool

#endif
