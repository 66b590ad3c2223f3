#include "engine/Simulation.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <optional>
#include <system_error>

#include "engine/DrawAhead.h"
#include "engine/OneBased.h"
#include "engine/Rounding.h"
#include "stats/Stats.h"

double SystemCost(const TCostTotals& Costs, int Metric)
{
    switch (Metric) {
    case MetricTotalCost:
        return Costs.TotalCost;
    case MetricOrderCost:
        return Costs.OrderCost;
    case MetricHoldingCost:
        return Costs.HoldingCost;
    case MetricWIPHoldingCost:
        return Costs.WIPHoldingCost;
    case MetricStockoutCost:
        return Costs.StockoutCost;
    default:
        return 0;
    }
}

int TSimulation::AddStage()
{
    if (NumStages_ >= MaxStages) {
        return 0;
    }
    ++NumStages_;
    Elem(Stages_, NumStages_) = std::make_unique<TStage>(NumStages_, NumStages_);
    Modified_ = true;
    return NumStages_;
}

std::string LinkRefusalText(TLinkResult Result)
{
    switch (Result) {
    case TLinkResult::Linked: return "";
    case TLinkResult::NotHigher: return "Supplier index must be greater than customer index.";
    case TLinkResult::Exists: return "This link already exists.";
    case TLinkResult::NoSuchStage: return "There is no such stage in this model.";
    case TLinkResult::Full:
        return "A stage can have at most " + std::to_string(MaxLinks) + " suppliers and " + std::to_string(MaxLinks) +
               " customers.";
    }
    return "";
}

TLinkResult TSimulation::CheckLink(int SupplierNum, int CustomerNum) const
{
    if (CustomerNum < 1 || SupplierNum < 1 || CustomerNum > NumStages_ || SupplierNum > NumStages_) {
        return TLinkResult::NoSuchStage;
    }
    if (CustomerNum >= SupplierNum) {
        return TLinkResult::NotHigher;
    }
    const TStage& Supplier = Stage(SupplierNum);
    const TStage& Customer = Stage(CustomerNum);
    if (Customer.HasSupplier(Supplier)) {
        return TLinkResult::Exists;
    }
    if (Supplier.NumCustomers() >= MaxLinks || Customer.NumSuppliers() >= MaxLinks) {
        return TLinkResult::Full;
    }
    return TLinkResult::Linked;
}

TLinkResult TSimulation::Link(int SupplierNum, int CustomerNum)
{
    const TLinkResult Check = CheckLink(SupplierNum, CustomerNum);
    if (Check != TLinkResult::Linked) {
        return Check;
    }
    TStage& Customer = EditableStage(CustomerNum);
    // CheckLink found room in both lists.
    [[maybe_unused]] const bool Added = EditableStage(SupplierNum).AddCustomer(Customer);
    assert(Added);
    Customer.PopulateRawMaterials();
    Modified_ = true;
    return TLinkResult::Linked;
}

double TSimulation::GetParam(int StageNum, int Index) const
{
    return StageNum >= 1 && StageNum <= NumStages_ ? Stage(StageNum).GetParam(Index) : 0.0;
}

void TSimulation::SetParam(int StageNum, int Index, double Value)
{
    if (StageNum < 1 || StageNum > NumStages_ || Index < 0 || Index >= NumParams) {
        return;
    }
    TStage& S = EditableStage(StageNum);
    const int32_t Product = S.ProductIndex;
    const double Cost = S.ProductCost;
    const double Old = S.GetParam(Index);
    S.SetParam(Index, Value);
    Modified_ = Modified_ || S.GetParam(Index) != Old;
    RebuildGroupsAfterWrite(S, Product, Cost);
}

void TSimulation::SetStageParams(int StageNum, const TStageParams& Params)
{
    if (StageNum < 1 || StageNum > NumStages_) {
        return;
    }
    TStage& S = EditableStage(StageNum);
    const int32_t Product = S.ProductIndex;
    const double Cost = S.ProductCost;
    for (int I = 0; I < NumParams; ++I) {
        const double Old = S.GetParam(I);
        S.SetParam(I, Params.GetParam(I));
        Modified_ = Modified_ || S.GetParam(I) != Old;
    }
    RebuildGroupsAfterWrite(S, Product, Cost);
}

void TSimulation::SetStagePosition(int StageNum, int32_t X, int32_t Y)
{
    if (StageNum < 1 || StageNum > NumStages_) {
        return;
    }
    TStage& S = EditableStage(StageNum);
    Modified_ = Modified_ || X != S.PosX_ || Y != S.PosY_;
    S.PosX_ = X;
    S.PosY_ = Y;
}

bool TSimulation::RestoreLinkList(int StageNum, bool Suppliers, const std::vector<int>& Others)
{
    if (StageNum < 1 || StageNum > NumStages_ || Others.size() > static_cast<std::size_t>(MaxLinks)) {
        return false;
    }
    for (const int Other : Others) {
        const bool Ordered = Suppliers ? Other > StageNum : Other < StageNum;
        if (!Ordered || Other < 1 || Other > NumStages_) {
            return false;
        }
    }
    TStage& S = EditableStage(StageNum);
    int& Num = Suppliers ? S.NumSuppliers_ : S.NumCustomers_;
    auto& Links = Suppliers ? S.Suppliers_ : S.Customers_;
    Num = 0;
    for (const int Other : Others) {
        Elem(Links, ++Num) = &EditableStage(Other);
    }
    if (Suppliers) {
        S.PopulateRawMaterials();
    }
    Modified_ = true;
    return true;
}

void TSimulation::RebuildGroupsAfterWrite(const TStage& S, int32_t OldProduct, double OldCost)
{
    // Of a supplier's parameters, a group reads its product index and product cost only. A NaN
    // cost never compares equal, so it always rebuilds.
    if (S.ProductIndex == OldProduct && S.ProductCost == OldCost) {
        return;
    }
    // Every stage that lists S, also where S does not list it back (as a model file can say).
    for (int N = 1; N <= NumStages_; ++N) {
        TStage& Customer = EditableStage(N);
        if (Customer.HasSupplier(S)) {
            Customer.PopulateRawMaterials();
        }
    }
}

void TSimulation::RebuildAllGroups()
{
    for (int N = 1; N <= NumStages_; ++N) {
        EditableStage(N).PopulateRawMaterials();
    }
}

TCostTotals TSimulation::RunSimulation(int32_t NumPeriods, int32_t WarmUpPeriods, int64_t SeedValue)
{
    RunWarnings_.clear();
    Random_.Seed(SeedValue);
    WarmUp_ = WarmUpPeriods;
    if (Period_ == 0) {
        for (int N = 1; N <= NumStages_; ++N) {
            TStage& S = EditableStage(N);
            switch (S.InvPolicy) {
            case PolicyBaseStock:
                S.AddToOutbox(S.BaseStockLevel);
                break;
            case PolicyRQ:
                S.AddToOutbox(static_cast<int64_t>(S.RQReorderPoint) + S.RQOrderQty);
                break;
            case PolicySS:
                S.AddToOutbox(S.SSOrderUpTo);
                break;
            case PolicyOQ:
                S.AddToOutbox(S.OQInitIL);
                break;
            default:
                break;
            }
        }
    }
    Run(NumPeriods);
    return CostTotals();
}

void TSimulation::Run(int32_t NumPeriods)
{
    if (NumPeriods <= 0) {
        return;
    }
    // Callers reset before a run; should one not, the history still covers every period to come
    // and the periods already simulated read as zeros.
    const int32_t LastPeriod = Period_ + NumPeriods;
    TDrawState Draws;
    std::size_t DemandStages = 0;
    for (int N = 1; N <= NumStages_; ++N) {
        TStage& S = EditableStage(N);
        S.PopulateRawMaterials();
        S.PrepareHistory(LastPeriod, Period_ + 1, KeepHistory_);
        S.ForceCST_ = ForceCST_;
        for (int32_t P = 1; P <= Period_; ++P) {
            S.DemandWindow_.Record(0);  // the discarded history reads as zeros
        }
        Draws.Stages[static_cast<std::size_t>(Draws.NumStages)] = &S;
        Draws.Failed[static_cast<std::size_t>(Draws.NumStages++)] = Period_ > 0 && S.IsFailed(Period_) ? 1 : 0;
        DemandStages += S.DemandMean > 0 ? 1 : 0;
    }
    const bool Ahead = DrawMode_ == TDrawMode::AheadAlways ||
                       (DrawMode_ == TDrawMode::AheadWhenItPays && DrawAheadPays(DemandStages, NumPeriods));
    if (!Ahead || !RunDrawingAhead(NumPeriods, Draws, DemandStages)) {
        std::array<int64_t, MaxStages> Demands{};
        std::array<uint8_t, MaxStages> Failed{};
        for (int32_t I = 0; I < NumPeriods; ++I) {
            DrawPeriod(Random_, Draws, Demands.data(), Failed.data());
            SimulatePeriod(Demands.data(), Failed.data());
        }
    }
    for (int N = 1; N <= NumStages_; ++N) {
        EditableStage(N).FlushStats();  // the statistics held back for the end
    }
}

bool TSimulation::RunDrawingAhead(int32_t NumPeriods, const TDrawState& Draws, std::size_t DemandStages)
{
    // The drawing thread takes the generator and the demand windows until the last period, in
    // lines of its own.
    struct alignas(64) TDrawer {
        TRandom Random;
        TDrawState State;
    } Drawer{Random_, Draws};
    std::optional<TDrawAhead> Ahead;
    try {
        Ahead.emplace(DemandStages, static_cast<std::size_t>(NumStages_), NumPeriods,
                      [&Drawer](int64_t* Demands, uint8_t* Failed) {
                          DrawPeriod(Drawer.Random, Drawer.State, Demands, Failed);
                      });
    } catch (const std::system_error&) {
        return false;  // no thread to be had: the caller draws in line, from the same state
    }
    for (int32_t I = 0; I < NumPeriods; ++I) {
        const TDrawAhead::TRecord Record = Ahead->Next();
        SimulatePeriod(Record.Demands, Record.Failed);
    }
    Ahead->Finish();
    Random_ = Drawer.Random;
    return true;
}

void TSimulation::DrawPeriod(TRandom& Random, TDrawState& State, int64_t* Demands, uint8_t* Failed)
{
    // Every stage's demand, then every stage's failure: the order of the generator's sequence.
    const auto Stages = static_cast<std::size_t>(State.NumStages);
    for (std::size_t K = 0; K < Stages; ++K) {
        TStage& S = *State.Stages[K];
        if (S.DemandMean > 0) {
            const int64_t D = DrawDemand(Random, S);
            S.DemandWindow_.Record(D);
            *Demands++ = D;
        }
    }
    for (std::size_t K = 0; K < Stages; ++K) {
        Failed[K] = State.Failed[K] = DrawFailure(Random, *State.Stages[K], State.Failed[K] != 0) ? 1 : 0;
    }
}

int64_t TSimulation::DrawDemand(TRandom& Random, TStage& S)
{
    int64_t D = Random.NormalUnits(S.DemandMean, S.DemandSD);
    if (D < 0) {
        D = 0;
    }
    if (!S.DemandWindow_.Active() || S.DemandWindow_.Recorded() >= S.DemandWindow_.Periods()) {
        return D;
    }
    return S.DemandWindow_.Apply(D);
}

bool TSimulation::DrawFailure(TRandom& Random, const TStage& S, bool WasFailed)
{
    const double U = Random.Uniform();
    return WasFailed ? U > S.RecoveryProb : U < S.FailureProb;
}

void TSimulation::SimulatePeriod(const int64_t* Demands, const uint8_t* FailedNow)
{
    const int32_t T = ++Period_;
    const std::size_t I = static_cast<std::size_t>(T);
    const bool Recorded = T > WarmUp_;

    for (int N = 1; N <= NumStages_; ++N) {
        TStage& S = EditableStage(N);
        S.PrefetchHistory(T + TStage::HistoryPrefetch);
        const bool Failed = FailedNow[N - 1] != 0;
        S.BeginPeriod(T, Failed);
        if (Recorded) {
            S.PeriodStats_.NextRow()[TStage::LaneFailed] = Failed ? 1.0 : 0.0;
        }
        if (S.DemandMean > 0) {
            const int64_t D = *Demands++;
            S.DemandHist_[S.Slot(T)] = D;
            S.AddDemand(D, 0, T);
        }
    }
    for (int N = 1; N <= NumStages_; ++N) {
        EditableStage(N).RequestProcessing(T);
    }
    for (int N = NumStages_; N >= 1; --N) {
        TStage& S = EditableStage(N);
        S.DoProcessing(T, FailedNow[N - 1] != 0, Recorded, RunWarnings_);
    }
    for (int N = 1; N <= NumStages_; ++N) {
        TStage& S = EditableStage(N);
        if (Recorded) {
            const double InvLevel = static_cast<double>(S.InvLevel());
            const double InProcess = static_cast<double>(S.InProcess());
            const double Holding = InvLevel * S.HoldingCost;
            const double WIPHolding = InProcess * S.WIPHoldingCost;
            const TStats& St = S.Stats_;
            const double Total =
                St.Get(MetricOrderCost)->Last() + Holding + WIPHolding + St.Get(MetricStockoutCost)->Last();
            double* Row = S.PeriodStats_.CurrentRow();
            Row[TStage::LaneInvLevel] = InvLevel;
            Row[TStage::LaneBackorders] = static_cast<double>(S.Backorders());
            Row[TStage::LaneOnOrder] = static_cast<double>(S.OnOrder());
            Row[TStage::LaneInProcess] = InProcess;
            Row[TStage::LaneHoldingCost] = Holding;
            Row[TStage::LaneWIPHoldingCost] = WIPHolding;
            Row[TStage::LaneTotalCost] = Total;
            Row[TStage::LaneDerivedDemand] = static_cast<double>(S.DerivedDemandAt(T));
            Row[TStage::LaneOrderQty] = static_cast<double>(S.OrderQtyHist_.At(T, 0, 0));
            Row[TStage::LaneDemand] = S.HasDemandHist() ? static_cast<double>(S.DemandHist_[S.Slot(T)]) : 0.0;
            S.TotalCostHist_[I] = Total;
        } else {
            S.TotalCostHist_[I] = 0;
        }
        S.RecordEndOfPeriod(T);
    }
}

void TSimulation::Reset()
{
    Period_ = 0;
    for (int N = 1; N <= NumStages_; ++N) {
        EditableStage(N).ResetRunState();
    }
}

void TSimulation::ClearModel()
{
    for (int N = 1; N <= NumStages_; ++N) {
        Elem(Stages_, N).reset();
    }
    NumStages_ = 0;
    Modified_ = false;
    Reset();
}

void TSimulation::CopyModel(const TSimulation& From)
{
    ClearModel();
    for (int N = 1; N <= From.NumStages(); ++N) {
        TStage& S = EditableStage(AddStage());
        const TStage& F = From.Stage(N);
        for (int I = 0; I < NumParams; ++I) {
            S.SetParam(I, F.GetParam(I));
        }
        S.PosX_ = F.PosX_;
        S.PosY_ = F.PosY_;
        S.Forecast_ = F.Forecast_;
    }
    for (int N = 1; N <= From.NumStages(); ++N) {
        const TStage& F = From.Stage(N);
        TStage& S = EditableStage(N);
        S.NumSuppliers_ = F.NumSuppliers_;
        S.NumCustomers_ = F.NumCustomers_;
        for (int K = 1; K <= F.NumSuppliers_; ++K) {
            Elem(S.Suppliers_, K) = &EditableStage(Elem(F.Suppliers_, K)->StageNum);
        }
        for (int K = 1; K <= F.NumCustomers_; ++K) {
            Elem(S.Customers_, K) = &EditableStage(Elem(F.Customers_, K)->StageNum);
        }
    }
    RebuildAllGroups();
    ForceCST_ = From.ForceCST_;
    Modified_ = From.Modified_;
    Random_ = From.Random_;
}

void TSimulation::CopyForecasts(const TSimulation& From)
{
    for (int N = 1; N <= std::min(NumStages_, From.NumStages()); ++N) {
        EditableStage(N).Forecast_ = From.Stage(N).Forecast_;
    }
}

TCostTotals TSimulation::CostTotals() const
{
    TCostTotals Totals;
    for (int N = 1; N <= NumStages_; ++N) {
        const TStats& St = Stage(N).Stats();
        Totals.OrderCost += St.Get(MetricOrderCost)->Avg();
        Totals.HoldingCost += St.Get(MetricHoldingCost)->Avg();
        Totals.WIPHoldingCost += St.Get(MetricWIPHoldingCost)->Avg();
        Totals.StockoutCost += St.Get(MetricStockoutCost)->Avg();
        Totals.TotalCost += St.Get(MetricTotalCost)->Avg();
    }
    return Totals;
}
