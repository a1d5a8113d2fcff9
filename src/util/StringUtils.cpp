#include "util/StringUtils.h"

#include <climits>

namespace quorvane {

std::string ReplaceText(const std::string& Text, const std::string& Old, const std::string& New, bool FirstOnly) {
    if (Old == New || Old.empty())
        return Text;
    std::size_t Found = Text.find(Old);
    if (Found == std::string::npos)
        return Text;
    // Searching the changed text from just after the inserted New is searching the rest of the
    // original text, so the result is built in one pass (linear even for a megabyte of "*").
    std::string Result;
    Result.reserve(New.size() > Old.size() ? Text.size() + (New.size() - Old.size()) * 4 : Text.size());
    std::size_t From = 0;
    while (Found != std::string::npos) {
        Result.append(Text, From, Found - From);
        Result += New;
        From = Found + Old.size();
        if (FirstOnly)
            break;
        Found = Text.find(Old, From);
    }
    Result.append(Text, From, std::string::npos);
    return Result;
}

int PosFrom(std::string_view Sub, std::string_view Text, int Start) {
    if (Start == 0)
        Start = 1;
    if (Start < 1 || Sub.empty() || Text.empty())
        return 0;
    const auto From = static_cast<std::size_t>(Start - 1);
    if (From >= Text.size())
        return 0;
    const std::size_t Found = Text.find(Sub, From);
    if (Found == std::string_view::npos || Found >= static_cast<std::size_t>(INT_MAX))
        return 0;
    return static_cast<int>(Found + 1);
}

std::string_view TrimBlanks(std::string_view Text) {
    std::size_t First = 0;
    std::size_t Last = Text.size();
    while (First < Last && IsBlank(Text[First]))
        ++First;
    while (Last > First && IsBlank(Text[Last - 1]))
        --Last;
    return Text.substr(First, Last - First);
}

std::string LowerAscii(std::string_view Text) {
    std::string Result(Text);
    for (char& C : Result)
        C = FoldAsciiLower(C);
    return Result;
}

std::string UpperAscii(std::string_view Text) {
    std::string Result(Text);
    for (char& C : Result)
        if (C >= 'a' && C <= 'z')
            C = static_cast<char>(C - ('a' - 'A'));
    return Result;
}

bool SameTextAscii(std::string_view A, std::string_view B) {
    if (A.size() != B.size())
        return false;
    for (std::size_t I = 0; I < A.size(); ++I)
        if (FoldAsciiLower(A[I]) != FoldAsciiLower(B[I]))
            return false;
    return true;
}

} // namespace quorvane
