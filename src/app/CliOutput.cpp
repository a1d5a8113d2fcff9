#include "app/CliOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "util/FileIo.h"

namespace quorvane {

namespace {

int OutError = 0; // errno of the first failed write to standard output

void KeepOutError() {
    if (OutError == 0)
        OutError = errno != 0 ? errno : EIO;
}

} // namespace

std::string Printable(std::string_view Text) {
    std::string Out(Text);
    for (char& C : Out)
        if (static_cast<unsigned char>(C) < 32 || C == 127)
            C = '?';
    return Out;
}

void OccupyStandardDescriptors() {
    for (int Fd = 0; Fd <= 2; ++Fd) {
        if (::fcntl(Fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lower ones are open, so open takes Fd itself.
        TUniqueFd Null(::open("/dev/null", (Fd == 0 ? O_WRONLY : O_RDONLY) | O_NOCTTY));
        if (Null.Get() == Fd)
            Null.Release(); // it stays open as that standard descriptor
        else if (Null.Valid())
            ::dup2(Null.Get(), Fd);
    }
}

void PutOut(std::string_view Text) {
    errno = 0;
    if (std::fwrite(Text.data(), 1, Text.size(), stdout) != Text.size())
        KeepOutError();
}

void PutOutF(const char* Format, ...) {
    std::va_list Args;
    va_start(Args, Format);
    errno = 0;
    if (std::vfprintf(stdout, Format, Args) < 0)
        KeepOutError();
    va_end(Args);
}

void FlushOut() {
    errno = 0;
    if (std::fflush(stdout) != 0)
        KeepOutError();
}

bool FinishOutput() {
    FlushOut();
    if (OutError == 0 && !std::ferror(stdout))
        return true;
    std::fprintf(stderr, "quorvane-cli: cannot write to standard output: %s\n",
                 std::strerror(OutError != 0 ? OutError : EIO));
    return false;
}

void PutError(std::string_view Text) {
    std::fprintf(stderr, "quorvane-cli: %s\n", Printable(Text).c_str());
}

} // namespace quorvane
