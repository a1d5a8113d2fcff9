#pragma once

// The records of the open checksum lists, their counters and the size lookup.
// Records are created and disposed of on the user-interface thread only; during a run the worker
// writes State (atomic) and the counters (atomic), and reads the rest.

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checksum/HashKind.h"

namespace quorvane {

enum TItemState : std::int32_t { isUnchecked = 1, isMissing = 2, isBad = 3, isGood = 4 };

// One open list file, shared by its records.
struct TListFile {
    std::string Path;                    // the path exactly as given (ChecksumFiles)
    THashKind Kind = THashKind::Crc32;   // what its entries hold: SFV lists CRC-32, MD5 lists MD5, ...
    std::optional<THashKind> OrKind;     // a pasted hash that may be of either kind: tried when Kind fails
};

// One file of an open list: 40 bytes, its two texts kept once in the item list's text store (a list of
// millions of entries is held in little more than its own size).
struct TItemRec {
    // The full path (list folder + name as written), followed by a NUL in the store.
    std::string_view FileName() const { return {Text, NameSize}; }
    const char* FileNameC() const { return Text; }
    // The expected text, exactly as read.
    std::string_view Checksum() const { return {Text + NameSize + 1, SumSize}; }

    const TListFile* ListFile = nullptr;          // the list file it came from (owned by the item list)
    std::int64_t Size = -1;                       // bytes; -1 when not found
    std::atomic<std::int32_t> State{isUnchecked}; // TItemState
    std::int32_t ListItem = -1;                   // index of its row in the view, or -1 when hidden
    const char* Text = nullptr;                   // FileName, NUL, Checksum
    std::uint32_t NameSize = 0;
    std::uint32_t SumSize = 0;
};

// Ordered records of all open lists, grouped by list file. Addresses of records, texts and list files stay
// valid until Clear().
class ItemList {
public:
    ItemList() = default;
    ItemList(const ItemList&) = delete;
    ItemList& operator=(const ItemList&) = delete;

    // A list file for the records that follow.
    const TListFile* AddListFile(std::string Path, THashKind Kind, std::optional<THashKind> OrKind = {});
    // A record with copies of its path and checksum; throws std::bad_alloc when out of memory (or for a
    // text of 4 GiB or more).
    TItemRec& Add(std::string_view FileName, std::string_view Checksum, const TListFile* List = nullptr);
    void Clear();
    // Drops the records from NewCount on (their texts stay stored until Clear).
    void Truncate(std::size_t NewCount) {
        while (Items.size() > NewCount)
            Items.pop_back();
    }
    std::size_t Count() const { return Items.size(); }
    bool Empty() const { return Items.empty(); }
    TItemRec& operator[](std::size_t I) { return Items[I]; }
    const TItemRec& operator[](std::size_t I) const { return Items[I]; }
    auto begin() { return Items.begin(); }
    auto end() { return Items.end(); }
    auto begin() const { return Items.begin(); }
    auto end() const { return Items.end(); }

private:
    char* Store(std::size_t Bytes);

    std::deque<TItemRec> Items;
    std::deque<TListFile> ListFiles;
    std::vector<std::unique_ptr<char[]>> Blocks; // the text store, filled block after block
    char* Free = nullptr;                        // the unused end of the last block
    std::size_t Left = 0;
};

// The four counts shown in the status bar.
struct TCounters {
    std::atomic<std::int32_t> UncheckedCount{0};
    std::atomic<std::int32_t> MissingCount{0};
    std::atomic<std::int32_t> BadCount{0};
    std::atomic<std::int32_t> GoodCount{0};
};

// Size of a regular file (symbolic links followed) without opening it; -1 when absent, a folder, or
// anything else that is not a regular file (fifo, device, socket). Never throws.
std::int64_t FileSize64(const std::string& Path);

// The path of a record's list file; empty when it has none.
inline const std::string& ListPathOf(const TItemRec& Rec) {
    static const std::string None;
    return Rec.ListFile ? Rec.ListFile->Path : None;
}

} // namespace quorvane
