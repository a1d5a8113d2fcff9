#pragma once

// Progress figures of a hashing run (checking or creation): the two bar positions, the throughput text
// and the time-left text, computed from the run counters after every chunk.
//
// Threads: the counters belong to the thread that hashes (the worker during a check, the user-interface
// thread during creation); the run's starter sets them while no chunk is being counted. Latest() may be
// called from any thread: the display applies the newest figures, however many updates it skipped.
// Nothing here throws except for allocation failures.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "checksum/Crc32.h"
#include "checksum/RoundHalfEven.h"
#include "util/LocaleFormat.h"

namespace quorvane {

// Milliseconds of a monotonic clock, wrapping at 2^32 like a system tick count.
using TTickSource = std::function<std::uint32_t()>;

// The monotonic clock in milliseconds, truncated to 32 bits.
std::uint32_t SystemTick();

// Whole seconds from StartTick to Now (unsigned 32-bit difference), halves to the even neighbour.
std::int64_t ElapsedSeconds(std::uint32_t StartTick, std::uint32_t Now);

// "2 hours 2 minutes 2 seconds", "1 hour 0 minutes 0 seconds", "1 minutes 1 seconds", "0 seconds".
std::string DurationText(std::int64_t Seconds);

// "Complete in " and the duration of the run from StartTick to Now.
std::string CompleteText(std::uint32_t StartTick, std::uint32_t Now);

// "(12.34 MB/s)": megabytes (2^20 bytes) per second with two decimals and the locale's decimal separator.
std::string RateText(double KiBPerSecond, const LocaleFormat& Locale = {});

// What one UpdateProgress call changed; fields whose flag is false keep their previous value on screen.
struct TProgressChange {
    bool FileBarChanged = false;   // FileProgressBar moves to FileBar
    int FileBar = 0;               // 0..100
    bool TotalBarChanged = false;  // TotalProgressBar moves to TotalBar
    int TotalBar = 0;              // 0..100 and beyond when files grew
    bool TextsChanged = false;     // Label1 and Label7 get RateText and TimeText
    std::string RateText;          // "(%1.2f MB/s)"
    std::string TimeText;          // "Estimated Time Left: " + duration

    bool Any() const { return FileBarChanged || TotalBarChanged || TextsChanged; }  // something to show
};

// What the progress panel should show now. Serial grows with every change, so a display can skip
// figures it has already applied.
struct TProgressFigures {
    std::uint64_t Serial = 0;  // 0 before the first change
    int FileBar = 0;           // FileProgressBar
    int TotalBar = 0;          // TotalProgressBar
    std::string RateText;      // Label1
    std::string TimeText;      // Label7
};

// How a run ended, for the text under the total bar.
enum class TRunEnd {
    Completed,        // "Complete in " and the duration
    AbortedClear,     // a check was aborted: the text is emptied
    AbortedKeepText   // a creation was aborted: the text stays as it was
};

class TProgress {
public:
    explicit TProgress(TTickSource Tick = SystemTick, LocaleFormat Locale = {});

    // The progress handler: counts the chunk's bytes and works out what the panel shows.
    TProgressChange UpdateProgress(std::uint8_t Percent, std::int32_t ChunkBytes);
    // A callback for CrcOnProgress that calls UpdateProgress on this object (which must outlive its use).
    TCrcProgressEvent Handler();

    // Start of a run: TotalBytes set, BytesDone 0, StartTick now, both bars 0.
    void BeginRun(std::int64_t TotalBytes);
    // End of a run: both bars 100 and the text under the total bar as How says.
    void EndRun(TRunEnd How);
    // Texts may be refreshed from the next chunk on (NextTextTick := now).
    void ResetTextTick() { NextTextTick = Tick(); }

    // The latest figures, for the thread that paints them.
    TProgressFigures Latest() const;
    // Called on the hashing thread after the figures changed (to post one coalesced repaint); may be empty.
    void SetOnChange(std::function<void()> Callback) { OnChange = std::move(Callback); }
    // Whether the panel is shown ("ShowProgress"); while hidden only the bytes are counted.
    void SetVisible(bool Visible) { PanelVisible = Visible; }
    bool Visible() const { return PanelVisible; }
    void SetLocale(const LocaleFormat& Value) { Locale = Value; }  // decimal separator of the rate text
    std::uint32_t Now() const { return Tick(); }                   // the current tick of the tick source

    std::int64_t TotalBytes = 0;       // bytes the run expects to read
    std::int64_t BytesDone = 0;        // bytes read so far in the run
    std::uint32_t StartTick = 0;       // origin of the elapsed time
    std::uint32_t NextTextTick = 0;    // texts are not refreshed until the tick passes it
    std::int32_t LastFilePos = 0;      // last value given to the file bar
    std::int32_t LastTotalPos = 0;     // last value given to the total bar

private:
    void Publish(const TProgressChange& Change);
    void PublishFigures(int FileBar, int TotalBar, const std::string* Time);

    TTickSource Tick;
    LocaleFormat Locale;
    std::atomic<bool> PanelVisible{true};
    std::function<void()> OnChange;
    mutable std::mutex FiguresLock;
    TProgressFigures Figures;
};

} // namespace quorvane
