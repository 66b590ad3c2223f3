#include "engine/Random.h"

#include <cfloat>
#include <cmath>

#include "engine/Rounding.h"
#include "platform/Clock.h"

namespace {

// A uniform number in [0, 1) mapped onto [-1, 1), in extended precision.
long double PolarCoordinate(double Uniform)
{
    return 2.0L * Uniform - 1.0L;
}

// The polar method's acceptance of s = u2^2 + u1^2. s == 0 (both draws exactly 1/2) would divide
// by zero; it is redrawn like s >= 1.
bool PolarAccepted(long double S)
{
    return S < 1.0L && S != 0.0L;
}

// |u| of a state in units of 2^-32.
uint64_t PolarMagnitude(uint32_t State)
{
    const int64_t V = 2 * static_cast<int64_t>(State) - (int64_t{1} << 32);
    return static_cast<uint64_t>(V < 0 ? -V : V);
}

}  // namespace

long double LogOfFraction(long double X)
{
#if (defined(__x86_64__) || defined(__i386__)) && LDBL_MANT_DIG == 64 && defined(__GNUC__)
    // ln 2 * log2(X); within 0.29 of 1 as ln 2 * log2(1 + (X - 1)), which keeps the digits of
    // X - 1. The library's x87 code chooses the same way, with the same bound as a double.
    long double Ln2;
    __asm__("fldln2" : "=t"(Ln2));
    const long double FromOne = X - 1.0L;
    long double Log;
    if (std::fabs(FromOne) > static_cast<long double>(0.29)) {
        __asm__("fyl2x" : "=t"(Log) : "0"(X), "u"(Ln2) : "st(1)");
    } else {
        __asm__("fyl2xp1" : "=t"(Log) : "0"(FromOne), "u"(Ln2) : "st(1)");
    }
    return Log;
#else
    return std::log(X);
#endif
}

void TRandom::Seed(int64_t Value)
{
    if (Value == 0) {
        State_ = HighResCounterLow32();
    } else if (Value > 0) {
        State_ = static_cast<uint32_t>(Value);
    }
}

double TRandom::Normal(double Mean, double SD)
{
    long double U1 = 0;
    long double S = 0;
    do {
        U1 = PolarCoordinate(Uniform());
        const long double U2 = PolarCoordinate(Uniform());
        S = U2 * U2 + U1 * U1;
    } while (!PolarAccepted(S));
    const long double Result =
        static_cast<long double>(Mean) + static_cast<long double>(SD) * (U1 * std::sqrt(-2.0L * LogOfFraction(S) / S));
    return static_cast<double>(Result);
}

int64_t TRandom::NormalUnits(double Mean, double SD)
{
    const uint32_t Start = State_;
    TPolarSum Pair;
    do {
        const uint32_t State1 = NextState(State_);
        State_ = NextState(State1);
        Pair = PolarSum(State1, State_);
    } while (!PolarAccepts(Pair));

    // Within 2^-20 of 1 (or rounded across it) the logarithm below would lose its relative
    // accuracy: that rare case, like every other doubt, goes the long way.
    constexpr uint64_t NearOne = ~uint64_t{0} - (uint64_t{1} << 44);
    const uint64_t Sum = Pair.Low;
    if (!Pair.Carry && Sum <= NearOne) {
        // s = SHi + SLo, both exact: SHi twice the halved sum rounded to a double, SLo the rest,
        // below 2^-52 s. ln s = ln SHi + SLo / SHi to within (SLo / SHi)^2 / 2 < 2^-104. The
        // halved sum is below 2^63 - 2^43, so it converts as a signed integer, both ways, without
        // the branches of an unsigned conversion (about half the sums are 2^63 or more).
        const double HalfHi = static_cast<double>(static_cast<int64_t>(Sum >> 1));
        const auto SumLo = static_cast<int64_t>(Sum - 2 * static_cast<uint64_t>(static_cast<int64_t>(HalfHi)));
        const double SHi = HalfHi * 0x1p-63;
        const double SLo = static_cast<double>(SumLo) * 0x1p-64;
        const double InvS = 1.0 / SHi;
        const double LnS = std::log(SHi) + SLo * InvS;
        const double U1 = static_cast<double>(2 * static_cast<int64_t>(Pair.State1) - (int64_t{1} << 32)) * 0x1p-32;
        const double Scaled = SD * (U1 * std::sqrt(-2.0 * LnS * InvS));
        const double Value = Mean + Scaled;
        // |ln s| >= 2^-20 keeps each step within a few units in the last place of a double: the
        // value is within (|Mean| + |Scaled|) * 2^-48 of the exact one, and Normal's within
        // |Value| * 2^-53 of it. A margin 256 times that (which also covers a logarithm
        // hundreds of units off) leaves only draws whose rounding no error can change. From
        // 2^39 on the margin exceeds half a unit, so large values (and the clamp) and NaN all
        // go the long way.
        const double Margin = (std::fabs(Mean) + std::fabs(Scaled)) * 0x1p-40;
        // Adding 1.5 * 2^52 and taking it away rounds to the nearest whole number below 2^51;
        // Value - Nearest is then exact.
        constexpr double Shift = 0x1.8p52;
        const double Nearest = (Value + Shift) - Shift;
        if (0.5 - std::fabs(Value - Nearest) > Margin) {
            return static_cast<int64_t>(Nearest);
        }
    }
    State_ = Start;
    return RoundToUnits(Normal(Mean, SD));
}

uint32_t TRandom::Advance(uint32_t State, uint64_t Steps)
{
    // x -> a x + c composed with itself: (a, c) -> (a^2, a c + c), by the bits of Steps.
    uint32_t A = Multiplier;
    uint32_t C = Increment;
    while (Steps > 0) {
        if ((Steps & 1u) != 0) {
            State = A * State + C;
        }
        C = A * C + C;
        A = A * A;
        Steps >>= 1;
    }
    return State;
}

TRandom::TPolarSum TRandom::PolarSum(uint32_t State1, uint32_t State2)
{
    // u = 2k/2^32 - 1 has 33 significant bits: in units of 2^-32 it is the integer 2k - 2^32,
    // below 2^32 in size, so each square fits 64 bits and s * 2^64 = a^2 + b^2.
    const uint64_t A = PolarMagnitude(State1);
    const uint64_t B = PolarMagnitude(State2);
    TPolarSum Sum{State1, State2};
    Sum.Carry = __builtin_add_overflow(A * A, B * B, &Sum.Low);
    return Sum;
}

bool TRandom::PolarAccepts(const TPolarSum& Sum)
{
    // Far from 1 (2^16 in units of 2^-64) the extended-precision sum cannot round across it;
    // only near 1 is the literal computation needed. s = 0 is refused.
    constexpr uint64_t Margin = uint64_t{1} << 16;
    if (!Sum.Carry) {
        if (Sum.Low == 0) {
            return false;
        }
        if (Sum.Low < ~uint64_t{0} - Margin + 1) {
            return true;
        }
    } else if (Sum.Low > Margin) {
        return false;
    }
    const long double U1 = PolarCoordinate(UniformOf(Sum.State1));
    const long double U2 = PolarCoordinate(UniformOf(Sum.State2));
    return PolarAccepted(U2 * U2 + U1 * U1);
}
