// The generator, the normal transform, demand draws with their window bound, failure draws.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "engine/Random.h"
#include "engine/Rounding.h"
#include "engine/Simulation.h"
#include "support/ModelBuilder.h"

namespace {

// An independent copy of the generator, to count what the engine consumes.
struct TLcg {
    uint32_t State;
    double Next()
    {
        State = State * 134775813u + 1u;
        return State / 4294967296.0;
    }
};

// The window rule applied literally: every trailing window from the newest period back.
int64_t LiteralBound(int64_t D, const std::vector<int64_t>& History, double Mean, double SD, double Bound)
{
    const int64_t T = static_cast<int64_t>(History.size()) + 1;
    int64_t Cum = 0;
    for (int64_t S = T; S >= 1; --S) {
        const int64_t N = T - S + 1;
        Cum += (S == T) ? D : History[static_cast<std::size_t>(S - 1)];
        const long double Raw = static_cast<long double>(Bound) * SD * std::sqrt(static_cast<long double>(N)) +
                                N * static_cast<long double>(Mean);
        if (std::fabs(Raw) > 1e18L) {
            continue;  // outside the range where the engine keeps limits
        }
        const int64_t Limit = static_cast<int64_t>(std::nearbyintl(Raw));
        if (Limit < Cum) {
            D -= Cum - Limit;
            Cum = Limit;
        }
    }
    return D < 0 ? 0 : D;
}

}  // namespace

TEST(EngineRandom, GeneratorSequenceFromSeeds)
{
    TRandom G;
    G.SetState(0);
    EXPECT_EQ(G.Uniform(), std::ldexp(1.0, -32));
    EXPECT_EQ(G.State(), 1u);
    G.Seed(1);
    EXPECT_EQ(G.Uniform(), 0.031379939522594213);
    EXPECT_EQ(G.State(), 134775814u);
    EXPECT_EQ(G.Uniform(), 0.8610484672244638);
    EXPECT_EQ(G.State(), 3698175007u);
    EXPECT_EQ(G.Uniform(), 0.20258096512407064);
    EXPECT_EQ(G.State(), 870078620u);
    G.Seed(-5);  // a negative seed continues the sequence
    EXPECT_EQ(G.State(), 870078620u);
    G.Seed(2147483647);
    EXPECT_EQ(G.State(), 2147483647u);
}

TEST(EngineRandom, ClockSeedsDiffer)
{
    TRandom G;
    G.Seed(0);
    const uint32_t First = G.State();
    bool Changed = false;
    for (int I = 0; I < 1000 && !Changed; ++I) {
        G.Seed(0);
        Changed = G.State() != First;
    }
    EXPECT_TRUE(Changed);
}

TEST(EngineRandom, NormalConsumesPairsAndRejectsOutsideTheCircle)
{
    TRandom G;
    for (uint32_t Start : {1u, 7u, 123456u, 4000000000u}) {
        TLcg Lcg{Start};
        int Draws = 0;
        double U1 = 0;
        double S = 0;
        do {
            U1 = 2 * Lcg.Next() - 1;
            const double U2 = 2 * Lcg.Next() - 1;
            S = U2 * U2 + U1 * U1;
            Draws += 2;
        } while (S >= 1 || S == 0);
        G.SetState(Start);
        const double Value = G.Normal(5, 0);
        EXPECT_EQ(Value, 5.0);  // SD 0: the mean, yet the draws are consumed
        EXPECT_EQ(G.State(), Lcg.State) << "start " << Start << " draws " << Draws;
    }
    // Seed 1 rejects its first pair: u1 = -0.937, u2 = 0.722, s = 1.40.
    G.SetState(1);
    G.Normal(0, 1);
    TLcg Check{1};
    for (int I = 0; I < 4; ++I) {
        Check.Next();
    }
    EXPECT_EQ(G.State(), Check.State);
}

TEST(EngineRandom, NormalMatchesThePolarFormula)
{
    TRandom G;
    G.Seed(42);
    TLcg Lcg{42};
    long double U1 = 0;
    long double S = 0;
    do {
        U1 = 2.0L * Lcg.Next() - 1;
        const long double U2 = 2.0L * Lcg.Next() - 1;
        S = U2 * U2 + U1 * U1;
    } while (S >= 1 || S == 0);
    const double Expected = static_cast<double>(10.0L + 3.0L * (U1 * std::sqrt(-2.0L * std::log(S) / S)));
    EXPECT_EQ(G.Normal(10, 3), Expected);
}

TEST(EngineRandom, NormalUnitsIsTheRoundedNormalDraw)
{
    // Ordinary draws; draws packed around a tie (half a unit); an exact tie; values beyond the
    // fast path's range and at the clamp; signs, NaN and infinities. Aimed rows shift the mean,
    // per draw, so that Normal lands within a few units in the last place of the tie at Mean:
    // there only the fast path's margin keeps its rounding right. Each draw must give Normal's
    // units and leave the generator where Normal does.
    constexpr double Inf = std::numeric_limits<double>::infinity();
    const struct {
        double Mean, SD;
        bool Aimed;
    } Cases[] = {{10, 3, false},       {1000, 300, false},    {0.5, 1e-13, false}, {2.5, 0, false},
                 {0.3, 1, false},      {5, -2, false},        {1e15, 1, false},    {1e300, 1, false},
                 {1e-300, 1e-300, false}, {3, Inf, false},    {3, -Inf, false},    {3, std::nan(""), false},
                 {Inf, 1, false},      {100.5, 1000, true},   {-7.5, 3e6, true},   {0.5, 1e-3, true}};
    for (const auto& C : Cases) {
        TRandom Fast;
        TRandom Exact;
        Exact.SetState(1);
        for (int I = 0; I < 5000; ++I) {
            const uint32_t Start = Exact.State();
            double Mean = C.Mean;
            if (C.Aimed) {
                Mean = C.Mean - Exact.Normal(0, C.SD);
                Exact.SetState(Start);
            }
            Fast.SetState(Start);
            const int64_t Units = Fast.NormalUnits(Mean, C.SD);
            ASSERT_EQ(Units, RoundToUnits(Exact.Normal(Mean, C.SD))) << Mean << " " << C.SD << " draw " << I;
            ASSERT_EQ(Fast.State(), Exact.State()) << Mean << " " << C.SD << " draw " << I;
        }
    }
}

TEST(EngineRandom, WindowBoundEqualsTheLiteralRule)
{
    // Random parameters and histories, including negative, zero and huge bounds; compare the
    // engine's search with the plain pass over every window, draw by draw over whole runs. One
    // window serves every case, as a stage's does run after run, and every third case repeats
    // the parameters of the one before (the kept tables) with another history.
    std::mt19937 Rng(7);
    std::uniform_real_distribution<double> Unit(0, 1);
    const std::vector<double> Bounds = {0, 0.5, 1, 2, 3, 5, -1, 1e300, 0.01};
    int Lowered = 0;
    TDemandWindow W;
    double Mean = 0;
    double SD = 0;
    double Bound = 0;
    int32_t Periods = 0;
    for (int Case = 0; Case < 60; ++Case) {
        if (Case % 3 != 2) {
            Mean = Case % 5 == 0 ? 2.5 : 0.2 + 40 * Unit(Rng);
            SD = Case % 7 == 0 ? 0 : 10 * Unit(Rng);
            Bound = Bounds[static_cast<std::size_t>(Case) % Bounds.size()];
            Periods = 50 + static_cast<int32_t>(Unit(Rng) * 400);
        }
        W.Prepare(Mean, SD, Bound, Periods);
        ASSERT_TRUE(W.Active());
        std::vector<int64_t> History;
        std::normal_distribution<double> Draw(Mean, SD * 1.5 + 0.5);
        for (int32_t T = 1; T <= Periods; ++T) {
            const int64_t D = std::max<int64_t>(0, std::llround(Draw(Rng)));
            const int64_t Expected = LiteralBound(D, History, Mean, SD, Bound);
            ASSERT_EQ(W.Apply(D), Expected) << "case " << Case << " period " << T;
            Lowered += Expected < D;
            W.Record(Expected);
            History.push_back(Expected);
        }
    }
    EXPECT_GT(Lowered, 1000);  // the bound really was binding, often
}

TEST(EngineRandom, HugeAndInfiniteBoundsActAsNoBound)
{
    TDemandWindow W;
    W.Prepare(10, 3, std::numeric_limits<double>::infinity(), 100);
    EXPECT_FALSE(W.Active());
    W.Prepare(10, 3, -std::numeric_limits<double>::infinity(), 100);  // infinite either way
    EXPECT_FALSE(W.Active());
    W.Prepare(10, 3, std::nan(""), 100);
    EXPECT_FALSE(W.Active());
    W.Prepare(10, 3, 1e300, 100);
    ASSERT_TRUE(W.Active());
    EXPECT_EQ(W.Limit(1), TDemandWindow::NoLimit);
    EXPECT_EQ(W.Apply(1000000), 1000000);
    W.Prepare(10, 3, -1e300, 100);  // every window already exceeds it: no demand
    EXPECT_EQ(W.Apply(50), 0);
    W.Prepare(10, 3, 2, 4);
    EXPECT_EQ(W.Limit(1), 16);  // Round(6 + 10)
    EXPECT_EQ(W.Limit(4), 52);  // Round(2 * 3 * 2 + 40)
}

TEST(EngineDemand, RoundedDrawsAndTheirHistory)
{
    TSimulation Sim;
    TStageParams P;
    P.InvPolicy = PolicyNone;
    P.DemandMean = 2.5;  // SD 0: Round(2.5) = 2 every period
    const TStage& S = Sim.Stage(AddStage(Sim, P));
    P.DemandMean = 0;
    const TStage& Quiet = Sim.Stage(AddStage(Sim, P));
    Sim.RunSimulation(30, 1, 3);
    for (int T = 1; T <= 30; ++T) {
        EXPECT_EQ(S.DemandHist()[static_cast<std::size_t>(T)], 2);
        EXPECT_EQ(S.DerivedDemandHist()[static_cast<std::size_t>(T)], 2);
    }
    EXPECT_FALSE(Quiet.HasDemandHist());
    EXPECT_EQ(Quiet.Stats().Get(MetricDemand)->Count(), 0);
    EXPECT_EQ(Quiet.Stats().Get(MetricDerivedDemand)->Count(), 29);
}

TEST(EngineDemand, BoundZeroCapsEveryDrawAtTheRoundedMean)
{
    TSimulation Sim;
    TStageParams P;
    P.DemandMean = 4;
    P.DemandSD = 3;
    P.DemandBound = 0;
    P.InvPolicy = PolicyNone;
    const TStage& S = Sim.Stage(AddStage(Sim, P));
    Sim.RunSimulation(500, 1, 11);
    int Zeros = 0;
    for (int T = 1; T <= 500; ++T) {
        const int64_t D = S.DemandHist()[static_cast<std::size_t>(T)];
        EXPECT_LE(D, 4);
        EXPECT_GE(D, 0);
        Zeros += D == 0;
    }
    EXPECT_GT(Zeros, 0);  // draws below -0.5 become 0 and still count as 0 in later windows
}

TEST(EngineFailure, CertainFailureAndRecoveryPatterns)
{
    TSimulation Sim;
    TStageParams P;
    P.FailureProb = 1;
    const TStage& Stuck = Sim.Stage(AddStage(Sim, P));
    P.RecoveryProb = 1;
    const TStage& Blinking = Sim.Stage(AddStage(Sim, P));
    P.FailureProb = 0;
    const TStage& Sound = Sim.Stage(AddStage(Sim, P));
    Sim.RunSimulation(9, 1, 5);
    for (int T = 1; T <= 9; ++T) {
        const std::size_t I = static_cast<std::size_t>(T);
        EXPECT_TRUE(Stuck.FailedHist()[I]);
        EXPECT_EQ(Blinking.FailedHist()[I] != 0, T % 2 == 1) << T;
        EXPECT_FALSE(Sound.FailedHist()[I]);
    }
    EXPECT_EQ(Stuck.Stats().Get(MetricFailed)->Avg(), 1.0);
    EXPECT_EQ(Blinking.Stats().Get(MetricFailed)->Sum(), 4.0);  // periods 3, 5, 7, 9
}
