// Figures of the desktop program, each against its baseline in the same run:
//   1. a list of 100,000 entries: the window's Open (read + rows + first paint) against the core's reading;
//   2. checks of 2,000 small files and of one 1 GiB file: the longest stall of the event loop (a 1 ms
//      QTimer probe) and the check's time (best of three, without the probe) against
//      `quorvane-cli check --quiet` on the same list;
//   3. creation from the window (creation mode, the folder shown and every file selected, then Create
//      through the save dialog) of an SFV and an MD5 list over one 1 GiB file and over 2,000 files of
//      512 KiB: the time from Create to its return (best and median of several runs, after one untimed
//      run, page cache warm) against `quorvane-cli create` on the same folder, the longest stall of the
//      event loop during the creation (a 1 ms precise QTimer probe, in runs of their own), and the
//      window's list against the console's (the same lines apart from the header's time).
// Usage: GuiBench [--big-mib N] [--runs N] [--create-only]. --big-mib sizes the single large file of 2
// and 3 (default 1024), --runs the timed creation runs (default 5), --create-only skips 1 and 2.
// Runs offscreen unless QT_QPA_PLATFORM says otherwise. Exits with 1 when a creation went wrong (a box
// shown, a list missing or different from the console's).

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTableView>
#include <QTimer>

#include "lists/ListReader.h"
#include "shell/ShellBrowser.h"
#include "ui/DialogSeam.h"
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
    double MaxGapAtMs = 0; // where the longest gap began (ProbeCall only)
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

// Creation from the window -------------------------------------------------------------------------------

bool Failed = false;

void Fail(const std::string& Text) {
    std::fprintf(stderr, "GuiBench: %s\n", Text.c_str());
    Failed = true;
}

double Median(std::vector<double> V) {
    std::sort(V.begin(), V.end());
    const std::size_t N = V.size();
    return N == 0 ? 0 : N % 2 ? V[N / 2] : (V[N / 2 - 1] + V[N / 2]) / 2;
}

// The dialogs of a creation run, answered at once: the save dialog gives Target (of the kind FilterIndex),
// an existing list is replaced, and every box that would have been shown is kept for the report.
class TBenchDialogs final : public TDialogSeam {
public:
    QString Target;
    int FilterIndex = 1;
    QStringList Shown;

    bool Question(QWidget*, const QString&, const QString&, TButtons) override { return true; }
    void Information(QWidget*, const QString& Title, const QString& Text) override { Shown << Title + ": " + Text; }
    void Error(QWidget*, const QString& Title, const QString& Text) override { Shown << Title + ": " + Text; }
    QStringList OpenFileNames(QWidget*, const TOpenRequest&) override { return {}; }
    QString SaveFileName(QWidget*, TSaveRequest& Request) override {
        Request.FilterIndex = FilterIndex;
        return Target;
    }
    int Exec(QDialog&) override { return QDialog::Rejected; }
};

// Bytes that neither compress nor repeat, different for every Seed.
void WriteDataFile(const std::string& Path, std::int64_t Bytes, std::uint64_t Seed) {
    std::ofstream F(Path, std::ios::binary);
    std::mt19937_64 Gen(Seed);
    std::vector<std::uint64_t> Block(std::min<std::int64_t>(Bytes, 1 << 20) / 8);
    for (std::int64_t Left = Bytes; Left > 0;) {
        for (std::uint64_t& W : Block)
            W = Gen();
        const std::int64_t N = std::min<std::int64_t>(Left, static_cast<std::int64_t>(Block.size() * 8));
        F.write(reinterpret_cast<const char*>(Block.data()), N);
        Left -= N;
    }
    if (!F)
        Fail("cannot write " + Path);
}

std::string Quoted(const std::string& S) {
    return "'" + S + "'";
}

// Wall time of `quorvane-cli create` as a process of its own; a failed run is reported.
double CliCreate(bool Md5, const std::string& Target, const std::string& Folder) {
    const std::string Cmd = std::string(QUORVANE_CLI_PATH) + " create " + (Md5 ? "--md5" : "--sfv") + " -o " +
                            Quoted(Target) + " --force " + Quoted(Folder) + " >/dev/null 2>&1";
    int Status = 0;
    const double T = Seconds([&] { Status = std::system(Cmd.c_str()); });
    if (Status == -1 || !WIFEXITED(Status) || WEXITSTATUS(Status) != 0)
        Fail("quorvane-cli create failed: " + Cmd);
    return T;
}

// The lines of a list without its header (the only one that holds the time of writing).
std::vector<std::string> ListLines(const std::string& Path) {
    std::ifstream F(Path, std::ios::binary);
    std::vector<std::string> Lines;
    for (std::string Line; std::getline(F, Line);)
        if (Line.rfind("; Generated by ", 0) != 0)
            Lines.push_back(Line);
    return Lines;
}

// Runs Trigger under a 1 ms precise timer: the longest time the event loop went without a tick (Trigger's
// start and return count as ticks), when in the run that gap began, and Trigger's time.
TStall ProbeCall(const std::function<void()>& Trigger) {
    TStall R;
    QElapsedTimer Clock, Gap;
    QTimer Tick;
    Tick.setTimerType(Qt::PreciseTimer);
    Tick.setInterval(1);
    const auto Note = [&] {
        const double Ms = static_cast<double>(Gap.nsecsElapsed()) / 1e6;
        if (Ms > R.MaxGapMs) {
            R.MaxGapMs = Ms;
            R.MaxGapAtMs = static_cast<double>(Clock.nsecsElapsed()) / 1e6 - Ms;
        }
        Gap.restart();
    };
    QObject::connect(&Tick, &QTimer::timeout, Note);
    Clock.start();
    Gap.start();
    Tick.start();
    Trigger();
    Note();
    R.Seconds = static_cast<double>(Clock.nsecsElapsed()) / 1e9;
    Tick.stop();
    return R;
}

// One creation case: the window shows Folder in creation mode with all of its Files selected, and Create
// writes ListDir/window.sfv (or .md5); quorvane-cli writes ListDir/cli.sfv from the same folder.
void CreateFigures(const char* What, const std::string& Folder, int Files, bool Md5, int Runs,
                   const std::string& ListDir) {
    const std::string Ext = Md5 ? ".md5" : ".sfv";
    const std::string GuiList = ListDir + "window" + Ext, CliList = ListDir + "cli" + Ext;
    TBenchDialogs Seam;
    Seam.Target = QString::fromStdString(GuiList);
    Seam.FilterIndex = Md5 ? 2 : 1;
    SetDialogs(&Seam);
    {
        TFrmMain W;
        W.show();
        QCoreApplication::processEvents();
        auto* Create = W.findChild<QAction*>("bCreate");
        auto* Check = W.findChild<QAction*>("bCheck");
        auto* SelectAll = W.findChild<QAction*>("SelectAll2");
        auto* Tree = W.findChild<TPTShellTree*>("PTShellTree1");
        auto* List = W.findChild<TPTShellList*>("PTShellList1");
        if (!Create || !Check || !SelectAll || !Tree || !List) {
            Fail("a control of creation mode is missing");
            SetDialogs(nullptr);
            return;
        }
        Create->trigger();
        if (!W.CreationMode() || Check->text() != "Create")
            Fail("bCreate did not switch to creation mode");
        if (!Tree->SetPath(QString::fromStdString(Folder)))
            Fail("the folder tree did not take " + Folder);
        while (!List->Loaded())
            List->WaitLoaded(TPTShellTree::LoadWait);
        SelectAll->trigger();
        QCoreApplication::processEvents();
        if (List->SelectedCount() != Files)
            Fail(std::string(What) + ": " + std::to_string(List->SelectedCount()) + " of " + std::to_string(Files) +
                 " files selected");

        // Pending repaints of the window are not the next run's business.
        const auto CreateNow = [&] {
            QCoreApplication::processEvents();
            return Seconds([&] { Check->trigger(); });
        };
        // Untimed: page cache, the kernels' first use, the console's libraries.
        CreateNow();
        CliCreate(Md5, CliList, Folder);
        std::vector<double> Gui, Cli;
        TStall Stall;
        for (int Run = 0; Run < Runs; ++Run) {
            Cli.push_back(CliCreate(Md5, CliList, Folder));
            Gui.push_back(CreateNow());
        }
        // The stalls in runs of their own: the probe's ticks are not part of the timed runs.
        for (int Run = 0; Run < std::min(Runs, 3); ++Run) {
            QCoreApplication::processEvents();
            if (const TStall R = ProbeCall([&] { Check->trigger(); }); R.MaxGapMs > Stall.MaxGapMs)
                Stall = R;
        }

        for (const QString& Text : Seam.Shown)
            Fail(std::string(What) + ": the window showed \"" + Text.toStdString() + "\"");
        const std::vector<std::string> GuiLines = ListLines(GuiList), CliLines = ListLines(CliList);
        const auto Entries = std::count_if(GuiLines.begin(), GuiLines.end(),
                                           [](const std::string& L) { return !L.empty() && L[0] != ';'; });
        const bool Same = !GuiLines.empty() && GuiLines == CliLines;
        if (Entries != Files)
            Fail(std::string(What) + ": " + GuiList + " holds " + std::to_string(Entries) + " entries, not " +
                 std::to_string(Files));
        if (!Same)
            Fail(std::string(What) + ": " + GuiList + " and " + CliList + " differ beyond the header");

        const double BestGui = *std::min_element(Gui.begin(), Gui.end());
        const double BestCli = *std::min_element(Cli.begin(), Cli.end());
        const double Ratio = BestGui / BestCli, MedianRatio = Median(Gui) / Median(Cli);
        const bool Pass = Ratio <= 1.10 && Stall.MaxGapMs <= 50 && Same && Entries == Files && Seam.Shown.isEmpty();
        std::printf("%-28s window %.3f s (median %.3f), quorvane-cli create %.3f s (median %.3f), ratio %.2f "
                    "(medians %.2f; target <= 1.10); longest event-loop stall %.1f ms at %.0f ms of %.0f ms (target "
                    "<= 50); lists %s; %s\n",
                    What, BestGui, Median(Gui), BestCli, Median(Cli), Ratio, MedianRatio, Stall.MaxGapMs,
                    Stall.MaxGapAtMs, Stall.Seconds * 1000, Same ? "match" : "DIFFER",
                    Pass                                  ? "PASS"
                    : !Same || Entries != Files           ? "FAILED"
                    : Ratio > 1.10 && Stall.MaxGapMs > 50 ? "over target (time and stall)"
                    : Ratio > 1.10                        ? "over target (time)"
                    : Stall.MaxGapMs > 50                 ? "over target (stall)"
                                                          : "FAILED (a box was shown)");
        std::fflush(stdout);
    }
    SetDialogs(nullptr);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    long BigMiB = 1024;
    int Runs = 5;
    bool CreateOnly = false;
    for (int I = 1; I < argc; ++I) {
        const std::string Arg = argv[I];
        if (Arg == "--big-mib" && I + 1 < argc)
            BigMiB = std::atol(argv[++I]);
        else if (Arg == "--runs" && I + 1 < argc)
            Runs = std::max(1, std::atoi(argv[++I]));
        else if (Arg == "--create-only")
            CreateOnly = true;
    }

    const fs::path Dir = fs::temp_directory_path() / ("quorvane-guibench-" + std::to_string(::getpid()));
    fs::create_directories(Dir);
    const std::string Folder = Dir.string() + "/";

    if (!CreateOnly) {
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
        std::printf("%-28s window %.3f s, core reading %.3f s, ratio %.2f (target <= 1.50)\n", "open 100,000 entries",
                    Gui, Core, Gui / Core);
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
    }

    // 3. Creation from the window. The lists go to a folder of their own, so neither the window's
    // selection nor the console's folder scan ever sees them.
    {
        const std::string One = Folder + "create-one/", Many = Folder + "create-many/", Lists = Folder + "created/";
        for (const std::string& D : {One, Many, Lists})
            fs::create_directories(D);
        WriteDataFile(One + "one.bin", static_cast<std::int64_t>(BigMiB) << 20, 1);
        for (int I = 0; I < 2000; ++I) {
            char Name[16];
            std::snprintf(Name, sizeof Name, "f%04d.bin", I);
            WriteDataFile(Many + Name, 512 << 10, 100 + static_cast<std::uint64_t>(I));
        }
        // Written back before anything is timed; the pages stay in the cache.
        ::sync();
        const std::string Big = BigMiB % 1024 == 0 ? "one " + std::to_string(BigMiB / 1024) + " GiB file"
                                                   : "one " + std::to_string(BigMiB) + " MiB file";
        CreateFigures(("create SFV, " + Big).c_str(), One, 1, false, Runs, Lists);
        CreateFigures("create SFV, 2,000 x 512 KiB", Many, 2000, false, Runs, Lists);
        CreateFigures(("create MD5, " + Big).c_str(), One, 1, true, Runs, Lists);
        CreateFigures("create MD5, 2,000 x 512 KiB", Many, 2000, true, Runs, Lists);
    }

    fs::remove_all(Dir);
    return Failed ? 1 : 0;
}
