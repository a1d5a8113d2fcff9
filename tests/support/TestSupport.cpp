#include "TestSupport.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qvtest {

TempDir::TempDir() : TempDir(std::filesystem::temp_directory_path()) {}

TempDir::TempDir(const std::filesystem::path& Parent) {
    std::string Pattern = (Parent / "quorvane-test-XXXXXX").string();
    if (!mkdtemp(Pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    Root = Pattern;
}

TempDir::~TempDir() {
    std::error_code Ignored;
    // Give back permissions that a test took away, so that everything can be removed.
    std::filesystem::permissions(Root, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, Ignored);
    for (std::filesystem::recursive_directory_iterator It(Root, Ignored), End; It != End; It.increment(Ignored))
        if (It->is_directory(Ignored) && !It->is_symlink(Ignored))
            std::filesystem::permissions(It->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, Ignored);
    std::filesystem::remove_all(Root, Ignored);
}

std::string TempDir::operator/(std::string_view Name) const { return (Root / std::string(Name)).string(); }

std::string TempDir::Write(std::string_view Name, std::string_view Bytes) const {
    const std::filesystem::path P = Root / std::string(Name);
    std::filesystem::create_directories(P.parent_path());
    std::ofstream Out(P, std::ios::binary | std::ios::trunc);
    if (!Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size())))
        throw std::runtime_error("cannot write " + P.string());
    return P.string();
}

std::vector<std::string> FilesIn(const std::filesystem::path& Folder) {
    std::vector<std::string> Names;
    for (const auto& Entry : std::filesystem::directory_iterator(Folder))
        Names.push_back(Entry.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
}

std::string ReadFile(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    if (!In)
        throw std::runtime_error("cannot read " + Path);
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

std::string PatternBytes(std::size_t Count, unsigned Seed) {
    std::mt19937 Gen(Seed);
    std::string Bytes(Count, '\0');
    for (auto& B : Bytes)
        B = static_cast<char>(Gen() & 0xFF);
    return Bytes;
}

RunResult Run(const std::vector<std::string>& Argv, const std::string& WorkDir, StdoutTo To) {
    int OutPipe[2], ErrPipe[2];
    if (pipe2(OutPipe, O_CLOEXEC) != 0 || pipe2(ErrPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t Pid = fork();
    if (Pid < 0)
        throw std::runtime_error("fork failed");
    if (Pid == 0) {
        dup2(open("/dev/null", O_RDONLY), 0);
        dup2(OutPipe[1], 1);
        int Broken[2]; // the reading end closes at exec
        if (To == StdoutTo::Closed)
            close(1);
        else if (To == StdoutTo::DevFull)
            dup2(open("/dev/full", O_WRONLY), 1);
        else if (To == StdoutTo::BrokenPipe && pipe2(Broken, O_CLOEXEC) == 0 && signal(SIGPIPE, SIG_IGN) != SIG_ERR)
            dup2(Broken[1], 1);
        dup2(ErrPipe[1], 2);
        if (!WorkDir.empty() && chdir(WorkDir.c_str()) != 0)
            _exit(126);
        std::vector<char*> Args;
        for (const auto& A : Argv)
            Args.push_back(const_cast<char*>(A.c_str()));
        Args.push_back(nullptr);
        execvp(Args[0], Args.data());
        _exit(127);
    }
    close(OutPipe[1]);
    close(ErrPipe[1]);
    RunResult R;
    pollfd Fds[2] = {{OutPipe[0], POLLIN, 0}, {ErrPipe[0], POLLIN, 0}};
    while (Fds[0].fd >= 0 || Fds[1].fd >= 0) { // poll skips a closed (negative) entry
        const int Ready = poll(Fds, 2, -1);
        if (Ready < 0 && errno != EINTR)
            break;
        for (int I = 0; I < 2 && Ready > 0; ++I) {
            if (!(Fds[I].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char Buf[65536];
            const ssize_t N = read(Fds[I].fd, Buf, sizeof Buf);
            if (N > 0)
                (I == 0 ? R.Out : R.Err).append(Buf, static_cast<std::size_t>(N));
            else if (N == 0 || errno != EINTR)
                close(std::exchange(Fds[I].fd, -1));
        }
    }
    int Status = 0;
    while (waitpid(Pid, &Status, 0) < 0 && errno == EINTR) {
    }
    R.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
    return R;
}

RunResult RunCli(const std::vector<std::string>& Args, const std::string& WorkDir, StdoutTo To) {
    std::vector<std::string> Argv{QUORVANE_CLI_PATH_VALUE};
    Argv.insert(Argv.end(), Args.begin(), Args.end());
    return Run(Argv, WorkDir, To);
}

bool HaveProgram(const std::string& Name) {
    return Run({"sh", "-c", "command -v " + Name + " >/dev/null 2>&1"}).ExitCode == 0;
}

} // namespace qvtest
