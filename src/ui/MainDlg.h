#pragma once

// TFrmMain: the program's main window. Check mode shows the checksum list view `lv` with the status bar
// `sBar`; creation mode shows the shell browser (folder tree and file list) with the status bar `sBar2`.
// The tool bar holds the commands; the progress panel `Panel2` shows a run's progress.
// The window is a view over its session (the lists, their records, the runs). A check runs on the
// session's worker, whose display changes arrive as queued calls; a creation runs on the user-interface
// thread, which pumps events between chunks. User-interface thread only, apart from WakeUiThread.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <QElapsedTimer>
#include <QStringList>
#include <QWidget>

#include "lists/ItemList.h"
#include "ui/FADlg.h"
#include "util/LocaleFormat.h"
#include "util/Version.h"
#include "verify/Progress.h"
#include "verify/ChecksumSession.h"
#include "verify/RunView.h"

class QAction;
class QActionGroup;
class QBoxLayout;
class QLabel;
class QMenu;
class QProgressBar;
class QTableView;
class QToolBar;

namespace quorvane {
class ChecksumListModel;
class TDragFilesTrg;
class TPTShellList;
class TPTShellTree;
class TPTSplitter;
class TClickLabel;
class TqvStatusBar;
class TWindowCreateHooks;

class TFrmMain : public QWidget, public RunView, public TOptionsTarget {
    Q_OBJECT
public:
    // Builds the window and reads the settings; Arguments (without the program path, as the bytes the
    // program was given) are handled once the event loop runs.
    explicit TFrmMain(std::vector<std::string> Arguments = {}, QWidget* Parent = nullptr);
    ~TFrmMain() override;

    // The window caption's head.
    const QString AppTitle = QString::fromUtf8(quorvane::AppTitle);

    // Tool bar layout: 0 left, 1 top; other values change nothing.
    void ApplyToolbarPosition(int Position);
    // The session the window shows: the lists to open (ChecksumFiles), their records and counters, the run.
    TChecksumSession& Session() { return TheSession; }
    const TChecksumSession& Session() const { return TheSession; }
    // Reads the session's ChecksumFiles into the item list and refreshes the view; false (error shown) when a list failed,
    // in which case the view shows the records read so far and the caption and Check stay as they were.
    bool OpenChecksumFiles();
    // Rebuilds the rows of lv under the display filter and the size mode.
    void RefillList();
    // Writes the Size column of one row from its record.
    void ShowItemSize(int Row);
    // Starts a verification run over the shown rows (all, or the selection).
    void StartCheck();
    // True while a verification run has not ended.
    bool Running() const;
    // The text drawn in a count panel of sBar ("12 Good"); empty for other panels.
    QString StatusPanelText(int Panel) const;

    // Writes a list of the entries selected in the file list, of the folder shown, to FileName (as typed:
    // the kind and a missing extension follow FilterIndex, 1 SFV and 2 MD5). Returns when the list is
    // written or the run aborted; a file error is shown in the general error box. Files left out are
    // reported once the list is written.
    void CreateChecksumFile(const std::string& FileName, int FilterIndex = 1);
    // True in creation mode (bCreate reads "Verify").
    bool CreationMode() const;

    // Commands (also what the tool buttons run).
    void bCreateClick();
    void bOpenClick();
    void bCheckClick();
    void bCancelClick();
    void bOptionsClick();
    void ToolButton3Click();
    // The donation picture in pnlbtn: opens the donation address, as the About box's picture does.
    void Image2Click();
    // The file list's selection menu.
    void MaskSelect1Click();
    void InverseSelection1Click();
    void SelectAll2Click();

    // The Options dialog's changes, applied at once.
    void ApplyOptions(int SizeType, int ToolbarPosition, bool ShowProgress) override;

    // RunView, for the verification worker.
    void WakeUiThread(std::function<void()> Serve, bool Urgent) override;
    std::size_t RowCount() const override;
    TItemRec* RowRecord(std::int32_t Row) const override;
    std::vector<std::int32_t> SelectedRows() const override;
    void SetCommandsEnabled(bool Enabled) override;
    void SetProgressBars(std::int32_t FilePos, std::int32_t TotalPos) override;
    void ShowProgress(const TProgressFigures& Figures) override;
    void SetCompletionText(const std::string& Text) override;
    void RowImageChanged(std::int32_t Row, std::int32_t Image) override;
    void RowSizeChanged(std::int32_t Row, std::int64_t Size) override;
    void ScrollIntoView(std::int32_t Row) override;
    void RepaintStatusBar() override;
    void RunFailed(const std::string& Text) override;
    void RunEnded() override;

    // SaveDialog1's filter: index 1 SFV, 2 MD5, then the kinds other tools write, 3 SHA-1 to 6 BLAKE3
    // (DecideListTarget).
    static constexpr const char* SaveDialogFilter =
        "Simple File Verification (*.sfv)|*.sfv|MD5 (*.md5)|*.md5|SHA-1 (*.sha1)|*.sha1|SHA-256 (*.sha256)|*.sha256|"
        "SHA-512 (*.sha512)|*.sha512|BLAKE3 (*.b3)|*.b3";
    // OpenDialog1's filter; lists of other names (SHA256SUMS) are found under All Files.
    static constexpr const char* OpenDialogFilter =
        "SFV or MD5 (*.sfv;*.md5)|*.sfv;*.md5|Simple File Verification (*.sfv)|*.sfv|MD5 (*.md5)|*.md5|"
        "SHA and BLAKE3 (*.sha1;*.sha256;*.sha512;*.b3;*.blake3)|*.sha1;*.sha256;*.sha512;*.b3;*.blake3|"
        "All Files (*.*)|*.*";

private:
    void closeEvent(QCloseEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void moveEvent(QMoveEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

    // Controls, under the names of the window layout (each one's objectName).
    QWidget* Panel5 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QWidget* pnlbtn = nullptr; // ends Panel5 with the donation picture Image2
    TClickLabel* Image2 = nullptr;
    QAction *bCreate = nullptr, *bOpen = nullptr, *bCheck = nullptr, *bCancel = nullptr, *bDisplay = nullptr,
            *bOptions = nullptr, *ToolButton3 = nullptr;
    QMenu* PopupMenu3 = nullptr;
    QMenu* PopupMenuOpen = nullptr;  // the Open button's menu: "Verify File…"
    QAction *mnuAll = nullptr, *mnuGood = nullptr, *mnuBad = nullptr, *mnuMiss = nullptr;
    QWidget* pClient = nullptr;
    QTableView* lv = nullptr;
    ChecksumListModel* Model = nullptr;
    QWidget *Panel2 = nullptr, *Panel3 = nullptr, *Panel4 = nullptr;
    QLabel *lbFileName = nullptr, *Label1 = nullptr, *Label6 = nullptr, *Label7 = nullptr;
    QProgressBar *FileProgressBar = nullptr, *TotalProgressBar = nullptr;
    TqvStatusBar *sBar = nullptr, *sBar2 = nullptr;
    TDragFilesTrg* DragFilesTrg1 = nullptr;
    TPTSplitter* PTSplitter1 = nullptr;
    TPTShellTree* PTShellTree1 = nullptr;
    TPTShellList* PTShellList1 = nullptr;
    QMenu* PopupMenu2 = nullptr;
    QAction *MaskSelect1 = nullptr, *InverseSelection1 = nullptr, *SelectAll2 = nullptr;
    QString OpenDialogFileName;   // OpenDialog1's file name
    QString OpenDialogInitialDir; // OpenDialog1's initial folder
    int SaveDialogFilterIndex = 1; // SaveDialog1's filter, kept while the program runs

    // Fields of the window.
    std::int32_t SavedWidth = 0, SavedHeight = 0, SavedLeft = 0, SavedTop = 0;
    std::int32_t DisplayFilter = 1;
    std::uint8_t SizeType = 0;

    void BuildControls();
    // Reads the start-up settings; the error text of a failed read, empty when all went well.
    QString ApplyStartSettings();
    // Once the event loop runs: the settings error first (if any), then the command line.
    void StartUp(const QString& SettingsError);
    void ProcessCommandLine();
    // The creation branch of the command line: one list per argument after the switch, then quit.
    void CreateFromCommandLine(bool IsMd5);
    // The shell browser and creation status bar, and the selection menu.
    void BuildShellBrowser();
    // The Create command: asks for the list's name (and kind) and writes it.
    void CreateFromDialog();
    // Enabling around a creation run.
    void SetCreationCommandsEnabled(bool Enabled);
    // Panel2Resize: each half of the progress panel takes half of its width.
    void Panel2Resize();
    // Sizes the Size column to the widest size text of the rows, at least its designed 90 px; given the
    // text just written into one row, it only widens the column for that text.
    void FitSizeColumn(const std::string* NewText);
    // The Open command; false when a chosen list failed to open (the error has been shown).
    bool OpenFromDialog();
    // Files that are no lists but have one beside them (SidecarOf) stand for that list; true when one did.
    bool TakeSidecars();
    void VerifyFileClick();
    void DeleteSelectedFiles();
    void mnuDisplayClick(QAction* Item);
    void DragFilesTrg1Drop(TDragFilesTrg* Sender);
    void sBarDrawPanel(QPainter* Painter, int Panel, const QRect& Rect);
    void ServeRun();
    void ServeRunNow();
    LocaleFormat Locale() const;

    QBoxLayout* Body = nullptr;
    std::vector<std::string> Arguments;
    friend class TWindowCreateHooks;
    TProgress Progress;
    TChecksumSession TheSession; // after Progress: the run is gone before the figures it writes
    std::mutex WakeLock;
    std::function<void()> PendingServe; // the latest serve request of the worker
    std::atomic<bool> WakePosted{false};
    QElapsedTimer LastServe;         // when the worker's changes were last applied
    std::int32_t PendingScroll = -1; // the row to bring into view once the pending changes are applied
    std::uint64_t ShownSerial = 0;
};

} // namespace quorvane
