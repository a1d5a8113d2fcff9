#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// Replaces Old by New in Text (all occurrences, or the first only), case-sensitively; replaced text is
// never searched again. Old equal to New, or empty, leaves Text unchanged. Linear time.
std::string ReplaceText(const std::string& Text, const std::string& Old, const std::string& New,
                        bool FirstOnly = false);

// 1-based position of Sub in Text at or after Start (0 counts as 1); 0 when not found or when an argument is empty.
int PosFrom(std::string_view Sub, std::string_view Text, int Start);

// A blank is any byte with a code of 32 or less.
inline bool IsBlank(char C) {
    return static_cast<unsigned char>(C) <= 32;
}

// Removes blanks from both ends.
std::string_view TrimBlanks(std::string_view Text);

// One byte folded to lower case if it is an ASCII capital letter.
inline char FoldAsciiLower(char C) {
    return (C >= 'A' && C <= 'Z') ? static_cast<char>(C + ('a' - 'A')) : C;
}

// Folds ASCII letters to lower / upper case; other bytes are unchanged.
std::string LowerAscii(std::string_view Text);
std::string UpperAscii(std::string_view Text);

// Equality ignoring the case of ASCII letters.
bool SameTextAscii(std::string_view A, std::string_view B);

} // namespace quorvane
