#include "stats/RepeatedSum.h"

#include <cassert>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

// How it works. While the running sum S stays inside one binade [2^(E-1), 2^E) its spacing u is
// fixed, S = A * u with A an integer in [2^52, 2^53), and S + c rounds to (A + r) * u where r is c/u
// rounded to the nearest integer; only when c/u lies exactly halfway between two integers does r
// depend on the parity of A (ties to even). After one cycle that parity no longer changes, so every
// further cycle adds the same integer D to A until an intermediate value would leave the binade.
// Those cycles are skipped in one step; near a binade edge, cycles are done one by one.
namespace {

constexpr int64_t BinadeLow = (int64_t{1} << 52) + 1;   // keep exact sums strictly inside
constexpr int64_t BinadeHigh = (int64_t{1} << 53) - 2;  // the binade, away from its edges
constexpr int64_t SmallCycles = 8;

double PlainCycle(double Sum, std::span<const double> Terms)
{
    for (double Term : Terms) {
        Sum = Sum + Term;
    }
    return Sum;
}

bool SameBits(double A, double B)
{
    uint64_t X = 0;
    uint64_t Y = 0;
    std::memcpy(&X, &A, sizeof X);
    std::memcpy(&Y, &B, sizeof Y);
    return X == Y;
}

// One term scaled to the spacing of the current binade.
struct TScaledTerm {
    int64_t Nearest = 0;  // r when there is no tie
    bool Tie = false;     // exactly halfway: r is Floor or Floor + 1, whichever gives an even result
    int64_t Floor = 0;
};

// The integer steps of one cycle from A, or false when a step leaves the safe range.
bool CycleSteps(int64_t A, const std::vector<TScaledTerm>& Scaled, int64_t& End, int64_t& MinOffset,
                int64_t& MaxOffset)
{
    int64_t Cur = A;
    MinOffset = 0;
    MaxOffset = 0;
    for (const TScaledTerm& T : Scaled) {
        int64_t R = T.Nearest;
        if (T.Tie) {
            R = ((Cur + T.Floor) % 2 == 0) ? T.Floor : T.Floor + 1;
        }
        Cur += R;
        if (Cur < BinadeLow || Cur > BinadeHigh) {
            return false;
        }
        MinOffset = std::min(MinOffset, Cur - A);
        MaxOffset = std::max(MaxOffset, Cur - A);
    }
    End = Cur;
    return true;
}

}  // namespace

double AddRepeatedCycle(double Sum, std::span<const double> Terms, int64_t Cycles)
{
    assert(Cycles >= 0);
    if (Terms.empty()) {
        return Sum;
    }
    std::vector<TScaledTerm> Scaled(Terms.size());
    while (Cycles > 0) {
        if (Cycles <= SmallCycles || !std::isnormal(Sum)) {
            const double Next = PlainCycle(Sum, Terms);
            --Cycles;
            // A cycle is a fixed function of Sum: once it maps Sum to itself, nothing changes.
            if (SameBits(Next, Sum) || (std::isnan(Next) && std::isnan(Sum))) {
                return Next;
            }
            Sum = Next;
            continue;
        }
        // One ordinary cycle first: after it the parity that decides ties is settled.
        const double Next = PlainCycle(Sum, Terms);
        --Cycles;
        if (SameBits(Next, Sum)) {
            return Next;
        }
        Sum = Next;
        if (!std::isnormal(Sum)) {
            continue;
        }
        const bool Negative = Sum < 0;
        int Exponent = 0;
        std::frexp(Sum, &Exponent);
        const double Spacing = std::ldexp(1.0, Exponent - 53);
        const int64_t A = static_cast<int64_t>(std::fabs(Sum) / Spacing);
        bool Usable = true;
        bool AnyTie = false;
        for (std::size_t I = 0; I < Terms.size(); ++I) {
            const double X = (Negative ? -Terms[I] : Terms[I]) / Spacing;  // exact: power-of-two scaling
            if (!std::isfinite(X) || std::fabs(X) > 0x1p60) {
                Usable = false;
                break;
            }
            const double Lower = std::floor(X);
            TScaledTerm& T = Scaled[I];
            T.Tie = (X - Lower == 0.5);
            T.Floor = static_cast<int64_t>(Lower);
            T.Nearest = static_cast<int64_t>(std::nearbyint(X));
            AnyTie = AnyTie || T.Tie;
        }
        int64_t End = 0;
        int64_t MinOffset = 0;
        int64_t MaxOffset = 0;
        if (!Usable || !CycleSteps(A, Scaled, End, MinOffset, MaxOffset)) {
            continue;  // near an edge or a huge term: the next round does a plain cycle
        }
        const int64_t D = End - A;
        if (AnyTie && (D % 2 != 0)) {
            continue;  // parity not settled (cannot happen after a full cycle; be safe)
        }
        // Largest K such that every intermediate of the next K cycles stays in range.
        int64_t K = Cycles;
        if (D > 0) {
            K = std::min(K, (BinadeHigh - A - MaxOffset) / D + 1);
        } else if (D < 0) {
            K = std::min(K, (A + MinOffset - BinadeLow) / (-D) + 1);
        }
        if (K <= 0) {
            continue;
        }
        const int64_t Final = A + K * D;
        Cycles -= K;
        Sum = static_cast<double>(Final) * Spacing;
        if (Negative) {
            Sum = -Sum;
        }
    }
    return Sum;
}
