#pragma once

// Starting the console tool in the background and pressing Ctrl+C while it hashes a large file.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/TestSupport.h"

namespace clitest {

// A sparse file far too large to hash in the time a test waits: reading it only ends by an interrupt.
inline bool MakeEndlessFile(const std::string& Path) {
    std::error_code Error;
    { std::ofstream(Path).put('\0'); }
    std::filesystem::resize_file(Path, std::uintmax_t{1} << 37, Error);  // 128 GiB of holes
    return !Error;
}

// Runs the console tool with Args, sends SIGINT after DelayMs, and returns its exit status and output.
inline qvtest::RunResult RunInterrupted(const std::vector<std::string>& Args, const std::string& OutDir,
                                        int DelayMs = 600) {
    qvtest::RunResult Result;
    const std::string OutPath = OutDir + "/.stdout";
    const std::string ErrPath = OutDir + "/.stderr";
    std::vector<std::string> Argv{QUORVANE_CLI_PATH};
    Argv.insert(Argv.end(), Args.begin(), Args.end());
    std::vector<char*> Raw;
    for (auto& A : Argv)
        Raw.push_back(A.data());
    Raw.push_back(nullptr);
    const pid_t Pid = ::fork();
    if (Pid == 0) {
        const int In = ::open("/dev/null", O_RDONLY);
        const int Out = ::open(OutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int Err = ::open(ErrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(In, 0);
        ::dup2(Out, 1);
        ::dup2(Err, 2);
        ::execv(Raw[0], Raw.data());
        ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(DelayMs));
    ::kill(Pid, SIGINT);
    int Status = 0;
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (::waitpid(Pid, &Status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > Deadline) {
            ::kill(Pid, SIGKILL);
            ::waitpid(Pid, &Status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Result.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
    Result.Out = qvtest::ReadFile(OutPath);
    Result.Err = qvtest::ReadFile(ErrPath);
    std::filesystem::remove(OutPath);
    std::filesystem::remove(ErrPath);
    return Result;
}

} // namespace clitest
