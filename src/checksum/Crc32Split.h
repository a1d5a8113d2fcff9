#pragma once

// CRC-32 of one large regular file by several threads: the file is cut into contiguous ranges, each range is
// read with pread(2) by its own thread and hashed on its own, and the range CRCs are joined with Crc32Combine.
// For CRC-32 only: MD5 cannot be split and stays with the serial routines.
//
// Threads and progress. The calling thread hashes the first range itself and starts one thread per further
// range; it returns only after all of them have ended (also when it throws). Only the calling thread ever
// calls CrcOnProgress and CrcMessagePump, so a caller that keeps progress figures in its own thread (a
// worker that owns the run) keeps them without locking:
//   - after each of its own chunks it calls CrcOnProgress(Percent, ChunkBytes) with Percent of the bytes
//     read by all threads together and ChunkBytes the bytes read by all threads since the previous call
//     (0 is possible, as after the serial routine's final empty read). The sum of all ChunkBytes is the
//     number of bytes read; with one range and the default read size the calls are exactly those of
//     Crc32OfFile;
//   - once its own range is done it waits for the others, waking at least every 20 ms to report what they
//     read since (calls with ChunkBytes 0 are then left out), and reports the rest before returning;
//   - CrcMessagePump runs after every such report unless CrcInThread, as in Crc32OfFile.
// Options.BytesDone, when given, is an atomic counter that every thread increases by each chunk as soon as it
// has read it: another thread may poll it for finer figures. CrcOnProgress may throw: the other threads are
// then stopped at their next chunk and joined, and the exception leaves the routine.
//
// Abort. Every thread reads CrcAbort after each chunk and stops when it is set, so that each thread reads at
// most one chunk after the request (one chunk each when it was set before the call, like Crc32OfFile). The
// flag is never cleared here. A read error in one range also stops the others at their next chunk.
//
// Result. The returned value is always the finished CRC-32 of the first Outcome.BytesRead bytes of the file:
// the ranges joined in file order up to and including the first one that did not end normally (an abort, a
// read error, or a file that ended early because it shrank). The last range reads on to the end of the
// file as the serial routine does, so a file that grew while read is hashed to its new end.

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "checksum/Crc32.h"

namespace quorvane {

// Files of at least this size are worth splitting; callers hash smaller ones with the serial routine
// (Crc32OfFile). Below it the split routine itself reads the file as one range on the calling thread.
inline constexpr std::uint64_t Crc32SplitMinFileBytes = 64ull << 20;

// Read size of each thread when the file is split. Measured on a 1 GiB file in the page cache with two threads
// (bench/EngineBench, File/ cases), 1 MiB reads took 5-30 % less time than 64 KiB reads (50-59 ms against
// 68-80 ms on a quiet machine); 4 MiB reads gained nothing more. A file read as one range uses CrcBufSize,
// as the serial routine does.
inline constexpr std::size_t Crc32SplitReadBytes = 1u << 20;

// pread(2) as a replaceable function: tests substitute one that fails or returns short reads.
using TPreadFn = ssize_t (*)(int Fd, void* Buffer, std::size_t Count, off_t Offset);

struct TCrc32SplitOptions {
    unsigned Threads = 0;                                // ranges and threads, the calling one included; 0: one
                                                         // per online CPU; at most 64
    std::uint64_t MinFileBytes = Crc32SplitMinFileBytes; // smaller files are read as one range (tests lower it)
    std::size_t ReadBytes = 0;                           // bytes per pread call and per abort check; 0:
                                                         // Crc32SplitReadBytes, or CrcBufSize for one range
    std::atomic<std::uint64_t>* BytesDone = nullptr;     // when set: increased by every chunk as it is read
    TPreadFn Pread = nullptr;                            // nullptr: ::pread
};

// Finished CRC-32 of a regular file, hashed by Options.Threads threads over as many contiguous ranges (see
// above). Outcome as for Crc32OfFile. Throws std::system_error when the file cannot be opened (only regular
// files are opened), std::bad_alloc when the buffers cannot be had, and whatever CrcOnProgress or
// CrcMessagePump throw. When a thread cannot be started, the calling thread hashes that range as well.
std::uint32_t Crc32OfFileSplit(const std::string& FileName, const TCrc32SplitOptions& Options = {},
                               FileReadOutcome* Outcome = nullptr);

} // namespace quorvane
