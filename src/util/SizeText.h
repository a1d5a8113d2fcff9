#pragma once

#include <string>

#include "util/LocaleFormat.h"

// Size display modes, numbered as the "SizeType" setting: 0 Auto, 1 KB, 2 Bytes.
enum TSizeMode : int { smAuto = 0, smKB = 1, smBytes = 2 };

// Text of a byte count: "1,023 bytes", "12 KB", "1.00 MB" ... Units are powers of 1024.
// Throws std::range_error in KB mode when the kilobyte figure leaves the signed 32-bit range.
std::string SizeToText(int Mode, bool UnitWord, double Bytes, const LocaleFormat& Locale = {});

// Puts the thousands separator between groups of three digits, counted from the right.
std::string InsertThousandSeparators(const std::string& Digits, const std::string& Separator = ",");

// Fixed-point text of Value with Decimals decimals, rounded, with thousands and decimal separators ("%.2n").
std::string FormatNumber(double Value, int Decimals, const LocaleFormat& Locale = {});
