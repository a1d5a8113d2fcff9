#pragma once

// Which files a new list holds: the names a list can carry, the files of a folder that its list covers,
// and the list a folder gets by default. Shared by the desktop program's creation and `quorvane-cli create`.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "checksum/HashKind.h"

namespace quorvane {

// One entry of the file browser (or of a folder scan), in the order it is shown.
struct TBrowserEntry {
    std::string Name;       // the file's own name, no folder part
    bool IsFolder = false;  // folders are skipped, never descended into
    std::int64_t Size = 0;  // as the browser knows it
};

// A file that a new list leaves out, and why ("cannot be read: Permission denied").
struct TLeftOut {
    std::string Name;
    std::string Reason;
};

// Why a file of this name cannot be listed so that the list reads back as the same name; empty when it
// can. In SFV and MD5 lists a line ends at CR or LF; the reader trims blanks and one pair of wrapping
// double quotes, reads "\" as a folder separator, takes an SFV line that begins with ";" for a comment
// and drops every "*" of an MD5 line. The other kinds escape "\", LF and CR as coreutils does, but b3sum
// cannot escape CR.
std::string NameProblem(std::string_view Name, THashKind Kind);

// True for names a folder's list never covers: lists of either kind (".sfv", ".md5", any case) and the
// temporary files of our own list writer.
bool SkippedByFolderScan(std::string_view Name);

// What a folder's list covers: its regular files (symbolic links followed), not descending, in name
// order, without the names SkippedByFolderScan leaves out and without the list being written (Target,
// compared as a file, so any name or spelling of it counts). A broken link, or a file that vanishes
// while the folder is read, is reported in Skipped; it never fails the scan.
struct TFolderScan {
    std::vector<TBrowserEntry> Entries;
    std::vector<TLeftOut> Skipped;
};
// Throws std::system_error when the folder cannot be read.
TFolderScan ScanFolder(const std::string& Folder, const std::string& Target);

// The list of a folder when none is named: inside the folder, named after it, "/data/Live" giving
// "/data/Live/Live.sfv" (or ".md5", ".sha256", ... by the kind). "." and ".." are replaced by the folder's
// real name.
std::string DefaultListPath(std::string Folder, THashKind Kind);

} // namespace quorvane
