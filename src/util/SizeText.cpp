// Size texts and locale number formatting ("%.0n", "%.2n").
//
// FormatNumber rounds halves away from zero, as number formatting for display does (1.125 MB gives "1.13 MB").
// For up to four decimals the scaling Value * 10^Decimals is exact in long double (53 + 10 bits of
// mantissa fit in the 64 of x87 and the 113 of binary128), so the rounding is exact too; more
// decimals fall back to printf's correctly rounded (ties to even) text.

#include "util/SizeText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>

#include <langinfo.h>
#include <locale.h>

namespace quorvane {

static_assert(std::numeric_limits<long double>::digits >= 64, "FormatNumber needs an exact 4-decimal scaling");

namespace {

constexpr double KiB = 1024.0;
constexpr double MiB = 1048576.0;
constexpr double GiB = 1073741824.0;
constexpr double TiB = 1099511627776.0;

// Groups the integer digits and joins sign, digits and decimals.
std::string JoinNumber(bool Negative, std::string_view IntDigits, std::string_view Decimals,
                       const LocaleFormat& Locale) {
    std::string Text;
    if (Negative)
        Text += '-';
    Text += InsertThousandSeparators(std::string(IntDigits), Locale.ThousandSeparator);
    if (!Decimals.empty()) {
        Text += Locale.DecimalSeparator;
        Text += Decimals;
    }
    return Text;
}

} // namespace

std::string InsertThousandSeparators(const std::string& Digits, const std::string& Separator) {
    if (Digits.size() <= 3 || Separator.empty())
        return Digits;
    std::string Text;
    Text.reserve(Digits.size() + (Digits.size() - 1) / 3 * Separator.size());
    const std::size_t Lead = Digits.size() % 3 == 0 ? 3 : Digits.size() % 3;
    Text.append(Digits, 0, Lead);
    for (std::size_t I = Lead; I < Digits.size(); I += 3) {
        Text += Separator;
        Text.append(Digits, I, 3);
    }
    return Text;
}

std::string FormatNumber(double Value, int Decimals, const LocaleFormat& Locale) {
    if (std::isnan(Value))
        return "NAN";
    if (std::isinf(Value))
        return Value < 0 ? "-INF" : "INF";
    if (Decimals < 0)
        Decimals = 0;
    if (Decimals > 30)
        Decimals = 30;
    char Buffer[400];
    if (Decimals <= 4) {
        long double Scaled = static_cast<long double>(std::fabs(Value));
        for (int I = 0; I < Decimals; ++I)
            Scaled *= 10;
        const long double Rounded = std::roundl(Scaled); // halves away from zero
        std::snprintf(Buffer, sizeof Buffer, "%.0Lf", Rounded);
        std::string Digits = Buffer;
        if (Digits.size() <= static_cast<std::size_t>(Decimals))
            Digits.insert(0, static_cast<std::size_t>(Decimals) + 1 - Digits.size(), '0');
        const std::size_t Point = Digits.size() - static_cast<std::size_t>(Decimals);
        return JoinNumber(Value < 0 && Rounded != 0, std::string_view(Digits).substr(0, Point),
                          std::string_view(Digits).substr(Point), Locale);
    }
    std::snprintf(Buffer, sizeof Buffer, "%.*f", Decimals, std::fabs(Value));
    const std::string_view Text = Buffer;
    const std::size_t Point = Text.find('.');
    const bool Zero = Text.find_first_not_of("0.") == std::string_view::npos;
    return JoinNumber(Value < 0 && !Zero, Text.substr(0, Point), Text.substr(Point + 1), Locale);
}

std::string SizeToText(int Mode, bool UnitWord, double Bytes, const LocaleFormat& Locale) {
    if (Bytes < KiB || Mode == smBytes) {
        std::string Text = FormatNumber(Bytes, 0, Locale);
        if (UnitWord)
            Text += " bytes";
        return Text;
    }
    if (Bytes < MiB || Mode == smKB) {
        // A 64-bit kilobyte figure, so KB texts go beyond 2^31 KB; beyond even that, the same digits
        // come from the truncated floating-point value.
        const double Kilobytes = std::trunc(Bytes / KiB);
        std::string Digits;
        if (Kilobytes < 9.0e18)
            Digits = std::to_string(static_cast<std::int64_t>(Kilobytes));
        else
            return FormatNumber(Kilobytes, 0, Locale) + " KB";
        return InsertThousandSeparators(Digits, Locale.ThousandSeparator) + " KB";
    }
    if (Bytes < GiB)
        return FormatNumber(Bytes / MiB, 2, Locale) + " MB";
    if (Bytes < TiB)
        return FormatNumber(Bytes / GiB, 2, Locale) + " GB";
    return FormatNumber(Bytes / TiB, 2, Locale) + " TB";
}

LocaleFormat EnvironmentLocaleFormat() {
    LocaleFormat Format;
    const locale_t Locale = ::newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
    if (Locale == static_cast<locale_t>(nullptr))
        return Format;
    if (const char* Sep = ::nl_langinfo_l(THOUSEP, Locale); Sep && *Sep)
        Format.ThousandSeparator = Sep;
    if (const char* Dec = ::nl_langinfo_l(RADIXCHAR, Locale); Dec && *Dec)
        Format.DecimalSeparator = Dec;
    static constexpr nl_item Months[12] = {ABMON_1, ABMON_2, ABMON_3, ABMON_4,  ABMON_5,  ABMON_6,
                                           ABMON_7, ABMON_8, ABMON_9, ABMON_10, ABMON_11, ABMON_12};
    for (int I = 0; I < 12; ++I)
        if (const char* Name = ::nl_langinfo_l(Months[I], Locale); Name && *Name)
            Format.ShortMonthNames[static_cast<std::size_t>(I)] = Name;
    ::freelocale(Locale);
    return Format;
}

TNowTexts EnvironmentNowTexts(std::time_t When) {
    std::tm Local{};
    ::localtime_r(&When, &Local);
    const locale_t Locale = ::newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
    const locale_t Use = Locale != static_cast<locale_t>(nullptr) ? Locale : LC_GLOBAL_LOCALE;
    auto Format = [&](const char* Pattern) {
        char Text[128];
        return std::string(Text, ::strftime_l(Text, sizeof Text, Pattern, &Local, Use));
    };
    // The locale decides the year's digits, as a desktop's short date format does.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-y2k"
    TNowTexts Texts{Format("%x"), Format("%X")};
#pragma GCC diagnostic pop
    if (Locale != static_cast<locale_t>(nullptr))
        ::freelocale(Locale);
    return Texts;
}

} // namespace quorvane
