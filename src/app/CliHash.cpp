// quorvane-cli hash [--crc32|--md5] FILE...: one list entry line per file, as the lists write them.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

#include "app/CliCommands.h"
#include "checksum/Crc32.h"
#include "checksum/ThreadHash.h"

namespace quorvane {

namespace {

const char* const HashUsage =
    "Usage: quorvane-cli hash [--crc32|--md5] FILE...\n"
    "Prints the list entry line of each file: \"NAME CRC\" (8 hexadecimal digits, as in SFV lists,\n"
    "the default) or \"MD5 NAME\" (32 hexadecimal digits, as in MD5 lists), the name as given.\n"
    "\n"
    "  --crc32     CRC-32 (SFV entry lines)\n"
    "  --md5       MD5 (MD5 entry lines)\n"
    "  --          the arguments that follow are file names\n"
    "  -h, --help  show this help and exit\n"
    "\n"
    "Exit status: 0 success; 1 a file could not be read (no line is printed for it); 2 usage error;\n"
    "130 interrupted.\n";

enum class TKind { None, Crc32, Md5 };

int UsageError(const char* Message, const std::string& Detail = {}) {
    std::fprintf(stderr, "quorvane-cli hash: %s%s\nTry 'quorvane-cli hash --help'.\n", Message, Detail.c_str());
    return 2;
}

void ReportUnreadable(const std::string& Name, const FileReadOutcome& Outcome) {
    const char* Reason = Outcome.Error != 0 ? std::strerror(Outcome.Error) : "read failed";
    std::fprintf(stderr, "quorvane-cli: %s %s (%s)\n", Outcome.Opened ? "Cannot read file" : "Cannot open file",
                 Name.c_str(), Reason);
}

} // namespace

int RunHashCommand(const TArgs& Args) {
    TKind Kind = TKind::None;
    std::size_t First = 0;
    for (; First < Args.size(); ++First) {
        const std::string& Arg = Args[First];
        if (Arg == "--") {
            ++First;
            break;
        }
        if (Arg == "-h" || Arg == "--help") {
            std::fputs(HashUsage, stdout);
            return 0;
        }
        if (Arg == "--crc32" || Arg == "--md5") {
            const TKind Chosen = Arg == "--md5" ? TKind::Md5 : TKind::Crc32;
            if (Kind != TKind::None && Kind != Chosen)
                return UsageError("choose one of --crc32 and --md5");
            Kind = Chosen;
            continue;
        }
        if (Arg.size() > 1 && Arg[0] == '-')
            return UsageError("unknown option ", Arg);
        break;
    }
    if (First >= Args.size())
        return UsageError("no file given");
    if (Kind == TKind::None)
        Kind = TKind::Crc32;

    int Status = 0;
    std::string Line;
    for (std::size_t I = First; I < Args.size(); ++I) {
        const std::string& Name = Args[I];
        FileReadOutcome Outcome;
        if (Kind == TKind::Crc32) {
            std::uint32_t Crc = 0;
            try {
                Crc = Crc32OfFile(Name, &Outcome);
            } catch (const std::system_error&) {
                // Outcome carries the reason.
            }
            Line = Name + ' ' + Crc32ToText(Crc) + '\n';
        } else {
            Line = ThreadMd5Text(Name, &Outcome) + ' ' + Name + '\n';
        }
        if (Outcome.Aborted) {
            std::fflush(stdout);
            return 130;
        }
        if (!Outcome.Complete()) {
            std::fflush(stdout);
            ReportUnreadable(Name, Outcome);
            Status = 1;
            continue;
        }
        std::fwrite(Line.data(), 1, Line.size(), stdout);
    }
    if (std::fflush(stdout) != 0) {
        std::fprintf(stderr, "quorvane-cli: cannot write the output (%s)\n", std::strerror(errno));
        return 1;
    }
    return Status;
}

} // namespace quorvane
