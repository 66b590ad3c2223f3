#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Simulation.h"
#include "reports/HistoryReport.h"
#include "support/EngineTestAccess.h"
#include "support/ModelBuilder.h"

namespace {

const std::string Stamp = "12/07/2026 10:00:00";

// The lines after the date line and the two empty lines that open both texts.
std::vector<std::string> Body(const std::vector<std::string>& Lines)
{
    EXPECT_GE(Lines.size(), 3u);
    if (Lines.size() < 3) {
        return {};
    }
    EXPECT_EQ(Lines[0], Stamp);
    EXPECT_EQ(Lines[1], "");
    EXPECT_EQ(Lines[2], "");
    return std::vector<std::string>(Lines.begin() + 3, Lines.end());
}

// Fills every history array of S for periods 0..Periods with zeros and no supplier groups.
void CreateEmptyHistory(TStage& S, int32_t Periods, bool WithDemand)
{
    const std::size_t Size = static_cast<std::size_t>(Periods) + 1;
    TStageTestAccess::TotalCostHist(S).assign(Size, 0.0);
    if (WithDemand) {
        TStageTestAccess::DemandHist(S).assign(Size, 0);
    } else {
        TStageTestAccess::DemandHist(S).clear();
    }
    TStageTestAccess::DerivedDemandHist(S).assign(Size, 0);
    TStageTestAccess::NetInvHist(S).assign(Size, 0);
    TStageTestAccess::OnOrderHist(S).assign(Size, 0);
    TStageTestAccess::InProcessHist(S).assign(Size, 0);
    TStageTestAccess::FailedHist(S).assign(Size, 0);
    TStageTestAccess::OrderQtyHist(S).Reshape(Periods, {0}, {{}}, Periods + 1);
}

// A small network run for real: stage 1 with external demand, supplied by stages 2 and 3.
void BuildRunModel(TSimulation& Model)
{
    TStageParams Retailer;
    Retailer.DemandMean = 10;
    Retailer.DemandSD = 3;
    Retailer.BaseStockLevel = 25;
    Retailer.HoldingCost = 1;
    Retailer.StockoutCost = 4;
    TStageParams Supplier;
    Supplier.ProcTime = 1;
    Supplier.BaseStockLevel = 30;
    Supplier.ProductCost = 1;
    AddStage(Model, Retailer);
    AddStage(Model, Supplier);
    AddStage(Model, Supplier);
    Model.Link(2, 1);
    Model.Link(3, 1);
}

}  // namespace

TEST(ReportsHistory, OneStageTwoPeriodsAfterOneWarmUpPeriod)
{
    TSimulation Model;
    TStage& S = TSimulationTestAccess::Stage(Model, Model.AddStage());
    CreateEmptyHistory(S, 2, true);
    TSimulationTestAccess::SetRunState(Model, 2, 1);
    TStageTestAccess::TotalCostHist(S) = {0, 99.0, 12.5};  // the warm-up entry is never shown
    TStageTestAccess::DemandHist(S) = {0, 5, 7};
    TStageTestAccess::DerivedDemandHist(S) = {0, 0, 0};
    TStageTestAccess::NetInvHist(S) = {0, 3, -2};
    TStageTestAccess::OrderQtyHist(S).At(1, 0, 0) = 5;
    TStageTestAccess::OrderQtyHist(S).At(2, 0, 0) = 7;
    TStageTestAccess::OnOrderHist(S) = {0, 5, 7};
    TStageTestAccess::InProcessHist(S) = {0, 0, 2};
    TStageTestAccess::FailedHist(S) = {0, 0, 1};

    const std::vector<std::string> Expected{
        "          TotalCost  Demand   DerivDem  InvLevel  OrderQty  OnOrder   InPrcess   Failed   ",
        "          --------  --------  --------  --------  --------  --------  --------  --------  ",
        "  Period         1         1         1         1         1         1         1         1  ",
        "========================================================================================",
        "       1       ---         5         0         3         5         5         0         0  ",
        "       2     12.50         7         0        -2         7         7         2         1  ",
    };
    EXPECT_EQ(Body(BuildHistoryText(Model, Stamp, '.')), Expected);
}

TEST(ReportsOrderHistory, StageWithTwoRawMaterialsAndTwoStagesWithout)
{
    TSimulation Model;
    for (int I = 0; I < 3; ++I) {
        Model.AddStage();
    }
    TSimulationTestAccess::SetRunState(Model, 1, 1);
    TStage& S1 = TSimulationTestAccess::Stage(Model, 1);
    CreateEmptyHistory(S1, 1, false);
    TStageTestAccess::OrderQtyHist(S1).Reshape(1, {0, 2, 3}, {{}, {0, 2}, {0, 3}}, 1 + 1);
    TStageTestAccess::OrderQtyHist(S1).At(1, 0, 0) = 10;
    TStageTestAccess::OrderQtyHist(S1).At(1, 1, 1) = 10;
    TStageTestAccess::OrderQtyHist(S1).At(1, 2, 1) = 10;
    TStage& S2 = TSimulationTestAccess::Stage(Model, 2);
    CreateEmptyHistory(S2, 1, false);
    TStageTestAccess::OrderQtyHist(S2).At(1, 0, 0) = 4;
    CreateEmptyHistory(TSimulationTestAccess::Stage(Model, 3), 1, false);

    const std::vector<std::string> Expected{
        "                 St_1            St_2    St_3   ",
        "        ----------------------  ------  ------  ",
        "         Self    RM_2    RM_3    Self    Self   ",
        "        ------  ------  ------  ------  ------  ",
        "Period       1       2       3       2       3  ",
        "==============================================",
        "     1      10      10      10       4       0  ",
    };
    EXPECT_EQ(Body(BuildOrderHistoryText(Model, Stamp)), Expected);
}

TEST(ReportsHistory, WarmUpCostsAreDashesAndTheFirstRecordedPeriodShowsItsCost)
{
    TSimulation Model;
    for (int I = 0; I < 2; ++I) {
        CreateEmptyHistory(TSimulationTestAccess::Stage(Model, Model.AddStage()), 5, false);
    }
    TSimulationTestAccess::SetRunState(Model, 5, 3);
    TStageTestAccess::TotalCostHist(TSimulationTestAccess::Stage(Model, 1)) = {0, 1, 2, 3, 4.125, 1234567.5};
    TStageTestAccess::TotalCostHist(TSimulationTestAccess::Stage(Model, 2)) = {0, 0, 0, 0, 0.5, 0};
    const std::vector<std::string> Lines = BuildHistoryText(Model, Stamp, ',');
    ASSERT_EQ(Lines.size(), 3u + 4u + 5u);
    for (int P = 1; P <= 3; ++P) {
        EXPECT_EQ(Lines[static_cast<std::size_t>(6 + P)].substr(0, 30), FormatIntWidth(P, 8) + "       ---       ---  ")
            << "period " << P;
    }
    // The cost of the first recorded period, rounded half away from zero, with the separator given;
    // a value longer than its cell widens it without cutting.
    EXPECT_EQ(Lines[10].substr(0, 30), "       4      4,13      0,50  ");
    EXPECT_EQ(Lines[11].substr(0, 32), "       5  1234567,50      0,00  ");
    EXPECT_EQ(Lines[11].size(), 80u * 2 + 10 + 2);
}

TEST(ReportsOrderHistory, LinkAddedAfterTheRunDoesNotChangeEitherText)
{
    TSimulation Model;
    BuildRunModel(Model);
    AddStage(Model, {.ProductIndex = 2});  // a second source of stage 1's product 2
    Model.RunSimulation(8, 2, 99);
    const std::vector<std::string> Orders = BuildOrderHistoryText(Model, Stamp);
    const std::vector<std::string> History = BuildHistoryText(Model, Stamp, '.');

    ASSERT_EQ(Model.Link(4, 1), TLinkResult::Linked);
    ASSERT_EQ(Model.Link(4, 2), TLinkResult::Linked);
    ASSERT_EQ(Model.Stage(1).RawMatNumSuppliers(1), 2);
    EXPECT_EQ(BuildOrderHistoryText(Model, Stamp), Orders);
    EXPECT_EQ(BuildHistoryText(Model, Stamp, '.'), History);
}

TEST(ReportsOrderHistory, StageAddedAfterTheRunReadsAsZeros)
{
    TSimulation Model;
    BuildRunModel(Model);
    Model.RunSimulation(5, 1, 5);
    AddStage(Model, {.DemandMean = 3});  // no history at all

    const std::vector<std::string> Orders = BuildOrderHistoryText(Model, Stamp);
    ASSERT_EQ(Orders.size(), 3u + 6u + 5u);
    EXPECT_EQ(Orders[3].substr(Orders[3].size() - 8), " St_4   ");
    EXPECT_EQ(Orders[7].substr(Orders[7].size() - 8), "     4  ");
    for (std::size_t I = 9; I < Orders.size(); ++I) {
        EXPECT_EQ(Orders[I].substr(Orders[I].size() - 8), "     0  ");
    }
    const std::vector<std::string> History = BuildHistoryText(Model, Stamp, '.');
    ASSERT_EQ(History.size(), 3u + 4u + 5u);
    for (std::size_t I = 7; I < History.size(); ++I) {
        ASSERT_EQ(History[I].size(), 80u * 4 + 10);
        EXPECT_EQ(History[I].substr(10 + 40 * 1 + 30, 10), "       0  ");  // stage 4's demand
    }
}

TEST(ReportsHistory, ModelThatHasNotRunGivesTheHeadingsOnly)
{
    TSimulation Model;
    Model.AddStage();
    Model.AddStage();
    Model.Link(2, 1);
    const std::vector<std::string> History = BuildHistoryText(Model, Stamp, '.');
    ASSERT_EQ(History.size(), 7u);
    EXPECT_EQ(History[6], std::string(168, '='));
    // Without a run there is no recorded layout, so stage 1 shows its "Self" column only.
    const std::vector<std::string> Orders = BuildOrderHistoryText(Model, Stamp);
    ASSERT_EQ(Orders.size(), 9u);
    EXPECT_EQ(Orders[7], "Period       1       2  ");
}
