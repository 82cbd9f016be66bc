// zeb-fir run as a process on stimulus files: the default run against an
// independent convolution, the accepted spellings of a stimulus, output
// equal to the library called directly (also across many packets, in both
// formats, for Hilbert, wide-accumulator and advanced-sequence models),
// malformed lines, and the output file.
#include <pty.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tool_process.h"
#include "tool_reference.h"

using namespace tooltest;

namespace {

const double kDefaultTaps[21] = {6, 0, -4, -3, 5, 6, -6, -13, 7, 44, 64, 44, 7, -13, -6, 6, 5, -3, -4, 0, 6};

zeb_fir_v7_1_config default_config()
{
    zeb_fir_v7_1_config config;
    zeb_fir_v7_1_default_config(&config);
    return config;
}

// Deterministic samples in [-limit, limit], whole numbers.
Slots random_slots(std::size_t count, std::size_t paths, double limit, std::uint64_t seed)
{
    Slots slots(count, std::vector<double>(paths));
    for (auto& slot : slots)
        for (double& v : slot) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            v = std::floor(static_cast<double>(seed >> 11) / 9007199254740992.0 * (2 * limit + 1)) - limit;
        }
    return slots;
}

void expect_matches_library(const std::vector<std::string>& args, const zeb_fir_v7_1_config& config,
                            const Slots& slots, bool int_format, bool complex, const std::string& model_messages = "")
{
    const std::string dir = scratch_dir();
    write_file(dir + "/stim.txt", stimulus_text(slots));
    std::vector<std::string> all = args;
    all.insert(all.end(), {"--input", dir + "/stim.txt", "--format", int_format ? "int" : "real"});
    const auto run = run_tool(all, dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, model_messages);
    const Lines expected = reference_output(config, slots, int_format, complex);
    ASSERT_FALSE(expected.empty());
    expect_same_numbers(split_lines(data_lines(run.out)), expected, int_format);
}

}  // namespace

TEST(ToolDefaultRun, SummaryThenImpulseResponseAndSineAsConvolved)
{
    const auto run = run_tool({}, scratch_dir());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string summary =
        std::string("# zeb-fir ") + zeb_fir_v7_1_get_version() + ", model pilvoran_v7_1\n"
        "# filter type           SINGLE_RATE\n"
        "# rates                 interpolation 1, decimation 1 (output rate = input rate x 1/1)\n"
        "# paths                 1\n"
        "# channels              1 per path, BASIC_CHAN_SEQ\n"
        "# coefficients          21 per set, 1 set, fixed\n"
        "# data format           IFIX_16_0\n"
        "# coefficient format    IFIX_16_0 (QUANTIZE_INTEGER)\n"
        "# accumulator width     24 bits\n"
        "# output format         IFIX_24_0 (FULL_PRECISION)\n"
        "# output fract width    0 bits\n"
        "# arithmetic            double precision\n"
        "# stimulus              built-in: impulse of one input LSB, 20 zero vectors, then 32 vectors of a sine of "
        "amplitude 16383 LSBs (period 16 vectors)\n"
        "# output columns        one per path, real values\n"
        "# output lines          one per output time slot, whole vectors in hardware order\n";
    ASSERT_EQ(run.out.substr(0, summary.size()), summary);

    // Independent check: the stimulus described above, convolved with the
    // default taps (exact in full precision).
    std::vector<double> x(21, 0.0);
    x[0] = 1;
    for (int k = 0; k < 32; ++k)
        x.push_back(std::round(16383 * std::sin(2 * 3.14159265358979323846 * k / 16)));
    const auto lines = data_lines(run.out);
    ASSERT_EQ(lines.size(), x.size());
    for (std::size_t v = 0; v < x.size(); ++v) {
        double y = 0;
        for (std::size_t i = 0; i < 21 && i <= v; ++i)
            y += kDefaultTaps[i] * x[v - i];
        EXPECT_EQ(std::strtod(lines[v].c_str(), nullptr), y) << "vector " << v;
    }
}

TEST(ToolStimulus, BlanksCommasCommentsSignsAndCarriageReturns)
{
    const std::string dir = scratch_dir();
    // Two paths, two channels: two lines per vector.
    write_file(dir + "/stim.txt",
               "# path0 path1\n"
               "1 2\n"
               "  3,4   # slot 1\n"
               "\n"
               "+5\t,\t-6\r\n"
               "7.75 , 8e0\n"
               "1e-400 -1e-400\n"  // below the double range: the nearest double, 0
               "0 0\n");
    const std::vector<std::string> args = {"--set", "num_paths=2", "--set", "num_channels=2",
                                           "--set", "coeff=1,2,3"};
    std::vector<std::string> with_file = args;
    with_file.insert(with_file.end(), {"--input", dir + "/stim.txt"});
    const auto run = run_tool(with_file, dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "1 2\n3 4\n7 -2\n13 16\n13 -6\n23 28\n");  // 7.75 enters as 7 (rounded down to the LSB)

    std::vector<std::string> with_stdin = args;
    with_stdin.insert(with_stdin.end(), {"--input", "-"});
    EXPECT_EQ(run_tool(with_stdin, dir, read_file(dir + "/stim.txt")).out, run.out);
}

TEST(ToolStimulus, IntegerInputCountsInputLsbs)
{
    const std::string dir = scratch_dir();
    write_file(dir + "/ints.txt", "16\n-8\n3\n");
    write_file(dir + "/reals.txt", "1\n-0.5\n0.1875\n");
    const std::vector<std::string> args = {"--set", "data_fract_width=4", "--set", "coeff=1,1"};
    auto ints = args;
    ints.insert(ints.end(), {"--input", dir + "/ints.txt", "--input-format", "int"});
    auto reals = args;
    reals.insert(reals.end(), {"--input", dir + "/reals.txt"});
    const auto from_ints = run_tool(ints, dir);
    ASSERT_EQ(from_ints.status, 0) << from_ints.err;
    EXPECT_EQ(from_ints.out, "1\n0.5\n-0.3125\n");
    EXPECT_EQ(run_tool(reals, dir).out, from_ints.out);

    // The built-in stimulus is in sample values whatever --input-format says.
    const auto builtin = run_tool({"--set", "data_fract_width=4", "--input-format", "int"}, dir);
    EXPECT_EQ(builtin.status, 0) << builtin.err;
    EXPECT_EQ(data_lines(builtin.out)[0], "0.375");  // one input LSB (1/16) times the first tap, 6

    write_file(dir + "/half.txt", "16\n2.5\n");
    ints[ints.size() - 3] = dir + "/half.txt";
    const auto half = run_tool(ints, dir);
    EXPECT_EQ(half.status, 2);
    EXPECT_EQ(half.err, "zeb-fir: " + dir + "/half.txt:2: value 1 is not an integer: '2.5' (--input-format int)\n");
}

TEST(ToolStream, FileOfManyPacketsMatchesTheLibraryCalledDirectly)
{
    // Decimation by 3 over 3000 vectors: 1024-vector packets end in the
    // middle of an output sample, and so do 7-vector ones.
    zeb_fir_v7_1_config config = default_config();
    config.filter_type = ZEB_FIR_V7_1_DECIMATION;
    config.decimation_rate = 3;
    config.num_paths = 2;
    config.num_channels = 2;
    const Slots slots = random_slots(3000 * 2, 2, 32767, 1);
    const std::vector<std::string> args = {"--set", "filter_type=DECIMATION", "--set", "decimation_rate=3",
                                           "--set", "num_paths=2", "--set", "num_channels=2"};
    expect_matches_library(args, config, slots, false, false);
    auto small_packets = args;
    small_packets.insert(small_packets.end(), {"--packet", "7"});
    expect_matches_library(small_packets, config, slots, true, false);
}

TEST(ToolStream, InterpolationWithRoundingMatchesTheLibrary)
{
    zeb_fir_v7_1_config config = default_config();
    config.filter_type = ZEB_FIR_V7_1_INTERPOLATION;
    config.interpolation_rate = 3;
    config.output_rounding_mode = ZEB_FIR_V7_1_ROUND_HALF_EVEN;
    config.output_width = 12;
    config.data_fract_width = 3;
    const Slots slots = random_slots(500, 1, 4000, 2);
    const std::vector<std::string> args = {"--set", "filter_type=INTERPOLATION", "--set", "interpolation_rate=3",
                                           "--set", "output_rounding_mode=ROUND_HALF_EVEN", "--set", "output_width=12",
                                           "--set", "data_fract_width=3", "--packet", "10"};
    expect_matches_library(args, config, slots, false, false);
    expect_matches_library(args, config, slots, true, false);
}

TEST(ToolStream, HilbertPrintsBothPartsOfEveryPath)
{
    zeb_fir_v7_1_config config = default_config();
    config.filter_type = ZEB_FIR_V7_1_HILBERT;
    config.num_paths = 2;
    const Slots slots = random_slots(300, 2, 30000, 3);
    const std::vector<std::string> args = {"--set", "filter_type=HILBERT", "--set", "num_paths=2", "--packet", "64"};
    expect_matches_library(args, config, slots, false, true);
    expect_matches_library(args, config, slots, true, true);

    const auto summary = run_tool({"--set", "filter_type=HILBERT", "--format", "int"}, scratch_dir());
    EXPECT_NE(summary.out.find("# output columns        re im per path (re: delayed input in input LSBs, im: filter "
                               "output in output LSBs)\n"),
              std::string::npos);
    EXPECT_EQ(split_lines(data_lines(summary.out))[0].size(), 2u);
}

TEST(ToolStream, WideAccumulatorIsExactInIntegerFormat)
{
    zeb_fir_v7_1_config config = default_config();
    const double taps[3] = {100000001, -99999999, 123456789};
    config.coeff = taps;
    config.num_coeffs = 3;
    config.coeff_width = 30;
    config.data_width = 40;
    const Slots slots = random_slots(200, 1, 549755813887.0, 4);
    const std::vector<std::string> args = {"--set", "coeff=100000001,-99999999,123456789", "--set", "coeff_width=30",
                                           "--set", "data_width=40"};
    expect_matches_library(args, config, slots, true, false, "pilvoran_v7_1 WARNING: Model will use MPZ data type\n");

    const auto summary = run_tool(args, scratch_dir());
    ASSERT_EQ(summary.status, 0) << summary.err;
    EXPECT_NE(summary.out.find("# arithmetic            arbitrary precision (GMP integers)\n"), std::string::npos);
}

TEST(ToolStream, AdvancedChannelSequenceKeepsHardwareSlotOrder)
{
    zeb_fir_v7_1_config config = default_config();
    config.chan_seq = ZEB_FIR_V7_1_ADVANCED_CHAN_SEQ;
    config.num_channels = 4;
    config.init_pattern = zeb_fir_v7_1_pattern_max[4];
    const Slots slots = random_slots(4 * 50, 1, 1000, 5);
    const std::vector<std::string> args = {"--set", "chan_seq=ADVANCED_CHAN_SEQ", "--set", "num_channels=4", "--set",
                                           "init_pattern=" + std::to_string(zeb_fir_v7_1_pattern_max[4]), "--packet",
                                           "8"};
    expect_matches_library(args, config, slots, false, false);
}

TEST(ToolStimulus, MalformedLinesStopWithTheLineNumber)
{
    const std::string dir = scratch_dir();
    struct Case {
        std::vector<std::string> args;
        const char* stimulus;
        const char* message;
    } cases[] = {
        {{}, "1\n2\nabc\n", "zeb-fir: <stdin>:3: value 1 is not a finite number: 'abc'\n"},
        {{}, "1\n# fine\nnan\n", "zeb-fir: <stdin>:3: value 1 is not a finite number: 'nan'\n"},
        {{}, "1e999\n", "zeb-fir: <stdin>:1: value 1 is not a finite number: '1e999'\n"},
        {{}, "1 2\n", "zeb-fir: <stdin>:1: expected 1 value (one per path), found 2\n"},
        {{"--set", "num_paths=3"}, "1 2 3\n4 5\n", "zeb-fir: <stdin>:2: expected 3 values (one per path), found 2\n"},
        {{}, "1,\n", "zeb-fir: <stdin>:1: empty field after the last comma\n"},
        {{"--set", "num_paths=2"}, "1,,2\n", "zeb-fir: <stdin>:1: empty field at column 3\n"},
        {{}, "@frobnicate\n",
         "zeb-fir: <stdin>:1: unknown command '@frobnicate': expected @config, @reload or @reset\n"},
        {{"--set", "num_channels=2"}, "1\n2\n3\n", "zeb-fir: <stdin>:3: the stimulus ends inside a vector (1 of 2 "
                                                   "slots given)\n"},
        {{"--set", "num_channels=2"}, "1\n@reset\n2\n",
         "zeb-fir: <stdin>:2: a command must come between vectors, but this one follows slot 0 of a vector of 2 "
         "slots\n"},
    };
    for (const Case& c : cases) {
        auto args = c.args;
        args.insert(args.end(), {"--input", "-"});
        const auto run = run_tool(args, dir, c.stimulus);
        EXPECT_EQ(run.status, 2) << c.stimulus;
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(run.out, "") << c.stimulus;
    }
    const auto missing = run_tool({"--input", dir + "/none.txt"}, dir);
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "zeb-fir: cannot read stimulus file '" + dir + "/none.txt'\n");
}

TEST(ToolOutput, OutputWrittenBeforeAnErrorIsAnnounced)
{
    const std::string dir = scratch_dir();
    const auto run = run_tool({"--input", "-", "--packet", "1", "--set", "coeff=1,1"}, dir, "1\n2\nx\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "1\n3\n");
    EXPECT_EQ(run.err, "zeb-fir: the output is incomplete: 2 lines were written before this error:\n"
                       "zeb-fir: <stdin>:3: value 1 is not a finite number: 'x'\n");

    // A file appears only complete; an old file stays as it was.
    const std::string out = dir + "/out.txt";
    write_file(out, "old\n");
    const auto failed = run_tool({"--input", "-", "--packet", "1", "--output", out}, dir, "1\n2\nx\n");
    EXPECT_EQ(failed.status, 2);
    EXPECT_EQ(failed.err, "zeb-fir: " + out + " was not written because of this error:\n"
                          "zeb-fir: <stdin>:3: value 1 is not a finite number: 'x'\n");
    EXPECT_EQ(read_file(out), "old\n");
    EXPECT_FALSE(std::filesystem::exists(out + ".partial"));

    const auto written = run_tool({"--input", "-", "--output", out, "--set", "coeff=1,1"}, dir, "1\n2\n");
    EXPECT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(written.out, "");
    EXPECT_EQ(read_file(out), "1\n3\n");
    EXPECT_FALSE(std::filesystem::exists(out + ".partial"));

    const auto with_summary = run_tool({"--input", "-", "--summary", "--set", "coeff=1,1"}, dir, "1\n2\n");
    EXPECT_EQ(data_lines(with_summary.out), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(with_summary.out.rfind("# zeb-fir ", 0), 0u);
}

TEST(ToolOutput, ProgressLineOnlyOnATerminal)
{
    const std::string dir = scratch_dir();
    write_file(dir + "/stim.txt", stimulus_text(random_slots(50, 1, 100, 6)));
    // Standard error is a file here: no progress line.
    const auto plain = run_tool({"--input", dir + "/stim.txt", "--packet", "1"}, dir);
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.err, "");

    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const std::string path = tool_path();
        const std::string input = dir + "/stim.txt";
        if (!freopen("/dev/null", "w", stdout))
            _exit(127);
        execl(path.c_str(), path.c_str(), "--input", input.c_str(), "--packet", "1", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string terminal;
    char buffer[256];
    for (;;) {
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        terminal.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(terminal.find("\rzeb-fir: "), std::string::npos) << terminal;
    EXPECT_NE(terminal.find("input lines, "), std::string::npos) << terminal;
    // The line is erased at the end.
    EXPECT_EQ(terminal.substr(terminal.size() - 4), "\r\033[K");
}
