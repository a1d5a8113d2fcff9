// quorvane-cli check [--quiet] LIST...: opens the lists as the desktop program's Open does and checks every
// record through the same verification run, with this console as its view. quorvane-cli verify FILE HASH
// checks one file against a pasted hash the same way.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/CliCommands.h"
#include "app/CliOutput.h"
#include "app/CliProgress.h"
#include "checksum/Crc32.h"
#include "lists/ItemRows.h"
#include "util/SizeText.h"
#include "verify/ChecksumSession.h"

namespace quorvane {

namespace {

const char* StateWord(std::int32_t State) {
    switch (State) {
    case isGood: return "Good";
    case isBad: return "Bad";
    case isMissing: return "Missing";
    default: return "Unchecked";
    }
}

// The console as the run's view: one line per record as its verdict arrives, the progress line on a
// terminal. The main thread serves the run while it waits for it, so every call comes on that thread.
class ConsoleRunView final : public RunView {
public:
    // Silent: no line per record at all (the caller prints the verdict).
    ConsoleRunView(std::vector<TItemRec*> RowsArg, bool QuietArg, bool IgnoreMissingArg, bool SilentArg = false)
        : AllRows(std::move(RowsArg)), Quiet(QuietArg), IgnoreMissing(IgnoreMissingArg), Silent(SilentArg) {}

    void WakeUiThread(std::function<void()>, bool) override {}
    std::size_t RowCount() const override { return AllRows.size(); }
    TItemRec* RowRecord(std::int32_t Row) const override { return AllRows[static_cast<std::size_t>(Row)]; }
    std::vector<std::int32_t> SelectedRows() const override { return {}; }
    void SetCommandsEnabled(bool) override {}
    void SetProgressBars(std::int32_t, std::int32_t) override {}
    void ShowProgress(const TProgressFigures& Figures) override { Line.Show(Figures); }
    void SetCompletionText(const std::string& Text) override { Completion = Text; }
    void RowImageChanged(std::int32_t Row, std::int32_t Image) override {
        if (Silent || Image == isUnchecked || (Quiet && Image == isGood) || (IgnoreMissing && Image == isMissing))
            return;
        const TItemRec* Rec = AllRows[static_cast<std::size_t>(Row)];
        if (!Rec)
            return;
        Line.Clear();
        PutOut(std::string(StateWord(Image)) + " " + Printable(Rec->FileName()) + "\n");
        if (Line.Enabled())
            FlushOut();
    }
    void RowSizeChanged(std::int32_t, std::int64_t) override {}
    void ScrollIntoView(std::int32_t) override {}
    void RepaintStatusBar() override {}

    const std::string& CompletionText() const { return Completion; }
    void ClearLine() { Line.Clear(); }

private:
    std::vector<TItemRec*> AllRows;
    bool Quiet;
    bool IgnoreMissing;
    bool Silent;
    CliProgressLine Line;
    std::string Completion;
};

// Checks the session's records with View as the run's view, until the run has ended. Starting clears
// CrcAbort, and the worker checks nothing before Wait serves its BeginRun, so a Ctrl+C that came before
// the start still stops the run.
void CheckToEnd(TChecksumSession& Session, ConsoleRunView& View) {
    InstallCliSignalHandlers();
    TProgress Progress(SystemTick, EnvironmentLocaleFormat());
    Session.StartCheck(View, Progress);
    if (CliInterrupted())
        Session.Abort();
    Session.Wait();
    View.ClearLine();
}

// The exit status of a check stopped by an error (2, the error told) or by Ctrl+C; none when it ran to its end.
std::optional<int> EndStatus(const TChecksumSession& Session) {
    if (const std::string Failure = Session.RunFailure(); !Failure.empty()) {
        PutError(Failure);
        return 2;
    }
    if (CliInterrupted())
        return ExitInterrupted;
    return std::nullopt;
}

const TCliOption CheckOptions[] = {
    {"--quiet", "", "print only the files that are not Good"},
    {"--ignore-missing", "", "neither print missing files nor count them against the exit status"},
    {"--jobs", "N", "hash up to N files at once (default: one per CPU; files on a spinning disk\n"
                    "are read one at a time)"},
};

int RunCheck(const TCliArgs& Args) {
    const bool Quiet = Args.Has("--quiet");
    const bool IgnoreMissing = Args.Has("--ignore-missing");
    const TArgs& Lists = Args.Operands;

    TChecksumSession Session;
    Session.ChecksumFiles = Lists;
    if (const auto Usage = CliJobsValue(CheckCommand, Args, Session.Jobs))
        return *Usage;
    Session.SizesAtOpen = false;
    if (const std::string Error = Session.Open(); !Error.empty()) {
        PutError(Error);
        return 2;
    }
    for (const std::string& Problem : Session.OpenProblems())
        PutError(Printable(Problem) + ": line not understood, skipped");

    ConsoleRunView View(BuildRowRecords(Session.Items()), Quiet, IgnoreMissing);
    CheckToEnd(Session, View);
    const TCounters& Counters = Session.Counters();

    const bool Aborted = CliInterrupted();
    PutOutF("%d Good, %d Bad, %d Missing, %d Unchecked", Counters.GoodCount.load(), Counters.BadCount.load(),
            Counters.MissingCount.load(), Counters.UncheckedCount.load());
    if (Aborted)
        PutOut(" (interrupted)\n");
    else
        PutOut(". " + View.CompletionText() + "\n");

    if (const std::optional<int> Status = EndStatus(Session))
        return *Status;
    if (IgnoreMissing && Counters.GoodCount + Counters.BadCount == 0 && Counters.UncheckedCount == 0) {
        PutError("no file was verified");
        return 1;
    }
    return Counters.BadCount > 0 || (Counters.MissingCount > 0 && !IgnoreMissing) || Counters.UncheckedCount > 0 ? 1 : 0;
}

int RunVerify(const TCliArgs& Args) {
    if (Args.Operands.size() != 2)
        return CliUsageError(VerifyCommand, "needs a file and a hash");
    TChecksumSession Session;
    if (const std::string Error = Session.OpenHash(Args.Operands[0], Args.Operands[1]); !Error.empty())
        return CliUsageError(VerifyCommand, Printable(Error));
    ConsoleRunView View(BuildRowRecords(Session.Items()), false, false, true);
    CheckToEnd(Session, View);
    if (const std::optional<int> Status = EndStatus(Session))
        return *Status;
    const std::int32_t State = Session.Items()[0].State;
    PutOut(std::string(StateWord(State)) + "\n");
    return State == isGood ? 0 : 1;
}

} // namespace

const TCliCommand VerifyCommand{
    .Name = "verify",
    .Synopsis = "FILE HASH",
    .Summary = "check one file against a hash: Good or Bad",
    .About = "Checks FILE against HASH, a hash pasted from a download page, and prints Good, Bad or Missing.\n"
             "The kind comes from the number of hexadecimal digits: 8 CRC-32, 32 MD5, 40 SHA-1, 64 SHA-256\n"
             "(then BLAKE3), 128 SHA-512.\n",
    .Options = {},
    .Operand = "file",
    .Footer = "Exit status: 0 Good; 1 Bad or Missing; 2 usage error (no such hash length) or a check\n"
              "stopped by an error; 130 interrupted (Ctrl+C).\n",
    .Run = RunVerify,
};

const TCliCommand CheckCommand{
    .Name = "check",
    .Synopsis = "[--quiet] [--ignore-missing] [--jobs N] LIST...",
    .Summary = "check every listed file: Good, Bad or Missing",
    .About = "Checks every file named in the lists and prints its state (Good, Bad or Missing). SFV and MD5\n"
             "lists, and the SHA-1, SHA-256, SHA-512 and BLAKE3 lists sha*sum and b3sum write (.sha1, .sha256,\n"
             ".sha512, .b3, .blake3, or any name whose lines are in their forms, such as SHA256SUMS). Lines\n"
             "not understood are reported and skipped; the signature of a clear-signed list is not verified.\n",
    .Options = CheckOptions,
    .Operand = "list file",
    .Footer = "Exit status: 0 all Good; 1 a file was Bad or Missing (with --ignore-missing: Bad, or none was\n"
              "found); 2 usage error, a list that cannot be opened, or a check stopped by an error (out of\n"
              "memory); 130 interrupted (Ctrl+C).\n",
    .Run = RunCheck,
};

} // namespace quorvane
