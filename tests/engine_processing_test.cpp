// One stage's period steps: ordering with capacities and failures, raw-material withdrawal,
// costs, completion and shipping.
#include <gtest/gtest.h>

#include "engine/Simulation.h"
#include "support/EngineTestAccess.h"
#include "support/ModelBuilder.h"

namespace {

// N default stages with history for periods 0..20, as a run prepares them; no inventory.
struct TNetwork {
    std::vector<std::string> Warnings;  // what the period steps called here warn of
    TSimulation Sim;
    explicit TNetwork(int N)
    {
        TStageParams P;
        P.InvPolicy = PolicyNone;
        for (int I = 0; I < N; ++I) {
            AddStage(Sim, P);
        }
    }
    // Stage N itself: its period steps are called one by one.
    TStage& operator[](int N) { return TSimulationTestAccess::Stage(Sim, N); }
    void Link(int Supplier, int Customer) { ASSERT_EQ(Sim.Link(Supplier, Customer), TLinkResult::Linked); }
    // What a run does before its first period (the model keeps the groups current).
    void Prepare()
    {
        for (int N = 1; N <= Sim.NumStages(); ++N) {
            TStageTestAccess::CreateHistory((*this)[N], 20);
            TStageTestAccess::SetForceCST((*this)[N], Sim.ForceCST());
        }
    }
};

}  // namespace

TEST(EngineOrdering, OrdersBeyondEveryCapacityGoToTheFirstSupplier)
{
    TNetwork Net(3);
    Net.Sim.SetParam(2, ParamProductIndex, 2);
    Net.Sim.SetParam(3, ParamProductIndex, 2);
    Net.Sim.SetParam(2, ParamProductCost, 1);  // cheaper: first
    Net.Sim.SetParam(3, ParamProductCost, 2);
    Net.Sim.SetParam(2, ParamProcCapacity, 4);
    Net.Sim.SetParam(3, ParamProcCapacity, 3);
    Net.Link(2, 1);
    Net.Link(3, 1);
    Net.Prepare();
    Net.Sim.SetParam(1, ParamInvPolicy, PolicyBaseStock);
    Net.Sim.SetParam(1, ParamBaseStockLevel, 10);
    TStageTestAccess::RequestProcessing(Net[1], 1);
    EXPECT_EQ(Net[1].OrderQtyHist().At(1, 0, 0), 10);
    EXPECT_EQ(Net[1].OrderQtyHist().At(1, 1, 1), 4 + 3);
    EXPECT_EQ(Net[1].OrderQtyHist().At(1, 1, 2), 3);
    EXPECT_EQ(Net[2].DerivedDemandHist()[1], 7);
    EXPECT_EQ(Net[3].DerivedDemandHist()[1], 3);
    EXPECT_EQ(Net[2].Backorders(), 7);
    EXPECT_EQ(Net[1].OnOrder(), 10);
}

TEST(EngineOrdering, ExternalDemandAndEarlierCustomersUseCapacityFirst)
{
    TNetwork Net(4);
    Net.Sim.SetParam(3, ParamProductIndex, 3);
    Net.Sim.SetParam(4, ParamProductIndex, 3);
    Net.Sim.SetParam(4, ParamProductCost, 1);
    Net.Sim.SetParam(3, ParamProcCapacity, 5);  // cheaper, capacity 5; stage 4 unlimited
    Net.Link(3, 1);
    Net.Link(4, 1);
    Net.Link(3, 2);
    Net.Link(4, 2);
    Net.Prepare();
    TStageTestAccess::AddDemand(Net[3], 2, 0, 1);  // this period's external demand is already there
    for (int C = 1; C <= 2; ++C) {
        Net.Sim.SetParam(C, ParamInvPolicy, PolicyBaseStock);
        Net.Sim.SetParam(C, ParamBaseStockLevel, 2);
        TStageTestAccess::RequestProcessing(Net[C], 1);
    }
    EXPECT_EQ(Net[1].OrderQtyHist().At(1, 1, 1), 2);
    EXPECT_EQ(Net[1].OrderQtyHist().At(1, 1, 2), 0);
    EXPECT_EQ(Net[2].OrderQtyHist().At(1, 1, 1), 1);  // 2 + 2 taken: one unit of capacity left
    EXPECT_EQ(Net[2].OrderQtyHist().At(1, 1, 2), 1);
    EXPECT_EQ(Net[3].DerivedDemandHist()[1], 5);
}

TEST(EngineOrdering, UnlimitedCapacityIsNeverExhaustedAndFailedSuppliersAreSkipped)
{
    TNetwork Net(3);
    Net.Sim.SetParam(2, ParamProductIndex, 2);
    Net.Sim.SetParam(3, ParamProductIndex, 2);
    Net.Sim.SetParam(3, ParamProductCost, 1);
    Net.Link(2, 1);
    Net.Link(3, 1);
    Net.Prepare();
    TStageTestAccess::DerivedDemandHist(Net[2])[1] = 3000000000LL;  // more than the INF marker
    Net.Sim.SetParam(1, ParamInvPolicy, PolicyBaseStock);
    Net.Sim.SetParam(1, ParamBaseStockLevel, 6);
    TStageTestAccess::RequestProcessing(Net[1], 1);
    EXPECT_EQ(Net[1].OrderQtyHist().At(1, 1, 1), 6);
    // Period 2: the cheap supplier is down, the other one takes the order ...
    TStageTestAccess::FailedHist(Net[2])[2] = 1;
    TStageTestAccess::DemandList(Net[1]).Append(4, 0, 2);
    TStageTestAccess::RequestProcessing(Net[1], 2);
    EXPECT_EQ(Net[1].OrderQtyHist().At(2, 1, 1), 0);
    EXPECT_EQ(Net[1].OrderQtyHist().At(2, 1, 2), 4);
    // ... and when every supplier is down, the first one gets it all regardless.
    TStageTestAccess::FailedHist(Net[2])[3] = 1;
    TStageTestAccess::FailedHist(Net[3])[3] = 1;
    TStageTestAccess::DemandList(Net[1]).Append(5, 0, 3);
    TStageTestAccess::RequestProcessing(Net[1], 3);
    EXPECT_EQ(Net[1].OrderQtyHist().At(3, 1, 1), 5);
    EXPECT_EQ(Net[1].OrderQtyHist().At(3, 1, 2), 0);
}

TEST(EngineProduction, CostsAccumulateUnitByUnitInSupplierOrder)
{
    // Stage 1 draws product 2 from stages 2 (cheaper) and 3, and product 4 from stage 4.
    TNetwork Net(4);
    Net.Sim.SetParam(2, ParamProductIndex, 2);
    Net.Sim.SetParam(3, ParamProductIndex, 2);
    Net.Sim.SetParam(2, ParamProductCost, 0.1);
    Net.Sim.SetParam(2, ParamFixedCost, 0.7);
    Net.Sim.SetParam(3, ParamProductCost, 2.675);
    Net.Sim.SetParam(3, ParamFixedCost, 1.0 / 3.0);
    Net.Sim.SetParam(4, ParamProductCost, 0.3);
    Net.Sim.SetParam(4, ParamFixedCost, 0.01);
    Net.Link(2, 1);
    Net.Link(3, 1);
    Net.Link(4, 1);
    Net.Prepare();
    TStage& C = Net[1];
    Net.Sim.SetParam(1, ParamProcTime, 4);
    Net.Sim.SetParam(1, ParamInvPolicy, PolicyBaseStock);
    Net.Sim.SetParam(1, ParamBaseStockLevel, 7);
    TStageTestAccess::RequestProcessing(C, 1);  // 7 to stage 2, 7 to stage 4
    TStageTestAccess::AddToOutbox(Net[2], 4);
    TStageTestAccess::AddToOutbox(Net[3], 9);
    TStageTestAccess::AddToOutbox(Net[4], 100);
    // Re-route three of stage 2's orders to stage 3, as if stage 2 had limited capacity.
    TStageTestAccess::DemandList(Net[2]).Clear();
    TStageTestAccess::DemandList(Net[2]).Append(4, 1, 1);
    TStageTestAccess::DemandList(Net[3]).Append(3, 1, 1);
    TStageTestAccess::DoProcessing(C, 1, false, true, Net.Warnings);
    // Units 1-4 from stage 2, units 5-7 from stage 3; every unit also takes one of product 4.
    double Expected = 0;
    for (int Unit = 1; Unit <= 7; ++Unit) {
        Expected += Unit <= 4 ? 0.1 : 2.675;
        if (Unit == 1) {
            Expected += 0.7;
        }
        if (Unit == 5) {
            Expected += 1.0 / 3.0;
        }
        Expected += 0.3;
        if (Unit == 1) {
            Expected += 0.01;
        }
    }
    EXPECT_EQ(C.Stats().Get(MetricOrderCost)->Last(), Expected);
    EXPECT_EQ(C.InProcess(), 7);
    EXPECT_EQ(Net[2].InvLevel(), 0);
    EXPECT_EQ(Net[3].InvLevel(), 6);
    EXPECT_EQ(Net[4].InvLevel(), 93);
    EXPECT_EQ(Net[2].Stats().Get(MetricFillRate)->Count(), 4);
    EXPECT_TRUE(Net.Warnings.empty());
}

TEST(EngineProduction, TheScarcestRawMaterialAndCapacityLimitStarts)
{
    TNetwork Net(3);
    Net.Link(2, 1);
    Net.Link(3, 1);
    Net.Prepare();
    TStage& C = Net[1];
    Net.Sim.SetParam(1, ParamProcTime, 4);
    TStageTestAccess::Pipeline(C).Append(10, 1);
    TStageTestAccess::AddDemand(Net[2], 10, 1, 1);
    TStageTestAccess::AddDemand(Net[3], 10, 1, 1);
    TStageTestAccess::AddToOutbox(Net[2], 6);
    TStageTestAccess::AddToOutbox(Net[3], 2);
    TStageTestAccess::DoProcessing(C, 1, false, false, Net.Warnings);
    EXPECT_EQ(C.InProcess(), 2);
    EXPECT_EQ(Net[2].InvLevel(), 4);
    Net.Sim.SetParam(1, ParamProcCapacity, 1);
    TStageTestAccess::AddToOutbox(Net[3], 10);
    TStageTestAccess::DoProcessing(C, 2, false, false, Net.Warnings);
    EXPECT_EQ(C.InProcess(), 3);
    Net.Sim.SetParam(1, ParamProcCapacity, 0);
    TStageTestAccess::DoProcessing(C, 3, false, false, Net.Warnings);
    EXPECT_EQ(C.InProcess(), 3);
}

TEST(EngineProduction, ZeroProcessingTimeWithoutSuppliersShipsInTheSamePeriod)
{
    TNetwork Net(1);
    Net.Prepare();
    TStage& S = Net[1];
    Net.Sim.SetParam(1, ParamInvPolicy, PolicyBaseStock);
    TStageTestAccess::AddDemand(S, 4, 0, 1);
    TStageTestAccess::RequestProcessing(S, 1);
    TStageTestAccess::DoProcessing(S, 1, false, true, Net.Warnings);
    EXPECT_EQ(S.InvLevel(), 0);
    EXPECT_EQ(S.Backorders(), 0);
    EXPECT_EQ(S.Stats().Histogram().Freq(0), 4);
    EXPECT_EQ(S.Stats().Get(MetricFillRate)->Avg(), 1.0);
    // Counted as served from stock, yet the orders were waiting when shipping began.
    EXPECT_EQ(S.Stats().Get(MetricType1SL)->Last(), 1.0);
}

TEST(EngineProduction, ShippingStopsAtTheFirstCustomerOrder)
{
    TNetwork Net(1);
    Net.Prepare();
    TStage& S = Net[1];
    TStageTestAccess::AddDemand(S, 2, 0, 1);
    TStageTestAccess::AddDemand(S, 3, 7, 1);
    TStageTestAccess::AddDemand(S, 4, 0, 1);
    TStageTestAccess::AddToOutbox(S, 10);
    TStageTestAccess::DoProcessing(S, 1, false, true, Net.Warnings);
    EXPECT_EQ(S.InvLevel(), 8);
    EXPECT_EQ(S.Backorders(), 7);
    EXPECT_EQ(S.Stats().Get(MetricType1SL)->Last(), 1.0);
}

TEST(EngineProduction, StockoutCostPerPeriodLateOrOncePerOrder)
{
    TNetwork Net(1);
    Net.Prepare();
    TStage& S = Net[1];
    Net.Sim.SetParam(1, ParamStockoutCost, 0.1);
    Net.Sim.SetParam(1, ParamCommittedServiceTime, 1);
    TStageTestAccess::AddDemand(S, 3, 0, 2);  // late by 4 - 2 - 1 = 1 in period 4
    TStageTestAccess::AddDemand(S, 2, 0, 1);  // appended later, still behind: late by 2 ... but shipped second
    TStageTestAccess::AddToOutbox(S, 5);
    TStageTestAccess::DoProcessing(S, 4, false, true, Net.Warnings);
    double Expected = 0;
    for (int I = 0; I < 3; ++I) {
        Expected += 0.1 * 1;
    }
    for (int I = 0; I < 2; ++I) {
        Expected += 0.1 * 2;
    }
    EXPECT_EQ(S.Stats().Get(MetricStockoutCost)->Last(), Expected);
    EXPECT_EQ(S.Stats().Get(MetricWithinCST)->Sum(), 0.0);
    Net.Sim.SetParam(1, ParamStockoutPerUnitTime, false);
    TStageTestAccess::AddDemand(S, 4, 0, 5);
    TStageTestAccess::AddToOutbox(S, 4);
    TStageTestAccess::DoProcessing(S, 9, false, true, Net.Warnings);
    EXPECT_EQ(S.Stats().Get(MetricStockoutCost)->Last(), 0.1 + 0.1 + 0.1 + 0.1);
    TStageTestAccess::AddDemand(S, 1, 0, 9);
    TStageTestAccess::AddToOutbox(S, 1);
    TStageTestAccess::DoProcessing(S, 10, false, true, Net.Warnings);  // on time: no cost
    EXPECT_EQ(S.Stats().Get(MetricStockoutCost)->Last(), 0.0);
}

TEST(EngineProduction, AFailedStageStartsButCompletesAndShipsNothing)
{
    TNetwork Net(1);
    Net.Prepare();
    TStage& S = Net[1];
    Net.Sim.SetParam(1, ParamProcTime, 1);
    TStageTestAccess::Pipeline(S).Append(3, 1);
    TStageTestAccess::AddDemand(S, 3, 0, 1);
    TStageTestAccess::AddToOutbox(S, 1);
    TStageTestAccess::FailedHist(S)[1] = 1;
    TStageTestAccess::DoProcessing(S, 1, true, true, Net.Warnings);
    EXPECT_EQ(S.InProcess(), 3);  // started all the same
    EXPECT_EQ(S.InvLevel(), 1);   // shipped nothing
    TStageTestAccess::DoProcessing(S, 2, false, true, Net.Warnings);
    EXPECT_EQ(S.OnOrder(), 3);  // would have completed in 2 without the failure
    TStageTestAccess::DoProcessing(S, 3, false, true, Net.Warnings);
    EXPECT_EQ(S.OnOrder(), 0);
    EXPECT_EQ(S.InvLevel(), 1);
    EXPECT_EQ(S.Backorders(), 0);
}

TEST(EngineProduction, MissingRawMaterialIsReportedAndStopsFurtherStarts)
{
    // A supplier listed twice (a model file can say so) is counted twice as available.
    TNetwork Net(2);
    TStage& C = Net[1];
    TStage& S = Net[2];
    ASSERT_TRUE(Net.Sim.RestoreLinkList(1, true, {2, 2}));
    ASSERT_TRUE(Net.Sim.RestoreLinkList(2, false, {1}));
    Net.Sim.SetParam(1, ParamProcTime, 1);
    Net.Prepare();
    ASSERT_EQ(C.RawMatNumSuppliers(1), 2);
    TStageTestAccess::Pipeline(C).Append(5, 3);
    TStageTestAccess::AddDemand(S, 5, 1, 3);
    TStageTestAccess::AddToOutbox(S, 2);
    TStageTestAccess::DoProcessing(C, 3, false, false, Net.Warnings);
    ASSERT_EQ(Net.Warnings.size(), 1u);
    EXPECT_EQ(Net.Warnings[0],
              "No raw material 2 found for stage 1 in period 3 even though passed raw material availability test.");
    EXPECT_EQ(C.InProcess(), 3);  // two with material, the failing one, then no more
    EXPECT_EQ(S.InvLevel(), 0);
}
