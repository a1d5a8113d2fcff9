#include "ui/DialogSeam.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>
#include <QWidget>

namespace quorvane {

namespace {

class TDefaultDialogs final : public TDialogSeam {
public:
    bool Question(QWidget* Parent, const QString& Title, const QString& Text, TButtons Buttons) override {
        auto Yes = Buttons == TButtons::YesNo ? QMessageBox::Yes : QMessageBox::Ok;
        auto No = Buttons == TButtons::YesNo ? QMessageBox::No : QMessageBox::Cancel;
        return QMessageBox::question(Parent, Title, Text, Yes | No, Yes) == Yes;
    }
    void Information(QWidget* Parent, const QString& Title, const QString& Text) override {
        QMessageBox::information(Parent, Title, Text);
    }
    void Error(QWidget* Parent, const QString& Title, const QString& Text) override {
        QMessageBox::critical(Parent, Title, Text);
    }
    QStringList OpenFileNames(QWidget* Parent, const TOpenRequest& R) override {
        QFileDialog Dlg(Parent);
        Dlg.setAcceptMode(QFileDialog::AcceptOpen);
        Dlg.setFileMode(QFileDialog::ExistingFiles);
        // Qt's own dialog, so it can be placed before it is first drawn.
        Dlg.setOption(QFileDialog::DontUseNativeDialog);
        Dlg.setNameFilters(R.NameFilters);
        Dlg.setDefaultSuffix(R.DefaultSuffix);
        if (!R.Directory.isEmpty())
            Dlg.setDirectory(R.Directory);
        if (!R.FileName.isEmpty())
            Dlg.selectFile(R.FileName);
        QScreen* Screen =
            Parent && Parent->window()->screen() ? Parent->window()->screen() : QGuiApplication::primaryScreen();
        if (Screen)
            Dlg.setGeometry(OpenDialogGeometry(Screen->geometry(), Dlg.sizeHint().expandedTo({640, 420})));
        return Dlg.exec() == QDialog::Accepted ? Dlg.selectedFiles() : QStringList{};
    }
    QString SaveFileName(QWidget* Parent, TSaveRequest& R) override {
        QFileDialog Dlg(Parent);
        Dlg.setAcceptMode(QFileDialog::AcceptSave);
        Dlg.setFileMode(QFileDialog::AnyFile);
        Dlg.setOption(QFileDialog::DontUseNativeDialog);
        // The caller adds the kind's extension and asks about the name it will really write.
        Dlg.setOption(QFileDialog::DontConfirmOverwrite);
        Dlg.setNameFilters(R.NameFilters);
        if (R.FilterIndex >= 1 && R.FilterIndex <= R.NameFilters.size())
            Dlg.selectNameFilter(R.NameFilters[R.FilterIndex - 1]);
        if (!R.Directory.isEmpty())
            Dlg.setDirectory(R.Directory);
        if (Dlg.exec() != QDialog::Accepted || Dlg.selectedFiles().isEmpty())
            return {};
        if (const qsizetype Chosen = R.NameFilters.indexOf(Dlg.selectedNameFilter()); Chosen >= 0)
            R.FilterIndex = static_cast<int>(Chosen) + 1;
        return Dlg.selectedFiles().first();
    }
    int Exec(QDialog& Dialog) override { return Dialog.exec(); }
};

TDefaultDialogs DefaultDialogs;
TDialogSeam* Current = nullptr;

} // namespace

void TDialogSeam::OpenUrl(const QUrl& Url) {
    QDesktopServices::openUrl(Url);
}

TDialogSeam& Dialogs() {
    return Current ? *Current : DefaultDialogs;
}

void SetDialogs(TDialogSeam* Seam) {
    Current = Seam;
}

void ShowGeneralError(const QString& Text) {
    Dialogs().Error(QApplication::activeWindow(), "Quorvane", Text);
}

QStringList QtNameFilters(const QString& Filter) {
    QStringList Parts = Filter.split('|');
    QStringList Out;
    for (qsizetype I = 0; I + 1 < Parts.size(); I += 2) {
        QString Description = Parts[I];
        if (qsizetype P = Description.lastIndexOf(" ("); P >= 0 && Description.endsWith(')'))
            Description.truncate(P);
        QStringList Patterns = Parts[I + 1].split(';', Qt::SkipEmptyParts);
        for (QString& Pattern : Patterns)
            if (Pattern == "*.*")
                Pattern = "*";
        Out << Description + " (" + Patterns.join(' ') + ")";
    }
    return Out;
}

QRect OpenDialogGeometry(const QRect& Monitor, const QSize& Dialog) {
    int Left = Monitor.left() + (Monitor.width() - Dialog.width()) / 2;
    int Top = Monitor.top() + 40 + (Monitor.height() - Dialog.height()) / 3;
    return {QPoint(Left, Top), Dialog};
}

} // namespace quorvane
