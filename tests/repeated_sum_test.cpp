#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "stats/RepeatedSum.h"

namespace {

double Naive(double Sum, const std::vector<double>& Terms, int64_t Cycles)
{
    for (int64_t C = 0; C < Cycles; ++C) {
        for (double T : Terms) {
            Sum = Sum + T;
        }
    }
    return Sum;
}

bool SameBits(double A, double B)
{
    return std::memcmp(&A, &B, sizeof A) == 0;
}

}  // namespace

TEST(RepeatedSum, MatchesOneByOneAdditionForAwkwardTerms)
{
    // Terms that do not divide the spacing of the sum, exact halves of it (ties to even), terms
    // absorbed entirely, negative terms and sums that cross many binary exponents.
    const std::vector<std::vector<double>> Cases = {
        {0.1},          {1.0 / 3.0},     {0.5},        {1.5, 0.25},  {0.1, 0.2, 0.7},
        {1e-17},        {-0.1},          {3.0, -2.9},  {1e-3, 1e3},  {0x1p-53, 1.0},
        {2.675, 0.01},  {-1e6, 0.3},     {0x1p-52},    {7.0},        {0.0},
    };
    const std::vector<double> Starts = {0.0, 1.0, 0.1, -5.5, 1e15, 0x1p52, 123456.789, -0.0, 4503599627370495.0};
    for (const auto& Terms : Cases) {
        for (double Start : Starts) {
            for (int64_t Cycles : {0LL, 1LL, 7LL, 9LL, 100LL, 4097LL, 200000LL}) {
                const double Expected = Naive(Start, Terms, Cycles);
                const double Got = AddRepeatedCycle(Start, Terms, Cycles);
                ASSERT_TRUE(SameBits(Expected, Got))
                    << "start " << Start << " cycles " << Cycles << " first term " << Terms[0] << ": expected "
                    << Expected << " got " << Got;
            }
        }
    }
}

TEST(RepeatedSum, MatchesOneByOneAdditionOnRandomInputs)
{
    std::mt19937_64 Rng(20261207);
    std::uniform_int_distribution<int> NumTerms(1, 4);
    std::uniform_real_distribution<double> Mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> Exponent(-30, 30);
    std::uniform_int_distribution<int64_t> NumCycles(0, 30000);
    for (int Case = 0; Case < 600; ++Case) {
        std::vector<double> Terms(static_cast<std::size_t>(NumTerms(Rng)));
        for (double& T : Terms) {
            T = std::ldexp(Mantissa(Rng), Exponent(Rng));
            if (Case % 3 == 0) {
                T = std::fabs(T);  // costs are mostly positive
            }
            if (Case % 7 == 0) {
                T = std::round(T * 4) / 4;  // short binary fractions, where ties to even appear
            }
        }
        const double Start = Case % 5 == 0 ? 0.0 : std::ldexp(Mantissa(Rng), Exponent(Rng));
        const int64_t Cycles = NumCycles(Rng);
        ASSERT_TRUE(SameBits(Naive(Start, Terms, Cycles), AddRepeatedCycle(Start, Terms, Cycles))) << "case " << Case;
    }
}

TEST(RepeatedSum, NonFiniteValuesSettleWithoutLooping)
{
    const double Inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(AddRepeated(0.0, Inf, 1LL << 40), Inf);
    EXPECT_TRUE(std::isnan(AddRepeatedCycle(0.0, std::vector<double>{Inf, -Inf}, 1LL << 40)));
    EXPECT_EQ(AddRepeated(1e300, 1e300, 1LL << 40), Inf);
    // Zeros keep a negative zero negative, as one-by-one addition does.
    EXPECT_TRUE(SameBits(AddRepeated(-0.0, -0.0, 50), -0.0));
    EXPECT_TRUE(SameBits(AddRepeated(-0.0, 0.0, 50), 0.0));
    // A term absorbed by a large sum leaves it unchanged however often it is added.
    EXPECT_EQ(AddRepeated(1e20, 1.0, 1LL << 50), 1e20);
    // Large counts finish quickly and agree with the exact integer result when exact.
    EXPECT_EQ(AddRepeated(0.0, 1.0, 1LL << 40), std::ldexp(1.0, 40));
    EXPECT_EQ(AddRepeated(0.0, 0.5, 3000000000LL), 1500000000.0);
}

TEST(RepeatedSum, SumsThatOscillateAcrossABinadeEdgeFinish)
{
    // 0.49 + 0.02 crosses into [0.5, 1) and back every cycle: no binade holds a whole cycle.
    const std::vector<double> Terms = {0.02, -0.02};
    for (int64_t Cycles : {9LL, 10LL, 1001LL, 123457LL}) {
        ASSERT_TRUE(SameBits(Naive(0.49, Terms, Cycles), AddRepeatedCycle(0.49, Terms, Cycles))) << Cycles;
    }
    // And with a count no one-by-one loop could finish.
    const double Far = AddRepeatedCycle(0.49, Terms, 1LL << 50);
    EXPECT_TRUE(std::isfinite(Far));
    EXPECT_NEAR(Far, 0.49, 1e-9);
    const std::vector<double> Drift = {0.3, -0.2999};
    EXPECT_TRUE(SameBits(Naive(-0.5, Drift, 200000), AddRepeatedCycle(-0.5, Drift, 200000)));
}
