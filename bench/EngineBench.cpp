// Checksum engines in memory: every CRC-32 kernel and the byte-wise method against zlib's crc32(), our
// MD5 against OpenSSL's EVP MD5, every kind through TDigest (Digest/KIND) and the BLAKE3 hasher on every
// kernel (Blake3Kernel/NAME). The buffer is one 64 KiB read chunk, hashed again and again, as the file
// routines see it; the CRC-32 kernels are also timed on 1 MiB (Crc32Kernel/NAME/BYTES).

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <zlib.h>

#include "checksum/Blake3.h"
#include "checksum/Blake3Kernels.h"
#include "checksum/Crc32.h"
#include "checksum/Crc32Kernels.h"
#include "checksum/Crc32Split.h"
#include "checksum/Digest.h"
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

void BM_Digest(benchmark::State& State, THashKind Kind) {
    const auto Data = Chunk();
    TDigest Digest(Kind);
    for (auto _ : State) {
        Digest.Update(Data.data(), Data.size());
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(Digest.Final());
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Data.size()));
}

void BM_Blake3Kernel(benchmark::State& State, TBlake3Kernel Kernel) {
    if (!Kernel.Supported()) {
        State.SkipWithError("not supported by this CPU");
        return;
    }
    const auto Data = Chunk();
    TBlake3Hasher Hasher(Kernel);
    for (auto _ : State) {
        Hasher.Update(Data.data(), Data.size());
        benchmark::ClobberMemory();
    }
    unsigned char Digest[TBlake3Hasher::DigestSize];
    Hasher.Final(Digest);
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Data.size()));
}

const int Registered = [] {
    for (const TCrc32Kernel& Kernel : Crc32Kernels())
        benchmark::RegisterBenchmark((std::string("Crc32Kernel/") + Kernel.Name).c_str(), BM_Crc32Kernel, Kernel)
            ->Arg(ChunkSize)
            ->Arg(LargeSize);
    for (const THashKind Kind : AllHashKinds)
        benchmark::RegisterBenchmark((std::string("Digest/") + std::string(TagName(Kind))).c_str(), BM_Digest, Kind);
    for (const TBlake3Kernel& Kernel : Blake3Kernels())
        benchmark::RegisterBenchmark((std::string("Blake3Kernel/") + Kernel.Name).c_str(), BM_Blake3Kernel, Kernel);
    return 0;
}();

} // namespace

BENCHMARK(BM_Crc32Update);
BENCHMARK(BM_ZlibCrc32);
BENCHMARK(BM_Md5);
BENCHMARK(BM_OpenSslMd5);

// Whole files from the page cache: the serial CRC routine, the split routine (threads, read size) and a plain
// single-thread read() loop without hashing (buffer size), for the ratio split / read loop. The file is
// QUORVANE_BENCH_FILE, else /var/tmp/quorvane-bench-1g.bin; it is written (1 GiB) when missing, and read once
// before timing so that its pages are cached. Only the File/ cases touch it (--benchmark_filter=File/).
namespace filebench {

const std::string& BenchFile() {
    static const std::string Path = [] {
        const char* Named = std::getenv("QUORVANE_BENCH_FILE");
        std::string Result = Named && *Named ? Named : "/var/tmp/quorvane-bench-1g.bin";
        struct stat Info {};
        if (::stat(Result.c_str(), &Info) != 0) {
            std::FILE* Out = std::fopen(Result.c_str(), "wb");
            if (!Out)
                return std::string();
            const auto& Bytes = Buffer();
            for (std::size_t Written = 0; Written < (std::size_t{1} << 30); Written += Bytes.size())
                std::fwrite(Bytes.data(), 1, Bytes.size(), Out);
            if (std::fclose(Out) != 0)
                return std::string();
        }
        std::vector<char> Sink(1 << 20);  // loads the pages
        if (std::FILE* In = std::fopen(Result.c_str(), "rb")) {
            while (std::fread(Sink.data(), 1, Sink.size(), In) == Sink.size()) {
            }
            std::fclose(In);
        }
        return Result;
    }();
    return Path;
}

bool Ready(benchmark::State& State, std::uint64_t& Size) {
    struct stat Info {};
    if (BenchFile().empty() || ::stat(BenchFile().c_str(), &Info) != 0) {
        State.SkipWithError("the benchmark file cannot be written or read");
        return false;
    }
    Size = static_cast<std::uint64_t>(Info.st_size);
    return true;
}

void BM_FileCrcSerial(benchmark::State& State) {
    std::uint64_t Size = 0;
    if (!Ready(State, Size))
        return;
    for (auto _ : State)
        benchmark::DoNotOptimize(Crc32OfFile(BenchFile()));
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Size));
}

// Arguments: threads, read size (0: the routine's default).
void BM_FileCrcSplit(benchmark::State& State) {
    std::uint64_t Size = 0;
    if (!Ready(State, Size))
        return;
    const TCrc32SplitOptions Options{static_cast<unsigned>(State.range(0)), 0,
                                     static_cast<std::size_t>(State.range(1))};
    for (auto _ : State)
        benchmark::DoNotOptimize(Crc32OfFileSplit(BenchFile(), Options));
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Size));
}

// Argument: buffer size.
void BM_FileReadLoop(benchmark::State& State) {
    std::uint64_t Size = 0;
    if (!Ready(State, Size))
        return;
    std::vector<unsigned char> Data(static_cast<std::size_t>(State.range(0)));
    for (auto _ : State) {
        const int Fd = ::open(BenchFile().c_str(), O_RDONLY | O_CLOEXEC);
        while (::read(Fd, Data.data(), Data.size()) > 0)
            benchmark::ClobberMemory();
        ::close(Fd);
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Size));
}

} // namespace filebench

BENCHMARK(filebench::BM_FileCrcSerial)->Name("File/Crc32OfFile")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(filebench::BM_FileCrcSplit)
    ->Name("File/Crc32OfFileSplit")
    ->ArgNames({"threads", "read"})
    ->ArgsProduct({{1, 2}, {0, 65536, 262144, 1 << 20, 4 << 20}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(filebench::BM_FileReadLoop)
    ->Name("File/ReadLoop")
    ->ArgName("buffer")
    ->Arg(65536)
    ->Arg(1 << 20)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
