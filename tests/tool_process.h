// Runs the zeb-fir program as a separate process for the capi_tool tests:
// arguments, standard input text, captured output, error text and exit
// status; plus a scratch directory of files per test.
#ifndef ZEB_TESTS_TOOL_PROCESS_H
#define ZEB_TESTS_TOOL_PROCESS_H

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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
    std::string out;
    std::string err;
};

inline std::string tool_path() { return ZEB_BINARY_DIR "/tools/zeb-fir"; }

// A fresh directory for the running test, named after it.
inline std::string scratch_dir()
{
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/')
            c = '_';
    const std::filesystem::path dir = std::filesystem::path(ZEB_BINARY_DIR) / "tool-scratch" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

inline void write_file(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs a program with the arguments, feeding stdin_text; standard output
// and error are collected through files in dir.
inline ToolRun run_program(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
                           const std::string& stdin_text = "")
{
    const std::string in_path = dir + "/.stdin";
    const std::string out_path = dir + "/.stdout";
    const std::string err_path = dir + "/.stderr";
    write_file(in_path, stdin_text);
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in_path.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
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
    run.out = read_file(out_path);
    run.err = read_file(err_path);
    return run;
}

inline ToolRun run_tool(const std::vector<std::string>& args, const std::string& dir, const std::string& stdin_text = "")
{
    return run_program(tool_path(), args, dir, stdin_text);
}

// args followed by more.
inline std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// The lines of a text that carry data: no blank or '#' lines.
inline std::vector<std::string> data_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '#')
            lines.push_back(line);
    return lines;
}

}  // namespace tooltest

#endif
