#include "verify/Progress.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <utility>

namespace quorvane {

std::uint32_t SystemTick() {
    const auto Since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(Since).count());
}

std::int64_t ElapsedSeconds(std::uint32_t StartTick, std::uint32_t Now) {
    return RoundHalfEven(static_cast<double>(static_cast<std::uint32_t>(Now - StartTick)) / 1000.0);
}

std::string DurationText(std::int64_t Seconds) {
    const std::int64_t H = Seconds / 3600;
    const std::int64_t M = (Seconds - H * 3600) / 60;
    const std::int64_t S = Seconds - H * 3600 - M * 60;
    if (H >= 2)
        return std::to_string(H) + " hours " + std::to_string(M) + " minutes " + std::to_string(S) + " seconds";
    if (H == 1)
        return "1 hour " + std::to_string(M) + " minutes " + std::to_string(S) + " seconds";
    if (M >= 1)
        return std::to_string(M) + " minutes " + std::to_string(S) + " seconds";
    return std::to_string(S) + " seconds";
}

std::string CompleteText(std::uint32_t StartTick, std::uint32_t Now) {
    return "Complete in " + DurationText(ElapsedSeconds(StartTick, Now));
}

std::string RateText(double KiBPerSecond, const LocaleFormat& Locale) {
    char Digits[64];
    // to_chars ignores the C library's locale, so the separator is the one we were given.
    const auto Result = std::to_chars(Digits, Digits + sizeof Digits, KiBPerSecond / 1024.0,
                                      std::chars_format::fixed, 2);
    std::string Number(Digits, Result.ec == std::errc() ? Result.ptr : Digits);
    if (const auto Dot = Number.find('.'); Dot != std::string::npos)
        Number.replace(Dot, 1, Locale.DecimalSeparator);
    return "(" + Number + " MB/s)";
}

TProgress::TProgress(TTickSource TickSource, LocaleFormat Format)
    : Tick(TickSource ? std::move(TickSource) : TTickSource(SystemTick)), Locale(std::move(Format)) {}

TProgressChange TProgress::UpdateProgress(std::uint8_t Percent, std::int32_t ChunkBytes) {
    TProgressChange Change;
    BytesDone += ChunkBytes;
    if (TotalBytes == 0 || !PanelVisible.load())
        return Change;

    const std::int32_t FilePos = std::min<std::int32_t>(Percent, 100);
    if (FilePos != LastFilePos) {
        Change.FileBarChanged = true;
        Change.FileBar = FilePos;
    }
    LastFilePos = FilePos;

    // Files that grew since their sizes were taken never take the bar past full.
    const auto Total = static_cast<std::int32_t>(std::min<std::int64_t>(
        RoundHalfEven(static_cast<double>(BytesDone) / static_cast<double>(TotalBytes) * 100.0), 100));
    if (Total != LastTotalPos) {
        Change.TotalBarChanged = true;
        Change.TotalBar = Total;
    }
    LastTotalPos = Total;

    // Compared as a signed distance so that the wrap of the 32-bit tick does not freeze the texts.
    const std::uint32_t Now = Tick();
    if (static_cast<std::int32_t>(Now - NextTextTick) > 0) {
        NextTextTick = Now + 50;
        std::int64_t Seconds = ElapsedSeconds(StartTick, Now);
        if (Seconds == 0)
            Seconds = 1;
        double Rate = static_cast<double>(BytesDone) / 1024.0 / static_cast<double>(Seconds);
        if (Rate == 0.0)
            Rate = 1.0;
        Change.TextsChanged = true;
        Change.RateText = RateText(Rate, Locale);
        // Nothing left (or more read than expected) reads as the last second, never a negative time.
        const std::int64_t Left =
            RoundHalfEven(static_cast<double>(std::max<std::int64_t>(TotalBytes - BytesDone, 0)) / Rate / 1024.0) + 1;
        Change.TimeText = "Estimated Time Left: " + DurationText(Left);
    }
    if (Change.Any())
        Publish(Change);
    return Change;
}

TCrcProgressEvent TProgress::Handler() {
    return [this](std::uint8_t Percent, std::int32_t ChunkBytes) { UpdateProgress(Percent, ChunkBytes); };
}

void TProgress::BeginRun(std::int64_t Total) {
    TotalBytes = Total;
    BytesDone = 0;
    StartTick = Tick();
    PublishFigures(0, 0, nullptr);
}

void TProgress::EndRun(TRunEnd How) {
    std::string Text;
    if (How == TRunEnd::Completed)
        Text = CompleteText(StartTick, Tick());
    PublishFigures(100, 100, How == TRunEnd::AbortedKeepText ? nullptr : &Text);
}

TProgressFigures TProgress::Latest() const {
    const std::lock_guard Guard(FiguresLock);
    return Figures;
}

void TProgress::Publish(const TProgressChange& Change) {
    {
        const std::lock_guard Guard(FiguresLock);
        if (Change.FileBarChanged)
            Figures.FileBar = Change.FileBar;
        if (Change.TotalBarChanged)
            Figures.TotalBar = Change.TotalBar;
        if (Change.TextsChanged) {
            Figures.RateText = Change.RateText;
            Figures.TimeText = Change.TimeText;
        }
        ++Figures.Serial;
    }
    if (OnChange)
        OnChange();
}

void TProgress::PublishFigures(int FileBar, int TotalBar, const std::string* Time) {
    // The bars now show these values: a later chunk must compare against them, not the previous run's.
    LastFilePos = FileBar;
    LastTotalPos = TotalBar;
    {
        const std::lock_guard Guard(FiguresLock);
        Figures.FileBar = FileBar;
        Figures.TotalBar = TotalBar;
        if (Time)
            Figures.TimeText = *Time;
        ++Figures.Serial;
    }
    if (OnChange)
        OnChange();
}

} // namespace quorvane
