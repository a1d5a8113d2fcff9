#include "checksum/ThreadHash.h"

#include <system_error>

#include "checksum/FileHashing.h"
#include "checksum/Md5.h"

namespace {

// Sets CrcInThread for its lifetime, so that an exception cannot leave it set.
class TInThreadScope {
public:
    TInThreadScope() { CrcInThread.store(true); }
    ~TInThreadScope() { CrcInThread.store(false); }
    TInThreadScope(const TInThreadScope&) = delete;
    TInThreadScope& operator=(const TInThreadScope&) = delete;
};

} // namespace

std::string ThreadCrcText(const std::string& FileName, FileReadOutcome* Outcome) {
    const TInThreadScope InThread;
    return FileCrcText(FileName, Outcome);
}

std::string ThreadMd5Text(const std::string& FileName, FileReadOutcome* Outcome) {
    FileReadOutcome Local;
    FileReadOutcome& Out = Outcome ? *Outcome : Local;
    Out = {};
    try {
        MD5Context Context;
        MD5Init(Context);
        try {
            TFileReader File(FileName);
            Out.Opened = true;
            HashFileChunks(
                File,
                [&Context](const unsigned char* Data, std::size_t Count) {
                    MD5Update(Context, Data, static_cast<std::ptrdiff_t>(Count));
                },
                TPumpMode::Never, Out);
        } catch (const std::system_error& E) {
            if (Out.Opened)
                throw;
            Out.Error = E.code().value();  // not opened: the digest of empty input follows
        }
        MD5Digest Digest;
        MD5Final(Digest, Context);
        return Md5ToText(Digest);
    } catch (...) {
        Out.ReadError = Out.Opened;
        return {};
    }
}
