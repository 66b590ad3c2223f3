// The numbers behind the charts: the thinning of a long series to its lowest and highest point per
// pixel column, and a batch chart's lines as the batch's settings finish.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "batch/BatchRun.h"
#include "batch/ParamSet.h"
#include "batch/ReportOptions.h"
#include "engine/ParamCatalogue.h"
#include "engine/Simulation.h"
#include "model_files/ModelFile.h"
#include "platform/Dialogs.h"
#include "support/CheckedOptions.h"
#include "ui/ChartSeries.h"

namespace {

struct TDecimationCase {
    const char* Name;
    std::vector<double> Y;
    double X0;
    double XFrom;
    double XTo;
    int Columns;
};

std::vector<double> Values(int N, double (*F)(int))
{
    std::vector<double> Y;
    for (int I = 0; I < N; ++I) {
        Y.push_back(F(I));
    }
    return Y;
}

std::vector<TDecimationCase> DecimationCases()
{
    const auto Saw = [](int I) { return static_cast<double>(I % 17) - (I % 5 == 0 ? 40.0 : 0.0); };
    const auto Spikes = [](int I) { return I % 997 == 3 ? 1e6 : I % 991 == 5 ? -1e6 : 1.0; };
    const auto Noise = [](int I) { return std::sin(I * 12.9898) * 43758.5453 - std::floor(std::sin(I * 12.9898) * 43758.5453); };
    const auto Ramp = [](int I) { return static_cast<double>(I); };
    return {
        {"saw, whole range", Values(9999, Saw), 1, 1, 9999, 640},
        {"saw, one column", Values(9999, Saw), 1, 1, 9999, 1},
        {"spikes, odd width", Values(9999, Spikes), 1, 1, 9999, 333},
        {"noise, zoomed in", Values(9999, Noise), 1, 2500.5, 7000.25, 97},
        {"ramp starting at 0", Values(5000, Ramp), 0, 0, 4999, 10},
        {"constant", std::vector<double>(3000, 7.0), 1, 1, 3000, 50},
        {"few points: all drawn", Values(100, Noise), 1, 1, 100, 50},
        {"range past the end", Values(1000, Saw), 1, 900, 1500, 20},
    };
}

// The pixel column of x, as a plot Columns wide over [From, To] has it.
int ColumnOf(double X, double From, double To, int Columns)
{
    return std::min(Columns - 1, static_cast<int>((X - From) * (Columns / (To - From))));
}

TEST(ChartDecimation, KeepsEveryPixelColumnsLowestAndHighestPoint)
{
    for (const TDecimationCase& C : DecimationCases()) {
        SCOPED_TRACE(C.Name);
        const std::vector<TChartPoint> Out = DecimateMinMax(C.Y, C.X0, C.XFrom, C.XTo, C.Columns);
        // Points of the series, in x order, none twice.
        for (std::size_t I = 0; I < Out.size(); ++I) {
            const double At = Out[I].X - C.X0;
            ASSERT_TRUE(At >= 0 && At < static_cast<double>(C.Y.size()) && At == std::floor(At));
            ASSERT_EQ(Out[I].Y, C.Y[static_cast<std::size_t>(At)]);
            ASSERT_TRUE(I == 0 || Out[I - 1].X < Out[I].X);
        }
        // Every column's lowest and highest value among the points inside the range.
        std::map<int, std::pair<double, double>> Expected;
        std::map<int, std::pair<double, double>> Drawn;
        int Inside = 0;
        for (std::size_t I = 0; I < C.Y.size(); ++I) {
            const double X = C.X0 + static_cast<double>(I);
            if (X >= C.XFrom && X <= C.XTo) {
                ++Inside;
                auto [It, New] = Expected.try_emplace(ColumnOf(X, C.XFrom, C.XTo, C.Columns), C.Y[I], C.Y[I]);
                It->second = {std::min(It->second.first, C.Y[I]), std::max(It->second.second, C.Y[I])};
            }
        }
        for (const TChartPoint& P : Out) {
            if (P.X >= C.XFrom && P.X <= C.XTo) {
                auto [It, New] = Drawn.try_emplace(ColumnOf(P.X, C.XFrom, C.XTo, C.Columns), P.Y, P.Y);
                It->second = {std::min(It->second.first, P.Y), std::max(It->second.second, P.Y)};
            }
        }
        EXPECT_EQ(Drawn, Expected);
        const int DrawnInside = static_cast<int>(std::count_if(
            Out.begin(), Out.end(), [&](const TChartPoint& P) { return P.X >= C.XFrom && P.X <= C.XTo; }));
        if (Inside <= 2 * C.Columns) {
            EXPECT_EQ(DrawnInside, Inside);
        } else {
            EXPECT_LE(DrawnInside, 2 * C.Columns);
        }
        // The line runs on to both edges: the nearest point outside each side is there.
        const bool Before = C.XFrom > C.X0;
        const bool After = C.XTo < C.X0 + static_cast<double>(C.Y.size()) - 1;
        EXPECT_EQ(Out.front().X < C.XFrom, Before);
        EXPECT_EQ(Out.back().X > C.XTo, After);
        if (Before) {
            EXPECT_EQ(Out.front().X, std::ceil(C.XFrom - C.X0) - 1 + C.X0);
        }
    }
}

TEST(ChartHistory, SeriesAreTheRunsHistoryArraysPeriodByPeriod)
{
    TSilentDialogs Dialogs;
    TSimulation Model;
    ASSERT_TRUE(LoadModel(Model, ORVANTIS_TEST_DATA_DIR "/../../examples/distribution.txt", Dialogs).Ok);
    Model.RunSimulation(200, 30, 11);
    const THistorySeriesTable Table(Model);
    ASSERT_EQ(Table.NumStages(), Model.NumStages());
    ASSERT_EQ(Table.Periods(), 200);
    ASSERT_EQ(Table.WarmUp(), 30);
    for (int K = 1; K <= Model.NumStages(); ++K) {
        const TStage& S = Model.Stage(K);
        const auto At = [](const auto& History, int32_t P) {
            return P < static_cast<int32_t>(History.size()) ? static_cast<double>(History[static_cast<std::size_t>(P)]) : 0.0;
        };
        for (int32_t P = 1; P <= 200; ++P) {
            const double Expected[NumHistorySeries] = {
                At(S.TotalCostHist(), P),
                At(S.DemandHist(), P),
                At(S.DerivedDemandHist(), P),
                At(S.NetInvHist(), P),
                static_cast<double>(S.OrderQtyHist().AtOrZero(P, 0, 0)),
                At(S.OnOrderHist(), P),
                At(S.InProcessHist(), P),
                S.IsFailed(P) ? 1.0 : 0.0,
                At(S.NetInvHist(), P) + At(S.OnOrderHist(), P),
            };
            for (int I = 0; I < NumHistorySeries; ++I) {
                ASSERT_EQ(Table.Series(K, I)[static_cast<std::size_t>(P - 1)], Expected[I])
                    << "stage " << K << ", " << HistorySeriesNames[static_cast<std::size_t>(I)] << ", period " << P;
            }
        }
    }
}

// A batch's chart data, fed as the window feeds it, after each setting and at the end.
TEST(ChartBatch, GrowsWithEachSettingOneLinePerSecondRowValue)
{
    TSilentDialogs Quiet;
    TSimulation Model;
    ASSERT_TRUE(LoadModel(Model, ORVANTIS_TEST_DATA_DIR "/../../examples/serial_chain.txt", Quiet).Ok);
    const int BSLevelPos = ParamBaseStockLevel + 1;
    TBatchRequest Request;
    Request.Rows[0] = {BSLevelPos, "1", "1", "10", "30", "10"};
    Request.Rows[1] = {BSLevelPos, "2", "2", "5", "10", "5"};
    const TParamSetResult Set = BuildSweepSet(Request.Rows[0], Request.Rows[1], '.', Model.NumStages());
    ASSERT_TRUE(Set.Set);
    const TReportOptions Options = CheckedOptions(
        {{MetricTotalCost, TReportOptions::PosMean}, {MetricTotalCost, TReportOptions::PosSEM}});
    TBatchRun Run;
    Run.Settings = TRunSettings{200, 20, 3};
    Run.NumTrials = 3;

    TBatchChartData Data;
    Data.Start(BatchChartShape(Request));
    std::vector<int32_t> Seen;
    std::vector<std::string> Lines;
    TBatchCallbacks Callbacks;
    Callbacks.AppendLine = [&](const std::string& Line) { Lines.push_back(Line); };
    Callbacks.SettingDone = [&](int32_t I, const std::vector<TResultColumn>& Columns, const TSettingResult& Result) {
        Data.AddSetting(I, Columns, Result);
        Seen.push_back(Data.NumSettings());
    };
    RunBatch(Model, *Set.Set, Options, Run, Callbacks);
    EXPECT_EQ(Seen, (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));

    const std::vector<int> Metrics = Data.MetricColumns();
    ASSERT_EQ(Metrics.size(), 2u);
    EXPECT_EQ(Data.Columns()[static_cast<std::size_t>(Metrics[0])].Heading, "TotalCostMean");
    EXPECT_EQ(Data.XTitle(), "BSLevel:1");
    const std::vector<TBatchChartLine> Chart = Data.Lines(Metrics[0]);
    ASSERT_EQ(Chart.size(), 2u);
    EXPECT_EQ(Chart[0].Name, "BSLevel:2 = 5");
    EXPECT_EQ(Chart[1].Name, "BSLevel:2 = 10");
    // Setting i's line of the text: "BSLevel:1  BSLevel:2  TotalCostMean  TotalCostSEM", settings
    // row 1 outer, row 2 inner.
    for (std::size_t L = 0; L < 2; ++L) {
        EXPECT_EQ(Chart[L].X, (std::vector<double>{10, 20, 30}));
        ASSERT_EQ(Chart[L].Y.size(), 3u);
        ASSERT_EQ(Chart[L].Low.size(), 3u);
        for (std::size_t P = 0; P < 3; ++P) {
            double Row1 = 0, Row2 = 0, Mean = 0, Sem = 0;
            ASSERT_EQ(std::sscanf(Lines[7 + 2 * P + L].c_str(), "%lf %lf %lf %lf", &Row1, &Row2, &Mean, &Sem), 4);
            EXPECT_NEAR(Chart[L].Y[P], Mean, 0.005);
            EXPECT_NEAR(Chart[L].High[P] - Chart[L].Y[P], 1.96 * Sem, 0.01);
            EXPECT_NEAR(Chart[L].Y[P] - Chart[L].Low[P], 1.96 * Sem, 0.01);
        }
    }
    // The SEM column itself has no band; a values file draws one line by setting number.
    EXPECT_TRUE(Data.Lines(Metrics[1])[0].Low.empty());
    Request.FromFile = true;
    Data.Start(BatchChartShape(Request));
    RunBatch(Model, *Set.Set, Options, Run, Callbacks);
    ASSERT_EQ(Data.Lines(Metrics[0]).size(), 1u);
    EXPECT_EQ(Data.Lines(Metrics[0])[0].X, (std::vector<double>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Data.XTitle(), "Setting");
}

}  // namespace
