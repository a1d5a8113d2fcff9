// quorvane-cli create (--sfv|--md5|--sha1|--sha256|--sha512|--blake3) [-o LIST] [--force] [--jobs N] PATH...:
// writes one list of the files of one folder with the same list writer, and so the same bytes, as the
// desktop program.
//
// The header's date and time and the month names of the comment lines come from the environment's locale
// (LC_ALL, LC_TIME, LANG), as in the desktop program.

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <system_error>
#include <string>
#include <vector>

#include "app/CliCommands.h"
#include "app/CliOutput.h"
#include "app/CliProgress.h"
#include "lists/CreationRules.h"
#include "lists/ListWriter.h"
#include "util/FileIo.h"
#include "util/PathUtils.h"
#include "util/StringUtils.h"
#include "verify/ChecksumSession.h"
#include "verify/Progress.h"

namespace quorvane {

namespace {

const TCliOption CreateOptions[] = {
    {"--sfv", "", "an SFV list (CRC-32)", 1},
    {"--md5", "", "an MD5 list", 1},
    {"--sha1", "", "a SHA-1 list, as sha1sum writes it", 1},
    {"--sha256", "", "a SHA-256 list, as sha256sum writes it", 1},
    {"--sha512", "", "a SHA-512 list, as sha512sum writes it", 1},
    {"--blake3", "", "a BLAKE3 list, as b3sum writes it", 1},
    {"-o", "LIST", "the list to write (default: FOLDER/FOLDERNAME and the kind's extension:\n"
                   ".sfv, .md5, .sha1, .sha256, .sha512 or .b3; an SFV or MD5 list named without\n"
                   "an extension gets one, the other kinds keep the name: SHA256SUMS)"},
    {"--force", "", "replace an existing list"},
    {"--jobs", "N", "hash up to N files at once (default: one per CPU; files on a spinning disk\n"
                    "are read one at a time)"},
};

int Fail(const std::string& Text) {
    PutError(Text);
    return 2;
}

// The console's side of a creation run: the progress line.
class ConsoleCreateHooks final : public TCreateHooks {
public:
    explicit ConsoleCreateHooks(TProgress& ProgressArg) : Progress(ProgressArg) {}
    // The run clears CrcAbort as it starts: a Ctrl+C that came before must still stop it.
    void RunStarting() override {
        if (CliInterrupted())
            CrcAbort = true;
    }
    void HashingStarting(std::int64_t TotalBytes) override { Progress.BeginRun(TotalBytes); }
    void RunEnded() override { Line.Clear(); }
    void Update(std::uint8_t Percent, std::int32_t ChunkBytes) {
        if (Progress.UpdateProgress(Percent, ChunkBytes).Any())
            Line.Show(Progress.Latest());
    }

private:
    TProgress& Progress;
    CliProgressLine Line;
};

int RunCreate(const TCliArgs& Args) {
    int Jobs = 0;
    if (const auto Usage = CliJobsValue(CreateCommand, Args, Jobs))
        return *Usage;
    const THashKind Kind = CliKindOf(Args, THashKind::Crc32);
    const int FilterIndex = 1 + static_cast<int>(std::ranges::find(AllHashKinds, Kind) - std::begin(AllHashKinds));
    const std::string Output = Args.Value("-o");
    const bool Force = Args.Has("--force");
    const TArgs& Paths = Args.Operands;

    // What to list: one folder, or files that share one folder.
    std::string Folder;
    std::vector<TBrowserEntry> Entries;
    std::vector<TLeftOut> Skipped;
    const bool OneFolder = Paths.size() == 1 && DirExists(Paths.front());
    // Without -o the list goes into the folder, named after it, as the folder context menu names it.
    if (OneFolder) {
        Folder = Paths.front();
    } else {
        TPathInfo FolderId;
        for (const std::string& Path : Paths) {
            const TPathInfo Info = PathInfo(Path);
            if (!Info.Exists())
                return Fail("Cannot open file " + Path + ": " + std::strerror(Info.Error));
            if (Info.IsFolder())
                return Fail("create: give one folder, or files of one folder: " + Path + " is a folder");
            const std::string Part(ExtractFilePath(Path));
            const TPathInfo Dir = PathInfo(Part.empty() ? "." : Part);
            if (!Dir.Exists())
                return Fail("Cannot open file " + Path + ": " + std::strerror(Dir.Error));
            if (!FolderId.Exists()) {
                FolderId = Dir;
                Folder = Part.empty() ? "." : Part;
            } else if (!Dir.SameFileAs(FolderId)) {
                return Fail("create: the files must all be in one folder: " + Path);
            }
            Entries.push_back(TBrowserEntry{std::string(ExtractFileName(Path)), false, Info.IsFile() ? Info.Size : 0});
        }
    }
    const std::string Target = Output.empty() ? DefaultListPath(Folder, Kind) : Output;
    // A list of the other tools' kinds is named freely (SHA256SUMS): the option already says its kind.
    const bool KeepName = !Output.empty() && IsDigestKind(Kind);
    const TListTarget Decided = DecideListTarget(Target, FilterIndex, !KeepName);
    if (const TPathInfo Existing = PathInfo(Decided.Path); Existing.Exists()) {
        if (Existing.IsFolder())
            return Fail("Cannot create file " + Decided.Path + ": " + std::strerror(EISDIR));
        if (!Force)
            return Fail(Decided.Path + " exists; use --force to replace it");
    }
    if (OneFolder) {
        try {
            TFolderScan Scan = ScanFolder(Folder, Decided.Path);
            Entries = std::move(Scan.Entries);
            Skipped = std::move(Scan.Skipped);
        } catch (const std::system_error& E) {
            return Fail("Cannot open file " + Folder + ": " + std::strerror(E.code().value()));
        }
    }
    for (const TLeftOut& Left : Skipped)
        PutError("left out of the list: " + Left.Name + " (" + Left.Reason + ")");
    if (Entries.empty())
        return Fail("no files to list in " + Folder);

    TCreateRequest Request = EnvironmentCreateRequest();
    Request.Folder = Folder;
    Request.Entries = std::move(Entries);
    Request.FileName = Target;
    Request.FilterIndex = FilterIndex;
    Request.KeepName = KeepName;
    Request.Jobs = Jobs;

    InstallCliSignalHandlers();
    TProgress Progress(SystemTick, Request.Locale);
    ConsoleCreateHooks Hooks(Progress);
    Request.OnProgress = [&Hooks](std::uint8_t Percent, std::int32_t ChunkBytes) { Hooks.Update(Percent, ChunkBytes); };

    TChecksumSession Session;
    TCreateResult Result;
    try {
        Result = Session.Create(Request, Hooks);
    } catch (const ListCreateError& E) {
        return Fail(std::string(E.what()) + ": " + std::strerror(E.Error()));
    }
    if (Result.Aborted) {
        PutError("User Aborted");
        return ExitInterrupted;
    }
    for (const TLeftOut& Left : Result.LeftOut)
        PutError("left out of the list: " + Left.Name + " (" + Left.Reason + ")");
    if (Result.AllLeftOut)
        return Fail("nothing written: every file was left out of " + Decided.Path);
    if (Result.Written)
        PutOutF("%s: %zu files. Complete in %s\n", Printable(Result.Target.Path).c_str(), Result.Listed,
                DurationText(Result.ElapsedSeconds).c_str());
    return Result.LeftOut.empty() && Skipped.empty() ? 0 : 1;
}

} // namespace

const TCliCommand CreateCommand{
    .Name = "create",
    .Synopsis = "(--sfv|--md5|--sha1|--sha256|--sha512|--blake3) [-o LIST] [--force] [--jobs N] PATH...",
    .Summary = "write a list of the files of one folder",
    .About = "Writes one list (SFV, MD5, SHA-1, SHA-256, SHA-512 or BLAKE3) of one folder's files (not\n"
             "descending; existing .sfv and .md5 files left out), or of the given files of one folder.\n",
    .Options = CreateOptions,
    .Operand = "path",
    .Footer = "Files whose names an SFV or MD5 list cannot hold (a leading \";\" in SFV lists, leading or trailing\n"
              "blanks, line breaks, wrapping quotes, backslashes, \"*\" in MD5 lists; a carriage return in BLAKE3\n"
              "lists; other kinds escape names as sha256sum does), files that cannot be read and broken links\n"
              "are left out and reported. The header's date and time follow the locale (LC_TIME).\n"
              "Exit status: 0 written; 1 written, but files were left out; 2 usage or write errors, or every\n"
              "file left out (nothing written); 130 interrupted (Ctrl+C).\n",
    .Run = RunCreate,
    .RequiredChoice = 1,
};

} // namespace quorvane
