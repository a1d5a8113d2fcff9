// The desktop program: one main window and the event loop. The command line is handled by the window
// once the loop runs.
//
// QUORVANE_SCREENSHOT_DIR (used by scripts/screenshots.sh): the list named as argument is opened but not
// checked, the window saved as before.png, then the list checked and the window saved as after.png, and
// the program quits.

#include <QApplication>
#include <QFile>
#include <QTimer>

#include "ui/MainDlg.h"

namespace {

void ScreenshotTour(TFrmMain& Frm, const QString& List, const QString& Dir) {
    Frm.ChecksumFiles.assign(1, QFile::encodeName(List).toStdString());
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
    QStringList Arguments = QApplication::arguments();
    Arguments.removeFirst();

    const QString ShotDir = qEnvironmentVariable("QUORVANE_SCREENSHOT_DIR");
    const bool Tour = !ShotDir.isEmpty() && !Arguments.isEmpty();
    TFrmMain Frm(Tour ? QStringList{} : Arguments);
    Frm.show();
    if (Tour)
        QTimer::singleShot(300, &Frm,
                           [&Frm, List = Arguments.first(), ShotDir] { ScreenshotTour(Frm, List, ShotDir); });
    return QApplication::exec();
}
