#pragma once

// The rows of the checksum list view, built from the item list under the display filter and the
// size mode. A pure function of its inputs, apart from each record's ListItem, which it sets.

#include <cstdint>
#include <string>
#include <vector>

#include "lists/ItemList.h"
#include "util/LocaleFormat.h"

namespace quorvane {

enum class TRowKind : std::uint8_t { Header, Separator, File };

// Display filter values: 1 All, 2 Missing, 3 Bad, 4 Good.
enum TDisplayFilter : std::int32_t { dfAll = 1, dfMissing = 2, dfBad = 3, dfGood = 4 };

struct TRow {
    TRowKind Kind = TRowKind::File;
    std::string Caption;        // header: list path; file: name part of FileName; separator: empty
    std::int32_t Image = -1;    // header 0, separator -1, file: the record's State
    std::int32_t Indent = 0;    // file rows 1
    std::string SizeText;       // file rows only
    TItemRec* Record = nullptr; // file rows only
};

// Builds every row (RefillList): a header per list file, a separator before every header but the
// first, a file row per record that the filter shows (dfAll, or State equal to the filter). Sets
// ListItem of shown records to their row index and of hidden ones to -1. An empty list gives no rows.
std::vector<TRow> BuildRows(ItemList& Items, std::int32_t DisplayFilter, int SizeType, const LocaleFormat& Locale = {});

// The record of every row BuildRows gives with dfAll (nullptr for headers and separators), without the
// rows' texts: the console's view of a list of millions of entries. Sets ListItem as BuildRows does.
std::vector<TItemRec*> BuildRowRecords(ItemList& Items);

// The "Size" column text of a record's size: "Not Found" (-1, or any negative), "0 KB", or by the size
// mode: 0 Auto (SizeToText with "bytes"), 1 KB ("%.0n KB", at least 1), 2 Bytes (digits only).
// Any other size mode reads as Auto.
std::string ItemSizeText(std::int64_t Size, int SizeType, const LocaleFormat& Locale = {});

} // namespace quorvane
