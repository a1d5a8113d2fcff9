// Creation mode of the main window: the mode switch, the shell browser, the Create command with its save
// dialog, the creation run on the user-interface thread, the file list's selection menu, and the command
// line's -makesfv / -makemd5.

#include <chrono>
#include <exception>
#include <utility>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "lists/CreationRules.h"
#include "lists/ListReader.h"
#include "lists/ListWriter.h"
#include "lists/RunFlags.h"
#include "shell/ShellBrowser.h"
#include "ui/ChecksumListModel.h"
#include "ui/DialogSeam.h"
#include "ui/PathText.h"
#include "ui/MainDlg.h"
#include "ui/QVstatus.h"
#include "ui/WindowUtils.h"
#include "ui/uDragFilesTrg.h"
#include "util/FileIo.h"
#include "util/MatchMask.h"
#include "util/PathUtils.h"
#include "util/StringUtils.h"

namespace quorvane {

namespace {

// The files a list left out, for the box shown once it is written (the first few, then how many more).
QString LeftOutText(const std::vector<TLeftOut>& LeftOut) {
    constexpr std::size_t Shown = 15;
    QString Text;
    for (std::size_t I = 0; I < LeftOut.size() && I < Shown; ++I)
        Text += "\n" + PathText(LeftOut[I].Name) + " (" + QString::fromStdString(LeftOut[I].Reason) + ")";
    if (LeftOut.size() > Shown)
        Text += QString("\n... and %1 more").arg(LeftOut.size() - Shown);
    return Text;
}

} // namespace

// The window's side of a creation run: enabling, the file being hashed in sBar2, the progress panel.
class TWindowCreateHooks final : public TCreateHooks {
public:
    explicit TWindowCreateHooks(TFrmMain& Window) : Frm(Window) {}
    void RunStarting() override {
        Frm.SetCreationCommandsEnabled(false);
        Frm.SetProgressBars(0, 0);
    }
    void HashingStarting(std::int64_t TotalBytes) override { Frm.Progress.BeginRun(TotalBytes); }
    void FileStarting(const std::string& Name) override { Frm.sBar2->SetPanelText(0, PathText(Name)); }
    void RunEnded() override {
        Frm.sBar2->SetPanelText(0, QString());
        Frm.SetProgressBars(100, 100);
        Frm.SetCreationCommandsEnabled(true);
    }

private:
    TFrmMain& Frm;
};

void TFrmMain::BuildShellBrowser() {
    PTSplitter1 = new TPTSplitter(pClient);
    PTSplitter1->setObjectName("PTSplitter1");
    PTShellTree1 = new TPTShellTree(PTSplitter1);
    PTShellTree1->setObjectName("PTShellTree1");
    PTShellList1 = new TPTShellList(PTSplitter1);
    PTShellList1->setObjectName("PTShellList1");
    PTSplitter1->addWidget(PTShellTree1);
    PTSplitter1->addWidget(PTShellList1);
    PTShellTree1->SetShellList(PTShellList1);
    PTShellList1->HideTypeColumn();
    PTSplitter1->hide();
    static_cast<QVBoxLayout*>(pClient->layout())->insertWidget(1, PTSplitter1, 1);

    // The selection menu: the file list's context menu; its shortcuts work while the list has the focus.
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName("PopupMenu2");
    auto Add = [this](QAction*& Item, const char* Name, const char* Caption, const QKeySequence& Keys,
                      void (TFrmMain::*Handler)()) {
        Item = PopupMenu2->addAction(Caption);
        Item->setObjectName(Name);
        Item->setShortcut(Keys);
        Item->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        PTShellList1->addAction(Item);
        connect(Item, &QAction::triggered, this, Handler);
    };
    Add(MaskSelect1, "MaskSelect1", "Mask Select", QKeySequence(Qt::CTRL | Qt::Key_M), &TFrmMain::MaskSelect1Click);
    Add(InverseSelection1, "InverseSelection1", "Inverse Selection", QKeySequence(Qt::CTRL | Qt::Key_I),
        &TFrmMain::InverseSelection1Click);
    Add(SelectAll2, "SelectAll2", "Select All", QKeySequence(Qt::CTRL | Qt::Key_A), &TFrmMain::SelectAll2Click);
    PTShellList1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(PTShellList1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& At) { PopupMenu2->popup(PTShellList1->viewport()->mapToGlobal(At)); });
}

bool TFrmMain::CreationMode() const {
    return bCreate->text() == "Verify";
}

void TFrmMain::bCreateClick() {
    if (Running() || Busy)
        return;
    // One repaint for the whole switch.
    setUpdatesEnabled(false);
    const auto Unlock = qScopeGuard([this] { setUpdatesEnabled(true); });
    if (!CreationMode()) {
        setWindowTitle(AppTitle);
        bDisplay->setEnabled(false);
        bCreate->setText("Verify");
        bCheck->setText("Create");
        bCheck->setEnabled(true);
        bOpen->setEnabled(false);
        sBar->hide();
        sBar2->show();
        PTShellList1->SetFoldersFirst(true);
        // The tree starts where lists were last opened from; before any, in the home folder.
        if (PTShellTree1->Path().isEmpty())
            PTShellTree1->SetPath(OpenDialogInitialDir.isEmpty() ? QDir::homePath() : OpenDialogInitialDir);
    } else {
        setWindowTitle(PathText(ListCaption(TheSession.ChecksumFiles)).replace("[*]", "[*][*]"));
        bDisplay->setEnabled(true);
        bCreate->setText("New");
        bCheck->setText("Check");
        bCheck->setEnabled(Model->rowCount() > 0);
        bOpen->setEnabled(true);
        sBar2->hide();
        sBar->show();
    }
    PTSplitter1->setVisible(CreationMode());
    lv->setVisible(!CreationMode());
}

void TFrmMain::SetCreationCommandsEnabled(bool Enabled) {
    for (QAction* A : {bOpen, bCheck, bCreate})
        A->setEnabled(Enabled);
    DragFilesTrg1->SetEnabled(Enabled);
    PTShellTree1->setEnabled(Enabled);
    PTShellList1->setEnabled(Enabled);
}

void TFrmMain::CreateFromDialog() {
    if (PTShellList1->SelectedCount() == 0) {
        Dialogs().Error(this, "Oops!", "No files Selected");
        return;
    }
    TSaveRequest Request{PTShellTree1->Path(), QtNameFilters(SaveDialogFilter), SaveDialogFilterIndex};
    for (;;) {
        const QString Name = Dialogs().SaveFileName(this, Request);
        if (Name.isEmpty())
            return;
        SaveDialogFilterIndex = Request.FilterIndex;
        // The question is asked for the name that will be written, after the kind's extension is added.
        const TListTarget Target = DecideListTarget(PathBytes(Name), Request.FilterIndex);
        const TPathInfo Existing = PathInfo(Target.Path);
        if (Existing.Exists() && !Existing.IsFolder() &&
            !Dialogs().Question(this, "Confirm Save As",
                                PathText(Target.Path) + " already exists.\nDo you want to replace it?",
                                TDialogSeam::TButtons::YesNo))
            continue;
        CreateChecksumFile(PathBytes(Name), Request.FilterIndex);
        return;
    }
}

void TFrmMain::CreateChecksumFile(const std::string& FileName, int FilterIndex) {
    if (Running() || Busy || AppClosing)
        return;
    // The selected entries of the folder the list shows, in the order shown.
    TCreateRequest Request = EnvironmentCreateRequest();
    Request.Folder = PathBytes(PTShellList1->Folder());
    for (int I = 0, Count = PTShellList1->ItemCount(); I < Count; ++I)
        if (PTShellList1->ItemSelected(I))
            if (const TPTShListData* Data = PTShellList1->ListData(I))
                Request.Entries.push_back(TBrowserEntry{PathBytes(Data->FileName()), Data->IsFolder(), Data->Size()});
    Request.FileName = FileName;
    Request.FilterIndex = FilterIndex;
    Request.Jobs = TheSession.Jobs; // the checks' "Jobs" setting
    Progress.SetVisible(!Panel2->isHidden());
    Progress.SetLocale(Locale());
    Request.OnProgress = [this](std::uint8_t Percent, std::int32_t ChunkBytes) {
        const TProgressChange Change = Progress.UpdateProgress(Percent, ChunkBytes);
        if (!Change.Any())
            return;
        if (Change.FileBarChanged)
            FileProgressBar->setValue(std::clamp(Change.FileBar, 0, 100));
        if (Change.TotalBarChanged)
            TotalProgressBar->setValue(std::clamp(Change.TotalBar, 0, 100));
        if (Change.TextsChanged) {
            Label1->setText(QString::fromStdString(Change.RateText));
            Label7->setText(QString::fromStdString(Change.TimeText));
        }
    };
    // The window stays responsive: events are handled between chunks, a few times per frame at most, so a
    // fast disk is not slowed down by the pump while Abort and repaints still come through at once.
    auto SavedPump = std::exchange(CrcMessagePump, [Last = std::chrono::steady_clock::time_point()]() mutable {
        const auto Tick = std::chrono::steady_clock::now();
        if (Tick - Last < std::chrono::milliseconds(4))
            return;
        Last = Tick;
        QCoreApplication::processEvents();
    });
    const auto RestorePump = qScopeGuard([&SavedPump] { CrcMessagePump = std::move(SavedPump); });

    TWindowCreateHooks Hooks(*this);
    TCreateResult Result;
    QString Error;
    try {
        Result = TheSession.Create(Request, Hooks);
    } catch (const ListCreateError& E) {
        Error = PathText(E.what());
    } catch (const std::bad_alloc&) {
        Error = "Out of memory: the list " + PathText(FileName) + " was not written";
    }
    if (!Error.isEmpty()) {
        ShowGeneralError(Error);
        return;
    }
    const QString Target = PathText(Result.Target.Path);
    if (Result.Aborted) {
        // Closing the window aborts too; then there is no one left to tell.
        if (!AppClosing)
            Dialogs().Error(this, "Aborted!", "User Aborted");
        return;
    }
    if (Result.Written)
        Label7->setText(QString::fromStdString("Complete in " + DurationText(Result.ElapsedSeconds)));
    if (Result.AllLeftOut)
        Dialogs().Error(this, "Quorvane",
                        "Nothing was written to " + Target + ": none of the selected files could be listed." +
                            LeftOutText(Result.LeftOut));
    else if (!Result.LeftOut.empty())
        Dialogs().Information(this, "Quorvane",
                              Target + " was written without these files:" + LeftOutText(Result.LeftOut));
}

void TFrmMain::CreateFromCommandLine(bool IsMd5) {
    bCreateClick();
    for (std::size_t I = 1; I < Arguments.size() && !AppClosing; ++I) {
        // A file stands for the folder that holds it; the list covers that whole folder.
        std::string Folder = Arguments[I];
        if (!DirExists(Folder)) {
            Folder = std::string(ExtractFilePath(Folder));
            if (Folder.empty())
                Folder = ".";
            // Nowhere to go: nothing is written, least of all somewhere else.
            if (!DirExists(Folder))
                continue;
        }
        AddBackslash(Folder);
        const std::string List = DefaultListPath(Folder, IsMd5 ? THashKind::Md5 : THashKind::Crc32);
        if (PathInfo(List).Exists())
            continue;
        if (!PTShellTree1->SetPath(PathText(Folder)))
            continue;
        // A folder too large to be read in the time SetPath waits: wait on, unless the window closes.
        while (!PTShellList1->Loaded() && !AppClosing)
            PTShellList1->WaitLoaded(TPTShellTree::LoadWait);
        PTShellList1->BeginUpdate();
        for (int Item = 0, Count = PTShellList1->ItemCount(); Item < Count; ++Item) {
            const TPTShListData* Data = PTShellList1->ListData(Item);
            const std::string Ext = LowerAscii(ExtractFileExt(PathBytes(Data->FileName())));
            PTShellList1->SetItemSelected(Item, Data->IsFolder() || (Ext != ".sfv" && Ext != ".md5"));
        }
        PTShellList1->EndUpdate();
        CreateChecksumFile(List, IsMd5 ? 2 : 1);
    }
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
}

// The selection menu ------------------------------------------------------------------------------------

void TFrmMain::MaskSelect1Click() {
    QString Mask;
    if (!InputQueryEx("Mask Select", "Enter select mask (*.*)", false, false, false, Mask))
        return;
    const std::string Lower = PathBytes(Mask.toLower());
    PTShellList1->BeginUpdate();
    for (int I = 0, Count = PTShellList1->ItemCount(); I < Count; ++I)
        PTShellList1->SetItemSelected(I, MatchMask(Lower, PathBytes(PTShellList1->ListData(I)->FileName())));
    PTShellList1->EndUpdate();
}

void TFrmMain::InverseSelection1Click() {
    PTShellList1->BeginUpdate();
    for (int I = 0, Count = PTShellList1->ItemCount(); I < Count; ++I)
        PTShellList1->SetItemSelected(I, !PTShellList1->ItemSelected(I));
    PTShellList1->EndUpdate();
}

void TFrmMain::SelectAll2Click() {
    PTShellList1->BeginUpdate();
    for (int I = 0, Count = PTShellList1->ItemCount(); I < Count; ++I)
        if (!PTShellList1->ListData(I)->IsFolder())
            PTShellList1->SetItemSelected(I, true);
    PTShellList1->EndUpdate();
}

} // namespace quorvane
