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
    explicit TempDir(const std::filesystem::path& Parent);  // in Parent rather than the temporary folder
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

// The names in a folder, sorted.
std::vector<std::string> FilesIn(const std::filesystem::path& Folder);

// The whole content of a file; throws std::runtime_error when it cannot be read.
std::string ReadFile(const std::string& Path);

// Bytes of a pseudo-random pattern, the same for the same seed.
std::string PatternBytes(std::size_t Count, unsigned Seed = 1);

// Result of running a program.
struct RunResult {
    int ExitCode = -1; // exit status, or 128 + signal number
    std::string Out;   // standard output
    std::string Err;   // standard error
};

// Where the program's standard output goes: collected into Out, or a place where writing fails: /dev/full
// (ENOSPC), a closed descriptor 1, or a pipe without a reader with SIGPIPE ignored (EPIPE).
enum class StdoutTo { Collect, DevFull, Closed, BrokenPipe };

// Runs a program with arguments (no shell), standard input from /dev/null, and collects its output.
RunResult Run(const std::vector<std::string>& Argv, const std::string& WorkDir = {}, StdoutTo To = StdoutTo::Collect);

// Runs the console tool built with this tree.
RunResult RunCli(const std::vector<std::string>& Args, const std::string& WorkDir = {},
                 StdoutTo To = StdoutTo::Collect);

// True when a program is on PATH.
bool HaveProgram(const std::string& Name);

} // namespace qvtest
