// Runs a program (by default zeb-fir) through the shell with arguments and
// standard input text, collecting output, error text and exit status; plus a
// scratch directory of files per test.
#ifndef ZEB_TESTS_TOOL_PROCESS_H
#define ZEB_TESTS_TOOL_PROCESS_H

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tooltest {

struct ToolRun {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out, err;
};

inline void write_file(const std::string& path, const std::string& text) { std::ofstream(path) << text; }
inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A fresh directory for the running test, named after it.
inline std::string scratch_dir() {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    const std::string dir = ZEB_BINARY_DIR "/tool-scratch/" + std::string(info->test_suite_name()) + "." + info->name();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

inline std::string quoted(const std::string& word) {
    std::string q = "'";
    for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Output and error are collected through files in dir.
inline ToolRun run_program(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
                           const std::string& stdin_text = "") {
    write_file(dir + "/.stdin", stdin_text);
    std::string command = quoted(program);
    for (const std::string& a : args) command += " " + quoted(a);
    command += " <" + quoted(dir + "/.stdin") + " >" + quoted(dir + "/.stdout") + " 2>" + quoted(dir + "/.stderr");
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(dir + "/.stdout"), read_file(dir + "/.stderr")};
}
inline ToolRun run_tool(const std::vector<std::string>& args, const std::string& dir, const std::string& in = "") {
    return run_program(ZEB_BINARY_DIR "/tools/zeb-fir", args, dir, in);
}

// The lines of a text that carry data: no blank or '#' lines.
inline std::vector<std::string> data_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    return lines;
}

}  // namespace tooltest

#endif
