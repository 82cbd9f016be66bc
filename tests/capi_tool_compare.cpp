// zeb-fir --compare run as a process: a golden file that matches (also
// when spelled differently or carrying comments), one that differs, one
// that is shorter or longer, and one that is malformed.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tool_process.h"

using namespace tooltest;

namespace {

// Two paths, three channels, two taps: small enough to work out by hand.
const std::vector<std::string> kModel = {"--set", "num_paths=2", "--set", "num_channels=3", "--set", "coeff=1,-2"};

const char* kStimulus =
    "1 2\n3 4\n5 6\n"    // vector 0
    "7 8\n9 10\n11 12\n";  // vector 1

// Its output: y[v] = x[v] - 2 x[v-1] per path and channel.
const char* kExpected =
    "1 2\n3 4\n5 6\n"
    "5 4\n3 2\n1 0\n";

}  // namespace

TEST(ToolCompare, EqualGoldenFileExitsZero)
{
    const std::string dir = scratch_dir();
    write_file(dir + "/stim.txt", kStimulus);
    const auto plain = run_tool(with(kModel, {"--input", dir + "/stim.txt"}), dir);
    ASSERT_EQ(plain.status, 0) << plain.err;
    ASSERT_EQ(plain.out, kExpected);

    write_file(dir + "/gold.txt", kExpected);
    const auto run = run_tool(with(kModel, {"--input", dir + "/stim.txt", "--compare", dir + "/gold.txt"}), dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "compared 12 samples (6 output slots) with " + dir + "/gold.txt: all equal\n");

    // Other spellings of the same numbers, comments, a summary, commas.
    write_file(dir + "/spelled.txt", "# zeb-fir summary line\n1.0, 2\n+3 4.00\n\n5 6e0\n5 4\n3 2 # dump\n1 -0\n");
    const auto spelled =
        run_tool(with(kModel, {"--input", dir + "/stim.txt", "--compare", dir + "/spelled.txt"}), dir);
    EXPECT_EQ(spelled.status, 0) << spelled.out;

    write_file(dir + "/ints.txt", "001 2\n3 +4\n5 6\n5 4\n3 2\n1 0\n");
    const auto ints = run_tool(
        with(kModel, {"--input", dir + "/stim.txt", "--format", "int", "--compare", dir + "/ints.txt"}), dir);
    EXPECT_EQ(ints.status, 0) << ints.out << ints.err;

    // With --output the samples are written too.
    const auto both = run_tool(with(kModel, {"--input", dir + "/stim.txt", "--compare", dir + "/gold.txt", "--output",
                                             dir + "/out.txt"}),
                               dir);
    EXPECT_EQ(both.status, 0);
    EXPECT_EQ(read_file(dir + "/out.txt"), kExpected);
}

TEST(ToolCompare, MismatchNamesVectorPathAndSlotAndExitsOne)
{
    const std::string dir = scratch_dir();
    write_file(dir + "/stim.txt", kStimulus);
    // Vector 1, slot 1, path 1 differs (line 5); vector 1, slot 2, path 0 too.
    write_file(dir + "/gold.txt", "1 2\n3 4\n5 6\n5 4\n3 7\n9 0\n");
    const auto run = run_tool(with(kModel, {"--input", dir + "/stim.txt", "--compare", dir + "/gold.txt"}), dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "compared 12 samples (6 output slots) with " + dir + "/gold.txt: 2 differ\n"
                       "first mismatch: vector 1, path 1, slot 1 (" + dir + "/gold.txt:5): expected 7, got 2\n");

    write_file(dir + "/ints.txt", "1 2\n3 4\n5 6\n5 4\n3 2\n1 100000000000000000000000\n");
    const auto ints = run_tool(
        with(kModel, {"--input", dir + "/stim.txt", "--format", "int", "--compare", dir + "/ints.txt"}), dir);
    EXPECT_EQ(ints.status, 1);
    EXPECT_EQ(ints.out, "compared 12 samples (6 output slots) with " + dir + "/ints.txt: 1 differs\n"
                        "first mismatch: vector 1, path 1, slot 2 (" + dir + "/ints.txt:6): expected "
                        "100000000000000000000000, got 0\n");
}

TEST(ToolCompare, GoldenFileOfAnotherLengthIsAMismatch)
{
    const std::string dir = scratch_dir();
    write_file(dir + "/stim.txt", kStimulus);
    write_file(dir + "/short.txt", "1 2\n3 4\n5 6\n5 4\n");
    const auto shorter = run_tool(with(kModel, {"--input", dir + "/stim.txt", "--compare", dir + "/short.txt"}), dir);
    EXPECT_EQ(shorter.status, 1);
    EXPECT_EQ(shorter.out, "compared 8 samples (4 output slots) with " + dir + "/short.txt: all equal\n" + dir +
                               "/short.txt has only 4 data lines, but the model produced 2 more output slots\n");

    write_file(dir + "/long.txt", std::string(kExpected) + "# trailing comment\n0 0\n0 0\n");
    const auto longer = run_tool(with(kModel, {"--input", dir + "/stim.txt", "--compare", dir + "/long.txt"}), dir);
    EXPECT_EQ(longer.status, 1);
    EXPECT_EQ(longer.out, "compared 12 samples (6 output slots) with " + dir + "/long.txt: all equal\n" + dir +
                              "/long.txt has 2 more data lines than the model produced, from line 8\n");
}

TEST(ToolCompare, MalformedGoldenFileIsAnError)
{
    const std::string dir = scratch_dir();
    write_file(dir + "/stim.txt", kStimulus);
    struct Case {
        const char* golden;
        const char* format;
        std::string message;
    } cases[] = {
        {"1 2\n3\n", "real", "/gold.txt:2: expected 2 values (one per path), found 1\n"},
        {"1 2\n3 x\n", "real", "/gold.txt:2: not a finite number: 'x'\n"},
        {"1 2\n3 4.5\n", "int", "/gold.txt:2: not an integer: '4.5' (--format int)\n"},
        {"1 2\n3 X\n", "int", "/gold.txt:2: not an integer: 'X' (--format int)\n"},
    };
    for (const Case& c : cases) {
        write_file(dir + "/gold.txt", c.golden);
        const auto run = run_tool(
            with(kModel, {"--input", dir + "/stim.txt", "--format", c.format, "--compare", dir + "/gold.txt"}), dir);
        EXPECT_EQ(run.status, 2) << c.golden;
        EXPECT_EQ(run.err, "zeb-fir: " + dir + c.message);
        EXPECT_EQ(run.out, "");
    }
    const auto missing = run_tool(with(kModel, {"--compare", dir + "/none.txt"}), dir);
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "zeb-fir: cannot read golden file '" + dir + "/none.txt'\n");
}

TEST(ToolCompare, HilbertMismatchNamesThePart)
{
    const std::string dir = scratch_dir();
    const auto plain = run_tool({"--set", "filter_type=HILBERT", "--format", "int", "--input", "-"}, dir, "5\n0\n0\n");
    ASSERT_EQ(plain.status, 0) << plain.err;
    auto lines = data_lines(plain.out);
    ASSERT_EQ(lines.size(), 3u);
    // Change the im part of the second slot.
    const std::string re = lines[1].substr(0, lines[1].find(' '));
    const std::string im = lines[1].substr(lines[1].find(' ') + 1);
    write_file(dir + "/gold.txt", lines[0] + "\n" + re + " 12345\n" + lines[2] + "\n");
    const auto run = run_tool({"--set", "filter_type=HILBERT", "--format", "int", "--input", "-", "--compare",
                               dir + "/gold.txt"},
                              dir, "5\n0\n0\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "compared 6 samples (3 output slots) with " + dir + "/gold.txt: 1 differs\n"
                       "first mismatch: vector 1, path 0 (im), slot 0 (" + dir + "/gold.txt:2): expected 12345, got " +
                           im + "\n");
}
