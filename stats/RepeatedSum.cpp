#include "stats/RepeatedSum.h"

#include <cassert>
#include <cfloat>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

// How it works. While the running sum S stays inside one binade [2^(E-1), 2^E) its spacing u is
// fixed, S = A * u with A an integer in [2^52, 2^53), and S + c rounds to (A + r) * u where r is c/u
// rounded to the nearest integer; only when c/u lies exactly halfway between two integers does r
// depend on the parity of A (ties to even). So every cycle adds the same integer D to A until an
// intermediate value would leave the binade, and those cycles are skipped in one step. Near zero,
// near a binade edge and in other awkward spots, cycles are done one by one.
namespace {

constexpr int64_t BinadeLow = (int64_t{1} << 52) + 1;   // keep exact sums strictly inside
constexpr int64_t BinadeHigh = (int64_t{1} << 53) - 2;  // the binade, away from its edges
constexpr int64_t SmallCycles = 32;  // below this, plain additions are cheaper than analysis

double PlainCycle(double Sum, std::span<const double> Terms)
{
    for (double Term : Terms) {
        Sum = Sum + Term;
    }
    return Sum;
}

double PlainCycles(double Sum, std::span<const double> Terms, int64_t Cycles)
{
    if (Terms.size() == 1) {
        const double T = Terms[0];
        for (int64_t C = 0; C < Cycles; ++C) {
            Sum = Sum + T;
        }
    } else if (Terms.size() == 2) {
        const double T0 = Terms[0];
        const double T1 = Terms[1];
        for (int64_t C = 0; C < Cycles; ++C) {
            Sum = Sum + T0;
            Sum = Sum + T1;
        }
    } else {
        for (int64_t C = 0; C < Cycles; ++C) {
            Sum = PlainCycle(Sum, Terms);
        }
    }
    return Sum;
}

uint64_t Bits(double Value)
{
    uint64_t B = 0;
    std::memcpy(&B, &Value, sizeof B);
    return B;
}

bool SameBits(double A, double B)
{
    return Bits(A) == Bits(B);
}

// 2^K for -1022 <= K <= 1023.
double PowerOfTwo(int K)
{
    const uint64_t B = static_cast<uint64_t>(K + 1023) << 52;
    double Value = 0;
    std::memcpy(&Value, &B, sizeof Value);
    return Value;
}

// N / D rounded down for 0 <= N < 2^53 and D >= 1. A 64-bit integer division is slow on many
// processors; the double quotient is off by at most one and is corrected exactly.
int64_t QuotientFloor(int64_t N, int64_t D)
{
    int64_t Q = static_cast<int64_t>(static_cast<double>(N) / static_cast<double>(D));
    if (Q * D > N) {
        --Q;
    } else if ((Q + 1) * D <= N) {
        ++Q;
    }
    return Q;
}

// The binade of a normal sum: |Sum| = A * Spacing with A an integer in [2^52, 2^53). For the
// biased exponent E, |Sum| lies in [2^(E-1023), 2^(E-1022)) and the spacing is 2^(E-1075);
// powers of two are built from their bits, with no library calls.
struct TBinade {
    double Spacing = 0;
    double InverseSpacing = 0;
    int64_t A = 0;
};

// False when the spacing would fall below the normal range.
bool BinadeOf(double Sum, TBinade& B)
{
    const int BiasedExponent = static_cast<int>((Bits(Sum) >> 52) & 0x7FF);
    if (BiasedExponent < 53) {
        return false;
    }
    B.Spacing = PowerOfTwo(BiasedExponent - 1075);
    B.InverseSpacing = PowerOfTwo(1075 - BiasedExponent);
    B.A = static_cast<int64_t>(std::fabs(Sum) * B.InverseSpacing);
    return true;
}

// One term scaled to the spacing of the current binade.
struct TScaledTerm {
    int64_t Nearest = 0;  // the step when there is no tie
    bool Tie = false;     // exactly halfway: the step is Floor or Floor + 1, whichever gives an even result
    int64_t Floor = 0;
};

// X is a term divided by the spacing (exact: a power-of-two scaling). REQUIRES: |X| <= 2^60.
TScaledTerm ScaleTerm(double X)
{
    int64_t Floor = static_cast<int64_t>(X);
    if (static_cast<double>(Floor) > X) {
        --Floor;
    }
    const double Fraction = X - static_cast<double>(Floor);  // exact
    TScaledTerm T;
    T.Floor = Floor;
    T.Tie = Fraction == 0.5;
    T.Nearest = Fraction < 0.5 ? Floor : Floor + 1;
    return T;
}

// The integer step of a scaled term added to Cur (in units of the spacing).
int64_t Step(const TScaledTerm& T, int64_t Cur)
{
    if (T.Tie) {
        return ((Cur + T.Floor) % 2 == 0) ? T.Floor : T.Floor + 1;
    }
    return T.Nearest;
}

// The common case of costs: a sum that only grows (Sum >= 0, every term > 0). Then within a binade
// every intermediate value lies between the cycle's start and end, and the one check is the
// binade's upper edge.
// Advances Sum and Cycles as far as it can; true when all cycles are done.
// A numeric kernel kept whole on purpose: its steps share the binade bookkeeping, and splitting them
// would hide the one argument (the upper edge check) that makes every jump exact.
bool AddPositiveTerms(double& Sum, std::span<const double> Terms, int64_t& Cycles)
{
    constexpr std::size_t MaxTerms = 32;
    if (!(Sum >= 0) || Terms.size() > MaxTerms) {
        return false;
    }
    for (double Term : Terms) {
        if (!(Term > 0) || !(Term < 0x1p1000)) {
            return false;
        }
    }
    double CycleTotal = 0;
    for (double Term : Terms) {
        CycleTotal += Term;
    }
    while (Cycles > 0) {
        // While a binade holds only a few cycles, plain additions are cheaper than the analysis.
        if (Sum < 32 * CycleTotal) {
            Sum = PlainCycle(Sum, Terms);
            --Cycles;
            continue;
        }
        if (!(Sum >= 0x1p-960) || !(Sum < 0x1p1000)) {  // spacing must stay a normal number
            if (!(Sum < 0x1p1000)) {
                return false;  // near overflow: leave it to the careful loop
            }
            Sum = PlainCycle(Sum, Terms);
            --Cycles;
            continue;
        }
        TBinade B;
        BinadeOf(Sum, B);  // Sum >= 2^-960: always a normal spacing
        const int64_t A = B.A;
        // Each step adds its term's multiple of the spacing; a term exactly halfway rounds to the
        // even result, which depends on the parity at that step.
        int64_t Cur = A;
        bool AnyTie = false;
        for (double Term : Terms) {
            const double X = Term * B.InverseSpacing;
            if (X >= 0x1p53) {
                return false;  // a term beyond the binade: careful loop
            }
            const TScaledTerm T = ScaleTerm(X);
            AnyTie = AnyTie || T.Tie;
            Cur += Step(T, Cur);
        }
        const int64_t D = Cur - A;
        if (AnyTie && D % 2 != 0) {
            // Only possible with a tie before parity settles (a tie's result is even): one plain
            // cycle settles it.
            Sum = PlainCycle(Sum, Terms);
            --Cycles;
            continue;
        }
        if (D == 0) {
            return true;  // every term is absorbed: the sum no longer changes
        }
        const int64_t Room = BinadeHigh - A;
        const int64_t K = Room < D ? 0 : std::min(Cycles, QuotientFloor(Room, D));
        if (K > 0) {
            Sum = static_cast<double>(A + K * D) * B.Spacing;
            Cycles -= K;
        }
        if (Cycles > 0) {
            Sum = PlainCycle(Sum, Terms);  // crosses into the next binade
            --Cycles;
        }
    }
    return true;
}

// The integer steps of one cycle from A, or false when a step leaves the safe range.
bool CycleSteps(int64_t A, std::span<const TScaledTerm> Scaled, int64_t& End, int64_t& MinOffset,
                int64_t& MaxOffset)
{
    int64_t Cur = A;
    MinOffset = 0;
    MaxOffset = 0;
    for (const TScaledTerm& T : Scaled) {
        Cur += Step(T, Cur);
        if (Cur < BinadeLow || Cur > BinadeHigh) {
            return false;
        }
        MinOffset = std::min(MinOffset, Cur - A);
        MaxOffset = std::max(MaxOffset, Cur - A);
    }
    End = Cur;
    return true;
}

// When the sum and every term are whole numbers and no partial sum can reach 2^53, every
// addition is exact and the result is simply Sum + Cycles * (sum of the terms).
// The exponent of the lowest set bit of a finite non-zero value (Value = odd * 2^result).
int LowestBitExponent(double Value)
{
    const uint64_t B = Bits(Value);
    const int BiasedExponent = static_cast<int>((B >> 52) & 0x7FF);
    uint64_t Mantissa = B & ((uint64_t{1} << 52) - 1);
    int Exponent = 0;
    if (BiasedExponent == 0) {
        Exponent = -1074;  // subnormal
    } else {
        Mantissa |= uint64_t{1} << 52;
        Exponent = BiasedExponent - 1075;
    }
    return Exponent + std::countr_zero(Mantissa);
}

// When the sum and every term are multiples of one power of two 2^Q and no partial sum can reach
// 2^(51+Q), every addition is exact and the result is Sum + Cycles * (sum of the terms): whole
// numbers, halves, quarters and the like.
bool AddDyadic(double& Sum, std::span<const double> Terms, int64_t Cycles)
{
    int Q = 1 << 20;
    double Magnitude = std::fabs(Sum);
    if (!std::isfinite(Sum)) {
        return false;
    }
    if (Sum != 0) {
        Q = LowestBitExponent(Sum);
    }
    for (double Term : Terms) {
        if (!std::isfinite(Term)) {
            return false;
        }
        if (Term != 0) {
            Q = std::min(Q, LowestBitExponent(Term));
        }
    }
    if (Q == (1 << 20)) {
        Sum = PlainCycle(Sum, Terms);  // all zero: only the sign of a zero sum can change, once
        return true;
    }
    if (Q < -1000 || Q > 900) {
        return false;
    }
    double TermMagnitude = 0;
    for (double Term : Terms) {
        TermMagnitude += std::fabs(Term);
    }
    // Everything in units of 2^Q must stay below 2^51 (a margin for the rounding of this test).
    const double Unit = PowerOfTwo(Q);
    if (!((Magnitude + TermMagnitude * static_cast<double>(Cycles)) / Unit < 0x1p51)) {
        return false;
    }
    int64_t CycleTotal = 0;
    for (double Term : Terms) {
        CycleTotal += static_cast<int64_t>(Term / Unit);  // exact: a multiple of the unit
    }
    Sum = Sum + static_cast<double>(CycleTotal * Cycles) * Unit;
    return true;
}

}  // namespace

namespace {

// The general case of AddRepeatedCycle: plain cycles where the shortcut is unsafe, and within a
// binade many cycles at once, since there every cycle moves the sum by the same number of steps.
class TCycleAdder {
public:
    TCycleAdder(double Sum, std::span<const double> Terms, int64_t Cycles, std::span<TScaledTerm> Scaled)
        : Sum_(Sum), Terms_(Terms), Cycles_(Cycles), Scaled_(Scaled)
    {
        for (double Term : Terms) {
            CycleMagnitude_ += std::fabs(Term);
        }
    }

    double Run()
    {
        bool AfterJump = false;
        while (Cycles_ > 0) {
            // Plain cycles near zero (a binade then holds only a cycle or two), for NaN and
            // infinities, near binade edges and when the shortcut is not safe. A jump stops short
            // of the binade's edge (or finds the shortcut unsafe), so the next cycle is plain.
            const bool Plain = AfterJump || Cycles_ <= SmallCycles || !std::isnormal(Sum_) ||
                               (std::fabs(Sum_) < 16 * CycleMagnitude_ && PlainRun_ < 32);
            if (Plain) {
                if (PlainStep()) {
                    return Sum_;
                }
            } else {
                JumpWithinBinade();
            }
            AfterJump = !Plain;
        }
        return Sum_;
    }

private:
    // One plain cycle. True when the rest of the sum is settled: NaN, a fixed point, or a sum
    // that came back, after which the sequence repeats.
    bool PlainStep()
    {
        const double Next = PlainCycle(Sum_, Terms_);
        --Cycles_;
        if (std::isnan(Next) || SameBits(Next, Sum_)) {
            Sum_ = Next;
            return true;
        }
        // Next equals the sum I + 2 cycles back: the sequence repeats with that period.
        for (int64_t I = 0; I < std::min<int64_t>(PlainRun_, Remembered); ++I) {
            if (SameBits(Recent_[(PlainRun_ - 1 - I) % Remembered], Next)) {
                Cycles_ %= I + 2;
                Sum_ = Next;
                while (Cycles_-- > 0) {
                    Sum_ = PlainCycle(Sum_, Terms_);
                }
                return true;
            }
        }
        Recent_[PlainRun_ % Remembered] = Sum_;
        ++PlainRun_;
        Sum_ = Next;
        return false;
    }

    // As many cycles as stay inside the sum's binade, at once. Nothing is done when the shortcut
    // is unsafe here: below the normal range, near a binade edge, a huge term, or ties that
    // alternate parity.
    void JumpWithinBinade()
    {
        const bool Negative = Sum_ < 0;
        TBinade B;
        if (!BinadeOf(Sum_, B)) {
            return;
        }
        const int64_t A = B.A;
        bool AnyTie = false;
        for (std::size_t I = 0; I < Terms_.size(); ++I) {
            const double X = (Negative ? -Terms_[I] : Terms_[I]) * B.InverseSpacing;
            if (!(std::fabs(X) <= 0x1p60)) {
                return;
            }
            Scaled_[I] = ScaleTerm(X);
            AnyTie = AnyTie || Scaled_[I].Tie;
        }
        int64_t End = 0;
        int64_t MinOffset = 0;
        int64_t MaxOffset = 0;
        if (!CycleSteps(A, Scaled_, End, MinOffset, MaxOffset)) {
            return;
        }
        const int64_t D = End - A;
        // Ties go to the even neighbour, so a step depends on the parity of A. With D even every
        // cycle starts at the same parity and repeats the same steps; an odd D settles after one
        // plain cycle (a tie's result is always even).
        if (AnyTie && (D % 2 != 0)) {
            return;
        }
        // Largest K such that every intermediate of the next K cycles stays in range.
        int64_t K = Cycles_;
        if (D > 0) {
            K = std::min(K, QuotientFloor(BinadeHigh - A - MaxOffset, D) + 1);
        } else if (D < 0) {
            K = std::min(K, QuotientFloor(A + MinOffset - BinadeLow, -D) + 1);
        }
        if (K <= 0) {
            return;
        }
        Cycles_ -= K;
        PlainRun_ = 0;
        Sum_ = static_cast<double>(A + K * D) * B.Spacing;
        if (Negative) {
            Sum_ = -Sum_;
        }
    }

    // The sums before the latest consecutive plain cycles, newest at Recent_[(PlainRun_ - 1) % 8]:
    // the cycle is a fixed function of the sum, so a sum that comes back repeats from there on.
    static constexpr int Remembered = 8;

    double Sum_;
    std::span<const double> Terms_;
    int64_t Cycles_;
    std::span<TScaledTerm> Scaled_;
    double CycleMagnitude_ = 0;
    double Recent_[Remembered] = {};
    int64_t PlainRun_ = 0;
};

}  // namespace

double AddRepeatedCycle(double Sum, std::span<const double> Terms, int64_t Cycles)
{
    assert(Cycles >= 0);
    if (Terms.empty() || Cycles == 0) {
        return Sum;
    }
    if (Cycles <= 2) {
        return PlainCycles(Sum, Terms, Cycles);
    }
    if (AddDyadic(Sum, Terms, Cycles)) {
        return Sum;
    }
    if (Cycles <= SmallCycles) {
        return PlainCycles(Sum, Terms, Cycles);
    }
    if (AddPositiveTerms(Sum, Terms, Cycles)) {
        return Sum;
    }
    // The scaled terms live on the stack for the usual short cycles.
    constexpr std::size_t InlineTerms = 32;
    TScaledTerm InlineScaled[InlineTerms];
    std::vector<TScaledTerm> HeapScaled;
    TScaledTerm* ScaledData = InlineScaled;
    if (Terms.size() > InlineTerms) {
        HeapScaled.resize(Terms.size());
        ScaledData = HeapScaled.data();
    }
    return TCycleAdder(Sum, Terms, Cycles, std::span<TScaledTerm>(ScaledData, Terms.size())).Run();
}
