// Figures of the desktop program, each against its baseline in the same run:
//   1. a list of 100,000 entries: the window's Open (read + rows + first paint) against the core's reading;
//   2. checks of 2,000 small files and of one 1 GiB file: the longest stall of the event loop (a 1 ms
//      QTimer probe) and the check's time (best of three, without the probe) against
//      `quorvane-cli check --quiet` on the same list.
// Usage: GuiBench [--big-mib N] (default 1024). Runs offscreen unless QT_QPA_PLATFORM says otherwise.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTimer>

#include "lists/ListReader.h"
#include "ui/MainDlg.h"

using namespace quorvane;

namespace fs = std::filesystem;

namespace {

double Seconds(const std::function<void()>& F) {
    auto T0 = std::chrono::steady_clock::now();
    F();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count();
}

double Best(int Runs, const std::function<void()>& F) {
    double B = 1e9;
    for (int I = 0; I < Runs; ++I)
        B = std::min(B, Seconds(F));
    return B;
}

// Longest gap between two ticks of a 1 ms timer while Busy() holds, and the time until it stops holding.
struct TStall {
    double MaxGapMs = 0;
    double Seconds = 0;
};
TStall Probe(const std::function<void()>& Start, const std::function<bool()>& Busy, bool Ticks) {
    TStall R;
    QElapsedTimer Clock, Gap;
    QTimer Tick;
    Tick.setInterval(1);
    QObject::connect(&Tick, &QTimer::timeout, [&] {
        R.MaxGapMs = std::max(R.MaxGapMs, static_cast<double>(Gap.nsecsElapsed()) / 1e6);
        Gap.restart();
    });
    Clock.start();
    Gap.start();
    if (Ticks)
        Tick.start();
    Start();
    // A blocking event loop, as in the program: the user-interface thread sleeps between events.
    QEventLoop Loop;
    QTimer Done;
    QObject::connect(&Done, &QTimer::timeout, [&] {
        if (!Busy())
            Loop.quit();
    });
    Done.start(2);
    Loop.exec();
    R.Seconds = static_cast<double>(Clock.nsecsElapsed()) / 1e9;
    Tick.stop();
    return R;
}

double CliCheck(const std::string& List) {
    const std::string Cmd = std::string(QUORVANE_CLI_PATH) + " check --quiet '" + List + "' >/dev/null 2>&1";
    return Seconds([&] { (void)std::system(Cmd.c_str()); });
}

void CheckFigures(const char* What, const std::string& List) {
    TFrmMain W;
    W.show();
    W.Session().ChecksumFiles = {List};
    W.OpenChecksumFiles();
    double Cli = 1e9, Gui = 1e9, Stall = 0;
    // Times without the probe (it wakes the user-interface thread every millisecond); stalls with it.
    for (int Run = 0; Run < 3; ++Run) {
        Cli = std::min(Cli, CliCheck(List));
        Gui = std::min(Gui, Probe([&] { W.StartCheck(); }, [&] { return W.Running(); }, false).Seconds);
        Stall = std::max(Stall, Probe([&] { W.StartCheck(); }, [&] { return W.Running(); }, true).MaxGapMs);
    }
    std::printf("%-28s check %.3f s, quorvane-cli check %.3f s, ratio %.2f (target <= 1.10); "
                "longest event-loop stall %.1f ms (target <= 50)\n",
                What, Gui, Cli, Gui / Cli, Stall);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    long BigMiB = 1024;
    for (int I = 1; I + 1 < argc; ++I)
        if (std::string(argv[I]) == "--big-mib")
            BigMiB = std::atol(argv[I + 1]);

    const fs::path Dir = fs::temp_directory_path() / ("quorvane-guibench-" + std::to_string(::getpid()));
    fs::create_directories(Dir);
    const std::string Folder = Dir.string() + "/";

    // 1. 100,000 entries (half of them present, so sizes are looked up for real).
    {
        std::ofstream L(Folder + "big.sfv");
        for (int I = 0; I < 100000; ++I) {
            const std::string Name = "file" + std::to_string(I) + ".bin";
            if (I % 2 == 0)
                std::ofstream(Folder + Name) << I;
            L << Name << " 0123ABCD\n";
        }
    }
    const std::vector<std::string> Lists{Folder + "big.sfv"};
    const double Core = Best(3, [&] {
        ItemList Items;
        TCounters Counters;
        bool Md5 = false;
        OpenChecksumFiles(Lists, Items, Counters, Md5);
    });
    double Gui = 1e9;
    {
        TFrmMain W;
        W.show();
        QCoreApplication::processEvents();
        Gui = Best(3, [&] {
            W.Session().ChecksumFiles = Lists;
            W.OpenChecksumFiles();
            W.findChild<QTableView*>("lv")->viewport()->repaint();
        });
    }
    std::printf("%-28s window %.3f s, core reading %.3f s, ratio %.2f (target <= 1.50)\n", "open 100,000 entries", Gui,
                Core, Gui / Core);
    for (int I = 0; I < 100000; I += 2)
        fs::remove(Folder + "file" + std::to_string(I) + ".bin");

    // 2a. 2,000 small files.
    {
        fs::create_directories(Folder + "small");
        std::ofstream L(Folder + "small/small.sfv");
        const std::string Bytes(4096, 'q');
        for (int I = 0; I < 2000; ++I) {
            const std::string Name = "s" + std::to_string(I) + ".dat";
            std::ofstream(Folder + "small/" + Name) << Bytes << I;
            L << Name << " 00000000\n";
        }
    }
    CheckFigures("check 2,000 small files", Folder + "small/small.sfv");

    // 2b. One large file.
    {
        fs::create_directories(Folder + "large");
        std::ofstream F(Folder + "large/one.bin", std::ios::binary);
        std::string Block(1 << 20, '\0');
        for (std::size_t I = 0; I < Block.size(); ++I)
            Block[I] = static_cast<char>(I * 131 + I / 7);
        for (long I = 0; I < BigMiB; ++I)
            F.write(Block.data(), static_cast<std::streamsize>(Block.size()));
        std::ofstream(Folder + "large/one.sfv") << "one.bin 00000000\n";
    }
    CheckFigures(("check one " + std::to_string(BigMiB) + " MiB file").c_str(), Folder + "large/one.sfv");

    fs::remove_all(Dir);
    return 0;
}
