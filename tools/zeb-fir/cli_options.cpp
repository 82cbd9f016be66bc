#include "cli_options.h"

#include <string_view>

#include "config_text/text_fields.h"
#include "config_text/tool_error.h"

namespace zebtool {

namespace {

// Options that take a value, as "--opt VALUE" or "--opt=VALUE".
const char* const kValued[] = {
    "--set",    "--config", "--coeff-file",        "--coeff-format", "--input",          "--input-format",
    "--output", "--format", "--compare",           "--skip",         "--max-mismatches", "--config-packet",
    "--reload", "--packet", "--write-coefficients"};

bool takes_value(std::string_view name) {
    for (const char* valued : kValued)
        if (name == valued) return true;
    return false;
}

SampleFormat format_value(const std::string& option, const std::string& value) {
    SampleFormat format = SampleFormat::Real;
    if (!parse_format_name(value, format))
        throw ToolError(option + " " + value + ": expected 'real', 'int', 'hex' or 'bin'");
    return format;
}

std::uint64_t count_value(const std::string& option, const std::string& value, const char* what) {
    std::int64_t n = 0;
    if (!parse_int64(value, n) || n < 0)
        throw ToolError(option + " " + value + ": expected a number of " + what + " from 0");
    return static_cast<std::uint64_t>(n);
}

void set_once(std::string& target, bool& given, const std::string& option, const std::string& value) {
    if (given) throw ToolError(option + " given twice");
    target = value;
    given = true;
}

bool has_coeff_file(const Options& options) {
    for (const ConfigStep& step : options.config_steps)
        if (step.kind == ConfigStep::Kind::CoeffFile) return true;
    return false;
}

}  // namespace

Options parse_command_line(int argc, const char* const* argv) {
    Options options;
    bool input_given = false;
    bool compare_given = false;
    bool format_given = false;
    bool input_format_given = false;
    bool coeff_format_given = false;
    bool skip_given = false;
    bool max_given = false;
    bool write_given = false;
    std::string unused;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool has_value = false;
        const std::size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
            has_value = true;
        }
        if (takes_value(arg)) {
            if (!has_value) {
                if (i + 1 >= argc) throw ToolError(arg + " needs a value (see zeb-fir --help)");
                value = argv[++i];
            }
        } else if (has_value) {
            throw ToolError(arg + " takes no value");
        }

        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--list-fields") {
            options.list_fields = true;
        } else if (arg == "--summary") {
            options.summary = true;
        } else if (arg == "--strict") {
            options.strict = true;
        } else if (arg == "--set") {
            options.config_steps.push_back({ConfigStep::Kind::Set, value});
        } else if (arg == "--config") {
            options.config_steps.push_back({ConfigStep::Kind::ConfigFile, value});
        } else if (arg == "--coeff-file") {
            options.config_steps.push_back({ConfigStep::Kind::CoeffFile, value});
        } else if (arg == "--input") {
            if (value.empty()) throw ToolError("--input needs a file name, or - for standard input");
            set_once(options.input, input_given, arg, value);
        } else if (arg == "--coeff-format") {
            set_once(unused, coeff_format_given, arg, value);
            options.coeff_format = format_value(arg, value);
        } else if (arg == "--input-format") {
            set_once(unused, input_format_given, arg, value);
            options.input_format = format_value(arg, value);
        } else if (arg == "--output") {
            if (value.empty()) throw ToolError("--output needs a file name, or - for standard output");
            set_once(options.output, options.output_given, arg, value);
        } else if (arg == "--format") {
            set_once(unused, format_given, arg, value);
            options.format = format_value(arg, value);
        } else if (arg == "--compare") {
            if (value.empty()) throw ToolError("--compare needs a file name");
            set_once(options.compare, compare_given, arg, value);
        } else if (arg == "--skip") {
            set_once(unused, skip_given, arg, value);
            options.golden.skip = count_value(arg, value, "data lines");
        } else if (arg == "--max-mismatches") {
            set_once(unused, max_given, arg, value);
            options.golden.max_listed = count_value(arg, value, "mismatches");
        } else if (arg == "--write-coefficients") {
            if (value.empty()) throw ToolError("--write-coefficients needs a file name");
            set_once(options.write_coefficients, write_given, arg, value);
        } else if (arg == "--config-packet") {
            options.schedule.push_back(parse_scheduled_command(PacketCommand::Kind::Config, value, arg));
        } else if (arg == "--reload") {
            options.schedule.push_back(parse_scheduled_command(PacketCommand::Kind::Reload, value, arg));
        } else if (arg == "--packet") {
            std::int64_t n = 0;
            if (!parse_int64(value, n) || n < 1 || n > 1048576)
                throw ToolError("--packet " + value + ": expected a number of vectors from 1 to 1048576");
            options.packet_vectors = static_cast<std::size_t>(n);
        } else if (arg.rfind("-", 0) == 0 && arg != "-") {
            throw ToolError("unknown option '" + arg + "' (see zeb-fir --help)");
        } else {
            throw ToolError("unexpected argument '" + arg + "' (the stimulus file is given with --input)");
        }
    }
    if (!compare_given && (skip_given || max_given))
        throw ToolError(std::string(skip_given ? "--skip" : "--max-mismatches") + " is only used with --compare");
    if (coeff_format_given && !has_coeff_file(options))
        throw ToolError("--coeff-format is only used with --coeff-file");
    return options;
}

}  // namespace zebtool
