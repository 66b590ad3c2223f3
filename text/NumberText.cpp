#include "text/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "text/Padding.h"

namespace {

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

// The value as 18 significant decimal digits: Value = 0.D1D2...D18 * 10^(Exponent + 1).
struct TDecimalDigits {
    bool Negative = false;
    std::string Digits;  // exactly 18 digits
    int Exponent = 0;    // of the first digit
};

TDecimalDigits Expand18(double Value)
{
    char Buffer[64];
    const auto Result = std::to_chars(Buffer, Buffer + sizeof Buffer, Value, std::chars_format::scientific, 17);
    const std::string_view Text(Buffer, static_cast<std::size_t>(Result.ptr - Buffer));
    TDecimalDigits Out;
    std::size_t Pos = 0;
    if (Text[Pos] == '-') {
        Out.Negative = true;
        ++Pos;
    }
    for (; Pos < Text.size() && Text[Pos] != 'e'; ++Pos) {
        if (IsDigit(Text[Pos])) {
            Out.Digits.push_back(Text[Pos]);
        }
    }
    int Exponent = 0;
    std::from_chars(Text.data() + Pos + 1 + (Text[Pos + 1] == '+' ? 1 : 0), Text.data() + Text.size(), Exponent);
    Out.Exponent = Exponent;
    return Out;
}

// Rounds the decimal digit string to its first Keep digits, half away from zero. Returns true when
// the carry ran out of the front (the result is then "1" followed by Keep zeros).
bool RoundDigits(std::string& Digits, int Keep)
{
    if (Keep >= static_cast<int>(Digits.size())) {
        Digits.append(static_cast<std::size_t>(Keep) - Digits.size(), '0');
        return false;
    }
    const bool Up = Digits[static_cast<std::size_t>(Keep)] >= '5';
    Digits.resize(static_cast<std::size_t>(Keep));
    if (!Up) {
        return false;
    }
    for (int I = Keep - 1; I >= 0; --I) {
        char& D = Digits[static_cast<std::size_t>(I)];
        if (D == '9') {
            D = '0';
        } else {
            ++D;
            return false;
        }
    }
    Digits.insert(Digits.begin(), '1');
    return true;
}

std::string NonFiniteText(double Value)
{
    if (std::isnan(Value)) {
        return std::signbit(Value) ? "-nan" : "nan";
    }
    return Value < 0 ? "-inf" : "inf";
}

// Position of the first non-zero digit relative to the units digit (0 for 1..9, -1 for 0.1..0.9)
// of a number already checked by TryParseReal and written with a period.
long long DecimalMagnitude(const std::string& Plain)
{
    long long Exponent = 0;
    const std::size_t E = Plain.find('e');
    if (E != std::string::npos) {
        const char* First = Plain.data() + E + 1;
        if (*First == '+') {
            ++First;
        }
        // Saturate absurd exponents instead of failing to convert them.
        const auto R = std::from_chars(First, Plain.data() + Plain.size(), Exponent);
        if (R.ec == std::errc::result_out_of_range) {
            Exponent = (*First == '-') ? -(1LL << 40) : (1LL << 40);
        }
    }
    const std::string Mantissa = Plain.substr(0, E);
    const std::size_t Point = Mantissa.find('.');
    const std::size_t IntEnd = Point == std::string::npos ? Mantissa.size() : Point;
    long long Position = 0;
    long long Index = 0;
    for (std::size_t I = 0; I < Mantissa.size(); ++I) {
        const char C = Mantissa[I];
        if (!IsDigit(C)) {
            continue;
        }
        if (C != '0') {
            const long long IntDigitsBefore = static_cast<long long>(IntEnd) - static_cast<long long>(Mantissa[0] == '-');
            Position = IntDigitsBefore - 1 - Index;
            return Position + Exponent;
        }
        ++Index;
    }
    return -(1LL << 40);  // zero
}

}  // namespace

std::string IntToStrInf(int32_t Value)
{
    return Value == IntInf ? "INF" : std::to_string(Value);
}

bool TryStrToIntInf(std::string_view Text, int32_t& Value)
{
    if (Text == "INF") {
        Value = IntInf;
        return true;
    }
    return TryParseInt32(Text, Value);
}

std::string RealToStrInf(double Value, char DecimalSep)
{
    if (std::isinf(Value) && Value > 0) {
        return "INF";
    }
    return FormatGeneral(Value, DecimalSep);
}

bool TryStrToRealInf(std::string_view Text, double& Value, char DecimalSep)
{
    if (Text == "INF") {
        Value = std::numeric_limits<double>::infinity();
        return true;
    }
    return TryParseReal(Text, Value, DecimalSep);
}

bool TryParseInt32(std::string_view Text, int32_t& Value)
{
    std::size_t Pos = 0;
    bool Negative = false;
    if (Pos < Text.size() && (Text[Pos] == '+' || Text[Pos] == '-')) {
        Negative = Text[Pos] == '-';
        ++Pos;
    }
    if (Pos == Text.size()) {
        return false;
    }
    int64_t Magnitude = 0;
    for (; Pos < Text.size(); ++Pos) {
        if (!IsDigit(Text[Pos])) {
            return false;
        }
        Magnitude = Magnitude * 10 + (Text[Pos] - '0');
        if (Magnitude > int64_t{1} << 31) {
            return false;
        }
    }
    const int64_t Signed = Negative ? -Magnitude : Magnitude;
    if (Signed < std::numeric_limits<int32_t>::min() || Signed > std::numeric_limits<int32_t>::max()) {
        return false;
    }
    Value = static_cast<int32_t>(Signed);
    return true;
}

bool TryParseReal(std::string_view Text, double& Value, char DecimalSep)
{
    // Check the grammar by hand, then let from_chars (locale-independent, correctly rounded)
    // convert a copy with a period as separator.
    std::string Plain;
    Plain.reserve(Text.size());
    std::size_t Pos = 0;
    if (Pos < Text.size() && (Text[Pos] == '+' || Text[Pos] == '-')) {
        if (Text[Pos] == '-') {
            Plain.push_back('-');
        }
        ++Pos;
    }
    int Digits = 0;
    for (; Pos < Text.size() && IsDigit(Text[Pos]); ++Pos, ++Digits) {
        Plain.push_back(Text[Pos]);
    }
    if (Pos < Text.size() && Text[Pos] == DecimalSep) {
        Plain.push_back('.');
        ++Pos;
        for (; Pos < Text.size() && IsDigit(Text[Pos]); ++Pos, ++Digits) {
            Plain.push_back(Text[Pos]);
        }
    }
    if (Digits == 0) {
        return false;
    }
    if (Pos < Text.size() && (Text[Pos] == 'e' || Text[Pos] == 'E')) {
        Plain.push_back('e');
        ++Pos;
        if (Pos < Text.size() && (Text[Pos] == '+' || Text[Pos] == '-')) {
            Plain.push_back(Text[Pos]);
            ++Pos;
        }
        int ExpDigits = 0;
        for (; Pos < Text.size() && IsDigit(Text[Pos]); ++Pos, ++ExpDigits) {
            Plain.push_back(Text[Pos]);
        }
        if (ExpDigits == 0) {
            return false;
        }
    }
    if (Pos != Text.size()) {
        return false;
    }
    double Parsed = 0;
    const auto Result = std::from_chars(Plain.data(), Plain.data() + Plain.size(), Parsed);
    if (Result.ec == std::errc::result_out_of_range) {
        // Too small reads as zero; too large is refused.
        if (DecimalMagnitude(Plain) >= 0) {
            return false;
        }
        Parsed = Plain[0] == '-' ? -0.0 : 0.0;
    } else if (Result.ec != std::errc() || Result.ptr != Plain.data() + Plain.size()) {
        return false;
    }
    Value = Parsed;
    return true;
}

std::string FormatFixed(double Value, int Decimals, char DecimalSep)
{
    if (!std::isfinite(Value)) {
        return NonFiniteText(Value);
    }
    if (Decimals < 0) {
        Decimals = 0;
    }
    TDecimalDigits D = Expand18(Value);
    // Digits kept: those before the separator (Exponent + 1) and Decimals after it.
    const int Keep = D.Exponent + 1 + Decimals;
    std::string Digits;
    int IntDigits = D.Exponent + 1;
    if (Keep < 0) {
        Digits.assign(static_cast<std::size_t>(Decimals), '0');
        IntDigits = 0;
    } else {
        Digits = D.Digits;
        if (RoundDigits(Digits, Keep)) {
            ++IntDigits;
        }
        if (IntDigits < 0) {
            // Pure fraction: leading zeros after the separator.
            Digits.insert(0, static_cast<std::size_t>(-IntDigits), '0');
            IntDigits = 0;
        }
    }
    std::string Out;
    if (D.Negative) {
        Out.push_back('-');
    }
    if (IntDigits == 0) {
        Out.push_back('0');
    } else {
        Out.append(Digits, 0, static_cast<std::size_t>(IntDigits));
    }
    if (Decimals > 0) {
        Out.push_back(DecimalSep);
        Out.append(Digits, static_cast<std::size_t>(IntDigits), std::string::npos);
    }
    return Out;
}

std::string FormatFixedWidth(double Value, int Width, int Decimals, char DecimalSep)
{
    return PadStr(FormatFixed(Value, Decimals, DecimalSep), Width, 'r');
}

std::string FormatIntWidth(int64_t Value, int Width)
{
    return PadStr(std::to_string(Value), Width, 'r');
}

std::string FormatGeneral(double Value, char DecimalSep)
{
    if (!std::isfinite(Value)) {
        if (std::isinf(Value)) {
            return Value > 0 ? "INF" : "-INF";
        }
        return "NAN";
    }
    if (Value == 0) {
        return "0";
    }
    TDecimalDigits D = Expand18(Value);
    std::string Digits = D.Digits;
    int Exponent = D.Exponent;
    if (RoundDigits(Digits, 15)) {
        ++Exponent;
        Digits.resize(15);
    }
    while (Digits.size() > 1 && Digits.back() == '0') {
        Digits.pop_back();
    }
    std::string Out = D.Negative ? "-" : "";
    const int NumDigits = static_cast<int>(Digits.size());
    if (Exponent >= -4 && Exponent < 15) {
        if (Exponent < 0) {
            Out += "0";
            Out.push_back(DecimalSep);
            Out.append(static_cast<std::size_t>(-Exponent - 1), '0');
            Out += Digits;
        } else if (NumDigits <= Exponent + 1) {
            Out += Digits;
            Out.append(static_cast<std::size_t>(Exponent + 1 - NumDigits), '0');
        } else {
            Out.append(Digits, 0, static_cast<std::size_t>(Exponent + 1));
            Out.push_back(DecimalSep);
            Out.append(Digits, static_cast<std::size_t>(Exponent + 1), std::string::npos);
        }
        return Out;
    }
    Out.push_back(Digits[0]);
    if (NumDigits > 1) {
        Out.push_back(DecimalSep);
        Out.append(Digits, 1, std::string::npos);
    }
    Out.push_back('E');
    Out += std::to_string(Exponent);
    return Out;
}
