#pragma once

// Every kind of checksum through one interface: incremental hashing, the text form, and the file routines.
// CRC-32 and MD5 go through Crc32.h and Md5.h and keep their upper-case texts; SHA-1, SHA-256, SHA-512
// (Sha.h) and BLAKE3 (Blake3.h) are written in lower case, as the tools that write such lists do.
// A TDigest belongs to one thread. Throws only where stated.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "checksum/Blake3.h"
#include "checksum/Crc32.h"
#include "checksum/FileHashing.h"
#include "checksum/HashKind.h"
#include "checksum/Md5.h"
#include "checksum/Sha.h"

namespace quorvane {

// A finished digest: HexDigits(Kind) / 2 bytes, a CRC-32 in big-endian order (as its text reads).
struct TDigestValue {
    THashKind Kind = THashKind::Crc32;
    std::size_t Size = 0;
    std::array<unsigned char, 64> Bytes{};

    std::span<const unsigned char> View() const { return {Bytes.data(), Size}; }
};

class TDigest {
public:
    // Throws std::bad_alloc or std::runtime_error when libcrypto cannot set up a SHA context.
    explicit TDigest(THashKind Kind);

    THashKind Kind() const { return HashKind; }
    void Update(const void* Data, std::size_t Count); // SHA kinds: std::runtime_error when libcrypto fails
    TDigestValue Final();                             // the digest of everything fed; then starts afresh

private:
    THashKind HashKind;
    std::variant<std::uint32_t, MD5Context, TShaContext, TBlake3Hasher> State;
};

// The text of a digest: Crc32ToText and Md5ToText for those kinds, lower-case hexadecimal for the others.
std::string DigestToText(const TDigestValue& Value);

// The digest text of a file through HashFileChunks (64 KiB reads, CrcOnProgress, CrcAbort, the pump as
// Pump says). CRC-32 and MD5 give the texts of their own routines (a failure text for an unopenable file).
// The other kinds give a text only for the whole content: empty when the file cannot be opened or read,
// when reading was aborted or a callback failed; Outcome tells which. Throws only std::bad_alloc.
std::string DigestFileText(THashKind Kind, const std::string& FileName, TPumpMode Pump, FileReadOutcome* Outcome);

// The digest text of a file for list creation on the user-interface thread: DigestFileText running the
// message pump after every chunk (for CRC-32 and MD5: FileCrcText and FileMd5Text).
std::string FileDigestText(THashKind Kind, const std::string& FileName, FileReadOutcome* Outcome = nullptr);

} // namespace quorvane
