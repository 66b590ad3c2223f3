// Where a run leaves the generator, found without simulating.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/Random.h"
#include "engine/Simulation.h"
#include "engine/StreamConsumption.h"

namespace {

bool LiteralPolarAccepts(uint32_t State1, uint32_t State2)
{
    const long double U1 = 2.0L * (static_cast<double>(State1) * 0x1p-32) - 1.0L;
    const long double U2 = 2.0L * (static_cast<double>(State2) * 0x1p-32) - 1.0L;
    const long double S = U2 * U2 + U1 * U1;
    return S < 1.0L && S != 0.0L;
}

}  // namespace

TEST(EngineStream, AdvanceEqualsThatManySingleSteps)
{
    for (uint64_t Steps : {0ull, 1ull, 2ull, 25ull, 1000ull, 65537ull}) {
        for (uint32_t Start : {0u, 1u, 4000000000u}) {
            uint32_t State = Start;
            for (uint64_t I = 0; I < Steps; ++I) {
                State = TRandom::NextState(State);
            }
            EXPECT_EQ(TRandom::Advance(Start, Steps), State) << Start << " + " << Steps;
        }
    }
    // The period of the generator is 2^32.
    EXPECT_EQ(TRandom::Advance(12345u, uint64_t{1} << 32), 12345u);
}

TEST(EngineStream, PolarTestAgreesWithTheExtendedPrecisionOneEvenOnTheCircle)
{
    std::mt19937_64 Rng(7);
    int Near = 0;
    for (int I = 0; I < 200000; ++I) {
        const uint32_t S1 = static_cast<uint32_t>(Rng());
        uint32_t S2 = static_cast<uint32_t>(Rng());
        if (I % 2 == 0) {
            // A second coordinate on or next to the unit circle.
            const long double U1 = 2.0L * (static_cast<double>(S1) * 0x1p-32) - 1.0L;
            const long double U2 = std::sqrt(std::max(0.0L, 1.0L - U1 * U1));
            const long double K = (U2 + 1.0L) * 0x1p31L + static_cast<long double>(static_cast<int>(Rng() % 5) - 2);
            if (K < 0 || K >= 0x1p32L) {
                continue;
            }
            S2 = static_cast<uint32_t>(K);
            ++Near;
        }
        ASSERT_EQ(TRandom::PolarAccepts(S1, S2), LiteralPolarAccepts(S1, S2)) << S1 << " " << S2;
    }
    EXPECT_GT(Near, 90000);
    EXPECT_FALSE(TRandom::PolarAccepts(1u << 31, 1u << 31));  // s == 0
}

TEST(EngineStream, PredictedEndStateEqualsTheGeneratorAfterRealRuns)
{
    std::mt19937 Rng(2026);
    auto Uniform = [&](double Low, double High) { return std::uniform_real_distribution<double>(Low, High)(Rng); };
    auto Chance = [&](int Percent) { return static_cast<int>(Rng() % 100) < Percent; };
    for (int Case = 0; Case < 60; ++Case) {
        TSimulation Model;
        const int N = 1 + static_cast<int>(Rng() % 9);
        for (int I = 1; I <= N; ++I) {
            Model.AddStage();
            Model.SetParam(I, ParamDemandMean, Chance(60) ? Uniform(0.2, 40) : 0);
            Model.SetParam(I, ParamDemandSD, Chance(70) ? Uniform(0, 10) : 0);
            Model.SetParam(I, ParamDemandBound, Chance(40) ? Uniform(0, 3) : INFINITY);
            Model.SetParam(I, ParamFailureProb, Chance(30) ? Uniform(0, 1) : 0);
            Model.SetParam(I, ParamRecoveryProb, Uniform(0, 1));
            Model.SetParam(I, ParamBaseStockLevel, static_cast<double>(Rng() % 60));
            Model.SetParam(I, ParamProcTime, static_cast<double>(Rng() % 4));
            for (int C = 1; C < I; ++C) {
                if (Chance(35)) {
                    Model.Link(I, C);
                }
            }
        }
        const int32_t Periods = 1 + static_cast<int32_t>(Rng() % 400);
        const int64_t Seed = 1 + static_cast<int64_t>(Rng() % 2000000000);
        const uint32_t Predicted = StreamAfterRun(Model, static_cast<uint32_t>(Seed), Periods);
        Model.RunSimulation(Periods, 1, Seed);
        ASSERT_EQ(Model.RandSeed(), Predicted) << "case " << Case;

        // A second run continuing the sequence, after demand moved to other stages.
        Model.Reset();
        for (int I = 1; I <= N; ++I) {
            Model.SetParam(I, ParamDemandMean, Chance(50) ? Uniform(1, 20) : 0);
        }
        const uint32_t Next = StreamAfterRun(Model, Model.RandSeed(), Periods);
        Model.RunSimulation(Periods, 1, -1);
        ASSERT_EQ(Model.RandSeed(), Next) << "case " << Case << ", second run";
    }
}
