#include "shell/DesktopText.h"

#include <stdexcept>
#include <string_view>

#include "util/StringUtils.h"

namespace quorvane {

namespace {

// One line of a text: [Begin, End) without its line end, Next where the following line begins.
struct TLine {
    std::size_t Begin, End, Next;
};

std::vector<TLine> Lines(const std::string& Text) {
    std::vector<TLine> Out;
    for (std::size_t Begin = 0; Begin < Text.size();) {
        const std::size_t Feed = Text.find('\n', Begin);
        const std::size_t Next = Feed == std::string::npos ? Text.size() : Feed + 1;
        std::size_t End = Feed == std::string::npos ? Text.size() : Feed;
        if (End > Begin && Text[End - 1] == '\r')
            --End;
        Out.push_back({Begin, End, Next});
        Begin = Next;
    }
    return Out;
}

// "[Name]" gives Name; any other line nullopt.
std::optional<std::string_view> GroupName(std::string_view Line) {
    Line = TrimBlanks(Line);
    if (Line.size() < 2 || Line.front() != '[')
        return std::nullopt;
    const std::size_t Close = Line.rfind(']');
    if (Close == 0 || Close == std::string_view::npos)
        return std::nullopt;
    return Line.substr(1, Close - 1);
}

// The key of a "Key=Value" line; empty for blank lines and comments.
std::string_view LineKey(std::string_view Line) {
    const std::string_view Trimmed = TrimBlanks(Line);
    if (Trimmed.empty() || Trimmed.front() == '#')
        return {};
    const std::size_t Equals = Line.find('=');
    return Equals == std::string_view::npos ? std::string_view() : TrimBlanks(Line.substr(0, Equals));
}

bool IsLineBlank(std::string_view Text, std::size_t From, std::size_t To) {
    for (std::size_t I = From; I < To; ++I)
        if (Text[I] != ' ' && Text[I] != '\t')
            return false;
    return true;
}

} // namespace

std::string ExecArgument(const std::string& Arg) {
    const bool Quote = Arg.empty() || Arg.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
    std::string Out = Quote ? "\"" : "";
    for (const char C : Arg) {
        if (Quote && (C == '"' || C == '`' || C == '$' || C == '\\'))
            Out += '\\';
        Out += C;
        if (C == '%')
            Out += '%';
    }
    return Quote ? Out + "\"" : Out;
}

std::string KeyFileValue(const std::string& Value) {
    std::string Out;
    for (std::size_t I = 0; I < Value.size(); ++I) {
        switch (Value[I]) {
        case '\\':
            Out += "\\\\";
            break;
        case '\n':
            Out += "\\n";
            break;
        case '\t':
            Out += "\\t";
            break;
        case '\r':
            Out += "\\r";
            break;
        case ' ':
            Out += I == 0 ? "\\s" : " ";
            break;
        default:
            Out += Value[I];
        }
    }
    return Out;
}

std::string KeyFileString(const std::string& Stored) {
    std::string Out;
    for (std::size_t I = 0; I < Stored.size(); ++I) {
        if (Stored[I] != '\\' || I + 1 == Stored.size()) {
            Out += Stored[I];
            continue;
        }
        switch (Stored[++I]) {
        case 's':
            Out += ' ';
            break;
        case 'n':
            Out += '\n';
            break;
        case 't':
            Out += '\t';
            break;
        case 'r':
            Out += '\r';
            break;
        case '\\':
            Out += '\\';
            break;
        default:
            Out += '\\';
            Out += Stored[I];
        }
    }
    return Out;
}

std::string ExecProgram(const std::string& Stored) {
    const std::string Value = KeyFileString(Stored);
    std::size_t I = 0;
    while (I < Value.size() && IsBlank(Value[I]))
        ++I;
    std::string Arg;
    if (I < Value.size() && Value[I] == '"') {
        for (++I; I < Value.size() && Value[I] != '"'; ++I) {
            if (Value[I] == '\\' && I + 1 < Value.size())
                ++I;
            Arg += Value[I];
        }
    } else {
        for (; I < Value.size() && !IsBlank(Value[I]); ++I)
            Arg += Value[I];
    }
    return ReplaceText(Arg, "%%", "%");
}

std::string ShellQuote(const std::string& Text) {
    return "'" + ReplaceText(Text, "'", "'\\''") + "'";
}

std::string XmlText(const std::string& Text) {
    std::string Out;
    for (const char C : Text) {
        switch (C) {
        case '&':
            Out += "&amp;";
            break;
        case '<':
            Out += "&lt;";
            break;
        case '>':
            Out += "&gt;";
            break;
        default:
            Out += C;
        }
    }
    return Out;
}

std::vector<std::string> ListEntries(const std::string& Value) {
    std::vector<std::string> Out;
    std::size_t Begin = 0;
    while (Begin <= Value.size()) {
        std::size_t End = Value.find(';', Begin);
        if (End == std::string::npos)
            End = Value.size();
        const std::string_view Entry = TrimBlanks(std::string_view(Value).substr(Begin, End - Begin));
        if (!Entry.empty())
            Out.emplace_back(Entry);
        Begin = End + 1;
    }
    return Out;
}

std::optional<std::string> KeyFileLine(const std::string& Text, const std::string& Group, const std::string& Key) {
    bool InGroup = false;
    for (const TLine& L : Lines(Text)) {
        const std::string_view Line = std::string_view(Text).substr(L.Begin, L.End - L.Begin);
        if (const auto Name = GroupName(Line))
            InGroup = *Name == Group;
        else if (InGroup && LineKey(Line) == Key)
            return std::string(Line);
    }
    return std::nullopt;
}

std::string LineValue(const std::string& Line) {
    const std::size_t Equals = Line.find('=');
    return Equals == std::string::npos ? std::string() : std::string(TrimBlanks(Line.substr(Equals + 1)));
}

std::optional<std::string> KeyFileEntry(const std::string& Text, const std::string& Group, const std::string& Key) {
    const auto Line = KeyFileLine(Text, Group, Key);
    return Line ? std::optional(LineValue(*Line)) : std::nullopt;
}

std::string WithKeyFileLine(const std::string& Text, const std::string& Group, const std::string& Key,
                            const std::optional<std::string>& Line) {
    std::string Out;
    bool InGroup = false, InFirstGroup = false, SawGroup = false, Placed = !Line;
    std::size_t InsertAt = 0; // after the last line of the first group that is not blank
    for (const TLine& L : Lines(Text)) {
        const std::string_view This = std::string_view(Text).substr(L.Begin, L.End - L.Begin);
        const std::string_view LineEnd = std::string_view(Text).substr(L.End, L.Next - L.End);
        if (const auto Name = GroupName(This)) {
            InGroup = *Name == Group;
            InFirstGroup = InGroup && !SawGroup;
            SawGroup = SawGroup || InGroup;
        } else if (InGroup && LineKey(This) == Key) {
            if (!Placed) {
                Out += *Line;
                Out += LineEnd;
                Placed = true;
                if (InFirstGroup)
                    InsertAt = Out.size();
            }
            continue;
        }
        Out += This;
        Out += LineEnd;
        if (InFirstGroup && !TrimBlanks(This).empty())
            InsertAt = Out.size();
    }
    if (Placed)
        return Out;
    if (SawGroup) {
        const bool Ended = InsertAt == 0 || Out[InsertAt - 1] == '\n';
        Out.insert(InsertAt, Ended ? *Line + "\n" : "\n" + *Line);
        return Out;
    }
    if (!Out.empty())
        Out += Out.back() == '\n' ? "\n" : "\n\n";
    return Out + "[" + Group + "]\n" + *Line + "\n";
}

namespace {

// The <action> elements of uca.xml: [Begin, End) widened to whole lines where only blanks stand beside them.
struct TAction {
    std::size_t Begin, End;
    bool Ours;
};

std::vector<TAction> UcaActions(const std::string& Text, const std::string& Id) {
    const std::string IdElement = "<unique-id>" + XmlText(Id) + "</unique-id>";
    std::vector<TAction> Out;
    std::size_t Pos = 0;
    while ((Pos = Text.find("<action", Pos)) != std::string::npos) {
        const char After = Pos + 7 < Text.size() ? Text[Pos + 7] : '\0';
        if (After != '>' && !IsBlank(After)) { // "<actions>"
            Pos += 7;
            continue;
        }
        const std::size_t Close = Text.find("</action>", Pos);
        if (Close == std::string::npos)
            break;
        std::size_t Begin = Pos, End = Close + 9;
        const bool Ours = std::string_view(Text).substr(Pos, End - Pos).find(IdElement) != std::string_view::npos;
        const std::size_t LineBegin = Text.rfind('\n', Begin) == std::string::npos ? 0 : Text.rfind('\n', Begin) + 1;
        const std::size_t LineEnd = std::min(Text.find('\n', End), Text.size());
        if (IsLineBlank(Text, LineBegin, Begin) && IsLineBlank(Text, End, LineEnd)) {
            Begin = LineBegin;
            End = std::min(LineEnd + 1, Text.size());
        }
        Out.push_back({Begin, End, Ours});
        Pos = End;
    }
    return Out;
}

} // namespace

bool UcaHasAction(const std::string& Text, const std::string& Id) {
    for (const TAction& A : UcaActions(Text, Id))
        if (A.Ours)
            return true;
    return false;
}

std::string UcaWithoutAction(const std::string& Text, const std::string& Id) {
    std::string Out;
    std::size_t Kept = 0;
    for (const TAction& A : UcaActions(Text, Id)) {
        if (!A.Ours)
            continue;
        Out.append(Text, Kept, A.Begin - Kept);
        Kept = A.End;
    }
    return Out.append(Text, Kept);
}

std::string UcaWithAction(const std::string& Text, const std::string& Id, const std::string& Action) {
    std::string Out = UcaWithoutAction(Text, Id);
    if (TrimBlanks(Out).empty())
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n" + Action + "</actions>\n";
    const std::size_t Close = Out.rfind("</actions>");
    if (Close == std::string::npos) {
        const std::size_t Empty = Out.rfind("<actions/>");
        if (Empty == std::string::npos)
            throw std::invalid_argument("no <actions> element");
        return Out.replace(Empty, 10, "<actions>\n" + Action + "</actions>");
    }
    const std::size_t LineBegin = Out.rfind('\n', Close) == std::string::npos ? 0 : Out.rfind('\n', Close) + 1;
    if (IsLineBlank(Out, LineBegin, Close))
        return Out.insert(LineBegin, Action);
    return Out.insert(Close, "\n" + Action);
}

} // namespace quorvane
