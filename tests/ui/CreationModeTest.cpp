// Creation mode through the window: the mode switch and the enabling around a run, lists written from the
// save dialog (compared byte for byte with the console's writer), abort, files left out, the selection menu.

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "GuiTestSupport.h"
#include "lists/ListWriter.h"
#include "lists/RunFlags.h"
#include "shell/ShellBrowser.h"
#include "ui/MainDlg.h"
#include "ui/QVstatus.h"

namespace {

class CreationModeTest : public WindowTest {
protected:
    CreationModeTest() {
        Dir.Write("data/b.bin", qvtest::PatternBytes(3000));
        Dir.Write("data/a file.txt", "hello");
        Dir.Write("data/empty", "");
        Dir.Write("data/c.md5", "not listed by the command line");
        std::filesystem::create_directory(Dir / "data/sub");
        Put("ShowProgress", 1);
        W.show();
    }
    TPTShellList& List() { return *Get<TPTShellList>(W, "PTShellList1"); }
    // Enters creation mode in the data folder (the open dialog's folder) and selects the named entries.
    void EnterData() {
        Dialogs.Chosen = {{Q(Dir.Write("data/x.sfv", ""))}};
        Get(W, "bOpen")->trigger();
        Get(W, "bCreate")->trigger();
    }
    void Select(const QStringList& Names) {
        for (int I = 0; I < List().ItemCount(); ++I)
            List().SetItemSelected(I, Names.contains(List().ListData(I)->FileName()));
    }
    QStringList Shown() {
        QStringList Out;
        for (int I = 0; I < List().ItemCount(); ++I)
            Out << List().ListData(I)->FileName() + (List().ItemSelected(I) ? "*" : "");
        return Out;
    }
    // What the console's writer lists of the same files in the same order, without the header line.
    std::string ConsoleBytes(const std::string& FileName, int FilterIndex, const std::vector<std::string>& Names) {
        TCreateRequest R = EnvironmentCreateRequest();
        R.Folder = Dir / "data";
        for (const std::string& Name : Names) // "sub" is a folder
            R.Entries.push_back({Name, Name == "sub", Name == "sub" ? 0 : std::int64_t(std::filesystem::file_size(Dir / ("data/" + Name)))});
        R.FileName = Dir / ("other/" + FileName);
        R.FilterIndex = FilterIndex;
        std::filesystem::create_directories(Dir / "other");
        TCreateHooks None;
        CreateChecksumFile(R, None);
        return ListBody(DecideListTarget(R.FileName, FilterIndex).Path);
    }
    int Bars() {
        return Get<QProgressBar>(W, "FileProgressBar")->value() * 1000 + Get<QProgressBar>(W, "TotalProgressBar")->value();
    }

    TFrmMain W;
    const QString Idle = "drop bCreate bOpen bCheck bCancel bOptions ToolButton3 PTShellTree1 PTShellList1";
};

TEST_F(CreationModeTest, TheModeSwitchAndTheEnablingAcrossACreationThatIsAborted) {
    EnterData();
    auto Visible = [&] {
        QString Out;
        for (const char* Name : {"lv", "sBar", "sBar2", "PTSplitter1"})
            Out += Get<QWidget>(W, Name)->isVisible() ? QString(Name) + " " : "";
        return Out + Get(W, "bCreate")->text() + "/" + Get(W, "bCheck")->text() + " " + W.windowTitle();
    };
    EXPECT_EQ(Visible(), "sBar2 PTSplitter1 Verify/Create Quorvane 2.6");
    EXPECT_EQ(Get<TPTShellTree>(W, "PTShellTree1")->Path(), Q(Dir / "data"));
    EXPECT_TRUE(List().FoldersFirst());
    EXPECT_EQ(Shown(), QStringList({"sub", "a file.txt", "b.bin", "c.md5", "empty", "x.sfv"}));
    EXPECT_EQ(Enabled(W), "drop bCreate bCheck bCancel bOptions ToolButton3 PTShellTree1 PTShellList1");
    Get(W, "bCheck")->trigger(); // nothing selected: no save dialog
    EXPECT_EQ(Dialogs.Errors, QStringList({"Oops!|No files Selected"}));
    EXPECT_TRUE(Dialogs.SaveRequests.empty());

    // A slow run: watched in the middle, then aborted. An older list of that name stays as it was.
    CrcBufSize = 16;
    const std::string Old = Dir.Write("data/old.sfv", "old list\n");
    Dir.Write("data/big.bin", qvtest::PatternBytes(16 << 20));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shown().contains("big.bin"); }, 5000));
    Select({"a file.txt", "big.bin"});
    Dialogs.Saved = {{Q(Old), 1}};
    Dialogs.Answers = {true}; // replace it
    QString During, Panel;
    QTimer::singleShot(20, &W, [&] {
        During = Enabled(W);
        Panel = Get<TqvStatusBar>(W, "sBar2")->Panels()[0].Text;
        Get(W, "bCancel")->trigger();
    });
    Get(W, "bCheck")->trigger();
    EXPECT_EQ((During + "|" + Panel).toStdString(), " bCancel bOptions ToolButton3|big.bin");
    EXPECT_EQ(Dialogs.Errors.mid(1), QStringList({"Aborted!|User Aborted"}));
    EXPECT_EQ(qvtest::ReadFile(Old), "old list\n");
    EXPECT_EQ(Bars(), 100100);
    EXPECT_EQ(Get<TqvStatusBar>(W, "sBar2")->Panels()[0].Text, "");
    EXPECT_EQ(Enabled(W), Idle); // Open too, still in creation mode
    EXPECT_FALSE(Busy);

    Get(W, "bCreate")->trigger(); // back: the caption names the list files, Check as the rows say
    EXPECT_EQ(Visible(), "lv sBar New/Check Quorvane 2.6 - x.sfv");
    EXPECT_EQ(Enabled(W), "drop bCreate bOpen bDisplay bCancel bOptions ToolButton3");

    // Closing the window stops a creation like Abort, with no one left to tell.
    Get(W, "bCreate")->trigger();
    Dialogs.Saved = {{Q(Dir / "data/new.sfv"), 1}};
    QTimer::singleShot(20, &W, [&] { W.close(); });
    Get(W, "bCheck")->trigger();
    EXPECT_TRUE(AppClosing && !Busy);
    EXPECT_EQ(Dialogs.Errors.size(), 2);
    EXPECT_FALSE(std::filesystem::exists(Dir / "data/new.sfv"));
}

TEST_F(CreationModeTest, ListsFromTheSaveDialogAreTheConsoleWritersBytes) {
    EnterData();
    List().sortByColumn(TPTShellList::SizeColumn, Qt::DescendingOrder); // the order shown is the list's order
    const std::vector<std::string> BySize{"b.bin", "a file.txt", "empty"};
    Select({"b.bin", "a file.txt", "empty", "sub"});
    struct Case {
        QString Typed;
        int Index;
        std::string Written;
        bool Headerless; // all kinds but SFV
    };
    // Indexes 3 to 6 are SHA-1, SHA-256, SHA-512 and BLAKE3; a typed extension of those kinds counts
    // under them, never under 1 (SFV) or 2 (MD5).
    const Case Cases[] = {{"s.sfv", 2, "s.sfv", true},       {"m.md5", 1, "m.md5", true}, {"n", 1, "n.sfv", false},
                          {"n", 2, "n.md5", true},           {"t.txt", 2, "t.txt", true}, {"u.TXT", 1, "u.TXT", false},
                          {"d", 4, "d.sha256", true},        {"e.b3", 6, "e.b3", true},   {"f.sha1", 1, "f.sha1", false},
                          {"g.sha512", 3, "g.sha512", true}};
    int Index = 1;
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Typed.toStdString());
        Dialogs.Saved = {{Q(Dir / "data/") + C.Typed, C.Index}};
        Get(W, "bCheck")->trigger();
        EXPECT_EQ(Dialogs.SaveRequests.back().FilterIndex, Index); // the dialog starts on the last filter chosen
        EXPECT_EQ(Dialogs.SaveRequests.back().Directory, Q(Dir / "data"));
        Index = C.Index;
        const std::string File = Dir / ("data/" + C.Written);
        EXPECT_EQ(ListBody(File), ConsoleBytes(C.Typed.toStdString(), C.Index, BySize));
        EXPECT_EQ(qvtest::ReadFile(File).starts_with("; Generated by Quorvane v2.6 on " + EnvironmentNowTexts().Date),
                  !C.Headerless);
        EXPECT_TRUE(Get<QLabel>(W, "Label7")->text().startsWith("Complete in "));
        EXPECT_EQ(Bars(), 100100);
    }
    EXPECT_EQ(Dialogs.SaveRequests.front().NameFilters.join(";"), "Simple File Verification (*.sfv);MD5 (*.md5);SHA-1 (*.sha1);"
                                                              "SHA-256 (*.sha256);SHA-512 (*.sha512);BLAKE3 (*.b3)");
    // "n" on the SFV filter again means n.sfv, which exists: asked about that name; No shows the dialog again.
    const std::string Before = qvtest::ReadFile(Dir / "data/n.sfv");
    Dialogs.Saved = {{Q(Dir / "data/n"), 1}};
    Get(W, "bCheck")->trigger();
    EXPECT_EQ(Dialogs.Questions, QStringList({"Confirm Save As|" + Q(Dir / "data/n.sfv") +
                                              " already exists.\nDo you want to replace it?"}));
    EXPECT_EQ(Dialogs.SaveRequests.size(), std::size(Cases) + 2);
    EXPECT_EQ(qvtest::ReadFile(Dir / "data/n.sfv"), Before);

    // Folders alone: the header and ";" only. A file gone by the time it is hashed is left out and reported.
    Select({"sub"});
    Dialogs.Saved = {{Q(Dir / "data/f.sfv"), 1}};
    Get(W, "bCheck")->trigger();
    EXPECT_EQ(ListBody(Dir / "data/f.sfv"), ConsoleBytes("f.sfv", 1, {"sub"}));
    Select({"b.bin", "a file.txt"});
    std::filesystem::remove(Dir / "data/b.bin");
    Dialogs.Saved = {{Q(Dir / "data/g.md5"), 1}};
    Get(W, "bCheck")->trigger();
    EXPECT_EQ(ListBody(Dir / "data/g.md5"), ConsoleBytes("g.md5", 1, {"a file.txt"}));
    EXPECT_EQ(Dialogs.Infos, QStringList({Q(Dir / "data/g.md5") + " was written without these files:\n"
                                                                  "b.bin (cannot be read: " + std::strerror(ENOENT) + ")"}));
    EXPECT_TRUE(Dialogs.Errors.isEmpty());
    // A list that cannot be written: the general error box, every command enabled again.
    Dialogs.Saved = {{Q(Dir / "data/nowhere/l"), 1}};
    Get(W, "bCheck")->trigger();
    EXPECT_EQ(Dialogs.Errors, QStringList({"Quorvane|Cannot create file " + Q(Dir / "data/nowhere/l.sfv")}));
    EXPECT_EQ(Enabled(W) + QString::number(Bars()), Idle + "100100");
}

TEST_F(CreationModeTest, TheSelectionMenuWorksFromTheListsContextMenuAndItsShortcuts) {
    EnterData();
    List().setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return List().hasFocus(); }, 2000));
    QString Prompt;
    Dialogs.OnExec = [&](QDialog& D) {
        Prompt = D.windowTitle() + "|" + D.findChild<QLabel*>()->text();
        D.findChild<QLineEdit*>()->setText("*.TXT");
        return int(QDialog::Accepted);
    };
    QTest::keyClick(&List(), Qt::Key_M, Qt::ControlModifier); // the mask replaces the selection
    EXPECT_EQ(Prompt, "Mask Select|Enter select mask (*.*)");
    EXPECT_EQ(Shown(), QStringList({"sub", "a file.txt*", "b.bin", "c.md5", "empty", "x.sfv"}));
    QTest::keyClick(&List(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(Shown(), QStringList({"sub*", "a file.txt", "b.bin*", "c.md5*", "empty*", "x.sfv*"}));
    Select({"a file.txt"});
    QTest::keyClick(&List(), Qt::Key_A, Qt::ControlModifier); // files only; folders keep their selection
    EXPECT_EQ(Shown(), QStringList({"sub", "a file.txt*", "b.bin*", "c.md5*", "empty*", "x.sfv*"}));
    auto* Menu = Get<QMenu>(W, "PopupMenu2");
    QStringList Items;
    for (QAction* A : Menu->actions())
        Items << A->text() + " " + A->shortcut().toString();
    EXPECT_EQ(Items, QStringList({"Mask Select Ctrl+M", "Inverse Selection Ctrl+I", "Select All Ctrl+A"}));
    emit List().customContextMenuRequested({5, 5});
    EXPECT_TRUE(QTest::qWaitFor([&] { return Menu->isVisible(); }, 2000));
    Menu->hide();
}

} // namespace
