// The list reader: checksum list files read, cleaned into lines and made into records.
//
// A list is read whole into one buffer and cleaned as views into it: the lines, the MD5 lines turned
// into SFV order (written into a storage string reserved up front, so views never move), the
// whole-text trim (done on the first and last non-blank lines, which is what joining, trimming and
// splitting again amounts to), then the duplicate test. The duplicate test keeps a hash set of the
// kept lines, hashed and compared with ASCII letters folded: the same result as comparing each line
// with every kept line, in linear time. The hash is seeded per process, so a crafted list cannot aim
// at collisions. Records are then made straight from the views; each string gets its exact size.

#include "lists/ListReader.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>

#include <fcntl.h>
#include <unistd.h>

#include "lists/DigestLines.h"
#include "util/PathUtils.h"
#include "util/FileIo.h"
#include "util/StringUtils.h"

namespace quorvane {

namespace {

[[noreturn]] void ThrowCannotOpen(const std::string& Path) {
    throw ListFileError("Cannot open file " + Path);
}

// The content of a regular file up to its first zero byte, where a list's text ends: a large file that is
// no list (an image, an archive) is read only that far, not copied into memory whole. Never opens anything
// else (a fifo or device could block or have side effects): the path is checked first, and the opened
// handle again (it may have changed).
std::string ReadListBytes(const std::string& Path) {
    if (!PathInfo(Path).IsFile())
        ThrowCannotOpen(Path);
    const TUniqueFd File(::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    const TPathInfo Info = File.Valid() ? FdInfo(File.Get()) : TPathInfo{};
    if (!Info.IsFile())
        ThrowCannotOpen(Path);
    // The size is only a hint: the file may grow or shrink while it is read. Memory is reserved for it
    // (up to 1 GiB) but only touched as it is read, a block at a time (one byte more than the size, so
    // that the end shows; a file that grew is read on in small blocks).
    constexpr std::size_t Block = 4u << 20;
    const auto Expected = static_cast<std::size_t>(std::max<std::int64_t>(Info.Size, 0)) + 1;
    std::string Bytes;
    Bytes.reserve(std::min<std::size_t>(Expected, std::size_t{1} << 30));
    std::size_t Used = 0;
    for (;;) {
        const std::size_t Want = Used < Expected ? std::min(Block, Expected - Used) : std::size_t{64} << 10;
        Bytes.resize(Used + Want);
        const ssize_t Got = ::read(File.Get(), Bytes.data() + Used, Want);
        if (Got < 0) {
            if (errno == EINTR)
                continue;
            ThrowCannotOpen(Path); // EIO and friends: the list vanished or broke while read
        }
        if (Got == 0)
            break;
        const char* const Zero = static_cast<const char*>(std::memchr(Bytes.data() + Used, '\0', static_cast<std::size_t>(Got)));
        Used += static_cast<std::size_t>(Got);
        if (Zero) {
            Used = static_cast<std::size_t>(Zero - Bytes.data());
            break;
        }
    }
    Bytes.resize(Used);
    Bytes.shrink_to_fit();
    return Bytes;
}

// Splits at CR LF, LF or CR; drops empty and comment lines (the first two cleaning steps).
// Number of CR and LF bytes, eight at a time: a byte of X ^ C is zero exactly where X holds C, and
// ((Y & 0x7F..) + 0x7F..) | Y has the high bit of each byte set exactly where Y's byte is not zero.
std::size_t CountBreaks(std::string_view Text) {
    constexpr std::uint64_t Ones = 0x0101010101010101ULL;
    constexpr std::uint64_t Low7 = 0x7F * Ones;
    auto ZeroBytes = [](std::uint64_t Y) { return ~(((Y & Low7) + Low7) | Y) & (0x80 * Ones); };
    std::size_t Count = 0;
    std::size_t I = 0;
    for (; I + 8 <= Text.size(); I += 8) {
        std::uint64_t X;
        std::memcpy(&X, Text.data() + I, 8);
        Count += static_cast<std::size_t>(std::popcount(ZeroBytes(X ^ ('\n' * Ones)) | ZeroBytes(X ^ ('\r' * Ones))));
    }
    for (; I < Text.size(); ++I)
        Count += Text[I] == '\n' || Text[I] == '\r';
    return Count;
}

void SplitLines(std::string_view Text, std::vector<std::string_view>& Lines) {
    // At most one line per CR or LF, and one more: reserving touches no memory, growing would copy.
    Lines.reserve(Lines.size() + 1 + CountBreaks(Text));
    const char* Pos = Text.data();
    const char* const End = Pos + Text.size();
    // The next CR and LF, each found with memchr and kept until passed.
    const char* NextCr = nullptr;
    const char* NextLf = nullptr;
    auto Find = [End](const char* From, char C) {
        const void* Hit = std::memchr(From, C, static_cast<std::size_t>(End - From));
        return Hit ? static_cast<const char*>(Hit) : End;
    };
    while (Pos < End) {
        if (!NextCr || NextCr < Pos)
            NextCr = Find(Pos, '\r');
        if (!NextLf || NextLf < Pos)
            NextLf = Find(Pos, '\n');
        const char* Break = NextCr < NextLf ? NextCr : NextLf;
        if (Break > Pos && *Pos != ';')
            Lines.emplace_back(Pos, static_cast<std::size_t>(Break - Pos));
        if (Break == End)
            break;
        Pos = Break + ((*Break == '\r' && Break + 1 < End && Break[1] == '\n') ? 2 : 1);
    }
}

bool AllBlank(std::string_view Line) {
    for (const char C : Line)
        if (!IsBlank(C))
            return false;
    return true;
}

// MD5 line: digest, space, name  ->  name (trimmed, every "*" removed), space, digest.
void RewriteMd5Lines(std::vector<std::string_view>& Lines, std::string& Out, std::size_t Reserve) {
    Out.reserve(Reserve); // every line grows by one byte at most, so the views below never move
    for (std::string_view& Line : Lines) {
        const std::size_t Space = Line.find(' ');
        const std::string_view Digest =
            Space == std::string_view::npos ? std::string_view{} : TrimBlanks(Line.substr(0, Space));
        const std::string_view Name = TrimBlanks(Space == std::string_view::npos ? Line : Line.substr(Space));
        const std::size_t Start = Out.size();
        for (std::string_view Rest = Name; !Rest.empty();) { // the runs between the "*"s
            const void* Star = std::memchr(Rest.data(), '*', Rest.size());
            const std::size_t Run =
                Star ? static_cast<std::size_t>(static_cast<const char*>(Star) - Rest.data()) : Rest.size();
            Out.append(Rest.data(), Run);
            Rest.remove_prefix(Star ? Run + 1 : Run);
        }
        Out += ' ';
        Out.append(Digest);
        Line = std::string_view(Out).substr(Start);
    }
}

// Joining the lines, trimming the whole text and splitting it again.
void TrimWholeText(std::vector<std::string_view>& Lines) {
    std::size_t First = 0;
    std::size_t Last = Lines.size();
    while (First < Last && AllBlank(Lines[First]))
        ++First;
    while (Last > First && AllBlank(Lines[Last - 1]))
        --Last;
    if (First == Last) {
        Lines.clear();
        return;
    }
    std::string_view& Head = Lines[First];
    while (IsBlank(Head.front()))
        Head.remove_prefix(1);
    std::string_view& Tail = Lines[Last - 1];
    while (IsBlank(Tail.back()))
        Tail.remove_suffix(1);
    Lines.erase(Lines.begin() + static_cast<std::ptrdiff_t>(Last), Lines.end());
    Lines.erase(Lines.begin(), Lines.begin() + static_cast<std::ptrdiff_t>(First));
}

std::uint64_t HashSeed() {
    static const std::uint64_t Seed = [] {
        std::random_device Device;
        return (static_cast<std::uint64_t>(Device()) << 32) ^ Device() ^ 0x9E3779B97F4A7C15ULL;
    }();
    return Seed;
}

// Eight bytes with their ASCII capitals folded to lower case at once.
inline std::uint64_t FoldWord(std::uint64_t X) {
    constexpr std::uint64_t Ones = 0x0101010101010101ULL;
    const std::uint64_t Heptets = X & (0x7F * Ones);
    const std::uint64_t AtLeastA = Heptets + (0x80 - 'A') * Ones;   // high bit: byte >= 'A'
    const std::uint64_t AboveZ = Heptets + (0x80 - 'Z' - 1) * Ones; // high bit: byte > 'Z'
    const std::uint64_t Capital = (AtLeastA ^ AboveZ) & ~X & (0x80 * Ones);
    return X | (Capital >> 2);
}

// Hash of a text, its ASCII capitals folded first when Fold is set.
template <bool Fold> std::uint64_t TextHash(std::string_view Line, std::uint64_t Seed) {
    constexpr std::uint64_t K = 0x9FB21C651E98DF25ULL;
    auto Word = [](std::uint64_t W) { return Fold ? FoldWord(W) : W; };
    std::uint64_t H = Seed ^ (Line.size() * K);
    const char* P = Line.data();
    std::size_t Left = Line.size();
    for (; Left >= 8; P += 8, Left -= 8) {
        std::uint64_t W;
        std::memcpy(&W, P, 8);
        H = std::rotl((H ^ Word(W)) * K, 29);
    }
    if (Left > 0) {
        std::uint64_t W = 0;
        std::memcpy(&W, P, Left);
        H = std::rotl((H ^ Word(W)) * K, 29);
    }
    H ^= H >> 32;
    H *= K;
    H ^= H >> 29;
    return H;
}

// Names on Linux are case-sensitive: two lines are the same entry only when the part before the last
// space (the name) is the same byte for byte and the part after it (the checksum) the same ignoring case.
std::size_t ChecksumStart(std::string_view Line) {
    const std::size_t Space = Line.rfind(' ');
    return Space == std::string_view::npos ? 0 : Space + 1;
}

std::uint64_t EntryHash(std::string_view Line, std::uint64_t Seed) {
    const std::size_t Split = ChecksumStart(Line);
    return TextHash<true>(Line.substr(Split), TextHash<false>(Line.substr(0, Split), Seed));
}

bool SameEntry(std::string_view A, std::string_view B) {
    const std::size_t Split = ChecksumStart(A);
    return Split == ChecksumStart(B) && A.substr(0, Split) == B.substr(0, Split) &&
           SameTextAscii(A.substr(Split), B.substr(Split));
}

// Keeps each line only if no earlier kept line is the same entry (step 6). An open-
// addressing table of kept-line indexes (at most half full, linear probing) with a 32-bit tag of each
// hash, so that a probe costs one cache line. Beyond the caches the probes are memory-bound: the hashes
// of the next lines are computed ahead and their slots prefetched, which keeps the time per line flat
// from a hundred thousand lines to millions.
template <class IndexT> void RemoveDuplicatesWith(std::vector<std::string_view>& Lines) {
    struct Slot {
        std::uint32_t Tag;
        IndexT Kept; // index + 1 of a kept line, 0 when free
    };
    std::size_t Slots = 16;
    while (Slots < Lines.size() * 2)
        Slots *= 2;
    const std::size_t Mask = Slots - 1;
    std::vector<Slot> Table(Slots, Slot{0, 0});
    const std::uint64_t Seed = HashSeed();
    constexpr std::size_t Ahead = 16;
    std::uint64_t Ring[Ahead];
    const std::size_t Total = Lines.size();
    for (std::size_t I = 0; I < Ahead && I < Total; ++I) {
        Ring[I] = EntryHash(Lines[I], Seed);
        __builtin_prefetch(&Table[Ring[I] & Mask]);
    }
    std::size_t Count = 0;
    for (std::size_t I = 0; I < Total; ++I) {
        const std::uint64_t H = Ring[I % Ahead];
        if (I + Ahead < Total) { // lines ahead of I are not yet moved by the compaction below
            const std::uint64_t Next = EntryHash(Lines[I + Ahead], Seed);
            Ring[I % Ahead] = Next;
            __builtin_prefetch(&Table[Next & Mask]);
        }
        const std::string_view Line = Lines[I];
        const auto Tag = static_cast<std::uint32_t>(H >> 32);
        std::size_t Index = static_cast<std::size_t>(H) & Mask;
        bool Duplicate = false;
        while (Table[Index].Kept != 0) {
            if (Table[Index].Tag == Tag && SameEntry(Lines[Table[Index].Kept - 1], Line)) {
                Duplicate = true;
                break;
            }
            Index = (Index + 1) & Mask;
        }
        if (Duplicate)
            continue;
        Lines[Count] = Line;
        Table[Index] = Slot{Tag, static_cast<IndexT>(++Count)};
    }
    Lines.resize(Count);
}

void RemoveDuplicates(std::vector<std::string_view>& Lines) {
    if (Lines.size() < 2)
        return;
    if (Lines.size() < 0xFFFFFFFFu)
        RemoveDuplicatesWith<std::uint32_t>(Lines);
    else
        RemoveDuplicatesWith<std::size_t>(Lines); // more than 4 billion lines: wider slots
}

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

void CleanInto(std::string_view Text, bool IsMd5List, std::vector<std::string_view>& Lines, std::string& Out) {
    if (Text.empty())
        return;
    if (const void* Zero = std::memchr(Text.data(), '\0', Text.size()))
        Text = Text.substr(0, static_cast<std::size_t>(static_cast<const char*>(Zero) - Text.data()));
    // A UTF-8 byte-order mark (lists saved by some Windows editors) is not part of the first name.
    if (Text.starts_with(Utf8Bom))
        Text.remove_prefix(Utf8Bom.size());
    SplitLines(Text, Lines);
    if (IsMd5List)
        RewriteMd5Lines(Lines, Out, Text.size() + Lines.size());
    TrimWholeText(Lines);
    RemoveDuplicates(Lines);
}

std::string_view StripQuotesView(std::string_view Text) {
    if (Text.size() > 1) {
        if (Text.front() == '"')
            Text.remove_prefix(1);
        if (!Text.empty() && Text.back() == '"')
            Text.remove_suffix(1);
    }
    return Text;
}

// The name part and the checksum of a cleaned line (OpenChecksumFiles step 3.3).
void SplitEntry(std::string_view Line, std::string_view& Name, std::string_view& Checksum) {
    const std::size_t Space = Line.rfind(' ');
    if (Space == std::string_view::npos) {
        Name = {};
        Checksum = Line;
    } else {
        Name = StripQuotesView(TrimBlanks(Line.substr(0, Space)));
        Checksum = Line.substr(Space + 1);
    }
}

// FileSize64 of the entries of one list, relative to the list's folder opened once: each lookup walks
// only the name as written instead of the whole path from the root. Same result as FileSize64 of the
// full path; absolute names, and every name when the folder cannot be opened, are looked up whole.
class FolderSizes {
public:
    explicit FolderSizes(std::string_view Folder) : Prefix(Folder.size()) {
        if (!Folder.empty())
            Dir = TUniqueFd(::open(std::string(Folder).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    }

    std::int64_t Size(const char* FileName, bool Absolute) const {
        if (!Dir.Valid() || Absolute)
            return FileSize64(FileName);
        const char* Name = FileName + Prefix;
        while (*Name == '/')
            ++Name;
        if (*Name == '\0')
            return -1;
        const TPathInfo Info = PathInfoAt(Dir.Get(), Name);
        return Info.IsFile() ? Info.Size : -1;
    }

private:
    std::size_t Prefix;
    TUniqueFd Dir;
};

// A name that begins with "/" is an absolute path. Any other name is relative to the list's folder, a
// leading "\" of a list written on Windows included (it is dropped, so that the name stays relative
// also when the list was given without a folder).
bool IsAbsoluteName(std::string_view Name) {
    return !Name.empty() && Name.front() == '/';
}

// The record's path: folder + name with "\" read as "/", or the name alone when it is absolute; into Path.
void JoinName(std::string_view Folder, std::string_view Name, std::string& Path) {
    if (IsAbsoluteName(Name))
        Folder = {};
    else
        while (!Name.empty() && Name.front() == '\\')
            Name.remove_prefix(1);
    Path.assign(Folder);
    Path.append(Name);
    std::replace(Path.begin() + static_cast<std::ptrdiff_t>(Folder.size()), Path.end(), '\\', '/');
}

} // namespace

std::string StripQuotes(std::string Text) {
    return std::string(StripQuotesView(Text));
}

bool IsMd5ListName(std::string_view Path) {
    return SameTextAscii(ExtractFileExt(Path), ".md5");
}

std::vector<std::string_view> CleanListLines(std::string_view Text, bool IsMd5List, std::string& Storage) {
    std::vector<std::string_view> Lines;
    Storage.clear();
    CleanInto(Text, IsMd5List, Lines, Storage);
    return Lines;
}

std::vector<std::string> CleanListText(std::string_view Text, bool IsMd5List) {
    std::string Storage;
    const std::vector<std::string_view> Lines = CleanListLines(Text, IsMd5List, Storage);
    return {Lines.begin(), Lines.end()};
}

std::vector<std::string> LoadListFile(const std::string& Path, bool& IsMd5List) {
    const std::string Bytes = ReadListBytes(Path);
    IsMd5List = IsMd5ListName(Path);
    return CleanListText(Bytes, IsMd5List);
}

TListEntry SplitEntryLine(std::string_view Line) {
    std::string_view Name, Checksum;
    SplitEntry(Line, Name, Checksum);
    TListEntry Entry{{}, std::string(Checksum)};
    JoinName({}, Name, Entry.Name);
    return Entry;
}

std::string SidecarOf(const std::string& Path) {
    if (KindFromExtension(Path))
        return {};
    for (const std::string_view Ext : {".sha256", ".sha512", ".sha1", ".b3", ".blake3", ".md5", ".sfv"})
        if (std::string Sidecar = Path + std::string(Ext); PathInfo(Sidecar).IsFile())
            return Sidecar;
    return {};
}

std::string ListCaption(const std::vector<std::string>& ChecksumFiles) {
    // The name part of the whole text of ChecksumFiles, trimmed: the last list's name. A line break
    // ends a name too, so that a relative last path does not drag the one before it along.
    std::string Whole;
    for (const auto& F : ChecksumFiles) {
        Whole += F;
        Whole += "\r\n";
    }
    const std::string_view Trimmed = TrimBlanks(Whole);
    const std::size_t Sep = Trimmed.find_last_of("/\r\n");
    const std::string_view Name = Sep == std::string_view::npos ? Trimmed : Trimmed.substr(Sep + 1);
    return std::string(AppTitle) + " - " + std::string(Name);
}

TOpenResult OpenChecksumFiles(const std::vector<std::string>& ChecksumFiles, ItemList& Items, TCounters& Counters,
                              bool& IsMd5List, bool LookUpSizes) {
    Items.Clear();
    // The counters follow the records on every way out, a failed list included.
    struct CounterUpdate {
        const ItemList& Items;
        TCounters& Counters;
        ~CounterUpdate() {
            Counters.UncheckedCount = static_cast<std::int32_t>(Items.Count());
            Counters.MissingCount = 0;
            Counters.BadCount = 0;
            Counters.GoodCount = 0;
        }
    } const Update{Items, Counters};

    TOpenResult Result;
    std::string FileName;
    for (const std::string& F : ChecksumFiles) {
        std::string Storage;
        const std::string Bytes = ReadListBytes(F);
        const std::optional<THashKind> Named = KindFromExtension(F);
        const std::string_view Folder = ExtractFilePath(F);
        const std::size_t Before = Items.Count();
        const FolderSizes Sizes(LookUpSizes ? Folder : std::string_view());
        // Other tools' digest lists: by their extension, or by their lines.
        TDigestList Digests;
        if (!Named || IsDigestKind(*Named))
            Digests = ReadDigestLines(Bytes, Named);
        IsMd5List = !Digests.Kind && Named == THashKind::Md5;
        try {
            if (Digests.Kind) {
                const TListFile* const ListFile = Items.AddListFile(F, *Digests.Kind);
                for (const TDigestEntry& Entry : Digests.Entries) {
                    FileName.assign(IsAbsoluteName(Entry.Name) ? std::string_view() : Folder);
                    FileName += Entry.Name;
                    TItemRec& Rec = Items.Add(FileName, Entry.Digest, ListFile);
                    if (LookUpSizes)
                        Rec.Size = Sizes.Size(Rec.FileNameC(), IsAbsoluteName(Entry.Name));
                }
                for (const TDigestProblem& Problem : Digests.Problems)
                    Result.Problems.push_back(F + ":" + std::to_string(Problem.Line) + ": " + Problem.Text);
                continue;
            }
            const std::vector<std::string_view> Lines = CleanListLines(Bytes, IsMd5List, Storage);
            const TListFile* const ListFile = Items.AddListFile(F, IsMd5List ? THashKind::Md5 : THashKind::Crc32);
            for (const std::string_view Line : Lines) {
                std::string_view Name, Checksum;
                SplitEntry(Line, Name, Checksum);
                JoinName(Folder, Name, FileName);
                TItemRec& Rec = Items.Add(FileName, Checksum, ListFile);
                if (LookUpSizes)
                    Rec.Size = Sizes.Size(Rec.FileNameC(), IsAbsoluteName(Name));
            }
        } catch (...) {
            Items.Truncate(Before); // out of memory part-way: no half-read list stays
            throw;
        }
    }
    Result.IsMd5List = IsMd5List;
    Result.Caption = ListCaption(ChecksumFiles);
    return Result;
}

} // namespace quorvane
