#pragma once

// Constants of the CRC-32 kernels, all computed at compile time from the reflected polynomial.
//
// Byte-wise table: Crc32Tables[0][b] is the register after eight shift steps of b alone, the classic
// table of the byte-wise method (entry 1 is 0x77073096). Slicing tables: Crc32Tables[k][b] is the effect
// of byte b followed by k zero bytes, so sixteen bytes are folded in with sixteen independent look-ups.
//
// Folding constants: in the reflected representation a 32-bit register bit j stands for x^(31-j), and
// multiplying by x is a right shift with the polynomial fed back from bit 0 (Crc32XPowMod). A 128-bit
// block A = H*x^64 + L that lies F bits before later data contributes the same as H*x^(64+F) + L*x^F
// placed F bits later. A carry-less product of a reflected 64-bit half by a reflected 32-bit constant,
// shifted left once (Crc32FoldConstant), stands for the product times x^32; hence the constants
// x^(F+32) mod P for the low (earlier) half and x^(F-32) mod P for the high half. The folded block
// is at most 127 bits wide, so it is exclusive-ored into the block F bits further on.

#include <array>
#include <cstddef>
#include <cstdint>

namespace quorvane {

inline constexpr std::uint32_t Crc32Polynomial = 0xEDB88320u;  // IEEE 802.3, reflected

// x^N mod P in the reflected representation.
constexpr std::uint32_t Crc32XPowMod(unsigned N) {
    std::uint32_t Value = 0x80000000u;  // x^0
    for (unsigned I = 0; I < N; ++I)
        Value = (Value >> 1) ^ ((Value & 1u) ? Crc32Polynomial : 0u);
    return Value;
}

// The 33-bit multiplier that folds by x^N with one carry-less multiplication (see above).
constexpr std::uint64_t Crc32FoldConstant(unsigned N) { return static_cast<std::uint64_t>(Crc32XPowMod(N)) << 1; }

inline constexpr std::size_t Crc32SliceCount = 16;

constexpr std::array<std::array<std::uint32_t, 256>, Crc32SliceCount> MakeCrc32Tables() {
    std::array<std::array<std::uint32_t, 256>, Crc32SliceCount> Tables{};
    for (std::uint32_t B = 0; B < 256; ++B) {
        std::uint32_t Value = B;
        for (int Bit = 0; Bit < 8; ++Bit)
            Value = (Value >> 1) ^ ((Value & 1u) ? Crc32Polynomial : 0u);
        Tables[0][B] = Value;
    }
    for (std::size_t K = 1; K < Crc32SliceCount; ++K)
        for (std::uint32_t B = 0; B < 256; ++B)
            Tables[K][B] = (Tables[K - 1][B] >> 8) ^ Tables[0][Tables[K - 1][B] & 0xFFu];
    return Tables;
}

inline constexpr auto Crc32Tables = MakeCrc32Tables();

static_assert(Crc32Tables[0][1] == 0x77073096u && Crc32Tables[0][255] == 0x2D02EF8Du);
static_assert(Crc32XPowMod(32) == Crc32Polynomial);

} // namespace quorvane
