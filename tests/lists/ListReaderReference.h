#pragma once

// A literal, slow transcription of the list-cleaning steps (a leading UTF-8 byte-order mark dropped,
// split, drop empty and ";" lines, MD5 lines into SFV order, join / trim / split, then compare each line
// with every kept line: the same name byte for byte and the same checksum ignoring case), to check the
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

// The same entry: what comes before the last space equal, what comes after it equal ignoring case.
inline bool SameEntry(const std::string& A, const std::string& B) {
    const std::size_t SplitA = A.rfind(' ') + 1, SplitB = B.rfind(' ') + 1; // 0 when there is no space
    return A.substr(0, SplitA) == B.substr(0, SplitB) && SameTextAscii(A.substr(SplitA), B.substr(SplitB));
}

inline std::vector<std::string> CleanListText(std::string Text, bool IsMd5) {
    std::string Joined;
    Text = Text.substr(0, Text.find('\0'));
    if (Text.starts_with("\xEF\xBB\xBF"))
        Text.erase(0, 3);
    for (std::string Line : SplitText(Text)) {
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
        if (std::none_of(Kept.begin(), Kept.end(), [&](const std::string& K) { return SameEntry(K, Line); }))
            Kept.push_back(Line);
    return Kept;
}

} // namespace qvref
