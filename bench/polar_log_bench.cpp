// The polar method's logarithm without the library call, and its draws rounded to units in double
// precision: first the proofs that the logarithm gives the library's value to the bit over more
// than 10^8 arguments, and the rounded draws Normal's units over more than 10^8 draws (the
// program fails otherwise), then the time of each.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>

#include "engine/Random.h"
#include "engine/Rounding.h"

namespace {

bool SameValue(long double A, long double B)
{
    return std::memcmp(&A, &B, 10) == 0;  // the 80 bits of the value, not the padding
}

// Checks one argument; prints and counts a difference.
struct TProof {
    uint64_t Checked = 0;
    uint64_t Differ = 0;
    void Check(long double X)
    {
        ++Checked;
        const long double Library = std::log(X);
        const long double Ours = LogOfFraction(X);
        if (!SameValue(Library, Ours) && ++Differ <= 10) {
            std::fprintf(stderr, "log(%.21Lg): library %.21Lg, LogOfFraction %.21Lg\n", X, Library, Ours);
        }
    }
};

// The arguments a run takes: s = u1^2 + u2^2 of every accepted pair of consecutive generator
// states, from states spread over the whole cycle.
void CheckPolarArguments(TProof& Proof, uint64_t Pairs)
{
    uint32_t State = 1;
    for (uint64_t I = 0; I < Pairs; ++I) {
        if (I % (uint64_t{1} << 20) == 0) {
            State = TRandom::Advance(State, uint64_t{0x9E3779B9} * I);  // a jump to another part of the cycle
        }
        const uint32_t State1 = TRandom::NextState(State);
        const uint32_t State2 = TRandom::NextState(State1);
        State = State2;
        const long double U1 = 2.0L * TRandom::UniformOf(State1) - 1.0L;
        const long double U2 = 2.0L * TRandom::UniformOf(State2) - 1.0L;
        const long double S = U2 * U2 + U1 * U1;
        if (S < 1.0L && S != 0.0L) {
            Proof.Check(S);
        }
    }
}

// Any extended-precision value in (0, 1): a random full 64-bit significand at a random binary
// exponent from 2^-1 down to 2^-64; and every value near the two places where the method changes,
// 1 - 0.29 and 1.
void CheckOtherArguments(TProof& Proof, uint64_t Count)
{
    std::mt19937_64 Bits(20261209);
    for (uint64_t I = 0; I < Count; ++I) {
        const uint64_t Significand = Bits() | (uint64_t{1} << 63);
        const int Exponent = -1 - static_cast<int>(Bits() % 64);
        Proof.Check(std::ldexp(static_cast<long double>(Significand), Exponent - 63));
    }
    for (const long double Edge : {1.0L - static_cast<long double>(0.29), 1.0L}) {
        long double Below = Edge;
        long double Above = Edge;
        for (int I = 0; I < 100000; ++I) {
            Below = std::nextafter(Below, 0.0L);
            Proof.Check(Below);
            if (Above < 1.0L) {
                Proof.Check(Above);
                Above = std::nextafter(Above, 1.0L);
            }
        }
    }
}

// NormalUnits against RoundToUnits(Normal), draw by draw, also in the generator's state after it.
struct TUnitsProof {
    uint64_t Checked = 0;
    uint64_t Differ = 0;
    // One draw from Start; Aimed shifts Mean so that Normal lands within a few units in the last
    // place of the tie at Mean, where only the fast path's margin keeps it right.
    void Check(uint32_t Start, double Mean, double SD, bool Aimed)
    {
        TRandom Exact;
        if (Aimed) {
            Exact.SetState(Start);
            Mean -= Exact.Normal(0, SD);
        }
        Exact.SetState(Start);
        const int64_t Expected = RoundToUnits(Exact.Normal(Mean, SD));
        TRandom Fast;
        Fast.SetState(Start);
        const int64_t Units = Fast.NormalUnits(Mean, SD);
        ++Checked;
        if ((Units != Expected || Fast.State() != Exact.State()) && ++Differ <= 10) {
            std::fprintf(stderr, "start %u, mean %.17g, SD %.17g: NormalUnits %lld, Normal %lld\n", Start, Mean, SD,
                         static_cast<long long>(Units), static_cast<long long>(Expected));
        }
    }
};

// Draws from states spread over the whole cycle, for means and SDs of every scale, plain and aimed
// at a tie.
void CheckRoundedDraws(TUnitsProof& Proof, uint64_t PerCase)
{
    const struct {
        double Mean, SD;
        bool Aimed;
    } Cases[] = {{10, 3, false}, {1000, 300, false}, {0.5, 1e-13, false}, {1e6, 1e5, false},
                 {100.5, 1000, true}, {-7.5, 3e6, true}, {0.5, 1e-3, true}, {2.5e9, 1e11, true}};
    for (const auto& C : Cases) {
        uint32_t State = 1;
        for (uint64_t I = 0; I < PerCase; ++I) {
            State = TRandom::Advance(State, 0x9E3779B9u);  // a jump to another part of the cycle
            Proof.Check(State, C.Mean, C.SD, C.Aimed);
        }
    }
}

// Every start whose first pair is accepted with s within 2^-20 of 1, or at 1 and above by the
// exact sum (where the fast path must step aside), over the whole cycle.
void CheckPairsNearOne(TUnitsProof& Proof)
{
    uint32_t Start = 0;
    do {
        const uint32_t State1 = TRandom::NextState(Start);
        const TRandom::TPolarSum Sum = TRandom::PolarSum(State1, TRandom::NextState(State1));
        if ((Sum.Carry ? Sum.Low < (uint64_t{1} << 20) : Sum.Low > ~uint64_t{0} - (uint64_t{1} << 45)) &&
            TRandom::PolarAccepts(Sum)) {
            Proof.Check(Start, 10, 3, false);
            Proof.Check(Start, 100.5, 1000, true);
        }
    } while (++Start != 0);
}

// The time of one logarithm by Log, over arguments that wander through (0, 1).
template <long double (*Log)(long double)>
void TimeLog(benchmark::State& State)
{
    long double X = 0.3L;
    for (auto _ : State) {
        benchmark::DoNotOptimize(Log(X));
        X = X * 0.999L + 0.0005L;
    }
}
long double LibraryLog(long double X)
{
    return std::log(X);
}
BENCHMARK(TimeLog<LibraryLog>)->Name("LibraryLog");
BENCHMARK(TimeLog<LogOfFraction>)->Name("OurLog");

// The time of one demand draw in units, the long way and the fast one.
void ExactUnits(benchmark::State& State)
{
    TRandom Random;
    Random.SetState(1);
    for (auto _ : State) {
        benchmark::DoNotOptimize(RoundToUnits(Random.Normal(10, 3)));
    }
}
void FastUnits(benchmark::State& State)
{
    TRandom Random;
    Random.SetState(1);
    for (auto _ : State) {
        benchmark::DoNotOptimize(Random.NormalUnits(10, 3));
    }
}
BENCHMARK(ExactUnits);
BENCHMARK(FastUnits);

}  // namespace

int main(int argc, char** argv)
{
    TProof Proof;
    CheckPolarArguments(Proof, 64'000'000);
    CheckOtherArguments(Proof, 50'000'000);
    std::printf("LogOfFraction against the library: %llu arguments, %llu differ\n",
                static_cast<unsigned long long>(Proof.Checked), static_cast<unsigned long long>(Proof.Differ));
    TUnitsProof Units;
    CheckPairsNearOne(Units);
    const uint64_t NearOne = Units.Checked;
    CheckRoundedDraws(Units, 12'500'000);
    std::printf("NormalUnits against Normal: %llu draws (%llu of them near s = 1), %llu differ\n",
                static_cast<unsigned long long>(Units.Checked), static_cast<unsigned long long>(NearOne),
                static_cast<unsigned long long>(Units.Differ));
    if (Proof.Checked < 100'000'000 || Proof.Differ != 0 || Units.Checked < 100'000'000 || Units.Differ != 0) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
