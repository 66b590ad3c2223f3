#pragma once
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "engine/ParamCatalogue.h"
#include "engine/DemandWindow.h"
#include "engine/InvPolicyType.h"
#include "engine/OneBased.h"
#include "engine/StageParams.h"
#include "engine/UnitQueues.h"
#include "engine/WithdrawalPlan.h"
#include "stats/Stats.h"
#include "text/NumberText.h"

// Units ordered in one period, by raw-material group and supplier: entry (0, 0) is what the
// stage ordered itself, entry (g, k) what it ordered from the k-th supplier of group g. The
// layout (group products and supplier numbers) is the one at the start of the run, so a link
// added later can never make a reader look beyond what was recorded.
class TOrderQtyHistory {
public:
    // The layout, and periods 0..Periods of which those before FirstPeriod are zero: the storage
    // of the last run is reused as it is, and the caller writes every entry of each later period.
    // FirstPeriod = Periods + 1 gives every entry zero. Kept false, only the last two periods are
    // held (period T in row T mod 2, both rows zero at first): enough for the run's own reads.
    void Reshape(int32_t Periods, const std::vector<int32_t>& GroupProducts,
                 const std::vector<std::vector<int32_t>>& GroupSuppliers, int32_t FirstPeriod, bool Kept = true);
    // No layout and no periods; the storage stays for the next run.
    void Clear();
    bool Empty() const { return Periods_ == 0; }
    int32_t Periods() const { return Periods_; }
    int NumGroups() const { return GroupProducts_.empty() ? 0 : static_cast<int>(GroupProducts_.size()) - 1; }
    // Product index of group G (1-based).
    int32_t GroupProduct(int G) const { return Elem(GroupProducts_, G); }
    // Stage numbers of the suppliers of group G, in ordering order; entry 0 unused.
    const std::vector<int32_t>& GroupSuppliers(int G) const { return Elem(GroupSuppliers_, G); }
    int NumSuppliers(int G) const
    {
        return G < 1 || G > NumGroups() ? 0 : static_cast<int>(GroupSuppliers(G).size()) - 1;
    }

    // Asks the cache for the row of period T ahead of its writes. A period outside the history
    // asks nothing.
    void PrefetchRow(int32_t T) const
    {
        if (Kept_ && T >= 0 && T <= Periods_) {
            const int64_t* Row = Data_.data() + Offset(T, 0, 0);
            for (std::size_t I = 0; I < Stride_; I += 8) {
                __builtin_prefetch(Row + I, 1);
            }
        }
    }
    // REQUIRES: 0 <= T <= Periods(), (G, K) = (0, 0) or a group and supplier of the layout.
    int64_t& At(int32_t T, int G, int K) { return Data_[Offset(T, G, K)]; }
    int64_t At(int32_t T, int G, int K) const { return Data_[Offset(T, G, K)]; }
    bool Holds(int32_t T, int G, int K) const
    {
        if (Stride_ == 0 || T < 0 || T > Periods_ || G < 0 || G > NumGroups()) {
            return false;
        }
        return G == 0 ? K == 0 : (K >= 1 && K <= NumSuppliers(G));
    }
    // The entries of period T, entry (G, K) at Column(G, K), or nullptr for a period the history
    // does not hold. Entries (G, K) it holds are (0, 0) and K <= NumSuppliers(G) of every group.
    int64_t* Row(int32_t T) { return Stride_ == 0 || T < 0 || T > Periods_ ? nullptr : &Data_[Offset(T, 0, 0)]; }
    std::size_t Column(int G, int K) const
    {
        return static_cast<std::size_t>(G) * Columns_ + static_cast<std::size_t>(K);
    }
    // At(T, G, K), or 0 for an entry the history does not hold.
    int64_t AtOrZero(int32_t T, int G, int K) const { return Holds(T, G, K) ? At(T, G, K) : 0; }

private:
    std::size_t Offset(int32_t T, int G, int K) const
    {
        const std::size_t Row = static_cast<std::size_t>(Kept_ ? T : T & 1);
        return Row * Stride_ + Column(G, K);
    }
    int32_t Periods_ = 0;
    bool Kept_ = true;
    std::size_t Columns_ = 0;
    std::size_t Stride_ = 0;
    std::vector<int32_t> GroupProducts_;
    std::vector<std::vector<int32_t>> GroupSuppliers_;
    std::vector<int64_t> Data_;  // at least (Periods + 1) * Stride entries; kept across runs
};

// One stage of the network: its 45 parameters, its links and raw-material groups, its run state
// (three queues), its statistics and its per-period history. Outside the engine a stage is read
// only: its model (TSimulation) writes the parameters, the box position and the links, keeping
// the groups current, and runs the period steps.
//
// The parameters are a private base, so that the engine's own code reads them by name.
class TStage : private TStageParams {
public:
    // Every parameter at its default; ProductIndex as given (callers pass the stage's number).
    TStage(int32_t StageNum, int32_t ProductIndex);
    TStage(const TStage&) = delete;
    TStage& operator=(const TStage&) = delete;

    const int32_t StageNum;

    const TStageParams& Params() const { return *this; }
    using TStageParams::GetParam;

    // Left and top of the stage's box on the diagram.
    int32_t PosX() const { return PosX_; }
    int32_t PosY() const { return PosY_; }

    // --- Links, 1-based: changed only by the model (Link, RestoreLinkList) ----------------------
    int NumSuppliers() const { return NumSuppliers_; }
    int NumCustomers() const { return NumCustomers_; }
    // REQUIRES: 1 <= K <= NumSuppliers() (NumCustomers()).
    const TStage& Supplier(int K) const { return *Elem(Suppliers_, K); }
    const TStage& Customer(int K) const { return *Elem(Customers_, K); }
    bool HasSupplier(const TStage& S) const;
    bool HasCustomer(const TStage& S) const;

    // --- Raw-material groups, 1-based: one per distinct product index among the suppliers,
    // ascending; within a group the suppliers cheapest first. Kept current by the model. -------
    int NumRawMaterials() const { return NumRawMaterials_; }
    // REQUIRES: 1 <= G <= NumRawMaterials(), 1 <= K <= RawMatNumSuppliers(G).
    int32_t RawMatProduct(int G) const { return Elem(RawMatProduct_, G); }
    int RawMatNumSuppliers(int G) const { return Elem(RawMatNumSuppliers_, G); }
    const TStage& RawMatSupplier(int G, int K) const { return *Elem(Elem(RawMatSuppliers_, G), K); }

    const TStats& Stats() const { return Stats_; }

    // --- History of the current run, indexed by period 0..Periods (0 never written) ----------
    // Unless the model keeps no history (TSimulation::SetKeepHistory): then each series holds
    // the last two periods only, period T at T mod 2, and TotalCostHist alone is whole.
    const std::vector<double>& TotalCostHist() const { return TotalCostHist_; }
    const std::vector<int64_t>& DemandHist() const { return DemandHist_; }  // empty unless DemandMean > 0 at run start
    const std::vector<int64_t>& DerivedDemandHist() const { return DerivedDemandHist_; }
    const std::vector<int64_t>& NetInvHist() const { return NetInvHist_; }
    const TOrderQtyHistory& OrderQtyHist() const { return OrderQtyHist_; }
    const std::vector<int64_t>& OnOrderHist() const { return OnOrderHist_; }
    const std::vector<int64_t>& InProcessHist() const { return InProcessHist_; }
    const std::vector<uint8_t>& FailedHist() const { return FailedHist_; }  // also the live failure state

    // The "OQ" policy's smoothed demand; survives a reset.
    double Forecast() const { return Forecast_; }
    // The model's "Service Time >= CST" option as copied at the start of the current run.
    bool ForceCST() const { return ForceCST_; }

    // --- Run-state queues ----------------------------------------------------------------------
    const TDemandList& DemandList() const { return DemandList_; }  // orders received, not yet shipped
    const TPipeline& Pipeline() const { return Pipeline_; }        // units ordered, not yet finished

    // --- Published measures ----------------------------------------------------------------
    int64_t InvLevel() const { return Outbox_; }
    int64_t Backorders() const { return DemandList_.Count(); }
    int64_t OnOrder() const { return Pipeline_.Count(); }
    int64_t InProcess() const { return Pipeline_.Started(); }
    bool HasDemandHist() const { return !DemandHist_.empty(); }
    // FailedHist[T], false outside the recorded range; the stage's own flag for the period being
    // simulated. (Without a kept history, the failure state of the current and the previous
    // period.)
    bool IsFailed(int32_t T) const
    {
        return T == LivePeriod_ ? FailedNow_ : T >= 0 && ElemOrZero(FailedHist_, Slot(T)) != 0;
    }

    // --- Planning measures --------------------------------------------------------------------
    double MeanEchelonDemand() const;
    int64_t NetLeadTime() const;
    int64_t CycleStock() const;
    int64_t SafetyStock() const;

    // How many of the latest periods of the run (warm-up included) in a row ended with negative /
    // non-negative net inventory: the upstream terms of the "OQ" formula.
    int64_t ConsecStockoutPeriods() const { return ConsecNegative_; }
    int64_t ConsecNonStockoutPeriods() const { return ConsecNonNegative_; }

private:
    friend class TSimulation;       // writes parameters and links, runs the periods
    friend struct TStageTestAccess; // white-box tests of the period steps

    // Rebuilds the raw-material groups from the suppliers' product indexes and costs.
    void PopulateRawMaterials();

    // --- Queue operations ------------------------------------------------------------------
    // Appends Count new orders of CustomerKey placed in period T; adds them to
    // DerivedDemandHist[T] when the history holds T. (A queue holds at most MaxQueueUnits.)
    void AddDemand(int64_t Count, int32_t CustomerKey, int32_t T);
    // Adds Count units on hand (the initial inventory of a run), up to MaxQueueUnits in all.
    void AddToOutbox(int64_t Count);
    // How many of CustomerKey's orders the stage can fill now from stock in period T.
    int64_t GetInvAvail(int32_t T, int32_t CustomerKey) const;
    // Ships up to Max units against CustomerKey's orders in period T, oldest orders first, within
    // the window of the oldest InvLevel orders (and, with the option on, only orders already due).
    // Returns the number shipped.
    int64_t RemoveFromOutbox(int32_t T, int32_t CustomerKey, int64_t Max, bool RecordStats);

    // --- Period steps ----------------------------------------------------------------------
    void RequestProcessing(int32_t T);
    // Warnings receives the run's warnings of the period (see PlanWithdrawals).
    void DoProcessing(int32_t T, bool Failed, bool RecordStats, std::vector<std::string>& Warnings);

    // The order quantity before RequestProcessing clamps it at 0.
    int64_t PolicyOrderQty(int32_t T, int64_t IP, int64_t NewDemand);
    // What the order-quantity formula reads of the first supplier of the first raw material; all 0
    // without one.
    struct TUpstreamState {
        int64_t ConsecSO = 0;
        int64_t ConsecNonSO = 0;
        int64_t SO = 0;
        int64_t NonSO = 0;
        int64_t IP = 0;
        int64_t IL = 0;
        int64_t Disrupt = 0;
    };
    TUpstreamState UpstreamState(int32_t T) const;
    int64_t OrderFormulaQty(int32_t T, int64_t IP, int64_t NewDemand);
    int64_t BoundOrderFormula(int64_t P, int64_t IP) const;

    // Called on the supplier: appends Customer to Customers and this stage to the customer's
    // Suppliers. The caller then rebuilds the customer's groups. Refused (false, nothing
    // changed) when either list is full.
    bool AddCustomer(TStage& Customer);

    // --- Run lifecycle, driven by the model --------------------------------------------------
    // Empties the queues, discards the history (TotalCostHist stays until the next run prepares
    // it) and clears the statistics. Parameters, links, groups and Forecast stay. The history's
    // storage is kept aside for the next run.
    void ResetRunState();
    // The history of a run that simulates periods FirstPeriod..Periods, with the current groups
    // as the order history's layout, and the demand window limits for the run. Sized for periods
    // 0..Periods on the storage of the last run: every entry before FirstPeriod is zero, later
    // ones are left as they are (BeginPeriod and the period's steps write each of them).
    // FirstPeriod = Periods + 1 gives a zero-filled history. REQUIRES: 1 <= FirstPeriod <= Periods + 1.
    // Kept false: every series but TotalCostHist holds two zeroed periods, used in turn (Slot).
    void PrepareHistory(int32_t Periods, int32_t FirstPeriod, bool Kept = true);
    // Where period T stands in a history series: T, or T mod 2 when the history is not kept.
    std::size_t Slot(int32_t T) const { return static_cast<std::size_t>(KeptHistory_ ? T : T & 1); }
    // Begins period T: its failure state, and no derived demand yet. Until the period ends,
    // both are read from the stage itself rather than from the history, whose entries lie on
    // other pages (a period's steps read them for every supplier).
    void BeginPeriod(int32_t T, bool Failed)
    {
        LivePeriod_ = T;
        FailedNow_ = Failed;
        DerivedDemandNow_ = 0;
        Elem(FailedHist_, Slot(T)) = Failed ? 1 : 0;
    }
    // The orders received in period T so far.
    int64_t DerivedDemandAt(int32_t T) const
    {
        return T == LivePeriod_ ? DerivedDemandNow_ : ElemOrZero(DerivedDemandHist_, static_cast<int64_t>(Slot(T)));
    }
    // A kept history is written a period at a time in some ten series per stage, more streams
    // than the processor follows: every eighth period, this asks for the lines that period T +
    // HistoryPrefetch will write, so that they are in the cache by then.
    static constexpr int32_t HistoryPrefetch = 32;
    void PrefetchHistory(int32_t T) const;
    // Records the end-of-period measures of period T (NetInv, OnOrder, InProcess).
    void RecordEndOfPeriod(int32_t T);

    // --- The steps of DoProcessing, in order ---------------------------------------------------
    // How many units may start in period T: capacity, and for every raw material what its
    // suppliers can fill now (kept in CanFill for the plan).
    int64_t AvailableStarts(int32_t T, TCanFill& CanFill) const;
    // Which supplier serves which of ToStart units. Should the suppliers turn out unable to serve
    // every unit, a "No raw material ..." warning per short group is appended to Warnings and only
    // the units up to the first short one start.
    TWithdrawalPlan PlanWithdrawals(int32_t T, int64_t ToStart, const TCanFill& CanFill,
                                    std::vector<std::string>& Warnings) const;
    // The order cost of the plan, unit by unit in order (exactly as adding one unit at a time).
    double OrderCosts(const TWithdrawalPlan& Plan);
    // The same for a plan that takes every unit from the first supplier of each group.
    double FirstSuppliersOrderCost(int64_t Units);
    // Takes the planned units from the suppliers' stock.
    void Withdraw(const TWithdrawalPlan& Plan, int32_t T, bool RecordStats);
    // Ships external demand from the head of the order list; returns the stockout cost.
    double ShipExternalDemand(int32_t T, bool RecordStats);

    // Fill rate, within-CST and service-time histogram of Count orders shipped after ServiceTime.
    void RecordShipment(int64_t Count, int64_t ServiceTime)
    {
        Shipments_.Add(ServiceTime, Count, CommittedServiceTime);
    }
    // Adds what the period steps held back (the last rows of period statistics, the shipments'
    // tallies) to Stats, and leaves no period live: at the end of every run, before anything
    // reads them.
    void FlushStats();
    struct TEchelonMemo {
        std::array<double, MaxStages + 1> Value{};
        std::array<bool, MaxStages + 1> Done{};
        std::array<bool, MaxStages + 1> Busy{};
    };
    double MeanEchelonDemandMemo(TEchelonMemo& Memo) const;
    int64_t MaxPeriodFor(int32_t T) const;

    // The fields a period's steps read and write come first, together, so that the 25 stages'
    // working state stays in few cache lines; the statistics, the drawing thread's demand window
    // and what only building and reporting use come after.
    int NumRawMaterials_ = 0;
    std::vector<int32_t> RawMatProduct_;
    std::vector<int> RawMatNumSuppliers_;
    std::vector<std::vector<TStage*>> RawMatSuppliers_;

    std::vector<double> TotalCostHist_;
    std::vector<int64_t> DemandHist_;
    std::vector<int64_t> DerivedDemandHist_;
    std::vector<int64_t> NetInvHist_;
    TOrderQtyHistory OrderQtyHist_;
    std::vector<int64_t> OnOrderHist_;
    std::vector<int64_t> InProcessHist_;
    std::vector<uint8_t> FailedHist_;
    bool KeptHistory_ = true;
    // The period being simulated (-1 between runs) and its failure state and derived demand,
    // written to the history as it ends.
    int32_t LivePeriod_ = -1;
    bool FailedNow_ = false;
    int64_t DerivedDemandNow_ = 0;

    double Forecast_ = 0;
    bool ForceCST_ = false;
    // Order costs of U units all from the first supplier of each group, at [U - 1]: the plan of
    // most periods, so its costs are added up once per run instead of once per period.
    std::vector<double> FirstSuppliersCost_;

    TDemandList DemandList_;
    TPipeline Pipeline_;
    int64_t Outbox_ = 0;  // finished units on hand (identical, so a count is enough)

    int64_t ConsecNegative_ = 0;
    int64_t ConsecNonNegative_ = 0;

    TStats Stats_;
    // The statistics a recorded period adds once each, by the model's period step, in the lanes
    // of the block adder's rows (the demand's only for a stage with demand).
    enum TPeriodLane : int {
        LaneFailed,
        LaneInvLevel,
        LaneBackorders,
        LaneOnOrder,
        LaneInProcess,
        LaneHoldingCost,
        LaneWIPHoldingCost,
        LaneTotalCost,
        LaneDerivedDemand,
        LaneOrderQty,
        LaneDemand,
        NumPeriodLanes
    };
    static constexpr std::array<int, NumPeriodLanes> PeriodLaneMetrics{
        MetricFailed,         MetricInvLevel,  MetricBackorders,    MetricOnOrder,  MetricInProcess, MetricHoldingCost,
        MetricWIPHoldingCost, MetricTotalCost, MetricDerivedDemand, MetricOrderQty, MetricDemand};
    TBlockAdder PeriodStats_;
    // Every shipment's service time, added to the histogram, fill rate and within-CST at the
    // run's end.
    TShipmentTally Shipments_;

    TDemandWindow DemandWindow_;

    int NumSuppliers_ = 0;
    int NumCustomers_ = 0;
    std::array<TStage*, MaxLinks + 1> Suppliers_{};
    std::array<TStage*, MaxLinks + 1> Customers_{};

    int32_t PosX_ = 0;
    int32_t PosY_ = 0;

    // The storage of the history series above while the model is reset (they must read as
    // empty then); the next run takes it back instead of allocating and zero-filling again.
    struct TParkedHistory {
        std::vector<int64_t> Demand;
        std::vector<int64_t> DerivedDemand;
        std::vector<int64_t> NetInv;
        std::vector<int64_t> OnOrder;
        std::vector<int64_t> InProcess;
        std::vector<uint8_t> Failed;
    };
    TParkedHistory Parked_;
};
