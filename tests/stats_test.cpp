#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "stats/Stats.h"

TEST(StatsMinMaxAvg, ResetAccumulatorAnswersZero)
{
    TMinMaxAvg M;
    EXPECT_EQ(M.Count(), 0);
    EXPECT_EQ(M.Avg(), 0);
    EXPECT_EQ(M.Stdev(), 0);
    EXPECT_EQ(M.Min(), 0);
    EXPECT_EQ(M.Max(), 0);
    M.Add(-3);
    M.Reset();
    EXPECT_EQ(M.Min(), 0);
    EXPECT_EQ(M.Sum(), 0);
    EXPECT_EQ(M.Last(), 0);
}

TEST(StatsMinMaxAvg, OneAndThreeObservations)
{
    TMinMaxAvg M;
    M.Add(5);
    EXPECT_EQ(M.Avg(), 5);
    EXPECT_EQ(M.Min(), 5);
    EXPECT_EQ(M.Max(), 5);
    EXPECT_EQ(M.Stdev(), 0);
    TMinMaxAvg N;
    N.Add(1);
    N.Add(2);
    N.Add(3);
    EXPECT_EQ(N.Avg(), 2);
    EXPECT_EQ(N.Stdev(), 1);  // divisor n - 1
    EXPECT_EQ(N.SumSq(), 14);
    EXPECT_EQ(N.Min(), 1);
    EXPECT_EQ(N.Max(), 3);
    EXPECT_EQ(N.Last(), 3);
}

TEST(StatsMinMaxAvg, NegativeObservationsSetTheMaximumBelowZero)
{
    TMinMaxAvg M;
    M.Add(-4);
    M.Add(-2);
    EXPECT_EQ(M.Max(), -2);
    EXPECT_EQ(M.Min(), -4);
}

TEST(StatsMinMaxAvg, EqualObservationsGiveExactlyZeroStdev)
{
    // 0.1 squared and summed drifts: SumSq - Sum^2/n comes out slightly negative or positive.
    TMinMaxAvg M;
    for (int I = 0; I < 1000; ++I) {
        M.Add(0.1);
    }
    const double N = 1000;
    const double Raw = (M.SumSq() - M.Sum() * M.Sum() / N) / (N - 1);
    EXPECT_NE(Raw, 0.0);  // the case the guard is for
    if (Raw <= 0) {
        EXPECT_EQ(M.Stdev(), 0.0);
    } else {
        EXPECT_LT(M.Stdev(), 1e-7);
    }
    TMinMaxAvg Negative;
    for (int I = 0; I < 3; ++I) {
        Negative.Add(0.7);
    }
    EXPECT_GE(Negative.Stdev(), 0.0);
    EXPECT_FALSE(std::isnan(Negative.Stdev()));
}

TEST(StatsMinMaxAvg, AddManyEqualsRepeatedAdd)
{
    TMinMaxAvg Many;
    TMinMaxAvg One;
    Many.Add(0.3);
    One.Add(0.3);
    Many.AddMany(0.1, 12345);
    for (int I = 0; I < 12345; ++I) {
        One.Add(0.1);
    }
    EXPECT_EQ(Many.Count(), One.Count());
    EXPECT_EQ(Many.Sum(), One.Sum());
    EXPECT_EQ(Many.SumSq(), One.SumSq());
    EXPECT_EQ(Many.Min(), One.Min());
    EXPECT_EQ(Many.Max(), One.Max());
    EXPECT_EQ(Many.Last(), 0.1);
    Many.AddMany(7, 0);
    EXPECT_EQ(Many.Last(), 0.1);  // no observation, nothing changes
}

TEST(StatsHistogram, GrowsToTheValueAndKeepsInvariants)
{
    THistogram H(10);
    EXPECT_EQ(H.Size(), 10);
    EXPECT_TRUE(H.Add(25));
    EXPECT_EQ(H.Size(), 26);
    EXPECT_EQ(H.Used(), 26);
    for (int K = 10; K <= 24; ++K) {
        EXPECT_EQ(H.Freq(K), 0);
    }
    H.Add(3);
    H.Add(3);
    EXPECT_EQ(H.Total(), 3);
    EXPECT_EQ(H.MaxCount(), 2);
    EXPECT_EQ(H.Freq(3), 2);
    EXPECT_DOUBLE_EQ(H.Fraction(3), 2.0 / 3.0);
    H.Reset();
    EXPECT_EQ(H.Size(), 26);  // the allocation stays
    EXPECT_EQ(H.Used(), 0);
    EXPECT_EQ(H.Total(), 0);
    EXPECT_EQ(H.Freq(3), 0);
}

TEST(StatsHistogram, OutOfRangeQueriesAndNegativeValuesAreHarmless)
{
    THistogram H(10);
    EXPECT_EQ(H.Fraction(0), 0);  // empty
    H.Add(2);
    EXPECT_EQ(H.Freq(3), 0);  // at Used
    EXPECT_EQ(H.Freq(-1), 0);
    EXPECT_EQ(H.Fraction(-1), 0);
    EXPECT_EQ(H.Fraction(100), 0);
    EXPECT_FALSE(H.Add(-1));
    EXPECT_FALSE(H.AddMany(1, -5));
    EXPECT_EQ(H.Total(), 1);
    EXPECT_EQ(H.Used(), 3);
    EXPECT_EQ(H.Size(), 10);
    EXPECT_TRUE(H.AddMany(2, 5000000000LL));  // beyond 32 bits
    EXPECT_EQ(H.MaxCount(), 5000000001LL);
}

TEST(StatsCollector, ValueByStatisticAndMetric)
{
    TStats S;
    S.Get(MetricOrderQty)->Add(4);
    S.Get(MetricOrderQty)->Add(8);
    EXPECT_EQ(S.Value(MetricOrderQty, TStatistic::Avg), 6);
    EXPECT_EQ(S.Value(MetricOrderQty, TStatistic::Min), 4);
    EXPECT_EQ(S.Value(MetricOrderQty, TStatistic::Max), 8);
    EXPECT_EQ(S.Value(MetricOrderQty, TStatistic::Count), 2);
    EXPECT_NEAR(S.Value(MetricOrderQty, TStatistic::Stdev), 2.8284271247461903, 1e-15);
    EXPECT_EQ(S.Value(MetricServTimeHistogram, TStatistic::Count), 0);
    EXPECT_EQ(S.Get(16), nullptr);
    EXPECT_EQ(S.Get(-1), nullptr);
    EXPECT_EQ(S.FormatValue(MetricOrderQty, TStatistic::Avg, 8, 2), "    6.00");
    EXPECT_EQ(S.FormatValue(MetricOrderQty, TStatistic::Avg, 2, 3), "6.000");
    S.Histogram().Add(1);
    S.Reset();
    EXPECT_EQ(S.Get(MetricOrderQty)->Count(), 0);
    EXPECT_EQ(S.Histogram().Total(), 0);
}

TEST(StatsCollector, MetricNamesAndLabels)
{
    EXPECT_EQ(MetricNames[0], "Total Cost");
    EXPECT_EQ(MetricNames[12], "Type1SL");
    EXPECT_EQ(MetricNames[16], "Serv Time Histogram");
    EXPECT_EQ(MetricLabel(0, "Mean", 3, 0), "TotalCostMean:3");
    EXPECT_EQ(MetricLabel(3, "Min", 0, 8), "WIPHoldingCostMin");
    EXPECT_EQ(MetricLabel(5, "SD", 0, 8), "DemandSD");
    EXPECT_EQ(MetricLabel(15, "SD", 0, 10), "  FailedSD");
    EXPECT_EQ(MetricLabel(14, "", 25, 13), " WithinCST:25");
}

// Two accumulators hold the same count and, bit for bit, the same sums, extremes and last value.
// A NaN's sign and payload are not kept by the compiler (it may swap an addition's operands), so
// any NaN equals any NaN; every other value compares by its bits, zeros' signs included.
namespace {

void ExpectSameBits(const TMinMaxAvg& A, const TMinMaxAvg& B, const std::string& Where)
{
    const auto Bits = [](double X) { return std::isnan(X) ? ~uint64_t{0} : std::bit_cast<uint64_t>(X); };
    EXPECT_EQ(A.Count(), B.Count()) << Where;
    EXPECT_EQ(Bits(A.Sum()), Bits(B.Sum())) << Where;
    EXPECT_EQ(Bits(A.SumSq()), Bits(B.SumSq())) << Where;
    EXPECT_EQ(Bits(A.Min()), Bits(B.Min())) << Where;
    EXPECT_EQ(Bits(A.Max()), Bits(B.Max())) << Where;
    EXPECT_EQ(Bits(A.Last()), Bits(B.Last())) << Where;
}

}  // namespace

// Values held back and added a block at a time give every metric exactly what adding each value
// at once gives: sums, extremes, last value and count, to the bit, also across block ends, with
// signed zeros, infinities and NaNs, for metrics the rows do not fill and for every lane, added
// two or (where the processor can) four lanes at a time.
TEST(StatsBlockAdder, EqualsAddingEachValueAtOnce)
{
    const std::vector<double> Odd{0.1, -0.0, 0.0, 1e300, -1e300, INFINITY, -INFINITY, NAN, 2.675, -3.5, 1e-300, 7};
    const std::vector<std::vector<int>> MetricSets{
        {MetricFailed, MetricTotalCost, MetricInvLevel, MetricDemand, MetricOrderQty, MetricHoldingCost,
         MetricBackorders},
        {MetricFailed, MetricInvLevel, MetricBackorders, MetricOnOrder, MetricInProcess, MetricHoldingCost,
         MetricWIPHoldingCost, MetricTotalCost, MetricDerivedDemand, MetricOrderQty, MetricDemand, MetricOrderCost}};
    for (const bool Wide : {true, false}) {
        TBlockAdder::AllowWideLanes(Wide);
        for (const std::vector<int>& Metrics : MetricSets) {
            for (const int Periods : {1, 15, 16, 17, 33, 200}) {
                TStats Held;
                TStats Direct;
                TBlockAdder Adder;
                Adder.Start(Held, Metrics);
                for (int T = 0; T < Periods; ++T) {
                    double* Row = Adder.NextRow();
                    for (std::size_t M = 0; M < Metrics.size(); ++M) {
                        const double X = Odd[(static_cast<std::size_t>(T) * 5 + M * 3) % Odd.size()] * (1 + T % 3);
                        Row[M] = X;
                        Direct.Get(Metrics[M])->Add(X);
                    }
                }
                Adder.Flush();
                for (int I = 0; I < NumMetrics; ++I) {
                    ExpectSameBits(*Held.Get(I), *Direct.Get(I),
                                   std::to_string(Periods) + " periods, metric " + std::to_string(I) + ", " +
                                       std::to_string(Metrics.size()) + " metrics" + (Wide ? ", wide lanes" : ""));
                }
            }
        }
    }
    TBlockAdder::AllowWideLanes(true);
}

// Zeros and ones tallied and added in one step give what adding each run as it came gives, to
// the bit: from a fresh, a negative-zero, a fractional, a near-2^53 and a NaN start, with sums
// that pass 2^53 and counts that saturate.
TEST(StatsZeroOneTally, EqualsAddingEachRunAsItCame)
{
    const std::vector<double> Starts{0.0, -0.0, 0.5, 0x1p53 - 3, NAN};
    const std::vector<std::vector<std::pair<bool, int64_t>>> Runs{
        {{true, 3}, {false, 2}, {true, 1}},
        {{false, 4}, {true, 2}, {false, 1}},
        {{true, int64_t{1} << 52}, {false, 7}, {true, int64_t{1} << 52}},
        {{true, int64_t{1} << 62}, {true, int64_t{1} << 62}, {false, 1}},
        {{false, 0}, {true, 0}},
    };
    for (std::size_t S = 0; S < Starts.size(); ++S) {
        for (std::size_t R = 0; R < Runs.size(); ++R) {
            TMinMaxAvg Tallied;
            TMinMaxAvg Direct;
            Tallied.Add(Starts[S]);
            Direct.Add(Starts[S]);
            TZeroOneTally Tally;
            for (const auto& [One, Count] : Runs[R]) {
                Tally.Add(One, Count);
                Direct.AddMany(One ? 1.0 : 0.0, Count);
            }
            Tally.AddTo(Tallied);
            ExpectSameBits(Tallied, Direct, "start " + std::to_string(S) + ", runs " + std::to_string(R));
        }
    }
}

// Shipments tallied by service time and added at the end give the histogram, fill rate and
// within-CST exactly what adding each shipment as it came gives: short and long service times,
// the last shipment past the short ones, ignored counts at the end, saturating counts, service
// times the histogram refuses, and a second run on the same tally.
TEST(StatsShipmentTally, EqualsAddingEachShipmentAsItCame)
{
    constexpr int64_t Big = int64_t{1} << 62;
    struct TCase {
        int64_t CommittedTime;
        std::vector<std::pair<int64_t, int64_t>> Shipments;  // (service time, count)
    };
    const std::vector<TCase> Cases{
        {1, {{0, 3}, {2, 1}, {0, 5}, {1, 2}}},
        {80, {{0, 3}, {70, 2}, {3, 1}, {100, 4}}},
        {150, {{5, 1}, {65, 2}, {200, 3}, {64, 1}, {63, 2}}},
        {2, {{0, 2}, {3, 0}, {7, -4}}},
        {0, {{1, Big}, {1, Big}, {1, Big}, {90, Big}, {90, Big}, {90, Big}, {0, 1}}},
        {0, {{-1, 3}, {0, 1}, {-2, 2}}},
        {5, {}},
    };
    for (std::size_t C = 0; C < Cases.size(); ++C) {
        const int64_t CST = Cases[C].CommittedTime;
        THistogram TalliedHist(4);
        THistogram DirectHist(4);
        TMinMaxAvg TalliedFill;
        TMinMaxAvg DirectFill;
        TMinMaxAvg TalliedWithin;
        TMinMaxAvg DirectWithin;
        for (TMinMaxAvg* Start : {&TalliedFill, &DirectFill, &TalliedWithin, &DirectWithin}) {
            Start->Add(0.5);
        }
        TShipmentTally Tally;
        for (int Run = 0; Run < 2; ++Run) {
            for (const auto& [Time, Count] : Cases[C].Shipments) {
                Tally.Add(Time, Count, CST);
                DirectHist.AddMany(Time, Count);
                if (Count > 0) {
                    DirectFill.AddMany(Time == 0 ? 1.0 : 0.0, Count);
                    DirectWithin.AddMany(Time <= CST ? 1.0 : 0.0, Count);
                }
            }
            Tally.AddTo(TalliedHist, TalliedFill, TalliedWithin, CST);
        }
        const std::string Where = "case " + std::to_string(C);
        ExpectSameBits(TalliedFill, DirectFill, Where + ", fill rate");
        ExpectSameBits(TalliedWithin, DirectWithin, Where + ", within CST");
        EXPECT_EQ(TalliedHist.Size(), DirectHist.Size()) << Where;
        EXPECT_EQ(TalliedHist.Used(), DirectHist.Used()) << Where;
        EXPECT_EQ(TalliedHist.Total(), DirectHist.Total()) << Where;
        EXPECT_EQ(TalliedHist.MaxCount(), DirectHist.MaxCount()) << Where;
        for (int64_t K = 0; K < DirectHist.Used(); ++K) {
            EXPECT_EQ(TalliedHist.Freq(K), DirectHist.Freq(K)) << Where << ", bucket " << K;
        }
    }
}
