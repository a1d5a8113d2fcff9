#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace quorvane {

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4), independent of the FPU rounding mode.
// NaN gives 0; values beyond the 64-bit range are clamped.
inline std::int64_t RoundHalfEven(double Value) {
    if (std::isnan(Value))
        return 0;
    constexpr double Limit = 9.2e18;
    if (Value >= Limit)
        return std::numeric_limits<std::int64_t>::max();
    if (Value <= -Limit)
        return std::numeric_limits<std::int64_t>::min();
    const double Floor = std::floor(Value);
    const double Fraction = Value - Floor;
    auto Result = static_cast<std::int64_t>(Floor);
    if (Fraction > 0.5 || (Fraction == 0.5 && (Result % 2) != 0))
        ++Result;
    return Result;
}

} // namespace quorvane
