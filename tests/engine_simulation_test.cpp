// Whole runs: the run driver's order of steps, warm-up, reset, and cost totals checked against
// values worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "engine/Random.h"
#include "engine/Simulation.h"
#include "support/ModelBuilder.h"

namespace {

struct TModel {
    TSimulation Sim;
    // Appends a stage with parameters P; returns it.
    const TStage& Add(const TStageParams& P = {}) { return Sim.Stage(AddStage(Sim, P)); }
    const TStage& operator[](int N) const { return Sim.Stage(N); }
};

// One stage, no suppliers, processing time 2, base stock 8, demand exactly 5 per period
// (SD 0), holding 1, WIP holding 0.5, stockout 4 per unit and period late, CST 0.
//
// Worked by hand:
//   period 1: 8 on hand, 5 demanded, IP 3 -> order 5, started at once; ship 5. End: 3 on hand,
//             5 in process.
//   period 2: 5 demanded, IP 3 + 5 - 5 = 3 -> order 5, started; nothing completes; ship 3 of 5.
//             End: 0 on hand, 2 backorders, 10 in process.
//   period 3 on: the units of two periods ago complete (5), 2 late orders of the previous period
//             ship one period late, then 3 of the new 5. End: 0 on hand, 2 backorders, 10 in
//             process, 10 on order, every period the same.
// So from period 3 on: holding 0, WIP 10 * 0.5 = 5, stockout 2 * 4 * 1 = 8, order cost 0.
void BuildSingleStage(TModel& M)
{
    TStageParams P;
    P.ProcTime = 2;
    P.BaseStockLevel = 8;
    P.DemandMean = 5;
    P.HoldingCost = 1;
    P.WIPHoldingCost = 0.5;
    P.StockoutCost = 4;
    M.Add(P);
}

bool SameBits(double A, double B)
{
    return std::memcmp(&A, &B, sizeof A) == 0;
}

}  // namespace

TEST(EngineRun, SingleStageSteadyStateWorkedByHand)
{
    TModel M;
    BuildSingleStage(M);
    const TCostTotals Costs = M.Sim.RunSimulation(300, 2, 9);
    EXPECT_EQ(Costs.OrderCost, 0.0);
    EXPECT_EQ(Costs.HoldingCost, 0.0);
    EXPECT_EQ(Costs.WIPHoldingCost, 5.0);
    EXPECT_EQ(Costs.StockoutCost, 8.0);
    EXPECT_EQ(Costs.TotalCost, 13.0);
    const TStats& St = M[1].Stats();
    EXPECT_EQ(St.Get(MetricInvLevel)->Avg(), 0.0);
    EXPECT_EQ(St.Get(MetricBackorders)->Avg(), 2.0);
    EXPECT_EQ(St.Get(MetricOnOrder)->Avg(), 10.0);
    EXPECT_EQ(St.Get(MetricInProcess)->Avg(), 10.0);
    EXPECT_EQ(St.Get(MetricOrderQty)->Stdev(), 0.0);
    EXPECT_EQ(St.Get(MetricDemand)->Count(), 298);
    EXPECT_EQ(St.Get(MetricType1SL)->Sum(), 0.0);
    // Per period 5 orders filled: 3 at once, 2 one period late.
    EXPECT_EQ(St.Get(MetricFillRate)->Count(), 298 * 5);
    EXPECT_DOUBLE_EQ(St.Get(MetricFillRate)->Avg(), 0.6);
    EXPECT_EQ(St.Histogram().Freq(0), 298 * 3);
    EXPECT_EQ(St.Histogram().Freq(1), 298 * 2);
    EXPECT_EQ(St.Histogram().Used(), 2);
    EXPECT_EQ(M[1].NetInvHist()[1], 3);
    EXPECT_EQ(M[1].NetInvHist()[2], -2);
    EXPECT_EQ(M[1].InProcessHist()[1], 5);
    EXPECT_EQ(M[1].TotalCostHist()[2], 0.0);  // warm-up
    EXPECT_EQ(M[1].TotalCostHist()[3], 13.0);
}

TEST(EngineRun, WarmUpBoundaryAndCommittedServiceTime)
{
    // Warm-up 1 records period 2 too: no late order yet, three shipments all from stock.
    TModel M;
    BuildSingleStage(M);
    const TCostTotals Costs = M.Sim.RunSimulation(101, 1, 9);
    EXPECT_DOUBLE_EQ(Costs.StockoutCost, 8.0 * 99 / 100);
    EXPECT_EQ(M[1].Stats().Get(MetricFillRate)->Count(), 3 + 99 * 5);
    EXPECT_EQ(M[1].Stats().Get(MetricWithinCST)->Sum(), 3 + 99 * 3);
    // With a committed service time of 1 the same late orders are on time.
    TModel N;
    BuildSingleStage(N);
    N.Sim.SetParam(1, ParamCommittedServiceTime, 1);
    EXPECT_EQ(N.Sim.RunSimulation(101, 1, 9).StockoutCost, 0.0);
    EXPECT_EQ(N[1].Stats().Get(MetricWithinCST)->Avg(), 1.0);
}

TEST(EngineRun, TwoStageChainChargesProductAndFixedCostToTheCustomer)
{
    // Stage 2 (processing 1, base stock 12) supplies stage 1 (processing 1, base stock 10,
    // demand 5). Worked by hand: from period 1 on, every period stage 1 orders 5 and takes 5
    // from stage 2's stock (product cost 2 each plus fixed cost 3 once: 13), keeps 5 on hand and
    // 5 in process; stage 2 keeps 7 on hand and 5 in process, and ships nothing outside.
    TModel M;
    TStageParams ShopParams;
    ShopParams.ProcTime = 1;
    ShopParams.BaseStockLevel = 10;
    ShopParams.DemandMean = 5;
    ShopParams.HoldingCost = 1;
    ShopParams.WIPHoldingCost = 0.5;
    TStageParams PlantParams;
    PlantParams.ProcTime = 1;
    PlantParams.BaseStockLevel = 12;
    PlantParams.ProductCost = 2;
    PlantParams.FixedCost = 3;
    PlantParams.HoldingCost = 0.5;
    PlantParams.WIPHoldingCost = 0.25;
    const TStage& Shop = M.Add(ShopParams);
    const TStage& Plant = M.Add(PlantParams);
    ASSERT_EQ(M.Sim.Link(2, 1), TLinkResult::Linked);
    const TCostTotals Costs = M.Sim.RunSimulation(200, 10, 4);
    EXPECT_EQ(Costs.OrderCost, 13.0);
    EXPECT_EQ(Costs.HoldingCost, 5 * 1.0 + 7 * 0.5);
    EXPECT_EQ(Costs.WIPHoldingCost, 5 * 0.5 + 5 * 0.25);
    EXPECT_EQ(Costs.StockoutCost, 0.0);
    EXPECT_EQ(Costs.TotalCost, 13 + 8.5 + 3.75);
    EXPECT_EQ(Plant.Stats().Get(MetricOrderCost)->Sum(), 0.0);  // charged to the customer
    EXPECT_EQ(Plant.Stats().Get(MetricDerivedDemand)->Avg(), 5.0);
    EXPECT_FALSE(Plant.HasDemandHist());
    EXPECT_EQ(Plant.Stats().Get(MetricFillRate)->Avg(), 1.0);  // the customer's units, at once
    EXPECT_EQ(Shop.OrderQtyHist().At(50, 1, 1), 5);
    EXPECT_EQ(Shop.OrderQtyHist().At(50, 0, 0), 5);
}

TEST(EngineRun, WarmUpCoveringTheRunRecordsNothing)
{
    TModel M;
    BuildSingleStage(M);
    const TCostTotals Costs = M.Sim.RunSimulation(50, 50, 9);
    EXPECT_EQ(Costs.TotalCost, 0.0);
    EXPECT_EQ(Costs.StockoutCost, 0.0);
    for (int I = 0; I < NumMetrics; ++I) {
        EXPECT_EQ(M[1].Stats().Get(I)->Count(), 0) << MetricNames[static_cast<std::size_t>(I)];
    }
    EXPECT_EQ(M[1].Stats().Histogram().Total(), 0);
    for (int T = 1; T <= 50; ++T) {
        EXPECT_EQ(M[1].TotalCostHist()[static_cast<std::size_t>(T)], 0.0);
    }
    EXPECT_EQ(M[1].NetInvHist()[50], -2);  // the other histories are filled
    EXPECT_EQ(M.Sim.Period(), 50);
}

TEST(EngineRun, TotalCostIsTheSumOfThePeriodsCostsInOrder)
{
    TModel M;
    TStageParams P;
    P.DemandMean = 7;
    P.DemandSD = 3;
    P.BaseStockLevel = 12;
    P.ProcTime = 1;
    P.HoldingCost = 0.1;
    P.WIPHoldingCost = 0.7;
    P.StockoutCost = 1.0 / 3.0;
    P.FailureProb = 0.1;
    P.RecoveryProb = 0.4;
    const TStage& S = M.Add(P);
    M.Sim.RunSimulation(400, 20, 77);
    double Sum = 0;
    for (int T = 21; T <= 400; ++T) {
        Sum += S.TotalCostHist()[static_cast<std::size_t>(T)];
    }
    EXPECT_TRUE(SameBits(Sum, S.Stats().Get(MetricTotalCost)->Sum()));
    EXPECT_EQ(S.Stats().Get(MetricTotalCost)->Count(), 380);
    EXPECT_GT(S.Stats().Get(MetricStockoutCost)->Sum(), 0.0);
}

TEST(EngineRun, SameSeedAfterResetRepeatsTheRunExactly)
{
    auto Build = [](TModel& M) {
        TStageParams A;
        TStageParams B;
        TStageParams C;
        A.DemandMean = 9.3;
        A.DemandSD = 2.2;
        A.DemandBound = 1.5;
        A.InvPolicy = PolicyRQ;
        A.RQReorderPoint = 20;
        A.RQOrderQty = 15;
        A.ProcTime = 1;
        A.HoldingCost = 0.3;
        A.StockoutCost = 2.675;
        B.InvPolicy = PolicySS;
        B.SSReorderPoint = 15;
        B.SSOrderUpTo = 45;
        B.ProcTime = 2;
        B.ProductCost = 0.1;
        B.FixedCost = 0.7;
        B.FailureProb = 0.05;
        B.RecoveryProb = 0.3;
        C.InvPolicy = PolicyBaseStock;
        C.BaseStockLevel = 40;
        C.ProcCapacity = 12;
        C.DemandMean = 1.5;
        C.DemandSD = 1;
        for (const TStageParams& P : {A, B, C}) {
            M.Add(P);
        }
        M.Sim.Link(2, 1);
        M.Sim.Link(3, 2);
    };
    TModel M;
    Build(M);
    const TCostTotals First = M.Sim.RunSimulation(500, 50, 2024);
    std::vector<int64_t> NetInv = M[1].NetInvHist();
    const double Stdev = M[2].Stats().Get(MetricInvLevel)->Stdev();
    M.Sim.Reset();
    EXPECT_EQ(M.Sim.Period(), 0);
    EXPECT_EQ(M[1].InvLevel(), 0);
    EXPECT_EQ(M[1].Stats().Get(MetricTotalCost)->Count(), 0);
    EXPECT_TRUE(M[1].NetInvHist().empty());
    M.Sim.SetRandSeed(99);  // whatever happened in between
    const TCostTotals Second = M.Sim.RunSimulation(500, 50, 2024);
    EXPECT_TRUE(SameBits(First.TotalCost, Second.TotalCost));
    EXPECT_TRUE(SameBits(First.OrderCost, Second.OrderCost));
    EXPECT_EQ(NetInv, M[1].NetInvHist());
    EXPECT_TRUE(SameBits(Stdev, M[2].Stats().Get(MetricInvLevel)->Stdev()));
    // A fresh model with the same seed agrees too, and another seed does not.
    TModel Other;
    Build(Other);
    EXPECT_TRUE(SameBits(Other.Sim.RunSimulation(500, 50, 2024).TotalCost, First.TotalCost));
    TModel Third;
    Build(Third);
    EXPECT_NE(Third.Sim.RunSimulation(500, 50, 2025).TotalCost, First.TotalCost);
}

namespace {

// Four stages: stage 1 with bounded demand buys product 3 from stages 2 and 3 (the cheaper one
// capacitated), and stage 3 buys from stage 4; sources fail now and then.
void BuildFourStages(TModel& M)
{
    for (int I = 0; I < 4; ++I) {
        TStageParams P;
        P.ProcTime = 1 + I % 2;
        P.BaseStockLevel = 30 + 10 * I;
        P.HoldingCost = 1;
        P.ProductCost = 1.1 + 0.3 * I;
        P.FixedCost = 2;
        P.FailureProb = I == 0 ? 0 : 0.05;
        P.RecoveryProb = 0.4;
        M.Add(P);
    }
    EditStage(M.Sim, 1, [](TStageParams& P) {
        P.DemandMean = 12;
        P.DemandSD = 4;
        P.DemandBound = 1.5;
        P.StockoutCost = 3;
    });
    M.Sim.SetParam(2, ParamProductIndex, 3);
    M.Sim.SetParam(3, ParamProcCapacity, 9);
    M.Sim.Link(2, 1);
    M.Sim.Link(3, 1);
    M.Sim.Link(4, 3);
}

// Every history entry, statistic and cost total of the two models' runs agree to the bit.
void ExpectSameRun(const TSimulation& A, const TSimulation& B)
{
    ASSERT_EQ(A.Period(), B.Period());
    for (int N = 1; N <= A.NumStages(); ++N) {
        const TStage& X = A.Stage(N);
        const TStage& Y = B.Stage(N);
        EXPECT_EQ(X.TotalCostHist(), Y.TotalCostHist()) << "stage " << N;
        EXPECT_EQ(X.DemandHist(), Y.DemandHist()) << "stage " << N;
        EXPECT_EQ(X.DerivedDemandHist(), Y.DerivedDemandHist()) << "stage " << N;
        EXPECT_EQ(X.NetInvHist(), Y.NetInvHist()) << "stage " << N;
        EXPECT_EQ(X.OnOrderHist(), Y.OnOrderHist()) << "stage " << N;
        EXPECT_EQ(X.InProcessHist(), Y.InProcessHist()) << "stage " << N;
        EXPECT_EQ(X.FailedHist(), Y.FailedHist()) << "stage " << N;
        const TOrderQtyHistory& OX = X.OrderQtyHist();
        const TOrderQtyHistory& OY = Y.OrderQtyHist();
        ASSERT_EQ(OX.Periods(), OY.Periods());
        ASSERT_EQ(OX.NumGroups(), OY.NumGroups());
        for (int32_t T = 0; T <= OX.Periods(); ++T) {
            for (int G = 0; G <= OX.NumGroups(); ++G) {
                for (int K = 0; K <= std::max(OX.NumSuppliers(G), OY.NumSuppliers(G)); ++K) {
                    ASSERT_EQ(OX.Holds(T, G, K), OY.Holds(T, G, K));
                    if (OX.Holds(T, G, K)) {
                        EXPECT_EQ(OX.At(T, G, K), OY.At(T, G, K)) << "stage " << N << " period " << T;
                    }
                }
            }
        }
        for (int I = 0; I < NumMetrics; ++I) {
            EXPECT_EQ(X.Stats().Get(I)->Count(), Y.Stats().Get(I)->Count());
            EXPECT_TRUE(SameBits(X.Stats().Get(I)->Sum(), Y.Stats().Get(I)->Sum())) << "metric " << I;
            EXPECT_TRUE(SameBits(X.Stats().Get(I)->SumSq(), Y.Stats().Get(I)->SumSq())) << "metric " << I;
        }
    }
    EXPECT_TRUE(SameBits(A.CostTotals().TotalCost, B.CostTotals().TotalCost));
}

}  // namespace

TEST(EngineRun, RunsOnTheStorageOfEarlierRunsEqualAFreshModelsRuns)
{
    // A longer run leaves its history, window bounds, order history and remembered order costs
    // behind; then the demand, a supplier's cost and the links change, and the model runs
    // shorter, then on without a reset.
    TModel Used;
    BuildFourStages(Used);
    Used.Sim.RunSimulation(400, 20, 5);
    Used.Sim.Reset();
    TModel Fresh;
    BuildFourStages(Fresh);
    for (TModel* M : {&Used, &Fresh}) {
        M->Sim.SetParam(1, ParamDemandMean, 15);
        M->Sim.SetParam(2, ParamFixedCost, 0.7);
        M->Sim.Link(4, 2);  // a group and an order history column more
        M->Sim.RunSimulation(150, 30, 9);
    }
    ExpectSameRun(Used.Sim, Fresh.Sim);
    for (TModel* M : {&Used, &Fresh}) {
        M->Sim.RunSimulation(80, 30, -1);
    }
    ExpectSameRun(Used.Sim, Fresh.Sim);
    EXPECT_EQ(Used[1].NetInvHist()[150], 0);  // the periods of the run before read as zeros
}

TEST(EngineRun, StageOrderDecidesWhoOrdersFirstFromASharedSupplier)
{
    // Stages 1 and 2 both order 6 per period from stage 3, which can start only 6 a period.
    TModel M;
    TStageParams Customer;
    Customer.ProcTime = 1;
    Customer.DemandMean = 6;
    Customer.BaseStockLevel = 6;
    TStageParams Supplier;
    Supplier.ProcTime = 1;
    Supplier.ProcCapacity = 6;
    Supplier.BaseStockLevel = 12;
    M.Add(Customer);
    M.Add(Customer);
    M.Add(Supplier);
    M.Sim.Link(3, 1);
    M.Sim.Link(3, 2);
    M.Sim.RunSimulation(100, 10, 1);
    // Stage 1's orders come first in stage 3's queue and are served first: stage 2 starves.
    EXPECT_LT(M[1].Stats().Get(MetricBackorders)->Avg(), M[2].Stats().Get(MetricBackorders)->Avg());
    EXPECT_EQ(M[3].DerivedDemandHist()[50], 12);
}

TEST(EngineModel, StagesLimitsResetAndClear)
{
    TModel M;
    for (int I = 1; I <= MaxStages; ++I) {
        ASSERT_EQ(M.Sim.AddStage(), I);
        EXPECT_EQ(M[I].StageNum, I);
        EXPECT_EQ(M[I].Params().ProductIndex, I);
    }
    EXPECT_EQ(M.Sim.AddStage(), 0);
    EXPECT_EQ(M.Sim.NumStages(), 25);
    M.Sim.SetParam(25, ParamProcCapacity, 5);
    M.Sim.Link(25, 1);
    M.Sim.RunSimulation(10, 1, 1);
    M.Sim.Reset();
    EXPECT_EQ(M[25].Params().ProcCapacity, 5);  // parameters and links stay
    EXPECT_EQ(M[1].NumSuppliers(), 1);
    M.Sim.ClearModel();
    EXPECT_EQ(M.Sim.NumStages(), 0);
    EXPECT_EQ(M.Sim.Period(), 0);
    EXPECT_EQ(M.Sim.AddStage(), 1);
    EXPECT_EQ(M[1].NumSuppliers(), 0);
}

TEST(EngineModel, CheckLinkAnswersAsLinkWouldWithoutLinking)
{
    TModel M;
    for (int I = 0; I < 3; ++I) {
        M.Add();
    }
    ASSERT_EQ(M.Sim.Link(3, 1), TLinkResult::Linked);
    const struct {
        int Supplier, Customer;
        TLinkResult Result;
    } Cases[] = {{3, 1, TLinkResult::Exists}, {1, 3, TLinkResult::NotHigher}, {2, 2, TLinkResult::NotHigher},
                 {4, 1, TLinkResult::NoSuchStage}, {2, 1, TLinkResult::Linked}};
    for (const auto& C : Cases) {
        EXPECT_EQ(M.Sim.CheckLink(C.Supplier, C.Customer), C.Result) << C.Supplier << " -> " << C.Customer;
    }
    EXPECT_EQ(M[1].NumSuppliers(), 1);  // checking linked nothing
    EXPECT_EQ(M.Sim.Link(1, 3), TLinkResult::NotHigher);
    EXPECT_EQ(M.Sim.Link(3, 1), TLinkResult::Exists);
    EXPECT_EQ(M[1].NumSuppliers(), 1);
}

TEST(EngineModel, InitialInventoryFollowsThePolicy)
{
    TModel M;
    TStageParams BS;
    BS.BaseStockLevel = 4;
    TStageParams RQ;
    RQ.InvPolicy = PolicyRQ;
    RQ.RQReorderPoint = 3;
    RQ.RQOrderQty = 5;
    TStageParams SS;
    SS.InvPolicy = PolicySS;
    SS.SSOrderUpTo = 9;
    TStageParams OQ;
    OQ.InvPolicy = PolicyOQ;
    OQ.OQInitIL = 6;
    OQ.OQReorderPoint = -1000;
    TStageParams None;
    None.InvPolicy = PolicyNone;
    None.BaseStockLevel = 50;
    for (const TStageParams& P : {BS, RQ, SS, OQ, None}) {
        M.Add(P);
    }
    M.Sim.RunSimulation(1, 1, 1);
    EXPECT_EQ(M[1].NetInvHist()[1], 4);
    EXPECT_EQ(M[2].NetInvHist()[1], 8);
    EXPECT_EQ(M[3].NetInvHist()[1], 9);
    EXPECT_EQ(M[4].NetInvHist()[1], 6);
    EXPECT_EQ(M[5].NetInvHist()[1], 0);
}

TEST(EngineModel, FanInNetworksStayInsideTheUnitRange)
{
    // Every stage supplies every lower-numbered one, each as its own raw material: every order is
    // placed in full with each supplier, so stage k receives 2^(k-2) times stage 1's orders and
    // the counts outgrow 64 bits within a period unless the queues stop at their ceiling.
    TModel M;
    for (int N = 1; N <= MaxStages; ++N) {
        M.Add();
    }
    for (int Supplier = 2; Supplier <= MaxStages; ++Supplier) {
        for (int Customer = 1; Customer < Supplier; ++Customer) {
            ASSERT_EQ(M.Sim.Link(Supplier, Customer), TLinkResult::Linked);
        }
    }
    M.Sim.SetParam(1, ParamDemandMean, 1e14);
    M.Sim.SetParam(MaxStages, ParamFailureProb, 1);
    M.Sim.RunSimulation(6, 1, 7);
    for (int N = 1; N <= MaxStages; ++N) {
        const TStage& S = M[N];
        EXPECT_GE(S.Backorders(), 0) << N;
        EXPECT_LE(S.Backorders(), MaxQueueUnits) << N;
        EXPECT_LE(S.OnOrder(), MaxQueueUnits) << N;
        EXPECT_LE(S.InvLevel(), MaxQueueUnits) << N;
        EXPECT_GE(S.Stats().Get(MetricDerivedDemand)->Min(), 0.0) << N;
    }
    EXPECT_EQ(M[MaxStages].Backorders(), MaxQueueUnits);  // the failed top stage is full
}

TEST(EngineRun, ANegativeSeedContinuesTheSequenceWhereTheLastRunLeftIt)
{
    TModel First;
    BuildSingleStage(First);
    EditStage(First.Sim, 1, [](TStageParams& P) {
        P.DemandSD = 2;
        P.FailureProb = 0.1;
        P.RecoveryProb = 0.5;
    });
    First.Sim.RunSimulation(50, 5, 17);
    const uint32_t After = First.Sim.RandSeed();
    First.Sim.Reset();
    const TCostTotals Continued = First.Sim.RunSimulation(60, 5, -1);

    // The same second run, seeded explicitly with the state the first run ended in.
    TModel Second;
    BuildSingleStage(Second);
    EditStage(Second.Sim, 1, [](TStageParams& P) {
        P.DemandSD = 2;
        P.FailureProb = 0.1;
        P.RecoveryProb = 0.5;
    });
    const TCostTotals Seeded = Second.Sim.RunSimulation(60, 5, After);
    EXPECT_TRUE(SameBits(Continued.TotalCost, Seeded.TotalCost));
    EXPECT_EQ(First[1].DemandHist(), Second[1].DemandHist());
    EXPECT_EQ(First[1].FailedHist(), Second[1].FailedHist());
    // A fresh start from the first seed is a different run.
    Second.Sim.Reset();
    Second.Sim.RunSimulation(60, 5, 17);
    EXPECT_NE(First[1].DemandHist(), Second[1].DemandHist());
}

TEST(EngineRun, RunsWithoutHistoryGiveTheSameStatisticsAndCosts)
{
    // Without the history the run still reads what it needs of the period before: the upstream
    // stockout and failure terms of the order formula, the failure chain, the derived demand.
    const std::function<void(TModel&)> Variants[] = {
        [](TModel&) {},
        [](TModel& M) {
            EditStage(M.Sim, 1, [](TStageParams& P) {
                P.InvPolicy = PolicyOQ;
                P.OQConstant = 4;
                P.OQDemandCf = 1;
                P.OQUpstrSOCf = 3;
                P.OQUpstrDisruptCf = 2;
                P.OQDisruptCf = -1;
                P.OQUpstrConsecSOCf = 0.5;
            });
        },
    };
    for (const auto& Variant : Variants) {
        TModel Kept;
        TModel Lean;
        for (TModel* M : {&Kept, &Lean}) {
            BuildFourStages(*M);
            Variant(*M);
        }
        Lean.Sim.SetKeepHistory(false);
        for (const int64_t Seed : {31, -1}) {  // a second run on the same storage
            Kept.Sim.Reset();
            Lean.Sim.Reset();
            Kept.Sim.RunSimulation(300, 25, Seed);
            Lean.Sim.RunSimulation(300, 25, Seed);
            for (int N = 1; N <= 4; ++N) {
                EXPECT_EQ(Kept[N].TotalCostHist(), Lean[N].TotalCostHist());
                EXPECT_EQ(Lean[N].NetInvHist().size(), 2u);
                EXPECT_EQ(Kept[N].NetInvHist()[300], Lean[N].NetInvHist()[0]);
                for (int I = 0; I < NumMetrics; ++I) {
                    EXPECT_EQ(Kept[N].Stats().Get(I)->Count(), Lean[N].Stats().Get(I)->Count());
                    EXPECT_TRUE(SameBits(Kept[N].Stats().Get(I)->Sum(), Lean[N].Stats().Get(I)->Sum())) << I;
                    EXPECT_TRUE(SameBits(Kept[N].Stats().Get(I)->SumSq(), Lean[N].Stats().Get(I)->SumSq())) << I;
                }
            }
            EXPECT_EQ(Kept.Sim.RandSeed(), Lean.Sim.RandSeed());
        }
    }
}

// Draws made ahead on a second thread give the run drawn in line, to the bit, also for a run that
// goes on without a reset (its failure states and demand windows carry over) and for a model
// that keeps no history; the generator ends where it would.
TEST(EngineRun, DrawingAheadGivesTheSameRuns)
{
    const std::vector<std::function<void(TModel&)>> Variants{
        [](TModel&) {},
        [](TModel& M) {
            for (int N = 2; N <= 4; ++N) {  // every stage draws demand, every window binds
                M.Sim.SetParam(N, ParamDemandMean, 3.0 * N);
                M.Sim.SetParam(N, ParamDemandSD, 2);
                M.Sim.SetParam(N, ParamDemandBound, N == 4 ? -0.5 : 1.0);
            }
        },
        [](TModel& M) { M.Sim.SetKeepHistory(false); },
    };
    for (std::size_t V = 0; V < Variants.size(); ++V) {
        TModel InLine;
        TModel Ahead;
        for (TModel* M : {&InLine, &Ahead}) {
            BuildFourStages(*M);
            Variants[V](*M);
        }
        InLine.Sim.SetDrawMode(TSimulation::TDrawMode::InLine);
        Ahead.Sim.SetDrawMode(TSimulation::TDrawMode::AheadAlways);
        for (TModel* M : {&InLine, &Ahead}) {
            M->Sim.RunSimulation(700, 25, 31);
        }
        ExpectSameRun(InLine.Sim, Ahead.Sim);
        for (TModel* M : {&InLine, &Ahead}) {
            M->Sim.RunSimulation(300, 25, -1);  // on from period 700
        }
        ExpectSameRun(InLine.Sim, Ahead.Sim);
        for (TModel* M : {&InLine, &Ahead}) {
            M->Sim.Reset();
            M->Sim.RunSimulation(400, 10, -1);
        }
        ExpectSameRun(InLine.Sim, Ahead.Sim);
        EXPECT_EQ(InLine.Sim.RandSeed(), Ahead.Sim.RandSeed()) << "variant " << V;
    }
}
