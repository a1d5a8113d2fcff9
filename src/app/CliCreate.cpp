// quorvane-cli create (--sfv|--md5) [-o LIST] [--force] PATH...: writes one list of the files of one
// folder with the same list writer, and so the same bytes, as the desktop program.
//
// The header's date and time come from the C library's locale of the environment (LC_ALL, LC_TIME, LANG):
// strftime's "%x" (the locale's date) and "%X" (its time), the console's counterparts of the desktop's
// short date and long time formats; the month names of the comment lines come from the same locale.

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "app/CliCommands.h"
#include "app/CliOutput.h"
#include "app/CliProgress.h"
#include "lists/ListWriter.h"
#include "util/PathUtils.h"
#include "util/StringUtils.h"
#include "verify/Progress.h"

namespace quorvane {

namespace {

const TCliOption CreateOptions[] = {
    {"--sfv", "", "", 1},
    {"--md5", "", "the kind of list", 1},
    {"-o", "LIST", "the list to write (default: FOLDER/FOLDERNAME.sfv or .md5)"},
    {"--force", "", "replace an existing list"},
};

int Fail(const std::string& Text) {
    PutError(Text);
    return 2;
}

bool StatPath(const std::string& Path, struct stat& St) { return ::stat(Path.c_str(), &St) == 0; }

// Files of a folder that a folder's list covers: regular files (links followed), not descending, without
// lists of either kind, in name order.
bool FolderEntries(const std::string& Folder, std::vector<TBrowserEntry>& Entries, int& Error) {
    std::unique_ptr<DIR, int (*)(DIR*)> Dir(::opendir(Folder.c_str()), ::closedir);
    if (!Dir) {
        Error = errno;
        return false;
    }
    std::string Prefix = Folder;
    AddBackslash(Prefix);
    errno = 0;
    while (const dirent* Ent = ::readdir(Dir.get())) {
        const std::string Name = Ent->d_name;
        if (Name == "." || Name == "..")
            continue;
        const std::string Ext = LowerAscii(ExtractFileExt(Name));
        if (Ext == ".sfv" || Ext == ".md5")
            continue;
        struct stat St {};
        if (!StatPath(Prefix + Name, St) || !S_ISREG(St.st_mode))
            continue;
        Entries.push_back(TBrowserEntry{Name, false, static_cast<std::int64_t>(St.st_size)});
    }
    if (errno != 0) {
        Error = errno;
        return false;
    }
    std::sort(Entries.begin(), Entries.end(),
              [](const TBrowserEntry& A, const TBrowserEntry& B) { return A.Name < B.Name; });
    return true;
}

// The locale's date ("%x") or time ("%X") of now.
std::string LocaleNowText(bool Time) {
    const std::time_t Now = std::time(nullptr);
    std::tm Local{};
    ::localtime_r(&Now, &Local);
    char Text[128];
    // The locale decides the year's digits, as the desktop's short date format does.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-y2k"
    const std::size_t N = Time ? std::strftime(Text, sizeof Text, "%X", &Local)
                               : std::strftime(Text, sizeof Text, "%x", &Local);
#pragma GCC diagnostic pop
    return std::string(Text, N);
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
    const int FilterIndex = Args.Has("--md5") ? 2 : 1;
    const std::string Output = Args.Value("-o");
    const bool Force = Args.Has("--force");
    const TArgs& Paths = Args.Operands;

    // What to list: one folder, or files that share one folder.
    std::string Folder;
    std::vector<TBrowserEntry> Entries;
    struct stat St {};
    if (Paths.size() == 1 && DirExists(Paths.front())) {
        Folder = Paths.front();
        int Error = 0;
        if (!FolderEntries(Folder, Entries, Error))
            return Fail("Cannot open file " + Folder + ": " + std::strerror(Error));
    } else {
        std::string FolderId;
        for (const std::string& Path : Paths) {
            if (!StatPath(Path, St))
                return Fail("Cannot open file " + Path + ": " + std::strerror(errno));
            if (S_ISDIR(St.st_mode))
                return Fail("create: give one folder, or files of one folder: " + Path + " is a folder");
            std::string Part(ExtractFilePath(Path));
            struct stat Dir {};
            if (!StatPath(Part.empty() ? "." : Part, Dir))
                return Fail("Cannot open file " + Path + ": " + std::strerror(errno));
            const std::string Id = std::to_string(Dir.st_dev) + ":" + std::to_string(Dir.st_ino);
            if (FolderId.empty()) {
                FolderId = Id;
                Folder = Part.empty() ? "." : Part;
            } else if (Id != FolderId) {
                return Fail("create: the files must all be in one folder: " + Path);
            }
            Entries.push_back(TBrowserEntry{std::string(ExtractFileName(Path)), false,
                                            S_ISREG(St.st_mode) ? static_cast<std::int64_t>(St.st_size) : 0});
        }
    }

    if (Entries.empty())
        return Fail("no files to list in " + Folder);

    // Without -o the list goes into the folder, named after it, as the folder context menu names it.
    std::string Target = Output;
    if (Target.empty()) {
        std::string Base = Folder;
        AddBackslash(Base);
        std::string Name = LastPathName(Base);
        if (Name.empty() || Name == "." || Name == "..") {
            // "." and ".." name the folder only relative to here: take its real name.
            if (const std::unique_ptr<char, void (*)(void*)> Real(::realpath(Base.c_str(), nullptr), std::free); Real)
                Name = LastPathName(Real.get());
        }
        Target = Base + Name + (FilterIndex == 2 ? ".md5" : ".sfv");
    }
    const TListTarget Decided = DecideListTarget(Target, FilterIndex);
    if (StatPath(Decided.Path, St)) {
        if (S_ISDIR(St.st_mode))
            return Fail("Cannot create file " + Decided.Path + ": " + std::strerror(EISDIR));
        if (!Force)
            return Fail(Decided.Path + " exists; use --force to replace it");
    }
    // Found out before hashing, not after: the target's folder must be there.
    const std::string TargetFolder(ExtractFilePath(Decided.Path));
    if (!TargetFolder.empty() && !DirExists(TargetFolder))
        return Fail("Cannot create file " + Decided.Path + ": " + std::strerror(ENOENT));

    std::setlocale(LC_ALL, "");
    TCreateRequest Request;
    Request.Folder = Folder;
    Request.Entries = std::move(Entries);
    Request.FileName = Target;
    Request.FilterIndex = FilterIndex;
    Request.DateText = LocaleNowText(false);
    Request.TimeText = LocaleNowText(true);
    Request.Locale = EnvironmentLocaleFormat();
    std::setlocale(LC_ALL, "C");

    InstallCliSignalHandlers();
    TProgress Progress(SystemTick, Request.Locale);
    ConsoleCreateHooks Hooks(Progress);
    Request.OnProgress = [&Hooks](std::uint8_t Percent, std::int32_t ChunkBytes) { Hooks.Update(Percent, ChunkBytes); };

    TCreateResult Result;
    try {
        Result = CreateChecksumFile(Request, Hooks);
    } catch (const ListCreateError& E) {
        return Fail(std::string(E.what()) + ": " + std::strerror(E.Error()));
    }
    if (Result.Aborted) {
        PutError("User Aborted");
        return ExitInterrupted;
    }
    for (const TLeftOut& Left : Result.LeftOut)
        PutError("left out of the list: " + Left.Name + " (" + Left.Reason + ")");
    if (Result.Written)
        PutOutF("%s: %zu files. Complete in %s\n", Printable(Result.Target.Path).c_str(), Result.Listed,
                DurationText(Result.ElapsedSeconds).c_str());
    return Result.LeftOut.empty() ? 0 : 1;
}

} // namespace

const TCliCommand CreateCommand{
    .Name = "create",
    .Synopsis = "(--sfv|--md5) [-o LIST] [--force] PATH...",
    .Summary = "write a list of the files of one folder",
    .About = "Writes one SFV or MD5 list of one folder's files (not descending; existing .sfv and .md5\n"
             "files left out), or of the given files of one folder.\n",
    .Options = CreateOptions,
    .Operand = "path",
    .Footer = "The header's date and time follow the locale (LC_TIME). Exit status: 0 written; 1 written, but\n"
              "files that cannot be read were left out; 2 usage or write errors; 130 interrupted (Ctrl+C).\n",
    .Run = RunCreate,
    .RequiredChoice = 1,
};

} // namespace quorvane
