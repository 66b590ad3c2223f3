#pragma once
#include <cstdint>
#include <vector>

#include "engine/Simulation.h"
#include "engine/Stage.h"

// White-box access for the engine's unit tests: they set up queues, histories and links by hand
// to examine one period step in isolation.
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
    static bool AddCustomer(TStage& Supplier, TStage& Customer) { return Supplier.AddCustomer(Customer); }
    static void SetForceCST(TStage& S, bool On) { S.ForceCST_ = On; }
    static void CreateHistory(TStage& S, int32_t Periods) { S.PrepareHistory(Periods, Periods + 1); }
    static void RecordEndOfPeriod(TStage& S, int32_t T) { S.RecordEndOfPeriod(T); }
    // Appends Supplier to Customer's supplier list only, as a hand-edited file might.
    static void AppendSupplierOnly(TStage& Customer, TStage& Supplier)
    {
        Customer.Suppliers_[static_cast<std::size_t>(++Customer.NumSuppliers_)] = &Supplier;
    }
    static void AppendCustomerOnly(TStage& Supplier, TStage& Customer)
    {
        Supplier.Customers_[static_cast<std::size_t>(++Supplier.NumCustomers_)] = &Customer;
    }
};

struct TSimulationTestAccess {
    // Pretends a run of Period periods with the given warm-up happened (for report layouts).
    static void SetRunState(TSimulation& Sim, int32_t Period, int32_t WarmUp)
    {
        Sim.Period_ = Period;
        Sim.WarmUp_ = WarmUp;
    }
    static int64_t DrawDemand(TSimulation& Sim, TStage& S) { return Sim.DrawDemand(S); }
    static bool DrawFailure(TSimulation& Sim, const TStage& S, int32_t T) { return Sim.DrawFailure(S, T); }
};
