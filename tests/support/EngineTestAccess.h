#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Simulation.h"
#include "engine/Stage.h"

// White-box access for the engine's unit tests: they set up queues and histories by hand to
// examine one period step in isolation.
struct TStageTestAccess {
    static TDemandList& DemandList(TStage& S) { return S.DemandList_; }
    static TPipeline& Pipeline(TStage& S) { return S.Pipeline_; }
    static TStats& Stats(TStage& S) { return S.Stats_; }
    static std::vector<double>& TotalCostHist(TStage& S) { return S.TotalCostHist_; }
    static std::vector<int64_t>& DemandHist(TStage& S) { return S.DemandHist_; }
    static std::vector<int64_t>& DerivedDemandHist(TStage& S) { return S.DerivedDemandHist_; }
    static std::vector<int64_t>& NetInvHist(TStage& S) { return S.NetInvHist_; }
    static TOrderQtyHistory& OrderQtyHist(TStage& S) { return S.OrderQtyHist_; }
    static std::vector<int64_t>& OnOrderHist(TStage& S) { return S.OnOrderHist_; }
    static std::vector<int64_t>& InProcessHist(TStage& S) { return S.InProcessHist_; }
    static std::vector<uint8_t>& FailedHist(TStage& S) { return S.FailedHist_; }
    static void SetForceCST(TStage& S, bool On) { S.ForceCST_ = On; }
    static void CreateHistory(TStage& S, int32_t Periods) { S.PrepareHistory(Periods, Periods + 1); }
    static void RecordEndOfPeriod(TStage& S, int32_t T) { S.RecordEndOfPeriod(T); }
    // The parameters of a stage made on its own, outside any model (which would keep its groups
    // current): tests of one stage's policy and queue steps write them directly.
    static TStageParams& Params(TStage& S) { return S; }
    // The queue operations and period steps, as a run calls them.
    static void AddDemand(TStage& S, int64_t Count, int32_t CustomerKey, int32_t T)
    {
        S.AddDemand(Count, CustomerKey, T);
    }
    static void AddToOutbox(TStage& S, int64_t Count) { S.AddToOutbox(Count); }
    static int64_t GetInvAvail(const TStage& S, int32_t T, int32_t CustomerKey)
    {
        return S.GetInvAvail(T, CustomerKey);
    }
    static int64_t RemoveFromOutbox(TStage& S, int32_t T, int32_t CustomerKey, int64_t Max, bool RecordStats)
    {
        const int64_t Shipped = S.RemoveFromOutbox(T, CustomerKey, Max, RecordStats);
        S.FlushStats();
        return Shipped;
    }
    static void RequestProcessing(TStage& S, int32_t T) { S.RequestProcessing(T); }
    static void DoProcessing(TStage& S, int32_t T, bool Failed, bool RecordStats, std::vector<std::string>& Warnings)
    {
        S.DoProcessing(T, Failed, RecordStats, Warnings);
        // As the run's end does, so that the step's statistics (its suppliers' shipments among
        // them) can be read.
        S.FlushStats();
        for (int K = 1; K <= S.NumSuppliers_; ++K) {
            S.Suppliers_[static_cast<std::size_t>(K)]->FlushStats();
        }
    }
    static int64_t PolicyOrderQty(TStage& S, int32_t T, int64_t IP, int64_t NewDemand)
    {
        return S.PolicyOrderQty(T, IP, NewDemand);
    }
};

struct TSimulationTestAccess {
    // Stage N itself, for the white-box tests above. REQUIRES: 1 <= N <= Sim.NumStages().
    static TStage& Stage(TSimulation& Sim, int N) { return *Sim.Stages_[static_cast<std::size_t>(N)]; }
    // Pretends a run of Period periods with the given warm-up happened (for report layouts).
    static void SetRunState(TSimulation& Sim, int32_t Period, int32_t WarmUp)
    {
        Sim.Period_ = Period;
        Sim.WarmUp_ = WarmUp;
    }
};
