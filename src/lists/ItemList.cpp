#include "lists/ItemList.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "util/FileIo.h"

namespace quorvane {

namespace {
// Texts are stored in blocks of this size; a longer text gets a block of its own.
constexpr std::size_t StoreBlockBytes = 1u << 20;
} // namespace

const TListFile* ItemList::AddListFile(std::string Path, THashKind Kind, std::optional<THashKind> OrKind) {
    return &ListFiles.emplace_back(TListFile{std::move(Path), Kind, OrKind});
}

char* ItemList::Store(std::size_t Bytes) {
    if (Bytes > Left) {
        const std::size_t Size = std::max(Bytes, StoreBlockBytes);
        Blocks.push_back(std::make_unique_for_overwrite<char[]>(Size));
        Free = Blocks.back().get();
        Left = Size;
    }
    char* const At = Free;
    Free += Bytes;
    Left -= Bytes;
    return At;
}

TItemRec& ItemList::Add(std::string_view FileName, std::string_view Checksum, const TListFile* List) {
    constexpr std::size_t Most = UINT32_MAX;
    if (FileName.size() > Most || Checksum.size() > Most)
        throw std::bad_alloc();
    char* const Text = Store(FileName.size() + 1 + Checksum.size());
    TItemRec& Rec = Items.emplace_back();
    std::copy(FileName.begin(), FileName.end(), Text);
    Text[FileName.size()] = '\0';
    std::copy(Checksum.begin(), Checksum.end(), Text + FileName.size() + 1);
    Rec.Text = Text;
    Rec.NameSize = static_cast<std::uint32_t>(FileName.size());
    Rec.SumSize = static_cast<std::uint32_t>(Checksum.size());
    Rec.ListFile = List;
    return Rec;
}

void ItemList::Clear() {
    Items.clear();
    ListFiles.clear();
    Blocks.clear();
    Free = nullptr;
    Left = 0;
}

std::int64_t FileSize64(const std::string& Path) {
    const TPathInfo Info = PathInfo(Path);
    return Info.IsFile() ? Info.Size : -1;
}

} // namespace quorvane
