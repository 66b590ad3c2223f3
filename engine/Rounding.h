#pragma once
#include <cmath>
#include <cstdint>
#include <limits>

// Every real-to-integer conversion of the engine rounds to nearest, ties to even (2.5 -> 2,
// 3.5 -> 4, -2.5 -> -2), under the default rounding mode (std::rint, which compiles to one
// instruction where std::nearbyint is a library call; the two differ only in raising the
// inexact flag, which nothing reads). Values outside the target range
// saturate instead of converting with undefined behaviour; NaN gives 0.

// Most units one demand draw or one "OQ" order may carry: the cumulative demand of a whole run
// (9999 draws) then stays below 2^62, where the demand window's sums are safe.
inline constexpr int64_t MaxUnits = int64_t{1} << 48;

inline int32_t RoundToInt32(double Value)
{
    if (std::isnan(Value)) {
        return 0;
    }
    const double R = std::rint(Value);
    if (R >= 2147483647.0) {
        return std::numeric_limits<int32_t>::max();
    }
    if (R <= -2147483648.0) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(R);
}

// Rounds and clamps to [-MaxUnits, MaxUnits].
inline int64_t RoundToUnits(long double Value)
{
    if (std::isnan(Value)) {
        return 0;
    }
    const long double R = std::rint(Value);
    if (R >= static_cast<long double>(MaxUnits)) {
        return MaxUnits;
    }
    if (R <= -static_cast<long double>(MaxUnits)) {
        return -MaxUnits;
    }
    return static_cast<int64_t>(R);
}
