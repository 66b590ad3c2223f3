// Whole runs of small networks with a fixed seed and timestamp, compared to the texts under
// tests/data/reports. A second group of tests reads those texts back and checks them, cell by
// cell, against the layout rules and the run's own history arrays and accumulators, so a golden
// text can only be right, not merely what the builders happened to write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/Simulation.h"
#include "reports/HistoryReport.h"
#include "reports/StatsReport.h"
#include "support/ModelBuilder.h"

namespace {

const std::string Stamp = "12/07/2026 10:00:00";

struct TGoldenCase {
    std::string Name;  // file name prefix under tests/data/reports
    char DecimalSep;
    std::function<void(TSimulation&)> Build;
    int32_t Periods;
    int32_t WarmUp;
    int64_t Seed;
};

// Stage 1 assembles product 2 (stage 2, which fails now and then) and product 3 (stage 3,
// limited capacity).
void BuildAssembly(TSimulation& Model)
{
    TStageParams S1;
    S1.DemandMean = 20;
    S1.DemandSD = 5;
    S1.DemandBound = 3;
    S1.HoldingCost = 1;
    S1.StockoutCost = 10;
    S1.BaseStockLevel = 45;
    S1.ProcTime = 1;
    TStageParams S2;
    S2.ProcTime = 2;
    S2.BaseStockLevel = 50;
    S2.HoldingCost = 0.5;
    S2.WIPHoldingCost = 0.2;
    S2.ProductCost = 1;
    S2.FixedCost = 2;
    S2.FailureProb = 0.1;
    S2.RecoveryProb = 0.5;
    TStageParams S3;
    S3.ProcTime = 1;
    S3.ProcCapacity = 25;
    S3.BaseStockLevel = 40;
    S3.HoldingCost = 0.4;
    S3.ProductCost = 2;
    for (const TStageParams& P : {S1, S2, S3}) {
        AddStage(Model, P);
    }
    Model.Link(2, 1);
    Model.Link(3, 1);
}

// Stages 2 and 3 are alternative sources of product 7 (stage 3 cheaper but of small capacity);
// stage 4 supplies both. Policies (R,Q), BS, BS and (s,S); demand at stages 1 and 3.
void BuildAlternatives(TSimulation& Model)
{
    TStageParams S1;
    S1.DemandMean = 12;
    S1.DemandSD = 4;
    S1.InvPolicy = PolicyRQ;
    S1.RQReorderPoint = 20;
    S1.RQOrderQty = 30;
    S1.HoldingCost = 0.75;
    S1.StockoutCost = 6;
    S1.StockoutPerUnitTime = false;
    S1.CommittedServiceTime = 1;
    S1.ProcTime = 1;
    TStageParams S2;
    S2.ProductIndex = 7;
    S2.ProductCost = 3;
    S2.BaseStockLevel = 40;
    S2.ProcTime = 1;
    S2.HoldingCost = 0.25;
    TStageParams S3;
    S3.ProductIndex = 7;
    S3.ProductCost = 1;
    S3.ProcCapacity = 8;
    S3.BaseStockLevel = 30;
    S3.ProcTime = 2;
    S3.DemandMean = 3;
    S3.DemandSD = 1;
    S3.HoldingCost = 0.125;
    TStageParams S4;
    S4.InvPolicy = PolicySS;
    S4.SSReorderPoint = 10;
    S4.SSOrderUpTo = 60;
    S4.ProcTime = 1;
    S4.FailureProb = 0.2;
    S4.RecoveryProb = 0.3;
    S4.HoldingCost = 0.1;
    for (const TStageParams& P : {S1, S2, S3, S4}) {
        AddStage(Model, P);
    }
    Model.Link(2, 1);
    Model.Link(3, 1);
    Model.Link(4, 2);
    Model.Link(4, 3);
}

// Eleven stages in series, so stage numbers have two digits.
void BuildChain11(TSimulation& Model)
{
    TStageParams P;
    P.ProcTime = 1;
    P.BaseStockLevel = 12;
    P.HoldingCost = 0.5;
    P.FailureProb = 0.05;
    P.RecoveryProb = 0.6;
    TStageParams First = P;
    First.DemandMean = 6;
    First.DemandSD = 2;
    First.StockoutCost = 3;
    AddStage(Model, First);
    for (int I = 1; I < 11; ++I) {
        AddStage(Model, P);
    }
    for (int K = 2; K <= 11; ++K) {
        Model.Link(K, K - 1);
    }
}

std::vector<TGoldenCase> Cases()
{
    return {
        {"assembly", '.', BuildAssembly, 30, 5, 20260712},
        {"alternatives", ',', BuildAlternatives, 20, 3, 777},
        {"chain11", '.', BuildChain11, 12, 2, 31415},
    };
}

std::vector<std::string> ReadGolden(const std::string& FileName)
{
    const std::string Path = std::string(ORVANTIS_TEST_DATA_DIR) + "/reports/" + FileName;
    std::ifstream In(Path, std::ios::binary);
    EXPECT_TRUE(In.good()) << "cannot open " << Path;
    std::vector<std::string> Lines;
    std::string Line;
    while (std::getline(In, Line)) {
        Lines.push_back(Line);
    }
    return Lines;
}

// The number in Text (blanks around it allowed), with Sep as its decimal separator. Fails the
// test when Text holds anything else.
double ParseNumber(const std::string& Text, char Sep)
{
    std::string Plain;
    for (char C : Text) {
        if (C != ' ') {
            Plain.push_back(C == Sep ? '.' : C);
        }
    }
    char* End = nullptr;
    const double Value = std::strtod(Plain.c_str(), &End);
    EXPECT_TRUE(!Plain.empty() && *End == '\0') << "not a number: '" << Text << "'";
    return Value;
}

// Text is Value right-aligned in Text.size() characters with exactly Decimals decimals.
void ExpectFixed(const std::string& Text, double Value, int Decimals, char Sep, const std::string& Where)
{
    const std::size_t Last = Text.find_last_not_of(' ');
    ASSERT_NE(Last, std::string::npos) << Where;
    EXPECT_EQ(Last, Text.size() - 1) << Where << ": '" << Text << "' not right-aligned";
    const std::size_t SepPos = Text.find(Sep);
    if (Decimals == 0) {
        EXPECT_EQ(SepPos, std::string::npos) << Where << ": '" << Text << "'";
    } else {
        EXPECT_EQ(SepPos, Text.size() - 1 - static_cast<std::size_t>(Decimals)) << Where << ": '" << Text << "'";
    }
    EXPECT_LE(std::fabs(ParseNumber(Text, Sep) - Value), 0.5 * std::pow(10.0, -Decimals) + 1e-9)
        << Where << ": '" << Text << "' for " << Value;
}

// Centred in the sense of the reports: (Width - length) / 2 blanks before, the rest after.
std::string Centred(const std::string& Text, int Width)
{
    const int Missing = std::max(0, Width - static_cast<int>(Text.size()));
    return std::string(static_cast<std::size_t>(Missing / 2), ' ') + Text +
           std::string(static_cast<std::size_t>(Missing - Missing / 2), ' ');
}

class TGoldenRun {
public:
    explicit TGoldenRun(const TGoldenCase& C) : Case(C)
    {
        Case.Build(Model);
        Model.RunSimulation(Case.Periods, Case.WarmUp, Case.Seed);
    }
    TGoldenCase Case;
    TSimulation Model;
};

// Mean over the recorded periods of Value(p).
double RecordedMean(const TSimulation& Model, const std::function<double(int32_t)>& Value)
{
    double Sum = 0;
    for (int32_t P = Model.WarmUp() + 1; P <= Model.Period(); ++P) {
        Sum += Value(P);
    }
    return Sum / (Model.Period() - Model.WarmUp());
}

}  // namespace

TEST(ReportsGolden, BuildersReproduceTheGoldenTexts)
{
    for (const TGoldenCase& C : Cases()) {
        SCOPED_TRACE(C.Name);
        TGoldenRun Run(C);
        EXPECT_EQ(BuildStatsReport(Run.Model, Stamp, C.DecimalSep), ReadGolden(C.Name + "_stats.txt"));
        EXPECT_EQ(BuildHistoryText(Run.Model, Stamp, C.DecimalSep), ReadGolden(C.Name + "_history.txt"));
        EXPECT_EQ(BuildOrderHistoryText(Run.Model, Stamp), ReadGolden(C.Name + "_orders.txt"));
    }
}

TEST(ReportsGolden, GoldenHistoryMatchesLayoutAndHistoryArrays)
{
    for (const TGoldenCase& C : Cases()) {
        SCOPED_TRACE(C.Name);
        TGoldenRun Run(C);
        const TSimulation& M = Run.Model;
        const int N = M.NumStages();
        const std::vector<std::string> G = ReadGolden(C.Name + "_history.txt");
        ASSERT_EQ(G.size(), static_cast<std::size_t>(3 + 4 + C.Periods));
        EXPECT_EQ(G[0], Stamp);
        EXPECT_EQ(G[1], "");
        EXPECT_EQ(G[2], "");
        const int W = 10 * N - 2;
        std::string Heading(10, ' ');
        for (const char* Name : {"TotalCost", "Demand", "DerivDem", "InvLevel", "OrderQty", "OnOrder", "InPrcess", "Failed"}) {
            Heading += Centred(Name, W) + "  ";
        }
        EXPECT_EQ(G[3], Heading);
        EXPECT_EQ(G[6], std::string(static_cast<std::size_t>(80 * N + 8), '='));
        for (std::size_t L = 4; L < G.size(); ++L) {
            if (L != 6) {
                EXPECT_EQ(G[L].size(), static_cast<std::size_t>(80 * N + 10)) << "line " << L + 1;
            }
        }
        for (int Block = 0; Block < 8; ++Block) {
            EXPECT_EQ(G[4].substr(static_cast<std::size_t>(10 + 10 * N * Block), static_cast<std::size_t>(10 * N)),
                      std::string(static_cast<std::size_t>(W), '-') + "  ");
            for (int K = 1; K <= N; ++K) {
                const std::size_t At = static_cast<std::size_t>(10 + 10 * (N * Block + K - 1));
                EXPECT_EQ(G[5].substr(At, 10), std::string(7 - (K >= 10 ? 1 : 0), ' ') + std::to_string(K) + "  ");
            }
        }
        EXPECT_EQ(G[5].substr(0, 10), "  Period  ");
        for (int32_t P = 1; P <= C.Periods; ++P) {
            const std::string& Line = G[static_cast<std::size_t>(6 + P)];
            const std::string Where = "period " + std::to_string(P);
            ExpectFixed(Line.substr(0, 8), P, 0, C.DecimalSep, Where);
            for (int Cell = 0; Cell <= 8 * N; ++Cell) {
                EXPECT_EQ(Line.substr(static_cast<std::size_t>(10 * Cell + 8), 2), "  ") << Where;
            }
            for (int K = 1; K <= N; ++K) {
                const TStage& S = M.Stage(K);
                const std::size_t I = static_cast<std::size_t>(P);
                auto CellText = [&](int Block) {
                    return Line.substr(static_cast<std::size_t>(10 + 10 * (N * Block + K - 1)), 8);
                };
                if (P <= C.WarmUp) {
                    EXPECT_EQ(CellText(0), "     ---") << Where;
                } else {
                    ExpectFixed(CellText(0), S.TotalCostHist()[I], 2, C.DecimalSep, Where);
                }
                ExpectFixed(CellText(1), S.HasDemandHist() ? static_cast<double>(S.DemandHist()[I]) : 0.0, 0, C.DecimalSep, Where);
                ExpectFixed(CellText(2), static_cast<double>(S.DerivedDemandHist()[I]), 0, C.DecimalSep, Where);
                ExpectFixed(CellText(3), static_cast<double>(S.NetInvHist()[I]), 0, C.DecimalSep, Where);
                ExpectFixed(CellText(4), static_cast<double>(S.OrderQtyHist().At(P, 0, 0)), 0, C.DecimalSep, Where);
                ExpectFixed(CellText(5), static_cast<double>(S.OnOrderHist()[I]), 0, C.DecimalSep, Where);
                ExpectFixed(CellText(6), static_cast<double>(S.InProcessHist()[I]), 0, C.DecimalSep, Where);
                ExpectFixed(CellText(7), S.FailedHist()[I] != 0 ? 1.0 : 0.0, 0, C.DecimalSep, Where);
            }
        }
    }
}

TEST(ReportsGolden, GoldenOrderHistoryMatchesLayoutAndOrders)
{
    for (const TGoldenCase& C : Cases()) {
        SCOPED_TRACE(C.Name);
        TGoldenRun Run(C);
        const TSimulation& M = Run.Model;
        const std::vector<std::string> G = ReadGolden(C.Name + "_orders.txt");
        ASSERT_EQ(G.size(), static_cast<std::size_t>(3 + 6 + C.Periods));
        EXPECT_EQ(G[0], Stamp);
        // Expected heading lines, rebuilt from the live raw-material groups (unchanged since the run).
        std::vector<std::string> Expected(6, std::string(8, ' '));
        Expected[4] = "Period  ";
        Expected[5] = "======";
        for (int J = 1; J <= M.NumStages(); ++J) {
            const TStage& S = M.Stage(J);
            const int Block = 8 * S.NumSuppliers() + 6;
            Expected[0] += Centred("St_" + std::to_string(J), Block) + "  ";
            Expected[1] += std::string(static_cast<std::size_t>(Block), '-') + "  ";
            Expected[2] += " Self   ";
            Expected[3] += "------  ";
            Expected[4] += std::string(5 - (J >= 10 ? 1 : 0), ' ') + std::to_string(J) + "  ";
            for (int Gr = 1; Gr <= S.NumRawMaterials(); ++Gr) {
                const int Count = S.RawMatNumSuppliers(Gr);
                Expected[2] += Centred("RM_" + std::to_string(S.RawMatProduct(Gr)), 8 * Count - 2) + "  ";
                Expected[3] += std::string(static_cast<std::size_t>(8 * Count - 2), '-') + "  ";
                for (int K = 1; K <= Count; ++K) {
                    const int Num = S.RawMatSupplier(Gr, K).StageNum;
                    Expected[4] += std::string(5 - (Num >= 10 ? 1 : 0), ' ') + std::to_string(Num) + "  ";
                }
            }
            Expected[5] += std::string(static_cast<std::size_t>(Block + 2), '=');
        }
        for (std::size_t L = 0; L < 6; ++L) {
            EXPECT_EQ(G[3 + L], Expected[L]) << "line " << L + 4;
        }
        for (int32_t P = 1; P <= C.Periods; ++P) {
            const std::string& Line = G[static_cast<std::size_t>(8 + P)];
            const std::string Where = "period " + std::to_string(P);
            ASSERT_EQ(Line.size(), Expected[4].size()) << Where;
            std::size_t At = 0;
            auto Next = [&](double Value) {
                EXPECT_EQ(Line.substr(At + 6, 2), "  ") << Where;
                ExpectFixed(Line.substr(At, 6), Value, 0, '.', Where);
                At += 8;
                return ParseNumber(Line.substr(At - 8, 6), '.');
            };
            Next(P);
            for (int J = 1; J <= M.NumStages(); ++J) {
                const TStage& S = M.Stage(J);
                const double Own = Next(static_cast<double>(S.OrderQtyHist().At(P, 0, 0)));
                for (int Gr = 1; Gr <= S.NumRawMaterials(); ++Gr) {
                    double GroupSum = 0;
                    for (int K = 1; K <= S.RawMatNumSuppliers(Gr); ++K) {
                        GroupSum += Next(static_cast<double>(S.OrderQtyHist().At(P, Gr, K)));
                    }
                    // One unit of every raw material per unit ordered.
                    EXPECT_EQ(GroupSum, Own) << Where << ", stage " << J << ", group " << Gr;
                }
            }
        }
    }
}

TEST(ReportsGolden, GoldenStatsMatchLayoutAccumulatorsAndHistory)
{
    struct TBlockRule {
        const char* Title;
        TMetric Metric;
        int ExtremeDecimals;
        bool Average;
    };
    const std::vector<TBlockRule> Rules{
        {"On Hand", MetricInvLevel, 0, false},          {"Backorders", MetricBackorders, 0, false},
        {"On Order", MetricOnOrder, 0, false},          {"In Process", MetricInProcess, 0, false},
        {"Order Cost", MetricOrderCost, 3, false},      {"Holding Cost", MetricHoldingCost, 3, false},
        {"WIP Holding Cost", MetricWIPHoldingCost, 3, false},
        {"Stockout Cost", MetricStockoutCost, 3, false}, {"Total Cost", MetricTotalCost, 3, false},
        {"Demand", MetricDemand, 0, false},             {"Derived Demand", MetricDerivedDemand, 0, false},
        {"All From Stock (Type 1 SL)", MetricType1SL, 0, true},
        {"From Stock (Type 2 SL)", MetricFillRate, 0, true},
        {"Within CST", MetricWithinCST, 0, true},       {"Order Quantity", MetricOrderQty, 0, false},
        {"Failed", MetricFailed, 0, true},
    };
    for (const TGoldenCase& C : Cases()) {
        SCOPED_TRACE(C.Name);
        TGoldenRun Run(C);
        const TSimulation& M = Run.Model;
        const int N = M.NumStages();
        const char Sep = C.DecimalSep;
        const std::vector<std::string> G = ReadGolden(C.Name + "_stats.txt");
        ASSERT_GE(G.size(), static_cast<std::size_t>(6 + 16 * (N + 3) + 3 + 4));
        EXPECT_EQ(G[0], Stamp);
        EXPECT_EQ(G[3], "Metric                     Avg       Std       Min       Max       Obs");
        EXPECT_EQ(G[4], std::string(70, '='));
        std::size_t L = 6;
        for (const TBlockRule& B : Rules) {
            EXPECT_EQ(G[L++], B.Title);
            double Total = 0;
            double Weighted = 0;
            double Count = 0;
            for (int K = 1; K <= N; ++K) {
                const std::string& Line = G[L++];
                const std::string Where = std::string(B.Title) + ", stage " + std::to_string(K);
                ASSERT_EQ(Line.size(), 70u) << Where;
                std::string Label = "  Stage " + std::to_string(K);
                Label.resize(20, ' ');
                EXPECT_EQ(Line.substr(0, 20), Label);
                const TMinMaxAvg& A = *M.Stage(K).Stats().Get(B.Metric);
                ExpectFixed(Line.substr(20, 10), A.Avg(), 3, Sep, Where + " Avg");
                ExpectFixed(Line.substr(30, 10), A.Stdev(), 3, Sep, Where + " Std");
                ExpectFixed(Line.substr(40, 10), A.Min(), B.ExtremeDecimals, Sep, Where + " Min");
                ExpectFixed(Line.substr(50, 10), A.Max(), B.ExtremeDecimals, Sep, Where + " Max");
                ExpectFixed(Line.substr(60, 10), static_cast<double>(A.Count()), 0, Sep, Where + " Obs");
                Total += A.Avg();
                Weighted += A.Avg() * static_cast<double>(A.Count());
                Count += static_cast<double>(A.Count());
            }
            const std::string& Summary = G[L++];
            ASSERT_EQ(Summary.size(), 30u);
            EXPECT_EQ(Summary.substr(0, 20), B.Average ? "  AVERAGE           " : "  TOTAL             ");
            ExpectFixed(Summary.substr(20), B.Average ? (Count > 0 ? Weighted / Count : 0.0) : Total, 3, Sep, B.Title);
            EXPECT_EQ(G[L++], "");
        }
        EXPECT_EQ(G[L++], std::string(70, '='));
        EXPECT_EQ(G[L++], "");
        EXPECT_EQ(G[L++], "");

        // Means derived from the history arrays agree with the report's Avg column.
        auto AvgInReport = [&](int Block, int K) {
            return ParseNumber(G[static_cast<std::size_t>(6 + Block * (N + 3) + K)].substr(20, 10), Sep);
        };
        for (int K = 1; K <= N; ++K) {
            const TStage& S = M.Stage(K);
            auto At = [](const auto& V, int32_t P) { return static_cast<double>(V[static_cast<std::size_t>(P)]); };
            EXPECT_NEAR(AvgInReport(8, K), RecordedMean(M, [&](int32_t P) { return At(S.TotalCostHist(), P); }), 5e-4);
            if (S.HasDemandHist()) {
                EXPECT_NEAR(AvgInReport(9, K), RecordedMean(M, [&](int32_t P) { return At(S.DemandHist(), P); }), 5e-4);
            }
            EXPECT_NEAR(AvgInReport(10, K), RecordedMean(M, [&](int32_t P) { return At(S.DerivedDemandHist(), P); }), 5e-4);
            EXPECT_NEAR(AvgInReport(14, K),
                        RecordedMean(M, [&](int32_t P) { return static_cast<double>(S.OrderQtyHist().At(P, 0, 0)); }), 5e-4);
            EXPECT_NEAR(AvgInReport(15, K), RecordedMean(M, [&](int32_t P) { return At(S.FailedHist(), P); }), 5e-4);
        }

        // The service-time table.
        const int D = N >= 10 ? 2 : 1;
        const int W2 = D + 7;
        int64_t Largest = 0;
        int64_t Rows = 0;
        for (int K = 1; K <= N; ++K) {
            Largest = std::max(Largest, M.Stage(K).Stats().Histogram().MaxCount());
            Rows = std::max(Rows, M.Stage(K).Stats().Histogram().Used());
        }
        const int W1 = std::max(W2, static_cast<int>(std::to_string(Largest).size()) + 1);
        ASSERT_EQ(G.size(), L + 4 + static_cast<std::size_t>(Rows));
        EXPECT_EQ(G[L], std::string(14, ' ') + Centred("#", N * W1) + "  " + Centred("%", N * W2) + "  " +
                            Centred("Cumul %", N * W2));
        EXPECT_EQ(G[L + 1], std::string(14, ' ') + std::string(static_cast<std::size_t>(N * W1), '-') + "  " +
                                std::string(static_cast<std::size_t>(N * W2), '-') + "  " +
                                std::string(static_cast<std::size_t>(N * W2), '-'));
        EXPECT_EQ(G[L + 3], std::string(static_cast<std::size_t>(18 + N * (W1 + 2 * W2)), '='));
        const std::size_t Width = static_cast<std::size_t>(18 + N * (W1 + 2 * W2));
        // The headings are W2 wide in all three groups, so the heading line is shorter when W1 > W2.
        EXPECT_EQ(G[L + 2].size(), static_cast<std::size_t>(18 + 3 * N * W2));
        EXPECT_EQ(G[L + 2].substr(0, 14), "Service Time  ");
        std::vector<int64_t> Cumulative(static_cast<std::size_t>(N) + 1, 0);
        for (int64_t J = 0; J < Rows; ++J) {
            const std::string& Line = G[L + 4 + static_cast<std::size_t>(J)];
            const std::string Where = "service time " + std::to_string(J);
            ASSERT_EQ(Line.size(), Width) << Where;
            ExpectFixed(Line.substr(0, 12), static_cast<double>(J), 0, Sep, Where);
            for (int K = 1; K <= N; ++K) {
                const THistogram& H = M.Stage(K).Stats().Histogram();
                const std::size_t Count = static_cast<std::size_t>(14 + (K - 1) * W1);
                const std::size_t Percent = static_cast<std::size_t>(16 + N * W1 + (K - 1) * W2);
                const std::size_t Cumul = static_cast<std::size_t>(18 + N * W1 + N * W2 + (K - 1) * W2);
                // The headings: W2 each, the three groups separated by two blanks.
                const std::string Head = " Stage_" + std::string(K < 10 && D == 2 ? " " : "") + std::to_string(K);
                for (int Group = 0; Group < 3; ++Group) {
                    const std::size_t At = static_cast<std::size_t>(14 + Group * (N * W2 + 2) + (K - 1) * W2);
                    EXPECT_EQ(G[L + 2].substr(At, static_cast<std::size_t>(W2)), Head);
                }
                Cumulative[static_cast<std::size_t>(K)] += H.Freq(J);
                ExpectFixed(Line.substr(Count, static_cast<std::size_t>(W1)), static_cast<double>(H.Freq(J)), 0, Sep, Where);
                const double Share = H.Total() > 0 ? 100.0 * static_cast<double>(H.Freq(J)) / static_cast<double>(H.Total()) : 0.0;
                ExpectFixed(Line.substr(Percent, static_cast<std::size_t>(W2)), Share, 1, Sep, Where);
                const double Cum = H.Total() > 0 ? 100.0 * static_cast<double>(Cumulative[static_cast<std::size_t>(K)]) /
                                                       static_cast<double>(H.Total())
                                                 : 0.0;
                ExpectFixed(Line.substr(Cumul, static_cast<std::size_t>(W2)), Cum, 1, Sep, Where);
            }
            EXPECT_EQ(Line.substr(static_cast<std::size_t>(14 + N * W1), 2), "  ");
            EXPECT_EQ(Line.substr(static_cast<std::size_t>(16 + N * (W1 + W2)), 2), "  ");
        }
    }
}

TEST(ReportsGolden, GoldenCostsAgreeWithValuesWorkedOutByHand)
{
    // Assembly, period 6 (the first recorded one), no backorders anywhere:
    //   stage 1: 25 on hand x 1, plus 20 units taken at 1 + 2 and stage 2's fixed cost 2 = 87.00;
    //   stage 2: 11 on hand x 0.5 + 39 in process x 0.2 = 13.30;  stage 3: 20 on hand x 0.4 = 8.00.
    const std::vector<std::string> Assembly = ReadGolden("assembly_history.txt");
    ASSERT_GT(Assembly.size(), 12u);
    EXPECT_EQ(Assembly[12].substr(0, 40), "       6     87.00     13.30      8.00  ");
    EXPECT_EQ(Assembly[12].substr(100, 30), "      25        11        20  ");
    EXPECT_EQ(Assembly[12].substr(190, 30), "      20        39        20  ");
    // Alternatives, period 4 (first recorded), holding costs only, with a decimal comma:
    // 29 x 0.75, 13 x 0.25, 18 x 0.125; stage 4 is failed and keeps 57 units on hand x 0.1.
    const std::vector<std::string> Alternatives = ReadGolden("alternatives_history.txt");
    ASSERT_GT(Alternatives.size(), 10u);
    EXPECT_EQ(Alternatives[10].substr(0, 50), "       4     21,75      3,25      2,25      5,70  ");
    // The network's mean total cost is the sum of the stages' means: 212.560 + 17.200 + 17.264.
    const std::vector<std::string> Stats = ReadGolden("assembly_stats.txt");
    ASSERT_GT(Stats.size(), 58u);
    EXPECT_EQ(Stats[54], "Total Cost");
    EXPECT_EQ(Stats[58], "  TOTAL                247.024");
}
