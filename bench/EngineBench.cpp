// Checksum engines in memory: every CRC-32 kernel and the byte-wise method against zlib's crc32(), and our
// MD5 against OpenSSL's EVP MD5. The buffer is one 64 KiB read chunk, hashed again and again, as the file
// routines see it; the kernels are also timed on 1 MiB (Crc32Kernel/NAME/BYTES).

#include <cstring>
#include <span>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <zlib.h>

#include "checksum/Crc32.h"
#include "checksum/Crc32Kernels.h"
#include "checksum/Md5.h"

using namespace quorvane;

namespace {

constexpr std::size_t ChunkSize = 65536;
constexpr std::size_t LargeSize = 1 << 20;

// LargeSize pseudo-random bytes.
const std::vector<unsigned char>& Buffer() {
    static const std::vector<unsigned char> Bytes = [] {
        std::vector<unsigned char> Result(LargeSize);
        std::uint32_t State = 2463534242u;
        for (auto& Byte : Result) {
            State ^= State << 13;
            State ^= State >> 17;
            State ^= State << 5;
            Byte = static_cast<unsigned char>(State);
        }
        return Result;
    }();
    return Bytes;
}

// The read chunk: the first ChunkSize bytes of the buffer.
std::span<const unsigned char> Chunk() { return {Buffer().data(), ChunkSize}; }

void BM_Crc32Kernel(benchmark::State& State, TCrc32Kernel Kernel) {
    if (!Kernel.Supported()) {
        State.SkipWithError("not supported by this CPU");
        return;
    }
    const unsigned char* Data = Buffer().data();
    const auto Size = static_cast<std::size_t>(State.range(0));
    std::uint32_t Crc = 0xFFFFFFFFu;
    for (auto _ : State) {
        Crc = Kernel.Update(Crc, Data, Size);
        benchmark::DoNotOptimize(Crc);
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Size));
}

void BM_Crc32Update(benchmark::State& State) {
    const auto Data = Chunk();
    std::uint32_t Crc = 0xFFFFFFFFu;
    for (auto _ : State) {
        Crc = Crc32Update(Crc, Data.data(), static_cast<std::ptrdiff_t>(Data.size()));
        benchmark::DoNotOptimize(Crc);
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Data.size()));
    State.SetLabel(ActiveCrc32Kernel().Name);
}

void BM_ZlibCrc32(benchmark::State& State) {
    const auto Data = Chunk();
    uLong Crc = crc32(0L, Z_NULL, 0);
    for (auto _ : State) {
        Crc = crc32(Crc, Data.data(), static_cast<uInt>(Data.size()));
        benchmark::DoNotOptimize(Crc);
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Data.size()));
}

void BM_Md5(benchmark::State& State) {
    const auto Data = Chunk();
    MD5Context Context;
    MD5Init(Context);
    for (auto _ : State) {
        MD5Update(Context, Data.data(), static_cast<std::ptrdiff_t>(Data.size()));
        benchmark::DoNotOptimize(Context.State[0]);
    }
    MD5Digest Digest;
    MD5Final(Digest, Context);
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Data.size()));
}

void BM_OpenSslMd5(benchmark::State& State) {
    const auto Data = Chunk();
    EVP_MD_CTX* Context = EVP_MD_CTX_new();
    EVP_DigestInit_ex(Context, EVP_md5(), nullptr);
    for (auto _ : State) {
        EVP_DigestUpdate(Context, Data.data(), Data.size());
        benchmark::ClobberMemory();
    }
    unsigned char Digest[EVP_MAX_MD_SIZE];
    unsigned Length = 0;
    EVP_DigestFinal_ex(Context, Digest, &Length);
    EVP_MD_CTX_free(Context);
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Data.size()));
}

const int Registered = [] {
    for (const TCrc32Kernel& Kernel : Crc32Kernels())
        benchmark::RegisterBenchmark((std::string("Crc32Kernel/") + Kernel.Name).c_str(), BM_Crc32Kernel, Kernel)
            ->Arg(ChunkSize)
            ->Arg(LargeSize);
    return 0;
}();

} // namespace

BENCHMARK(BM_Crc32Update);
BENCHMARK(BM_ZlibCrc32);
BENCHMARK(BM_Md5);
BENCHMARK(BM_OpenSslMd5);

BENCHMARK_MAIN();
