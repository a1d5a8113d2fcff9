#pragma once

// The records of the open checksum lists, their counters and the size lookup.
// Records are created and disposed of on the user-interface thread only; during a run the worker
// writes State (atomic) and the counters (atomic), and reads the rest.

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

namespace quorvane {

enum TItemState : std::int32_t { isUnchecked = 1, isMissing = 2, isBad = 3, isGood = 4 };

// One open list file, shared by its records.
struct TListFile {
    std::string Path;    // the path exactly as given (ChecksumFiles)
    bool IsMd5 = false;  // its kind, from its own extension: ".md5" (any case) is MD5, anything else SFV
};

// One file of an open list. 96 bytes plus the heap of its two strings (ListFile is shared per list).
struct TItemRec {
    std::string FileName;                         // full path: list folder + name as written
    std::string Checksum;                         // expected text, exactly as read
    std::shared_ptr<const TListFile> ListFile;    // the list file it came from
    std::int64_t Size = -1;                       // bytes; -1 when not found
    std::atomic<std::int32_t> State{isUnchecked}; // TItemState
    std::int32_t ListItem = -1;                   // index of its row in the view, or -1 when hidden
};

// Ordered records of all open lists, grouped by list file. Addresses stay valid until Clear().
class ItemList {
public:
    TItemRec& Add() { return Items.emplace_back(); }
    void Clear() { Items.clear(); }
    void Truncate(std::size_t NewCount) { // drops the records from NewCount on
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
    std::deque<TItemRec> Items;
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
