#include "checksum/FileReader.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace quorvane {

TFileReader::TFileReader(const std::string& FileName)
    : Handle(::open(FileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)) {
    if (!Handle.Valid()) {
        OpenErrno = errno;
        return;
    }
    const TPathInfo Info = FdInfo(Handle.Get());
    if (!Info.IsFile()) {
        OpenErrno = Info.Error ? Info.Error : Info.IsFolder() ? EISDIR : ENXIO;
        Handle = TUniqueFd();
        return;
    }
    FileSize = static_cast<std::uint64_t>(Info.Size > 0 ? Info.Size : 0);
    // Advice only, and only where it can help: the kernel may read further ahead in a large file. For a
    // small one it would be one more system call per file. A failure changes nothing.
    if (FileSize >= SequentialAdviceSize)
        (void)::posix_fadvise(Handle.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
}

std::size_t TFileReader::Read(void* Buffer, std::size_t Count) {
    auto* Out = static_cast<unsigned char*>(Buffer);
    std::size_t Done = 0;
    // A regular file normally fills the request in one call; the loop covers signals and odd file systems.
    // Once the file's size as opened has been read, a short read is taken for the end: no extra read of
    // nothing per file. (A file that grows while it is read is hashed up to where that read ended.)
    while (Done < Count && LastError == 0) {
        const ssize_t N = ::read(Handle.Get(), Out + Done, Count - Done);
        if (N > 0) {
            Done += static_cast<std::size_t>(N);
            Position += static_cast<std::uint64_t>(N);
            if (Done < Count && Position >= FileSize)
                break;
        } else if (N == 0) {
            break;
        } else if (errno != EINTR) {
            LastError = errno;
        }
    }
    return Done;
}

} // namespace quorvane
