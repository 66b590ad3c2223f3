// The two period steps of a stage: ordering (RequestProcessing) and production and shipping
// (DoProcessing). Both work on runs of units; every count, cost and statistic equals what the
// same steps give one unit at a time.
#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "engine/Stage.h"
#include "platform/Dialogs.h"
#include "stats/RepeatedSum.h"

namespace {

// "No capacity limit" as a count of starts or orders.
constexpr int64_t Unlimited = std::numeric_limits<int64_t>::max() / 4;

int64_t CapacityOf(const TStage& S)
{
    return S.ProcCapacity == IntInf ? Unlimited : static_cast<int64_t>(S.ProcCapacity);
}

// The units one supplier position of a group supplies, in unit order.
struct TPiece {
    int K = 0;           // supplier position in the group
    int64_t Count = 0;   // units
};

}  // namespace

void TStage::RequestProcessing(int32_t T)
{
    const int64_t NewDemand = DemandList.MarkNewAsSeen();
    const int64_t IP = InvLevel() + OnOrder() - Backorders();
    const int64_t OrderQty = std::max<int64_t>(0, PolicyOrderQty(T, IP, NewDemand));

    for (int G = 1; G <= NumRawMaterials && OrderQty > 0; ++G) {
        const std::vector<TStage*>& Group = RawMatSuppliers[static_cast<std::size_t>(G)];
        const int Count = RawMatNumSuppliers[static_cast<std::size_t>(G)];
        int64_t Remaining = OrderQty;
        for (int K = 1; K <= Count && Remaining > 0; ++K) {
            TStage& S = *Group[static_cast<std::size_t>(K)];
            if (S.IsFailed(T)) {
                continue;
            }
            const int64_t Taken = (T >= 0 && static_cast<std::size_t>(T) < S.DerivedDemandHist.size())
                                      ? S.DerivedDemandHist[static_cast<std::size_t>(T)]
                                      : 0;
            const int64_t Capacity = CapacityOf(S);
            if (Taken < Capacity) {
                const int64_t Amount = std::min(Remaining, Capacity - Taken);
                S.AddDemand(Amount, StageNum, T);
                if (OrderQtyHist.Holds(T, G, K)) {
                    OrderQtyHist.At(T, G, K) = Amount;
                }
                Remaining -= Amount;
            }
        }
        if (Remaining > 0) {
            // Beyond every supplier's capacity: the rest goes to the first supplier regardless.
            Group[1]->AddDemand(Remaining, StageNum, T);
            if (OrderQtyHist.Holds(T, G, 1)) {
                OrderQtyHist.At(T, G, 1) += Remaining;
            }
        }
    }
    Pipeline.Append(OrderQty, T);
    if (OrderQtyHist.Holds(T, 0, 0)) {
        OrderQtyHist.At(T, 0, 0) = OrderQty;
    }
}

void TStage::DoProcessing(int32_t T, bool Failed, bool RecordStats, Dialogs& Messages)
{
    const int Groups = NumRawMaterials;

    // Available starts: capacity, and for every raw material what its suppliers can fill now.
    int64_t Avail = CapacityOf(*this);
    for (int G = 1; G <= Groups; ++G) {
        int64_t Sum = 0;
        for (int K = 1; K <= RawMatNumSuppliers[static_cast<std::size_t>(G)]; ++K) {
            Sum += RawMatSuppliers[static_cast<std::size_t>(G)][static_cast<std::size_t>(K)]->GetInvAvail(T, StageNum);
        }
        Avail = std::min(Avail, Sum);
    }

    // Start processing: the oldest units not yet started, up to Avail.
    double OrderCost = 0;
    const int64_t Waiting = Pipeline.Count() - Pipeline.Started();
    int64_t ToStart = std::min(std::max<int64_t>(Avail, 0), Waiting);
    if (ToStart > 0 && Groups > 0) {
        // Plan which supplier serves which units. Units take from the group's suppliers in order,
        // each supplier serving as many as it can fill now (a supplier listed twice in a group
        // sees what its first listing already took).
        std::vector<std::vector<TPiece>> Pieces(static_cast<std::size_t>(Groups) + 1);
        std::vector<int64_t> Served(static_cast<std::size_t>(Groups) + 1, 0);
        int64_t MinServed = ToStart;
        for (int G = 1; G <= Groups; ++G) {
            const std::vector<TStage*>& Group = RawMatSuppliers[static_cast<std::size_t>(G)];
            const int Count = RawMatNumSuppliers[static_cast<std::size_t>(G)];
            int64_t Remaining = ToStart;
            for (int K = 1; K <= Count && Remaining > 0; ++K) {
                int64_t CanFill = Group[static_cast<std::size_t>(K)]->GetInvAvail(T, StageNum);
                for (const TPiece& Earlier : Pieces[static_cast<std::size_t>(G)]) {
                    if (Group[static_cast<std::size_t>(Earlier.K)] == Group[static_cast<std::size_t>(K)]) {
                        CanFill -= Earlier.Count;
                    }
                }
                const int64_t Take = std::min(Remaining, std::max<int64_t>(CanFill, 0));
                if (Take > 0) {
                    Pieces[static_cast<std::size_t>(G)].push_back({K, Take});
                    Remaining -= Take;
                }
            }
            Served[static_cast<std::size_t>(G)] = ToStart - Remaining;
            MinServed = std::min(MinServed, ToStart - Remaining);
        }
        if (MinServed < ToStart) {
            // The availability count and the withdrawals disagree: report it for the first unit
            // that finds a raw material missing, start that unit, and start no further ones.
            ToStart = MinServed + 1;
            for (int G = 1; G <= Groups; ++G) {
                if (Served[static_cast<std::size_t>(G)] < ToStart) {
                    Messages.ShowError("No raw material " + std::to_string(RawMatProduct[static_cast<std::size_t>(G)]) +
                                       " found for stage " + std::to_string(StageNum) + " in period " +
                                       std::to_string(T) + " even though passed raw material availability test.");
                }
            }
            for (int G = 1; G <= Groups; ++G) {
                int64_t Left = ToStart;
                for (TPiece& P : Pieces[static_cast<std::size_t>(G)]) {
                    P.Count = std::min(P.Count, Left);
                    Left -= P.Count;
                }
            }
        }

        // Costs in unit order: per unit, each group's supplier's product cost, plus its fixed
        // cost on the first unit taken from it. Within a stretch of units in which no group
        // changes supplier, every unit adds the same terms.
        std::vector<int64_t> Breaks = {0, ToStart};
        for (int G = 1; G <= Groups; ++G) {
            int64_t At = 0;
            for (const TPiece& P : Pieces[static_cast<std::size_t>(G)]) {
                At += P.Count;
                Breaks.push_back(At);
            }
        }
        std::sort(Breaks.begin(), Breaks.end());
        Breaks.erase(std::unique(Breaks.begin(), Breaks.end()), Breaks.end());
        std::vector<std::size_t> PieceAt(static_cast<std::size_t>(Groups) + 1, 0);
        std::vector<int64_t> PieceEnd(static_cast<std::size_t>(Groups) + 1, 0);
        for (int G = 1; G <= Groups; ++G) {
            const auto& GP = Pieces[static_cast<std::size_t>(G)];
            PieceEnd[static_cast<std::size_t>(G)] = GP.empty() ? 0 : GP[0].Count;
        }
        std::vector<double> Terms;
        for (std::size_t B = 0; B + 1 < Breaks.size(); ++B) {
            const int64_t First = Breaks[B];
            const int64_t End = Breaks[B + 1];
            if (First >= ToStart) {
                break;
            }
            Terms.clear();
            for (int G = 1; G <= Groups; ++G) {
                const std::size_t GI = static_cast<std::size_t>(G);
                const auto& GP = Pieces[GI];
                while (PieceAt[GI] < GP.size() && First >= PieceEnd[GI]) {
                    ++PieceAt[GI];
                    if (PieceAt[GI] < GP.size()) {
                        PieceEnd[GI] += GP[PieceAt[GI]].Count;
                    }
                }
                if (PieceAt[GI] >= GP.size()) {
                    continue;  // this raw material ran out before unit First
                }
                const TPiece& P = GP[PieceAt[GI]];
                const TStage& S = *RawMatSuppliers[GI][static_cast<std::size_t>(P.K)];
                OrderCost += S.ProductCost;
                if (PieceEnd[GI] - P.Count == First) {
                    OrderCost += S.FixedCost;  // first unit from this supplier in this period
                }
                Terms.push_back(S.ProductCost);
            }
            OrderCost = AddRepeatedCycle(OrderCost, Terms, End - First - 1);
        }

        for (int G = 1; G <= Groups; ++G) {
            for (const TPiece& P : Pieces[static_cast<std::size_t>(G)]) {
                if (P.Count > 0) {
                    RawMatSuppliers[static_cast<std::size_t>(G)][static_cast<std::size_t>(P.K)]->RemoveFromOutboxMany(
                        T, StageNum, P.Count, RecordStats);
                }
            }
        }
    }
    if (ToStart > 0) {
        Pipeline.StartUnits(ToStart, T);
    }

    // Finish processing.
    if (Failed) {
        Pipeline.AddFailureDelay();
    } else {
        Outbox += Pipeline.TakeCompleteAtHead(T, ProcTime);
    }

    if (RecordStats) {
        Stats.Get(MetricOrderCost)->Add(OrderCost);
        Stats.Get(MetricType1SL)->Add(Backorders() <= InvLevel() ? 1.0 : 0.0);
    }

    // Ship external demand from the head of the order list; a customer's order at the head
    // stops it (customers take their units in their own step).
    double StockoutCostSum = 0;
    const int64_t MaxPeriod = MaxPeriodFor(T);
    while (!DemandList.Empty() && Outbox > 0 && !IsFailed(T)) {
        const TOrderRun& Head = DemandList.Runs().front();
        if (Head.CustomerKey != 0 || Head.Period > MaxPeriod) {
            break;
        }
        const int64_t Count = std::min(Head.Count, Outbox);
        const int64_t ServiceTime = static_cast<int64_t>(T) - Head.Period;
        if (RecordStats) {
            Stats.Get(MetricFillRate)->AddMany(ServiceTime == 0 ? 1.0 : 0.0, Count);
            Stats.Get(MetricWithinCST)->AddMany(ServiceTime <= CommittedServiceTime ? 1.0 : 0.0, Count);
            Stats.Histogram().AddMany(ServiceTime, Count);
        }
        const int64_t Late = ServiceTime - CommittedServiceTime;
        if (Late > 0) {
            const double PerOrder = StockoutPerUnitTime ? StockoutCost * static_cast<double>(Late) : StockoutCost;
            StockoutCostSum = AddRepeated(StockoutCostSum, PerOrder, Count);
        }
        DemandList.TakeFromHead(Count);
        Outbox -= Count;
    }
    if (RecordStats) {
        Stats.Get(MetricStockoutCost)->Add(StockoutCostSum);
    }
}
