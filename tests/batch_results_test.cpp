#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "batch/BatchCsv.h"
#include "batch/BatchResults.h"
#include "batch/ParamSet.h"
#include "batch/ReportOptions.h"
#include "engine/ParamCatalogue.h"
#include "support/CheckedOptions.h"
#include "support/CsvReader.h"

namespace {

TParamSet Columns(const std::vector<std::pair<int, int>>& Pairs)
{
    TParamSet Set(1, static_cast<int32_t>(Pairs.size()));
    for (int32_t K = 1; K <= Set.NumColumns(); ++K) {
        Set.ParamIndex(K) = Pairs[static_cast<std::size_t>(K - 1)].first;
        Set.ParamStage(K) = Pairs[static_cast<std::size_t>(K - 1)].second;
    }
    return Set;
}

std::vector<std::string> Headings(const std::vector<TResultColumn>& Cols)
{
    std::vector<std::string> Out;
    for (const TResultColumn& C : Cols) {
        Out.push_back(C.Heading);
    }
    return Out;
}

constexpr int Mean = 1, SEM = 2, Max = 4, ByStage = 5;

}  // namespace

TEST(BatchResults, ColumnsFollowTheCheckedMeasuresInOrder)
{
    const TReportOptions O = CheckedOptions({{MetricTotalCost, Mean}, {MetricTotalCost, Max}, {MetricTotalCost, ByStage},
                                      {MetricHoldingCost, ByStage}, {MetricDemand, ByStage}, {MetricOrderQty, SEM},
                                      {MetricOrderQty, ByStage}, {MetricInvLevel, Mean}},  // Inv Level without "By Stage"
                                     {0, 1});
    const std::vector<TResultColumn> Cols = ChooseResultColumns(Columns({{ParamRQReorderPoint, 2}}), 2, O);
    EXPECT_EQ(Headings(Cols), (std::vector<std::string>{"R:2", "TotalCostMean", "TotalCostMax", "TotalCostSD",
                                                        "TotalCostMean:1", "TotalCostMean:2", "TotalCostMax:1",
                                                        "TotalCostMax:2", "OrderQtySEM:1", "OrderQtySEM:2",
                                                        "OrderQtyMeanSD:1", "OrderQtyMeanSD:2"}));
    EXPECT_EQ(Cols[0].Width, 8);
    EXPECT_EQ(Cols[1].Width, 13);

    // Without any other measure, "Inv Level"'s Mean alone brings no column: it has no "By Stage".
    EXPECT_TRUE(ChooseResultColumns(Columns({}), 3, CheckedOptions({{MetricInvLevel, Mean}})).empty());
    // "Mean of SD of Order Qty" needs "Order Qty"'s "By Stage".
    EXPECT_EQ(Headings(ChooseResultColumns(Columns({}), 1, CheckedOptions({}, {1}))), std::vector<std::string>{});
    EXPECT_EQ(Headings(ChooseResultColumns(Columns({}), 1, CheckedOptions({{MetricOrderQty, ByStage}}, {1}))),
              std::vector<std::string>{"OrderQtyMeanSD:1"});
}

TEST(BatchResults, HeadingBlockAndTheExampleHeadingLine)
{
    const TReportOptions O = CheckedOptions({{MetricTotalCost, Mean}, {MetricTotalCost, SEM}, {MetricInvLevel, Mean},
                                      {MetricInvLevel, ByStage}});
    const std::vector<TResultColumn> Cols =
        ChooseResultColumns(Columns({{ParamBaseStockLevel, 1}, {ParamBaseStockLevel, 2}}), 2, O);
    TBatchHeading H{"12/07/26 22:48:22", "chain.txt", "-3", "1000", "100", 2, 10};
    EXPECT_EQ(BatchHeadingLines(H, Cols),
              (std::vector<std::string>{"12/07/26 22:48:22", "Data file: chain.txt", "RandSeed: -3", "2 stages",
                                        "10 trials, 1000 periods per trial, 100-period warm-up period", "",
                                        "BSLevel:1  BSLevel:2  TotalCostMean  TotalCostSEM  InvLevelMean:1  "
                                        "InvLevelMean:2  "}));
    H.DataFile.clear();
    EXPECT_EQ(BatchHeadingLines(H, {})[1], "Data file: ");
    EXPECT_EQ(BatchHeadingLines(H, {})[6], "");
    EXPECT_EQ(BatchClosingLines(), (std::vector<std::string>{"", ""}));
}

TEST(BatchResults, FieldsByParameterTypeAndStatistic)
{
    const TParamSet Set = Columns({{ParamHoldingCost, 1}, {ParamDemandBound, 1}, {ParamDemandBound, 2},
                                   {ParamProcCapacity, 1}, {ParamBaseStockLevel, 1}, {ParamBaseStockLevel, 2},
                                   {ParamStockoutPerUnitTime, 1}, {ParamInvPolicy, 1}});
    const TReportOptions O = CheckedOptions({{MetricTotalCost, Mean}, {MetricFillRate, Max}, {MetricFillRate, ByStage}}, {0});
    const std::vector<TResultColumn> Cols = ChooseResultColumns(Set, 1, O);
    TSettingResult R(1, Set.NumColumns());
    R.ParamValues = {0, 2.5, std::numeric_limits<double>::infinity(), 12345.125, 2000000000, 7.5, 6.5, 1, 3};
    TTrialResult T;
    T.StageMeans.resize(2);
    T.OrderQtySD.resize(2);
    T.StageMeans[1][MetricFillRate] = 0.91;
    T.Costs.TotalCost = 123456.789;
    T.PeriodTotalCosts = {1, 3};
    R.Fold(T);
    EXPECT_EQ(BatchResultLine(Cols, R, ','),
              // HoldCost:1, DemBound:1 (INF), DemBound:2, ProcCap:1, BSLevel:1 (7.5 -> 8), BSLevel:2 (6.5 -> 6),
              // PerTime:1, InvPol:1, TotalCostMean (13), TotalCostSD (11), FillRateMax:1 (13)
              "    2,5000         INF  12345,1250  2000000000          8          6          1         3  "
              "    123456,79         1,41         0,9100  ");
}

TEST(BatchResults, CsvHoldsTheHeadingsAndEveryResultAtFullPrecision)
{
    const TParamSet Set = Columns({{ParamHoldingCost, 1}, {ParamDemandBound, 2}, {ParamBaseStockLevel, 1}});
    const TReportOptions O = CheckedOptions({{MetricTotalCost, Mean}, {MetricTotalCost, SEM}, {MetricOrderQty, Mean},
                                             {MetricOrderQty, ByStage}, {MetricFillRate, Max}, {MetricFillRate, ByStage}},
                                            {0, 1});
    const std::vector<TResultColumn> Cols = ChooseResultColumns(Set, 2, O);
    TSettingResult R(2, Set.NumColumns());
    R.ParamValues = {0, 0.1 + 0.2, std::numeric_limits<double>::infinity(), 7};
    for (const double X : {1.0 / 3, 2.0 / 7}) {
        TTrialResult T;
        T.StageMeans.resize(3);
        T.OrderQtySD = {0, X * 5, X / 9};
        T.StageMeans[1][MetricFillRate] = 1 - X;
        T.StageMeans[2][MetricFillRate] = X;
        T.StageMeans[1][MetricOrderQty] = 10 * X;
        T.StageMeans[2][MetricOrderQty] = 11 * X;
        T.Costs.TotalCost = 1000 * X;
        T.PeriodTotalCosts = {X, 3 * X, 0.7};
        R.Fold(T);
    }
    const auto Stat = [&R](int S, int Metric) { return *R.TrialStats[static_cast<std::size_t>(S)].Get(Metric); };
    const std::pair<const char*, double> Expected[] = {
        {"HoldCost:1", 0.1 + 0.2},
        {"DemBound:2", std::numeric_limits<double>::infinity()},
        {"BSLevel:1", 7},
        {"TotalCostMean", Stat(0, MetricTotalCost).Avg()},
        {"TotalCostSEM", Stat(0, MetricTotalCost).Stdev()},
        {"TotalCostSD", R.PeriodCostAcc.Stdev()},
        {"OrderQtyMean:1", Stat(1, MetricOrderQty).Avg()},
        {"OrderQtyMean:2", Stat(2, MetricOrderQty).Avg()},
        {"OrderQtyMeanSD:1", R.OrderQtySDAcc[1].Avg()},
        {"OrderQtyMeanSD:2", R.OrderQtySDAcc[2].Avg()},
        {"FillRateMax:1", Stat(1, MetricFillRate).Max()},
        {"FillRateMax:2", Stat(2, MetricFillRate).Max()},
    };
    const std::optional<std::vector<std::vector<std::string>>> Csv =
        ParseCsv(BatchCsvHeader(Cols) + "\r\n" + BatchCsvRecord(Cols, R) + "\r\n");
    ASSERT_TRUE(Csv.has_value());
    ASSERT_EQ(Csv->size(), 2u);
    ASSERT_EQ((*Csv)[0].size(), std::size(Expected));
    ASSERT_EQ((*Csv)[1].size(), std::size(Expected));
    for (std::size_t I = 0; I < std::size(Expected); ++I) {
        EXPECT_EQ((*Csv)[0][I], Expected[I].first);
        const std::optional<double> Value = CsvReal((*Csv)[1][I]);
        ASSERT_TRUE(Value.has_value()) << (*Csv)[1][I];
        EXPECT_EQ(std::memcmp(&*Value, &Expected[I].second, sizeof(double)), 0)
            << Expected[I].first << ": " << (*Csv)[1][I];
    }
}
