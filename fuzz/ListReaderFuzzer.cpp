// libFuzzer target for the list reader: any bytes as an SFV and as an MD5 list.
//
// Checks, besides the sanitizers' findings: the cleaned lines equal those of the literal, quadratic
// transcription of the list format (for inputs small enough to compare quickly); no line is empty or holds
// a line break or zero byte; the start of the text is trimmed; no two lines are equal ignoring case;
// and reading the bytes from a real file gives one record per line.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

#include "lists/ListReader.h"
#include "lists/ListReaderReference.h"
#include "util/StringUtils.h"

using namespace quorvane;

namespace {

[[noreturn]] void Fail(const char* What) {
    std::fprintf(stderr, "ListReaderFuzzer: %s\n", What);
    std::abort();
}

// A private folder for the list file, removed at exit. Held by a pointer that is never freed, so
// that it outlives the exit handler (a static string could be destroyed before the handler runs).
const std::string& WorkDir() {
    static const std::string* const Dir = [] {
        std::string Pattern = (std::filesystem::temp_directory_path() / "quorvane-fuzz-XXXXXX").string();
        if (!::mkdtemp(Pattern.data()))
            Fail("cannot create a temporary folder");
        return new std::string(Pattern);
    }();
    static const bool Registered = [] {
        return std::atexit([] {
                   std::error_code Ignored;
                   std::filesystem::remove_all(*Dir, Ignored);
               }) == 0;
    }();
    (void)Registered;
    return *Dir;
}

void CheckLines(const std::vector<std::string>& Lines, std::string_view Text, bool IsMd5) {
    for (const auto& L : Lines)
        if (L.empty() || L.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            Fail("an empty line or a line with a break or zero byte");
    // The first line is always kept; the trimmed last line may go as a duplicate of an earlier one.
    if (!Lines.empty() && IsBlank(Lines.front().front()))
        Fail("the whole text is not trimmed");
    if (Lines.size() <= 300) {
        for (std::size_t I = 0; I < Lines.size(); ++I)
            for (std::size_t J = I + 1; J < Lines.size(); ++J)
                if (qvref::SameEntry(Lines[I], Lines[J]))
                    Fail("a duplicate line was kept");
    }
    if (Text.size() <= 4096 && Lines != qvref::CleanListText(std::string(Text), IsMd5))
        Fail("the reader differs from the reference");
    for (const auto& L : Lines) {
        const TListEntry E = SplitEntryLine(L);
        if (E.Name.size() + E.Checksum.size() > L.size() || E.Name.find('\\') != std::string::npos)
            Fail("an entry larger than its line, or a backslash in its name");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view Text(reinterpret_cast<const char*>(Data), Size);
    const auto Sfv = CleanListText(Text, false);
    CheckLines(Sfv, Text, false);
    const auto Md5 = CleanListText(Text, true);
    CheckLines(Md5, Text, true);

    if (Size <= 8192) { // through a real file: reading, names, sizes, counters
        const std::string Path = WorkDir() + "/list.md5";
        {
            std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
            Out.write(Text.data(), static_cast<std::streamsize>(Text.size()));
        }
        ItemList Items;
        TCounters Counters;
        bool IsMd5List = false;
        const TOpenResult R = OpenChecksumFiles({Path}, Items, Counters, IsMd5List);
        if (!IsMd5List || Items.Count() != Md5.size() || Counters.UncheckedCount != static_cast<int>(Items.Count()))
            Fail("records differ from the cleaned lines");
        if (R.Caption != "Quorvane 2.6 - list.md5")
            Fail("wrong caption");
        for (std::size_t I = 0; I < Items.Count(); ++I) { // absolute names stand alone
            const std::string Name = SplitEntryLine(Md5[I]).Name;
            if (Items[I].FileName() != (Name.starts_with('/') ? Name : WorkDir() + "/" + Name))
                Fail("a name not resolved against the list's folder");
        }
    }
    return 0;
}
