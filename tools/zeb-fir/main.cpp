// zeb-fir: runs the filter model from the command line (see --help).
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <new>
#include <sstream>

#include "builtin_stimulus.h"
#include "cli_options.h"
#include "coefficient_writer.h"
#include "config_text/config_builder.h"
#include "config_text/config_fields.h"
#include "config_text/line_reader.h"
#include "config_text/tool_error.h"
#include "golden_compare.h"
#include "model_session.h"
#include "model_summary.h"
#include "output_file.h"
#include "progress_line.h"
#include "sample_sink.h"
#include "stimulus_reader.h"
#include "stream_runner.h"
#include "wrap_report.h"

namespace zebtool {
namespace {

// Exit statuses, as diff and cmp use them: 1 means "differs", 2 "trouble".
constexpr int kExitOk = 0;
constexpr int kExitMismatch = 1;
constexpr int kExitError = 2;

const zeb_fir_v7_1_config& build_config(ConfigBuilder& builder, const Options& options) {
    builder.set_coeff_format(options.coeff_format);
    for (const ConfigStep& step : options.config_steps) {
        switch (step.kind) {
            case ConfigStep::Kind::Set: builder.assign(step.text, "--set " + step.text); break;
            case ConfigStep::Kind::ConfigFile: builder.load_config_file(step.text); break;
            case ConfigStep::Kind::CoeffFile: builder.load_coeff_file(step.text); break;
        }
    }
    return builder.finish();
}

std::uint64_t regular_file_size(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return 0;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::uint64_t>(size);
}

// The bus width of each output column: output_width, and for a Hilbert
// filter data_width for the re part (the delayed input).
std::vector<unsigned> column_widths(const ModelSession& model) {
    const zeb_fir_v7_1_config& c = model.config();
    std::vector<unsigned> widths;
    for (std::size_t p = 0; p < model.paths(); ++p) {
        if (model.hilbert()) widths.push_back(c.data_width);
        widths.push_back(c.output_width);
    }
    return widths;
}

void print_wrap_summary(const zeb_fir_v7_1_wrap_counts& counts) {
    if (!any_wrap(counts)) return;
    std::fflush(stdout);
    for (const std::string& line : wrap_summary(counts)) std::fprintf(stderr, "zeb-fir: %s\n", line.c_str());
}

int run(const Options& options) {
    ConfigBuilder builder;
    const zeb_fir_v7_1_config& record = build_config(builder, options);
    ModelSession model(record);
    // Coefficients wrap at creation, before anything is written.
    const zeb_fir_v7_1_wrap_counts created = RunWraps(model.handle()).totals();
    if (options.strict && any_wrap(created)) throw ToolError(first_wrap(created, 0));
    const std::vector<unsigned> widths = column_widths(model);
    SampleSink sink(model.handle(), options.format, model.hilbert(), model.paths(), model.channels(), widths);

    // --write-coefficients alone writes the coefficients and runs nothing.
    const bool builtin = options.input.empty();
    const bool runs =
        options.write_coefficients.empty() || !builtin || !options.compare.empty() || options.output_given;
    // Samples or the comparison's report.
    const bool stdout_used = runs && (options.output == "-" || !options.compare.empty());
    if (!options.write_coefficients.empty()) {
        if (options.write_coefficients == "-" && stdout_used)
            throw ToolError(
                "--write-coefficients -: standard output carries the output of this run; "
                "give a file name");
        write_coefficients(model, options.format, options.write_coefficients);
        if (!runs) {
            print_wrap_summary(created);
            return kExitOk;
        }
    }

    // Stimulus source.
    std::istringstream builtin_text;
    std::ifstream file;
    std::istream* in = &std::cin;
    std::string source = "<stdin>";
    std::string description;
    if (builtin) {
        BuiltinStimulus stimulus = make_builtin_stimulus(model.config());
        builtin_text.str(std::move(stimulus.text));
        description = std::move(stimulus.description);
        in = &builtin_text;
        source = "<built-in>";
    } else if (options.input != "-") {
        open_input_file(file, options.input, "stimulus file");
        in = &file;
        source = options.input;
        description = options.input;
    } else {
        description = "standard input";
    }
    // The built-in stimulus is written in sample values whatever --input-format says.
    const SampleFormat input_format = builtin ? SampleFormat::Real : options.input_format;
    const unsigned data_width = model.config().data_width;
    if (input_format != SampleFormat::Real)
        description += " (" + format_description(input_format, data_width, "input") + ")";
    const double lsb = std::ldexp(1.0, -static_cast<int>(model.config().data_fract_width));
    StimulusReader stimulus(*in, source, model.paths(), input_format, lsb, data_width);

    // Destinations.
    std::unique_ptr<OutputFile> output;
    if (options.compare.empty() || options.output_given) output = std::make_unique<OutputFile>(options.output);
    std::unique_ptr<GoldenComparer> golden;
    if (!options.compare.empty())
        golden = std::make_unique<GoldenComparer>(options.compare, options.format, model.paths(), model.hilbert(),
                                                  widths, options.golden);

    if (options.summary || builtin) {
        // In hex and binary the summary is made of '//' comments, which
        // $readmemh and $readmemb skip too.
        const bool verilog = options.format == SampleFormat::Hex || options.format == SampleFormat::Bin;
        for (std::string line : model_summary(model, options.format, description)) {
            if (verilog) line.replace(0, 1, "//");
            if (output)
                output->write_line(line, false);
            else
                std::printf("%s\n", line.c_str());
        }
    }

    // --strict stops after the packet holding the first wrap; the model
    // names the wrap's exact place, so packets keep their usual size.
    const std::size_t packet =
        options.packet_vectors ? options.packet_vectors : automatic_packet_vectors(model.config());
    StreamRunner runner(model, sink, packet, output.get(), golden.get(), options.schedule, options.strict);
    ProgressLine progress(!builtin && ProgressLine::wanted(), builtin ? 0 : regular_file_size(options.input));
    try {
        runner.run(stimulus, progress);
    } catch (const ToolError&) {
        progress.finish();
        if (output && output->is_stdout()) {
            output->abandon();
            if (output->data_lines() != 0)
                std::fprintf(stderr, "zeb-fir: the output is incomplete: %llu lines were written before this error:\n",
                             static_cast<unsigned long long>(output->data_lines()));
        } else if (output && output->in_place()) {
            output->abandon();
            std::fprintf(stderr,
                         "zeb-fir: the output to %s is incomplete: %llu lines were written before this error:\n",
                         output->path().c_str(), static_cast<unsigned long long>(output->data_lines()));
        } else if (output) {
            output->abandon();
            std::fprintf(stderr, "zeb-fir: %s was not written because of this error:\n", output->path().c_str());
        }
        throw;
    }
    if (output) output->commit();
    print_wrap_summary(runner.wraps());
    if (!golden) return kExitOk;
    const bool same = golden->finish();
    golden->report(stdout);
    std::fflush(stdout);
    return same ? kExitOk : kExitMismatch;
}

}  // namespace
}  // namespace zebtool

int main(int argc, char** argv) {
    using namespace zebtool;
    std::ios::sync_with_stdio(false);
    try {
        const Options options = parse_command_line(argc, argv);
        if (options.help) {
            std::fputs(help_text(), stdout);
            return kExitOk;
        }
        if (options.version) {
            std::printf("%s\n", zeb_fir_v7_1_get_version());
            return kExitOk;
        }
        if (options.list_fields) {
            print_field_table(stdout);
            return kExitOk;
        }
        return run(options);
    } catch (const ToolError& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "zeb-fir: %s\n", e.what());
    } catch (const std::bad_alloc&) {
        std::fflush(stdout);
        std::fprintf(stderr, "zeb-fir: out of memory\n");
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "zeb-fir: %s\n", e.what());
    }
    return kExitError;
}
