// libFuzzer target for the digest list lines: any bytes read with each kind and with the kind found.
//
// Checks, besides the sanitizers' findings: a given kind is kept; entries and problems have distinct line
// numbers within the text, in order; every digest has its kind's length in hex; names are not empty and
// hold no zero byte; problem texts are at most 200 bytes of one line; the kind found reads the same as that
// kind given; and every entry written back with EscapeDigestLine reads back to the same name and digest.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "lists/DigestLines.h"

using namespace quorvane;

namespace {

[[noreturn]] void Fail(const char* What) {
    std::fprintf(stderr, "DigestLinesFuzzer: %s\n", What);
    std::abort();
}

bool SameList(const TDigestList& A, const TDigestList& B) {
    if (A.Kind != B.Kind || A.Signed != B.Signed || A.Entries.size() != B.Entries.size() ||
        A.Problems.size() != B.Problems.size())
        return false;
    for (std::size_t I = 0; I < A.Entries.size(); ++I)
        if (A.Entries[I].Name != B.Entries[I].Name || A.Entries[I].Digest != B.Entries[I].Digest ||
            A.Entries[I].Line != B.Entries[I].Line)
            return false;
    for (std::size_t I = 0; I < A.Problems.size(); ++I)
        if (A.Problems[I].Line != B.Problems[I].Line || A.Problems[I].Text != B.Problems[I].Text)
            return false;
    return true;
}

void Check(const TDigestList& L, std::size_t Lines) {
    std::size_t Last = 0;
    for (const TDigestEntry& E : L.Entries) {
        if (E.Line <= Last || E.Line > Lines)
            Fail("entry lines out of order or beyond the text");
        Last = E.Line;
        if (E.Digest.size() != HexDigits(*L.Kind) ||
            E.Digest.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            Fail("a digest of the wrong length or not hex");
        if (E.Name.empty() || E.Name.find('\0') != std::string::npos)
            Fail("an empty name or a zero byte in a name");
    }
    Last = 0;
    for (const TDigestProblem& P : L.Problems) {
        if (P.Line <= Last || P.Line > Lines)
            Fail("problem lines out of order or beyond the text");
        Last = P.Line;
        if (P.Text.size() > 200 || P.Text.find_first_of(std::string_view("\n\0", 2)) != std::string::npos)
            Fail("a problem text too long or not one line");
    }
    for (std::size_t E = 0, P = 0; E < L.Entries.size() && P < L.Problems.size();) {
        if (L.Entries[E].Line == L.Problems[P].Line)
            Fail("a line both an entry and a problem");
        L.Entries[E].Line < L.Problems[P].Line ? ++E : ++P;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view Text(reinterpret_cast<const char*>(Data), Size);
    const void* Zero = std::memchr(Text.data(), '\0', Text.size());
    const std::string_view Before =
        Zero ? Text.substr(0, static_cast<std::size_t>(static_cast<const char*>(Zero) - Text.data())) : Text;
    std::size_t Lines = 1;
    for (const char C : Before)
        Lines += C == '\n';

    const TDigestList Found = ReadDigestLines(Text, std::nullopt);
    if (!Found.Kind && (!Found.Entries.empty() || !Found.Problems.empty()))
        Fail("lines read without a kind");
    if (Found.Kind && !IsDigestKind(*Found.Kind))
        Fail("an SFV or MD5 kind found");
    for (const THashKind Kind : AllHashKinds) {
        const TDigestList L = ReadDigestLines(Text, Kind);
        if (L.Kind != Kind)
            Fail("the given kind was not kept");
        Check(L, Lines);
        if (Found.Kind == Kind && !SameList(Found, L))
            Fail("the kind found reads differently from that kind given");
        if (!IsDigestKind(Kind))
            continue;
        for (const TDigestEntry& E : L.Entries) {
            if (Kind == THashKind::Blake3 && E.Name.back() == '\r')
                continue; // b3sum writes CR as it is: at the end of a name it reads as a CR LF line end
            const TDigestList Back = ReadDigestLines(EscapeDigestLine(Kind, E.Digest, E.Name) + "\n", Kind);
            std::string Lower = E.Digest;
            for (char& C : Lower)
                C = (C >= 'A' && C <= 'F') ? static_cast<char>(C + ('a' - 'A')) : C;
            if (Back.Entries.size() != 1 || !Back.Problems.empty() || Back.Entries[0].Name != E.Name ||
                Back.Entries[0].Digest != Lower)
                Fail("an entry written back does not read back the same");
        }
    }
    return 0;
}
