#pragma once

#include <array>
#include <string>

// The locale as the core sees it: separators, month names and the texts of the date and time
// formats. The desktop program fills it from QLocale::system(), the console tool from the C
// library's locale, tests pin their own. The defaults are those of an English (United States) system.
struct LocaleFormat {
    std::string ThousandSeparator = ",";  // between groups of three integer digits (may be several bytes)
    std::string DecimalSeparator = ".";   // before the decimals
    std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
};
