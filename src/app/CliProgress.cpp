#include "app/CliProgress.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "checksum/Crc32.h"

namespace quorvane {

namespace {

std::atomic<bool> Interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the interrupt handler needs a lock-free flag");

extern "C" void OnInterrupt(int) {
    Interrupted.store(true);
    CrcAbort.store(true);
}

constexpr std::uint32_t RedrawMs = 50;

} // namespace

CliProgressLine::CliProgressLine() : OnTerminal(::isatty(STDERR_FILENO) == 1) {}

CliProgressLine::~CliProgressLine() { Clear(); }

void CliProgressLine::Show(const TProgressFigures& Figures, bool Force) {
    if (!OnTerminal)
        return;
    const std::uint32_t Now = SystemTick();
    if (!Force && EverDrawn && Now - LastDraw < RedrawMs)
        return;
    LastDraw = Now;
    EverDrawn = true;
    std::string Line = "File " + std::to_string(Figures.FileBar) + "%  Total " + std::to_string(Figures.TotalBar) + "%";
    if (!Figures.RateText.empty())
        Line += "  " + Figures.RateText;
    if (!Figures.TimeText.empty())
        Line += "  " + Figures.TimeText;
    std::fprintf(stderr, "\r%s\033[K", Line.c_str());
    std::fflush(stderr);
    Drawn = true;
}

void CliProgressLine::Clear() {
    if (!OnTerminal || !Drawn)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    Drawn = false;
}

void InstallCliSignalHandlers() {
    struct sigaction Action {};
    Action.sa_handler = OnInterrupt;
    sigemptyset(&Action.sa_mask);
    Action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &Action, nullptr);
    ::signal(SIGXFSZ, SIG_IGN);
}

bool CliInterrupted() { return Interrupted.load(); }

} // namespace quorvane
