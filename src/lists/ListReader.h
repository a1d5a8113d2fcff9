#pragma once

// Reading SFV and MD5 list files into the item list, as the desktop program's Open does.
// User-interface thread only. Throws ListFileError ("Cannot open file %s") for a list that cannot be
// opened or read; records read from the list files before it stay in the item list. Other exceptions
// (std::bad_alloc) pass through with the same guarantee.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "lists/ItemList.h"
#include "util/Version.h"

namespace quorvane {

class ListFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Removes one leading and then one trailing double quote from a text longer than one character.
std::string StripQuotes(std::string Text);

// The cleaned entry lines of one list file, in SFV order (name, space, checksum); sets IsMd5List
// from the extension. Only regular files are read (a folder, fifo or device is "Cannot open file").
std::vector<std::string> LoadListFile(const std::string& Path, bool& IsMd5List);

// What LoadListFile does once the file is in memory (it is read up to its first zero byte): the text ends
// at its first zero byte, splits at
// CR LF, LF and CR; empty and ";" lines go; MD5 lines turn into SFV order; the whole text is trimmed;
// lines equal to an earlier one ignoring ASCII case go.
std::vector<std::string> CleanListText(std::string_view Text, bool IsMd5List);

// CleanListText without copies: the lines are views into Text or into Storage (cleared first, holding
// the MD5 lines in SFV order); both must outlive the views.
std::vector<std::string_view> CleanListLines(std::string_view Text, bool IsMd5List, std::string& Storage);

// True when the list's extension is ".md5" in any case: the list is an MD5 list.
bool IsMd5ListName(std::string_view Path);

// One cleaned line read as an entry: the checksum is everything after the last space (the whole line
// when there is none); the name is what comes before it, trimmed, StripQuotes'd, "\" read as "/".
struct TListEntry {
    std::string Name;
    std::string Checksum;
};
TListEntry SplitEntryLine(std::string_view Line);

// The result of opening lists: what OpenChecksumFiles sets besides the records.
struct TOpenResult {
    bool IsMd5List = false;
    std::string Caption; // "Quorvane 2.6 - <name of the last list>"
    // Lines of digest lists that fit no form, each once: "<list>:<line number>: <the line>".
    std::vector<std::string> Problems;
};

// Disposes of every record, then reads every list of ChecksumFiles in order into Items. A ".sfv" or ".md5"
// list is read by its own rules; a ".sha1", ".sha256", ".sha512", ".b3" or ".blake3" list in the forms the
// tools of that kind write (DigestLines.h), and so is a list of any other name whose lines are in one of
// those forms; anything else by the SFV rules. In digest lists "\" is part of a name.
// Counters: UncheckedCount = records, the others 0 (also set when a list fails).
// IsMd5List follows each list read successfully (so it describes the last one). Each record's size is
// looked up unless LookUpSizes is false (a caller that checks at once: the check's start looks them up).
TOpenResult OpenChecksumFiles(const std::vector<std::string>& ChecksumFiles, ItemList& Items, TCounters& Counters,
                              bool& IsMd5List, bool LookUpSizes = true);

// The list beside a file that holds its checksum (a "sidecar", as download pages publish them):
// Path + ".sha256", ".sha512", ".sha1", ".b3", ".blake3", ".md5" or ".sfv", the first that is a regular
// file; empty when there is none, and for a path that is itself a list by its extension.
std::string SidecarOf(const std::string& Path);

// The window caption for a set of list files: AppTitle, " - ", the name part of the last one.
std::string ListCaption(const std::vector<std::string>& ChecksumFiles);

} // namespace quorvane
