// The Options dialog: its layout, what it reads at opening, what OK writes and applies to the running window,
// Cancel writing nothing, and an error leaving it open.

#include <filesystem>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolBar>

#include "GuiTestSupport.h"
#include "shell/Desktop.h"
#include "ui/MainDlg.h"
#include "ui/WindowUtils.h"

namespace {

class OptionsDlgTest : public WindowTest {
protected:
    OptionsDlgTest() {
        // The desktop counts a type as ours only while the program its entry starts is there.
        std::filesystem::permissions(Dir.Write("bin/quorvane", "#!/bin/sh\n"), std::filesystem::perms::owner_all);
        SetDesktopPlaces({Q(Dir / "data"), Q(Dir / "config"), {Q(Dir / "sys")}, {}, Q(Dir / "bin/quorvane")});
        W.show();
    }
    ~OptionsDlgTest() override { SetDesktopPlaces({}); }
    // Opens Options and lets Act work on it; how it was closed (Accepted, Rejected), or -1 while it stays open.
    int Options(const std::function<void(QDialog&)>& Act) {
        int Result = -1;
        Dialogs.OnExec = [&](QDialog& D) {
            QObject::connect(&D, &QDialog::finished, [&](int Code) { Result = Code; });
            Act(D);
            return Result;
        };
        Get(W, "bOptions")->trigger();
        return Result;
    }
    // The check boxes' states (1 to 6) and the two lists' indexes.
    static QString State(QDialog& D) {
        QString Out;
        for (const char* Name : {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4", "CheckBox5", "CheckBox6"})
            Out += Get<QCheckBox>(D, Name)->isChecked() ? "1" : "0";
        return Out + QString(" %1 %2").arg(Get<QComboBox>(D, "ComboBox1")->currentIndex())
                                      .arg(Get<QComboBox>(D, "ComboBox2")->currentIndex());
    }
    static void Set(QDialog& D, const QString& Checks, int SizeType, int Layout) {
        for (int I = 0; I < 6; ++I)
            Get<QCheckBox>(D, ("CheckBox" + std::to_string(I + 1)).c_str())->setChecked(Checks[I] == '1');
        Get<QComboBox>(D, "ComboBox1")->setCurrentIndex(SizeType);
        Get<QComboBox>(D, "ComboBox2")->setCurrentIndex(Layout);
    }
    // What the stores hold: associations, folder actions, then the options.
    static QString Stored() {
        QString Out;
        for (TListKind K : {TListKind::Sfv, TListKind::Md5})
            Out += FileTypeAssociated(K) ? "1" : "0";
        for (TListKind K : {TListKind::Sfv, TListKind::Md5})
            Out += FolderActionPresent(K) ? "1" : "0";
        const TOptions O = ReadOptions();
        return Out + QString(" %1 %2 %3%4").arg(O.SizeType).arg(O.ToolbarPosition).arg(O.SavePos).arg(O.ShowProgress);
    }
    TFrmMain W;
};

TEST_F(OptionsDlgTest, LaidOutAsDesignedWithItsTabOrderAndNoDefaultOrCancelButton) {
    EXPECT_EQ(Options([](QDialog& D) {
        const QSize C = AverageCharSize(D.font()).expandedTo({5, 13}); // laid out for 5 x 13
        auto X = [&](int Px) { return (Px * C.width() + 2) / 5; };
        auto Y = [&](int Px) { return (Px * C.height() + 6) / 13; };
        EXPECT_EQ(D.windowTitle() + QString(" %1x%2").arg(D.width()).arg(D.height()),
                  QString("Options %1x%2").arg(X(282)).arg(Y(289)));
        EXPECT_EQ(Get<QCheckBox>(D, "CheckBox3")->text(), "Remeber window size && position on exit");
        EXPECT_EQ(Get<QPushButton>(D, "Button1")->geometry(), QRect(X(198), Y(254), X(75), Y(25)));
        for (const char* Name : {"Label1", "Label2", "Label3", "Label4"}) // every text fits on its line
            EXPECT_LE(Get<QLabel>(D, Name)->sizeHint().width(), Get<QLabel>(D, Name)->width()) << Name;
        QStringList Order;
        for (QWidget* At = Get<QWidget>(D, "CheckBox1"); Order.size() < 10; At = At->nextInFocusChain())
            if (At->focusPolicy() & Qt::TabFocus)
                Order << At->objectName();
        EXPECT_EQ(Order.join(' '), "CheckBox1 CheckBox2 CheckBox3 Button2 Button1 CheckBox4 CheckBox5 ComboBox1 "
                                   "CheckBox6 ComboBox2");
        for (auto Key : {Qt::Key_Escape, Qt::Key_Return})
            QTest::keyClick(&D, Key);
    }), -1); // neither key closes it
}

TEST_F(OptionsDlgTest, OkWritesAndAppliesAtOnceCancelWritesNothingAndAnErrorKeepsItOpen) {
    const std::string List = Dir.Write("l/l.sfv", "a.bin 00000000\n");
    Dir.Write("l/a.bin", std::string(2048, 'a'));
    W.Session().ChecksumFiles = {List};
    W.OpenChecksumFiles();
    auto SizeText = [&] { return Get<QTableView>(W, "lv")->model()->index(1, 1).data().toString(); };
    EXPECT_EQ(SizeText(), "2 KB");
    QString Read;
    EXPECT_EQ(Options([&](QDialog& D) {
                  Read = State(D);
                  Set(D, "101111", 2, 1);
                  Get<QPushButton>(D, "Button2")->click();
              }),
              QDialog::Accepted);
    EXPECT_EQ(Read, "000000 0 0");
    EXPECT_EQ(Stored(), "1011 2 1 11");
    EXPECT_EQ(SizeText(), "2.048"); // the running window follows at once
    EXPECT_EQ(Get<QToolBar>(W, "ToolBar1")->orientation(), Qt::Horizontal);
    EXPECT_TRUE(Get<QWidget>(W, "Panel2")->isVisible());

    // Cancel, and the title bar, write nothing.
    for (const char* How : {"Button1", "title bar"})
        EXPECT_EQ(Options([&](QDialog& D) {
                      Read = State(D);
                      Set(D, "010000", 0, 0);
                      if (How == std::string("Button1"))
                          Get<QPushButton>(D, How)->click();
                      else
                          D.reject();
                  }),
                  QDialog::Rejected);
    EXPECT_EQ(Read, "101111 2 1");
    EXPECT_EQ(Stored(), "1011 2 1 11");

    // A settings file that cannot be written: the error box, the dialog still open; then OK goes through.
    const std::string Cfg = RegistryFile(TRegRoot::CurrentUser).toStdString();
    EXPECT_EQ(Options([&](QDialog& D) {
                  Set(D, "010100", 0, 0);
                  std::filesystem::rename(Cfg, Cfg + ".aside");
                  std::filesystem::create_directory(Cfg);
                  Get<QPushButton>(D, "Button2")->click();
                  EXPECT_EQ(Dialogs.Errors.size(), 1);
                  std::filesystem::remove(Cfg);
                  std::filesystem::rename(Cfg + ".aside", Cfg);
                  Get<QPushButton>(D, "Button2")->click();
              }),
              QDialog::Accepted);
    EXPECT_EQ(Dialogs.Errors.size(), 1);
    EXPECT_EQ(Stored(), "0110 0 0 00");
    EXPECT_EQ(SizeText(), "2 KB");
    EXPECT_EQ(Get<QToolBar>(W, "ToolBar1")->orientation(), Qt::Vertical);
    EXPECT_FALSE(Get<QWidget>(W, "Panel2")->isVisible());
}

} // namespace
