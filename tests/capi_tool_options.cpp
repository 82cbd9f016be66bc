// zeb-fir run as a process: help, version, the field table, and every way
// of building the configuration (--set, --config, --coeff-file) with the
// messages and exit statuses of each refusal.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tool_process.h"
#include "zeb_fir_v7_1.h"

using tooltest::data_lines;
using tooltest::run_tool;
using tooltest::scratch_dir;
using tooltest::write_file;

namespace {

const std::vector<std::string> kDefaultTaps = {"6",  "0",   "-4", "-3", "5",  "6",  "-6", "-13", "7", "44", "64",
                                               "44", "7", "-13", "-6", "6", "5", "-3", "-4", "0",   "6"};

std::vector<std::string> first_lines(const std::string& text, std::size_t n)
{
    std::vector<std::string> lines = data_lines(text);
    if (lines.size() > n)
        lines.resize(n);
    return lines;
}

}  // namespace

TEST(ToolInfo, HelpNamesEveryOptionAndExitsZero)
{
    const auto run = run_tool({"--help"}, scratch_dir());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    for (const char* option : {"--set", "--config", "--coeff-file", "--list-fields", "--input", "--input-format",
                               "--packet", "--output", "--format", "--summary", "--compare", "@config", "@reload",
                               "@reset", "--config-packet", "--reload", "--version", "Examples:", "Exit status"})
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
    EXPECT_EQ(run_tool({"-h"}, scratch_dir()).out, run.out);
}

TEST(ToolInfo, VersionIsTheLibraryText)
{
    const auto run = run_tool({"--version"}, scratch_dir());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, std::string(zeb_fir_v7_1_get_version()) + "\n");
}

TEST(ToolInfo, FieldTableHasAllFieldsWithLibraryDefaults)
{
    const auto run = run_tool({"--list-fields"}, scratch_dir());
    EXPECT_EQ(run.status, 0);
    const auto lines = data_lines(run.out);
    ASSERT_EQ(lines.size(), 27u);  // header, rule, 25 fields
    EXPECT_EQ(lines[0], "| Field | Accepted values | Default | Meaning |");
    EXPECT_EQ(lines[2], "| `name` | any text | pilvoran_v7_1 | instance name, prefixes every model message |");
    EXPECT_NE(run.out.find("| `num_coeffs` | 1 or more (taken from the coefficient count when not set) | 21 |"),
              std::string::npos);
    EXPECT_NE(run.out.find("| PATTERN_BASIC | channel pattern after creation"), std::string::npos);
    EXPECT_NE(run.out.find("| `output_width` | at most the accumulator width (ignored with FULL_PRECISION) | 24 |"),
              std::string::npos);
    EXPECT_NE(run.out.find("| `coeff` | num_coeffs x coeff_sets numbers, comma-separated, set after set (or "
                           "--coeff-file) | 21 values (built in) |"),
              std::string::npos);
}

TEST(ToolOptions, UnknownOptionsAndMissingValuesAreRefused)
{
    const std::string dir = scratch_dir();
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--bogus"}, "zeb-fir: unknown option '--bogus' (see zeb-fir --help)\n"},
        {{"stim.txt"}, "zeb-fir: unexpected argument 'stim.txt' (the stimulus file is given with --input)\n"},
        {{"--set"}, "zeb-fir: --set needs a value (see zeb-fir --help)\n"},
        {{"--summary=1"}, "zeb-fir: --summary takes no value\n"},
        {{"--format", "hex"}, "zeb-fir: --format hex: expected 'real' or 'int'\n"},
        {{"--input-format=float"}, "zeb-fir: --input-format float: expected 'real' or 'int'\n"},
        {{"--output", "a", "--output", "b"}, "zeb-fir: --output given twice\n"},
        {{"--packet", "0"}, "zeb-fir: --packet 0: expected a number of vectors from 1 to 1048576\n"},
        {{"--config-packet", "x:fsel=1"},
         "zeb-fir: --config-packet x:fsel=1: expected VECTOR:KEY=VALUE..., VECTOR a number from 0\n"},
        {{"--reload", "3:fsel=1"}, "zeb-fir: --reload 3:fsel=1: coeff=LIST is required\n"},
        {{"--config-packet", "3:speed=1"}, "zeb-fir: --config-packet 3:speed=1: unknown argument 'speed'\n"},
    };
    for (const Case& c : cases) {
        const auto run = run_tool(c.args, dir);
        EXPECT_EQ(run.status, 2) << c.message;
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(run.out, "");
    }
}

TEST(ToolConfig, BadFieldsAndNumbersGiveTheirOrigin)
{
    const std::string dir = scratch_dir();
    struct Case {
        const char* set;
        const char* message;
    } cases[] = {
        {"speed=3", "zeb-fir: --set speed=3: unknown configuration field 'speed' (zeb-fir --list-fields shows them all)\n"},
        {"filter_type", "zeb-fir: --set filter_type: expected FIELD=VALUE, got 'filter_type'\n"},
        {"num_paths=two", "zeb-fir: --set num_paths=two: bad number 'two' for num_paths: expected an integer from "
                          "-2147483648 to 4294967295\n"},
        {"num_paths=4294967296", "zeb-fir: --set num_paths=4294967296: bad number '4294967296' for num_paths: expected "
                                 "an integer from -2147483648 to 4294967295\n"},
        {"filter_type=BANDPASS", "zeb-fir: --set filter_type=BANDPASS: unknown value 'BANDPASS' for filter_type: "
                                 "expected SINGLE_RATE, INTERPOLATION, DECIMATION, HILBERT, INTERPOLATED, or a number\n"},
        {"coeff=1,,2", "zeb-fir: --set coeff=1,,2: bad coefficient list '1,,2': expected numbers separated by commas\n"},
    };
    for (const Case& c : cases) {
        const auto run = run_tool({"--set", c.set}, dir);
        EXPECT_EQ(run.status, 2) << c.set;
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(run.out, "");
    }
}

TEST(ToolConfig, ValuesTheModelRefusesShowTheModelsOwnMessage)
{
    const std::string dir = scratch_dir();
    struct Case {
        const char* set;
        const char* model_message;
    } cases[] = {
        {"filter_type=5", "Invalid filter type"},
        // Negative numbers reach the model as the large values it reads.
        {"data_width=-1", "Invalid coefficient width"},
        {"num_channels=300", "Invalid number of channels"},
    };
    for (const Case& c : cases) {
        const auto run = run_tool({"--set", c.set}, dir);
        EXPECT_EQ(run.status, 2) << c.set;
        EXPECT_EQ(run.err, std::string(c.model_message) +
                               "\nzeb-fir: the model refused the configuration (its message is above)\n");
        EXPECT_TRUE(run.out.empty()) << c.set;
    }
}

TEST(ToolConfig, EnumeratorsByNameWithOrWithoutPrefixOrByNumber)
{
    const std::string dir = scratch_dir();
    const auto by_name = run_tool({"--set", "filter_type=DECIMATION", "--set", "decimation_rate=3"}, dir);
    ASSERT_EQ(by_name.status, 0) << by_name.err;
    EXPECT_NE(by_name.out.find("# filter type           DECIMATION (INTEGER_RATE)\n"), std::string::npos);
    for (const char* spelling : {"filter_type=decimation", "filter_type=ZEB_FIR_V7_1_DECIMATION", "filter_type=2",
                                 "filter_type = Decimation"}) {
        const auto run = run_tool({"--set", spelling, "--set", "decimation_rate=3"}, dir);
        EXPECT_EQ(run.status, 0) << spelling;
        EXPECT_EQ(run.out, by_name.out) << spelling;
    }
    const auto pattern = run_tool({"--set", "init_pattern=PATTERN_BASIC"}, dir);
    EXPECT_EQ(pattern.out, run_tool({}, dir).out);
}

TEST(ToolConfig, ConfigFileAppliesInOrderWithSetOverriding)
{
    const std::string dir = scratch_dir();
    write_file(dir + "/filter.cfg",
               "# a decimating filter\n"
               "\n"
               "filter_type = DECIMATION   # by name\n"
               "decimation_rate=2\r\n"
               "output_rounding_mode=TRUNCATE_LSBS\n"
               "output_width=16\n");
    const auto from_file = run_tool({"--config", dir + "/filter.cfg", "--set", "decimation_rate=3"}, dir);
    const auto from_sets = run_tool({"--set", "filter_type=DECIMATION", "--set", "decimation_rate=3", "--set",
                                     "output_rounding_mode=1", "--set", "output_width=16"},
                                    dir);
    ASSERT_EQ(from_file.status, 0) << from_file.err;
    EXPECT_EQ(from_file.out, from_sets.out);
    EXPECT_NE(from_file.out.find("# rates                 interpolation 1, decimation 3"), std::string::npos);
    EXPECT_NE(from_file.out.find("# output format         IFIX_16_0 (TRUNCATE_LSBS)\n"), std::string::npos);
    // The summary still shows the accumulator, not the rounded output width.
    EXPECT_NE(from_file.out.find("# accumulator width     24 bits\n"), std::string::npos);

    write_file(dir + "/bad.cfg", "num_paths=2\n# fine so far\nnum_path=3\n");
    const auto bad = run_tool({"--config", dir + "/bad.cfg"}, dir);
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "zeb-fir: " + dir + "/bad.cfg:3: unknown configuration field 'num_path' (zeb-fir --list-fields "
                                           "shows them all)\n");
    const auto missing = run_tool({"--config", dir + "/none.cfg"}, dir);
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "zeb-fir: cannot read configuration file '" + dir + "/none.cfg'\n");
}

TEST(ToolConfig, DefaultRunShowsTheDefaultTapsAsImpulseResponse)
{
    const auto run = run_tool({}, scratch_dir());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(first_lines(run.out, 21), kDefaultTaps);
}

TEST(ToolConfig, CoefficientFileSetsTapsAndTheirCount)
{
    const std::string dir = scratch_dir();
    write_file(dir + "/taps.txt", "# five taps\n1, 2 3\n\n-4\n5.5\n");
    const auto run = run_tool({"--coeff-file", dir + "/taps.txt", "--set", "coeff_fract_width=1"}, dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("# coefficients          5 per set, 1 set, fixed\n"), std::string::npos);
    EXPECT_EQ(first_lines(run.out, 6), (std::vector<std::string>{"1", "2", "3", "-4", "5.5", "0"}));
    const auto inline_list = run_tool({"--set", "coeff=1,2,3,-4,5.5", "--set", "coeff_fract_width=1"}, dir);
    EXPECT_EQ(inline_list.out, run.out);

    // Two sets of three: num_coeffs follows from the count.
    write_file(dir + "/sets.txt", "1 2 3\n4 5 6\n");
    const auto sets = run_tool({"--set", "coeff_sets=2", "--coeff-file", dir + "/sets.txt"}, dir);
    ASSERT_EQ(sets.status, 0) << sets.err;
    EXPECT_NE(sets.out.find("# coefficients          3 per set, 2 sets, fixed\n"), std::string::npos);
    EXPECT_EQ(first_lines(sets.out, 4), (std::vector<std::string>{"1", "2", "3", "0"}));
}

TEST(ToolConfig, CoefficientCountsThatWouldOverrunAreRefused)
{
    const std::string dir = scratch_dir();
    write_file(dir + "/taps.txt", "1 2 3 4 5\n");
    write_file(dir + "/word.txt", "1 2\nthree\n");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--coeff-file", dir + "/taps.txt", "--set", "num_coeffs=4"},
         "zeb-fir: num_coeffs x coeff_sets = 4 x 1 = 4 coefficient values expected, 5 given\n"},
        {{"--set", "coeff_sets=2", "--coeff-file", dir + "/taps.txt"},
         "zeb-fir: 5 coefficient values do not divide into coeff_sets = 2 sets of equal length\n"},
        {{"--set", "coeff_sets=2"},
         "zeb-fir: num_coeffs x coeff_sets = 21 x 2 = 42 coefficient values needed, but only the 21 default values "
         "are available: give them with --coeff-file or --set coeff=...\n"},
        {{"--coeff-file", dir + "/word.txt"}, "zeb-fir: " + dir + "/word.txt:2: not a number: 'three'\n"},
        {{"--coeff-file", dir + "/none.txt"}, "zeb-fir: cannot read coefficient file '" + dir + "/none.txt'\n"},
    };
    for (const Case& c : cases) {
        const auto run = run_tool(c.args, dir);
        EXPECT_EQ(run.status, 2) << c.message;
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(run.out, "");
    }
    // Fewer taps than the defaults hold is fine: the first ones are used.
    const auto fewer = run_tool({"--set", "num_coeffs=3"}, dir);
    ASSERT_EQ(fewer.status, 0) << fewer.err;
    EXPECT_EQ(first_lines(fewer.out, 4), (std::vector<std::string>{"6", "0", "-4", "0"}));
}

TEST(ToolReadme, DocumentsWhatTheToolDoes)
{
    const std::string readme = tooltest::read_file(ZEB_SOURCE_DIR "/README.md");
    EXPECT_NE(readme.find("```sh\ncmake -S . -B build && cmake --build build -j2 && ./build/tools/zeb-fir\n```"),
              std::string::npos);
    EXPECT_NE(readme.find("```sh\nbash tools/run-all-tests.sh\n```"), std::string::npos);

    // The reference table is the one the tool prints.
    const auto fields = run_tool({"--list-fields"}, scratch_dir());
    ASSERT_EQ(fields.status, 0);
    EXPECT_NE(readme.find(fields.out), std::string::npos) << "README field table differs from zeb-fir --list-fields";

    // The summary lines quoted in the tour are those of the default run.
    const auto run = run_tool({}, scratch_dir());
    std::istringstream lines(readme);
    std::string line;
    int quoted = 0;
    while (std::getline(lines, line)) {
        const bool summary_row = line.size() > 24 && line.compare(0, 2, "# ") == 0 && line[23] == ' ' &&
                                 line.find_first_not_of("abcdefghijklmnopqrstuvwxyz ", 2) >= 24;
        if (!summary_row)
            continue;
        ++quoted;
        EXPECT_NE(run.out.find(line + "\n"), std::string::npos) << line;
    }
    EXPECT_GE(quoted, 5);
}
