#pragma once

#include <string>

#include "util/LocaleFormat.h"

namespace quorvane {

// Size display modes, numbered as the "SizeType" setting: 0 Auto, 1 KB, 2 Bytes.
enum TSizeMode : int { smAuto = 0, smKB = 1, smBytes = 2 };

// Text of a byte count: "1,023 bytes", "12 KB", "1.00 MB" ... Units are powers of 1024. Never throws:
// the kilobyte figure of KB mode is 64-bit, so huge files get a text, not a range error.
std::string SizeToText(int Mode, bool UnitWord, double Bytes, const LocaleFormat& Locale = {});

// Puts the thousands separator between groups of three digits, counted from the right ("1234567" with ","
// gives "1,234,567"); three digits or fewer, or an empty separator, give the text unchanged.
std::string InsertThousandSeparators(const std::string& Digits, const std::string& Separator = ",");

// Fixed-point text of Value with Decimals decimals (0..30), halves rounded away from zero, with thousands
// and decimal separators ("%.2n"). No sign on a value that rounds to zero; "NAN", "INF", "-INF".
std::string FormatNumber(double Value, int Decimals, const LocaleFormat& Locale = {});

} // namespace quorvane
