#include "checksum/ThreadHash.h"

#include <system_error>

#include "checksum/FileHashing.h"
#include "checksum/Md5.h"

namespace quorvane {

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
    MD5Digest Digest;
    if (!Md5OfFile(FileName, TPumpMode::Never, Outcome ? *Outcome : Local, Digest))
        return {};  // a failure part-way: no text rather than the digest of a part
    return Md5ToText(Digest);
}

} // namespace quorvane
