#include "checksum/ThreadHash.h"

#include <atomic>
#include <system_error>

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

std::string ThreadMd5Text(const std::string& FileName, FileReadOutcome* Outcome) {
    FileReadOutcome Local;
    MD5Digest Digest;
    if (!Md5OfFile(FileName, TPumpMode::Never, Outcome ? *Outcome : Local, Digest))
        return {};  // a failure part-way: no text rather than the digest of a part
    return Md5ToText(Digest);
}

} // namespace quorvane
