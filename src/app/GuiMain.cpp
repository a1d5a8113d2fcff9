// The desktop program: one main window and the event loop. The command line is handled by the window
// once the loop runs.
//
// QUORVANE_SCREENSHOT_DIR (used by scripts/screenshots.sh): the list named as argument is opened but not
// checked, the window saved as check-mode-before.png, then the list checked and the window saved as
// check-mode-after.png; then creation mode in the list's folder with its pictures selected
// (creation-mode-browser.png), and a new list of them written, the window saved half-way
// (creation-mode-running.png). Then the program quits.

#include <algorithm>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QProgressBar>
#include <QTimer>

#include "checksum/Crc32.h"
#include "shell/ShellBrowser.h"

#include "ui/MainDlg.h"

using namespace quorvane;

namespace {

void CreationTour(TFrmMain& Frm, const std::string& List, const QString& Dir) {
    const QString Folder = QString::fromStdString(List.substr(0, List.rfind('/')));
    Frm.findChild<QAction*>("bCreate")->trigger();
    Frm.findChild<TPTShellTree*>("PTShellTree1")->SetPath(Folder);
    auto* Files = Frm.findChild<TPTShellList*>("PTShellList1");
    for (int I = 0; I < Files->ItemCount(); ++I)
        Files->SetItemSelected(I, Files->ListData(I)->FileName().endsWith(".jpg"));
    QTimer::singleShot(500, &Frm, [&Frm, Dir, Folder] {
        Frm.grab().save(Dir + "/creation-mode-browser.png");
        // Small reads, so the run lasts long enough to be seen half-way.
        CrcBufSize = 16;
        auto* Watch = new QTimer(&Frm);
        QObject::connect(Watch, &QTimer::timeout, &Frm, [&Frm, Dir, Watch] {
            if (Frm.findChild<QProgressBar*>("TotalProgressBar")->value() < 40)
                return;
            Watch->stop();
            Frm.grab().save(Dir + "/creation-mode-running.png");
        });
        Watch->start(1);
        Frm.CreateChecksumFile((Folder + "/Pictures.sfv").toStdString());
        QTimer::singleShot(300, &Frm, [] { QApplication::quit(); });
    });
}

void ScreenshotTour(TFrmMain& Frm, const std::string& List, const QString& Dir) {
    Frm.Session().ChecksumFiles.assign(1, List);
    Frm.OpenChecksumFiles();
    QTimer::singleShot(800, &Frm, [&Frm, List, Dir] {
        Frm.grab().save(Dir + "/check-mode-before.png");
        Frm.StartCheck();
        auto* Poll = new QTimer(&Frm);
        QObject::connect(Poll, &QTimer::timeout, &Frm, [&Frm, List, Dir, Poll] {
            if (Frm.Running())
                return;
            Poll->stop();
            QTimer::singleShot(500, &Frm, [&Frm, List, Dir] {
                Frm.grab().save(Dir + "/check-mode-after.png");
                CreationTour(Frm, List, Dir);
            });
        });
        Poll->start(50);
    });
}

} // namespace

int main(int argc, char** argv) {
    QApplication App(argc, argv);
    QApplication::setApplicationName("Quorvane");
    // The arguments as bytes (Qt has taken out its own options): a path reaches the window unchanged,
    // whatever its encoding.
    std::vector<std::string> Arguments(argv + std::min(argc, 1), argv + argc);

    const QString ShotDir = qEnvironmentVariable("QUORVANE_SCREENSHOT_DIR");
    const bool Tour = !ShotDir.isEmpty() && !Arguments.empty();
    TFrmMain Frm(Tour ? std::vector<std::string>{} : Arguments);
    Frm.show();
    if (Tour)
        QTimer::singleShot(300, &Frm,
                           [&Frm, List = Arguments.front(), ShotDir] { ScreenshotTour(Frm, List, ShotDir); });
    return QApplication::exec();
}
