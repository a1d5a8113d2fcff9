#pragma once

// The chunk loop shared by the file-hashing routines (CRC-32 and MD5, user-interface thread and worker).
// Reads CrcBufSize bytes at a time until a short read; after every chunk: feed it, report progress for a
// non-empty file, run the message pump when asked, stop when CrcAbort is set. A file whose size is a
// multiple of the buffer size therefore ends with a read of 0 bytes, reported like any other chunk.

#include <cstdint>
#include <memory>

#include "checksum/Crc32.h"
#include "checksum/FileReader.h"
#include "checksum/Md5.h"
#include "checksum/RoundHalfEven.h"

namespace quorvane {

// When the routine runs the message pump between chunks.
enum class TPumpMode {
    UnlessInThread,  // CRC-32 file routine: not while the worker hashes
    Always,          // creation on the user-interface thread
    Never            // the worker's own routines
};

// Share of the file read so far, 0..100, halves to even; a file that grew while it is read stays at 100.
inline std::uint8_t ProgressPercent(std::uint64_t Done, std::uint64_t Size) {
    const std::int64_t Percent = RoundHalfEven(static_cast<double>(Done) / static_cast<double>(Size) * 100.0);
    return static_cast<std::uint8_t>(Percent > 100 ? 100 : Percent);
}

// Feed is called as Feed(const unsigned char* Data, std::size_t Count) for every chunk (also a 0-byte one).
template <typename TFeed>
void HashFileChunks(TFileReader& File, TFeed&& Feed, TPumpMode Pump, FileReadOutcome& Outcome) {
    const std::size_t BufSize = CrcBufSize > 0 ? static_cast<std::size_t>(CrcBufSize) : 65536;
    const auto Buffer = std::make_unique_for_overwrite<unsigned char[]>(BufSize);
    const std::uint64_t Size = File.Size();
    std::uint64_t Done = 0;
    for (;;) {
        const std::size_t N = File.Read(Buffer.get(), BufSize);
        Feed(static_cast<const unsigned char*>(Buffer.get()), N);
        Done += N;
        if (CrcOnProgress && Size != 0)
            CrcOnProgress(ProgressPercent(Done, Size), static_cast<std::int32_t>(N));
        if (Pump == TPumpMode::Always || (Pump == TPumpMode::UnlessInThread && !CrcInThread.load())) {
            if (CrcMessagePump)
                CrcMessagePump();
        }
        if (File.Error() != 0) {
            Outcome.ReadError = true;
            Outcome.Error = File.Error();
            break;
        }
        if (N != BufSize)
            break;
        if (CrcAbort.load()) {
            Outcome.Aborted = true;
            break;
        }
    }
    Outcome.BytesRead = Done;
}

// MD5 of a file's content into Digest (the digest of empty input when it cannot be opened). Returns false
// when something failed after the open (a read error or a failed callback): Digest then covers what was fed.
bool Md5OfFile(const std::string& FileName, TPumpMode Pump, FileReadOutcome& Outcome, MD5Digest& Digest);

} // namespace quorvane
