// The two period steps of a stage: ordering (RequestProcessing) and production and shipping
// (DoProcessing). Both work on runs of units; every count, cost and statistic equals what the
// same steps give one unit at a time.
#include <algorithm>
#include <array>
#include <span>
#include <limits>
#include <string>
#include <vector>

#include "engine/OneBased.h"
#include "engine/Stage.h"
#include "stats/RepeatedSum.h"

namespace {

// "No capacity limit" as a count of starts or orders.
constexpr int64_t Unlimited = std::numeric_limits<int64_t>::max() / 4;

int64_t CapacityOf(const TStage& S)
{
    const int32_t Capacity = S.Params().ProcCapacity;
    return Capacity == IntInf ? Unlimited : static_cast<int64_t>(Capacity);
}

}  // namespace

void TStage::RequestProcessing(int32_t T)
{
    const int64_t NewDemand = DemandList_.MarkNewAsSeen();
    const int64_t IP = InvLevel() + OnOrder() - Backorders();
    const int64_t OrderQty = std::max<int64_t>(0, PolicyOrderQty(T, IP, NewDemand));

    // Every supplier's entry of the order history is written, 0 for those not ordered from, so
    // the period's row needs no clearing beforehand (its layout is the groups of the run).
    int64_t* const History = OrderQtyHist_.Row(T);
    for (int G = 1; G <= NumRawMaterials_; ++G) {
        const std::vector<TStage*>& Group = Elem(RawMatSuppliers_, G);
        const int Count = Elem(RawMatNumSuppliers_, G);
        const int Held = History != nullptr ? OrderQtyHist_.NumSuppliers(G) : 0;
        int64_t Remaining = OrderQty;
        for (int K = 1; K <= Count; ++K) {
            TStage& S = *Elem(Group, K);
            int64_t Amount = 0;
            if (Remaining > 0 && !S.IsFailed(T)) {
                const int64_t Taken = S.DerivedDemandAt(T);
                const int64_t Capacity = CapacityOf(S);
                if (Taken < Capacity) {
                    Amount = std::min(Remaining, Capacity - Taken);
                    S.AddDemand(Amount, StageNum, T);
                    Remaining -= Amount;
                }
            }
            if (K <= Held) {
                History[OrderQtyHist_.Column(G, K)] = Amount;
            }
        }
        if (Remaining > 0) {
            // Beyond every supplier's capacity: the rest goes to the first supplier regardless.
            Group[1]->AddDemand(Remaining, StageNum, T);
            if (Held >= 1) {
                History[OrderQtyHist_.Column(G, 1)] += Remaining;
            }
        }
    }
    Pipeline_.Append(OrderQty, T);
    if (History != nullptr) {
        History[0] = OrderQty;
    }
}

void TStage::DoProcessing(int32_t T, bool Failed, bool RecordStats, std::vector<std::string>& Warnings)
{
    const int64_t Waiting = Pipeline_.Count() - Pipeline_.Started();
    double OrderCost = 0;
    int64_t Started = 0;
    if (NumRawMaterials_ == 1 && Elem(RawMatNumSuppliers_, 1) == 1) {
        // One supplier: the starts are what it can fill within the other bounds, so taking up to
        // those bounds takes exactly them, in one walk of its orders instead of a count and a take.
        const int64_t Max = std::min(std::max<int64_t>(CapacityOf(*this), 0), Waiting);
        Started = Elem(RawMatSuppliers_, 1)[1]->RemoveFromOutbox(T, StageNum, Max, RecordStats);
        if (Started > 0) {
            TWithdrawalPlan Plan;
            Plan.Units = Started;
            Plan.Groups = 1;
            Plan.First[1] = 0;
            Plan.NumPieces[1] = 1;
            Plan.Pieces[0] = {1, Started};
            OrderCost = OrderCosts(Plan);
        }
    } else {
        TCanFill CanFill;
        const int64_t Avail = AvailableStarts(T, CanFill);
        Started = std::min(std::max<int64_t>(Avail, 0), Waiting);
        if (Started > 0 && NumRawMaterials_ > 0) {
            const TWithdrawalPlan Plan = PlanWithdrawals(T, Started, CanFill, Warnings);
            OrderCost = OrderCosts(Plan);
            Withdraw(Plan, T, RecordStats);
            Started = Plan.Units;
        }
    }
    if (Started > 0) {
        Pipeline_.StartUnits(Started, T);
    }

    if (Failed) {
        Pipeline_.AddFailureDelay();
    } else {
        AddToOutbox(Pipeline_.TakeCompleteAtHead(T, ProcTime));
    }

    if (RecordStats) {
        Stats_.Get(MetricOrderCost)->Add(OrderCost);
        Stats_.Get(MetricType1SL)->Add(Backorders() <= InvLevel() ? 1.0 : 0.0);
    }
    const double StockoutCost = ShipExternalDemand(T, RecordStats);
    if (RecordStats) {
        Stats_.Get(MetricStockoutCost)->Add(StockoutCost);
    }
}

int64_t TStage::AvailableStarts(int32_t T, TCanFill& CanFill) const
{
    int64_t Avail = CapacityOf(*this);
    CanFill.First[1] = 0;
    for (int G = 1; G <= NumRawMaterials_; ++G) {
        int64_t Sum = 0;
        const int Count = Elem(RawMatNumSuppliers_, G);
        for (int K = 1; K <= Count; ++K) {
            Sum += CanFill.At(G, K) = Elem(Elem(RawMatSuppliers_, G), K)->GetInvAvail(T, StageNum);
        }
        Elem(CanFill.First, G + 1) = Elem(CanFill.First, G) + Count;
        Avail = std::min(Avail, Sum);
    }
    return Avail;
}

TWithdrawalPlan TStage::PlanWithdrawals(int32_t T, int64_t ToStart, const TCanFill& CanFill,
                                        std::vector<std::string>& Warnings) const
{
    TWithdrawalPlan Plan;
    Plan.Units = ToStart;
    Plan.Groups = NumRawMaterials_;
    std::copy_n(CanFill.First.begin() + 1, Plan.Groups + 1, Plan.First.begin() + 1);
    std::array<int64_t, MaxLinks + 1> Served;  // [1..Groups]
    int64_t MinServed = ToStart;
    for (int G = 1; G <= Plan.Groups; ++G) {
        TWithdrawalPlan::TPiece* Pieces = Plan.Group(G);
        int& NumPieces = Elem(Plan.NumPieces, G);
        NumPieces = 0;
        const std::vector<TStage*>& Group = Elem(RawMatSuppliers_, G);
        int64_t Remaining = ToStart;
        for (int K = 1; K <= Elem(RawMatNumSuppliers_, G) && Remaining > 0; ++K) {
            // A supplier listed twice in a group sees what its first listing already took.
            int64_t CanFillNow = CanFill.At(G, K);
            for (int P = 0; P < NumPieces; ++P) {
                if (Elem(Group, Elem(Pieces, P).K) == Elem(Group, K)) {
                    CanFillNow -= Elem(Pieces, P).Count;
                }
            }
            const int64_t Take = std::min(Remaining, std::max<int64_t>(CanFillNow, 0));
            if (Take > 0) {
                Elem(Pieces, NumPieces++) = {K, Take};
                Remaining -= Take;
            }
        }
        Elem(Served, G) = ToStart - Remaining;
        MinServed = std::min(MinServed, ToStart - Remaining);
    }
    if (MinServed < ToStart) {
        // The availability count and the withdrawals disagree: a warning for the first unit that
        // finds a raw material missing, start that unit, and start no further ones.
        Plan.Units = MinServed + 1;
        for (int G = 1; G <= Plan.Groups; ++G) {
            if (Elem(Served, G) < Plan.Units) {
                Warnings.push_back("No raw material " + std::to_string(Elem(RawMatProduct_, G)) + " found for stage " +
                                   std::to_string(StageNum) + " in period " + std::to_string(T) +
                                   " even though passed raw material availability test.");
            }
        }
        for (int G = 1; G <= Plan.Groups; ++G) {
            int64_t Left = Plan.Units;
            for (int P = 0; P < Elem(Plan.NumPieces, G); ++P) {
                TWithdrawalPlan::TPiece& Piece = Plan.Group(G)[P];
                Piece.Count = std::min(Piece.Count, Left);
                Left -= Piece.Count;
            }
        }
    }
    return Plan;
}

double TStage::FirstSuppliersOrderCost(int64_t Units)
{
    // The sums of one unit more are the sums of one unit less plus a unit's terms, as the
    // general rule below adds them.
    if (FirstSuppliersCost_.empty()) {
        double Cost = 0;
        for (int G = 1; G <= NumRawMaterials_; ++G) {
            const TStage& S = *Elem(RawMatSuppliers_, G)[1];
            Cost += S.ProductCost;
            Cost += S.FixedCost;
        }
        FirstSuppliersCost_.push_back(Cost);
    }
    while (static_cast<int64_t>(FirstSuppliersCost_.size()) < Units) {
        double Cost = FirstSuppliersCost_.back();
        for (int G = 1; G <= NumRawMaterials_; ++G) {
            Cost += Elem(RawMatSuppliers_, G)[1]->ProductCost;
        }
        FirstSuppliersCost_.push_back(Cost);
    }
    return Elem(FirstSuppliersCost_, Units - 1);
}

namespace {

// The units at which some group of Plan changes supplier, with 0 and Plan.Units, in order and
// each once; returns how many.
std::size_t SupplierBreaks(const TWithdrawalPlan& Plan, std::array<int64_t, 2 * MaxLinks + 4>& Breaks)
{
    std::size_t NumBreaks = 0;
    Breaks[NumBreaks++] = 0;
    Breaks[NumBreaks++] = Plan.Units;
    for (int G = 1; G <= Plan.Groups; ++G) {
        int64_t At = 0;
        for (int P = 0; P < Elem(Plan.NumPieces, G); ++P) {
            At += Plan.Group(G)[P].Count;
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
    return static_cast<std::size_t>(
        std::unique(Breaks.begin(), Breaks.begin() + static_cast<std::ptrdiff_t>(NumBreaks)) - Breaks.begin());
}

// Whether every group of Plan takes all its units from its first supplier, the usual plan.
bool AllFromFirstSuppliers(const TWithdrawalPlan& Plan)
{
    for (int G = 1; G <= Plan.Groups; ++G) {
        if (Elem(Plan.NumPieces, G) != 1 || Plan.Group(G)[0].K != 1 ||
            Plan.Group(G)[0].Count != Plan.Units) {
            return false;
        }
    }
    return true;
}

}  // namespace

double TStage::OrderCosts(const TWithdrawalPlan& Plan)
{
    // Up to this many units, the costs of the usual plan are remembered (8 bytes a unit).
    constexpr int64_t RememberedUnits = 4096;
    if (Plan.Units <= RememberedUnits && AllFromFirstSuppliers(Plan)) {
        return FirstSuppliersOrderCost(Plan.Units);
    }

    // Costs in unit order: per unit, each group's supplier's product cost, plus its fixed cost on
    // the first unit taken from it. Within a stretch of units in which no group changes supplier,
    // every unit adds the same terms, so the stretch is one exact repeated sum.
    std::array<int64_t, 2 * MaxLinks + 4> Breaks;
    const std::size_t NumBreaks = SupplierBreaks(Plan, Breaks);

    std::array<int, MaxLinks + 1> PieceAt;      // the piece serving the current stretch, by group
    std::array<int64_t, MaxLinks + 1> PieceEnd;  // the unit after that piece, by group
    for (int G = 1; G <= Plan.Groups; ++G) {
        Elem(PieceAt, G) = 0;
        Elem(PieceEnd, G) = Elem(Plan.NumPieces, G) == 0 ? 0 : Plan.Group(G)[0].Count;
    }
    double OrderCost = 0;
    std::array<double, MaxLinks + 1> Terms;
    for (std::size_t B = 0; B + 1 < NumBreaks && Breaks[B] < Plan.Units; ++B) {
        const int64_t First = Breaks[B];
        std::size_t NumTerms = 0;
        for (int G = 1; G <= Plan.Groups; ++G) {
            int& At = Elem(PieceAt, G);
            const int NumPieces = Elem(Plan.NumPieces, G);
            while (At < NumPieces && First >= Elem(PieceEnd, G)) {
                if (++At < NumPieces) {
                    Elem(PieceEnd, G) += Plan.Group(G)[At].Count;
                }
            }
            if (At >= NumPieces) {
                continue;  // this raw material ran out before unit First
            }
            const TWithdrawalPlan::TPiece& Piece = Plan.Group(G)[At];
            const TStage& S = *Elem(Elem(RawMatSuppliers_, G), Piece.K);
            OrderCost += S.ProductCost;
            if (Elem(PieceEnd, G) - Piece.Count == First) {
                OrderCost += S.FixedCost;  // first unit from this supplier in this period
            }
            Terms[NumTerms++] = S.ProductCost;
        }
        OrderCost = AddRepeatedCycle(OrderCost, std::span<const double>(Terms.data(), NumTerms), Breaks[B + 1] - First - 1);
    }
    return OrderCost;
}

void TStage::Withdraw(const TWithdrawalPlan& Plan, int32_t T, bool RecordStats)
{
    for (int G = 1; G <= Plan.Groups; ++G) {
        for (int P = 0; P < Elem(Plan.NumPieces, G); ++P) {
            const TWithdrawalPlan::TPiece& Piece = Plan.Group(G)[P];
            if (Piece.Count > 0) {
                Elem(Elem(RawMatSuppliers_, G), Piece.K)->RemoveFromOutbox(T, StageNum, Piece.Count, RecordStats);
            }
        }
    }
}

double TStage::ShipExternalDemand(int32_t T, bool RecordStats)
{
    // From the head of the order list; a customer's order at the head stops it (customers take
    // their units in their own step).
    double Sum = 0;
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
            Sum = AddRepeated(Sum, PerOrder, Count);
        }
        DemandList_.TakeFromHead(Count);
        Outbox_ -= Count;
    }
    return Sum;
}
