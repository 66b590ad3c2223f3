// The two period steps of a stage: ordering (RequestProcessing) and production and shipping
// (DoProcessing). Both work on runs of units; every count, cost and statistic equals what the
// same steps give one unit at a time.
#include <algorithm>
#include <array>
#include <span>
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
    int K;          // supplier position in the group
    int64_t Count;  // units
};

}  // namespace

void TStage::RequestProcessing(int32_t T)
{
    const int64_t NewDemand = DemandList_.MarkNewAsSeen();
    const int64_t IP = InvLevel() + OnOrder() - Backorders();
    const int64_t OrderQty = std::max<int64_t>(0, PolicyOrderQty(T, IP, NewDemand));

    for (int G = 1; G <= NumRawMaterials_ && OrderQty > 0; ++G) {
        const std::vector<TStage*>& Group = RawMatSuppliers_[static_cast<std::size_t>(G)];
        const int Count = RawMatNumSuppliers_[static_cast<std::size_t>(G)];
        int64_t Remaining = OrderQty;
        for (int K = 1; K <= Count && Remaining > 0; ++K) {
            TStage& S = *Group[static_cast<std::size_t>(K)];
            if (S.IsFailed(T)) {
                continue;
            }
            const int64_t Taken = (T >= 0 && static_cast<std::size_t>(T) < S.DerivedDemandHist_.size())
                                      ? S.DerivedDemandHist_[static_cast<std::size_t>(T)]
                                      : 0;
            const int64_t Capacity = CapacityOf(S);
            if (Taken < Capacity) {
                const int64_t Amount = std::min(Remaining, Capacity - Taken);
                S.AddDemand(Amount, StageNum, T);
                if (OrderQtyHist_.Holds(T, G, K)) {
                    OrderQtyHist_.At(T, G, K) = Amount;
                }
                Remaining -= Amount;
            }
        }
        if (Remaining > 0) {
            // Beyond every supplier's capacity: the rest goes to the first supplier regardless.
            Group[1]->AddDemand(Remaining, StageNum, T);
            if (OrderQtyHist_.Holds(T, G, 1)) {
                OrderQtyHist_.At(T, G, 1) += Remaining;
            }
        }
    }
    Pipeline_.Append(OrderQty, T);
    if (OrderQtyHist_.Holds(T, 0, 0)) {
        OrderQtyHist_.At(T, 0, 0) = OrderQty;
    }
}

void TStage::DoProcessing(int32_t T, bool Failed, bool RecordStats, Dialogs& Messages)
{
    const int Groups = NumRawMaterials_;

    // Available starts: capacity, and for every raw material what its suppliers can fill now.
    // What each supplier can fill is kept for planning the withdrawals below.
    std::array<std::array<int64_t, MaxLinks + 1>, MaxLinks + 1> CanFillNow;
    int64_t Avail = CapacityOf(*this);
    for (int G = 1; G <= Groups; ++G) {
        const std::size_t GI = static_cast<std::size_t>(G);
        int64_t Sum = 0;
        for (int K = 1; K <= RawMatNumSuppliers_[GI]; ++K) {
            const std::size_t KI = static_cast<std::size_t>(K);
            CanFillNow[GI][KI] = RawMatSuppliers_[GI][KI]->GetInvAvail(T, StageNum);
            Sum += CanFillNow[GI][KI];
        }
        Avail = std::min(Avail, Sum);
    }

    // Start processing: the oldest units not yet started, up to Avail.
    double OrderCost = 0;
    const int64_t Waiting = Pipeline_.Count() - Pipeline_.Started();
    int64_t ToStart = std::min(std::max<int64_t>(Avail, 0), Waiting);
    if (ToStart > 0 && Groups > 0) {
        // Plan which supplier serves which units. Units take from the group's suppliers in order,
        // each supplier serving as many as it can fill now (a supplier listed twice in a group
        // sees what its first listing already took). At most 25 suppliers in all: no heap.
        std::array<std::array<TPiece, MaxLinks + 1>, MaxLinks + 1> Pieces;
        std::array<int, MaxLinks + 1> NumPieces;
        std::array<int64_t, MaxLinks + 1> Served;
        int64_t MinServed = ToStart;
        for (int G = 1; G <= Groups; ++G) {
            const std::size_t GI = static_cast<std::size_t>(G);
            NumPieces[GI] = 0;
            const std::vector<TStage*>& Group = RawMatSuppliers_[GI];
            const int Count = RawMatNumSuppliers_[GI];
            int64_t Remaining = ToStart;
            for (int K = 1; K <= Count && Remaining > 0; ++K) {
                const TStage* Supplier = Group[static_cast<std::size_t>(K)];
                int64_t CanFill = CanFillNow[GI][static_cast<std::size_t>(K)];
                for (int P = 0; P < NumPieces[GI]; ++P) {
                    if (Group[static_cast<std::size_t>(Pieces[GI][static_cast<std::size_t>(P)].K)] == Supplier) {
                        CanFill -= Pieces[GI][static_cast<std::size_t>(P)].Count;
                    }
                }
                const int64_t Take = std::min(Remaining, std::max<int64_t>(CanFill, 0));
                if (Take > 0) {
                    Pieces[GI][static_cast<std::size_t>(NumPieces[GI]++)] = {K, Take};
                    Remaining -= Take;
                }
            }
            Served[GI] = ToStart - Remaining;
            MinServed = std::min(MinServed, ToStart - Remaining);
        }
        if (MinServed < ToStart) {
            // The availability count and the withdrawals disagree: report it for the first unit
            // that finds a raw material missing, start that unit, and start no further ones.
            ToStart = MinServed + 1;
            for (int G = 1; G <= Groups; ++G) {
                if (Served[static_cast<std::size_t>(G)] < ToStart) {
                    Messages.ShowError("No raw material " + std::to_string(RawMatProduct_[static_cast<std::size_t>(G)]) +
                                       " found for stage " + std::to_string(StageNum) + " in period " +
                                       std::to_string(T) + " even though passed raw material availability test.");
                }
            }
            for (int G = 1; G <= Groups; ++G) {
                int64_t Left = ToStart;
                for (int P = 0; P < NumPieces[static_cast<std::size_t>(G)]; ++P) {
                    TPiece& Piece = Pieces[static_cast<std::size_t>(G)][static_cast<std::size_t>(P)];
                    Piece.Count = std::min(Piece.Count, Left);
                    Left -= Piece.Count;
                }
            }
        }

        // Costs in unit order: per unit, each group's supplier's product cost, plus its fixed
        // cost on the first unit taken from it. Within a stretch of units in which no group
        // changes supplier, every unit adds the same terms.
        std::array<int64_t, 2 * MaxLinks + 4> Breaks;
        std::size_t NumBreaks = 0;
        Breaks[NumBreaks++] = 0;
        Breaks[NumBreaks++] = ToStart;
        for (int G = 1; G <= Groups; ++G) {
            int64_t At = 0;
            for (int P = 0; P < NumPieces[static_cast<std::size_t>(G)]; ++P) {
                At += Pieces[static_cast<std::size_t>(G)][static_cast<std::size_t>(P)].Count;
                Breaks[NumBreaks++] = At;
            }
        }
        // A handful of values: insertion sort.
        for (std::size_t I = 1; I < NumBreaks; ++I) {
            const int64_t V = Breaks[I];
            std::size_t J = I;
            for (; J > 0 && Breaks[J - 1] > V; --J) {
                Breaks[J] = Breaks[J - 1];
            }
            Breaks[J] = V;
        }
        NumBreaks = static_cast<std::size_t>(
            std::unique(Breaks.begin(), Breaks.begin() + static_cast<std::ptrdiff_t>(NumBreaks)) - Breaks.begin());
        std::array<int, MaxLinks + 1> PieceAt;
        std::array<int64_t, MaxLinks + 1> PieceEnd;
        for (int G = 1; G <= Groups; ++G) {
            const std::size_t GI = static_cast<std::size_t>(G);
            PieceAt[GI] = 0;
            PieceEnd[GI] = NumPieces[GI] == 0 ? 0 : Pieces[GI][0].Count;
        }
        std::array<double, MaxLinks + 1> Terms;
        for (std::size_t B = 0; B + 1 < NumBreaks; ++B) {
            const int64_t First = Breaks[B];
            const int64_t End = Breaks[B + 1];
            if (First >= ToStart) {
                break;
            }
            std::size_t NumTerms = 0;
            for (int G = 1; G <= Groups; ++G) {
                const std::size_t GI = static_cast<std::size_t>(G);
                while (PieceAt[GI] < NumPieces[GI] && First >= PieceEnd[GI]) {
                    ++PieceAt[GI];
                    if (PieceAt[GI] < NumPieces[GI]) {
                        PieceEnd[GI] += Pieces[GI][static_cast<std::size_t>(PieceAt[GI])].Count;
                    }
                }
                if (PieceAt[GI] >= NumPieces[GI]) {
                    continue;  // this raw material ran out before unit First
                }
                const TPiece& P = Pieces[GI][static_cast<std::size_t>(PieceAt[GI])];
                const TStage& S = *RawMatSuppliers_[GI][static_cast<std::size_t>(P.K)];
                OrderCost += S.ProductCost;
                if (PieceEnd[GI] - P.Count == First) {
                    OrderCost += S.FixedCost;  // first unit from this supplier in this period
                }
                Terms[NumTerms++] = S.ProductCost;
            }
            OrderCost = AddRepeatedCycle(OrderCost, std::span<const double>(Terms.data(), NumTerms), End - First - 1);
        }

        for (int G = 1; G <= Groups; ++G) {
            const std::size_t GI = static_cast<std::size_t>(G);
            for (int P = 0; P < NumPieces[GI]; ++P) {
                const TPiece& Piece = Pieces[GI][static_cast<std::size_t>(P)];
                if (Piece.Count > 0) {
                    RawMatSuppliers_[GI][static_cast<std::size_t>(Piece.K)]->RemoveFromOutbox(T, StageNum, Piece.Count,
                                                                                                 RecordStats);
                }
            }
        }
    }
    if (ToStart > 0) {
        Pipeline_.StartUnits(ToStart, T);
    }

    // Finish processing.
    if (Failed) {
        Pipeline_.AddFailureDelay();
    } else {
        AddToOutbox(Pipeline_.TakeCompleteAtHead(T, ProcTime));
    }

    if (RecordStats) {
        Stats_.Get(MetricOrderCost)->Add(OrderCost);
        Stats_.Get(MetricType1SL)->Add(Backorders() <= InvLevel() ? 1.0 : 0.0);
    }

    // Ship external demand from the head of the order list; a customer's order at the head
    // stops it (customers take their units in their own step).
    double StockoutCostSum = 0;
    const int64_t MaxPeriod = MaxPeriodFor(T);
    while (!DemandList_.Empty() && Outbox_ > 0 && !IsFailed(T)) {
        const TOrderRun& Head = DemandList_.Runs().front();
        if (Head.CustomerKey != 0 || Head.Period > MaxPeriod) {
            break;
        }
        const int64_t Count = std::min(Head.Count, Outbox_);
        const int64_t ServiceTime = static_cast<int64_t>(T) - Head.Period;
        if (RecordStats) {
            RecordShipment(Count, ServiceTime);
        }
        const int64_t Late = ServiceTime - CommittedServiceTime;
        if (Late > 0) {
            const double PerOrder = StockoutPerUnitTime ? StockoutCost * static_cast<double>(Late) : StockoutCost;
            StockoutCostSum = AddRepeated(StockoutCostSum, PerOrder, Count);
        }
        DemandList_.TakeFromHead(Count);
        Outbox_ -= Count;
    }
    if (RecordStats) {
        Stats_.Get(MetricStockoutCost)->Add(StockoutCostSum);
    }
}
