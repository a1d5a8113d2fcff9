#include "checksum/Crc32.h"

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

std::uint32_t Crc32OfFile(const std::string& FileName, FileReadOutcome* Outcome) {
    FileReadOutcome Local;
    FileReadOutcome& Out = Outcome ? *Outcome : Local;
    Out = {};
    TFileReader File = [&] {
        try {
            return TFileReader(FileName);
        } catch (const std::system_error& E) {
            Out.Error = E.code().value();
            throw;
        }
    }();
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

std::string Crc32ToText(std::uint32_t Crc) {
    char Text[9];
    std::snprintf(Text, sizeof Text, "%08X", static_cast<unsigned>(Crc));
    return Text;
}

std::string FileCrcText(const std::string& FileName, FileReadOutcome* Outcome) {
    try {
        return Crc32ToText(Crc32OfFile(FileName, Outcome));
    } catch (const std::bad_alloc&) {
        throw; // out of memory is no verdict on the file: the run that asked must end with an error
    } catch (...) {
        // The list still gets an entry; Outcome tells the caller that the file could not be read.
        if (Outcome && Outcome->Opened)
            Outcome->ReadError = true;
        return "FFFFFFFF";
    }
}

} // namespace quorvane
