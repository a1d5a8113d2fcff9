#pragma once

// The verification worker's file routines: the same texts as FileCrcText and FileMd5Text, computed
// without ever running the message pump. Progress goes through CrcOnProgress; CrcAbort is read, never
// cleared (the run clears it when it starts). Outcome, when given, tells an unreadable file from one
// whose content happens to hash to the failure text. Called on the worker thread; never throw.

#include <string>

#include "checksum/Crc32.h"
#include "checksum/HashKind.h"

namespace quorvane {

// CRC-32 text of a file, FFFFFFFF when it cannot be opened. CrcInThread is true during the call and
// false after it, whatever happens.
std::string ThreadCrcText(const std::string& FileName, FileReadOutcome* Outcome = nullptr);

// CRC-32 text of a file as ThreadCrcText, a file of 64 MiB or more hashed by Threads threads over ranges
// joined by CRC-32 combination (Threads 0 or 1: one thread, as ThreadCrcText).
std::string ThreadCrcTextSplit(const std::string& FileName, unsigned Threads, FileReadOutcome* Outcome = nullptr);

// MD5 text of a file, the digest of empty input when it cannot be opened; empty text on any other failure.
std::string ThreadMd5Text(const std::string& FileName, FileReadOutcome* Outcome = nullptr);

// Digest text of a file of any kind: ThreadCrcText and ThreadMd5Text for those kinds; for the others the
// lower-case text of the whole content, empty when the file cannot be opened or read or the reading was
// aborted (Digest.h, DigestFileText).
std::string ThreadDigestText(THashKind Kind, const std::string& FileName, FileReadOutcome* Outcome = nullptr);

} // namespace quorvane
