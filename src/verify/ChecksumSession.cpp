#include "verify/ChecksumSession.h"

#include <cerrno>

#include "lists/ListReader.h"
#include "lists/RunFlags.h"
#include "util/PathUtils.h"
#include "util/StringUtils.h"
#include "util/Version.h"
#include "verify/VerifyRun.h"

namespace quorvane {

TChecksumSession::TChecksumSession() : TheCaption(AppTitle) {}

TChecksumSession::~TChecksumSession() { Close(); }

std::string TChecksumSession::Open() {
    if (Running())
        return "A check is in progress";
    bool IsMd5 = LastIsMd5;
    Problems.clear();
    try {
        TOpenResult Result = OpenChecksumFiles(ChecksumFiles, TheItems, TheCounters, IsMd5, SizesAtOpen);
        LastIsMd5 = Result.IsMd5List;
        TheCaption = Result.Caption;
        Problems = std::move(Result.Problems);
    } catch (const ListFileError& E) {
        return E.what();
    }
    return {};
}

std::string TChecksumSession::OpenHash(const std::string& FileName, std::string_view Hash) {
    if (Running())
        return "A check is in progress";
    Hash = TrimBlanks(Hash);
    // A whole line copied from a list ("digest  name") counts by its digest.
    if (const std::size_t Blank = Hash.find_first_of(" \t"); Blank != std::string_view::npos && !KindsOfHash(Hash.substr(0, Blank)).empty())
        Hash = Hash.substr(0, Blank);
    const std::vector<THashKind> Kinds = KindsOfHash(Hash);
    if (Kinds.empty())
        return "Not a hash: " + std::string(Hash.substr(0, 200));
    TheItems.Clear();
    ChecksumFiles.clear();
    Problems.clear();
    const TListFile* const List =
        TheItems.AddListFile(FileName, Kinds.front(), Kinds.size() > 1 ? std::optional(Kinds[1]) : std::nullopt);
    TheItems.Add(FileName, Hash, List).Size = FileSize64(FileName);
    TheCounters.UncheckedCount = 1;
    TheCounters.MissingCount = TheCounters.BadCount = TheCounters.GoodCount = 0;
    LastIsMd5 = Kinds.front() == THashKind::Md5;
    TheCaption = std::string(AppTitle) + " - " + std::string(ExtractFileName(FileName));
    return {};
}

void TChecksumSession::StartCheck(RunView& View, TProgress& Progress) {
    if (Running())
        return;
    ReleaseFinishedRun();
    LastFailure.clear();
    Run = quorvane::StartCheck(TheItems, TheCounters, LastIsMd5, View, Progress, Jobs);
}

bool TChecksumSession::Running() const { return Run && !Run->Finished(); }

void TChecksumSession::Abort() { CrcAbort = true; }

void TChecksumSession::Wait() {
    if (Run) {
        Run->Wait();
        ReleaseFinishedRun();
    }
}

void TChecksumSession::ReleaseFinishedRun() {
    if (Run && Run->Finished()) {
        Run->Wait(); // joins the worker, which has nothing left to hand over
        LastFailure = Run->Failure();
        Run.reset();
    }
}

void TChecksumSession::Close() {
    const bool Stopping = Running();
    if (Stopping) {
        AppClosing = true;
        CrcAbort = true;
    }
    Run.reset();
    // A run cut short by closing never reaches its own end step; it is over now all the same.
    if (Stopping)
        Busy = false;
}

std::string TChecksumSession::RunFailure() const {
    return Run && Run->Finished() ? Run->Failure() : LastFailure;
}

TCreateResult TChecksumSession::Create(const TCreateRequest& Request, TCreateHooks& Hooks) {
    if (Running())
        throw ListCreateError(Request.FileName, EBUSY);
    return CreateChecksumFile(Request, Hooks);
}

} // namespace quorvane
