#include "engine/Simulation.h"

#include <cmath>

#include "engine/Random.h"
#include "engine/Rounding.h"
#include "platform/Dialogs.h"

TSimulation::TSimulation(Dialogs& Messages) : Messages_(&Messages) {}

TStage* TSimulation::AddStage()
{
    if (NumStages >= MaxStages) {
        return nullptr;
    }
    ++NumStages;
    Stages_[static_cast<std::size_t>(NumStages)] = std::make_unique<TStage>(NumStages, NumStages);
    return Stages_[static_cast<std::size_t>(NumStages)].get();
}

bool TSimulation::Link(int SupplierNum, int CustomerNum)
{
    if (CustomerNum < 1 || SupplierNum > NumStages || CustomerNum >= SupplierNum) {
        return false;
    }
    TStage& Supplier = Stage(SupplierNum);
    TStage& Customer = Stage(CustomerNum);
    for (int K = 1; K <= Customer.NumSuppliers; ++K) {
        if (Customer.Suppliers[static_cast<std::size_t>(K)] == &Supplier) {
            return false;
        }
    }
    if (!Supplier.AddCustomer(Customer)) {
        return false;
    }
    Customer.PopulateRawMaterials();
    return true;
}

void TSimulation::Start(int32_t NumPeriods, int32_t WarmUpPeriods, int64_t SeedValue)
{
    Seed(SeedValue);
    WarmUp = WarmUpPeriods;
    if (Period == 0) {
        for (int N = 1; N <= NumStages; ++N) {
            TStage& S = Stage(N);
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
}

TCostTotals TSimulation::RunSimulation(int32_t NumPeriods, int32_t WarmUpPeriods, int64_t SeedValue)
{
    Start(NumPeriods, WarmUpPeriods, SeedValue);
    return CostTotals();
}

void TSimulation::Run(int32_t NumPeriods)
{
    if (NumPeriods <= 0) {
        return;
    }
    // Callers reset before a run; should one not, the history still covers every period to come.
    const int32_t LastPeriod = Period + NumPeriods;
    for (int N = 1; N <= NumStages; ++N) {
        TStage& S = Stage(N);
        S.PopulateRawMaterials();
        S.CreateHistory(LastPeriod);
        S.ForceCST = ForceCST;
        for (int32_t P = 1; P <= Period; ++P) {
            S.DemandWindow.Record(0);  // the discarded history reads as zeros
        }
    }
    for (int32_t I = 0; I < NumPeriods; ++I) {
        SimulatePeriod();
    }
}

int64_t TSimulation::DrawDemand(TStage& S)
{
    if (S.DemandMean == 0) {
        return 0;
    }
    int64_t D = RoundToUnits(Normal(S.DemandMean, S.DemandSD));
    if (D < 0) {
        D = 0;
    }
    if (!S.DemandWindow.Active() || S.DemandWindow.Recorded() >= S.DemandWindow.Periods()) {
        return D;
    }
    return S.DemandWindow.Apply(D);
}

bool TSimulation::DrawFailure(const TStage& S, int32_t T)
{
    const double U = Uniform();
    if (T == 1 || !S.IsFailed(T - 1)) {
        return U < S.FailureProb;
    }
    return U > S.RecoveryProb;
}

void TSimulation::SimulatePeriod()
{
    const int32_t T = ++Period;
    const std::size_t I = static_cast<std::size_t>(T);
    const bool Recorded = T > WarmUp;

    for (int N = 1; N <= NumStages; ++N) {
        TStage& S = Stage(N);
        if (S.DemandMean > 0) {
            const int64_t D = DrawDemand(S);
            S.DemandHist[I] = D;
            S.DemandWindow.Record(D);
            S.AddDemand(D, 0, T);
        }
    }
    for (int N = 1; N <= NumStages; ++N) {
        TStage& S = Stage(N);
        const bool Failed = DrawFailure(S, T);
        if (Recorded) {
            S.Stats.Get(MetricFailed)->Add(Failed ? 1.0 : 0.0);
        }
        S.FailedHist[I] = Failed ? 1 : 0;
    }
    for (int N = 1; N <= NumStages; ++N) {
        Stage(N).RequestProcessing(T);
    }
    for (int N = NumStages; N >= 1; --N) {
        TStage& S = Stage(N);
        S.DoProcessing(T, S.FailedHist[I] != 0, Recorded, *Messages_);
    }
    for (int N = 1; N <= NumStages; ++N) {
        TStage& S = Stage(N);
        if (Recorded) {
            TStats& St = S.Stats;
            St.Get(MetricInvLevel)->Add(static_cast<double>(S.InvLevel()));
            St.Get(MetricBackorders)->Add(static_cast<double>(S.Backorders()));
            St.Get(MetricOnOrder)->Add(static_cast<double>(S.OnOrder()));
            St.Get(MetricInProcess)->Add(static_cast<double>(S.InProcess()));
            St.Get(MetricHoldingCost)->Add(static_cast<double>(S.InvLevel()) * S.HoldingCost);
            St.Get(MetricWIPHoldingCost)->Add(static_cast<double>(S.InProcess()) * S.WIPHoldingCost);
            const double Total = St.Get(MetricOrderCost)->Last() + St.Get(MetricHoldingCost)->Last() +
                                 St.Get(MetricWIPHoldingCost)->Last() + St.Get(MetricStockoutCost)->Last();
            St.Get(MetricTotalCost)->Add(Total);
            if (S.HasDemandHist()) {
                St.Get(MetricDemand)->Add(static_cast<double>(S.DemandHist[I]));
            }
            St.Get(MetricDerivedDemand)->Add(static_cast<double>(S.DerivedDemandHist[I]));
            St.Get(MetricOrderQty)->Add(static_cast<double>(S.OrderQtyHist.At(T, 0, 0)));
            S.TotalCostHist[I] = Total;
        }
        S.RecordEndOfPeriod(T);
    }
}

void TSimulation::Reset()
{
    Period = 0;
    for (int N = 1; N <= NumStages; ++N) {
        Stage(N).ResetRunState();
    }
}

void TSimulation::ClearModel()
{
    for (int N = 1; N <= NumStages; ++N) {
        Stages_[static_cast<std::size_t>(N)].reset();
    }
    NumStages = 0;
    Reset();
}

TCostTotals TSimulation::CostTotals() const
{
    TCostTotals Totals;
    for (int N = 1; N <= NumStages; ++N) {
        const TStats& St = Stage(N).Stats;
        Totals.OrderCost += St.Get(MetricOrderCost)->Avg();
        Totals.HoldingCost += St.Get(MetricHoldingCost)->Avg();
        Totals.WIPHoldingCost += St.Get(MetricWIPHoldingCost)->Avg();
        Totals.StockoutCost += St.Get(MetricStockoutCost)->Avg();
        Totals.TotalCost += St.Get(MetricTotalCost)->Avg();
    }
    return Totals;
}
