// MD5 (RFC 1321).
//
// The compression function is written out step by step so that every shift and every additive constant
// (the integer part of 2^32 * |sin(i)|, i = 1..64, as listed in the RFC) is a compile-time constant.
// The round functions take their cheaper equivalent forms: F(x,y,z) = z ^ (x & (y ^ z)); G as
// (x & z) + (y & ~z), two terms with disjoint bits whose sum needs no wait for x when y and z are known;
// I(x,y,z) = y ^ (x | ~z). The message word and the constant are added before the round function, so
// they stay off the dependency chain from one step to the next.

#include "checksum/Md5.h"

#include <bit>
#include <cstring>

#include "checksum/FileHashing.h"

namespace quorvane {

namespace {

inline std::uint32_t Word(const unsigned char* P, int I) {
    std::uint32_t Value;
    std::memcpy(&Value, P + 4 * I, sizeof Value);
    if constexpr (std::endian::native == std::endian::big)
        Value = __builtin_bswap32(Value);
    return Value;
}

#define QV_MD5_F(A, B, C, D, X, S, T)                                                                             \
    A += (X) + (T);                                                                                             \
    A += (D) ^ ((B) & ((C) ^ (D)));                                                                             \
    A = std::rotl(A, S) + (B)
#define QV_MD5_G(A, B, C, D, X, S, T)                                                                             \
    A += (X) + (T) + ((C) & ~(D));                                                                              \
    A += (B) & (D);                                                                                             \
    A = std::rotl(A, S) + (B)
#define QV_MD5_H(A, B, C, D, X, S, T)                                                                             \
    A += (X) + (T);                                                                                             \
    A += (B) ^ (C) ^ (D);                                                                                       \
    A = std::rotl(A, S) + (B)
#define QV_MD5_I(A, B, C, D, X, S, T)                                                                             \
    A += (X) + (T);                                                                                             \
    A += (C) ^ ((B) | ~(D));                                                                                    \
    A = std::rotl(A, S) + (B)

inline void CompressBlock(std::uint32_t State[4], const unsigned char* P) {
    std::uint32_t A = State[0], B = State[1], C = State[2], D = State[3];
    const std::uint32_t X0 = Word(P, 0), X1 = Word(P, 1), X2 = Word(P, 2), X3 = Word(P, 3);
    const std::uint32_t X4 = Word(P, 4), X5 = Word(P, 5), X6 = Word(P, 6), X7 = Word(P, 7);
    const std::uint32_t X8 = Word(P, 8), X9 = Word(P, 9), X10 = Word(P, 10), X11 = Word(P, 11);
    const std::uint32_t X12 = Word(P, 12), X13 = Word(P, 13), X14 = Word(P, 14), X15 = Word(P, 15);

    QV_MD5_F(A, B, C, D, X0, 7, 0xd76aa478u);
    QV_MD5_F(D, A, B, C, X1, 12, 0xe8c7b756u);
    QV_MD5_F(C, D, A, B, X2, 17, 0x242070dbu);
    QV_MD5_F(B, C, D, A, X3, 22, 0xc1bdceeeu);
    QV_MD5_F(A, B, C, D, X4, 7, 0xf57c0fafu);
    QV_MD5_F(D, A, B, C, X5, 12, 0x4787c62au);
    QV_MD5_F(C, D, A, B, X6, 17, 0xa8304613u);
    QV_MD5_F(B, C, D, A, X7, 22, 0xfd469501u);
    QV_MD5_F(A, B, C, D, X8, 7, 0x698098d8u);
    QV_MD5_F(D, A, B, C, X9, 12, 0x8b44f7afu);
    QV_MD5_F(C, D, A, B, X10, 17, 0xffff5bb1u);
    QV_MD5_F(B, C, D, A, X11, 22, 0x895cd7beu);
    QV_MD5_F(A, B, C, D, X12, 7, 0x6b901122u);
    QV_MD5_F(D, A, B, C, X13, 12, 0xfd987193u);
    QV_MD5_F(C, D, A, B, X14, 17, 0xa679438eu);
    QV_MD5_F(B, C, D, A, X15, 22, 0x49b40821u);

    QV_MD5_G(A, B, C, D, X1, 5, 0xf61e2562u);
    QV_MD5_G(D, A, B, C, X6, 9, 0xc040b340u);
    QV_MD5_G(C, D, A, B, X11, 14, 0x265e5a51u);
    QV_MD5_G(B, C, D, A, X0, 20, 0xe9b6c7aau);
    QV_MD5_G(A, B, C, D, X5, 5, 0xd62f105du);
    QV_MD5_G(D, A, B, C, X10, 9, 0x02441453u);
    QV_MD5_G(C, D, A, B, X15, 14, 0xd8a1e681u);
    QV_MD5_G(B, C, D, A, X4, 20, 0xe7d3fbc8u);
    QV_MD5_G(A, B, C, D, X9, 5, 0x21e1cde6u);
    QV_MD5_G(D, A, B, C, X14, 9, 0xc33707d6u);
    QV_MD5_G(C, D, A, B, X3, 14, 0xf4d50d87u);
    QV_MD5_G(B, C, D, A, X8, 20, 0x455a14edu);
    QV_MD5_G(A, B, C, D, X13, 5, 0xa9e3e905u);
    QV_MD5_G(D, A, B, C, X2, 9, 0xfcefa3f8u);
    QV_MD5_G(C, D, A, B, X7, 14, 0x676f02d9u);
    QV_MD5_G(B, C, D, A, X12, 20, 0x8d2a4c8au);

    QV_MD5_H(A, B, C, D, X5, 4, 0xfffa3942u);
    QV_MD5_H(D, A, B, C, X8, 11, 0x8771f681u);
    QV_MD5_H(C, D, A, B, X11, 16, 0x6d9d6122u);
    QV_MD5_H(B, C, D, A, X14, 23, 0xfde5380cu);
    QV_MD5_H(A, B, C, D, X1, 4, 0xa4beea44u);
    QV_MD5_H(D, A, B, C, X4, 11, 0x4bdecfa9u);
    QV_MD5_H(C, D, A, B, X7, 16, 0xf6bb4b60u);
    QV_MD5_H(B, C, D, A, X10, 23, 0xbebfbc70u);
    QV_MD5_H(A, B, C, D, X13, 4, 0x289b7ec6u);
    QV_MD5_H(D, A, B, C, X0, 11, 0xeaa127fau);
    QV_MD5_H(C, D, A, B, X3, 16, 0xd4ef3085u);
    QV_MD5_H(B, C, D, A, X6, 23, 0x04881d05u);
    QV_MD5_H(A, B, C, D, X9, 4, 0xd9d4d039u);
    QV_MD5_H(D, A, B, C, X12, 11, 0xe6db99e5u);
    QV_MD5_H(C, D, A, B, X15, 16, 0x1fa27cf8u);
    QV_MD5_H(B, C, D, A, X2, 23, 0xc4ac5665u);

    QV_MD5_I(A, B, C, D, X0, 6, 0xf4292244u);
    QV_MD5_I(D, A, B, C, X7, 10, 0x432aff97u);
    QV_MD5_I(C, D, A, B, X14, 15, 0xab9423a7u);
    QV_MD5_I(B, C, D, A, X5, 21, 0xfc93a039u);
    QV_MD5_I(A, B, C, D, X12, 6, 0x655b59c3u);
    QV_MD5_I(D, A, B, C, X3, 10, 0x8f0ccc92u);
    QV_MD5_I(C, D, A, B, X10, 15, 0xffeff47du);
    QV_MD5_I(B, C, D, A, X1, 21, 0x85845dd1u);
    QV_MD5_I(A, B, C, D, X8, 6, 0x6fa87e4fu);
    QV_MD5_I(D, A, B, C, X15, 10, 0xfe2ce6e0u);
    QV_MD5_I(C, D, A, B, X6, 15, 0xa3014314u);
    QV_MD5_I(B, C, D, A, X13, 21, 0x4e0811a1u);
    QV_MD5_I(A, B, C, D, X4, 6, 0xf7537e82u);
    QV_MD5_I(D, A, B, C, X11, 10, 0xbd3af235u);
    QV_MD5_I(C, D, A, B, X2, 15, 0x2ad7d2bbu);
    QV_MD5_I(B, C, D, A, X9, 21, 0xeb86d391u);

    State[0] += A;
    State[1] += B;
    State[2] += C;
    State[3] += D;
}

#undef QV_MD5_F
#undef QV_MD5_G
#undef QV_MD5_H
#undef QV_MD5_I

} // namespace

void MD5Init(MD5Context& Context) {
    std::memset(&Context, 0, sizeof Context);
    Context.State[0] = 0x67452301u;
    Context.State[1] = 0xEFCDAB89u;
    Context.State[2] = 0x98BADCFEu;
    Context.State[3] = 0x10325476u;
}

void MD5Transform(std::uint32_t State[4], const unsigned char* Block, std::size_t Blocks) {
    for (std::size_t I = 0; I < Blocks; ++I, Block += 64)
        CompressBlock(State, Block);
}

void MD5Update(MD5Context& Context, const void* Buffer, std::ptrdiff_t Length) {
    if (Length <= 0)
        return;
    const auto* Input = static_cast<const unsigned char*>(Buffer);
    auto Remaining = static_cast<std::size_t>(Length);
    const std::size_t Used = (Context.Count[0] >> 3) & 63u;

    const std::uint64_t Bits = (static_cast<std::uint64_t>(Context.Count[1]) << 32 | Context.Count[0]) +
                               (static_cast<std::uint64_t>(Remaining) << 3);
    Context.Count[0] = static_cast<std::uint32_t>(Bits);
    Context.Count[1] = static_cast<std::uint32_t>(Bits >> 32);

    if (Used != 0) {
        const std::size_t Fill = 64 - Used;
        if (Remaining < Fill) {
            std::memcpy(Context.Buffer + Used, Input, Remaining);
            return;
        }
        std::memcpy(Context.Buffer + Used, Input, Fill);
        CompressBlock(Context.State, Context.Buffer);
        Input += Fill;
        Remaining -= Fill;
    }
    const std::size_t Whole = Remaining / 64;
    MD5Transform(Context.State, Input, Whole);
    Input += Whole * 64;
    Remaining -= Whole * 64;
    if (Remaining != 0)
        std::memcpy(Context.Buffer, Input, Remaining);
}

void MD5Final(MD5Digest& Digest, MD5Context& Context) {
    unsigned char Length[8];
    for (int I = 0; I < 4; ++I) {
        Length[I] = static_cast<unsigned char>(Context.Count[0] >> (8 * I));
        Length[4 + I] = static_cast<unsigned char>(Context.Count[1] >> (8 * I));
    }
    const std::size_t Used = (Context.Count[0] >> 3) & 63u;
    static const unsigned char Padding[64] = {0x80};
    MD5Update(Context, Padding, static_cast<std::ptrdiff_t>(Used < 56 ? 56 - Used : 120 - Used));
    MD5Update(Context, Length, 8);
    for (int I = 0; I < 4; ++I)
        for (int J = 0; J < 4; ++J)
            Digest[4 * I + J] = static_cast<unsigned char>(Context.State[I] >> (8 * J));
    // A finished context must not be fed again by mistake; it holds no trace of the message either.
    volatile unsigned char* Bytes = reinterpret_cast<volatile unsigned char*>(&Context);
    for (std::size_t I = 0; I < sizeof Context; ++I)
        Bytes[I] = 0;
}

std::string Md5ToText(const MD5Digest& Digest) {
    static const char Hex[] = "0123456789ABCDEF";
    std::string Text(32, '0');
    for (int I = 0; I < 16; ++I) {
        Text[2 * I] = Hex[Digest[I] >> 4];
        Text[2 * I + 1] = Hex[Digest[I] & 15];
    }
    return Text;
}

bool Md5OfFile(const std::string& FileName, TPumpMode Pump, FileReadOutcome& Out, MD5Digest& Digest) {
    Out = {};
    bool Clean = true;
    MD5Context Context;
    MD5Init(Context);
    TFileReader File(FileName);
    if ((Out.Error = File.OpenError()) != 0) {
        // Not opened: the digest of empty input, as the list format expects; Outcome tells the caller.
        MD5Final(Digest, Context);
        return true;
    }
    try {
        Out.Opened = true;
        HashFileChunks(
            File,
            [&Context](const unsigned char* Data, std::size_t Count) {
                MD5Update(Context, Data, static_cast<std::ptrdiff_t>(Count));
            },
            Pump, Out);
    } catch (const std::bad_alloc&) {
        throw; // out of memory is no verdict on the file: the run that asked must end with an error
    } catch (...) {
        // A failure of a callback leaves the digest of what was fed.
        Out.ReadError = Out.Opened;
        Clean = false;
    }
    MD5Final(Digest, Context);
    return Clean;
}

std::string FileMd5Text(const std::string& FileName, FileReadOutcome* Outcome) {
    FileReadOutcome Local;
    MD5Digest Digest;
    Md5OfFile(FileName, TPumpMode::Always, Outcome ? *Outcome : Local, Digest);
    return Md5ToText(Digest);
}

} // namespace quorvane
