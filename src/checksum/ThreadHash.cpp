#include "checksum/ThreadHash.h"

#include <atomic>
#include <system_error>

#include "checksum/Crc32Split.h"
#include "checksum/Digest.h"
#include "checksum/FileHashing.h"
#include "checksum/Md5.h"

namespace quorvane {

namespace {

// Sets CrcInThread for its lifetime, so that an exception cannot leave it set. Several hashers may run at
// once: the flag stays set until the last of them is done.
std::atomic<int> HashersInThread{0};

class TInThreadScope {
public:
    TInThreadScope() {
        if (HashersInThread.fetch_add(1) == 0)
            CrcInThread.store(true);
    }
    ~TInThreadScope() {
        if (HashersInThread.fetch_sub(1) == 1)
            CrcInThread.store(false);
    }
    TInThreadScope(const TInThreadScope&) = delete;
    TInThreadScope& operator=(const TInThreadScope&) = delete;
};

} // namespace

std::string ThreadCrcText(const std::string& FileName, FileReadOutcome* Outcome) {
    const TInThreadScope InThread;
    return FileCrcText(FileName, Outcome);
}

std::string ThreadCrcTextSplit(const std::string& FileName, unsigned Threads, FileReadOutcome* Outcome) {
    if (Threads <= 1)
        return ThreadCrcText(FileName, Outcome);
    const TInThreadScope InThread;
    TCrc32SplitOptions Options;
    Options.Threads = Threads;
    try {
        return Crc32ToText(Crc32OfFileSplit(FileName, Options, Outcome));
    } catch (const std::system_error&) {
        return "FFFFFFFF"; // not openable: the outcome says why
    }
}

std::string ThreadMd5Text(const std::string& FileName, FileReadOutcome* Outcome) {
    FileReadOutcome Local;
    MD5Digest Digest;
    if (!Md5OfFile(FileName, TPumpMode::Never, Outcome ? *Outcome : Local, Digest))
        return {};  // a failure part-way: no text rather than the digest of a part
    return Md5ToText(Digest);
}

std::string ThreadDigestText(THashKind Kind, const std::string& FileName, FileReadOutcome* Outcome) {
    return DigestFileText(Kind, FileName, TPumpMode::Never, Outcome);
}

} // namespace quorvane
