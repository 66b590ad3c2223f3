#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The integer parameter value that stands for infinity ("INF").
inline constexpr int32_t IntInf = 2000000000;

// --- INF conversions -------------------------------------------------------------------------
// "INF" for IntInf, else the decimal integer.
std::string IntToStrInf(int32_t Value);
// "INF" gives IntInf, else a decimal integer (Text must be exactly that); false when Text is
// neither.
bool TryStrToIntInf(std::string_view Text, int32_t& Value);
// "INF" for +infinity, else the general notation below.
std::string RealToStrInf(double Value, char DecimalSep = '.');
// "INF" gives +infinity, else a real number in the notation of TryParseReal; false when Text is
// neither.
bool TryStrToRealInf(std::string_view Text, double& Value, char DecimalSep = '.');

// --- Strict text to number -------------------------------------------------------------------
// A decimal integer with an optional sign, nothing around it, in the signed 32-bit range.
bool TryParseInt32(std::string_view Text, int32_t& Value);
// A decimal number: optional sign, digits with an optional fraction after DecimalSep (at least
// one digit in all), optional exponent (E or e, optional sign, digits). Nothing around it; no
// "inf", "nan" or hexadecimal. Values beyond the double range are refused.
bool TryParseReal(std::string_view Text, double& Value, char DecimalSep = '.');

// --- Number text ------------------------------------------------------------------------------
// Fixed-point with Decimals decimals, as the C conversion "%.<Decimals>f" except that the value
// is first expanded to 18 significant digits and an exact half is rounded away from zero:
// 0.125 with two decimals gives "0.13". Independent of the C locale. REQUIRES: Decimals >= 0.
std::string FormatFixed(double Value, int Decimals, char DecimalSep = '.');
// FormatFixed right-aligned in Width characters ("%<Width>.<Decimals>f"), never cut.
std::string FormatFixedWidth(double Value, int Width, int Decimals, char DecimalSep = '.');
// The general notation of reals: 15 significant digits, no trailing zeros, no separator when
// nothing follows it; fixed notation for magnitudes in [1e-4, 1e15), otherwise scientific as in
// "1E-5" or "2.5E20". Zero is "0".
std::string FormatGeneral(double Value, char DecimalSep = '.');
// A decimal integer right-aligned in Width ("%<Width>d"), never cut.
std::string FormatIntWidth(int64_t Value, int Width);
