#pragma once

#include <array>
#include <ctime>
#include <string>

namespace quorvane {

// The locale as the core sees it: separators, month names and the texts of the date and time
// formats. The desktop program fills it from QLocale::system(), the console tool from the C
// library's locale, tests pin their own. The defaults are those of an English (United States) system.
struct LocaleFormat {
    std::string ThousandSeparator = ","; // between groups of three integer digits (may be several bytes)
    std::string DecimalSeparator = ".";  // before the decimals
    std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
};

// The separators and month names of the environment's locale (LANG, LC_ALL ...), read without changing
// the process's locale; the defaults above stand in for what the locale leaves empty (the "C" locale
// has no thousands separator). For the console tool.
LocaleFormat EnvironmentLocaleFormat();


// The list header's date and time of When in the environment's locale: the C library's "%x" (the
// locale's date) and "%X" (its time), the counterparts of a desktop's short date and long time formats.
// Both programs write them, so a list reads the same whichever program wrote it.
struct TNowTexts {
    std::string Date;
    std::string Time;
};
TNowTexts EnvironmentNowTexts(std::time_t When = std::time(nullptr));

} // namespace quorvane
