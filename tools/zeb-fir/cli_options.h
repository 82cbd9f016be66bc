// The command line of zeb-fir, parsed into what the run needs.
#ifndef ZEB_TOOL_CLI_OPTIONS_H
#define ZEB_TOOL_CLI_OPTIONS_H

#include <cstddef>
#include <string>
#include <vector>

#include "config_text/packet_commands.h"
#include "golden_compare.h"
#include "sample_sink.h"

namespace zebtool {

// --set, --config and --coeff-file act in the order given.
struct ConfigStep {
    enum class Kind { Set, ConfigFile, CoeffFile };
    Kind kind;
    std::string text;
};

struct Options {
    bool help = false;
    bool version = false;
    bool list_fields = false;
    bool summary = false;
    std::vector<ConfigStep> config_steps;
    SampleFormat coeff_format = SampleFormat::Real;  // of every --coeff-file
    std::string input;                               // empty: the built-in stimulus; "-": standard input
    SampleFormat input_format = SampleFormat::Real;
    std::string output = "-";  // "-": standard output
    bool output_given = false;
    SampleFormat format = SampleFormat::Real;
    std::string compare;             // golden file, empty: none
    GoldenOptions golden;            // --skip, --max-mismatches
    std::string write_coefficients;  // file for the quantised coefficients, empty: none
    std::vector<ScheduledCommand> schedule;
    std::size_t packet_vectors = 0;  // 0: automatic
    bool strict = false;             // a wrap fails the run
};

// Throws ToolError for an unknown option, a missing or bad value, or an
// option given twice where that makes no sense.
Options parse_command_line(int argc, const char* const* argv);

// Text of --help.
const char* help_text();

}  // namespace zebtool

#endif
