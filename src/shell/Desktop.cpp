// The desktop layer: the registry's classes-root layout of the associations and folder entries, and the same
// state carried out in the user's XDG folders. How the desktop picks an application follows the XDG MIME
// applications rules (mimeapps.list: user config, system config, then the deprecated data-folder lists, the
// desktop-specific file before the plain one in each folder; the first listed entry that is installed wins),
// with GIO's test of "installed" (not Hidden, TryExec and the Exec program found).

#include "shell/Desktop.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <filesystem>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "settings/Registry.h"
#include "shell/DesktopIcon.h"
#include "shell/DesktopText.h"
#include "util/FileIo.h"
#include "util/StringUtils.h"

extern char** environ;

namespace quorvane {

namespace {

constexpr const char* DocumentType = "Quorvane.Document";
constexpr const char* BackupValue = "Quorvane.Backup";
constexpr const char* MimeTypeValue = "Quorvane.MimeType";      // the MIME type the association was made for
constexpr const char* DefaultValuePrefix = "Quorvane.Default "; // + the mimeapps.list's name: the line we replaced
constexpr const char* EntryId = "quorvane.desktop";
constexpr const char* WrittenMark = "X-Quorvane-Written";      // in the desktop entry we write ourselves
constexpr const char* ScriptMark = "# Quorvane folder action"; // in the Nautilus scripts
constexpr const char* DefaultsGroup = "Default Applications";
constexpr const char* EntryGroup = "Desktop Entry";
constexpr const char* ActionIcon = "document-new";

struct TKindInfo {
    const char* Extension; // ".sfv"
    const char* Glob;      // "*.sfv"
    const char* OwnType;   // our MIME type when the system has none
    const char* TypeName;  // its comment
    const char* Switch;    // "-makesfv"
    const char* Action;    // the folder action's name and registry key
    const char* ActionId;  // "CreateSfv", the Dolphin action
    const char* Slug;      // "sfv", in our file names and ids
    const char* ListName;  // "an SFV list"
};

constexpr TKindInfo KindInfos[] = {
    {".sfv", "*.sfv", "text/x-sfv", "SFV checksum list", "-makesfv", "Create SFV", "CreateSfv", "sfv", "an SFV list"},
    {".md5", "*.md5", "text/x-md5", "MD5 checksum list", "-makemd5", "Create MD5", "CreateMd5", "md5", "an MD5 list"},
};
constexpr TListKind Kinds[] = {TListKind::Sfv, TListKind::Md5};

const TKindInfo& Info(TListKind Kind) {
    return KindInfos[Kind == TListKind::Sfv ? 0 : 1];
}

TListKind OtherKind(TListKind Kind) {
    return Kind == TListKind::Sfv ? TListKind::Md5 : TListKind::Sfv;
}

std::string Bytes(const QString& Text) {
    return QFile::encodeName(Text).toStdString();
}

QString Local(const std::string& Bytes) {
    return QFile::decodeName(QByteArray::fromStdString(Bytes));
}

// The lines of a file, each ended by a line feed.
std::string Join(std::initializer_list<std::string> Lines) {
    std::string Text;
    for (const std::string& Line : Lines)
        Text += Line + "\n";
    return Text;
}

// ---- Places

std::mutex PlacesMutex;
std::optional<TDesktopPlaces> PlacesOverride;

QString EnvFolder(const char* Name, const QString& Fallback) {
    const QString Value = qEnvironmentVariable(Name);
    return Value.isEmpty() || QDir::isRelativePath(Value) ? Fallback : QDir::cleanPath(Value);
}

QStringList EnvFolders(const char* Name, const QStringList& Fallback) {
    QStringList Out;
    for (const QString& Folder : qEnvironmentVariable(Name).split(':', Qt::SkipEmptyParts))
        if (!QDir::isRelativePath(Folder))
            Out << QDir::cleanPath(Folder);
    return Out.isEmpty() ? Fallback : Out;
}

QString RunningProgram() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    std::error_code Error;
    const std::filesystem::path Self = std::filesystem::read_symlink("/proc/self/exe", Error);
    return Error ? QString() : QFile::decodeName(Self.c_str());
}

// ---- Files

// The whole file; nullopt when it is missing or cannot be read.
std::optional<std::string> ReadFile(const QString& Path) {
    QFile File(Path);
    if (!File.open(QIODevice::ReadOnly))
        return std::nullopt;
    return File.readAll().toStdString();
}

// A file about to be edited: empty when missing; an existing file that cannot be read is an error, so that
// it is never replaced by a text that lost its content.
std::string ReadForEdit(const QString& Path) {
    QFile File(Path);
    if (!File.exists())
        return {};
    if (!File.open(QIODevice::ReadOnly))
        throw std::runtime_error("Cannot open file " + Bytes(Path) + ": " + Bytes(File.errorString()));
    return File.readAll().toStdString();
}

// Writes a file atomically, creating its folder; a symbolic link (dot-file managers) is written through.
// Returns false when the file already held these bytes.
bool WriteFile(const QString& Path, const std::string& Text, bool Executable = false) {
    const QFileInfo Info(Path);
    const QString Target = Info.isSymLink() && !Info.canonicalFilePath().isEmpty() ? Info.canonicalFilePath() : Path;
    const bool Same = ReadFile(Target) == Text;
    if (!Same) {
        if (!QDir().mkpath(QFileInfo(Target).absolutePath()))
            throw std::runtime_error("Cannot create folder " + Bytes(QFileInfo(Target).absolutePath()));
        try {
            WriteFileAtomically(Bytes(Target), Text);
        } catch (const std::system_error& E) {
            throw std::runtime_error("Cannot create file " + Bytes(Path) + ": " + E.code().message());
        }
    }
    QFile File(Target);
    const auto Exec = QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    if (Executable && (File.permissions() & Exec) != Exec && !File.setPermissions(File.permissions() | Exec))
        throw std::runtime_error("Cannot make " + Bytes(Path) + " executable: " + Bytes(File.errorString()));
    return !Same;
}

// Deletes a file; false when there was none.
bool RemoveFile(const QString& Path) {
    const QFileInfo Info(Path);
    if (!Info.exists() && !Info.isSymLink())
        return false;
    QFile File(Path);
    if (!File.remove())
        throw std::runtime_error("Cannot delete file " + Bytes(Path) + ": " + Bytes(File.errorString()));
    return true;
}

// Runs a program, if it exists, with no input and its output discarded, and waits for it.
void RunQuietly(const std::vector<std::string>& Argv) {
    posix_spawn_file_actions_t Actions;
    posix_spawn_file_actions_init(&Actions);
    posix_spawn_file_actions_addopen(&Actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&Actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&Actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> Args;
    for (const std::string& Arg : Argv)
        Args.push_back(const_cast<char*>(Arg.c_str()));
    Args.push_back(nullptr);
    pid_t Pid = 0;
    const int Error = posix_spawnp(&Pid, Args[0], &Actions, nullptr, Args.data(), environ);
    posix_spawn_file_actions_destroy(&Actions);
    if (Error != 0)
        return;
    int Status = 0;
    while (waitpid(Pid, &Status, 0) < 0 && errno == EINTR) {
    }
}

// ---- Registry

// A string value of the open key; a missing one reads as empty.
std::string ReadText(const TRegistry& Reg, const std::string& Name) {
    return Reg.ValueExists(Name) ? Reg.ReadString(Name) : std::string();
}

bool NamesDocumentType(TRegistry& Reg, TListKind Kind) {
    return Reg.OpenKey(Info(Kind).Extension, false) && LowerAscii(ReadText(Reg, "")) == "quorvane.document";
}

std::string FolderKey(TListKind Kind) {
    return std::string("\\Folder\\shell\\") + Info(Kind).Action;
}

// The kinds our desktop files serve, with the MIME type each was associated for.
std::vector<std::pair<TListKind, std::string>> AssociatedTypes() {
    TRegistry Reg(TRegRoot::ClassesRoot);
    std::vector<std::pair<TListKind, std::string>> Out;
    for (const TListKind Kind : Kinds)
        if (Reg.OpenKey(Info(Kind).Extension, false) && !ReadText(Reg, MimeTypeValue).empty())
            Out.emplace_back(Kind, ReadText(Reg, MimeTypeValue));
    return Out;
}

// ---- Desktop entries and MIME types

// The file of a desktop entry id in the applications folders (the user's first unless SystemOnly), with the
// id's "vendor-name" also found as "vendor/name"; empty when there is none.
QString FindEntry(const TDesktopPlaces& P, const QString& Id, bool SystemOnly = false) {
    QStringList Bases = P.DataDirs;
    if (!SystemOnly)
        Bases.prepend(P.DataHome);
    for (const QString& Base : Bases) {
        const QString Folder = Base + "/applications/";
        if (QFileInfo(Folder + Id).isFile())
            return Folder + Id;
        for (qsizetype Dash = Id.indexOf('-'); Dash > 0; Dash = Id.indexOf('-', Dash + 1)) {
            QString Nested = Id;
            Nested[Dash] = '/';
            if (QFileInfo(Folder + Nested).isFile())
                return Folder + Nested;
        }
    }
    return {};
}

bool ProgramFound(const std::string& Program) {
    if (Program.empty())
        return false;
    if (Program.find('/') == std::string::npos)
        return !QStandardPaths::findExecutable(Local(Program)).isEmpty();
    const QFileInfo File(Local(Program));
    return File.isFile() && File.isExecutable();
}

// An entry the desktop can start: readable, not Hidden, its TryExec and Exec programs found.
bool EntryUsable(const std::string& Text) {
    if (KeyFileEntry(Text, EntryGroup, "Hidden") == "true")
        return false;
    if (const auto Try = KeyFileEntry(Text, EntryGroup, "TryExec"); Try && !ProgramFound(KeyFileString(*Try)))
        return false;
    const auto Exec = KeyFileEntry(Text, EntryGroup, "Exec");
    return Exec && ProgramFound(ExecProgram(*Exec));
}

bool EntryUsable(const QString& File) {
    const auto Text = ReadFile(File);
    return Text && EntryUsable(*Text);
}

bool Lists(const std::string& Text, const std::string& Type) {
    for (const std::string& Entry : ListEntries(KeyFileEntry(Text, EntryGroup, "MimeType").value_or("")))
        if (Entry == Type)
            return true;
    return false;
}

// The mimeapps.list files in the order the desktop reads them.
QStringList MimeAppsFiles(const TDesktopPlaces& P) {
    QStringList Prefixes;
    for (const QString& Desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(':', Qt::SkipEmptyParts))
        Prefixes << Desktop.toLower() + "-";
    Prefixes << QString();
    QStringList Folders = QStringList{P.ConfigHome} + P.ConfigDirs;
    Folders << P.DataHome + "/applications";
    for (const QString& Base : P.DataDirs)
        Folders << Base + "/applications";
    QStringList Files;
    for (const QString& Folder : Folders)
        for (const QString& Prefix : Prefixes)
            Files << Folder + "/" + Prefix + "mimeapps.list";
    return Files;
}

// The id of the application the desktop opens Type with; empty when it has none.
QString DefaultApplication(const TDesktopPlaces& P, const std::string& Type) {
    for (const QString& File : MimeAppsFiles(P)) {
        const auto Text = ReadFile(File);
        const auto Value = Text ? KeyFileEntry(*Text, DefaultsGroup, Type) : std::nullopt;
        for (const std::string& Id : ListEntries(Value.value_or(""))) {
            const QString Found = FindEntry(P, Local(Id));
            if (!Found.isEmpty() && EntryUsable(Found))
                return Local(Id);
        }
    }
    // No default named: the desktop takes one of the applications for the type. Only when there is just one
    // is it sure which.
    QString Only;
    std::set<QString> Seen;
    for (const QString& Base : QStringList{P.DataHome} + P.DataDirs) {
        const QString Folder = Base + "/applications";
        for (QDirIterator It(Folder, {"*.desktop"}, QDir::Files, QDirIterator::Subdirectories); It.hasNext();) {
            const QString Id = QDir(Folder).relativeFilePath(It.next()).replace('/', '-');
            if (!Seen.insert(Id).second)
                continue;
            const auto Text = ReadFile(It.filePath());
            if (!Text || !Lists(*Text, Type) || !EntryUsable(*Text))
                continue;
            if (!Only.isEmpty())
                return {};
            Only = Id;
        }
    }
    return Only;
}

// The type of a glob in the system's MIME database (globs2 of the data folders); empty when it has none.
QString SystemMimeType(const TDesktopPlaces& P, const std::string& Glob) {
    for (const QString& Base : P.DataDirs) {
        const auto Text = ReadFile(Base + "/mime/globs2");
        if (!Text)
            continue;
        std::size_t Begin = 0;
        while (Begin < Text->size()) {
            std::size_t End = Text->find('\n', Begin);
            if (End == std::string::npos)
                End = Text->size();
            const std::string Line = Text->substr(Begin, End - Begin);
            Begin = End + 1;
            // weight:type:glob[:flags]
            const std::size_t First = Line.find(':'), Second = Line.find(':', First + 1);
            if (Line.starts_with('#') || First == std::string::npos || Second == std::string::npos)
                continue;
            if (LowerAscii(Line.substr(Second + 1, Line.find(':', Second + 1) - Second - 1)) == Glob)
                return Local(Line.substr(First + 1, Second - First - 1));
        }
    }
    return {};
}

QString OwnEntryFile(const TDesktopPlaces& P) {
    return P.DataHome + "/applications/" + EntryId;
}

bool IsOwnEntry(const QString& File) {
    const auto Text = ReadFile(File);
    return Text && KeyFileEntry(*Text, EntryGroup, WrittenMark) == "true";
}

std::string EntryText(const TDesktopPlaces& P, const std::vector<std::pair<TListKind, std::string>>& Types) {
    std::string MimeTypes;
    for (const auto& [Kind, Type] : Types)
        MimeTypes += Type + ";";
    return Join({
        "[Desktop Entry]",
        "Type=Application",
        "Name=Quorvane",
        "GenericName=Checksum Lists",
        "Comment=Check files against SFV and MD5 checksum lists, and write such lists",
        "Exec=" + KeyFileValue(ExecArgument(Bytes(P.Program)) + " %f"),
        "Icon=quorvane",
        "Terminal=false",
        "MimeType=" + MimeTypes,
        "Categories=Utility;",
        std::string(WrittenMark) + "=true",
    });
}

std::string MimePackageText(const std::vector<TListKind>& Own) {
    std::string Text = Join({
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
        "<!-- Written by Quorvane for the list files associated with it. -->",
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">",
    });
    for (const TListKind Kind : Own) {
        Text += Join({
            std::string("  <mime-type type=\"") + Info(Kind).OwnType + "\">",
            std::string("    <comment>") + Info(Kind).TypeName + "</comment>",
            "    <sub-class-of type=\"text/plain\"/>",
            "    <generic-icon name=\"text-x-generic\"/>",
            std::string("    <glob pattern=\"") + Info(Kind).Glob + "\"/>",
            "  </mime-type>",
        });
    }
    return Text + "</mime-info>\n";
}

// Brings the desktop entry, its icon and the MIME package in line with the kinds now associated.
void RefreshDesktopFiles(const TDesktopPlaces& P) {
    const auto Types = AssociatedTypes();
    const QString Entry = OwnEntryFile(P), Icon = P.DataHome + "/icons/hicolor/scalable/apps/quorvane.svg";
    // An entry installed with the program, or one of the user's own, is used as it is.
    const bool Installed = !FindEntry(P, EntryId, true).isEmpty() || (QFileInfo::exists(Entry) && !IsOwnEntry(Entry));
    if (Types.empty() || Installed) {
        if (IsOwnEntry(Entry)) {
            RemoveFile(Entry);
            RemoveFile(Icon);
        }
    } else {
        WriteFile(Entry, EntryText(P, Types));
        WriteFile(Icon, ProgramIconSvg);
    }

    std::vector<TListKind> Own;
    for (const auto& [Kind, Type] : Types)
        if (Type == Info(Kind).OwnType && SystemMimeType(P, Info(Kind).Glob).isEmpty())
            Own.push_back(Kind);
    const QString Database = P.DataHome + "/mime", Package = Database + "/packages/quorvane.xml";
    const bool Changed = Own.empty() ? RemoveFile(Package) : WriteFile(Package, MimePackageText(Own));
    if (Changed || (!Own.empty() && !QFileInfo::exists(Database + "/globs2")))
        RunQuietly({"update-mime-database", Bytes(Database)});
}

// ---- Default applications

// The user's mimeapps.list files that decide Type: the plain one, and the desktop-specific ones that name an
// application for it.
QStringList UserMimeAppsFiles(const TDesktopPlaces& P, const std::string& Type) {
    QStringList Files{P.ConfigHome + "/mimeapps.list"};
    for (const QString& Name : QDir(P.ConfigHome).entryList({"*-mimeapps.list"}, QDir::Files, QDir::Name)) {
        const auto Text = ReadFile(P.ConfigHome + "/" + Name);
        if (Text && KeyFileLine(*Text, DefaultsGroup, Type))
            Files << P.ConfigHome + "/" + Name;
    }
    return Files;
}

bool NamesUs(const std::optional<std::string>& Line) {
    const std::vector<std::string> Ids = ListEntries(Line ? LineValue(*Line) : std::string());
    return !Ids.empty() && Ids.front() == EntryId;
}

// Makes our entry the default for Type; Reg is open on the kind's key and keeps each line replaced.
void TakeDefaults(const TDesktopPlaces& P, TRegistry& Reg, const std::string& Type) {
    for (const QString& File : UserMimeAppsFiles(P, Type)) {
        const std::string Text = ReadForEdit(File);
        const auto Line = KeyFileLine(Text, DefaultsGroup, Type);
        if (NamesUs(Line))
            continue;
        const std::string Name = DefaultValuePrefix + Bytes(QFileInfo(File).fileName());
        if (Line)
            Reg.WriteString(Name, *Line);
        else
            Reg.DeleteValue(Name);
        WriteFile(File, WithKeyFileLine(Text, DefaultsGroup, Type, Type + "=" + EntryId + ";"));
    }
}

// Puts back the lines TakeDefaults replaced, where they still name us, and forgets them.
void GiveBackDefaults(const TDesktopPlaces& P, TRegistry& Reg, const std::string& Type) {
    for (const QString& File : UserMimeAppsFiles(P, Type)) {
        if (!QFileInfo::exists(File))
            continue;
        const std::string Text = ReadForEdit(File);
        const std::string Name = DefaultValuePrefix + Bytes(QFileInfo(File).fileName());
        if (NamesUs(KeyFileLine(Text, DefaultsGroup, Type))) {
            const auto Previous = Reg.ValueExists(Name) ? std::optional(Reg.ReadString(Name)) : std::nullopt;
            const std::string Restored = WithKeyFileLine(Text, DefaultsGroup, Type, Previous);
            // A file that held nothing but our lines goes as it came.
            if (Restored == std::string("[") + DefaultsGroup + "]\n")
                RemoveFile(File);
            else
                WriteFile(File, Restored);
        }
    }
    for (const std::string& Name : Reg.ValueNames())
        if (LowerAscii(Name).starts_with(LowerAscii(DefaultValuePrefix)))
            Reg.DeleteValue(Name);
}

// ---- Registry layout

void RegisterLayout(TListKind Kind) {
    TRegistry Reg(TRegRoot::ClassesRoot);
    Reg.OpenKey(Info(Kind).Extension, true);
    const std::string Previous = ReadText(Reg, "");
    Reg.WriteString("", DocumentType);
    if (Previous != DocumentType && !Previous.empty())
        Reg.WriteString(BackupValue, Previous);
    Reg.CloseKey();
    Reg.OpenKey(DocumentType, true);
    Reg.WriteString("", "SFV File");
    Reg.CloseKey();
    if (Reg.OpenKey(std::string(DocumentType) + "\\DefaultIcon", true))
        Reg.WriteString("", AssociationPath() + ",0");
    Reg.CloseKey();
    if (Reg.OpenKey(std::string(DocumentType) + "\\Shell\\open\\Command\\", true))
        Reg.WriteString("", AssociationPath() + " \"%1\"");
    Reg.CloseKey();
}

void UnregisterLayout(TListKind Kind) {
    TRegistry Reg(TRegRoot::ClassesRoot);
    Reg.OpenKey(Info(Kind).Extension, true);
    Reg.WriteString("", ReadText(Reg, BackupValue));
    Reg.DeleteValue(BackupValue);
    Reg.CloseKey();
    // The document type is shared: it stays while the other kind still names it.
    if (!NamesDocumentType(Reg, OtherKind(Kind)))
        Reg.DeleteKey(DocumentType);
}

// ---- Folder actions

struct TActionFiles {
    QString ServiceMenu, Script, NemoAction, ThunarActions;
    std::string ThunarId;
};

TActionFiles ActionFiles(const TDesktopPlaces& P, TListKind Kind) {
    const QString Slug = Info(Kind).Slug;
    return {P.DataHome + "/kio/servicemenus/quorvane-create-" + Slug + ".desktop",
            P.DataHome + "/nautilus/scripts/" + Info(Kind).Action,
            P.DataHome + "/nemo/actions/quorvane-create-" + Slug + ".nemo_action", P.ConfigHome + "/Thunar/uca.xml",
            std::string("quorvane-create-") + Info(Kind).Slug};
}

std::string Description(TListKind Kind) {
    return std::string("Write ") + Info(Kind).ListName + " of each selected folder with Quorvane";
}

std::string ServiceMenuText(const std::string& Program, TListKind Kind) {
    const TKindInfo& K = Info(Kind);
    const std::string Exec = "Exec=" + KeyFileValue(ExecArgument(Program) + " " + K.Switch + " %F");
    return Join({
        "[Desktop Entry]",
        "Type=Application",
        std::string("Name=") + K.Action,
        "Comment=" + Description(Kind),
        std::string("Icon=") + ActionIcon,
        Exec,
        "NoDisplay=true",
        "MimeType=inode/directory;",
        std::string("Actions=") + K.ActionId + ";",
        "",
        std::string("[Desktop Action ") + K.ActionId + "]",
        std::string("Name=") + K.Action,
        std::string("Icon=") + ActionIcon,
        Exec,
    });
}

// Nautilus starts a script in the folder shown, the selected paths one per line in the variable.
std::string ScriptText(const std::string& Program, TListKind Kind) {
    return Join({
        "#!/bin/sh",
        std::string(ScriptMark) + ": writes " + Info(Kind).ListName +
            " of each selected folder, or of the folder shown.",
        "set --",
        "while IFS= read -r Path; do",
        "    if [ -n \"$Path\" ] && [ -d \"$Path\" ]; then set -- \"$@\" \"$Path\"; fi",
        "done <<EOF",
        "$NAUTILUS_SCRIPT_SELECTED_FILE_PATHS",
        "EOF",
        "[ $# -gt 0 ] || set -- \"$PWD\"",
        "exec " + ShellQuote(Program) + " " + Info(Kind).Switch + " \"$@\"",
    });
}

std::string NemoActionText(const std::string& Program, TListKind Kind) {
    return Join({
        "[Nemo Action]",
        std::string("Name=") + Info(Kind).Action,
        "Comment=" + Description(Kind),
        "Exec=" + ShellQuote(Program) + " " + Info(Kind).Switch + " %F",
        std::string("Icon-Name=") + ActionIcon,
        "Selection=notnone",
        "Extensions=dir;",
    });
}

// Thunar fills in %F (the selected paths, quoted) and reads "%%" as "%".
std::string ThunarActionText(const std::string& Program, TListKind Kind, const std::string& Id) {
    const std::string Command = ReplaceText(ShellQuote(Program), "%", "%%") + " " + Info(Kind).Switch + " %F";
    return Join({
        "<action>",
        std::string("\t<icon>") + ActionIcon + "</icon>",
        std::string("\t<name>") + Info(Kind).Action + "</name>",
        "\t<submenu></submenu>",
        "\t<unique-id>" + XmlText(Id) + "</unique-id>",
        "\t<command>" + XmlText(Command) + "</command>",
        "\t<description>" + Description(Kind) + "</description>",
        "\t<range></range>",
        "\t<patterns>*</patterns>",
        "\t<directories/>",
        "</action>",
    });
}

bool IsOwnScript(const QString& File) {
    const auto Text = ReadFile(File);
    return Text && Text->find(ScriptMark) != std::string::npos;
}

} // namespace

const char* KindExtension(TListKind Kind) {
    return Info(Kind).Extension;
}

TDesktopPlaces DesktopPlaces() {
    {
        std::lock_guard Guard(PlacesMutex);
        if (PlacesOverride)
            return *PlacesOverride;
    }
    const QString Home = QDir::homePath();
    return {EnvFolder("XDG_DATA_HOME", Home + "/.local/share"), EnvFolder("XDG_CONFIG_HOME", Home + "/.config"),
            EnvFolders("XDG_DATA_DIRS", {"/usr/local/share", "/usr/share"}),
            EnvFolders("XDG_CONFIG_DIRS", {"/etc/xdg"}), RunningProgram()};
}

void SetDesktopPlaces(const TDesktopPlaces& Places) {
    std::lock_guard Guard(PlacesMutex);
    if (Places.Program.isEmpty())
        PlacesOverride.reset();
    else
        PlacesOverride = Places;
}

std::string AssociationPath() {
    const std::string Program = Bytes(DesktopPlaces().Program);
    return Program.find_first_of(" \t") == std::string::npos ? Program : "\"" + Program + "\"";
}

QString KindMimeType(TListKind Kind) {
    TRegistry Reg(TRegRoot::ClassesRoot);
    if (Reg.OpenKey(Info(Kind).Extension, false) && !ReadText(Reg, MimeTypeValue).empty())
        return Local(ReadText(Reg, MimeTypeValue));
    const QString System = SystemMimeType(DesktopPlaces(), Info(Kind).Glob);
    return System.isEmpty() ? QString(Info(Kind).OwnType) : System;
}

bool FileTypeRegistered(TListKind Kind) {
    TRegistry Reg(TRegRoot::ClassesRoot);
    return NamesDocumentType(Reg, Kind);
}

bool FileTypeAssociated(TListKind Kind) {
    return FileTypeRegistered(Kind) && DefaultApplication(DesktopPlaces(), Bytes(KindMimeType(Kind))) == EntryId;
}

void RegisterFileType(TListKind Kind) {
    RegisterLayout(Kind);
    const TDesktopPlaces P = DesktopPlaces();
    TRegistry Reg(TRegRoot::ClassesRoot);
    Reg.OpenKey(Info(Kind).Extension, true);
    const std::string Earlier = ReadText(Reg, MimeTypeValue);
    const QString System = SystemMimeType(P, Info(Kind).Glob);
    const std::string Type = System.isEmpty() ? Info(Kind).OwnType : Bytes(System);
    // The system has come to know the kind under another type since: the old type's defaults go back first.
    if (!Earlier.empty() && Earlier != Type)
        GiveBackDefaults(P, Reg, Earlier);
    Reg.WriteString(MimeTypeValue, Type);
    RefreshDesktopFiles(P);
    TakeDefaults(P, Reg, Type);
}

void UnregisterFileType(TListKind Kind) {
    // Only a type that names us: restoring the kept association twice would wipe it the second time.
    if (!FileTypeRegistered(Kind))
        return;
    const TDesktopPlaces P = DesktopPlaces();
    TRegistry Reg(TRegRoot::ClassesRoot);
    Reg.OpenKey(Info(Kind).Extension, true);
    const std::string Type = Bytes(KindMimeType(Kind));
    GiveBackDefaults(P, Reg, Type);
    Reg.DeleteValue(MimeTypeValue);
    RefreshDesktopFiles(P);
    UnregisterLayout(Kind);
}

bool FolderActionPresent(TListKind Kind) {
    TRegistry Reg(TRegRoot::ClassesRoot);
    if (!Reg.KeyExists(FolderKey(Kind) + "\\command"))
        return false;
    const TActionFiles F = ActionFiles(DesktopPlaces(), Kind);
    const auto Thunar = ReadFile(F.ThunarActions);
    return QFileInfo(F.ServiceMenu).isFile() && IsOwnScript(F.Script) && QFileInfo(F.NemoAction).isFile() && Thunar &&
           UcaHasAction(*Thunar, F.ThunarId);
}

void SetFolderAction(TListKind Kind, bool On) {
    const TDesktopPlaces P = DesktopPlaces();
    const TActionFiles F = ActionFiles(P, Kind);
    TRegistry Reg(TRegRoot::ClassesRoot);
    if (!On) {
        Reg.DeleteKey(FolderKey(Kind));
        RemoveFile(F.ServiceMenu);
        if (IsOwnScript(F.Script))
            RemoveFile(F.Script);
        RemoveFile(F.NemoAction);
        if (const auto Thunar = ReadFile(F.ThunarActions); Thunar && UcaHasAction(*Thunar, F.ThunarId))
            WriteFile(F.ThunarActions, UcaWithoutAction(*Thunar, F.ThunarId));
        return;
    }
    const std::string Program = Bytes(P.Program);
    Reg.OpenKey(FolderKey(Kind) + "\\command", true);
    Reg.WriteString("", "\"" + Program + "\" " + Info(Kind).Switch + " \"%1\"");
    Reg.CloseKey();
    WriteFile(F.ServiceMenu, ServiceMenuText(Program, Kind), true);
    WriteFile(F.Script, ScriptText(Program, Kind), true);
    WriteFile(F.NemoAction, NemoActionText(Program, Kind));
    const std::string Thunar = ReadForEdit(F.ThunarActions);
    try {
        WriteFile(F.ThunarActions, UcaWithAction(Thunar, F.ThunarId, ThunarActionText(Program, Kind, F.ThunarId)));
    } catch (const std::invalid_argument&) {
        throw std::runtime_error(Bytes(F.ThunarActions) + " holds no Thunar action list; it is left as it is");
    }
}

} // namespace quorvane
