#pragma once

// GUI test helpers: a dialog seam recording every box and answering from prepared replies, a drop, a control by name.

#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "checksum/Crc32.h"
#include "settings/ScratchRegistry.h"
#include "ui/DialogSeam.h"
#include "ui/uDragFilesTrg.h"

using namespace quorvane;

// Failures show texts as texts.
inline void PrintTo(const QString& Text, std::ostream* Out) {
    *Out << '"' << Text.toStdString() << '"';
}

class FakeDialogs : public TDialogSeam {
public:
    FakeDialogs() { SetDialogs(this); }
    ~FakeDialogs() override { SetDialogs(nullptr); }

    bool Question(QWidget*, const QString& Title, const QString& Text, TButtons) override {
        Questions << Title + "|" + Text;
        return !Answers.isEmpty() && Answers.takeFirst();
    }
    void Information(QWidget*, const QString&, const QString& Text) override { Infos << Text; }
    void Error(QWidget*, const QString& Title, const QString& Text) override { Errors << Title + "|" + Text; }
    QStringList OpenFileNames(QWidget*, const TOpenRequest& Request) override {
        OpenRequests.push_back(Request);
        return Chosen.isEmpty() ? QStringList{} : Chosen.takeFirst();
    }
    QString SaveFileName(QWidget*, TSaveRequest& Request) override {
        SaveRequests.push_back(Request);
        if (Saved.isEmpty())
            return {};
        const auto [Name, Index] = Saved.takeFirst();
        Request.FilterIndex = Index;
        return Name;
    }
    int Exec(QDialog& Dialog) override { return OnExec ? OnExec(Dialog) : QDialog::Rejected; }
    void OpenUrl(const QUrl& Url) override { Opened << Url; }

    QList<bool> Answers;       // replies to Question, in order (No when none is left)
    QList<QStringList> Chosen; // replies to OpenFileNames (cancel when none is left)
    QList<std::pair<QString, int>> Saved;        // replies to SaveFileName: name and filter index (cancel when none)
    std::function<int(QDialog&)> OnExec;         // runs our own modal dialogs (rejects when unset)
    std::vector<TSaveRequest> SaveRequests;
    QStringList Questions, Infos, Errors;
    std::vector<TOpenRequest> OpenRequests;
    QList<QUrl> Opened; // addresses given to the desktop, in order
};

// Drags Items (paths or URLs) into Target and drops them at At, running no posted event; true when accepted.
inline bool SendDrop(QWidget* Target, const QStringList& Items, QPoint At = {50, 50}) {
    QMimeData Data;
    for (const QString& Item : Items)
        Data.setUrls(Data.urls() << QUrl::fromUserInput(Item));
    QDragEnterEvent Enter(At, Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Target, &Enter);
    QDropEvent Drop(At, Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Target, &Drop);
    return Enter.isAccepted();
}

// The control (widget, action, menu) named Name inside Window; throws when there is none.
template <typename T = QAction> T* Get(const QWidget& Window, const char* Name) {
    T* Found = Window.findChild<T*>(Name);
    return Found ? Found : throw std::runtime_error(std::string("no control ") + Name);
}

// A list without its header line (which holds the time it was written).
inline std::string ListBody(const std::string& Path) {
    const std::string Text = qvtest::ReadFile(Path);
    return Text.starts_with("; Generated") ? Text.substr(Text.find('\n') + 1) : Text;
}

// A test of the main window: its own settings folder, the dialogs replaced, the read size restored afterwards.
class WindowTest : public ScratchRegistry {
protected:
    ~WindowTest() override { CrcBufSize = SavedBufSize; }
    static QString Q(const std::string& S) { return QFile::decodeName(S.c_str()); }
    // Which commands are enabled (Create, Open, Check, Display, the drop target, Abort, Options and About), and,
    // while the shell browser is shown, its tree and list.
    static QString Enabled(const QWidget& W) {
        QString Out = Get<TDragFilesTrg>(W, "DragFilesTrg1")->Enabled() ? "drop" : "";
        for (const char* Name : {"bCreate", "bOpen", "bCheck", "bDisplay", "bCancel", "bOptions", "ToolButton3"})
            Out += Get(W, Name)->isEnabled() ? QString(" ") + Name : "";
        if (Get<QWidget>(W, "PTSplitter1")->isVisible())
            for (const char* Name : {"PTShellTree1", "PTShellList1"})
                Out += Get<QWidget>(W, Name)->isEnabled() ? QString(" ") + Name : "";
        return Out;
    }
    FakeDialogs Dialogs;
    const std::int32_t SavedBufSize = CrcBufSize; // each run clears CrcAbort when it starts
};
