#include "support/UnitByUnitModel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "engine/Simulation.h"
#include "engine/Stage.h"

namespace {

enum : int {
    AccTotalCost = 0,
    AccOrderCost = 1,
    AccHoldingCost = 2,
    AccWIPHoldingCost = 3,
    AccStockoutCost = 4,
    AccDemand = 5,
    AccDerivedDemand = 6,
    AccOrderQty = 7,
    AccInvLevel = 8,
    AccBackorders = 9,
    AccOnOrder = 10,
    AccInProcess = 11,
    AccType1SL = 12,
    AccFillRate = 13,
    AccWithinCST = 14,
    AccFailed = 15,
};

using TCostAndPos = std::pair<double, int>;

// The unstable quicksort that decides the order of equally cheap suppliers; kept exactly as it
// is, because which of two equal suppliers comes first changes every later period.
void QuickSortByCost(std::vector<TCostAndPos>& A, int L, int R)
{
    for (;;) {
        int I = L;
        int J = R;
        const double Pivot = A[static_cast<std::size_t>((L + R) / 2)].first;
        do {
            while (A[static_cast<std::size_t>(I)].first < Pivot) {
                ++I;
            }
            while (A[static_cast<std::size_t>(J)].first > Pivot) {
                --J;
            }
            if (I <= J) {
                std::swap(A[static_cast<std::size_t>(I)], A[static_cast<std::size_t>(J)]);
                ++I;
                --J;
            }
        } while (I <= J);
        if (L < J) {
            QuickSortByCost(A, L, J);
        }
        L = I;
        if (I >= R) {
            return;
        }
    }
}

int64_t InitialInventory(const TStageParams& P)
{
    switch (P.InvPolicy) {
    case 1:
        return P.BaseStockLevel;
    case 2:
        return static_cast<int64_t>(P.RQReorderPoint) + P.RQOrderQty;
    case 3:
        return P.SSOrderUpTo;
    case 4:
        return P.OQInitIL;
    default:
        return 0;
    }
}

bool IsComplete(const TRefUnit& U, int32_t T, int32_t ProcTime)
{
    return static_cast<int64_t>(T) - U.Start - U.Delay >= ProcTime;
}

}  // namespace

void TRefAccumulator::Add(double X)
{
    ++Count;
    Sum += X;
    SumSq += X * X;
    if (X < Min) {
        Min = X;
    }
    if (X > Max) {
        Max = X;
    }
    Last = X;
}

void TRefHistogram::Add(int64_t K)
{
    const auto Index = static_cast<std::size_t>(K);
    if (Index >= Counts.size()) {
        Counts.resize(Index + 1, 0);
    }
    ++Counts[Index];
    Used = std::max(Used, K + 1);
    ++Total;
    MaxCount = std::max(MaxCount, Counts[Index]);
}

int64_t TRefStage::InProcess() const
{
    int64_t N = 0;
    for (const TRefUnit& U : Pipeline) {
        if (U.Start != RefNotStarted) {
            ++N;
        }
    }
    return N;
}

int64_t TRefStage::WaitingOrders(int32_t CustomerKey) const
{
    int64_t N = 0;
    for (const TRefOrder& O : DemandList) {
        if (O.CustomerKey == CustomerKey) {
            ++N;
        }
    }
    return N;
}

TUnitByUnitModel::TUnitByUnitModel(const TSimulation& Model)
    : Stages_(static_cast<std::size_t>(Model.NumStages()) + 1), ForceCST_(Model.ForceCST())
{
    for (int N = 1; N <= Model.NumStages(); ++N) {
        const TStage& E = Model.Stage(N);
        TRefStage& R = S(N);
        R.StageNum = E.StageNum;
        R.P = E.Params();
        R.Forecast = E.Forecast();
        for (int K = 1; K <= E.NumSuppliers(); ++K) {
            R.Suppliers.push_back(E.Supplier(K).StageNum);
        }
        for (int K = 1; K <= E.NumCustomers(); ++K) {
            R.Customers.push_back(E.Customer(K).StageNum);
        }
    }
}

void TUnitByUnitModel::Start(int32_t NumPeriods, int32_t WarmUp, uint32_t Seed)
{
    Begin(NumPeriods, WarmUp, Seed);
    for (int32_t I = 0; I < NumPeriods; ++I) {
        SimulatePeriod();
    }
}

void TUnitByUnitModel::Begin(int32_t NumPeriods, int32_t WarmUp, uint32_t Seed)
{
    RandSeed_ = Seed;
    WarmUp_ = WarmUp;
    for (int N = 1; N <= NumStages(); ++N) {
        TRefStage& St = S(N);
        const int64_t Initial = InitialInventory(St.P);
        for (int64_t I = 0; I < Initial; ++I) {
            St.Outbox.push_back(TRefUnit{2, 0, 0});
        }
    }
    const auto Size = static_cast<std::size_t>(NumPeriods) + 1;
    for (int N = 1; N <= NumStages(); ++N) {
        TRefStage& St = S(N);
        PopulateRawMaterials(St);
        St.TotalCostHist.assign(Size, 0.0);
        St.DemandHist.clear();
        if (St.P.DemandMean > 0) {
            St.DemandHist.assign(Size, 0);
        }
        St.DerivedDemandHist.assign(Size, 0);
        St.NetInvHist.assign(Size, 0);
        std::vector<std::vector<int64_t>> Table{std::vector<int64_t>(1, 0)};
        for (int G = 1; G <= St.NumRawMaterials(); ++G) {
            Table.emplace_back(St.RawMatSuppliers[static_cast<std::size_t>(G)].size(), 0);
        }
        St.OrderQtyHist.assign(Size, Table);
        St.OnOrderHist.assign(Size, 0);
        St.InProcessHist.assign(Size, 0);
        St.FailedHist.assign(Size, false);
    }
}

double TUnitByUnitModel::Uniform()
{
    RandSeed_ = RandSeed_ * 134775813u + 1u;
    return static_cast<double>(RandSeed_) / 4294967296.0;
}

double TUnitByUnitModel::Normal(double Mean, double SD)
{
    long double U1 = 0;
    long double U2 = 0;
    long double Sq = 0;
    do {
        U1 = 2.0L * static_cast<long double>(Uniform()) - 1.0L;
        U2 = 2.0L * static_cast<long double>(Uniform()) - 1.0L;
        Sq = U2 * U2 + U1 * U1;
    } while (Sq >= 1.0L || Sq == 0.0L);
    const long double R = static_cast<long double>(Mean)
                        + static_cast<long double>(SD) * (U1 * std::sqrt(-2.0L * std::log(Sq) / Sq));
    return static_cast<double>(R);
}

int64_t TUnitByUnitModel::DrawDemand(TRefStage& St, int32_t T)
{
    if (St.P.DemandMean == 0) {
        return 0;
    }
    int64_t D = static_cast<int64_t>(std::nearbyint(Normal(St.P.DemandMean, St.P.DemandSD)));
    if (D < 0) {
        return 0;
    }
    if (std::isinf(St.P.DemandBound)) {
        return D;
    }
    int64_t Cum = 0;
    for (int32_t Sp = T; Sp >= 1; --Sp) {
        const int64_t N = static_cast<int64_t>(T) - Sp + 1;
        Cum += Sp == T ? D : St.DemandHist[static_cast<std::size_t>(Sp)];
        if (static_cast<int64_t>(St.WindowLimit.size()) <= N) {
            const long double Raw = static_cast<long double>(St.P.DemandBound) * static_cast<long double>(St.P.DemandSD)
                                        * std::sqrt(static_cast<long double>(N))
                                  + static_cast<long double>(N) * static_cast<long double>(St.P.DemandMean);
            St.WindowLimit.push_back(static_cast<int64_t>(std::nearbyint(Raw)));
        }
        const int64_t Limit = St.WindowLimit[static_cast<std::size_t>(N)];
        if (Limit < Cum) {
            D -= Cum - Limit;
            Cum = Limit;
        }
    }
    return D < 0 ? 0 : D;
}

bool TUnitByUnitModel::DrawFailure(const TRefStage& St, int32_t T)
{
    const double U = Uniform();
    if (T == 1 || !St.FailedHist[static_cast<std::size_t>(T) - 1]) {
        return U < St.P.FailureProb;
    }
    return U > St.P.RecoveryProb;
}

void TUnitByUnitModel::PopulateRawMaterials(TRefStage& St)
{
    std::vector<int32_t> Products;
    for (std::size_t K = 1; K < St.Suppliers.size(); ++K) {
        Products.push_back(S(St.Suppliers[K]).P.ProductIndex);
    }
    std::sort(Products.begin(), Products.end());
    Products.erase(std::unique(Products.begin(), Products.end()), Products.end());

    St.RawMatProduct.assign(1, 0);
    St.RawMatSuppliers.assign(1, {});
    for (const int32_t Product : Products) {
        std::vector<TCostAndPos> Group;
        for (std::size_t K = 1; K < St.Suppliers.size(); ++K) {
            const TRefStage& Sup = S(St.Suppliers[K]);
            if (Sup.P.ProductIndex == Product) {
                Group.emplace_back(Sup.P.ProductCost, static_cast<int>(K));
            }
        }
        QuickSortByCost(Group, 0, static_cast<int>(Group.size()) - 1);
        std::vector<int> Sorted{0};
        for (const TCostAndPos& E : Group) {
            Sorted.push_back(St.Suppliers[static_cast<std::size_t>(E.second)]);
        }
        St.RawMatProduct.push_back(Product);
        St.RawMatSuppliers.push_back(std::move(Sorted));
    }
}

void TUnitByUnitModel::SimulatePeriod()
{
    const int32_t T = ++Period_;
    const auto Ti = static_cast<std::size_t>(T);
    const bool Recorded = T > WarmUp_;

    for (int N = 1; N <= NumStages(); ++N) {
        TRefStage& St = S(N);
        if (St.P.DemandMean > 0) {
            const int64_t D = DrawDemand(St, T);
            St.DemandHist[Ti] = D;
            AddDemand(St, D, 0, T);
        }
    }
    for (int N = 1; N <= NumStages(); ++N) {
        TRefStage& St = S(N);
        const bool Failed = DrawFailure(St, T);
        if (Recorded) {
            St.Stats[AccFailed].Add(Failed ? 1 : 0);
        }
        St.FailedHist[Ti] = Failed;
    }
    for (int N = 1; N <= NumStages(); ++N) {
        RequestProcessing(S(N), T);
    }
    for (int N = NumStages(); N >= 1; --N) {
        DoProcessing(S(N), T, S(N).FailedHist[Ti], Recorded);
    }
    if (Recorded) {
        for (int N = 1; N <= NumStages(); ++N) {
            TRefStage& St = S(N);
            auto& A = St.Stats;
            A[AccInvLevel].Add(static_cast<double>(St.InvLevel()));
            A[AccBackorders].Add(static_cast<double>(St.Backorders()));
            A[AccOnOrder].Add(static_cast<double>(St.OnOrder()));
            A[AccInProcess].Add(static_cast<double>(St.InProcess()));
            A[AccHoldingCost].Add(static_cast<double>(St.InvLevel()) * St.P.HoldingCost);
            A[AccWIPHoldingCost].Add(static_cast<double>(St.InProcess()) * St.P.WIPHoldingCost);
            A[AccTotalCost].Add(A[AccOrderCost].Last + A[AccHoldingCost].Last + A[AccWIPHoldingCost].Last
                                + A[AccStockoutCost].Last);
            if (!St.DemandHist.empty()) {
                A[AccDemand].Add(static_cast<double>(St.DemandHist[Ti]));
            }
            A[AccDerivedDemand].Add(static_cast<double>(St.DerivedDemandHist[Ti]));
            A[AccOrderQty].Add(static_cast<double>(St.OrderQtyHist[Ti][0][0]));
        }
    }
    for (int N = 1; N <= NumStages(); ++N) {
        TRefStage& St = S(N);
        if (Recorded) {
            St.TotalCostHist[Ti] = St.Stats[AccTotalCost].Last;
        }
        St.NetInvHist[Ti] = St.InvLevel() - St.Backorders();
        St.OnOrderHist[Ti] = St.OnOrder();
        St.InProcessHist[Ti] = St.InProcess();
    }
}

void TUnitByUnitModel::AddDemand(TRefStage& St, int64_t Count, int32_t CustomerKey, int32_t T)
{
    for (int64_t I = 0; I < Count; ++I) {
        St.DemandList.push_back(TRefOrder{false, CustomerKey, T});
    }
    St.DerivedDemandHist[static_cast<std::size_t>(T)] += Count;
}

bool TUnitByUnitModel::IsFailed(const TRefStage& St, int32_t T) const
{
    return St.FailedHist[static_cast<std::size_t>(T)];
}

int64_t TUnitByUnitModel::GetInvAvail(const TRefStage& St, int32_t T, int32_t CustomerKey) const
{
    if (St.DemandList.empty() || St.InvLevel() == 0 || IsFailed(St, T)) {
        return 0;
    }
    const int64_t Window = St.InvLevel();
    int64_t Seen = 0;
    int64_t Count = 0;
    for (const TRefOrder& O : St.DemandList) {
        if (Seen++ >= Window) {
            break;
        }
        if (O.CustomerKey == CustomerKey
            && (!ForceCST_ || static_cast<int64_t>(T) - St.P.CommittedServiceTime >= O.Period)) {
            ++Count;
        }
    }
    return Count;
}

std::list<TRefOrder>::iterator TUnitByUnitModel::MatchOrderItem(TRefStage& St, bool PeriodCondition, int32_t Limit,
                                                                 int32_t CustomerKey)
{
    const int64_t Window = St.InvLevel();
    int64_t Seen = 0;
    for (auto It = St.DemandList.begin(); It != St.DemandList.end(); ++It) {
        if (Seen++ >= Window) {
            break;
        }
        if (It->CustomerKey == CustomerKey
            && (!PeriodCondition || static_cast<int64_t>(Limit) - St.P.CommittedServiceTime >= It->Period)) {
            return It;
        }
    }
    return St.DemandList.end();
}

bool TUnitByUnitModel::RemoveFromOutbox(TRefStage& St, int32_t T, int32_t CustomerKey, bool RecordStats, int64_t& Late)
{
    Late = 0;
    if (St.Outbox.empty() || IsFailed(St, T)) {
        return false;
    }
    const auto Order = MatchOrderItem(St, ForceCST_, T, CustomerKey);
    if (Order == St.DemandList.end()) {
        return false;
    }
    const int64_t ServiceTime = static_cast<int64_t>(T) - Order->Period;
    if (RecordStats) {
        St.Stats[AccFillRate].Add(ServiceTime == 0 ? 1 : 0);
        St.Stats[AccWithinCST].Add(ServiceTime <= St.P.CommittedServiceTime ? 1 : 0);
        St.ServTime.Add(ServiceTime);
    }
    St.DemandList.erase(Order);
    St.Outbox.pop_front();
    Late = ServiceTime - St.P.CommittedServiceTime;
    return true;
}

void TUnitByUnitModel::RequestProcessing(TRefStage& St, int32_t T)
{
    const auto Ti = static_cast<std::size_t>(T);
    int64_t NewDemand = 0;
    for (TRefOrder& O : St.DemandList) {
        if (!O.Seen) {
            O.Seen = true;
            ++NewDemand;
        }
    }
    const int64_t IP = St.InvLevel() + St.OnOrder() - St.Backorders();
    const int64_t OrderQty = std::max<int64_t>(0, PolicyOrderQty(St, T, IP, NewDemand));

    for (int G = 1; G <= St.NumRawMaterials(); ++G) {
        const std::vector<int>& Group = St.RawMatSuppliers[static_cast<std::size_t>(G)];
        int64_t Remaining = OrderQty;
        for (std::size_t K = 1; K < Group.size() && Remaining > 0; ++K) {
            TRefStage& Sup = S(Group[K]);
            if (IsFailed(Sup, T)) {
                continue;
            }
            int64_t Amount = 0;
            if (Sup.P.ProcCapacity == RefInf) {
                Amount = Remaining;
            } else {
                const int64_t Taken = Sup.DerivedDemandHist[Ti];
                if (Taken >= Sup.P.ProcCapacity) {
                    continue;
                }
                Amount = std::min<int64_t>(Remaining, Sup.P.ProcCapacity - Taken);
            }
            AddDemand(Sup, Amount, St.StageNum, T);
            St.OrderQtyHist[Ti][static_cast<std::size_t>(G)][K] = Amount;
            Remaining -= Amount;
        }
        if (Remaining > 0) {
            AddDemand(S(Group[1]), Remaining, St.StageNum, T);
            St.OrderQtyHist[Ti][static_cast<std::size_t>(G)][1] += Remaining;
        }
    }
    for (int64_t I = 0; I < OrderQty; ++I) {
        St.Pipeline.push_back(TRefUnit{T, RefNotStarted, 0});
    }
    St.OrderQtyHist[Ti][0][0] = OrderQty;
}

void TUnitByUnitModel::DoProcessing(TRefStage& St, int32_t T, bool Failed, bool RecordStats)
{
    const int Groups = St.NumRawMaterials();
    std::vector<std::vector<bool>> Charged(static_cast<std::size_t>(Groups) + 1);
    for (int G = 1; G <= Groups; ++G) {
        Charged[static_cast<std::size_t>(G)].assign(St.RawMatSuppliers[static_cast<std::size_t>(G)].size(), false);
    }

    int64_t Avail = St.P.ProcCapacity == RefInf ? std::numeric_limits<int64_t>::max() : St.P.ProcCapacity;
    for (int G = 1; G <= Groups; ++G) {
        const std::vector<int>& Group = St.RawMatSuppliers[static_cast<std::size_t>(G)];
        int64_t Sum = 0;
        for (std::size_t K = 1; K < Group.size(); ++K) {
            Sum += GetInvAvail(S(Group[K]), T, St.StageNum);
        }
        Avail = std::min(Avail, Sum);
    }

    double OrderCost = 0;
    bool Stop = false;
    for (auto Unit = St.Pipeline.begin(); Unit != St.Pipeline.end() && Avail > 0 && !Stop; ++Unit) {
        if (Unit->Start != RefNotStarted) {
            continue;
        }
        for (int G = 1; G <= Groups; ++G) {
            const std::vector<int>& Group = St.RawMatSuppliers[static_cast<std::size_t>(G)];
            bool Taken = false;
            for (std::size_t K = 1; K < Group.size(); ++K) {
                TRefStage& Sup = S(Group[K]);
                int64_t Late = 0;
                if (RemoveFromOutbox(Sup, T, St.StageNum, RecordStats, Late)) {
                    OrderCost += Sup.P.ProductCost;
                    if (!Charged[static_cast<std::size_t>(G)][K]) {
                        OrderCost += Sup.P.FixedCost;
                        Charged[static_cast<std::size_t>(G)][K] = true;
                    }
                    Taken = true;
                    break;
                }
            }
            if (!Taken) {
                Messages_.push_back("No raw material " + std::to_string(St.RawMatProduct[static_cast<std::size_t>(G)])
                                    + " found for stage " + std::to_string(St.StageNum) + " in period "
                                    + std::to_string(T) + " even though passed raw material availability test.");
                Stop = true;
            }
        }
        Unit->Start = T;
        --Avail;
    }

    if (Failed) {
        for (TRefUnit& U : St.Pipeline) {
            ++U.Delay;
        }
    } else {
        while (!St.Pipeline.empty() && IsComplete(St.Pipeline.front(), T, St.P.ProcTime)) {
            St.Outbox.push_back(St.Pipeline.front());
            St.Pipeline.pop_front();
        }
    }

    if (RecordStats) {
        St.Stats[AccOrderCost].Add(OrderCost);
        St.Stats[AccType1SL].Add(St.Backorders() <= St.InvLevel() ? 1 : 0);
    }

    double StockoutCostSum = 0;
    while (!St.DemandList.empty() && St.DemandList.front().CustomerKey == 0) {
        int64_t Late = 0;
        if (!RemoveFromOutbox(St, T, 0, RecordStats, Late)) {
            break;
        }
        if (Late > 0) {
            StockoutCostSum += St.P.StockoutPerUnitTime ? St.P.StockoutCost * static_cast<double>(Late) : St.P.StockoutCost;
        }
    }
    if (RecordStats) {
        St.Stats[AccStockoutCost].Add(StockoutCostSum);
    }
}

int64_t TUnitByUnitModel::PolicyOrderQty(TRefStage& St, int32_t T, int64_t IP, int64_t NewDemand)
{
    const TStageParams& P = St.P;
    switch (P.InvPolicy) {
    case 1:
        return std::max<int64_t>(0, P.BaseStockLevel - IP);
    case 2:
        if (IP > P.RQReorderPoint || P.RQOrderQty < 1) {
            return 0;
        }
        return static_cast<int64_t>(P.RQOrderQty) * ((P.RQReorderPoint - IP) / P.RQOrderQty + 1);
    case 3:
        if (IP > P.SSReorderPoint) {
            return 0;
        }
        return P.SSOrderUpTo - IP;
    case 4:
        break;
    default:
        return 0;
    }

    if (P.OQReorderPoint != RefInf && IP > P.OQReorderPoint) {
        return 0;
    }
    const auto Ti = static_cast<std::size_t>(T);
    int64_t UpConsecSO = 0;
    int64_t UpConsecNonSO = 0;
    int64_t UpSO = 0;
    int64_t UpNonSO = 0;
    int64_t UpIP = 0;
    int64_t UpIL = 0;
    int64_t UpDisrupt = 0;
    if (St.NumRawMaterials() > 0) {
        const TRefStage& U = S(St.RawMatSuppliers[1][1]);
        for (int32_t Sp = T - 1; Sp >= 1 && U.NetInvHist[static_cast<std::size_t>(Sp)] < 0; --Sp) {
            ++UpConsecSO;
        }
        for (int32_t Sp = T - 1; Sp >= 1 && U.NetInvHist[static_cast<std::size_t>(Sp)] >= 0; --Sp) {
            ++UpConsecNonSO;
        }
        UpSO = T > 1 && U.NetInvHist[Ti - 1] < 0 ? 1 : 0;
        UpNonSO = 1 - UpSO;
        UpIP = U.InvLevel() + U.OnOrder() - U.Backorders();
        UpIL = U.InvLevel() - U.Backorders();
        UpDisrupt = T > 1 && U.FailedHist[Ti - 1] ? 1 : 0;
    }
    int64_t AboutToComplete = 0;
    for (const TRefUnit& Unit : St.Pipeline) {
        if (!IsComplete(Unit, T, P.ProcTime)) {
            break;
        }
        ++AboutToComplete;
    }
    const int64_t OwnDisrupt = T > 1 && St.FailedHist[Ti - 1] ? 1 : 0;

    using LD = long double;
    if (T == 1) {
        St.Forecast = MeanEchelonDemand(St);
    } else {
        St.Forecast = static_cast<double>(static_cast<LD>(P.OQSmoothingConst) * static_cast<LD>(NewDemand)
                                          + (1.0L - static_cast<LD>(P.OQSmoothingConst)) * static_cast<LD>(St.Forecast));
    }

    const int64_t IL = St.InvLevel() - St.Backorders();
    auto Term = [](double Cf, int64_t X) { return static_cast<LD>(Cf) * static_cast<LD>(X); };
    LD Raw = Term(P.OQILCf, IL) + (Term(P.OQDemandCf, NewDemand) + Term(P.OQIPCf, IP));
    Raw = Raw + Term(P.OQUpstrConsecSOCf, UpConsecSO);
    Raw = Raw + Term(P.OQUpstrConsecNonSOCf, UpConsecNonSO);
    Raw = Raw + Term(P.OQUpstrSOCf, UpSO);
    Raw = Raw + Term(P.OQUpstrNonSOCf, UpNonSO);
    Raw = Raw + Term(P.OQAboutToComplCf, AboutToComplete);
    Raw = Raw + Term(P.OQUpstrIPCf, UpIP);
    Raw = Raw + Term(P.OQUpstrILCf, UpIL);
    Raw = Raw + Term(P.OQUpstrDisruptCf, UpDisrupt);
    Raw = Raw + Term(P.OQUpstrNonDisruptCf, 1 - UpDisrupt);
    Raw = Raw + Term(P.OQDisruptCf, OwnDisrupt);
    Raw = Raw + Term(P.OQNonDisruptCf, 1 - OwnDisrupt);
    Raw = Term(P.OQInProcessCf, St.InProcess()) + Raw + static_cast<LD>(P.OQConstant)
        + static_cast<LD>(P.OQForecastCf) * static_cast<LD>(St.Forecast);

    int64_t Qty = std::max<int64_t>(0, static_cast<int64_t>(std::nearbyint(Raw)));
    if (IP + Qty <= P.OQIPLB) {
        Qty = P.OQIPLB - IP;
    } else if (P.OQIPUB != RefInf && IP + Qty >= P.OQIPUB) {
        Qty = P.OQIPUB - IP;
    }
    Qty = std::max<int64_t>(Qty, P.OQOrderQtyLB);
    if (P.OQOrderQtyUB != RefInf) {
        Qty = std::min<int64_t>(Qty, P.OQOrderQtyUB);
    }
    return Qty;
}

double TUnitByUnitModel::MeanEchelonDemand(const TRefStage& St) const
{
    double Value = St.P.DemandMean;
    for (std::size_t K = 1; K < St.Customers.size(); ++K) {
        Value += MeanEchelonDemand(Stages_[static_cast<std::size_t>(St.Customers[K])]);
    }
    return Value;
}
