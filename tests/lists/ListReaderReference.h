#pragma once

// A literal, slow transcription of the list-cleaning steps (split, drop empty and ";" lines, MD5 lines
// into SFV order, join / trim / split, then compare each line with every kept line), to check the
// reader against (blanks and ASCII case as in util/StringUtils). Shared by the list tests and the fuzzer.

#include <string>
#include <vector>

#include "util/StringUtils.h"

namespace qvref {

// CR LF, LF or CR end a line; no empty line after a final break.
inline std::vector<std::string> SplitText(const std::string& Text) {
    std::vector<std::string> Out;
    std::string Cur;
    for (std::size_t I = 0; I < Text.size(); ++I) {
        if (Text[I] != '\r' && Text[I] != '\n') {
            Cur += Text[I];
            continue;
        }
        Out.push_back(Cur);
        Cur.clear();
        if (Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n')
            ++I;
    }
    if (!Cur.empty())
        Out.push_back(Cur);
    return Out;
}

inline std::vector<std::string> CleanListText(std::string Text, bool IsMd5) {
    std::string Joined;
    for (std::string Line : SplitText(Text.substr(0, Text.find('\0')))) {
        if (Line.empty() || Line[0] == ';')
            continue;
        if (IsMd5) { // digest up to the first space, the rest is the name without "*"
            const std::size_t P = Line.find(' ') == std::string::npos ? 0 : Line.find(' ') + 1;
            const std::string Rest = P == 0 ? Line : Line.substr(P - 1);
            std::string Name;
            for (const char C : TrimBlanks(Rest))
                if (C != '*')
                    Name += C;
            Line = Name + " " + (P == 0 ? std::string() : std::string(TrimBlanks(Line.substr(0, P))));
        }
        Joined += Line + "\r\n";
    }
    std::vector<std::string> Kept;
    for (const auto& Line : SplitText(std::string(TrimBlanks(Joined)))) {
        bool Seen = false;
        for (const auto& K : Kept)
            Seen = Seen || SameTextAscii(K, Line);
        if (!Seen)
            Kept.push_back(Line);
    }
    return Kept;
}

} // namespace qvref
