#include "lists/ItemRows.h"

#include "util/PathUtils.h"
#include "util/SizeText.h"

namespace quorvane {

std::vector<TRow> BuildRows(ItemList& Items, std::int32_t DisplayFilter, int SizeType, const LocaleFormat& Locale) {
    std::vector<TRow> Rows;
    const std::string* Last = nullptr; // the list file of the group being built; none yet counts as ""
    bool First = true;
    for (TItemRec& Rec : Items) {
        const std::string& ListFile = ListPathOf(Rec);
        if (!Last ? !ListFile.empty() : ListFile != *Last) {
            Last = &ListFile;
            if (!First)
                Rows.push_back(TRow{TRowKind::Separator, {}, -1, 0, {}, nullptr});
            Rows.push_back(TRow{TRowKind::Header, ListFile, 0, 0, {}, nullptr});
        }
        First = false;
        Rec.ListItem = -1;
        const std::int32_t State = Rec.State.load(std::memory_order_relaxed);
        if (DisplayFilter == dfAll || State == DisplayFilter) {
            Rec.ListItem = static_cast<std::int32_t>(Rows.size());
            Rows.push_back(TRow{TRowKind::File, std::string(ExtractFileName(Rec.FileName)), State, 1,
                                ItemSizeText(Rec.Size, SizeType, Locale), &Rec});
        }
    }
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
