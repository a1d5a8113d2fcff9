#pragma once

// The program's place on the desktop: the file associations of list files (".sfv", ".md5") and the folder
// actions "Create SFV" / "Create MD5". Each operation keeps two things in step: the classes-root layout of the
// registry store (what the Options dialog reads and writes, as on the program's home platform) and the
// desktop's own files in the user's XDG folders (a desktop entry, MIME types, the default application, the
// file managers' folder actions), so that double-clicking a list opens it with Quorvane and a folder's
// context menu offers "Create SFV". Nothing outside the user's own folders is written.
//
// What an association writes on the desktop:
// - DataHome/applications/quorvane.desktop (Exec=<program> %f, MimeType= the associated kinds), unless an
//   entry of that name is installed in DataDirs/applications (then that one is used); removed again when no
//   kind is associated;
// - DataHome/mime/packages/quorvane.xml with the types text/x-sfv and text/x-md5 (glob *.sfv, *.md5) for the
//   kinds the system's MIME database knows no type for (update-mime-database is run where it exists);
// - the kind's line in [Default Applications] of ConfigHome/mimeapps.list (and of ConfigHome's
//   <desktop>-mimeapps.list files that name an application for it); the lines they replaced are kept in the
//   registry beside "Quorvane.Backup" ("Quorvane.Default <file name>") and put back, byte for byte, on
//   unregistering, as long as the line still names Quorvane.
// A folder action is the key "\Folder\shell\Create SFV\command" and, for the file managers: a Dolphin service
// menu (DataHome/kio/servicemenus), a Nautilus script (DataHome/nautilus/scripts), a Nemo action
// (DataHome/nemo/actions) and a Thunar custom action (ConfigHome/Thunar/uca.xml, our <action> only).
//
// Used by the Options dialog and by `quorvane-cli desktop`, from one thread at a time. Qt Core only.
// Registry errors throw ERegistryException with the program's texts; desktop files that cannot be written
// throw std::runtime_error with the path and the reason.

#include <string>

#include <QString>
#include <QStringList>

namespace quorvane {

enum class TListKind { Sfv, Md5 };

// ".sfv" or ".md5".
const char* KindExtension(TListKind Kind);

// Where the desktop's files go and which program they start; from the environment by default
// ($XDG_DATA_HOME, $XDG_CONFIG_HOME, $XDG_DATA_DIRS, $XDG_CONFIG_DIRS, the running program's path).
// $XDG_CURRENT_DESKTOP is always read from the environment.
struct TDesktopPlaces {
    QString DataHome;       // ~/.local/share
    QString ConfigHome;     // ~/.config
    QStringList DataDirs;   // /usr/local/share, /usr/share
    QStringList ConfigDirs; // /etc/xdg
    QString Program;        // the desktop program's absolute path
};
TDesktopPlaces DesktopPlaces();
// Points the desktop layer at other places (tests, the console tool); an empty Program restores the
// environment's.
void SetDesktopPlaces(const TDesktopPlaces& Places);

// The association path: the desktop program's absolute path, its letter case kept, in double quotes when
// it holds blanks.
std::string AssociationPath();

// The MIME type the desktop gives the kind's files: the system's type for "*.sfv" / "*.md5" where its MIME
// database has one, else our own (text/x-sfv, text/x-md5). Once associated, the type used then.
QString KindMimeType(TListKind Kind);

// True while the registry's type names "Quorvane.Document" (letter case ignored), whether or not the
// desktop still opens the kind with Quorvane.
bool FileTypeRegistered(TListKind Kind);
// True while the desktop would open files of the kind with Quorvane: the type is registered and the default
// application for its MIME type, by the XDG rules, is our desktop entry, present with its program.
bool FileTypeAssociated(TListKind Kind);
// Makes Quorvane the kind's application (the previous default is kept, to be restored).
void RegisterFileType(TListKind Kind);
// Restores the previous default; "Quorvane.Document" stays while the other kind still names it.
void UnregisterFileType(TListKind Kind);

// True while the folder action of the kind is in place: its registry key and the file managers' files.
bool FolderActionPresent(TListKind Kind);
// Adds or removes the folder action of the kind ("Create SFV" starts the program with -makesfv).
void SetFolderAction(TListKind Kind, bool On);

} // namespace quorvane
