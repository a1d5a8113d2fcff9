#include "util/Base64.h"

#include <array>
#include <cstdint>

namespace quorvane {

namespace {

// Value of each byte in the RFC 4648 alphabet, or -1 for a byte that is skipped.
constexpr std::array<std::int8_t, 256> MakeDecodeTable() {
    std::array<std::int8_t, 256> Table{};
    for (auto& V : Table)
        V = -1;
    const char* Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int I = 0; I < 64; ++I)
        Table[static_cast<unsigned char>(Alphabet[I])] = static_cast<std::int8_t>(I);
    return Table;
}

constexpr auto DecodeTable = MakeDecodeTable();

} // namespace

std::string Base64Decode(std::string_view Text) {
    std::string Bytes;
    Bytes.reserve(Text.size() / 4 * 3 + 2);
    std::uint32_t Group = 0;
    int Count = 0;
    for (const char C : Text) {
        const int V = DecodeTable[static_cast<unsigned char>(C)];
        if (V < 0)
            continue;
        Group = (Group << 6) | static_cast<std::uint32_t>(V);
        if (++Count == 4) {
            Bytes += static_cast<char>((Group >> 16) & 0xFF);
            Bytes += static_cast<char>((Group >> 8) & 0xFF);
            Bytes += static_cast<char>(Group & 0xFF);
            Group = 0;
            Count = 0;
        }
    }
    if (Count == 3) { // 18 bits: two bytes
        Bytes += static_cast<char>((Group >> 10) & 0xFF);
        Bytes += static_cast<char>((Group >> 2) & 0xFF);
    } else if (Count == 2) { // 12 bits: one byte
        Bytes += static_cast<char>((Group >> 4) & 0xFF);
    }
    return Bytes;
}

} // namespace quorvane
