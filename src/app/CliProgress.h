#pragma once

// The console tool's live progress line and its Ctrl+C handling, shared by `check` and `create`.
//
// Threads: CliProgressLine is used by the main thread only. The interrupt handler only stores to lock-free
// atomics, which is all a signal handler may do.

#include <cstdint>
#include <string>

#include "verify/Progress.h"

namespace quorvane {

// One line on standard error, redrawn in place, showing the figures of the desktop program's progress
// panel. Silent unless standard error is a terminal.
class CliProgressLine {
public:
    CliProgressLine();
    ~CliProgressLine();  // clears the line
    CliProgressLine(const CliProgressLine&) = delete;
    CliProgressLine& operator=(const CliProgressLine&) = delete;

    // Redraws with these figures, at most 20 times a second unless Force.
    void Show(const TProgressFigures& Figures, bool Force = false);
    // Removes the line so that other output can follow on a clean line; the next Show draws it again.
    void Clear();
    bool Enabled() const { return OnTerminal; }  // standard error is a terminal

private:
    bool OnTerminal = false;
    bool Drawn = false;
    std::uint32_t LastDraw = 0;
    bool EverDrawn = false;
};

// Ctrl+C (SIGINT) sets CrcAbort, so the running hash stops after its current chunk. Also makes a write
// beyond the file-size limit fail with EFBIG instead of killing the process (SIGXFSZ ignored).
void InstallCliSignalHandlers();
// True once Ctrl+C was pressed.
bool CliInterrupted();

// Exit status of an interrupted command.
inline constexpr int ExitInterrupted = 130;

} // namespace quorvane
