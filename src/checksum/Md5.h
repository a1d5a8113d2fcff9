#pragma once

// MD5 message digest of RFC 1321: the three-step interface and the file routine used for list creation.
// No shared state besides the engine variables of Crc32.h; a context belongs to one thread. Never throws.

#include <cstddef>
#include <cstdint>
#include <string>

#include "checksum/Crc32.h"

namespace quorvane {

struct MD5Context {
    std::uint32_t State[4];   // chaining values A, B, C, D
    std::uint32_t Count[2];   // bits fed so far, low word first
    unsigned char Buffer[64]; // the current, incomplete block
};

using MD5Digest = unsigned char[16];

void MD5Init(MD5Context& Context);
void MD5Update(MD5Context& Context, const void* Buffer, std::ptrdiff_t Length);  // Length <= 0 feeds nothing
void MD5Final(MD5Digest& Digest, MD5Context& Context);  // zeroes the context afterwards
void MD5Transform(std::uint32_t State[4], const unsigned char* Block, std::size_t Blocks = 1);  // whole blocks

// 32 upper-case hexadecimal digits of a digest.
std::string Md5ToText(const MD5Digest& Digest);

// MD5 text of a file for list creation (user-interface thread): CrcOnProgress after every chunk of a non-empty
// file (sizes and counts 64-bit), the message pump after every chunk, a stop after the chunk during which
// CrcAbort was set (left set). The digest of empty input when the file cannot be opened; Outcome tells.
std::string FileMd5Text(const std::string& FileName, FileReadOutcome* Outcome = nullptr);

} // namespace quorvane
