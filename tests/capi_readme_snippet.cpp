#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The C example in the README is the program examples/readme_snippet.c, which
// is built and run as a test: the two must not drift apart.
TEST(ReadmeSnippet, MatchesTheBuiltExample) {
    const std::string readme = read_file(std::string(ZEB_SOURCE_DIR) + "/README.md");
    const std::string example = read_file(std::string(ZEB_SOURCE_DIR) + "/examples/readme_snippet.c");
    ASSERT_FALSE(example.empty());
    const std::string open = "```c\n";
    const std::size_t start = readme.find(open);
    ASSERT_NE(start, std::string::npos) << "README has no C block";
    const std::size_t body = start + open.size();
    const std::size_t end = readme.find("```", body);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(readme.substr(body, end - body), example);
}

}  // namespace
