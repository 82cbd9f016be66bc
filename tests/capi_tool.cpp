// zeb-fir run as a process: refusals with their text and status, spellings
// of configuration and stimulus, output equal to the reference model (across
// packet sizes and run-time commands), golden files, output files, and the C
// host example.
#include <cmath>
#include <cstdlib>
#include <tuple>

#include "host.h"
#include "tool_process.h"

using namespace host;
using namespace tooltest;

namespace {

// Every "$D" replaced by the scratch directory.
std::string in(std::string text, const std::string& dir) {
    for (size_t at; (at = text.find("$D")) != std::string::npos;) text.replace(at, 2, dir);
    return text;
}
std::vector<std::string> in(std::vector<std::string> args, const std::string& dir) {
    for (std::string& a : args) a = in(a, dir);
    return args;
}
std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// Two paths, three channels, two taps: y[v] = x[v] - 2 x[v-1] per path and channel.
const std::vector<std::string> kModel = {"--set", "num_paths=2", "--set", "num_channels=3", "--set", "coeff=1,-2",
                                         "--input", "$D/stim.txt"};
const char* const kStimulus = "1 2\n3 4\n5 6\n7 8\n9 10\n11 12\n";
const char* const kExpected = "1 2\n3 4\n5 6\n5 4\n3 2\n1 0\n";

std::string text_of(const std::vector<double>& values, size_t P) {
    std::ostringstream text;
    text.precision(17);
    for (size_t i = 0; i < values.size(); ++i) text << values[i] << (i % P + 1 == P ? "\n" : " ");
    return text.str();
}

// The data lines against the reference: one line per output slot, one field
// per path (re and im for a Hilbert filter).
void expect_lines(const std::string& out, const Expectation& e, bool integers) {
    const std::vector<std::string> lines = data_lines(out);
    ASSERT_EQ(lines.size(), e.vectors * e.C);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::istringstream fields(lines[i]);
        for (size_t p = 0; p < e.P; ++p) {
            for (int part = e.hilbert ? 0 : 1; part < 2; ++part) {
                const mpz_class& want = part == 0 ? e.in_phase(p, i % e.C, i / e.C) : e.out(p, i % e.C, i / e.C);
                std::string field;
                fields >> field;
                const double real = ref::real_of(want, part == 0 ? e.dfw : e.widths.out_fract);
                ASSERT_TRUE(integers ? field == want.get_str() : std::strtod(field.c_str(), nullptr) == real)
                    << "line " << i << ": " << field;
            }
        }
    }
}

}  // namespace

TEST(Tool, RefusalsStopWithTheirTextAndStatus) {
    const std::string dir = scratch_dir();
    write_file(dir + "/stim.txt", kStimulus);
    write_file(dir + "/bad.cfg", "num_paths=2\n# fine so far\nnum_path=3\n");
    write_file(dir + "/taps.txt", "1 2 3 4 5\n");
    write_file(dir + "/word.txt", "1 2\nthree\n");
    write_file(dir + "/half.txt", "16\n2.5\n");
    const std::vector<std::string> sets = {"--set", "coeff=1,2,3,-1,0,4", "--set", "coeff_sets=2", "--set",
                                           "num_channels=2", "--set", "reloadable=1", "--set", "config_method=1",
                                           "--input", "-"};
    const std::vector<std::string> golden = {"--compare", "$D/gold.txt"};
    const std::string two = "1\n2\n3\n4\n";
    const std::tuple<std::vector<std::string>, std::string, std::string> cases[] = {  // args, stdin or golden, error
        {{"--bogus"}, "", "zeb-fir: unknown option '--bogus' (see zeb-fir --help)\n"},
        {{"--packet", "0"}, "", "zeb-fir: --packet 0: expected a number of vectors from 1 to 1048576\n"},
        {{"--config-packet", "x:fsel=1"}, "",
         "zeb-fir: --config-packet x:fsel=1: expected VECTOR:KEY=VALUE..., VECTOR a number from 0\n"},
        {{"--set", "speed=3"}, "",
         "zeb-fir: --set speed=3: unknown configuration field 'speed' (zeb-fir --list-fields shows them all)\n"},
        {{"--set", "num_paths=4294967296"}, "",
         "zeb-fir: --set num_paths=4294967296: bad number '4294967296' for num_paths: expected an integer from "
         "-2147483648 to 4294967295\n"},
        {{"--set", "filter_type=BANDPASS"}, "",
         "zeb-fir: --set filter_type=BANDPASS: unknown value 'BANDPASS' for filter_type: expected SINGLE_RATE, "
         "INTERPOLATION, DECIMATION, HILBERT, INTERPOLATED, or a number\n"},
        {{"--set", "filter_type=5"}, "",
         "Invalid filter type\nzeb-fir: the model refused the configuration (its message is above)\n"},
        {{"--config", "$D/bad.cfg"}, "",
         "zeb-fir: $D/bad.cfg:3: unknown configuration field 'num_path' (zeb-fir --list-fields shows them all)\n"},
        {{"--coeff-file", "$D/taps.txt", "--set", "num_coeffs=4"}, "",
         "zeb-fir: num_coeffs x coeff_sets = 4 x 1 = 4 coefficient values expected, 5 given\n"},
        {{"--set", "coeff_sets=2"}, "",
         "zeb-fir: num_coeffs x coeff_sets = 21 x 2 = 42 coefficient values needed, but only the 21 default values are "
         "available: give them with --coeff-file or --set coeff=...\n"},
        {{"--coeff-file", "$D/word.txt"}, "", "zeb-fir: $D/word.txt:2: not a number: 'three'\n"},
        {{"--input", "-"}, "1\n# fine\nnan\n", "zeb-fir: <stdin>:3: value 1 is not a finite number: 'nan'\n"},
        {{"--input", "-", "--set", "num_paths=3"}, "1 2 3\n4 5\n",
         "zeb-fir: <stdin>:2: expected 3 values (one per path), found 2\n"},
        {{"--input", "-"}, "@frobnicate\n",
         "zeb-fir: <stdin>:1: unknown command '@frobnicate': expected @config, @reload or @reset\n"},
        {{"--input", "-", "--set", "num_channels=2"}, "1\n2\n3\n",
         "zeb-fir: <stdin>:3: the stimulus ends inside a vector (1 of 2 slots given)\n"},
        {{"--input", "-", "--set", "num_channels=2"}, "1\n@reset\n2\n",
         "zeb-fir: <stdin>:2: a command must come between vectors, but this one follows slot 0 of a vector of 2 "
         "slots\n"},
        {{"--input", "$D/half.txt", "--input-format", "int", "--set", "data_fract_width=4"}, "",
         "zeb-fir: $D/half.txt:2: value 1 is not an integer: '2.5' (--input-format int)\n"},
        {sets, "@config fsel=x\n" + two,
         "zeb-fir: <stdin>:1: @config: bad value in 'fsel=x': expected selectors separated by commas\n"},
        {with(sets, {"--config-packet", "3:fsel=1"}), two,
         "zeb-fir: the output is incomplete: 4 lines were written before this error:\n"
         "zeb-fir: --config-packet 3:fsel=1: never sent, the stimulus has only 2 vectors\n"},
        {sets, "@config fsel=1\n" + two,
         "pilvoran_v7_1 ERROR: Insufficient fsel values specified, expecting2\n"
         "zeb-fir: <stdin>:1: the model refused the config packet\n"},
        {with(sets, {"--reload", "1:fsel=7:coeff=1,2,3"}), two,
         "pilvoran_v7_1 WARNING: Invalid reload fsel, 7, ignoring packet\n"
         "zeb-fir: the output is incomplete: 2 lines were written before this error:\n"
         "zeb-fir: --reload 1:fsel=7:coeff=1,2,3: the model refused the reload packet\n"},
        {with(kModel, golden), "1 2\n3\n", "zeb-fir: $D/gold.txt:2: expected 2 values (one per path), found 1\n"},
        {with(kModel, {"--format", "int", "--compare", "$D/gold.txt"}), "1 2\n3 4.5\n",
         "zeb-fir: $D/gold.txt:2: not an integer: '4.5' (--format int)\n"},
    };
    for (const auto& c : cases) {
        const std::vector<std::string>& args = std::get<0>(c);
        const bool compare = std::find(args.begin(), args.end(), "--compare") != args.end();
        if (compare) write_file(dir + "/gold.txt", std::get<1>(c));
        const ToolRun run = run_tool(in(args, dir), dir, compare ? "" : std::get<1>(c));
        EXPECT_EQ(run.status, 2) << std::get<2>(c);
        EXPECT_EQ(run.err, in(std::get<2>(c), dir));
        if (std::get<2>(c).find("incomplete") == std::string::npos) { EXPECT_EQ(run.out, "") << std::get<2>(c); }
    }
}

TEST(Tool, SpellingsOfOptionsConfigurationAndStimulus) {
    const std::string dir = scratch_dir();
    const ToolRun help = run_tool({"--help"}, dir);
    for (const char* option : {"--set", "--config", "--coeff-file", "--list-fields", "--input", "--input-format",
                               "--packet", "--output", "--format", "--summary", "--compare", "@config", "@reload",
                               "@reset", "--config-packet", "--reload", "--version", "Exit status"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    EXPECT_EQ(run_tool({"-h"}, dir).out, help.out);
    EXPECT_EQ(run_tool({"--version"}, dir).out, std::string(zeb_fir_v7_1_get_version()) + "\n");
    EXPECT_EQ(data_lines(run_tool({"--list-fields"}, dir).out).size(), 27u);  // header, rule, 25 fields
    // Each group gives the same output: enumerators by name, with or without
    // prefix or by number; a settings file overridden by --set; coefficient
    // files and lists; stimulus with blanks, commas, comments, signs and
    // carriage returns, from a file or stdin; integer input in input LSBs.
    write_file(dir + "/filter.cfg", "# decimating\n\nfilter_type = DECIMATION   # by name\ndecimation_rate=2\r\n");
    write_file(dir + "/taps.txt", "# five taps\n1, 2 3\n\n-4\n5.5\n");
    // Below the double range a value reads as the nearest double, 0.
    const std::string stimulus =
        "# path0 path1\n1 2\n  3,4   # slot 1\n\n+5\t,\t-6\r\n7.75 , 8e0\n1e-400 -1e-400\n0 0\n";
    write_file(dir + "/stim.txt", stimulus);
    const std::vector<std::string> dec = {"--set", "decimation_rate=3", "--set"};
    const std::vector<std::string> taps = {"--set", "coeff_fract_width=1", "--input", "-"};
    const std::vector<std::string> stim = {"--set", "num_paths=2", "--set", "num_channels=2", "--set", "coeff=1,2,3",
                                           "--input"};
    const std::vector<std::string> lsb = {"--set", "coeff=1,1", "--set", "data_fract_width=4", "--input", "-"};
    const std::string impulse = "1\n0\n0\n0\n0\n0\n";
    using Run = std::pair<std::vector<std::string>, std::string>;  // arguments, standard input
    const std::pair<std::string, std::vector<Run>> same[] = {
        {"", {{with(dec, {"filter_type=DECIMATION"}), ""}, {with(dec, {"filter_type=ZEB_FIR_V7_1_DECIMATION"}), ""},
              {with(dec, {"filter_type = 2"}), ""}, {{"--config", "$D/filter.cfg", "--set", "decimation_rate=3"}, ""}}},
        {"1\n2\n3\n-4\n5.5\n0\n", {{with(taps, {"--coeff-file", "$D/taps.txt"}), impulse},
                                   {with(taps, {"--set", "coeff=1,2,3,-4,5.5"}), impulse}}},
        {"1 2\n3 4\n7 -2\n13 16\n13 -6\n23 28\n", {{with(stim, {"$D/stim.txt"}), ""}, {with(stim, {"-"}), stimulus}}},
        {"1\n0.5\n-0.3125\n", {{with(lsb, {"--input-format", "int"}), "16\n-8\n3\n"}, {lsb, "1\n-0.5\n0.1875\n"}}},
    };
    for (const auto& group : same) {
        const ToolRun first = run_tool(in(group.second[0].first, dir), dir, group.second[0].second);
        EXPECT_EQ(first.status, 0) << first.err;
        if (!group.first.empty()) { EXPECT_EQ(first.out, group.first); }
        for (const Run& r : group.second) {
            EXPECT_EQ(run_tool(in(r.first, dir), dir, r.second).out, first.out) << r.first[3];
        }
    }
}

TEST(Tool, DefaultRunShowsASummaryThenTheImpulseResponseAndASineConvolved) {
    const ToolRun run = run_tool({}, scratch_dir());
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* line : {"# filter type           SINGLE_RATE\n", "# accumulator width     24 bits\n",
                             "# output format         IFIX_24_0 (FULL_PRECISION)\n",
                             "# arithmetic            double precision\n",
                             "# stimulus              built-in: impulse of one input LSB, 20 zero vectors, then 32 "
                             "vectors of a sine of amplitude 16383 LSBs (period 16 vectors)\n"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line;
    const double taps[21] = {6, 0, -4, -3, 5, 6, -6, -13, 7, 44, 64, 44, 7, -13, -6, 6, 5, -3, -4, 0, 6};
    std::vector<double> x(21, 0.0);
    x[0] = 1;
    for (int k = 0; k < 32; ++k) x.push_back(std::round(16383 * std::sin(2 * 3.14159265358979323846 * k / 16)));
    const std::vector<std::string> lines = data_lines(run.out);
    ASSERT_EQ(lines.size(), x.size());
    for (size_t v = 0; v < x.size(); ++v) {
        double y = 0;
        for (size_t i = 0; i < 21 && i <= v; ++i) y += taps[i] * x[v - i];
        EXPECT_EQ(std::strtod(lines[v].c_str(), nullptr), y) << "vector " << v;
    }
}

TEST(Tool, OutputEqualsTheReferenceInBothFormatsAndAnyPacketSize) {
    const std::vector<double> wide = {100000001, -99999999, 123456789};
    using Change = std::function<void(zeb_fir_v7_1_config&)>;
    const std::tuple<std::vector<std::string>, Change, size_t, const char*> cases[] = {
        // 1024- and 7-vector packets end inside an output sample.
        {{"--set", "filter_type=DECIMATION", "--set", "decimation_rate=3", "--set", "num_paths=2", "--set",
          "num_channels=2"},
         [](auto& c) { c.filter_type = 2, c.decimation_rate = 3, c.num_paths = 2, c.num_channels = 2; }, 3000, ""},
        {{"--set", "filter_type=HILBERT", "--set", "num_paths=2", "--set", "data_fract_width=3"},
         [](auto& c) { c.filter_type = 3, c.num_paths = 2, c.data_fract_width = 3; }, 300, ""},
        {{"--set", "coeff=100000001,-99999999,123456789", "--set", "coeff_width=30", "--set", "data_width=40"},
         [&](auto& c) { c.coeff = wide.data(), c.num_coeffs = 3, c.coeff_width = 30, c.data_width = 40; }, 200,
         "pilvoran_v7_1 WARNING: Model will use MPZ data type\n"},
    };
    const std::string dir = scratch_dir();
    for (const auto& c : cases) {
        zeb_fir_v7_1_config cfg;
        zeb_fir_v7_1_default_config(&cfg);
        std::get<1>(c)(cfg);
        const size_t P = cfg.num_paths, C = cfg.num_channels, V = std::get<2>(c);
        const std::vector<double> values = Stimulus(V).samples(P * C * V, cfg.data_width, cfg.data_fract_width);
        write_file(dir + "/stim.txt", text_of(values, P));
        const Expectation e(cfg, basic_order(C), V, values);
        for (const char* format : {"real", "int"})
            for (const char* packet : {"1024", "7"}) {
                const ToolRun run = run_tool(in(with(std::get<0>(c), {"--input", "$D/stim.txt", "--format", format,
                                                                       "--packet", packet}), dir), dir);
                EXPECT_EQ(run.err, std::get<3>(c));
                expect_lines(run.out, e, *format == 'i');
            }
    }
}

TEST(Tool, RunTimeCommandsApplyBeforeTheirVector) {
    const std::string dir = scratch_dir();
    const std::vector<double> sets = {1, 2, 3, -1, 0, 4, 5, 0, -5};  // set 2 of the reference: set 0 reloaded
    const zeb_fir_v7_1_config as_sets = config_with(sets, 3);
    zeb_fir_v7_1_config cfg = as_sets;
    cfg.coeff_sets = 2, cfg.num_channels = 2, cfg.reloadable = 1, cfg.config_method = 1;
    const std::vector<std::string> args = {"--set", "coeff=1,2,3,-1,0,4", "--set", "coeff_sets=2", "--set",
                                           "num_channels=2", "--set", "reloadable=1", "--set", "config_method=1",
                                           "--input", "-", "--format", "int"};
    const std::vector<double> values = Stimulus(15).samples(2 * 12, 16, 0);
    const char* commands[] = {"@config fsel=1,0\n", "", "", "@reload fsel=0 coeff=5,0,-5\n", "",
                              "@config fsel=0,0  # it\n"};
    std::string lines;
    for (size_t v = 0; v < 12; ++v) {
        lines += (v < 6 ? commands[v] : "") + text_of({values[2 * v], values[2 * v + 1]}, 1);
    }
    const std::vector<std::vector<mpz_class>> taps = {ref::taps_of(as_sets, 0), ref::taps_of(as_sets, 1),
                                                      ref::taps_of(as_sets, 2)};
    const Expectation e(cfg, {0, 1}, 12, values, [](size_t c) {
        return std::vector<size_t>{1 - c, 1 - c, 1 - c, 1 - c, 1 - c, 2, 2, 2, 2, 2, 2, 2};
    }, taps);
    // After a reset the histories restart; the reloaded set stays.
    const Expectation after(cfg, {0, 1}, 12, values, [](size_t) { return std::vector<size_t>(12, 2); }, taps);
    const std::vector<std::string> options_args = {"--config-packet", "5:fsel=0,0", "--reload", "3:fsel=0:coeff=5,0,-5",
                                                   "--config-packet", "0:fsel=1,0"};
    const std::string options = run_tool(with(args, options_args), dir, text_of(values, 1)).out;
    expect_lines(options, e, true);
    for (const char* packet : {"1", "4", "1024"}) {
        const ToolRun run = run_tool(with(args, {"--packet", packet}), dir, lines + "@reset\n" + text_of(values, 1));
        ASSERT_EQ(run.out.substr(0, options.size()), options) << packet;
        expect_lines(run.out.substr(options.size()), after, true);
    }
}

TEST(Tool, GoldenFilesAndOutputFiles) {
    const std::string dir = scratch_dir(), head = "compared 12 samples (6 output slots) with $D/gold.txt: ";
    write_file(dir + "/stim.txt", kStimulus);
    const std::tuple<const char*, int, std::string> cases[] = {
        {"# summary line\n1.0, 2\n+3 4.00\n\n5 6e0\n5 4\n3 2 # dump\n1 -0\n", 0, head + "all equal\n"},
        {"1 2\n3 4\n5 6\n5 4\n3 7\n9 0\n", 1,
         head + "2 differ\nfirst mismatch: vector 1, path 1, slot 1 ($D/gold.txt:5): expected 7, got 2\n"},
        {"1 2\n3 4\n5 6\n5 4\n", 1, "compared 8 samples (4 output slots) with $D/gold.txt: all equal\n"
                                    "$D/gold.txt has only 4 data lines, but the model produced 2 more output slots\n"},
        {"1 2\n3 4\n5 6\n5 4\n3 2\n1 0\n# end\n0 0\n0 0\n", 1,
         head + "all equal\n$D/gold.txt has 2 more data lines than the model produced, from line 8\n"},
    };
    for (const auto& c : cases) {
        write_file(dir + "/gold.txt", std::get<0>(c));
        const ToolRun run =
            run_tool(in(with(kModel, {"--compare", "$D/gold.txt", "--output", "$D/out.txt"}), dir), dir);
        EXPECT_EQ(run.status, std::get<1>(c)) << std::get<0>(c);
        EXPECT_EQ(run.out, in(std::get<2>(c), dir));
        EXPECT_EQ(read_file(dir + "/out.txt"), kExpected);  // the samples are written too
    }
    // A Hilbert mismatch names the part.
    const std::vector<std::string> hilbert = {"--set", "filter_type=HILBERT", "--format", "int", "--input", "-"};
    const std::vector<std::string> lines = data_lines(run_tool(hilbert, dir, "5\n0\n0\n").out);
    ASSERT_EQ(lines.size(), 3u);
    const std::string re = lines[1].substr(0, lines[1].find(' ')), im = lines[1].substr(lines[1].find(' ') + 1);
    write_file(dir + "/gold.txt", lines[0] + "\n" + re + " 12345\n" + lines[2] + "\n");
    EXPECT_EQ(run_tool(in(with(hilbert, {"--compare", "$D/gold.txt"}), dir), dir, "5\n0\n0\n").out,
              in("compared 6 samples (3 output slots) with $D/gold.txt: 1 differs\nfirst mismatch: vector 1, path 0 "
                 "(im), slot 0 ($D/gold.txt:2): expected 12345, got " + im + "\n", dir));
    // Output written before an error is announced; a file appears only complete.
    const ToolRun partial = run_tool({"--input", "-", "--packet", "1", "--set", "coeff=1,1"}, dir, "1\n2\nx\n");
    EXPECT_EQ(partial.out, "1\n3\n");
    EXPECT_EQ(partial.err, "zeb-fir: the output is incomplete: 2 lines were written before this error:\n"
                           "zeb-fir: <stdin>:3: value 1 is not a finite number: 'x'\n");
    write_file(dir + "/out.txt", "old\n");
    EXPECT_EQ(run_tool(in({"--input", "-", "--packet", "1", "--output", "$D/out.txt"}, dir), dir, "1\n2\nx\n").err,
              in("zeb-fir: $D/out.txt was not written because of this error:\n"
                 "zeb-fir: <stdin>:3: value 1 is not a finite number: 'x'\n", dir));
    EXPECT_EQ(read_file(dir + "/out.txt"), "old\n");
    EXPECT_FALSE(std::filesystem::exists(dir + "/out.txt.partial"));
    const ToolRun summary = run_tool({"--input", "-", "--summary", "--set", "coeff=1,1"}, dir, "1\n2\n");
    EXPECT_EQ(summary.out.rfind("# zeb-fir ", 0), 0u);
    EXPECT_EQ(data_lines(summary.out), (std::vector<std::string>{"1", "3"}));
}

// The C host example under examples/ prints what zeb-fir prints.
TEST(Tool, ExampleHostMatchesTheTool) {
    const std::string dir = scratch_dir();
    const ToolRun host = run_program(ZEB_BINARY_DIR "/example_interpolate_by_two", {}, dir);
    EXPECT_EQ(host.status, 0) << host.err;
    EXPECT_EQ(data_lines(host.out).size(), 16u);
    const std::vector<std::string> args = {"--set", "filter_type=INTERPOLATION", "--set", "interpolation_rate=2",
                                           "--input", "-"};
    EXPECT_EQ(host.out, run_tool(args, dir, "1\n0\n0\n0\n100\n200\n-300\n0\n").out);
}
