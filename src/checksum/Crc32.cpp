#include "checksum/Crc32.h"

#include <array>
#include <cstdio>
#include <new>
#include <system_error>

#include "checksum/Crc32Kernels.h"
#include "checksum/FileHashing.h"

namespace quorvane {

std::uint32_t Crc32Update(std::uint32_t Crc, const void* Buffer, std::ptrdiff_t Count) {
    if (Count <= 0)
        return Crc;
    static const TCrc32UpdateFn Update = ActiveCrc32Kernel().Update;
    return Update(Crc, static_cast<const unsigned char*>(Buffer), static_cast<std::size_t>(Count));
}

namespace {

// Polynomials of degree below 32 over GF(2) in the reflected bit order of the CRC register: bit 31 holds the
// coefficient of x^0, bit 0 that of x^31. Crc32Poly is x^32 modulo the CRC-32 polynomial in that order.
constexpr std::uint32_t Crc32Poly = 0xEDB88320u;

// A * B modulo the CRC-32 polynomial: B is multiplied by x once per coefficient of A, from x^0 upwards.
constexpr std::uint32_t MulModPoly(std::uint32_t A, std::uint32_t B) {
    std::uint32_t Product = 0;
    for (std::uint32_t Bit = 0x80000000u; A != 0; Bit >>= 1) {
        if (A & Bit) {
            Product ^= B;
            A ^= Bit;
        }
        B = (B & 1u) ? (B >> 1) ^ Crc32Poly : B >> 1;  // B * x; x^32 folds back as Crc32Poly
    }
    return Product;
}

// XPow2k[k] = x^(2^k) modulo the polynomial, for k = 0..66: enough for x^(8 * Length) with any 64-bit Length.
constexpr std::size_t XPowCount = 67;
constexpr std::array<std::uint32_t, XPowCount> XPow2k = [] {
    std::array<std::uint32_t, XPowCount> Table{};
    Table[0] = 0x40000000u;  // x^1
    for (std::size_t K = 1; K < XPowCount; ++K)
        Table[K] = MulModPoly(Table[K - 1], Table[K - 1]);
    return Table;
}();

// x^(8 * Length) modulo the polynomial: the product of x^(2^(k+3)) over the set bits k of Length.
constexpr std::uint32_t XPow8n(std::uint64_t Length) {
    std::uint32_t Power = 0x80000000u;  // x^0
    for (std::size_t K = 3; Length != 0; Length >>= 1, ++K)
        if (Length & 1u)
            Power = MulModPoly(Power, XPow2k[K]);
    return Power;
}

static_assert(MulModPoly(0x80000000u, 0x12345678u) == 0x12345678u, "x^0 is the unit");
static_assert(XPow8n(1) == 0x00800000u && XPow8n(4) == Crc32Poly, "x^8, and x^32 as the polynomial's low terms");

} // namespace

std::uint32_t Crc32Combine(std::uint32_t CrcA, std::uint32_t CrcB, std::uint64_t LengthB) {
    return MulModPoly(XPow8n(LengthB), CrcA) ^ CrcB;
}

namespace {

// CRC-32 of a file opened already, Out.Opened set.
std::uint32_t Crc32OfOpenFile(TFileReader& File, FileReadOutcome& Out) {
    Out.Opened = true;
    std::uint32_t Crc = 0xFFFFFFFFu;
    HashFileChunks(
        File,
        [&Crc](const unsigned char* Data, std::size_t Count) {
            Crc = Crc32Update(Crc, Data, static_cast<std::ptrdiff_t>(Count));
        },
        TPumpMode::UnlessInThread, Out);
    return Crc ^ 0xFFFFFFFFu;
}

} // namespace

std::uint32_t Crc32OfFile(const std::string& FileName, FileReadOutcome* Outcome) {
    FileReadOutcome Local;
    FileReadOutcome& Out = Outcome ? *Outcome : Local;
    Out = {};
    TFileReader File(FileName);
    if ((Out.Error = File.OpenError()) != 0)
        throw std::system_error(Out.Error, std::generic_category(), FileName);
    return Crc32OfOpenFile(File, Out);
}

std::string Crc32ToText(std::uint32_t Crc) {
    char Text[9];
    std::snprintf(Text, sizeof Text, "%08X", static_cast<unsigned>(Crc));
    return Text;
}

std::string FileCrcText(const std::string& FileName, FileReadOutcome* Outcome) {
    FileReadOutcome Local;
    FileReadOutcome& Out = Outcome ? *Outcome : Local;
    Out = {};
    // The list still gets an entry for a file that cannot be opened or read; Outcome tells the caller.
    TFileReader File(FileName);
    if ((Out.Error = File.OpenError()) != 0)
        return "FFFFFFFF";
    try {
        return Crc32ToText(Crc32OfOpenFile(File, Out));
    } catch (const std::bad_alloc&) {
        throw; // out of memory is no verdict on the file: the run that asked must end with an error
    } catch (...) {
        Out.ReadError = true;
        return "FFFFFFFF";
    }
}

} // namespace quorvane
