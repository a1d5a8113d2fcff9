#pragma once

// Sequential reading of one regular file for the hashing routines.
//
// Only regular files are opened: the open itself does not block (O_NONBLOCK), so a fifo or a device
// named in a list is refused instead of hanging the run. Open failures are a value (OpenError), not an
// exception: a list of a million missing files must not cost a million throws. Read failures are
// reported by Read and Error.
// Move-only; one thread at a time.

#include <cstddef>
#include <cstdint>
#include <string>

#include "util/FileIo.h"

namespace quorvane {

class TFileReader {
public:
    // Files of this size or more are read with the kernel told to read ahead.
    static constexpr std::uint64_t SequentialAdviceSize = 1 << 20;

    explicit TFileReader(const std::string& FileName);
    // errno of the failed open (EISDIR for a folder, ENXIO for anything else that is no regular file), 0
    // when the file is open.
    int OpenError() const { return OpenErrno; }

    std::uint64_t Size() const { return FileSize; }  // size when opened
    // Reads up to Count bytes; fewer only at the end of the file or when a read fails (see Error).
    std::size_t Read(void* Buffer, std::size_t Count);
    int Error() const { return LastError; }  // errno of the failed read, 0 while none failed

private:
    TUniqueFd Handle;
    std::uint64_t FileSize = 0;
    std::uint64_t Position = 0; // bytes read so far
    int LastError = 0;
    int OpenErrno = 0;
};

} // namespace quorvane
