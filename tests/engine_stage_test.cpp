// The stage record: catalogue access, links and raw-material groups, policies, planning measures.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "engine/Simulation.h"
#include "support/EngineTestAccess.h"

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();

// A model of N default stages with the given (supplier, customer) links.
struct TModel {
    TSimulation Sim;
    explicit TModel(int N)
    {
        for (int I = 0; I < N; ++I) {
            Sim.AddStage();
        }
    }
    // Stage N itself: the policy and queue steps below are called one by one.
    TStage& operator[](int N) { return TSimulationTestAccess::Stage(Sim, N); }
};

std::vector<int> GroupOrder(const TStage& S, int G)
{
    std::vector<int> Numbers;
    for (int K = 1; K <= S.RawMatNumSuppliers(G); ++K) {
        Numbers.push_back(S.RawMatSupplier(G, K).StageNum);
    }
    return Numbers;
}

int64_t OrderQty(TStage& S, int32_t T, int64_t IP, int64_t NewDemand)
{
    return TStageTestAccess::PolicyOrderQty(S, T, IP, NewDemand);
}

}  // namespace

TEST(EngineCatalogue, NamesTypesAndDefaultsAgree)
{
    EXPECT_EQ(ParamLongNames[0], "Proc Time");
    EXPECT_EQ(ParamLongNames[5], "Dem Bound (#SD)");
    EXPECT_EQ(ParamLongNames[44], "OQ Init IL");
    EXPECT_EQ(ParamShortNames[28], "OQ#ATC");
    EXPECT_EQ(ParamShortNames[44], "OQInitIL");
    std::set<std::string> Unique(ParamShortNames.begin(), ParamShortNames.end());
    EXPECT_EQ(Unique.size(), 45u);
    TStage S(7, 7);
    for (int I = 0; I < NumParams; ++I) {
        const double V = S.GetParam(I);
        switch (ParamTypes[static_cast<std::size_t>(I)]) {
        case TListParamType::IntegerOrInf:
            EXPECT_EQ(V, 2000000000.0) << ParamLongNames[static_cast<std::size_t>(I)];
            break;
        case TListParamType::RealOrInf:
            EXPECT_EQ(V, Inf);
            break;
        case TListParamType::Boolean:
        case TListParamType::Policy:
            EXPECT_EQ(V, 1.0);
            break;
        default:
            EXPECT_EQ(V, I == ParamProductIndex ? 7.0 : 0.0) << ParamLongNames[static_cast<std::size_t>(I)];
        }
    }
}

TEST(EngineCatalogue, SetParamRoundsHalfToEvenAndMapsCodes)
{
    TStageParams S;
    S.SetParam(ParamProcTime, 2.5);
    EXPECT_EQ(S.ProcTime, 2);
    S.SetParam(ParamProcTime, 3.5);
    EXPECT_EQ(S.ProcTime, 4);
    S.SetParam(ParamProcTime, -2.5);
    EXPECT_EQ(S.ProcTime, -2);
    S.SetParam(ParamBaseStockLevel, 2.4999);
    EXPECT_EQ(S.BaseStockLevel, 2);
    S.SetParam(ParamStockoutPerUnitTime, 0.999999);
    EXPECT_FALSE(S.StockoutPerUnitTime);
    S.SetParam(ParamStockoutPerUnitTime, 1.0);
    EXPECT_TRUE(S.StockoutPerUnitTime);
    S.SetParam(ParamStockoutPerUnitTime, 2.0);
    EXPECT_FALSE(S.StockoutPerUnitTime);
    S.SetParam(ParamInvPolicy, 7);
    EXPECT_EQ(S.InvPolicy, PolicyNone);
    S.SetParam(ParamInvPolicy, 3.4);
    EXPECT_EQ(S.InvPolicy, PolicySS);
    S.SetParam(ParamInvPolicy, -1);
    EXPECT_EQ(S.InvPolicy, PolicyNone);
    S.SetParam(ParamProcCapacity, 2000000000.0);
    EXPECT_EQ(S.GetParam(ParamProcCapacity), 2000000000.0);
    S.SetParam(ParamProcCapacity, 1e12);  // saturates instead of overflowing
    EXPECT_EQ(S.ProcCapacity, std::numeric_limits<int32_t>::max());
    S.SetParam(ParamProcCapacity, std::nan(""));
    EXPECT_EQ(S.ProcCapacity, 0);
    S.SetParam(ParamDemandBound, Inf);
    EXPECT_EQ(S.GetParam(ParamDemandBound), Inf);
    S.SetParam(ParamOQSmoothingConst, 0.25);
    EXPECT_EQ(S.OQSmoothingConst, 0.25);
    // Every index reads back what was written (integers as written when whole).
    for (int I = 0; I < NumParams; ++I) {
        if (I == ParamInvPolicy || I == ParamStockoutPerUnitTime) {
            continue;
        }
        S.SetParam(I, 3);
        EXPECT_EQ(S.GetParam(I), 3.0) << I;
    }
    S.SetParam(45, 9);
    S.SetParam(-1, 9);
    EXPECT_EQ(S.GetParam(45), 0.0);
    EXPECT_EQ(S.GetParam(-1), 0.0);
}

TEST(EngineCatalogue, PolicyTextsAndCodes)
{
    EXPECT_EQ(PolicyToText(0), "None");
    EXPECT_EQ(PolicyToText(2), "(R,Q)");
    EXPECT_EQ(PolicyToText(9), "None");
    EXPECT_EQ(TextToPolicy("(s,S)"), PolicySS);
    EXPECT_EQ(TextToPolicy("bs"), PolicyNone);
    EXPECT_EQ(TextToPolicy("OQ "), PolicyNone);
    EXPECT_EQ(IntToPolicy(4), PolicyOQ);
    EXPECT_EQ(IntToPolicy(5), PolicyNone);
}

TEST(EngineLinks, EachSupplierIsItsOwnGroupByDefault)
{
    TModel M(4);
    ASSERT_EQ(M.Sim.Link(4, 1), TLinkResult::Linked);
    ASSERT_EQ(M.Sim.Link(2, 1), TLinkResult::Linked);
    ASSERT_EQ(M.Sim.Link(3, 1), TLinkResult::Linked);
    TStage& C = M[1];
    EXPECT_EQ(C.NumSuppliers(), 3);
    EXPECT_EQ(C.NumRawMaterials(), 3);
    EXPECT_EQ(C.RawMatProduct(1), 2);  // ascending product index, not link order
    EXPECT_EQ(C.RawMatProduct(3), 4);
    EXPECT_EQ(M[4].NumCustomers(), 1);
    EXPECT_EQ(&M[4].Customer(1), &C);
    EXPECT_EQ(M[3].NumRawMaterials(), 0);
    // Refusals: wrong direction, a repeated link, stages outside the model.
    EXPECT_NE(M.Sim.Link(1, 2), TLinkResult::Linked);
    EXPECT_NE(M.Sim.Link(2, 1), TLinkResult::Linked);
    EXPECT_NE(M.Sim.Link(5, 1), TLinkResult::Linked);
    EXPECT_NE(M.Sim.Link(2, 0), TLinkResult::Linked);
    EXPECT_EQ(C.NumSuppliers(), 3);
}

TEST(EngineLinks, EquallyCheapSuppliersComeOutInTheQuicksortsOrder)
{
    TModel M(6);
    for (int N = 2; N <= 6; ++N) {
        M.Sim.SetParam(N, ParamProductIndex, 9);
    }
    M.Sim.Link(2, 1);
    M.Sim.Link(3, 1);
    EXPECT_EQ(GroupOrder(M[1], 1), (std::vector<int>{3, 2}));  // two: exchanged at once
    M.Sim.Link(4, 1);
    EXPECT_EQ(GroupOrder(M[1], 1), (std::vector<int>{4, 3, 2}));  // three: reversed
    M.Sim.Link(5, 1);
    // Four: the outer pair and the inner pair are exchanged, then each half again.
    EXPECT_EQ(GroupOrder(M[1], 1), (std::vector<int>{4, 5, 2, 3}));
}

TEST(EngineLinks, SuppliersAreSortedByCostWithinTheirGroup)
{
    TModel M(5);
    M.Sim.SetParam(2, ParamProductCost, 5);
    M.Sim.SetParam(3, ParamProductCost, 3);
    M.Sim.SetParam(4, ParamProductCost, 5);
    M.Sim.SetParam(5, ParamProductCost, 1);
    for (int N = 2; N <= 5; ++N) {
        M.Sim.SetParam(N, ParamProductIndex, 2);
        M.Sim.Link(N, 1);
    }
    // Traced by hand: costs [5, 3, 5, 1] sort to positions [4, 2, 1, 3] (1-based link order).
    EXPECT_EQ(GroupOrder(M[1], 1), (std::vector<int>{5, 3, 2, 4}));
    // A cost written through the model reorders the group at once.
    M.Sim.SetParam(4, ParamProductCost, 0);
    EXPECT_EQ(GroupOrder(M[1], 1).front(), 4);
}

TEST(EngineLinks, ProductIndexesBelowOneGetGroupsOfTheirOwn)
{
    TModel M(4);
    M.Sim.SetParam(2, ParamProductIndex, 0);
    M.Sim.SetParam(3, ParamProductIndex, -3);
    M.Sim.SetParam(4, ParamProductIndex, 0);
    M.Sim.Link(2, 1);
    M.Sim.Link(3, 1);
    M.Sim.Link(4, 1);
    TStage& C = M[1];
    ASSERT_EQ(C.NumRawMaterials(), 2);
    EXPECT_EQ(C.RawMatProduct(1), -3);
    EXPECT_EQ(C.RawMatProduct(2), 0);
    EXPECT_EQ(C.RawMatNumSuppliers(2), 2);
}

TEST(EnginePolicy, OrderQuantitiesOfTheFixedPolicies)
{
    TStage S(1, 1);
    TStageParams& P = TStageTestAccess::Params(S);
    P.InvPolicy = PolicyBaseStock;
    P.BaseStockLevel = 10;
    EXPECT_EQ(OrderQty(S, 1, 7, 0), 3);
    EXPECT_EQ(OrderQty(S, 1, 12, 0), 0);
    P.InvPolicy = PolicyRQ;
    P.RQReorderPoint = 5;
    P.RQOrderQty = 4;
    EXPECT_EQ(OrderQty(S, 1, 5, 0), 4);
    EXPECT_EQ(OrderQty(S, 1, 0, 0), 8);
    EXPECT_EQ(OrderQty(S, 1, -3, 0), 12);
    EXPECT_EQ(OrderQty(S, 1, 6, 0), 0);
    P.RQOrderQty = 0;  // cannot order: nothing instead of a division by zero
    EXPECT_EQ(OrderQty(S, 1, 0, 0), 0);
    P.RQOrderQty = -2;
    EXPECT_EQ(OrderQty(S, 1, 0, 0), 0);
    P.InvPolicy = PolicySS;
    P.SSReorderPoint = 5;
    P.SSOrderUpTo = 20;
    EXPECT_EQ(OrderQty(S, 1, 5, 0), 15);
    EXPECT_EQ(OrderQty(S, 1, 6, 0), 0);
    P.InvPolicy = PolicyNone;
    EXPECT_EQ(OrderQty(S, 1, -100, 7), 0);
}

TEST(EnginePolicy, FormulaWithDefaultsOnlyRestoresInventoryPosition)
{
    TStage S(1, 1);
    TStageParams& P = TStageTestAccess::Params(S);
    P.InvPolicy = PolicyOQ;
    EXPECT_EQ(OrderQty(S, 1, 0, 3), 0);
    EXPECT_EQ(OrderQty(S, 2, 9, 3), 0);
    EXPECT_EQ(OrderQty(S, 3, -4, 3), 4);
    // IP coefficient -1 and constant 20: a base stock level of 20.
    P.OQIPCf = -1;
    P.OQConstant = 20;
    EXPECT_EQ(OrderQty(S, 4, 7, 0), 13);
    EXPECT_EQ(OrderQty(S, 4, 25, 0), 0);
}

TEST(EnginePolicy, FormulaBoundsApplyInOrder)
{
    TStage S(1, 1);
    TStageParams& P = TStageTestAccess::Params(S);
    P.InvPolicy = PolicyOQ;
    P.OQConstant = 50;
    P.OQIPUB = 30;
    EXPECT_EQ(OrderQty(S, 1, 10, 0), 20);  // IP + 50 >= 30: lifted only to 30
    P.OQIPLB = 40;
    EXPECT_EQ(OrderQty(S, 1, 10, 0), 20);  // 60 is above the lower bound: the upper one applies
    P.OQIPLB = 70;
    EXPECT_EQ(OrderQty(S, 1, 10, 0), 60);  // IP + P <= 70 comes first: 70 - 10
    P.OQIPLB = 0;
    P.OQIPUB = IntInf;
    P.OQOrderQtyLB = 80;
    P.OQOrderQtyUB = 60;
    EXPECT_EQ(OrderQty(S, 1, 10, 0), 60);  // bounds in the wrong order: the upper one wins
    P.OQOrderQtyUB = IntInf;
    EXPECT_EQ(OrderQty(S, 1, 10, 0), 80);
    P.OQReorderPoint = 9;
    EXPECT_EQ(OrderQty(S, 1, 10, 0), 0);
    EXPECT_EQ(OrderQty(S, 1, 9, 0), 80);
    // Half-way values round to even.
    P.OQOrderQtyLB = 0;
    P.OQReorderPoint = IntInf;
    P.OQConstant = 2.5;
    EXPECT_EQ(OrderQty(S, 2, 0, 0), 2);
    P.OQConstant = 3.5;
    EXPECT_EQ(OrderQty(S, 2, 0, 0), 4);
}

TEST(EnginePolicy, ForecastStartsAtEchelonDemandAndSmooths)
{
    TModel M(2);
    M.Sim.Link(2, 1);
    M.Sim.SetParam(1, ParamDemandMean, 6);
    M.Sim.SetParam(2, ParamDemandMean, 4);
    TStage& S = M[2];
    M.Sim.SetParam(2, ParamInvPolicy, PolicyOQ);
    M.Sim.SetParam(2, ParamOQForecastCf, 1);
    M.Sim.SetParam(2, ParamOQSmoothingConst, 0);
    EXPECT_EQ(OrderQty(S, 1, 0, 3), 10);  // forecast = 4 + 6
    EXPECT_EQ(S.Forecast(), 10);
    EXPECT_EQ(OrderQty(S, 2, 0, 3), 10);  // smoothing 0 keeps it
    M.Sim.SetParam(2, ParamOQSmoothingConst, 1);
    EXPECT_EQ(OrderQty(S, 3, 0, 3), 3);  // smoothing 1 follows the latest demand
    M.Sim.SetParam(2, ParamOQSmoothingConst, 0.5);
    OrderQty(S, 4, 0, 8);
    EXPECT_EQ(S.Forecast(), 5.5);
    // Skipped by the reorder test: no update at all.
    M.Sim.SetParam(2, ParamOQReorderPoint, -1);
    OrderQty(S, 5, 0, 100);
    EXPECT_EQ(S.Forecast(), 5.5);
}

TEST(EnginePolicy, UpstreamTermsComeFromTheFirstSupplierOfTheFirstGroup)
{
    TModel M(4);
    M.Sim.SetParam(2, ParamProductIndex, 5);
    M.Sim.SetParam(3, ParamProductIndex, 5);
    M.Sim.SetParam(3, ParamProductCost, -1);  // cheaper: first of the product-5 group
    M.Sim.SetParam(4, ParamProductIndex, 7);
    M.Sim.Link(2, 1);
    M.Sim.Link(3, 1);
    M.Sim.Link(4, 1);
    TStageTestAccess::AddToOutbox(M[3], 11);
    TStageTestAccess::AddToOutbox(M[4], 1000);
    TStage& S = M[1];
    M.Sim.SetParam(1, ParamInvPolicy, PolicyOQ);
    M.Sim.SetParam(1, ParamOQUpstrILCf, 1);
    M.Sim.SetParam(1, ParamOQUpstrNonDisruptCf, 100);  // upstream not failed in period 0: counts 1
    EXPECT_EQ(OrderQty(S, 1, 0, 0), 111);
    // A stage without suppliers: all upstream terms 0, the non-disruption term counts 1.
    TStage Alone(9, 9);
    TStageParams& P = TStageTestAccess::Params(Alone);
    P.InvPolicy = PolicyOQ;
    P.OQUpstrNonDisruptCf = 7;
    P.OQUpstrNonSOCf = 1000;  // UpNonSO is 0 without a supplier
    EXPECT_EQ(OrderQty(Alone, 1, 0, 0), 7);
}

TEST(EnginePlanning, EchelonDemandCountsEveryPath)
{
    // Diamond: 4 supplies 2 and 3, both supply 1.
    TModel M(4);
    M.Sim.Link(2, 1);
    M.Sim.Link(3, 1);
    M.Sim.Link(4, 2);
    M.Sim.Link(4, 3);
    M.Sim.SetParam(1, ParamDemandMean, 10);
    M.Sim.SetParam(2, ParamDemandMean, 1);
    M.Sim.SetParam(3, ParamDemandMean, 2);
    M.Sim.SetParam(4, ParamDemandMean, 0.5);
    EXPECT_EQ(M[4].MeanEchelonDemand(), 0.5 + 11 + 12);
    EXPECT_EQ(M[1].MeanEchelonDemand(), 10);
}

TEST(EnginePlanning, LeadTimeCycleAndSafetyStock)
{
    TModel M(3);
    M.Sim.SetParam(2, ParamProductIndex, 8);
    M.Sim.SetParam(3, ParamProductIndex, 8);
    M.Sim.SetParam(2, ParamCommittedServiceTime, 5);  // second in its group: does not count
    M.Sim.SetParam(3, ParamCommittedServiceTime, 2);
    M.Sim.SetParam(3, ParamProductCost, -1);
    M.Sim.Link(2, 1);
    M.Sim.Link(3, 1);
    TStage& S = M[1];
    M.Sim.SetParam(1, ParamProcTime, 3);
    M.Sim.SetParam(1, ParamCommittedServiceTime, 1);
    M.Sim.SetParam(1, ParamDemandMean, 2.5);
    EXPECT_EQ(S.NetLeadTime(), 2 + 3 - 1);
    EXPECT_EQ(S.CycleStock(), 4 * 2);  // Round(2.5) = 2
    M.Sim.SetParam(1, ParamBaseStockLevel, 5);
    EXPECT_EQ(S.SafetyStock(), -3);
    TStage Alone(9, 9);
    TStageParams& P = TStageTestAccess::Params(Alone);
    P.ProcTime = 1;
    P.CommittedServiceTime = 4;
    EXPECT_EQ(Alone.NetLeadTime(), -3);
}
