// Digest list lines, read one at a time.
//
// The text is walked once per pass, a line at a time (memchr for each LF). A small state machine takes the
// clear-signed wrapper off: the armour header lines after "-----BEGIN PGP SIGNED MESSAGE-----" up to a
// blank line, the "- " of dash-escaped content lines, and the signature block. When the kind is not given,
// a first pass stops at the first line of any form, which names it; the second pass reads the entries.
// Every step inside a line is a forward scan or one rfind, so the whole read is linear in the text.
//
// Forms of a line (after an optional leading "\", which marks an escaped name):
//   <hex> <flag><name>      coreutils (flag " " text mode, "*" binary mode)
//   <hex> <name>            BSD reversed (sha256 -r); a name starting with " " or "*" reads as the above
//   <TAG> (<name>) = <hex>  BSD and --tag; the name ends at the last ") = "
// Escapes in a name: "\\" backslash, "\n" LF, "\r" CR; anything else after "\" makes the line a problem.

#include "lists/DigestLines.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "util/PathUtils.h"
#include "util/StringUtils.h"

namespace quorvane {

namespace {

constexpr std::size_t ProblemTextMax = 200;
constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view BeginSigned = "-----BEGIN PGP SIGNED MESSAGE-----";
constexpr std::string_view BeginSignature = "-----BEGIN PGP SIGNATURE-----";
constexpr std::string_view EndSignature = "-----END PGP SIGNATURE-----";

struct TTag {
    std::string_view Name;
    THashKind Kind;
};
// TagName of each kind, and the SHA-2 spellings of cksum -a sha2.
constexpr std::array<TTag, 8> Tags{{{TagName(THashKind::Crc32), THashKind::Crc32},
                                    {TagName(THashKind::Md5), THashKind::Md5},
                                    {TagName(THashKind::Sha1), THashKind::Sha1},
                                    {TagName(THashKind::Sha256), THashKind::Sha256},
                                    {TagName(THashKind::Sha512), THashKind::Sha512},
                                    {TagName(THashKind::Blake3), THashKind::Blake3},
                                    {"SHA2-256", THashKind::Sha256},
                                    {"SHA2-512", THashKind::Sha512}}};

bool IsHex(char C) {
    return (C >= '0' && C <= '9') || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F');
}

bool AllHex(std::string_view Text) {
    return std::all_of(Text.begin(), Text.end(), IsHex);
}

bool AllBlank(std::string_view Line) {
    return std::all_of(Line.begin(), Line.end(), IsBlank);
}

// Armour lines may carry trailing blanks.
bool IsArmourLine(std::string_view Line, std::string_view Armour) {
    if (!Line.starts_with(Armour))
        return false;
    Line.remove_prefix(Armour.size());
    return std::all_of(Line.begin(), Line.end(), [](char C) { return C == ' ' || C == '\t'; });
}

// "Key: value" of the armour headers (Hash, Comment, Charset...).
bool IsArmourHeader(std::string_view Line) {
    std::size_t I = 0;
    while (I < Line.size() && ((Line[I] >= 'A' && Line[I] <= 'Z') || (Line[I] >= 'a' && Line[I] <= 'z') ||
                               (Line[I] >= '0' && Line[I] <= '9') || Line[I] == '-'))
        ++I;
    return I > 0 && Line.substr(I).starts_with(": ");
}

struct TSplitLine {
    bool Fits = false;
    std::optional<THashKind> TagKind; // set for a tag line
    bool Escaped = false;
    std::string_view Digest;
    std::string_view Name; // as written (still escaped)
};

// The parts of a line in one of the forms, or Fits false.
TSplitLine SplitLine(std::string_view Line) {
    TSplitLine S;
    if (Line.starts_with('\\')) {
        S.Escaped = true;
        Line.remove_prefix(1);
    }
    const std::size_t Space = Line.find(' ');
    if (Space == std::string_view::npos || Space == 0)
        return S;
    const std::string_view Head = Line.substr(0, Space);
    const std::string_view Rest = Line.substr(Space + 1);
    if (Rest.starts_with('(')) {
        for (const TTag& T : Tags) {
            if (Head != T.Name)
                continue;
            const std::size_t Close = Rest.rfind(") = ");
            if (Close == std::string_view::npos || Close < 2 || Close + 4 == Rest.size())
                return S;
            S.TagKind = T.Kind;
            S.Name = Rest.substr(1, Close - 1);
            S.Digest = Rest.substr(Close + 4);
            S.Fits = true;
            return S;
        }
    }
    if (!AllHex(Head))
        return S;
    S.Digest = Head;
    S.Name = Rest.starts_with(' ') || Rest.starts_with('*') ? Rest.substr(1) : Rest;
    S.Fits = !S.Name.empty();
    return S;
}

// Name with its escapes undone into Out; false for an escape coreutils does not write.
bool Unescape(std::string_view Name, std::string& Out) {
    Out.clear();
    Out.reserve(Name.size());
    for (std::size_t I = 0; I < Name.size(); ++I) {
        const char C = Name[I];
        if (C != '\\') {
            Out += C;
            continue;
        }
        if (++I == Name.size())
            return false;
        switch (Name[I]) {
        case '\\':
            Out += '\\';
            break;
        case 'n':
            Out += '\n';
            break;
        case 'r':
            Out += '\r';
            break;
        default:
            return false;
        }
    }
    return true;
}

// The kind a line of some form names; empty for MD5, CRC and digests of other lengths.
std::optional<THashKind> NamedKind(const TSplitLine& S) {
    if (S.TagKind)
        return IsDigestKind(*S.TagKind) ? S.TagKind : std::nullopt;
    switch (S.Digest.size()) {
    case HexDigits(THashKind::Sha1):
        return THashKind::Sha1;
    case HexDigits(THashKind::Sha256):
        return THashKind::Sha256;
    case HexDigits(THashKind::Sha512):
        return THashKind::Sha512;
    default:
        return std::nullopt;
    }
}

enum class TWrapper { Outside, Headers, Content, Signature };

struct TWalkEnd {
    TWrapper State = TWrapper::Outside;
    bool Signed = false;       // a whole wrapper was passed
    std::size_t BeginLine = 0; // line of the last "BEGIN PGP SIGNED MESSAGE"
};

// Calls Visit(Number, Raw, Content) for each line that is neither blank, "#" comment nor part of the
// signed wrapper; Raw is the line as written (without its CR), Content the line with the wrapper's "- "
// taken off. Stops when Visit returns false.
template <class VisitT> TWalkEnd WalkLines(std::string_view Text, VisitT&& Visit) {
    TWalkEnd End;
    std::size_t Number = 0;
    const char* Pos = Text.data();
    const char* const Stop = Pos + Text.size();
    while (Pos < Stop) {
        const void* Lf = std::memchr(Pos, '\n', static_cast<std::size_t>(Stop - Pos));
        const char* const LineEnd = Lf ? static_cast<const char*>(Lf) : Stop;
        std::string_view Raw(Pos, static_cast<std::size_t>(LineEnd - Pos));
        Pos = Lf ? LineEnd + 1 : Stop;
        ++Number;
        if (Raw.ends_with('\r'))
            Raw.remove_suffix(1);
        std::string_view Content = Raw;
        switch (End.State) {
        case TWrapper::Outside:
            if (IsArmourLine(Raw, BeginSigned)) {
                End.State = TWrapper::Headers;
                End.BeginLine = Number;
                continue;
            }
            break;
        case TWrapper::Headers:
            if (AllBlank(Raw)) {
                End.State = TWrapper::Content;
                continue;
            }
            if (IsArmourHeader(Raw))
                continue;
            End.State = TWrapper::Content; // no blank line after the headers: the content starts here
            [[fallthrough]];
        case TWrapper::Content:
            if (IsArmourLine(Raw, BeginSignature)) {
                End.State = TWrapper::Signature;
                continue;
            }
            if (Content.starts_with("- "))
                Content.remove_prefix(2);
            break;
        case TWrapper::Signature:
            if (IsArmourLine(Raw, EndSignature)) {
                End.State = TWrapper::Outside;
                End.Signed = true;
            }
            continue;
        }
        if (AllBlank(Content) || Content.starts_with('#'))
            continue;
        if (!Visit(Number, Raw, Content))
            break;
    }
    return End;
}

void AddProblem(std::vector<TDigestProblem>& Problems, std::size_t Line, std::string_view Raw) {
    Problems.push_back({Line, std::string(Raw.substr(0, ProblemTextMax))});
}

} // namespace

std::string_view ListExtension(THashKind Kind) {
    switch (Kind) {
    case THashKind::Crc32: return ".sfv";
    case THashKind::Md5: return ".md5";
    case THashKind::Sha1: return ".sha1";
    case THashKind::Sha256: return ".sha256";
    case THashKind::Sha512: return ".sha512";
    case THashKind::Blake3: return ".b3";
    }
    return {};
}

std::optional<THashKind> KindFromExtension(std::string_view Path) {
    static constexpr std::pair<std::string_view, THashKind> Extensions[] = {
        {".sfv", THashKind::Crc32},     {".md5", THashKind::Md5},       {".sha1", THashKind::Sha1},
        {".sha256", THashKind::Sha256}, {".sha512", THashKind::Sha512}, {".b3", THashKind::Blake3},
        {".blake3", THashKind::Blake3}};
    const std::string_view Ext = ExtractFileExt(Path);
    for (const auto& [Name, Kind] : Extensions)
        if (SameTextAscii(Ext, Name))
            return Kind;
    return std::nullopt;
}

TDigestList ReadDigestLines(std::string_view Text, std::optional<THashKind> Kind) {
    if (const void* Zero = std::memchr(Text.data(), '\0', Text.size()))
        Text = Text.substr(0, static_cast<std::size_t>(static_cast<const char*>(Zero) - Text.data()));
    if (Text.starts_with(Utf8Bom))
        Text.remove_prefix(Utf8Bom.size());

    TDigestList List;
    if (!Kind) {
        bool Decided = false;
        WalkLines(Text, [&](std::size_t, std::string_view, std::string_view Content) {
            const TSplitLine S = SplitLine(Content);
            if (!S.Fits)
                return true;
            Kind = NamedKind(S);
            Decided = true;
            return false;
        });
        if (!Decided || !Kind)
            return List;
    }
    List.Kind = Kind;
    const std::size_t Digits = HexDigits(*Kind);
    std::string Name;
    const TWalkEnd End = WalkLines(Text, [&](std::size_t Number, std::string_view Raw, std::string_view Content) {
        const TSplitLine S = SplitLine(Content);
        bool Fits = S.Fits && (!S.TagKind || *S.TagKind == *Kind) && S.Digest.size() == Digits && AllHex(S.Digest);
        if (Fits && S.Escaped)
            Fits = Unescape(S.Name, Name);
        else if (Fits)
            Name.assign(S.Name);
        if (Fits)
            List.Entries.push_back({Name, std::string(S.Digest), Number});
        else
            AddProblem(List.Problems, Number, Raw);
        return true;
    });
    List.Signed = End.Signed;
    if (End.State != TWrapper::Outside) {
        // A wrapper without its signature: its first line is the problem, in line order with the others.
        const TDigestProblem Begin{End.BeginLine, std::string(BeginSigned)};
        const auto At = std::upper_bound(List.Problems.begin(), List.Problems.end(), Begin.Line,
                                         [](std::size_t L, const TDigestProblem& P) { return L < P.Line; });
        List.Problems.insert(At, Begin);
    }
    return List;
}

std::string EscapeDigestLine(THashKind Kind, std::string_view Digest, std::string_view Name) {
    const bool EscapeCr = Kind != THashKind::Blake3;
    const bool Escape = Name.find('\\') != std::string_view::npos || Name.find('\n') != std::string_view::npos ||
                        (EscapeCr && Name.find('\r') != std::string_view::npos);
    std::string Line;
    Line.reserve(1 + Digest.size() + 2 + Name.size() * 2);
    if (Escape)
        Line += '\\';
    for (const char C : Digest)
        Line += FoldAsciiLower(C);
    Line += "  ";
    for (const char C : Name) {
        if (Escape && C == '\\')
            Line += "\\\\";
        else if (Escape && C == '\n')
            Line += "\\n";
        else if (Escape && EscapeCr && C == '\r')
            Line += "\\r";
        else
            Line += C;
    }
    return Line;
}

} // namespace quorvane
