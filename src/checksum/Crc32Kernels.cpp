#include "checksum/Crc32Kernels.h"

#include <array>
#include <bit>
#include <cstring>

#include "checksum/CpuFeatures.h"
#include "checksum/Crc32Tables.h"

namespace quorvane {

namespace {

inline std::uint32_t LoadLe32(const unsigned char* P) {
    std::uint32_t Value;
    std::memcpy(&Value, P, sizeof Value);
    if constexpr (std::endian::native == std::endian::big)
        Value = __builtin_bswap32(Value);
    return Value;
}

bool Always() { return true; }

#ifdef QUORVANE_HAVE_SIMD_CRC
bool HasPclmul() { return CpuFeatures().Pclmul; }
bool HasVpclmul() { return CpuFeatures().Vpclmul; }
bool HasVpclmul512() { return CpuFeatures().Vpclmul512; }
#endif

constexpr TCrc32Kernel Kernels[] = {
    {"bytewise", Always, Crc32UpdateBytewise},
    {"slicing16", Always, Crc32UpdateSlicing16},
#ifdef QUORVANE_HAVE_SIMD_CRC
    {"pclmul", HasPclmul, Crc32UpdatePclmul},
    {"vpclmul256", HasVpclmul, Crc32UpdateVpclmul256},
    {"vpclmul512", HasVpclmul512, Crc32UpdateVpclmul512},
#endif
};

const TCrc32Kernel& ChooseKernel() {
    const TCrc32Kernel* Best = &Kernels[0];
    for (const TCrc32Kernel& Kernel : Kernels)
        if (Kernel.Supported())
            Best = &Kernel;
    return *Best;
}

} // namespace

std::span<const TCrc32Kernel> Crc32Kernels() { return Kernels; }

const TCrc32Kernel& ActiveCrc32Kernel() {
    static const TCrc32Kernel& Active = ChooseKernel();
    return Active;
}

std::uint32_t Crc32UpdateBytewise(std::uint32_t Crc, const unsigned char* Data, std::size_t Count) {
    const auto& Table = Crc32Tables[0];
    for (std::size_t I = 0; I < Count; ++I)
        Crc = (Crc >> 8) ^ Table[(Crc ^ Data[I]) & 0xFFu];
    return Crc;
}

std::uint32_t Crc32UpdateSlicing16(std::uint32_t Crc, const unsigned char* Data, std::size_t Count) {
    const auto& T = Crc32Tables;
    while (Count >= 16) {
        // The twelve look-ups of bytes 4..15 do not wait for the register; only the last four do, so the
        // independent part is summed first and the chain from one step to the next stays short.
        const std::uint32_t B = LoadLe32(Data + 4);
        const std::uint32_t C = LoadLe32(Data + 8);
        const std::uint32_t D = LoadLe32(Data + 12);
        const std::uint32_t Rest = (T[11][B & 0xFF] ^ T[10][(B >> 8) & 0xFF] ^ T[9][(B >> 16) & 0xFF] ^ T[8][B >> 24]) ^
                                   (T[7][C & 0xFF] ^ T[6][(C >> 8) & 0xFF] ^ T[5][(C >> 16) & 0xFF] ^ T[4][C >> 24]) ^
                                   (T[3][D & 0xFF] ^ T[2][(D >> 8) & 0xFF] ^ T[1][(D >> 16) & 0xFF] ^ T[0][D >> 24]);
        const std::uint32_t A = LoadLe32(Data) ^ Crc;
        Crc = Rest ^ ((T[15][A & 0xFF] ^ T[14][(A >> 8) & 0xFF]) ^ (T[13][(A >> 16) & 0xFF] ^ T[12][A >> 24]));
        Data += 16;
        Count -= 16;
    }
    return Crc32UpdateBytewise(Crc, Data, Count);
}

} // namespace quorvane
