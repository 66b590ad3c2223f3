#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "engine/Simulation.h"
#include "reports/StatsReport.h"
#include "support/EngineTestAccess.h"
#include "support/ModelBuilder.h"
#include "text/Padding.h"

namespace {

const std::string Stamp = "12/07/2026 10:00:00";

std::string Blanks(int Count)
{
    return std::string(static_cast<std::size_t>(Count), ' ');
}

// The service-time table: the last 4 + Rows lines of the report.
std::vector<std::string> Table(const std::vector<std::string>& Report, int Rows)
{
    const std::size_t Size = static_cast<std::size_t>(4 + Rows);
    EXPECT_GE(Report.size(), Size);
    if (Report.size() < Size) {
        return {};
    }
    return std::vector<std::string>(Report.end() - static_cast<std::ptrdiff_t>(Size), Report.end());
}

// Index of the first line of block Block (0-based) in a report of N stages.
std::size_t BlockStart(int Block, int N)
{
    return static_cast<std::size_t>(6 + Block * (N + 3));
}

void AddStages(TSimulation& Model, int Count)
{
    for (int I = 0; I < Count; ++I) {
        Model.AddStage();
    }
}

}  // namespace

TEST(ReportsStats, RowPatternsSummariesAndEmptyAccumulators)
{
    TSimulation Model;
    AddStages(Model, 2);
    TStats& S1 = TStageTestAccess::Stats(TSimulationTestAccess::Stage(Model, 1));
    S1.Get(MetricDemand)->Add(4);
    S1.Get(MetricDemand)->Add(6);
    S1.Get(MetricHoldingCost)->Add(1.5);
    S1.Get(MetricHoldingCost)->Add(2.25);
    for (double X : {1.0, 1.0, 0.0, 1.0}) {
        S1.Get(MetricType1SL)->Add(X);
        S1.Get(MetricFillRate)->Add(X);
    }
    TStageTestAccess::Stats(TSimulationTestAccess::Stage(Model, 2)).Get(MetricHoldingCost)->Add(0.0625);
    TStageTestAccess::Stats(TSimulationTestAccess::Stage(Model, 2)).Get(MetricType1SL)->Add(0);
    // A count beyond 32 bits keeps every digit.
    TStageTestAccess::Stats(TSimulationTestAccess::Stage(Model, 2)).Get(MetricFailed)->AddMany(1, 3000000000LL);

    const std::vector<std::string> Report = BuildStatsReport(Model, Stamp, ',');
    const std::size_t Demand = BlockStart(9, 2);
    EXPECT_EQ(Report[Demand + 1], "  Stage 1                5,000     1,414         4         6         2");
    EXPECT_EQ(Report[Demand + 2], "  Stage 2                0,000     0,000         0         0         0");
    EXPECT_EQ(Report[Demand + 3], "  TOTAL                  5,000");
    const std::size_t Holding = BlockStart(5, 2);
    EXPECT_EQ(Report[Holding + 1], "  Stage 1                1,875     0,530     1,500     2,250         2");
    EXPECT_EQ(Report[Holding + 2], "  Stage 2                0,063     0,000     0,063     0,063         1");
    EXPECT_EQ(Report[Holding + 3], "  TOTAL                  1,938");
    // Weighted by observations: (0.75 * 4 + 0 * 1) / 5.
    const std::size_t Type1 = BlockStart(11, 2);
    EXPECT_EQ(Report[Type1 + 1], "  Stage 1                0,750     0,500         0         1         4");
    EXPECT_EQ(Report[Type1 + 3], "  AVERAGE                0,600");
    // A stage without observations adds nothing to an average.
    const std::size_t Fill = BlockStart(12, 2);
    EXPECT_EQ(Report[Fill + 2], "  Stage 2                0,000     0,000         0         0         0");
    EXPECT_EQ(Report[Fill + 3], "  AVERAGE                0,750");
    const std::size_t Failed = BlockStart(15, 2);
    EXPECT_EQ(Report[Failed + 2], "  Stage 2                1,000     0,000         1         1" "3000000000");
    EXPECT_EQ(Report[Failed + 3], "  AVERAGE                1,000");
}

TEST(ReportsStats, ThreeStageServiceTimeTable)
{
    TSimulation Model;
    AddStages(Model, 3);
    THistogram& H1 = TStageTestAccess::Stats(TSimulationTestAccess::Stage(Model, 1)).Histogram();
    H1.AddMany(0, 57);
    H1.AddMany(2, 3);
    TStageTestAccess::Stats(TSimulationTestAccess::Stage(Model, 2)).Histogram().AddMany(1, 10);
    // Stage 3 filled no orders.

    const std::vector<std::string> T = Table(BuildStatsReport(Model, Stamp, '.'), 3);
    ASSERT_EQ(T.size(), 7u);
    EXPECT_EQ(T[0], Blanks(14) + Blanks(11) + "#" + Blanks(12) + "  " + Blanks(11) + "%" + Blanks(12) + "  " +
                        Blanks(8) + "Cumul %" + Blanks(9));
    EXPECT_EQ(T[1], Blanks(14) + std::string(24, '-') + "  " + std::string(24, '-') + "  " + std::string(24, '-'));
    const std::string Headings = " Stage_1 Stage_2 Stage_3";
    EXPECT_EQ(T[2], "Service Time  " + Headings + "  " + Headings + "  " + Headings);
    EXPECT_EQ(T[3], std::string(90, '='));
    EXPECT_EQ(T[4], "           0        57       0       0      95.0     0.0     0.0      95.0     0.0     0.0");
    EXPECT_EQ(T[5], "           1         0      10       0       0.0   100.0     0.0      95.0   100.0     0.0");
    EXPECT_EQ(T[6], "           2         3       0       0       5.0     0.0     0.0     100.0   100.0     0.0");
}

TEST(ReportsStats, NoFilledOrderEndsWithTheRuleAndTwelveStagesPadTheirNumbers)
{
    TSimulation Model;
    AddStages(Model, 12);
    const std::vector<std::string> Report = BuildStatsReport(Model, Stamp, '.');
    // D = 2, W2 = W1 = 9; R = 0, so the table has no rows.
    EXPECT_EQ(Report.back(), std::string(18 + 12 * 27, '='));
    const std::string& Headings = Report[Report.size() - 2];
    EXPECT_EQ(Headings.substr(0, 32), "Service Time   Stage_ 1 Stage_ 2");
    EXPECT_EQ(Headings.substr(14 + 9 * 9, 27), " Stage_10 Stage_11 Stage_12");
    EXPECT_EQ(Headings.size(), 18u + 12u * 27u);
    EXPECT_EQ(Report[Report.size() - 4], Blanks(14) + PadStr("#", 108, 'c') + "  " + PadStr("%", 108, 'c') + "  " +
                                             PadStr("Cumul %", 108, 'c'));
}

TEST(ReportsStats, LargeCountWidensCountColumnsButNotTheirHeadings)
{
    TSimulation Model;
    AddStages(Model, 3);
    TStageTestAccess::Stats(TSimulationTestAccess::Stage(Model, 2)).Histogram().AddMany(0, 123456789);
    TStageTestAccess::Stats(TSimulationTestAccess::Stage(Model, 2)).Histogram().AddMany(1, 1);

    const std::vector<std::string> T = Table(BuildStatsReport(Model, Stamp, '.'), 2);
    ASSERT_EQ(T.size(), 6u);
    // W1 = 10 (nine digits and one more), W2 = 8; the count headings stay 8 wide.
    EXPECT_EQ(T[0], Blanks(14) + PadStr("#", 30, 'c') + "  " + PadStr("%", 24, 'c') + "  " + PadStr("Cumul %", 24, 'c'));
    EXPECT_EQ(T[1], Blanks(14) + std::string(30, '-') + "  " + std::string(24, '-') + "  " + std::string(24, '-'));
    EXPECT_EQ(T[2], "Service Time   Stage_1 Stage_2 Stage_3   Stage_1 Stage_2 Stage_3   Stage_1 Stage_2 Stage_3");
    EXPECT_EQ(T[3], std::string(18 + 3 * 26, '='));
    EXPECT_EQ(T[4], "           0           0 123456789         0       0.0   100.0     0.0       0.0   100.0     0.0");
    EXPECT_EQ(T[5], "           1           0         1         0       0.0     0.0     0.0       0.0   100.0     0.0");
    EXPECT_EQ(T[2].size(), 96u - 3 * 2);
    EXPECT_EQ(T[4].size(), 96u);
}

TEST(ReportsStats, EveryLineOfATwentyFiveStageReportHasItsWidth)
{
    TSimulation Model;
    AddStages(Model, 25);
    // Five serial chains of five stages, demand at the head of each.
    for (int C = 0; C < 5; ++C) {
        const int Head = 5 * C + 1;
        EditStage(Model, Head, [C](TStageParams& S) {
            S.DemandMean = 8 + C;
            S.DemandSD = 2;
            S.HoldingCost = 1;
            S.StockoutCost = 5;
            S.CommittedServiceTime = 1;
        });
        for (int K = Head; K < Head + 5; ++K) {
            EditStage(Model, K, [C](TStageParams& S) {
                S.BaseStockLevel = 20 + 3 * C;
                S.ProcTime = 1;
                S.FailureProb = 0.05;
                S.RecoveryProb = 0.5;
            });
            if (K > Head) {
                ASSERT_EQ(Model.Link(K, K - 1), TLinkResult::Linked);
            }
        }
    }
    Model.RunSimulation(300, 20, 31);

    int64_t LargestCount = 0;
    int64_t Rows = 0;
    for (int K = 1; K <= 25; ++K) {
        LargestCount = std::max(LargestCount, Model.Stage(K).Stats().Histogram().MaxCount());
        Rows = std::max(Rows, Model.Stage(K).Stats().Histogram().Used());
    }
    ASSERT_GT(Rows, 1);
    const int W1 = std::max<int>(9, static_cast<int>(std::to_string(LargestCount).size()) + 1);
    ASSERT_EQ(W1, 9);  // so the count headings need no extra blanks
    const std::size_t TableWidth = static_cast<std::size_t>(18 + 25 * (W1 + 18));

    const std::vector<std::string> Report = BuildStatsReport(Model, Stamp, '.');
    ASSERT_EQ(Report.size(), 6u + 16u * 28u + 3u + 4u + static_cast<std::size_t>(Rows));
    EXPECT_EQ(Report[3].size(), 70u);
    for (int B = 0; B < 16; ++B) {
        const std::size_t Start = BlockStart(B, 25);
        for (int K = 1; K <= 25; ++K) {
            const std::string& Line = Report[Start + static_cast<std::size_t>(K)];
            EXPECT_EQ(Line.size(), 70u) << Line;
            EXPECT_EQ(Line.substr(0, 20), PadStr("  Stage " + std::to_string(K), 20, 'l'));
            // Five right-aligned numbers: the last character of every column is a digit.
            for (int Col = 0; Col < 5; ++Col) {
                EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(Line[static_cast<std::size_t>(29 + 10 * Col)])))
                    << Line;
            }
        }
        EXPECT_EQ(Report[Start + 26].size(), 30u);
        EXPECT_EQ(Report[Start + 27], "");
    }
    const std::vector<std::string> T = Table(Report, static_cast<int>(Rows));
    for (const std::string& Line : T) {
        EXPECT_EQ(Line.size(), TableWidth) << Line;
    }
    EXPECT_EQ(T[2].substr(0, 23), "Service Time   Stage_ 1");
}
