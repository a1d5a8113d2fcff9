// quorvane-cli hash [--crc32|--md5|--sha1|--sha256|--sha512|--blake3] [--jobs N] FILE...: one list entry line
// per file, as the lists of that kind write them. A CRC-32 of a large file (64 MiB or more) not on a spinning
// disk is read by N threads over ranges.

#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

#include "app/CliCommands.h"
#include "app/CliOutput.h"
#include "checksum/Crc32.h"
#include "checksum/Crc32Split.h"
#include "checksum/HashJobs.h"
#include "checksum/ThreadHash.h"
#include "lists/DigestLines.h"
#include "util/FileIo.h"

namespace quorvane {

namespace {

const TCliOption HashOptions[] = {
    {"--crc32", "", "CRC-32 (SFV entry lines)", 1},
    {"--md5", "", "MD5 (MD5 entry lines)", 1},
    {"--sha1", "", "SHA-1 (the lines of sha1sum)", 1},
    {"--sha256", "", "SHA-256 (the lines of sha256sum)", 1},
    {"--sha512", "", "SHA-512 (the lines of sha512sum)", 1},
    {"--blake3", "", "BLAKE3 (the lines of b3sum)", 1},
    {"--jobs", "N", "read a file of 64 MiB or more by N threads for its CRC-32 (default: one per\n"
                    "CPU; files on a spinning disk are read by one)"},
};

void ReportUnreadable(const std::string& Name, const FileReadOutcome& Outcome) {
    const char* Reason = Outcome.Error != 0 ? std::strerror(Outcome.Error) : "read failed";
    PutError(std::string(Outcome.Opened ? "Cannot read file " : "Cannot open file ") + Name + " (" + Reason + ")");
}

int RunHash(const TCliArgs& Args) {
    const THashKind Kind = CliKindOf(Args, THashKind::Crc32);
    int Jobs = 0;
    if (const auto Usage = CliJobsValue(HashCommand, Args, Jobs))
        return *Usage;
    TCrc32SplitOptions Split;
    int Status = 0;
    std::string Line;
    for (const std::string& Name : Args.Operands) {
        FileReadOutcome Outcome;
        if (Kind == THashKind::Crc32) {
            std::uint32_t Crc = 0;
            const TPathInfo Info = PathInfo(Name);
            Split.Threads = Info.Exists() && !RotationalDevice(Info.Device) ? EffectiveJobs(Jobs) : 1;
            try {
                Crc = Crc32OfFileSplit(Name, Split, &Outcome);
            } catch (const std::system_error&) {
                // Outcome carries the reason.
            }
            Line = Name + ' ' + Crc32ToText(Crc) + '\n';
        } else if (Kind == THashKind::Md5) {
            Line = ThreadMd5Text(Name, &Outcome) + ' ' + Name + '\n';
        } else {
            Line = EscapeDigestLine(Kind, ThreadDigestText(Kind, Name, &Outcome), Name) + '\n';
        }
        if (Outcome.Aborted)
            return 130;
        if (!Outcome.Complete()) {
            FlushOut();
            ReportUnreadable(Name, Outcome);
            Status = 1;
            continue;
        }
        PutOut(Line); // the name as given: the line is a list's entry line
    }
    return Status;
}

} // namespace

const TCliCommand HashCommand{
    .Name = "hash",
    .Synopsis = "[--crc32|--md5|--sha1|--sha256|--sha512|--blake3] [--jobs N] FILE...",
    .Summary = "print a list entry line for each file (CRC-32 by default)",
    .About = "Prints the list entry line of each file: \"NAME CRC\" (8 hexadecimal digits, as in SFV lists,\n"
             "the default) or \"MD5 NAME\" (32 hexadecimal digits, as in MD5 lists), the name as given; for the\n"
             "other kinds the line sha1sum, sha256sum, sha512sum or b3sum prints.\n",
    .Options = HashOptions,
    .Operand = "file",
    .Footer = "Exit status: 0 success; 1 a file could not be read (no line is printed for it); 2 usage error;\n"
              "130 interrupted.\n",
    .Run = RunHash,
    .OptionsFirst = true,
};

} // namespace quorvane
