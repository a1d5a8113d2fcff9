// quorvane-cli list [--tsv] LIST...: the records of the lists, read as the desktop program's Open reads them.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/CliCommands.h"
#include "app/CliOutput.h"
#include "lists/ItemRows.h"
#include "verify/ChecksumSession.h"
#include "util/LocaleFormat.h"
#include "util/SizeText.h"

namespace quorvane {

namespace {

const TCliOption ListOptions[] = {
    {"--tsv", "",
     "one line per record: list path, file name, checksum, size in bytes (-1 when\n"
     "the file is not found), separated by tabs; in the fields a backslash, tab,\n"
     "line feed or carriage return is written as \\\\, \\t, \\n or \\r"},
};

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
        PutField(Line, ListPathOf(Rec));
        Line += '\t';
        PutField(Line, Rec.FileName());
        Line += '\t';
        PutField(Line, Rec.Checksum());
        Line += '\t';
        Line += std::to_string(Rec.Size);
        Line += '\n';
        PutOut(Line);
    }
}

// The name of a record as written in its list ("\\" read as "/"): FileName without the list's folder.
std::string_view NameInList(const TItemRec& Rec) {
    std::string_view Name = Rec.FileName();
    const std::string_view List = ListPathOf(Rec);
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
        SumWidth = std::max(SumWidth, std::min<std::size_t>(Row.Record->Checksum().size(), 32));
        SizeWidth = std::max(SizeWidth, Row.SizeText.size());
    }
    for (const TRow& Row : Rows) {
        if (Row.Kind == TRowKind::Separator) {
            PutOut("\n");
        } else if (Row.Kind == TRowKind::Header) {
            PutOut(Printable(Row.Caption) + "\n");
        } else {
            const std::string_view Name = NameInList(*Row.Record);
            std::string Line = "  " + Printable(Name);
            PadTo(Line, Name.size(), NameWidth);
            Line += "  " + Printable(Row.Record->Checksum());
            PadTo(Line, Row.Record->Checksum().size(), SumWidth);
            Line += "  ";
            PadTo(Line, Row.SizeText.size(), SizeWidth);
            Line += Row.SizeText + "\n";
            PutOut(Line);
        }
    }
    const auto Found = static_cast<std::size_t>(
        std::count_if(Items.begin(), Items.end(), [](const TItemRec& R) { return R.Size >= 0; }));
    PutOutF("\n%zu record%s, %zu not found\n", Items.Count(), Items.Count() == 1 ? "" : "s", Items.Count() - Found);
}

int RunList(const TCliArgs& Args) {
    const bool Tsv = Args.Has("--tsv");
    const TArgs& Lists = Args.Operands;

    TChecksumSession Session;
    Session.ChecksumFiles = Lists;
    // After an error the records of the lists before it are printed, as the desktop program shows them.
    const std::string Error = Session.Open();
    const int Status = Error.empty() ? 0 : 2;
    ItemList& Items = Session.Items();
    if (Tsv)
        PrintTsv(Items);
    else if (!Items.Empty() || Status == 0)
        PrintTable(Items, EnvironmentLocaleFormat());
    FlushOut();
    if (!Error.empty())
        PutError(Error);
    return Status;
}

} // namespace

const TCliCommand ListCommand{
    .Name = "list",
    .Synopsis = "[--tsv] LIST...",
    .Summary = "print the records of the lists, as the desktop program reads them",
    .About = "Prints the records of lists of any kind in the order the desktop program reads them.\n",
    .Options = ListOptions,
    .Operand = "list file",
    .Footer = "Exit status: 0 success; 2 usage error or a list that cannot be opened (the records of the\n"
              "lists before it are printed).\n",
    .Run = RunList,
};

} // namespace quorvane
