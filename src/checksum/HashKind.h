#pragma once

// The kinds of checksum a list can hold, their names and digest sizes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quorvane {

enum class THashKind : std::uint8_t { Crc32, Md5, Sha1, Sha256, Sha512, Blake3 };

// In the order of the save dialog's filters: index 1 is CRC-32 (SFV), 2 MD5, ... 6 BLAKE3.
inline constexpr THashKind AllHashKinds[] = {THashKind::Crc32,  THashKind::Md5,    THashKind::Sha1,
                                             THashKind::Sha256, THashKind::Sha512, THashKind::Blake3};

// Hexadecimal digits of a digest of the kind (BLAKE3: its default 32-byte output).
constexpr std::size_t HexDigits(THashKind Kind) {
    switch (Kind) {
    case THashKind::Crc32: return 8;
    case THashKind::Md5: return 32;
    case THashKind::Sha1: return 40;
    case THashKind::Sha256: return 64;
    case THashKind::Sha512: return 128;
    case THashKind::Blake3: return 64;
    }
    return 0;
}

// The name BSD tag lines and coreutils' --tag use: "CRC32", "MD5", "SHA1", "SHA256", "SHA512", "BLAKE3".
constexpr std::string_view TagName(THashKind Kind) {
    switch (Kind) {
    case THashKind::Crc32: return "CRC32";
    case THashKind::Md5: return "MD5";
    case THashKind::Sha1: return "SHA1";
    case THashKind::Sha256: return "SHA256";
    case THashKind::Sha512: return "SHA512";
    case THashKind::Blake3: return "BLAKE3";
    }
    return {};
}

// True for the kinds added beside SFV and MD5, whose lists are read in the forms other tools write.
constexpr bool IsDigestKind(THashKind Kind) {
    return Kind != THashKind::Crc32 && Kind != THashKind::Md5;
}

// The kinds a hash pasted on its own may be, by its number of hexadecimal digits, most likely first:
// 8 CRC-32, 32 MD5, 40 SHA-1, 64 SHA-256 then BLAKE3, 128 SHA-512. None for any other length or for a
// character that is no hexadecimal digit.
inline std::vector<THashKind> KindsOfHash(std::string_view Hash) {
    for (const char C : Hash)
        if (!((C >= '0' && C <= '9') || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F')))
            return {};
    switch (Hash.size()) {
    case 8: return {THashKind::Crc32};
    case 32: return {THashKind::Md5};
    case 40: return {THashKind::Sha1};
    case 64: return {THashKind::Sha256, THashKind::Blake3};
    case 128: return {THashKind::Sha512};
    default: return {};
    }
}

} // namespace quorvane
