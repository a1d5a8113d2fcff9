#pragma once

// Reading SFV and MD5 list files into the item list, as the desktop program's Open does.
// User-interface thread only. Throws ListFileError ("Cannot open file %s") for a list that cannot be
// opened; records read from the list files before it stay in the item list.

#include <stdexcept>
#include <string>
#include <vector>

#include "lists/ItemList.h"

class ListFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Removes one leading and then one trailing double quote from a text longer than one character.
std::string StripQuotes(std::string Text);

// The cleaned entry lines of one list file, in SFV order (name, space, checksum); sets IsMd5List
// from the extension. Only regular files are read.
std::vector<std::string> LoadListFile(const std::string& Path, bool& IsMd5List);

// The result of opening lists: what OpenChecksumFiles sets besides the records.
struct TOpenResult {
    bool IsMd5List = false;
    std::string Caption;  // "Quorvane 2.6 - <name of the last list>"
};

// Disposes of every record, then reads every list of ChecksumFiles in order into Items.
// Counters: UncheckedCount = records, the others 0 (also set when a list fails).
TOpenResult OpenChecksumFiles(const std::vector<std::string>& ChecksumFiles, ItemList& Items, TCounters& Counters,
                              bool& IsMd5List);

inline constexpr const char* AppTitle = "Quorvane 2.6";
