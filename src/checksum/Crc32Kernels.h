#pragma once

// The CRC-32 kernels: interchangeable implementations of the register update of Crc32Update (no preset,
// no final inversion), all giving exactly the result of the byte-wise table method.
//
// Which kernels exist depends on the build (QUORVANE_SIMD) and which may run on the CPU; the active one
// is chosen once, on first use, as the last supported entry of Crc32Kernels(). Thread-safe.

#include <cstddef>
#include <cstdint>
#include <span>

namespace quorvane {

using TCrc32UpdateFn = std::uint32_t (*)(std::uint32_t Crc, const unsigned char* Data, std::size_t Count);

struct TCrc32Kernel {
    const char* Name;       // short name for tests and benchmarks ("bytewise", "slicing16", ...)
    bool (*Supported)();    // true when the CPU and the operating system can run it
    TCrc32UpdateFn Update;  // the register update
};

// Every compiled-in kernel, slowest first: byte-wise, slicing-by-16, then the SIMD ones.
std::span<const TCrc32Kernel> Crc32Kernels();

// The kernel Crc32Update uses: the fastest supported one.
const TCrc32Kernel& ActiveCrc32Kernel();

// Reference method: one table look-up per byte.
std::uint32_t Crc32UpdateBytewise(std::uint32_t Crc, const unsigned char* Data, std::size_t Count);
// Portable kernel: sixteen bytes per step through the slicing tables.
std::uint32_t Crc32UpdateSlicing16(std::uint32_t Crc, const unsigned char* Data, std::size_t Count);

#ifdef QUORVANE_HAVE_SIMD_CRC
// Carry-less multiplication folding over 128-bit lanes (PCLMULQDQ); built with -mpclmul.
std::uint32_t Crc32UpdatePclmul(std::uint32_t Crc, const unsigned char* Data, std::size_t Count);
// The same over 256-bit registers (VPCLMULQDQ with AVX2); built with -mvpclmulqdq -mavx2.
std::uint32_t Crc32UpdateVpclmul256(std::uint32_t Crc, const unsigned char* Data, std::size_t Count);
// The same over 512-bit registers (VPCLMULQDQ with AVX-512F/BW/VL); built with -mvpclmulqdq -mavx512*.
std::uint32_t Crc32UpdateVpclmul512(std::uint32_t Crc, const unsigned char* Data, std::size_t Count);
#endif

} // namespace quorvane
