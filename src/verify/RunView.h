#pragma once

// What a verification run needs from the window that shows it. The desktop program implements it on
// its list view and progress panel, the console tool on standard output and its progress line, the
// tests on plain vectors.
//
// Threads: WakeUiThread is called on the worker thread; every other member is called on the
// user-interface thread only (inside BeginRun, EndRun, or while pending display changes are served).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "lists/ItemRows.h"
#include "verify/Progress.h"

namespace quorvane {

class RunView {
public:
    virtual ~RunView() = default;

    // Worker thread: ask the user-interface thread to call Serve soon (a queued call). Serve is safe to
    // call at any time, also after the run object is gone (it then does nothing). Urgent: the worker
    // waits for it (BeginRun, EndRun), so it should not be held back to pace display changes. The
    // console tool, whose main thread waits in TcrcThread::Wait, may ignore it.
    virtual void WakeUiThread(std::function<void()> Serve, bool Urgent) = 0;

    // The rows of the list view, as built by BuildRows (in item-list order); not rebuilt while a run is in
    // progress. RowRecord: the record of a row, nullptr for headers and separators. While BeginRun runs,
    // RowRecord is also called by threads it starts and waits for (a long list's look-ups are shared).
    virtual std::size_t RowCount() const = 0;
    virtual TItemRec* RowRecord(std::int32_t Row) const = 0;
    // Indexes of the selected rows, ascending.
    virtual std::vector<std::int32_t> SelectedRows() const = 0;

    // Enables or disables bOpen, bCheck, bCreate, bDisplay and the drop target.
    virtual void SetCommandsEnabled(bool Enabled) = 0;
    // Sets FileProgressBar and TotalProgressBar (0 at a run's start, 100 at its end).
    virtual void SetProgressBars(std::int32_t FilePos, std::int32_t TotalPos) = 0;
    // Applies the latest progress figures of the run (TProgress::Latest; Serial tells new from seen).
    virtual void ShowProgress(const TProgressFigures& Figures) = 0;
    // Sets Label7: "Complete in " and a duration after a completed run, empty after an aborted one.
    virtual void SetCompletionText(const std::string& Text) = 0;

    // The row now shows image Image (the record's State; 1 Unchecked ... 4 Good).
    virtual void RowImageChanged(std::int32_t Row, std::int32_t Image) = 0;
    // The row's Size column follows Size (ItemSizeText in the view's size mode; -1 gives "Not Found").
    virtual void RowSizeChanged(std::int32_t Row, std::int64_t Size) = 0;
    // Scrolls the row fully into view.
    virtual void ScrollIntoView(std::int32_t Row) = 0;
    // The counters changed: repaint the status bar.
    virtual void RepaintStatusBar() = 0;

    // The run ended early because of an error (out of memory): its text. Called in EndRun.
    virtual void RunFailed(const std::string& Text) { (void)Text; }

    // The worker has ended after EndRun; the owner may now destroy the run (not called while the owner
    // waits in TcrcThread::Wait, nor when the window is closing).
    virtual void RunEnded() {}
};

} // namespace quorvane
