// The C host example under examples/ gives the same samples as zeb-fir
// for the same filter and input.
#include <string>

#include <gtest/gtest.h>

#include "tool_process.h"

using namespace tooltest;

TEST(ToolExample, InterpolateByTwoHostMatchesTheTool)
{
    const std::string dir = scratch_dir();
    const auto host = run_program(ZEB_BINARY_DIR "/example_interpolate_by_two", {}, dir);
    ASSERT_EQ(host.status, 0) << host.err;
    EXPECT_EQ(host.err, "");
    const auto tool = run_tool({"--set", "filter_type=INTERPOLATION", "--set", "interpolation_rate=2", "--input", "-"},
                               dir, "1\n0\n0\n0\n100\n200\n-300\n0\n");
    ASSERT_EQ(tool.status, 0) << tool.err;
    EXPECT_EQ(data_lines(host.out).size(), 16u);
    EXPECT_EQ(host.out, tool.out);
}
