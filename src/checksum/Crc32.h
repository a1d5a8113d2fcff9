#pragma once

// CRC-32 of IEEE 802.3 (reflected polynomial 0xEDB88320) over buffers and whole files, and the
// process-wide engine variables through which every file-hashing routine is driven.
//
// Threads: the engine variables are shared by the user-interface thread (which starts runs, sets
// CrcAbort, installs the callbacks while no run is in progress) and the one thread that hashes.
// Crc32OfFile throws std::system_error when the file cannot be opened; nothing else throws.
//
// CrcAbort is cleared by the code that starts a run, never by the file routines: a request made
// between two files of a run must still stop the run.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace quorvane {

// Progress callback: Percent (0..100) of the current file read so far, and the bytes of the chunk just read.
using TCrcProgressEvent = std::function<void(std::uint8_t Percent, std::int32_t ChunkBytes)>;

inline std::int32_t CrcBufSize = 65536;     // read size of every file-hashing routine
inline std::atomic<bool> CrcAbort{false};     // abort request: hashing stops after the current chunk; runs clear it
inline std::atomic<bool> CrcInThread{false};  // true while the verification worker hashes: no message pump
inline TCrcProgressEvent CrcOnProgress;       // called after every chunk of a non-empty file when set
inline std::function<void()> CrcMessagePump;  // the user-interface message pump (GUI only), run between chunks

// What happened while a file was read, for callers that must tell a failed read from a result.
struct FileReadOutcome {
    bool Opened = false;           // the file was opened as a regular file
    bool ReadError = false;        // a read failed part-way; the result covers the bytes before it
    bool Aborted = false;          // CrcAbort ended the reading before the end of the file
    std::uint64_t BytesRead = 0;   // bytes fed to the checksum
    int Error = 0;                 // errno of the failed open or read, 0 when none

    bool Complete() const { return Opened && !ReadError && !Aborted; }  // the result covers the whole file
};

// Register update, no preset and no final inversion: calls chain over consecutive buffers. The result
// equals the byte-wise table step; the fastest kernel the CPU supports computes it (Crc32Kernels.h).
// Count of 0 or less returns Crc unchanged.
std::uint32_t Crc32Update(std::uint32_t Crc, const void* Buffer, std::ptrdiff_t Count);

// Finished CRC-32 of A followed by B, from the finished CRC-32 of A (CrcA), that of B (CrcB) and B's length in
// bytes: CrcA times x^(8 * LengthB) modulo the polynomial, plus CrcB (the presets and final inversions cancel
// out). O(log LengthB) work and no table beyond 67 constant powers of x; any thread may call it.
// Crc32Combine(CrcA, 0, 0) == CrcA, and Crc32Combine(0, CrcB, LengthB) == CrcB (the CRC of no bytes is 0).
std::uint32_t Crc32Combine(std::uint32_t CrcA, std::uint32_t CrcB, std::uint64_t LengthB);

// Finished CRC-32 of a file's content, read in CrcBufSize chunks, with CrcOnProgress after every chunk of a
// non-empty file and CrcMessagePump between chunks unless CrcInThread. Leaves CrcAbort as it finds it and
// stops after the chunk during which it was set. Throws std::system_error when the file cannot be opened
// (only regular files are opened; a folder, fifo or device counts as unopenable).
std::uint32_t Crc32OfFile(const std::string& FileName, FileReadOutcome* Outcome = nullptr);

// 8 upper-case hexadecimal digits of a CRC-32.
std::string Crc32ToText(std::uint32_t Crc);

// CRC text of a file for list creation: "FFFFFFFF" when the file cannot be opened. Throws only
// std::bad_alloc (running out of memory says nothing about the file).
std::string FileCrcText(const std::string& FileName, FileReadOutcome* Outcome = nullptr);

} // namespace quorvane
