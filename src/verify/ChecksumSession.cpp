#include "verify/ChecksumSession.h"

#include <cerrno>

#include "lists/ListReader.h"
#include "lists/RunFlags.h"
#include "util/Version.h"
#include "verify/VerifyRun.h"

namespace quorvane {

TChecksumSession::TChecksumSession() : TheCaption(AppTitle) {}

TChecksumSession::~TChecksumSession() { Close(); }

std::string TChecksumSession::Open() {
    if (Running())
        return "A check is in progress";
    bool IsMd5 = LastIsMd5;
    try {
        const TOpenResult Result = OpenChecksumFiles(ChecksumFiles, TheItems, TheCounters, IsMd5, SizesAtOpen);
        LastIsMd5 = Result.IsMd5List;
        TheCaption = Result.Caption;
    } catch (const ListFileError& E) {
        return E.what();
    }
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
