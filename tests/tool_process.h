// Runs a program (by default zeb-fir) as a separate process with arguments
// and standard input text, collecting output, error text and exit status;
// plus a scratch directory of files per test.
#ifndef ZEB_TESTS_TOOL_PROCESS_H
#define ZEB_TESTS_TOOL_PROCESS_H

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

extern char** environ;

namespace tooltest {

struct ToolRun {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out, err;
};

inline std::string tool_path() { return ZEB_BINARY_DIR "/tools/zeb-fir"; }

inline void write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string read_file(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// A fresh directory for the running test, named after it.
inline std::string scratch_dir() {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name) c = c == '/' ? '_' : c;
    const std::filesystem::path dir = std::filesystem::path(ZEB_BINARY_DIR) / "tool-scratch" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

// Runs the program with stdin_text as standard input; output and error are
// collected through files in dir.
inline ToolRun run_program(const std::string& program, std::vector<std::string> args, const std::string& dir,
                           const std::string& stdin_text = "") {
    const std::string io[3] = {dir + "/.stdin", dir + "/.stdout", dir + "/.stderr"};
    write_file(io[0], stdin_text);
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& word : args) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd < 3; ++fd) {
        const int flags = fd ? O_WRONLY | O_CREAT | O_TRUNC : O_RDONLY;
        posix_spawn_file_actions_addopen(&actions, fd, io[fd].c_str(), flags, 0644);
    }
    ToolRun run;
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << program;
        return run;
    }
    int wait_status = 0;
    waitpid(pid, &wait_status, 0);
    run.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
    run.out = read_file(io[1]);
    run.err = read_file(io[2]);
    return run;
}

inline ToolRun run_tool(const std::vector<std::string>& args, const std::string& dir,
                        const std::string& stdin_text = "") {
    return run_program(tool_path(), args, dir, stdin_text);
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
