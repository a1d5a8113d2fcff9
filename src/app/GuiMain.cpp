// The desktop program: one main window and the event loop. The command line is handled by the window
// once the loop runs.
//
// QUORVANE_SCREENSHOT_DIR (used by scripts/screenshots.sh): the list named as argument is opened but not
// checked, the window saved as before.png, then the list checked and the window saved as after.png, and
// the program quits.

#include <algorithm>
#include <string>
#include <vector>

#include <QApplication>
#include <QTimer>

#include "ui/MainDlg.h"

using namespace quorvane;

namespace {

void ScreenshotTour(TFrmMain& Frm, const std::string& List, const QString& Dir) {
    Frm.Session().ChecksumFiles.assign(1, List);
    Frm.OpenChecksumFiles();
    QTimer::singleShot(800, &Frm, [&Frm, Dir] {
        Frm.grab().save(Dir + "/check-mode-before.png");
        Frm.StartCheck();
        auto* Poll = new QTimer(&Frm);
        QObject::connect(Poll, &QTimer::timeout, &Frm, [&Frm, Dir, Poll] {
            if (Frm.Running())
                return;
            Poll->stop();
            QTimer::singleShot(500, &Frm, [&Frm, Dir] {
                Frm.grab().save(Dir + "/check-mode-after.png");
                QApplication::quit();
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
