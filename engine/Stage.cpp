#include "engine/Stage.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/OneBased.h"
#include "engine/Rounding.h"

// ---------------------------------------------------------------------------------------------
// Order history

void TOrderQtyHistory::Reshape(int32_t Periods, const std::vector<int32_t>& GroupProducts,
                               const std::vector<std::vector<int32_t>>& GroupSuppliers, int32_t FirstPeriod,
                               bool Kept)
{
    Periods_ = Periods;
    Kept_ = Kept;
    GroupProducts_ = GroupProducts;
    GroupSuppliers_ = GroupSuppliers;
    std::size_t MaxSuppliers = 0;
    for (const auto& Group : GroupSuppliers_) {
        MaxSuppliers = std::max(MaxSuppliers, Group.empty() ? 0 : Group.size() - 1);
    }
    Columns_ = MaxSuppliers + 1;
    Stride_ = GroupProducts_.size() * Columns_;
    const std::size_t Rows = Kept ? static_cast<std::size_t>(Periods) + 1 : 2;
    if (Data_.size() < Rows * Stride_) {
        Data_.resize(Rows * Stride_);
    }
    const std::size_t Zeroed = Kept ? static_cast<std::size_t>(std::min(FirstPeriod, Periods + 1)) : Rows;
    std::fill_n(Data_.begin(), Zeroed * Stride_, 0);
}

void TOrderQtyHistory::Clear()
{
    Periods_ = 0;
    Columns_ = 0;
    Stride_ = 0;
    GroupProducts_.clear();
    GroupSuppliers_.clear();
}

// ---------------------------------------------------------------------------------------------
// Record

TStage::TStage(int32_t Num, int32_t Product) : StageNum(Num)
{
    ProductIndex = Product;
}

// ---------------------------------------------------------------------------------------------
// Links and raw-material groups

bool TStage::AddCustomer(TStage& Customer)
{
    if (NumCustomers_ >= MaxLinks || Customer.NumSuppliers_ >= MaxLinks) {
        return false;
    }
    Elem(Customers_, ++NumCustomers_) = &Customer;
    Elem(Customer.Suppliers_, ++Customer.NumSuppliers_) = this;
    return true;
}

namespace {

// Whether entries 1..Num of a link list hold S.
template <typename TLinks>
bool ListHolds(const TLinks& Links, int Num, const TStage& S)
{
    for (int K = 1; K <= Num; ++K) {
        if (Elem(Links, K) == &S) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool TStage::HasSupplier(const TStage& S) const
{
    return ListHolds(Suppliers_, NumSuppliers_, S);
}

bool TStage::HasCustomer(const TStage& S) const
{
    return ListHolds(Customers_, NumCustomers_, S);
}

namespace {

struct TCostEntry {
    double Cost;
    TStage* Supplier;
};

// In-place quicksort by ascending cost, exactly in this form: it is not stable, and its order of
// equally cheap suppliers decides which one is tried first.
void QuickSortByCost(std::vector<TCostEntry>& Items, int L, int R)
{
    if (R < L) {
        return;
    }
    for (;;) {
        int I = L;
        int J = R;
        const double P = Items[static_cast<std::size_t>((L + R) / 2)].Cost;
        do {
            while (I < R && Elem(Items, I).Cost < P) {
                ++I;
            }
            while (J > L && Elem(Items, J).Cost > P) {
                --J;
            }
            if (I <= J) {
                std::swap(Elem(Items, I), Elem(Items, J));
                ++I;
                --J;
            }
        } while (I <= J);
        if (L < J) {
            QuickSortByCost(Items, L, J);
        }
        L = I;
        if (I >= R) {
            return;
        }
    }
}

}  // namespace

void TStage::PopulateRawMaterials()
{
    RawMatProduct_.assign(1, 0);
    RawMatNumSuppliers_.assign(1, 0);
    RawMatSuppliers_.assign(1, {});
    // Groups are numbered by ascending distinct product index; for indexes >= 1 this is the
    // numbering from product index 1 upwards, and indexes below 1 still get a group of their own.
    std::vector<int32_t> Products;
    for (int K = 1; K <= NumSuppliers_; ++K) {
        Products.push_back(Elem(Suppliers_, K)->ProductIndex);
    }
    std::sort(Products.begin(), Products.end());
    Products.erase(std::unique(Products.begin(), Products.end()), Products.end());
    NumRawMaterials_ = static_cast<int>(Products.size());
    for (int32_t Product : Products) {
        std::vector<TCostEntry> Group;
        for (int K = 1; K <= NumSuppliers_; ++K) {
            TStage* S = Elem(Suppliers_, K);
            if (S->ProductIndex == Product) {
                Group.push_back({S->ProductCost, S});
            }
        }
        QuickSortByCost(Group, 0, static_cast<int>(Group.size()) - 1);
        std::vector<TStage*> Ordered(1, nullptr);
        for (const TCostEntry& E : Group) {
            Ordered.push_back(E.Supplier);
        }
        RawMatProduct_.push_back(Product);
        RawMatNumSuppliers_.push_back(static_cast<int>(Group.size()));
        RawMatSuppliers_.push_back(std::move(Ordered));
    }
}

// ---------------------------------------------------------------------------------------------
// Queue operations

int64_t TStage::MaxPeriodFor(int32_t T) const
{
    // With the option on, an order of period p is due in T when T - CST >= p.
    return ForceCST_ ? static_cast<int64_t>(T) - CommittedServiceTime : AnyPeriod;
}

void TStage::AddDemand(int64_t Count, int32_t CustomerKey, int32_t T)
{
    if (Count <= 0) {
        return;
    }
    const int64_t Accepted = DemandList_.Append(Count, CustomerKey, T);
    // At most MaxQueueUnits per period: every order of a period arrives before any leaves.
    if (T == LivePeriod_) {
        DerivedDemandNow_ += Accepted;
    } else if (T >= 0 && Slot(T) < DerivedDemandHist_.size()) {
        Elem(DerivedDemandHist_, Slot(T)) += Accepted;
    }
}

void TStage::AddToOutbox(int64_t Count)
{
    if (Count > 0) {
        Outbox_ = std::min(Outbox_ + Count, MaxQueueUnits);
    }
}

int64_t TStage::GetInvAvail(int32_t T, int32_t CustomerKey) const
{
    if (DemandList_.Empty() || InvLevel() <= 0 || IsFailed(T)) {
        return 0;
    }
    return DemandList_.CountInWindow(InvLevel(), CustomerKey, MaxPeriodFor(T));
}

void TStage::FlushStats()
{
    LivePeriod_ = -1;
    PeriodStats_.Flush();
    Shipments_.AddTo(Stats_.Histogram(), *Stats_.Get(MetricFillRate), *Stats_.Get(MetricWithinCST),
                     CommittedServiceTime);
}

int64_t TStage::RemoveFromOutbox(int32_t T, int32_t CustomerKey, int64_t Max, bool RecordStats)
{
    if (Max <= 0 || Outbox_ <= 0 || IsFailed(T)) {
        return 0;
    }
    const int64_t Shipped = DemandList_.TakeInWindow(InvLevel(), CustomerKey, MaxPeriodFor(T), Max,
                                                     [&](int64_t Count, int32_t Period) {
                                                         if (RecordStats) {
                                                             RecordShipment(Count, static_cast<int64_t>(T) - Period);
                                                         }
                                                     });
    Outbox_ -= Shipped;
    return Shipped;
}

// ---------------------------------------------------------------------------------------------
// Policies and planning measures

int64_t TStage::PolicyOrderQty(int32_t T, int64_t IP, int64_t NewDemand)
{
    switch (InvPolicy) {
    case PolicyBaseStock:
        return std::max<int64_t>(0, BaseStockLevel - IP);
    case PolicyRQ:
        // Q < 1 cannot make a multiple that lifts IP above R; such a stage orders nothing (the
        // pre-run check refuses it).
        if (IP > RQReorderPoint || RQOrderQty < 1) {
            return 0;
        }
        return RQOrderQty * ((RQReorderPoint - IP) / RQOrderQty + 1);
    case PolicySS:
        return IP > SSReorderPoint ? 0 : SSOrderUpTo - IP;
    case PolicyOQ:
        return OrderFormulaQty(T, IP, NewDemand);
    default:
        return 0;
    }
}

TStage::TUpstreamState TStage::UpstreamState(int32_t T) const
{
    TUpstreamState Up;
    if (NumRawMaterials_ < 1) {
        return Up;
    }
    const TStage& U = *RawMatSuppliers_[1][1];
    Up.ConsecSO = U.ConsecStockoutPeriods();
    Up.ConsecNonSO = U.ConsecNonStockoutPeriods();
    Up.SO = T > 1 && ElemOrZero(U.NetInvHist_, static_cast<int64_t>(U.Slot(T - 1))) < 0 ? 1 : 0;
    Up.NonSO = 1 - Up.SO;
    Up.IP = U.InvLevel() + U.OnOrder() - U.Backorders();
    Up.IL = U.InvLevel() - U.Backorders();
    Up.Disrupt = (T > 1 && U.IsFailed(T - 1)) ? 1 : 0;
    return Up;
}

// The order-quantity formula. INF bounds are no bounds. Its terms are added in extended precision
// in this order, which the results depend on to the last bit.
int64_t TStage::OrderFormulaQty(int32_t T, int64_t IP, int64_t NewDemand)
{
    if (OQReorderPoint != IntInf && IP > OQReorderPoint) {
        return 0;
    }
    const TUpstreamState Up = UpstreamState(T);
    const int64_t AboutToComplete = Pipeline_.CountCompleteAtHead(T, ProcTime);
    const int64_t OwnDisrupt = (T > 1 && IsFailed(T - 1)) ? 1 : 0;
    if (T == 1) {
        Forecast_ = MeanEchelonDemand();
    } else {
        const long double A = OQSmoothingConst;
        Forecast_ = static_cast<double>(A * static_cast<long double>(NewDemand) + (1.0L - A) * static_cast<long double>(Forecast_));
    }
    using LD = long double;
    const int64_t IL = InvLevel() - Backorders();
    LD Raw = LD(OQILCf) * LD(IL) + (LD(OQDemandCf) * LD(NewDemand) + LD(OQIPCf) * LD(IP)) +
             LD(OQUpstrConsecSOCf) * LD(Up.ConsecSO) + LD(OQUpstrConsecNonSOCf) * LD(Up.ConsecNonSO) +
             LD(OQUpstrSOCf) * LD(Up.SO) + LD(OQUpstrNonSOCf) * LD(Up.NonSO) +
             LD(OQAboutToComplCf) * LD(AboutToComplete) + LD(OQUpstrIPCf) * LD(Up.IP) +
             LD(OQUpstrILCf) * LD(Up.IL) + LD(OQUpstrDisruptCf) * LD(Up.Disrupt) +
             LD(OQUpstrNonDisruptCf) * LD(1 - Up.Disrupt) + LD(OQDisruptCf) * LD(OwnDisrupt) +
             LD(OQNonDisruptCf) * LD(1 - OwnDisrupt);
    Raw = LD(OQInProcessCf) * LD(InProcess()) + Raw + LD(OQConstant) + LD(OQForecastCf) * LD(Forecast_);
    return BoundOrderFormula(std::max<int64_t>(0, RoundToUnits(Raw)), IP);
}

// The formula's quantity P within the inventory-position bounds, then within its own bounds.
int64_t TStage::BoundOrderFormula(int64_t P, int64_t IP) const
{
    if (IP + P <= OQIPLB) {
        P = OQIPLB - IP;
    } else if (OQIPUB != IntInf && IP + P >= OQIPUB) {
        P = OQIPUB - IP;
    }
    P = std::max<int64_t>(P, OQOrderQtyLB);
    if (OQOrderQtyUB != IntInf) {
        P = std::min<int64_t>(P, OQOrderQtyUB);
    }
    return P;
}

double TStage::MeanEchelonDemandMemo(TEchelonMemo& Memo) const
{
    const bool Indexable = StageNum >= 1 && StageNum <= MaxStages;
    const std::size_t Slot = Indexable ? static_cast<std::size_t>(StageNum) : 0;
    if (Indexable) {
        if (Memo.Done[Slot]) {
            return Memo.Value[Slot];
        }
        if (Memo.Busy[Slot]) {
            return 0.0;  // links always go to lower numbers, but a cycle must not recurse forever
        }
        Memo.Busy[Slot] = true;
    }
    double Sum = DemandMean;
    for (int C = 1; C <= NumCustomers_; ++C) {
        Sum += Elem(Customers_, C)->MeanEchelonDemandMemo(Memo);
    }
    if (Indexable) {
        Memo.Busy[Slot] = false;
        Memo.Done[Slot] = true;
        Memo.Value[Slot] = Sum;
    }
    return Sum;
}

double TStage::MeanEchelonDemand() const
{
    // A stage reached along several paths counts once per path; remembering each stage's value
    // gives the same sum without walking every path again.
    TEchelonMemo Memo;
    return MeanEchelonDemandMemo(Memo);
}

int64_t TStage::NetLeadTime() const
{
    int64_t LargestCST = 0;
    for (int G = 1; G <= NumRawMaterials_; ++G) {
        LargestCST = std::max<int64_t>(LargestCST, Elem(RawMatSuppliers_, G)[1]->CommittedServiceTime);
    }
    return LargestCST + ProcTime - CommittedServiceTime;
}

int64_t TStage::CycleStock() const
{
    const long double Product = static_cast<long double>(NetLeadTime()) *
                                static_cast<long double>(RoundToUnits(MeanEchelonDemand()));
    constexpr long double Limit = 0x1p62L;
    return static_cast<int64_t>(std::clamp(Product, -Limit, Limit));
}

int64_t TStage::SafetyStock() const
{
    return BaseStockLevel - CycleStock();
}

// ---------------------------------------------------------------------------------------------
// Run lifecycle

namespace {

// Moves a history series' storage aside and leaves the series empty.
template <typename T>
void ParkSeries(std::vector<T>& Series, std::vector<T>& Parked)
{
    if (!Series.empty()) {
        Parked = std::move(Series);
        Series.clear();
    }
}

// Sizes a series for periods 0..Size-1: only growth is zero-filled, then the first Zeroed entries.
template <typename T>
void SizeSeries(std::vector<T>& Series, std::size_t Size, std::size_t Zeroed)
{
    Series.resize(Size);
    std::fill_n(Series.begin(), std::min(Zeroed, Size), T{});
}

// The same on the parked storage when the series has none of its own.
template <typename T>
void TakeSeries(std::vector<T>& Series, std::vector<T>& Parked, std::size_t Size, std::size_t Zeroed)
{
    if (Series.empty()) {
        Series.swap(Parked);
    }
    SizeSeries(Series, Size, Zeroed);
}

}  // namespace

void TStage::ResetRunState()
{
    DemandList_.Clear();
    Pipeline_.Clear();
    Outbox_ = 0;
    ParkSeries(DemandHist_, Parked_.Demand);
    ParkSeries(DerivedDemandHist_, Parked_.DerivedDemand);
    ParkSeries(NetInvHist_, Parked_.NetInv);
    OrderQtyHist_.Clear();
    ParkSeries(OnOrderHist_, Parked_.OnOrder);
    ParkSeries(InProcessHist_, Parked_.InProcess);
    ParkSeries(FailedHist_, Parked_.Failed);
    Stats_.Reset();
    Shipments_.Clear();
    ConsecNegative_ = 0;
    ConsecNonNegative_ = 0;
}

void TStage::PrepareHistory(int32_t Periods, int32_t FirstPeriod, bool Kept)
{
    KeptHistory_ = Kept;
    SizeSeries(TotalCostHist_, static_cast<std::size_t>(Periods) + 1, static_cast<std::size_t>(FirstPeriod));
    // The series the run reads back need only the period before; without a kept history they
    // hold two periods, both zero at first (as periods not yet simulated read).
    const std::size_t Size = Kept ? static_cast<std::size_t>(Periods) + 1 : 2;
    const std::size_t Zeroed = Kept ? static_cast<std::size_t>(FirstPeriod) : 2;
    if (DemandMean > 0) {
        TakeSeries(DemandHist_, Parked_.Demand, Size, Zeroed);
        DemandWindow_.Prepare(DemandMean, DemandSD, DemandBound, Periods);
    } else {
        ParkSeries(DemandHist_, Parked_.Demand);
        DemandWindow_.Prepare(0, 0, std::numeric_limits<double>::infinity(), 0);
    }
    TakeSeries(DerivedDemandHist_, Parked_.DerivedDemand, Size, Zeroed);
    TakeSeries(NetInvHist_, Parked_.NetInv, Size, Zeroed);
    TakeSeries(OnOrderHist_, Parked_.OnOrder, Size, Zeroed);
    TakeSeries(InProcessHist_, Parked_.InProcess, Size, Zeroed);
    TakeSeries(FailedHist_, Parked_.Failed, Size, Zeroed);
    std::vector<std::vector<int32_t>> GroupSuppliers(1);
    for (int G = 1; G <= NumRawMaterials_; ++G) {
        std::vector<int32_t> Numbers(1, 0);
        for (int K = 1; K <= Elem(RawMatNumSuppliers_, G); ++K) {
            Numbers.push_back(Elem(RawMatSuppliers_, G)[static_cast<std::size_t>(K)]->StageNum);
        }
        GroupSuppliers.push_back(std::move(Numbers));
    }
    OrderQtyHist_.Reshape(Periods, RawMatProduct_, GroupSuppliers, FirstPeriod, Kept);
    PeriodStats_.Start(Stats_, std::span<const int>(PeriodLaneMetrics.data(),
                                                    HasDemandHist() ? NumPeriodLanes : LaneDemand));
    FirstSuppliersCost_.clear();  // the suppliers or their costs may have changed
    LivePeriod_ = -1;
    ConsecNegative_ = 0;
    ConsecNonNegative_ = 0;
}

namespace {

template <typename T>
void PrefetchEntry(const std::vector<T>& Series, std::size_t I)
{
    if (I < Series.size()) {
        __builtin_prefetch(Series.data() + I, 1);
    }
}

}  // namespace

void TStage::PrefetchHistory(int32_t T) const
{
    if (!KeptHistory_ || T < 0) {
        return;
    }
    const auto I = static_cast<std::size_t>(T);
    if (I % 8 == 0) {
        PrefetchEntry(TotalCostHist_, I);
        PrefetchEntry(DemandHist_, I);
        PrefetchEntry(DerivedDemandHist_, I);
        PrefetchEntry(NetInvHist_, I);
        PrefetchEntry(OnOrderHist_, I);
        PrefetchEntry(InProcessHist_, I);
        if (I % 64 == 0) {
            PrefetchEntry(FailedHist_, I);  // bytes: 64 periods to a line
        }
    }
    OrderQtyHist_.PrefetchRow(T);
}

void TStage::RecordEndOfPeriod(int32_t T)
{
    const std::size_t I = Slot(T);
    const int64_t NetInv = InvLevel() - Backorders();
    DerivedDemandHist_[I] = DerivedDemandAt(T);
    NetInvHist_[I] = NetInv;
    OnOrderHist_[I] = OnOrder();
    InProcessHist_[I] = InProcess();
    if (NetInv < 0) {
        ++ConsecNegative_;
        ConsecNonNegative_ = 0;
    } else {
        ++ConsecNonNegative_;
        ConsecNegative_ = 0;
    }
}
