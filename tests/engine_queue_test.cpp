// The order window, the committed-service-time rule and shipping, on single stages.
#include <gtest/gtest.h>

#include <deque>
#include <random>

#include "engine/Stage.h"
#include "support/EngineTestAccess.h"

namespace {

// A stage with history for periods 0..Periods, as a run gives it.
struct TStageFixture {
    TStage S{1, 1};
    explicit TStageFixture(int32_t Periods = 20) { TStageTestAccess::CreateHistory(S, Periods); }
};

}  // namespace

TEST(EngineQueue, OnlyTheOldestInvLevelOrdersCanBeServed)
{
    TStageFixture F;
    TStage& S = F.S;
    TStageTestAccess::AddDemand(S, 1, 2, 3);  // stage 2's order first
    TStageTestAccess::AddDemand(S, 2, 0, 3);  // then two external orders
    TStageTestAccess::AddToOutbox(S, 1);
    EXPECT_EQ(TStageTestAccess::GetInvAvail(S, 3, 0), 0);  // the one unit is reserved for stage 2's order
    EXPECT_EQ(TStageTestAccess::GetInvAvail(S, 3, 2), 1);
    EXPECT_EQ(TStageTestAccess::RemoveFromOutbox(S, 3, 0, 1, false), 0);
    EXPECT_EQ(S.InvLevel(), 1);
    TStageTestAccess::AddToOutbox(S, 2);
    EXPECT_EQ(TStageTestAccess::GetInvAvail(S, 3, 0), 2);
    EXPECT_EQ(S.DerivedDemandHist()[3], 3);
}

TEST(EngineQueue, ACustomerTakesExactlyWhatItWasShown)
{
    // Window of 4 orders: [ext, c3, c2, c3 | c3, c2]: stage 3 sees 2, stage 2 sees 1.
    TStageFixture F;
    TStage& S = F.S;
    TStageTestAccess::AddDemand(S, 1, 0, 1);
    TStageTestAccess::AddDemand(S, 1, 3, 1);
    TStageTestAccess::AddDemand(S, 1, 2, 1);
    TStageTestAccess::AddDemand(S, 2, 3, 2);
    TStageTestAccess::AddDemand(S, 1, 2, 2);
    TStageTestAccess::AddToOutbox(S, 4);
    ASSERT_EQ(TStageTestAccess::GetInvAvail(S, 2, 3), 2);
    ASSERT_EQ(TStageTestAccess::GetInvAvail(S, 2, 2), 1);
    EXPECT_EQ(TStageTestAccess::RemoveFromOutbox(S, 2, 3, 10, true), 2);  // not the third order of stage 3
    EXPECT_EQ(S.InvLevel(), 2);
    EXPECT_EQ(TStageTestAccess::GetInvAvail(S, 2, 3), 0);
    EXPECT_EQ(TStageTestAccess::GetInvAvail(S, 2, 2), 1);  // another customer's view is unchanged
    EXPECT_EQ(S.Backorders(), 4);
    // Service times 1 (period 1) and 0 (period 2): one of two from stock.
    EXPECT_EQ(S.Stats().Get(MetricFillRate)->Count(), 2);
    EXPECT_EQ(S.Stats().Get(MetricFillRate)->Sum(), 1.0);
    EXPECT_EQ(S.Stats().Histogram().Freq(0), 1);
    EXPECT_EQ(S.Stats().Histogram().Freq(1), 1);
    EXPECT_EQ(S.Stats().Get(MetricFillRate)->Last(), 1.0);  // period 2's order, from stock, came last
}

TEST(EngineQueue, ServiceTimeOptionHoldsBackOrdersNotYetDue)
{
    TStageFixture F;
    TStage& S = F.S;
    TStageTestAccess::Params(S).CommittedServiceTime = 1;
    TStageTestAccess::SetForceCST(S, true);
    TStageTestAccess::AddDemand(S, 1, 0, 5);
    TStageTestAccess::AddDemand(S, 1, 2, 5);
    TStageTestAccess::AddDemand(S, 1, 0, 6);
    TStageTestAccess::AddToOutbox(S, 3);
    EXPECT_EQ(TStageTestAccess::GetInvAvail(S, 6, 0), 1);  // the order of period 6 is not due before period 7
    EXPECT_EQ(TStageTestAccess::RemoveFromOutbox(S, 6, 0, 1, true), 1);
    EXPECT_EQ(S.Stats().Histogram().Freq(1), 1);  // one period: within the CST
    EXPECT_EQ(S.Stats().Get(MetricWithinCST)->Sum(), 1.0);
    EXPECT_EQ(TStageTestAccess::RemoveFromOutbox(S, 6, 0, 1, true), 0);
    EXPECT_EQ(TStageTestAccess::RemoveFromOutbox(S, 7, 0, 1, true), 1);
    // Without the option the period condition never applies, however large the CST.
    TStageFixture G;
    TStageTestAccess::Params(G.S).CommittedServiceTime = 2000000000;
    TStageTestAccess::AddDemand(G.S, 1, 0, 4);
    TStageTestAccess::AddToOutbox(G.S, 1);
    EXPECT_EQ(TStageTestAccess::GetInvAvail(G.S, 4, 0), 1);
    EXPECT_EQ(TStageTestAccess::RemoveFromOutbox(G.S, 4, 0, 1, true), 1);
    EXPECT_EQ(G.S.Stats().Get(MetricWithinCST)->Sum(), 1.0);
}

TEST(EngineQueue, WithTheOptionAnOrderIsDueOnceItsCommittedServiceTimeHasPassed)
{
    TStageFixture F;
    TStage& S = F.S;
    TStageTestAccess::Params(S).CommittedServiceTime = 2;
    TStageTestAccess::SetForceCST(S, true);
    TStageTestAccess::AddDemand(S, 1, 4, 3);
    TStageTestAccess::AddDemand(S, 1, 4, 5);
    TStageTestAccess::AddToOutbox(S, 2);
    EXPECT_EQ(TStageTestAccess::GetInvAvail(S, 4, 4), 0);  // 4 - 2 = 2 is before period 3
    EXPECT_EQ(TStageTestAccess::GetInvAvail(S, 5, 4), 1);
    EXPECT_EQ(TStageTestAccess::GetInvAvail(S, 7, 4), 2);
}

TEST(EngineQueue, AFailedStageShipsNothing)
{
    TStageFixture F;
    TStage& S = F.S;
    TStageTestAccess::AddDemand(S, 3, 0, 2);
    TStageTestAccess::AddToOutbox(S, 5);
    TStageTestAccess::FailedHist(S)[2] = 1;
    EXPECT_EQ(TStageTestAccess::GetInvAvail(S, 2, 0), 0);
    EXPECT_EQ(TStageTestAccess::RemoveFromOutbox(S, 2, 0, 3, true), 0);
    EXPECT_EQ(S.InvLevel(), 5);
    EXPECT_EQ(S.Backorders(), 3);
    EXPECT_EQ(TStageTestAccess::GetInvAvail(S, 3, 0), 3);
}

TEST(EngineQueue, AddingNothingChangesNothing)
{
    TStageFixture F;
    TStage& S = F.S;
    TStageTestAccess::AddDemand(S, 0, 0, 1);
    TStageTestAccess::AddDemand(S, -4, 0, 1);
    TStageTestAccess::AddToOutbox(S, 0);
    EXPECT_EQ(S.Backorders(), 0);
    EXPECT_TRUE(S.DemandList().Runs().empty());
    EXPECT_EQ(S.DerivedDemandHist()[1], 0);
    EXPECT_EQ(TStageTestAccess::GetInvAvail(S, 1, 0), 0);
}

TEST(EngineQueue, NewOrdersAreCountedOnceAndOnlyOnce)
{
    TDemandList L;
    L.Append(3, 0, 1);
    L.Append(2, 5, 1);
    EXPECT_EQ(L.MarkNewAsSeen(), 5);
    EXPECT_EQ(L.MarkNewAsSeen(), 0);
    L.Append(4, 0, 2);
    L.Append(1, 0, 2);  // merges with the unseen tail
    EXPECT_EQ(L.Runs().size(), 3u);
    EXPECT_EQ(L.MarkNewAsSeen(), 5);
    L.Append(1, 0, 2);  // the same key and period, but the tail is already seen: a new run
    EXPECT_EQ(L.Runs().size(), 4u);
    EXPECT_EQ(L.Count(), 11);
}

// Orders shipped before the ordering step saw them are not new demand, and once a shipment has
// emptied the new runs the older tail takes no more orders.
TEST(EngineQueue, OrdersShippedBeforeTheyAreSeenAreNotNew)
{
    const auto Take = [](TDemandList& L, int32_t Key, int64_t Max) {
        return L.TakeInWindow(100, Key, AnyPeriod, Max, [](int64_t, int32_t) {});
    };
    TDemandList L;
    L.Append(2, 0, 1);
    EXPECT_EQ(L.MarkNewAsSeen(), 2);
    L.Append(3, 7, 1);
    L.Append(4, 0, 1);
    EXPECT_EQ(Take(L, 7, 3), 3);  // the new run of customer 7, whole
    EXPECT_EQ(Take(L, 0, 3), 3);  // the seen run, then one of the new one
    L.Append(1, 0, 1);            // merges with the new tail
    EXPECT_EQ(L.Runs().size(), 1u);
    EXPECT_EQ(L.MarkNewAsSeen(), 4);
    L.Append(2, 5, 2);
    EXPECT_EQ(Take(L, 5, 2), 2);  // no new run left: the tail is seen again
    L.Append(1, 0, 1);
    EXPECT_EQ(L.Runs().size(), 2u);
    L.TakeFromHead(4);
    L.TakeFromHead(1);  // the head is the new run
    EXPECT_EQ(L.MarkNewAsSeen(), 0);
    EXPECT_TRUE(L.Empty());
}

TEST(EnginePipeline, PartialStartsSplitARunAndKeepTheOrder)
{
    TPipeline P;
    P.Append(5, 1);
    P.Append(4, 2);
    EXPECT_EQ(P.StartUnits(3, 2), 3);
    EXPECT_EQ(P.Started(), 3);
    ASSERT_EQ(P.Runs().size(), 3u);
    EXPECT_EQ(P.Runs()[0].Count, 3);
    EXPECT_EQ(P.Runs()[0].Start, 2);
    EXPECT_EQ(P.Runs()[1].Count, 2);
    EXPECT_EQ(P.Runs()[1].Start, NotStarted);
    EXPECT_EQ(P.StartUnits(100, 3), 6);
    EXPECT_EQ(P.Started(), 9);
    EXPECT_EQ(P.StartUnits(1, 4), 0);
}

TEST(EnginePipeline, EveryFailedPeriodDelaysEveryUnitOnePeriod)
{
    // ProcTime 2: a unit started in period 1 completes in period 3 ...
    TPipeline P;
    P.Append(2, 1);
    P.StartUnits(2, 1);
    EXPECT_EQ(P.CountCompleteAtHead(3, 2), 2);
    // ... but one failed period while it waits moves that to period 4, and units that enter
    // later are not delayed by it.
    P.AddFailureDelay();
    EXPECT_EQ(P.CountCompleteAtHead(3, 2), 0);
    P.Append(1, 2);  // not started yet: it is delayed too by later failures
    P.AddFailureDelay();
    EXPECT_EQ(P.CountCompleteAtHead(4, 2), 0);
    EXPECT_EQ(P.TakeCompleteAtHead(5, 2), 2);
    EXPECT_EQ(P.Count(), 1);
    EXPECT_EQ(P.Started(), 0);
    P.StartUnits(1, 5);
    EXPECT_EQ(P.Delay(P.Runs()[0]), 1);
    EXPECT_EQ(P.CountCompleteAtHead(7, 2), 0);
    EXPECT_EQ(P.CountCompleteAtHead(8, 2), 1);
}

TEST(EnginePipeline, CompletionStopsAtTheFirstUnitNotComplete)
{
    TPipeline P;
    P.Append(1, 1);
    P.Append(1, 1);
    P.Append(1, 1);
    P.StartUnits(1, 1);
    P.StartUnits(1, 3);  // second unit started later
    P.StartUnits(1, 1);  // cannot happen in a run, but the head rule must still hold
    EXPECT_EQ(P.CountCompleteAtHead(2, 1), 1);
    EXPECT_EQ(P.TakeCompleteAtHead(2, 1), 1);
    EXPECT_EQ(P.Count(), 2);
}

TEST(EngineRunQueue, KeepsOrderThroughWrapsGrowthInsertsAndErases)
{
    // Random operations on the ring and on a deque side by side: runs come and go at both ends
    // and in the middle, so the ring wraps around, grows while wrapped and erases either side.
    std::mt19937 Rng(11);
    TRunQueue<int> Ring;
    std::deque<int> Expected;
    for (int Step = 0; Step < 20000; ++Step) {
        const unsigned Op = Rng() % 8;
        const std::size_t Size = Expected.size();
        if (Op < 3 || Size == 0) {
            Ring.push_back(Step);
            Expected.push_back(Step);
        } else if (Op < 5) {
            Ring.pop_front();
            Expected.pop_front();
        } else if (Op < 6) {
            const std::size_t At = Rng() % (Size + 1);
            Ring.insert(At, -Step);
            Expected.insert(Expected.begin() + static_cast<std::ptrdiff_t>(At), -Step);
        } else if (Op < 7) {
            const std::size_t At = Rng() % Size;
            Ring.erase(At);
            Expected.erase(Expected.begin() + static_cast<std::ptrdiff_t>(At));
        } else if (Rng() % 64 == 0) {
            Ring.clear();
            Expected.clear();
        }
        ASSERT_EQ(Ring.size(), Expected.size()) << "step " << Step;
        for (std::size_t I = 0; I < Expected.size(); ++I) {
            ASSERT_EQ(Ring[I], Expected[I]) << "step " << Step << ", position " << I;
        }
    }
}
