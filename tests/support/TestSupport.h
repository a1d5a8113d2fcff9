#pragma once

// Helpers shared by the test suites.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qvtest {

// A fresh folder under the system's temporary folder, removed with everything in it at destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return Root; }
    // Path of a name inside the folder, as a string.
    std::string operator/(std::string_view Name) const;
    // Writes Bytes to the named file (creating folders on the way) and returns its full path.
    std::string Write(std::string_view Name, std::string_view Bytes) const;

private:
    std::filesystem::path Root;
};

// The whole content of a file; throws std::runtime_error when it cannot be read.
std::string ReadFile(const std::string& Path);

// Bytes of a pseudo-random pattern, the same for the same seed.
std::string PatternBytes(std::size_t Count, unsigned Seed = 1);

// Result of running a program.
struct RunResult {
    int ExitCode = -1;      // exit status, or 128 + signal number
    std::string Out;        // standard output
    std::string Err;        // standard error
};

// Runs a program with arguments (no shell), standard input from /dev/null, and collects its output.
RunResult Run(const std::vector<std::string>& Argv, const std::string& WorkDir = {});

// Runs the console tool built with this tree.
RunResult RunCli(const std::vector<std::string>& Args, const std::string& WorkDir = {});

// Where the program's standard output goes: collected into Out, or a place where writing fails.
enum class StdoutTo {
    Collect,
    DevFull,    // /dev/full: ENOSPC
    Closed,     // descriptor 1 closed
    BrokenPipe, // a pipe without a reader, SIGPIPE ignored: EPIPE
};
RunResult Run(const std::vector<std::string>& Argv, const std::string& WorkDir, StdoutTo To);
RunResult RunCli(const std::vector<std::string>& Args, const std::string& WorkDir, StdoutTo To);

// True when a program is on PATH.
bool HaveProgram(const std::string& Name);

} // namespace qvtest
