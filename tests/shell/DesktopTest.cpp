// The desktop layer in a temporary home: the registry layout of the associations, and what the desktop itself
// makes of the files written, asked of its own tools (xdg-mime, desktop-file-validate, sh).

#include "shell/Desktop.h"

#include <cstdlib>
#include <filesystem>
#include <optional>

#include <gtest/gtest.h>

#include "settings/Registry.h"
#include "shell/DesktopText.h"
#include "support/TestSupport.h"
#include "util/StringUtils.h"

using namespace quorvane;
using qvtest::ReadFile;

namespace {

namespace fs = std::filesystem;

QString Q(const std::string& S) {
    return QString::fromStdString(S);
}

// A home of its own: data, config, the system's data (sys) and config (etc) folders, in the environment too (for
// the tools and the console tool); a desktop program that writes its arguments to "<program>.args".
struct THome {
    explicit THome(const std::string& ProgramName = "bin/quorvane") {
        const std::pair<const char*, const char*> Places[] = {{"XDG_DATA_HOME", "data"},
                                                              {"XDG_CONFIG_HOME", "config"},
                                                              {"XDG_DATA_DIRS", "sys"},
                                                              {"XDG_CONFIG_DIRS", "etc"}};
        for (const auto& [Var, Sub] : Places)
            setenv(Var, (Dir / Sub).c_str(), 1);
        unsetenv("XDG_CURRENT_DESKTOP");
        Program = Dir.Write(ProgramName, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\n");
        fs::permissions(Program, fs::perms::owner_all);
        SetDesktopPlaces({Q(Dir / "data"), Q(Dir / "config"), {Q(Dir / "sys")}, {Q(Dir / "etc")}, Q(Program)});
    }
    ~THome() { SetDesktopPlaces({}); }
    std::string operator/(const std::string& Name) const { return Dir / Name; }
    bool Has(const std::string& Name) const { return fs::exists(Dir / Name); }
    // An installed application named Id that starts "true".
    void App(const std::string& Id) const {
        Dir.Write("sys/applications/" + Id, "[Desktop Entry]\nType=Application\nName=A\nExec=true %f\n");
    }

    qvtest::TempDir Dir;
    std::string Program;
};

std::string Trimmed(std::string S) {
    while (!S.empty() && (S.back() == '\n' || S.back() == ' '))
        S.pop_back();
    return S;
}

std::string DefaultApp(const std::string& Type) {
    return Trimmed(qvtest::Run({"xdg-mime", "query", "default", Type}).Out);
}

// "default|backup" of a registry key, "-" for what is missing.
std::string Values(const std::string& Key, const char* Second = "Quorvane.Backup") {
    TRegistry Reg(TRegRoot::ClassesRoot);
    if (!Reg.OpenKey(Key, false))
        return "-";
    auto Get = [&](const char* N) { return Reg.ValueExists(N) ? Reg.ReadString(N) : "-"; };
    return Get("") + "|" + Get(Second);
}

void Preset(const char* Default, const char* Backup) {
    TRegistry Reg(TRegRoot::ClassesRoot);
    Reg.OpenKey(".sfv", true);
    if (Default)
        Reg.WriteString("", Default);
    if (Backup)
        Reg.WriteString("Quorvane.Backup", Backup);
}

TEST(DesktopTest, RegistryLayoutKeepsAndRestoresThePreviousAssociation) {
    const struct {
        const char *Default, *Backup, *Registered, *Unregistered;
    } Rows[] = {
        {nullptr, nullptr, "Quorvane.Document|-", "|-"},
        {"Foo.File", nullptr, "Quorvane.Document|Foo.File", "Foo.File|-"},
        {"Quorvane.Document", "Old.File", "Quorvane.Document|Old.File", "Old.File|-"},
        {"quorvane.document", nullptr, "Quorvane.Document|quorvane.document", "quorvane.document|-"},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Default ? R.Default : "(none)");
        THome H("Bin/QuorVane");
        Preset(R.Default, R.Backup);
        RegisterFileType(TListKind::Sfv);
        EXPECT_EQ(Values(".sfv"), R.Registered);
        EXPECT_EQ(Values("Quorvane.Document"), "SFV File|-");
        EXPECT_EQ(Values("Quorvane.Document\\DefaultIcon"), H.Program + ",0|-"); // letter case kept
        EXPECT_EQ(Values("Quorvane.Document\\Shell\\open\\Command"), H.Program + " \"%1\"|-");
        UnregisterFileType(TListKind::Sfv);
        EXPECT_EQ(Values(".sfv"), R.Unregistered);
        EXPECT_EQ(Values("Quorvane.Document"), "-");
    }
}

TEST(DesktopTest, TheDocumentTypeStaysWhileTheOtherKindNamesItInAnyLetterCase) {
    THome H;
    RegisterFileType(TListKind::Sfv);
    RegisterFileType(TListKind::Md5);
    Preset("QUORVANE.DOCUMENT", nullptr);
    EXPECT_TRUE(FileTypeRegistered(TListKind::Sfv));
    EXPECT_TRUE(FileTypeAssociated(TListKind::Sfv));
    UnregisterFileType(TListKind::Md5);
    EXPECT_EQ(Values("Quorvane.Document"), "SFV File|-");
    EXPECT_TRUE(FileTypeAssociated(TListKind::Sfv));
    EXPECT_FALSE(FileTypeAssociated(TListKind::Md5));
    UnregisterFileType(TListKind::Sfv);
    EXPECT_EQ(Values("Quorvane.Document"), "-");
}

TEST(DesktopTest, TheDesktopOpensListsWithUsAndGetsThePreviousDefaultBack) {
    if (!qvtest::HaveProgram("xdg-mime"))
        GTEST_SKIP() << "xdg-mime is not installed";
    const std::string Mine = "# mine\n[Added Associations]\ntext/plain=gedit.desktop;\n\n[Default Applications]\n"
                             "image/png=eog.desktop;\ntext/x-sfv=old.desktop;\n\n[Removed Associations]\n";
    const struct {
        const char *User, *System, *Before;
    } Rows[] = {
        {nullptr, nullptr, ""},                  // nothing before: our line and the file go again
        {Mine.c_str(), nullptr, "old.desktop"},  // the user's line comes back byte for byte
        {nullptr, "sys.desktop", "sys.desktop"}, // the system's default was never touched
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Before);
        THome H;
        H.App("old.desktop");
        H.App("sys.desktop");
        if (R.User)
            H.Dir.Write("config/mimeapps.list", R.User);
        if (R.System)
            H.Dir.Write("etc/mimeapps.list", std::string("[Default Applications]\ntext/x-sfv=") + R.System + ";\n");
        EXPECT_EQ(DefaultApp("text/x-sfv"), R.Before);
        EXPECT_FALSE(FileTypeAssociated(TListKind::Sfv));

        RegisterFileType(TListKind::Sfv);
        EXPECT_EQ(DefaultApp("text/x-sfv"), "quorvane.desktop");
        EXPECT_TRUE(FileTypeAssociated(TListKind::Sfv));
        EXPECT_NE(ReadFile(H / "data/mime/packages/quorvane.xml").find("<glob pattern=\"*.sfv\"/>"), std::string::npos);
        EXPECT_TRUE(H.Has("data/mime/text/x-sfv.xml")); // update-mime-database ran

        UnregisterFileType(TListKind::Sfv);
        EXPECT_EQ(DefaultApp("text/x-sfv"), R.Before);
        EXPECT_FALSE(FileTypeAssociated(TListKind::Sfv));
        if (R.User) {
            EXPECT_EQ(ReadFile(H / "config/mimeapps.list"), R.User);
        } else {
            EXPECT_FALSE(H.Has("config/mimeapps.list"));
        }
        EXPECT_FALSE(H.Has("data/applications/quorvane.desktop"));
        EXPECT_FALSE(H.Has("data/mime/packages/quorvane.xml"));
    }
}

TEST(DesktopTest, ASystemTypeAndAnInstalledEntryAreUsedAsTheyAre) {
    THome H;
    H.Dir.Write("sys/mime/globs2", "# comment\n50:text/x-checksum-md5:*.md5\n");
    H.Dir.Write("sys/applications/quorvane.desktop",
                "[Desktop Entry]\nType=Application\nName=Q\nExec=" + H.Program + " %f\n");
    RegisterFileType(TListKind::Md5);
    EXPECT_EQ(KindMimeType(TListKind::Md5).toStdString(), "text/x-checksum-md5");
    EXPECT_TRUE(FileTypeAssociated(TListKind::Md5));
    EXPECT_FALSE(H.Has("data/applications/quorvane.desktop"));
    EXPECT_FALSE(H.Has("data/mime/packages/quorvane.xml"));
    if (qvtest::HaveProgram("xdg-mime")) {
        EXPECT_EQ(DefaultApp("text/x-checksum-md5"), "quorvane.desktop");
    }
    fs::remove(H.Program); // a program that is gone opens nothing
    EXPECT_FALSE(FileTypeAssociated(TListKind::Md5));
}

TEST(DesktopTest, FolderActionsComeAndGoLeavingTheUsersThunarActions) {
    THome H;
    const std::string Uca = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n<action>\n\t<name>Term</name>\n"
                            "\t<unique-id>17-1</unique-id>\n\t<command>xterm %f</command>\n</action>\n</actions>\n";
    H.Dir.Write("config/Thunar/uca.xml", Uca);
    const char* Files[] = {"data/kio/servicemenus/quorvane-create-sfv.desktop", "data/nautilus/scripts/Create SFV",
                           "data/nemo/actions/quorvane-create-sfv.nemo_action"};
    for (const bool On : {true, false, true, false}) {
        SetFolderAction(TListKind::Sfv, On);
        EXPECT_EQ(FolderActionPresent(TListKind::Sfv), On);
        EXPECT_FALSE(FolderActionPresent(TListKind::Md5));
        EXPECT_EQ(Values("Folder\\shell\\Create SFV\\command"), On ? "\"" + H.Program + "\" -makesfv \"%1\"|-" : "-");
        for (const char* F : Files)
            EXPECT_EQ(H.Has(F), On) << F;
        const std::string Thunar = ReadFile(H / "config/Thunar/uca.xml");
        EXPECT_EQ(UcaHasAction(Thunar, "quorvane-create-sfv"), On);
        if (!On) {
            EXPECT_EQ(Thunar, Uca);
        }
    }
    SetFolderAction(TListKind::Md5, false); // nothing there: no error
    SetFolderAction(TListKind::Md5, true);
    EXPECT_TRUE((fs::status(H / "data/kio/servicemenus/quorvane-create-md5.desktop").permissions() &
                 fs::perms::owner_exec) != fs::perms::none); // KIO runs only executable service menus
    EXPECT_NE(ReadFile(H / "config/Thunar/uca.xml").find("<unique-id>17-1</unique-id>"), std::string::npos);
}

TEST(DesktopTest, AProgramPathWithBlanksIsQuotedWhereverItIsWritten) {
    THome H("bin dir/it's/quorvane");
    EXPECT_EQ(AssociationPath(), "\"" + H.Program + "\"");
    RegisterFileType(TListKind::Sfv);
    SetFolderAction(TListKind::Sfv, true);
    // xdg-mime 1.1.3 reads the Exec line without its quotes, so GIO (GNOME, Xfce, Cinnamon) is asked instead.
    EXPECT_TRUE(FileTypeAssociated(TListKind::Sfv));
    if (qvtest::HaveProgram("gio")) {
        EXPECT_NE(qvtest::Run({"gio", "mime", "text/x-sfv"}).Out.find(": quorvane.desktop\n"), std::string::npos);
    }
    const auto Exec = KeyFileEntry(ReadFile(H / "data/applications/quorvane.desktop"), "Desktop Entry", "Exec");
    EXPECT_EQ(ExecProgram(Exec.value_or("")), H.Program);
    for (const char* F : {"data/applications/quorvane.desktop", "data/kio/servicemenus/quorvane-create-sfv.desktop"}) {
        if (qvtest::HaveProgram("desktop-file-validate")) {
            const auto Check = qvtest::Run({"desktop-file-validate", H / F});
            EXPECT_EQ(Check.ExitCode, 0) << F << "\n" << Check.Out;
        }
    }
    // The Nautilus script with two selected folders, then none; the Nemo action's command line as a shell splits it.
    H.Dir.Write("a b/x", "");
    const auto Args = [&] { return ReadFile(H.Program + ".args"); };
    setenv("NAUTILUS_SCRIPT_SELECTED_FILE_PATHS", (H / "a b\n" + H / "data\n").c_str(), 1);
    EXPECT_EQ(qvtest::Run({H / "data/nautilus/scripts/Create SFV"}).ExitCode, 0);
    EXPECT_EQ(Args(), "-makesfv\n" + H / "a b" + "\n" + H / "data" + "\n");
    unsetenv("NAUTILUS_SCRIPT_SELECTED_FILE_PATHS");
    EXPECT_EQ(qvtest::Run({H / "data/nautilus/scripts/Create SFV"}, H / "a b").ExitCode, 0);
    EXPECT_EQ(Args(), "-makesfv\n" + H / "a b" + "\n");
    const auto Command =
        KeyFileEntry(ReadFile(H / "data/nemo/actions/quorvane-create-sfv.nemo_action"), "Nemo Action", "Exec");
    EXPECT_EQ(qvtest::Run({"sh", "-c", ReplaceText(Command.value_or(""), "%F", ShellQuote(H / "a b"))}).ExitCode, 0);
    EXPECT_EQ(Args(), "-makesfv\n" + H / "a b" + "\n");
}

TEST(DesktopTest, TheConsoleToolDoesWhatTheDialogDoes) {
    THome H;
    const auto Cli = [&](std::vector<std::string> Args) {
        Args.insert(Args.begin(), {"desktop", "--program", H.Program});
        return qvtest::RunCli(Args);
    };
    EXPECT_EQ(Cli({"associate", "sfv", "MD5"}).ExitCode, 0);
    EXPECT_EQ(Cli({"folder-actions", "on", "md5"}).ExitCode, 0);
    EXPECT_EQ(Cli({"status"}).Out, "sfv: associated\nmd5: associated\n"
                                   "folder action Create SFV: off\nfolder action Create MD5: on\n");
    EXPECT_TRUE(FolderActionPresent(TListKind::Md5));
    EXPECT_EQ(Cli({"dissociate", "sfv"}).ExitCode, 0);
    EXPECT_EQ(Cli({"folder-actions", "off", "md5"}).ExitCode, 0);
    EXPECT_FALSE(FileTypeAssociated(TListKind::Sfv));
    EXPECT_TRUE(FileTypeAssociated(TListKind::Md5));
    EXPECT_FALSE(FolderActionPresent(TListKind::Md5));
    const std::vector<std::vector<std::string>> Usage = {
        {"associate"}, {"status", "sfv"}, {"frob"}, {"folder-actions", "sfv"}, {"associate", "crc"}};
    for (const auto& Bad : Usage)
        EXPECT_EQ(Cli(Bad).ExitCode, 2) << Bad.front();
    const auto Missing = qvtest::RunCli({"desktop", "--program", H / "nowhere", "associate", "sfv"});
    EXPECT_EQ(Missing.ExitCode, 2);
    EXPECT_NE(Missing.Err.find("--program"), std::string::npos);
}

TEST(DesktopTextTest, KeyFileLinesAreEditedInPlace) {
    const std::optional<std::string> Ours = "t=q;";
    const struct {
        const char *Text, *Set, *Removed;
    } Rows[] = {
        {"", "[G]\nt=q;\n", ""},
        {"[G]\na=1\n\n[H]\nt=h\n", "[G]\na=1\nt=q;\n\n[H]\nt=h\n", "[G]\na=1\n\n[H]\nt=h\n"},
        {"[G]\r\nt = old\r\nb=2", "[G]\r\nt=q;\r\nb=2", "[G]\r\nb=2"},
        {"#c\n[H]\nx=1", "#c\n[H]\nx=1\n\n[G]\nt=q;\n", "#c\n[H]\nx=1"},
        {"[G]\nt=1\n[G]\nt=2\n", "[G]\nt=q;\n[G]\n", "[G]\n[G]\n"},
    };
    for (const auto& R : Rows) {
        EXPECT_EQ(WithKeyFileLine(R.Text, "G", "t", Ours), R.Set) << R.Text;
        EXPECT_EQ(WithKeyFileLine(R.Text, "G", "t", std::nullopt), R.Removed) << R.Text;
    }
    EXPECT_EQ(ExecArgument("/a b/$x\\y\"z%"), "\"/a b/\\$x\\\\y\\\"z%%\"");
    EXPECT_EQ(ExecProgram(KeyFileValue(ExecArgument("/a b/$x\\y\"z%") + " %f")), "/a b/$x\\y\"z%");
    EXPECT_THROW(UcaWithAction("<html/>", "q", "<action/>"), std::invalid_argument);
}

} // namespace
