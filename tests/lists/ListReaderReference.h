#pragma once

// A literal, slow transcription of the list-cleaning steps (split, drop empty and ";" lines, MD5 lines
// into SFV order, join / trim / split, then compare each line with every kept line), to check the
// reader against (blanks and ASCII case as in util/StringUtils). Shared by the list tests and the fuzzer.

#include <algorithm>
#include <string>
#include <vector>

#include "util/StringUtils.h"

using namespace quorvane;

namespace qvref {

// CR LF, LF or CR end a line; no empty line after a final break.
inline std::vector<std::string> SplitText(const std::string& Text) {
    std::vector<std::string> Out{""};
    for (std::size_t I = 0; I < Text.size(); ++I) {
        if (Text[I] != '\r' && Text[I] != '\n')
            Out.back() += Text[I];
        else if (Out.emplace_back(); Text.compare(I, 2, "\r\n") == 0)
            ++I;
    }
    if (Out.back().empty())
        Out.pop_back();
    return Out;
}

inline std::vector<std::string> CleanListText(std::string Text, bool IsMd5) {
    std::string Joined;
    for (std::string Line : SplitText(Text.substr(0, Text.find('\0')))) {
        if (Line.empty() || Line[0] == ';')
            continue;
        if (const std::size_t Space = Line.find(' '); IsMd5) { // digest up to the first space, then the name
            const std::string Rest = Space == std::string::npos ? Line : Line.substr(Space);
            std::string Name(TrimBlanks(Rest));
            std::erase(Name, '*');
            Line = Name + " " + (Space == std::string::npos ? "" : std::string(TrimBlanks(Line.substr(0, Space))));
        }
        Joined += Line + "\r\n";
    }
    std::vector<std::string> Kept;
    for (const auto& Line : SplitText(std::string(TrimBlanks(Joined))))
        if (std::none_of(Kept.begin(), Kept.end(), [&](const std::string& K) { return SameTextAscii(K, Line); }))
            Kept.push_back(Line);
    return Kept;
}

} // namespace qvref
