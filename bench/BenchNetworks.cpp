#include "BenchNetworks.h"

#include <sys/resource.h>

#include "engine/Simulation.h"
#include "support/ModelBuilder.h"

namespace {

int32_t Scaled(int64_t Value, int64_t Scale)
{
    return static_cast<int32_t>(Value * Scale);
}

}  // namespace

void BuildNetwork25(TSimulation& Model, int64_t Scale)
{
    const double S = static_cast<double>(Scale);
    // Retailers 1-10: external demand, bounded, mixed policies.
    for (int N = 1; N <= 10; ++N) {
        TStageParams R;
        R.DemandMean = (8 + 2 * N) * S;
        R.DemandSD = (2 + N % 4) * S;
        R.DemandBound = 2 + 0.5 * (N % 3);
        R.ProcTime = 1;
        R.HoldingCost = 1.0 / S;
        R.WIPHoldingCost = 0.5 / S;
        R.StockoutCost = 10.0 / S;
        R.StockoutPerUnitTime = N % 2 == 0;
        R.CommittedServiceTime = N % 3 == 0 ? 1 : 0;
        switch (N % 4) {
        case 0:
            R.InvPolicy = PolicyBaseStock;
            R.BaseStockLevel = Scaled(4 * (8 + 2 * N), Scale);
            break;
        case 1:
            R.InvPolicy = PolicyRQ;
            R.RQReorderPoint = Scaled(3 * (8 + 2 * N), Scale);
            R.RQOrderQty = Scaled(2 * (8 + 2 * N), Scale);
            break;
        case 2:
            R.InvPolicy = PolicySS;
            R.SSReorderPoint = Scaled(3 * (8 + 2 * N), Scale);
            R.SSOrderUpTo = Scaled(5 * (8 + 2 * N), Scale);
            break;
        default:
            R.InvPolicy = PolicyOQ;
            R.OQConstant = 4.0 * (8 + 2 * N) * S;
            R.OQIPCf = -1;
            R.OQDemandCf = 0.2;
            R.OQForecastCf = 0.3;
            R.OQSmoothingConst = 0.25;
            R.OQUpstrILCf = -0.01;
            R.OQInitIL = Scaled(4 * (8 + 2 * N), Scale);
            R.OQOrderQtyUB = Scaled(10 * (8 + 2 * N), Scale);
            break;
        }
        AddStage(Model, R);
    }
    // Distribution centres 11-18: product 11 is made by 11 and 12 (12 dearer and capped),
    // the others each make their own product.
    for (int N = 11; N <= 18; ++N) {
        TStageParams D;
        D.ProcTime = 2;
        D.HoldingCost = 0.5 / S;
        D.WIPHoldingCost = 0.25 / S;
        D.ProductCost = 1.0 + 0.1 * (N - 11);
        D.FixedCost = 20;
        D.CommittedServiceTime = 1;
        D.FailureProb = N % 3 == 0 ? 0.02 : 0;
        D.RecoveryProb = 0.4;
        D.InvPolicy = N % 2 == 0 ? PolicyBaseStock : PolicySS;
        D.BaseStockLevel = Scaled(120, Scale);
        D.SSReorderPoint = Scaled(80, Scale);
        D.SSOrderUpTo = Scaled(160, Scale);
        if (N == 12) {
            D.ProductIndex = 11;
            D.ProductCost = 1.5;
            D.ProcCapacity = Scaled(40, Scale);
        }
        // Stage 18 is a centre taken out of service: no policy, no customers (an alternative
        // source that never holds stock would stall its customers for good).
        if (N == 18) {
            D.InvPolicy = PolicyNone;
        }
        AddStage(Model, D);
    }
    // Plants 19-25, some capacitated, base stock or (R,Q).
    for (int N = 19; N <= 25; ++N) {
        TStageParams P;
        P.ProcTime = 3;
        P.HoldingCost = 0.2 / S;
        P.WIPHoldingCost = 0.1 / S;
        P.ProductCost = 0.5;
        P.FixedCost = 5;
        P.ProcCapacity = N % 2 == 0 ? Scaled(150, Scale) : IntInf;
        P.FailureProb = 0.01;
        P.RecoveryProb = 0.5;
        if (N % 3 == 0) {
            P.InvPolicy = PolicyRQ;
            P.RQReorderPoint = Scaled(150, Scale);
            P.RQOrderQty = Scaled(100, Scale);
        } else {
            P.InvPolicy = PolicyBaseStock;
            P.BaseStockLevel = Scaled(250, Scale);
        }
        AddStage(Model, P);
    }
    // Retailers draw from one or two centres.
    for (int N = 1; N <= 10; ++N) {
        Model.Link(11 + (N - 1) % 7, N);
    }
    Model.Link(12, 1);
    Model.Link(12, 8);
    Model.Link(17, 6);
    // Centres draw two raw materials from the plants.
    for (int N = 11; N <= 17; ++N) {
        Model.Link(19 + (N - 11) % 7, N);
        Model.Link(19 + (N - 8) % 7, N);
    }
}

void BuildSerialChain5(TSimulation& Model)
{
    for (int N = 1; N <= 5; ++N) {
        TStageParams S;
        S.ProcTime = 1 + N % 2;
        S.BaseStockLevel = 60 + 10 * N;
        S.HoldingCost = 1.0 / N;
        S.WIPHoldingCost = 0.1;
        S.ProductCost = N;
        S.FixedCost = 2;
        if (N == 1) {
            S.DemandMean = 20;
            S.DemandSD = 5;
            S.DemandBound = 3;
            S.StockoutCost = 5;
        }
        AddStage(Model, S);
        if (N > 1) {
            Model.Link(N, N - 1);
        }
    }
}

double PeakMemoryMiB()
{
    rusage Usage{};
    getrusage(RUSAGE_SELF, &Usage);
    return static_cast<double>(Usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void BenchNetwork25(benchmark::State& State, int64_t Scale, TSimulation::TDrawMode Mode)
{
    TSimulation Model;
    BuildNetwork25(Model, Scale);
    Model.SetDrawMode(Mode);
    double Total = 0;
    for (auto _ : State) {
        Model.Reset();
        Total = Model.RunSimulation(9999, 100, 12345).TotalCost;
    }
    State.counters["TotalCost"] = Total;
    State.counters["PeakMiB"] = PeakMemoryMiB();
}
