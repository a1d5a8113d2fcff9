#pragma once

// One session of the program: the open lists, their records and counters, and the run that checks them
// or writes a new list. The desktop window and the console tool are views over it: they fill
// ChecksumFiles, call Open, start a check with themselves as the run's view, and show what it reports.
//
// Threads: every member is called on the thread that owns the session (the user-interface thread). The
// verification worker reads and writes the records and counters between its start and end steps; the
// records are never rebuilt while a run is in progress (Open refuses). Open and Create report file
// errors as values or ListCreateError; nothing else throws except for allocation failures.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lists/ItemList.h"
#include "lists/ListWriter.h"
#include "verify/Progress.h"
#include "verify/RunView.h"

namespace quorvane {

class TcrcThread;

class TChecksumSession {
public:
    TChecksumSession();
    // A check still running is stopped as when the window closes (Close).
    ~TChecksumSession();
    TChecksumSession(const TChecksumSession&) = delete;
    TChecksumSession& operator=(const TChecksumSession&) = delete;

    // The list files to open, or open now, in order (ChecksumFiles).
    std::vector<std::string> ChecksumFiles;
    // How many files a check hashes at once: 0 one per online CPU (a rotational disk is always read one
    // file at a time); the results are committed in list order whatever it is.
    int Jobs = 0;
    // Whether Open looks up each listed file's size. A caller that checks every file at once turns it off:
    // the check's start looks the sizes up anyway, and each look-up costs a file system walk.
    bool SizesAtOpen = true;

    // Reads every list of ChecksumFiles into the item list (OpenChecksumFiles); the counters follow.
    // Returns the error of a list that could not be read ("Cannot open file %s"), empty when all were
    // read. After a failure the records of the lists before it stay, but the caption and the kinds stay
    // those of the last successful open. Refused while a run is in progress.
    std::string Open();
    // Lines of the lists last opened that fit no form of their kind: "<list>:<line>: <the line>".
    const std::vector<std::string>& OpenProblems() const { return Problems; }

    // Makes a one-entry list of FileName against a hash the user pasted: its kind comes from its number of
    // hexadecimal digits (KindsOfHash; 64 digits are tried as SHA-256, then as BLAKE3). Returns "Not a
    // hash: ..." when it has none of those lengths; blanks around it do not count, nor what follows a
    // blank after a hash (a line copied from a list: "digest  name"). ChecksumFiles is
    // emptied; the caption names the file. Refused while a run is in progress.
    std::string OpenHash(const std::string& FileName, std::string_view Hash);

    ItemList& Items() { return TheItems; }
    const ItemList& Items() const { return TheItems; }
    TCounters& Counters() { return TheCounters; }
    const TCounters& Counters() const { return TheCounters; }
    // The kind of the last list read (IsMd5List); each record is checked by its own list's kind.
    bool IsMd5List() const { return LastIsMd5; }
    // The window caption: AppTitle, then " - " and the name of the last list opened successfully.
    const std::string& Caption() const { return TheCaption; }

    // Starts a check over the rows of View (all, or the selection), returning at once (StartCheck).
    // View and Progress must outlive the run. Nothing happens while a run is in progress.
    void StartCheck(RunView& View, TProgress& Progress);
    // True while a check has not ended.
    bool Running() const;
    // Asks the running check, or creation, to stop after its current chunk (CrcAbort).
    void Abort();
    // Waits for the check to end, serving its view on this thread meanwhile (console tool, tests).
    void Wait();
    // The run's view reported its end: the finished run object is released.
    void ReleaseFinishedRun();
    // The window closes: a running check stops after its current chunk, skips its end-of-run work and is
    // waited for, so no record is freed under it and nothing more reaches the view.
    void Close();
    // Why the last check ended early (out of memory), empty when it did not.
    std::string RunFailure() const;

    // Writes a new list (CreateChecksumFile); refused while a check runs. Throws ListCreateError.
    TCreateResult Create(const TCreateRequest& Request, TCreateHooks& Hooks);

private:
    ItemList TheItems;
    TCounters TheCounters;
    bool LastIsMd5 = false;
    std::string TheCaption;
    std::unique_ptr<TcrcThread> Run;
    std::string LastFailure;
    std::vector<std::string> Problems;
};

} // namespace quorvane
