#pragma once

// A literal transcription of Part 2.2's LoadListFile steps (1-based positions, join / trim / split,
// the duplicate test comparing each line with every kept line): slow and plain, to check the reader
// against. Shared by the list tests and the list-reader fuzzer.

#include <string>
#include <vector>

namespace qvref {

inline bool Blank(char C) {
    return static_cast<unsigned char>(C) <= 32;
}

inline std::string Trim(const std::string& S) {
    std::size_t A = 0, B = S.size();
    while (A < B && Blank(S[A]))
        ++A;
    while (B > A && Blank(S[B - 1]))
        --B;
    return S.substr(A, B - A);
}

// As a string list's text is split: CR LF, LF or CR end a line; no empty line after a final break.
inline std::vector<std::string> SplitText(const std::string& Text) {
    std::vector<std::string> Out;
    std::string Cur;
    bool Pending = false;
    for (std::size_t I = 0; I < Text.size(); ++I) {
        const char C = Text[I];
        if (C == '\r' || C == '\n') {
            Out.push_back(Cur);
            Cur.clear();
            Pending = false;
            if (C == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n')
                ++I;
        } else {
            Cur += C;
            Pending = true;
        }
    }
    if (Pending)
        Out.push_back(Cur);
    return Out;
}

inline bool SameText(const std::string& A, const std::string& B) {
    if (A.size() != B.size())
        return false;
    auto Lower = [](char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C + 32) : C; };
    for (std::size_t I = 0; I < A.size(); ++I)
        if (Lower(A[I]) != Lower(B[I]))
            return false;
    return true;
}

inline std::vector<std::string> CleanListText(std::string Text, bool IsMd5) {
    Text = Text.substr(0, Text.find('\0'));
    std::vector<std::string> L = SplitText(Text);
    for (std::size_t I = L.size(); I-- > 0;)
        if (L[I].empty() || L[I][0] == ';')
            L.erase(L.begin() + static_cast<std::ptrdiff_t>(I));
    if (IsMd5) {
        for (auto& Line : L) {
            const std::size_t P = Line.find(' ') == std::string::npos ? 0 : Line.find(' ') + 1;
            const std::string Digest = P == 0 ? "" : Trim(Line.substr(0, P));
            const std::string Name = Trim(P == 0 ? Line : Line.substr(P - 1));
            std::string NoStars;
            for (const char C : Name)
                if (C != '*')
                    NoStars += C;
            Line = NoStars + " " + Digest;
        }
    }
    std::string Joined;
    for (const auto& Line : L)
        Joined += Line + "\r\n";
    L = SplitText(Trim(Joined));
    std::vector<std::string> Kept;
    for (const auto& Line : L) {
        bool Seen = false;
        for (const auto& K : Kept)
            Seen = Seen || SameText(K, Line);
        if (!Seen)
            Kept.push_back(Line);
    }
    return Kept;
}

} // namespace qvref
