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

#include "config_text/line_reader.h"
#include "config_text/text_fields.h"
#include "sample_sink.h"

namespace zebtool {

struct GoldenOptions {
    std::uint64_t skip = 0;        // leading data lines of the file not compared
    std::uint64_t max_listed = 1;  // mismatches named in the report
};

class GoldenComparer {
public:
    // complex: the columns are re, im pairs per path.  widths: the bus width
    // of each column (hex and bin).  Throws ToolError when the file cannot
    // be read.
    GoldenComparer(const std::string& path, SampleFormat format, std::size_t paths, bool complex,
                   std::vector<unsigned> widths, const GoldenOptions& options);
    ~GoldenComparer();

    GoldenComparer(const GoldenComparer&) = delete;
    GoldenComparer& operator=(const GoldenComparer&) = delete;

    // Compares one output slot with the next data line of the file.
    // Numbers are compared by value ("1.50" equals "1.5", "+007" equals
    // "7", hex "0F" equals "f").  Throws ToolError for a malformed golden
    // line.
    void compare_slot(const std::vector<std::string>& fields, std::uint64_t vector, std::size_t slot);

    // Reads what is left of the file; true when every sample matched and
    // both sides had the same length.
    bool finish();

    // The verdict: lines skipped, samples compared, the mismatches listed,
    // length difference.
    void report(std::FILE* out) const;

private:
    bool next_data_line();
    bool same_value(const std::string& model, const std::string& golden, std::size_t column);

    std::string path_;
    std::ifstream in_;
    LineReader lines_;
    SampleFormat format_;
    std::size_t paths_;
    bool complex_;
    std::vector<unsigned> widths_;
    GoldenOptions options_;
    std::string text_;
    std::vector<std::string_view> fields_;
    std::vector<std::string> golden_;
    bool ended_ = false;

    std::uint64_t skipped_ = 0;
    std::size_t last_skipped_line_ = 0;
    std::uint64_t samples_ = 0;
    std::uint64_t slots_ = 0;
    std::uint64_t differing_ = 0;
    std::vector<std::string> mismatches_;  // the first options_.max_listed
    std::uint64_t extra_model_slots_ = 0;
    std::uint64_t extra_golden_lines_ = 0;
    std::size_t first_extra_golden_line_ = 0;

    mpz_t model_int_;
    mpz_t golden_int_;
};

}  // namespace zebtool

#endif
