// zeb-fir run as a process: refusals, spellings of configuration and
// stimulus and golden-file comparisons with their output, text and status;
// output equal to the reference model (across packet sizes, with run-time
// commands); the C host example.  And the C interface as a host meets it:
// version, silent refusals of null arguments, the configuration copy, the
// exported symbols, and the README's example.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <iterator>

#include "host.h"
#include "tool_process.h"

using namespace host;
using namespace tooltest;

namespace {

std::string in(std::string text, const std::string& dir) {  // every "$D" replaced by the scratch directory
    for (size_t at; (at = text.find("$D")) != std::string::npos;) text.replace(at, 2, dir);
    return text;
}
// zeb-fir with its arguments given as blank-separated words.
ToolRun tool(const std::string& words, const std::string& dir, const std::string& input = "") {
    std::istringstream split(in(words, dir));
    return run_tool({std::istream_iterator<std::string>(split), {}}, dir, input);
}

std::string text_of(const std::vector<double>& values) {  // one value a line
    std::ostringstream text;
    text.precision(17);
    for (double v : values) text << v << "\n";
    return text.str();
}

// The expected --format int lines: one per output slot, one field per path.
std::string int_lines(const Expectation& e) {
    std::string text;
    for (size_t i = 0; i < e.vectors * e.C * e.P; ++i)
        text += e.out(i % e.P, i / e.P % e.C, i / (e.P * e.C)).get_str() + (i % e.P + 1 == e.P ? "\n" : " ");
    return text;
}

const std::string kSets = "--set coeff=1,2,3,-1,0,4 --set coeff_sets=2 --set num_channels=2 --set reloadable=1 "
                          "--set config_method=1 --format int --input - ";

}  // namespace

// Refusals stop with their text and status 2 (after the lines already
// written); spellings of one setting give one output; a golden file compares
// with status 0 or 1; an output file appears only complete, a FIFO or a link
// is written in place; hex and binary at the extremes of 5 and 49 bits (and
// beyond the width in the integer mode); written coefficients read back.
TEST(Tool, RunsGiveTheirOutputErrorTextAndStatus) {
    const std::string dir = scratch_dir(), two = "1\n2\n3\n4\n", impulse = "1\n0\n0\n0\n0\n0\n";
    write_file(dir + "/stim.txt", "1 2\n3 4\n5 6\n7 8\n9 10\n11 12\n");
    const std::string w5 = "--set coeff=1 --set data_width=5 ", w49 = "--set coeff=1 --set data_width=49 --input - ",
                      most = "1000000000000\n", six = most + most + most + most + most + most,
                      wide = "--set data_width=49 --set coeff=-2.6,-2.6,-2.6,-2.6,-2.6,-2.6 --input-format hex ",
                      mpz = "pilvoran_v7_1 WARNING: Model will use MPZ data type\n",
                      wrap5 = mpz + "zeb-fir: wraps: 0 input samples, 1 output sample, 0 coefficients\n"
                                    "zeb-fir: first output wrap: vector 5, path 0, slot 0\n",
                      coeff_wrap = "zeb-fir: wraps: 0 input samples, 0 output samples, 1 coefficient\n",
                      round8 = "--set coeff=1,1 --set output_rounding_mode=ROUND_HALF_UP --set output_width=8 "
                               "--input - --format int ",
                      q = "--set quantization=QUANTIZE_ONLY --set coeff_fract_width=4 --set coeff_width=8 "
                          "--set coeff_sets=2 ",
                      sets = "@config fsel=1\n100\n-50\n3\n0\n@config fsel=0\n7\n0\n",
                      long_line = std::string(65537, '#') + "\n", too_long = ":1: line longer than 65536 characters\n";
    write_file(dir + "/s5.txt", "-16\n15\n-1\n0\n");
    write_file(dir + "/wide.txt", six);
    write_file(dir + "/target.txt", "old\n");
    std::filesystem::create_directory(dir + "/sub");
    std::filesystem::create_symlink(dir + "/target.txt", dir + "/link");
    ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0600), 0);
    const int fifo = open((dir + "/fifo").c_str(), O_RDWR | O_NONBLOCK);  // a reader: the tool's open never waits
    write_file(dir + "/five.txt", "5\n0\n0\n");
    write_file(dir + "/bad.cfg", "num_paths=2\n# fine so far\nnum_path=3\n");
    write_file(dir + "/filter.cfg", "# decimating\n\nfilter_type = DECIMATION   # by name\ndecimation_rate=2\r\n");
    write_file(dir + "/taps.txt", "# five taps\n1, 2 3\n\n-4\n5.5\n");
    // y[v] = x[v] - 2 x[v-1] for two paths and three channels, against the golden file
    const std::string gold = "compared 12 samples (6 output slots) with ",
                      compare = "--set num_paths=2 --set num_channels=3 --set coeff=1,-2 --input $D/stim.txt "
                                "--compare $D/gold.txt";
    const std::tuple<std::string, std::string, int, std::string, std::string> runs[] = {
        // arguments, standard input and golden file, status, output, error text
        {"--bogus", "", 2, "", "zeb-fir: unknown option '--bogus' (see zeb-fir --help)\n"},
        {"--set filter_type=5", "", 2, "",
         "Invalid filter type\nzeb-fir: the model refused the configuration (its message is above)\n"},
        {"--config $D/bad.cfg", "", 2, "",
         "zeb-fir: $D/bad.cfg:3: unknown configuration field 'num_path' (zeb-fir --list-fields shows them all)\n"},
        {"--input -", "1\n# fine\nnan\n", 2, "", "zeb-fir: <stdin>:3: value 1 is not a finite number: 'nan'\n"},
        {"--input - --set num_channels=2", "1\n@reset\n2\n", 2, "",
         "zeb-fir: <stdin>:2: a command must come between vectors, but this one follows slot 0 of a vector of 2 "
         "slots\n"},
        {kSets + "--config-packet 3:fsel=1", two, 2, "1\n2\n5\n8\n",
         "zeb-fir: the output is incomplete: 4 lines were written before this error:\n"
         "zeb-fir: --config-packet 3:fsel=1: never sent, the stimulus has only 2 vectors\n"},
        {kSets, "@config fsel=1\n" + two, 2, "",
         "pilvoran_v7_1 ERROR: Insufficient fsel values specified, expecting2\n"
         "zeb-fir: <stdin>:1: the model refused the config packet\n"},
        {kSets + "--reload 1:fsel=7:coeff=1,2,3", two, 2, "1\n2\n",
         "pilvoran_v7_1 WARNING: Invalid reload fsel, 7, ignoring packet\n"
         "zeb-fir: the output is incomplete: 2 lines were written before this error:\n"
         "zeb-fir: --reload 1:fsel=7:coeff=1,2,3: the model refused the reload packet\n"},
        {compare, "1 2\n3\n", 2, "", "zeb-fir: $D/gold.txt:2: expected 2 values (one per path), found 1\n"},
        {"--config $D/filter.cfg --input - --set decimation_rate=3", impulse, 0, "-4\n6\n", ""},
        {"--set coeff_fract_width=1 --input - --coeff-file $D/taps.txt", impulse, 0, "1\n2\n3\n-4\n5.5\n0\n", ""},
        {"--set num_paths=2 --set num_channels=2 --set coeff=1,2,3 --input -",
         "# path0 path1\n1 2\n  3,4   # slot 1\n\n+5\t,\t-6\r\n7.75 , 8e0\n1e-400 -1e-400\n0 0\n", 0,
         "1 2\n3 4\n7 -2\n13 16\n13 -6\n23 28\n", ""},
        {"--set coeff=1,1 --set data_fract_width=4 --input - --input-format int", "16\n-8\n3\n", 0,
         "1\n0.5\n-0.3125\n", ""},
        {compare, "# summary line\n1.0, 2\n+3 4.00\n\n5 6e0\n5 4\n3 2 # dump\n1 -0\n", 0,
         gold + "$D/gold.txt: all equal\n", ""},
        {compare, "1 2\n3 4\n5 6\n5 4\n3 7\n9 0\n", 1,
         gold + "$D/gold.txt: 2 differ\nmismatch: vector 1, path 1, slot 1: dump: 7, model: 2 ($D/gold.txt:5)\n", ""},
        {compare + " --skip 2 --max-mismatches 5", "x x\nxx 0\n1 2\n3 4\n5 6\n5 4\n3 7\n9 0\n", 1,
         "skipped the first 2 data lines of $D/gold.txt (to line 2)\n" + gold + "$D/gold.txt: 2 differ\n"
         "mismatch: vector 1, path 1, slot 1: dump: 7, model: 2 ($D/gold.txt:7)\n"
         "mismatch: vector 1, path 0, slot 2: dump: 9, model: 1 ($D/gold.txt:8)\n", ""},
        {compare + " --skip 9 --max-mismatches 0", "1 2\n3 4\n", 1, "skipped the first 9 data lines of $D/gold.txt: "
         "it has only 2\ncompared 0 samples (0 output slots) with $D/gold.txt: all equal\n$D/gold.txt has only 0 data "
         "lines after the first 9, but the model produced 6 more output slots\n", ""},
        {compare, "1 2\n3 4\n5 6\n5 4\n", 1, "compared 8 samples (4 output slots) with $D/gold.txt: all equal\n"
         "$D/gold.txt has only 4 data lines, but the model produced 2 more output slots\n", ""},
        {compare, "1 2\n3 4\n5 6\n5 4\n3 2\n1 0\n# end\n0 0\n0 0\n", 1,
         gold + "$D/gold.txt: all equal\n$D/gold.txt has 2 more data lines than the model produced, from line 8\n", ""},
        {"--set filter_type=ZEB_FIR_V7_1_HILBERT --set coeff=-1,0,1 --input $D/five.txt --compare $D/gold.txt",
         "0 -5\n5 12345\n0 5\n", 1, "compared 6 samples (3 output slots) with $D/gold.txt: 1 differs\n"
         "mismatch: vector 1, path 0 (im), slot 0: dump: 12345, model: 0 ($D/gold.txt:2)\n", ""},
        {"--input - --set coeff=1,1 --output $D/out.txt", "1\n2\n", 0, "", ""},
        {"--input - --packet 1 --output $D/out.txt", "1\n2\nx\n", 2, "",
         "zeb-fir: $D/out.txt was not written because of this error:\n"
         "zeb-fir: <stdin>:3: value 1 is not a finite number: 'x'\n"},
        // hex and binary: most negative, most positive, -1 (and 0) of 5 and 49 bits
        {w5 + "--input - --input-format hex --format int", "10\n0F\n1f\n0\n", 0, "-16\n15\n-1\n0\n", ""},
        {w5 + "--input - --input-format bin --format int", "10000\n01111\n11111\n0\n", 0, "-16\n15\n-1\n0\n", ""},
        {w5 + "--input $D/s5.txt --format hex", "", 0, "10\n0f\n1f\n00\n", ""},
        {w5 + "--input $D/s5.txt --format bin", "", 0, "10000\n01111\n11111\n00000\n", ""},
        {w5 + "--input $D/s5.txt --format hex --compare $D/gold.txt", "// $writememh\n@0\n10\n0F\n1f\n0\n", 0,
         "compared 4 samples (4 output slots) with $D/gold.txt: all equal\n", ""},
        {w5 + "--input $D/s5.txt --format bin --compare $D/gold.txt", "10000\n1111\n11110\n00000\n", 1,
         "compared 4 samples (4 output slots) with $D/gold.txt: 1 differs\n"
         "mismatch: vector 2, path 0, slot 0: dump: 11110, model: 11111 ($D/gold.txt:3)\n", ""},
        {w5 + "--input $D/s5.txt --format hex --compare $D/gold.txt", "10\nxx\n", 2, "",
         "zeb-fir: $D/gold.txt:2: value 1 has unknown bits (x or z): 'xx' (--format hex)\n"},
        {w5 + "--input - --input-format hex", "20\n", 2, "",
         "zeb-fir: <stdin>:1: value 1 does not fit 5 bits: '20' (--input-format hex)\n"},
        {w5 + "--input - --input-format bin", "@0\n012\n", 2, "",
         "zeb-fir: <stdin>:2: value 1 is not a binary number: '012' (--input-format bin)\n"},
        {w49 + "--input-format hex --format int", most + "0ffffffffffff\n1FFFFFFFFFFFF\n", 0,
         "-281474976710656\n281474976710655\n-1\n", ""},
        {w49 + "--format bin", "-281474976710656\n281474976710655\n-1\n", 0, "1" + std::string(48, '0') + "\n0" +
         std::string(48, '1') + "\n" + std::string(49, '1') + "\n", ""},
        {"--set filter_type=HILBERT --set coeff=-1,0,1 --set data_width=5 --input $D/s5.txt --format hex", "", 0,
         "00 10\n10 31\n0f 31\n1f 0f\n", ""},
        // 18 x 2^48 wraps in the integer mode's 53 bits, as in the double mode
        {wide + "--input - --format int", six, 0, "844424930131968\n1688849860263936\n"
         "2533274790395904\n3377699720527872\n4222124650659840\n-3940649673949184\n", wrap5},
        {wide + "--format hex --compare $D/gold.txt --input $D/wide.txt",
         "3000000000000\n6000000000000\n9000000000000\nc000000000000\nF000000000000\n12000000000000\n", 0,
         "compared 6 samples (6 output slots) with $D/gold.txt: all equal\n", wrap5},
        // the quantised coefficients as hex, and read back as hex: the same output
        {q + "--set coeff=0.3,-0.77,1.234,-8,7.99,0.05 --input - --format int", sets, 0,
         "-12800\n-6400\n6116\n-434\n95\n-84\n", coeff_wrap},
        {q + "--set coeff=0.3,-0.77,1.234,-8,7.99,0.05 --format hex --write-coefficients $D/c.hex", "", 0, "",
         coeff_wrap},
        {q + "--set coeff=0.3,-0.77,1.234,-8,7.99,0.05 --strict", "", 2, "",
         "zeb-fir: --strict: 1 coefficient wrapped at creation\n"},
        // wraps: summed up across a reset, in stream vectors; --strict stops at the first, passes clean input
        {round8, "40000\n@reset\n0\n32767\n32767\n", 0, "-50\n0\n64\n-128\n",
         "zeb-fir: wraps: 1 input sample, 1 output sample, 0 coefficients\n"
         "zeb-fir: first input wrap: vector 0, path 0, slot 0\nzeb-fir: first output wrap: vector 3, path 0, slot 0\n"},
        {round8 + "--strict --packet 1", "0\n@reset\n32767\n32767\n40000\n", 2, "0\n64\n-128\n",
         "zeb-fir: the output is incomplete: 3 lines were written before this error:\n"
         "zeb-fir: --strict: output sample wrapped at vector 2, path 0, slot 0\n"},
        {round8 + "--strict --set num_paths=2", "0 1\n-32768 40000\n", 2, "0 0\n-64 -50\n",
         "zeb-fir: the output is incomplete: 2 lines were written before this error:\n"
         "zeb-fir: --strict: input sample wrapped at vector 1, path 1, slot 0\n"},
        {round8 + "--strict", "0\n32767\n-32768\n", 0, "0\n64\n0\n", ""},
        {"--set coeff_width=5 --coeff-file $D/c.hex --coeff-format hex " + q + "--input - --format int", sets, 0,
         "-12800\n-6400\n6116\n-434\n95\n-84\n", ""},
        // faults: FIFOs, links and directories; over-long lines
        {"--input - --set coeff=1,1 --output $D/fifo", "1\n2\n", 0, "", ""},
        {"--input - --packet 1 --output $D/link", "1\n2\nx\n", 2, "",
         "zeb-fir: the output to $D/link is incomplete: 2 lines were written before this error:\n"
         "zeb-fir: <stdin>:3: value 1 is not a finite number: 'x'\n"},
        {"--input - --set coeff=1,1 --output $D/link", "1\n2\n", 0, "", ""},
        {"--output $D/sub", "", 2, "", "zeb-fir: cannot write output file '$D/sub': it is a directory\n"},
        {"--config $D/sub", "", 2, "", "zeb-fir: cannot read configuration file '$D/sub': it is a directory\n"},
        {"--coeff-file $D/sub", "", 2, "", "zeb-fir: cannot read coefficient file '$D/sub': it is a directory\n"},
        {"--input $D/sub", "", 2, "", "zeb-fir: cannot read stimulus file '$D/sub': it is a directory\n"},
        {"--compare $D/sub", "", 2, "", "zeb-fir: cannot read golden file '$D/sub': it is a directory\n"},
        {"--set coeff=2 --input -", std::string(65535, '#') + "\n1\n", 0, "2\n", ""},
        {"--input -", long_line, 2, "", "zeb-fir: <stdin>" + too_long},
        {"--config $D/gold.txt", long_line, 2, "", "zeb-fir: $D/gold.txt" + too_long},
        {"--coeff-file $D/gold.txt", long_line, 2, "", "zeb-fir: $D/gold.txt" + too_long},
        {"--input $D/five.txt --compare $D/gold.txt", long_line, 2, "", "zeb-fir: $D/gold.txt" + too_long},
    };
    for (const auto& [args, input, status, out, err] : runs) {
        write_file(dir + "/gold.txt", input);
        const ToolRun run = tool(args, dir, input);
        EXPECT_EQ(std::tie(run.status, run.out, run.err), std::make_tuple(status, in(out, dir), in(err, dir))) << args;
    }
    EXPECT_EQ(read_file(dir + "/out.txt"), "1\n3\n");
    EXPECT_FALSE(std::filesystem::exists(dir + "/out.txt.partial"));
    EXPECT_EQ(read_file(dir + "/c.hex"), "05\nf4\n14\n80\n80\n01\n");  // 7.99 wraps to -8 in 8 bits
    char got[64] = {};
    EXPECT_EQ(std::string(got, std::max<ssize_t>(0, read(fifo, got, sizeof got))), "1\n3\n");
    close(fifo);
    EXPECT_TRUE(std::filesystem::is_fifo(std::filesystem::symlink_status(dir + "/fifo")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir + "/link"));
    EXPECT_EQ(read_file(dir + "/target.txt"), "1\n3\n");
}

TEST(Tool, DefaultRunIsTheImpulseResponseThenASineConvolved) {
    std::vector<double> x = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // then a sine
    for (int k = 0; k < 32; ++k) x.push_back(std::round(16383 * std::sin(2 * 3.14159265358979323846 * k / 16)));
    const std::vector<double> taps = {6, 0, -4, -3, 5, 6, -6, -13, 7, 44, 64, 44, 7, -13, -6, 6, 5, -3, -4, 0, 6};
    const Expectation e(config_with(taps), {0}, 53, x);
    EXPECT_EQ(data_lines(tool("", scratch_dir()).out), data_lines(text_of(e.reals())));
}

// The summary's group delay (about the middle of a symmetric set, none for
// another), accumulator width (data bits plus the growth of the sums of
// taps) and output LSB weight (accumulator minus output bits, minus
// fractional bits), with no refusal shown.
TEST(Tool, SummaryNamesGroupDelayAndOutputLsb) {
    const std::string dir = scratch_dir(), round8 = " --set output_rounding_mode=ROUND_HALF_UP --set output_width=8";
    const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
        {"", "10 input samples, 10 output samples (set 0)", "24 bits", "2^0"},  // 21 taps summing to 252
        {"--set filter_type=DECIMATION --set decimation_rate=3", "8 input samples, 2.66667 output samples (set 0)",
         "24 bits", "2^0"},
        {"--set coeff=1,1 --set data_fract_width=15" + round8, "0.5 input samples, 0.5 output samples (set 0)",
         "17 bits", "2^-6"},
        {"--set coeff=1,2" + round8, "none: set 0 is not linear-phase", "18 bits", "2^10"},
    };
    for (const auto& [args, delay, acc, lsb] : cases) {
        const ToolRun run = tool(args + " --summary --input -", dir);
        const auto row = [&](const std::string& label) {
            const size_t at = run.out.find("\n# " + label + std::string(22 - label.size(), ' '));
            return at == std::string::npos ? "" : run.out.substr(at + 25, run.out.find('\n', at + 1) - at - 25);
        };
        EXPECT_EQ(std::tie(run.status, run.err), std::make_tuple(0, std::string())) << args;
        EXPECT_EQ(std::make_tuple(row("group delay"), row("accumulator width"), row("output LSB weight")),
                  std::make_tuple(delay, acc, lsb + " in input-value units"))
            << args;
    }
}

// Commands in the stimulus or as options take effect before their vector.
TEST(Tool, RunTimeCommandsApplyBeforeTheirVector) {
    const std::string dir = scratch_dir();
    const std::vector<double> sets = {1, 2, 3, -1, 0, 4, 5, 0, -5};  // set 2 of the reference: set 0 reloaded
    zeb_fir_v7_1_config as_sets = config_with(sets, 3), cfg = as_sets;
    cfg.coeff_sets = 2, cfg.num_channels = 2, cfg.reloadable = 1, cfg.config_method = 1;
    const std::vector<double> values = Stimulus(15).samples(2 * 12, 16, 0);
    const char* cmd[] = {"@config fsel=1,0\n", "", "", "@reload fsel=0 coeff=5,0,-5\n", "", "@config fsel=0,0 #\n"};
    std::string stim;
    for (size_t v = 0; v < 12; ++v) stim += (v < 6 ? cmd[v] : "") + text_of({values[2 * v], values[2 * v + 1]});
    std::vector<std::vector<mpz_class>> taps;
    for (size_t set : {0, 1, 2}) taps.push_back(ref::taps_of(as_sets, set));
    const std::vector<size_t> select[] = {{1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2}, {0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 2, 2}};
    const std::string want = int_lines(Expectation(cfg, {0, 1}, 12, values, [&](size_t c) { return select[c]; }, taps));
    // After a reset the histories restart; the reloaded set stays.
    const std::string after =
        int_lines(Expectation(cfg, {0, 1}, 12, values, [](size_t) { return std::vector<size_t>(12, 2); }, taps));
    EXPECT_EQ(tool(kSets + "--config-packet 5:fsel=0,0 --reload 3:fsel=0:coeff=5,0,-5 --config-packet 0:fsel=1,0",
                   dir, text_of(values)).out, want);
    for (const char* packet : {"1", "4", "1024"})
        EXPECT_EQ(tool(kSets + "--packet " + packet, dir, stim + "@reset\n" + text_of(values)).out, want + after);
}

TEST(Tool, ExampleHostPrintsWhatTheToolPrints) {  // the C host example under examples/
    const std::string dir = scratch_dir(), x = "1\n0\n0\n0\n100\n200\n-300\n0\n";
    const std::string want = tool("--set filter_type=INTERPOLATION --set interpolation_rate=2 --input -", dir, x).out;
    EXPECT_EQ(data_lines(want).size(), 16u);
    EXPECT_EQ(run_program(ZEB_BINARY_DIR "/example_interpolate_by_two", {}, dir).out, want);
}

TEST(Interface, VersionNullArgumentsAndTheConfigurationCopy) {
    EXPECT_STREQ(zeb_fir_v7_1_get_version(), ZEB_FIR_VERSION);
    std::vector<std::string> log;
    const auto record = [](void* to, int, const char* text) { static_cast<decltype(log)*>(to)->push_back(text); };
    zeb_fir_v7_1_config cfg, out;
    EXPECT_EQ(zeb_fir_v7_1_default_config(nullptr) + zeb_fir_v7_1_destroy(nullptr), 2 * ZEB_STATUS_ERROR);
    zeb_fir_v7_1_default_config(&cfg);
    EXPECT_EQ(zeb_fir_v7_1_create(nullptr, record, &log), nullptr);
    EXPECT_EQ(zeb_fir_v7_1_create_dbg(nullptr, record, &log, record, &log), nullptr);
    cfg.name = nullptr;  // no name to copy: the fallback text
    EXPECT_EQ(zeb_fir_v7_1_create(&cfg, record, &log), nullptr);
    EXPECT_EQ(zeb_fir_v7_1_create(&cfg, nullptr, nullptr), nullptr);
    EXPECT_EQ(log, std::vector<std::string>{"Uncaught exception in FIR model create"});
    std::string name = "tb_fir";  // the model keeps its own name and never a host pointer
    cfg.name = name.c_str();
    host::Model m(cfg);
    name.assign("overwritten by the host");
    EXPECT_EQ(zeb_fir_v7_1_get_config(nullptr, &out) + zeb_fir_v7_1_get_config(*m, nullptr), 2 * ZEB_STATUS_ERROR);
    EXPECT_STREQ(m.config().name, "tb_fir");
    EXPECT_EQ(m.config().coeff, nullptr);
}

// Defined dynamic symbols of a library, version suffixes cut off, and the
// names a header declares after its export macro.
std::vector<std::string> exported_by(const char* library) {
    std::istringstream nm(run_program("/usr/bin/nm", {"-D", "--defined-only", library}, scratch_dir()).out);
    std::vector<std::string> symbols;
    for (std::string address, type, name; nm >> address >> type >> name;)
        if (type != "A") symbols.push_back(name.substr(0, name.find('@')));
    return std::sort(symbols.begin(), symbols.end()), symbols;
}
std::vector<std::string> declared_in(const std::string& header, const std::string& macro, const std::string& prefix) {
    std::istringstream text(read_file(ZEB_SOURCE_DIR + header));
    std::vector<std::string> names;
    for (std::string line; std::getline(text, line);) {
        const size_t end = line.find_first_of("(["), start = line.rfind(' ', end) + 1;
        if (line.rfind(macro, 0) == 0 && end != std::string::npos && line.compare(start, prefix.size(), prefix) == 0)
            names.push_back(line.substr(start, end - start));
    }
    return std::sort(names.begin(), names.end()), names;
}

// The model library shows the C interface and the pattern tables, and no
// other name of its own; the DPI library exactly the functions it declares.
TEST(Interface, EveryDeclaredSymbolIsExportedAndNothingElse) {
    const std::vector<std::string> symbols = exported_by(ZEB_LIBRARY_FILE);
    if (symbols.empty()) GTEST_SKIP() << "nm is not available";
    std::vector<std::string> declared = declared_in("/include/zeb_fir_v7_1.h", "ZEB_FIR_V7_1_EXPORT", "zeb_fir_v7_1_");
    for (const char* header : {"/include/zeb_fir_v7_1_inspect.h", "/include/zeb_fir_v7_1_slots.h"})
        for (const std::string& name : declared_in(header, "ZEB_FIR_V7_1_EXPORT", "zeb_fir")) declared.push_back(name);
    std::sort(declared.begin(), declared.end());
    EXPECT_EQ(symbols, declared);
    // 7 x 17 array functions, 2 + 19 model functions, 8 views, 4 tables, 6 inspection, 1 slot read
    EXPECT_EQ(symbols.size(), 159u);
    EXPECT_EQ(exported_by(ZEB_DPI_LIBRARY_FILE),
              declared_in("/dpi/zeb_fir_v7_1_dpi.h", "ZEB_FIR_V7_1_DPI_EXPORT ", "zeb_fir_v7_1_dpi_"));
}

// The C example in the README is examples/readme_snippet.c, built and run.
TEST(Interface, ReadmeSnippetIsTheBuiltExample) {
    const std::string readme = read_file(ZEB_SOURCE_DIR "/README.md");
    const size_t start = readme.find("```c\n") + 5;  // a missing block compares from 4
    EXPECT_EQ(readme.substr(start, readme.find("```", start) - start),
              read_file(ZEB_SOURCE_DIR "/examples/readme_snippet.c"));
}
