// The polar method's logarithm without the library call: first the proof that it gives the
// library's value to the bit over more than 10^8 arguments (the program fails otherwise), then
// the time of each.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>

#include "engine/Random.h"

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

}  // namespace

int main(int argc, char** argv)
{
    TProof Proof;
    CheckPolarArguments(Proof, 64'000'000);
    CheckOtherArguments(Proof, 50'000'000);
    std::printf("LogOfFraction against the library: %llu arguments, %llu differ\n",
                static_cast<unsigned long long>(Proof.Checked), static_cast<unsigned long long>(Proof.Differ));
    if (Proof.Checked < 100'000'000 || Proof.Differ != 0) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
