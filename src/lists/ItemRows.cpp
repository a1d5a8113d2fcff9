#include "lists/ItemRows.h"

#include "util/PathUtils.h"
#include "util/SizeText.h"

namespace quorvane {

namespace {

// Walks the rows of the view: a header per list file, a separator before every header but the first, a
// file row per record that the filter shows (dfAll, or State equal to the filter). Sets ListItem of
// shown records to their row index and of hidden ones to -1.
template <typename HeaderFn, typename FileFn>
void WalkRows(ItemList& Items, std::int32_t DisplayFilter, HeaderFn&& OnHeader, FileFn&& OnFile) {
    std::int32_t Count = 0;
    const std::string* Last = nullptr; // the list file of the group being built; none yet counts as ""
    bool First = true;
    for (TItemRec& Rec : Items) {
        const std::string& ListFile = ListPathOf(Rec);
        if (!Last ? !ListFile.empty() : ListFile != *Last) {
            Last = &ListFile;
            Count += OnHeader(ListFile, !First);
        }
        First = false;
        Rec.ListItem = -1;
        const std::int32_t State = Rec.State.load(std::memory_order_relaxed);
        if (DisplayFilter == dfAll || State == DisplayFilter) {
            Rec.ListItem = Count++;
            OnFile(Rec, State);
        }
    }
}

} // namespace

std::vector<TRow> BuildRows(ItemList& Items, std::int32_t DisplayFilter, int SizeType, const LocaleFormat& Locale) {
    std::vector<TRow> Rows;
    WalkRows(
        Items, DisplayFilter,
        [&](const std::string& ListFile, bool Separated) {
            if (Separated)
                Rows.push_back(TRow{TRowKind::Separator, {}, -1, 0, {}, nullptr});
            Rows.push_back(TRow{TRowKind::Header, ListFile, 0, 0, {}, nullptr});
            return Separated ? 2 : 1;
        },
        [&](TItemRec& Rec, std::int32_t State) {
            Rows.push_back(TRow{TRowKind::File, std::string(ExtractFileName(Rec.FileName())), State, 1,
                                ItemSizeText(Rec.Size, SizeType, Locale), &Rec});
        });
    return Rows;
}

std::vector<TItemRec*> BuildRowRecords(ItemList& Items) {
    std::vector<TItemRec*> Rows;
    Rows.reserve(Items.Count() + 16);
    WalkRows(
        Items, dfAll,
        [&](const std::string&, bool Separated) {
            Rows.insert(Rows.end(), Separated ? 2 : 1, nullptr);
            return Separated ? 2 : 1;
        },
        [&](TItemRec& Rec, std::int32_t) { Rows.push_back(&Rec); });
    return Rows;
}

std::string ItemSizeText(std::int64_t Size, int SizeType, const LocaleFormat& Locale) {
    if (Size < 0)
        return "Not Found";
    if (Size == 0)
        return "0 KB";
    switch (SizeType) {
    case smKB: {
        double Kilobytes = static_cast<double>(Size) / 1024.0;
        if (Kilobytes < 1)
            Kilobytes = 1;
        return FormatNumber(Kilobytes, 0, Locale) + " KB";
    }
    case smBytes:
        return SizeToText(smBytes, false, static_cast<double>(Size), Locale);
    default: // smAuto, and any value a damaged setting may hold
        return SizeToText(smAuto, true, static_cast<double>(Size), Locale);
    }
}

} // namespace quorvane
