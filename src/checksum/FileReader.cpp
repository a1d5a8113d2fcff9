#include "checksum/FileReader.h"

#include <cerrno>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {

TFileReader::TFileReader(const std::string& FileName) {
    const int Fd = ::open(FileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (Fd < 0)
        throw std::system_error(errno, std::generic_category(), FileName);
    struct stat Info {};
    if (::fstat(Fd, &Info) != 0) {
        const int Err = errno;
        ::close(Fd);
        throw std::system_error(Err, std::generic_category(), FileName);
    }
    if (!S_ISREG(Info.st_mode)) {
        ::close(Fd);
        throw std::system_error(S_ISDIR(Info.st_mode) ? EISDIR : ENXIO, std::generic_category(), FileName);
    }
    Handle = Fd;
    FileSize = Info.st_size > 0 ? static_cast<std::uint64_t>(Info.st_size) : 0;
    // Advice only: the kernel may read further ahead. A failure changes nothing.
    (void)::posix_fadvise(Handle, 0, 0, POSIX_FADV_SEQUENTIAL);
}

TFileReader::~TFileReader() {
    if (Handle >= 0)
        ::close(Handle);
}

TFileReader::TFileReader(TFileReader&& Other) noexcept
    : Handle(std::exchange(Other.Handle, -1)), FileSize(Other.FileSize), LastError(Other.LastError) {}

TFileReader& TFileReader::operator=(TFileReader&& Other) noexcept {
    if (this != &Other) {
        if (Handle >= 0)
            ::close(Handle);
        Handle = std::exchange(Other.Handle, -1);
        FileSize = Other.FileSize;
        LastError = Other.LastError;
    }
    return *this;
}

std::size_t TFileReader::Read(void* Buffer, std::size_t Count) {
    auto* Out = static_cast<unsigned char*>(Buffer);
    std::size_t Done = 0;
    // A regular file normally fills the request in one call; the loop covers signals and odd file systems.
    while (Done < Count && LastError == 0) {
        const ssize_t N = ::read(Handle, Out + Done, Count - Done);
        if (N > 0)
            Done += static_cast<std::size_t>(N);
        else if (N == 0)
            break;
        else if (errno != EINTR)
            LastError = errno;
    }
    return Done;
}

} // namespace quorvane
