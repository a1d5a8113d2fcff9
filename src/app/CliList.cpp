// quorvane-cli list [--tsv] LIST...: the records of the lists, read as the desktop program's Open reads them.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/CliCommands.h"
#include "lists/ItemRows.h"
#include "lists/ListReader.h"
#include "util/LocaleFormat.h"
#include "util/SizeText.h"

namespace quorvane {

namespace {

const char* const ListUsage =
    "Usage: quorvane-cli list [--tsv] LIST...\n"
    "Prints the records of SFV and MD5 lists in the order the desktop program reads them.\n"
    "\n"
    "  --tsv       one line per record: list path, file name, checksum, size in bytes (-1 when\n"
    "              the file is not found), separated by tabs; in the fields a backslash, tab,\n"
    "              line feed or carriage return is written as \\\\, \\t, \\n or \\r\n"
    "  -h, --help  show this help and exit\n"
    "\n"
    "Exit status: 0 success; 2 usage error or a list that cannot be opened (the records of the\n"
    "lists before it are printed).\n";

void Put(std::string_view Text) {
    std::fwrite(Text.data(), 1, Text.size(), stdout);
}

// A TSV field: the four bytes that would break the one-line, four-field layout are escaped.
void PutField(std::string& Line, std::string_view Text) {
    for (const char C : Text) {
        switch (C) {
        case '\\':
            Line += "\\\\";
            break;
        case '\t':
            Line += "\\t";
            break;
        case '\n':
            Line += "\\n";
            break;
        case '\r':
            Line += "\\r";
            break;
        default:
            Line += C;
        }
    }
}

void PrintTsv(const ItemList& Items) {
    std::string Line;
    for (const TItemRec& Rec : Items) {
        Line.clear();
        PutField(Line, Rec.ListFile ? *Rec.ListFile : std::string());
        Line += '\t';
        PutField(Line, Rec.FileName);
        Line += '\t';
        PutField(Line, Rec.Checksum);
        Line += '\t';
        Line += std::to_string(Rec.Size);
        Line += '\n';
        Put(Line);
    }
}

// Control bytes would move the terminal's cursor: shown as "?", as ls does.
std::string Printable(std::string_view Text) {
    std::string Out(Text);
    for (char& C : Out)
        if (static_cast<unsigned char>(C) < 32 || C == 127)
            C = '?';
    return Out;
}

// The name of a record as written in its list ("\\" read as "/"): FileName without the list's folder.
std::string_view NameInList(const TItemRec& Rec) {
    std::string_view Name = Rec.FileName;
    const std::string_view List = Rec.ListFile ? std::string_view(*Rec.ListFile) : std::string_view();
    const std::size_t Slash = List.rfind('/');
    const std::string_view Folder = Slash == std::string_view::npos ? std::string_view() : List.substr(0, Slash + 1);
    if (Name.substr(0, Folder.size()) == Folder)
        Name.remove_prefix(Folder.size());
    return Name;
}

void PadTo(std::string& Line, std::size_t Used, std::size_t Width) {
    Line.append(Used < Width ? Width - Used : 0, ' ');
}

// The rows of the desktop program's list view with the checksum as a third column: a header per
// list, its files (names as written in the list) indented, a blank line between lists.
void PrintTable(ItemList& Items, const LocaleFormat& Locale) {
    const std::vector<TRow> Rows = BuildRows(Items, dfAll, smAuto, Locale);
    std::size_t NameWidth = 4, SumWidth = 8, SizeWidth = 9;
    for (const TRow& Row : Rows) {
        if (Row.Kind != TRowKind::File)
            continue;
        NameWidth = std::max(NameWidth, std::min<std::size_t>(NameInList(*Row.Record).size(), 60));
        SumWidth = std::max(SumWidth, std::min<std::size_t>(Row.Record->Checksum.size(), 32));
        SizeWidth = std::max(SizeWidth, Row.SizeText.size());
    }
    for (const TRow& Row : Rows) {
        if (Row.Kind == TRowKind::Separator) {
            Put("\n");
        } else if (Row.Kind == TRowKind::Header) {
            Put(Printable(Row.Caption) + "\n");
        } else {
            const std::string_view Name = NameInList(*Row.Record);
            std::string Line = "  " + Printable(Name);
            PadTo(Line, Name.size(), NameWidth);
            Line += "  " + Printable(Row.Record->Checksum);
            PadTo(Line, Row.Record->Checksum.size(), SumWidth);
            Line += "  ";
            PadTo(Line, Row.SizeText.size(), SizeWidth);
            Line += Row.SizeText + "\n";
            Put(Line);
        }
    }
    const auto Found = static_cast<std::size_t>(
        std::count_if(Items.begin(), Items.end(), [](const TItemRec& R) { return R.Size >= 0; }));
    std::printf("\n%zu record%s, %zu not found\n", Items.Count(), Items.Count() == 1 ? "" : "s", Items.Count() - Found);
}

} // namespace

int RunListCommand(const TArgs& Args) {
    bool Tsv = false;
    bool OptionsDone = false;
    std::vector<std::string> Lists;
    for (const std::string& A : Args) {
        if (!OptionsDone && A == "--") {
            OptionsDone = true;
        } else if (!OptionsDone && A == "--tsv") {
            Tsv = true;
        } else if (!OptionsDone && (A == "-h" || A == "--help")) {
            std::fputs(ListUsage, stdout);
            return 0;
        } else if (!OptionsDone && A.size() > 1 && A[0] == '-') {
            std::fprintf(stderr, "quorvane-cli list: unknown option '%s'\nTry 'quorvane-cli list --help'.\n",
                         A.c_str());
            return 2;
        } else {
            Lists.push_back(A);
        }
    }
    if (Lists.empty()) {
        std::fputs("quorvane-cli list: no list file given\nTry 'quorvane-cli list --help'.\n", stderr);
        return 2;
    }

    ItemList Items;
    TCounters Counters;
    bool IsMd5List = false;
    int Status = 0;
    std::string Error;
    try {
        OpenChecksumFiles(Lists, Items, Counters, IsMd5List);
    } catch (const ListFileError& E) {
        Error = E.what(); // the records of the lists before it are printed, as the desktop program shows them
        Status = 2;
    }
    if (Tsv)
        PrintTsv(Items);
    else if (!Items.Empty() || Status == 0)
        PrintTable(Items, EnvironmentLocaleFormat());
    std::fflush(stdout);
    if (!Error.empty())
        std::fprintf(stderr, "quorvane-cli: %s\n", Error.c_str());
    if (std::ferror(stdout)) {
        std::fputs("quorvane-cli: cannot write to standard output\n", stderr);
        return 2;
    }
    return Status;
}

} // namespace quorvane
