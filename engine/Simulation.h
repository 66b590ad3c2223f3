#pragma once
#include <array>
#include <cstdint>
#include <memory>

#include "engine/Constants.h"
#include "engine/Stage.h"

class Dialogs;

// The five cost totals of a run: for each cost, the sum over stages of the mean per recorded
// period. What the main window's labels and every batch trial show.
struct TCostTotals {
    double OrderCost = 0;
    double HoldingCost = 0;
    double WIPHoldingCost = 0;
    double StockoutCost = 0;
    double TotalCost = 0;
};

// The model: up to 25 stages and the state of the current run.
class TSimulation {
public:
    // Messages receives the raw-material inconsistency message of a run; it must outlive the model.
    explicit TSimulation(Dialogs& Messages);
    TSimulation(const TSimulation&) = delete;
    TSimulation& operator=(const TSimulation&) = delete;

    int NumStages = 0;
    bool ForceCST = false;  // "Service Time >= CST"
    int32_t WarmUp = 0;     // warm-up periods of the current run
    int32_t Period = 0;     // last simulated period; 0 = not run or reset

    // Stage N for 1 <= N <= NumStages.
    TStage& Stage(int N) { return *Stages_[static_cast<std::size_t>(N)]; }
    const TStage& Stage(int N) const { return *Stages_[static_cast<std::size_t>(N)]; }

    // Appends stage NumStages + 1 with every parameter at its default and product index equal
    // to its number. Returns nullptr (and changes nothing) when the model already has 25 stages.
    TStage* AddStage();
    // Links Supplier as a supplier of Customer and rebuilds the customer's groups. Refused
    // (false) unless both are stages of this model, the customer's number is lower than the
    // supplier's, the link is new and neither link list is full.
    bool Link(int SupplierNum, int CustomerNum);

    // Starts a run: seeds the generator (0: from the clock, > 0: that seed, < 0: continue),
    // stores the warm-up, gives initial inventory by policy when Period is 0, and runs.
    // REQUIRES (checked by the callers): 1 <= NumPeriods <= 9999, 1 <= WarmUp <= NumPeriods.
    void Start(int32_t NumPeriods, int32_t WarmUp, int64_t Seed);
    // Start, then the cost totals: the one operation behind the main window's run command and
    // every batch trial.
    TCostTotals RunSimulation(int32_t NumPeriods, int32_t WarmUp, int64_t Seed);
    // Rebuilds every stage's groups, creates fresh histories for the periods to come, copies
    // the option into the stages, then simulates NumPeriods periods.
    void Run(int32_t NumPeriods);
    // One period, in the fixed order of steps.
    void SimulatePeriod();
    // Period 0 and every stage's run state cleared; parameters and links stay.
    void Reset();
    // No stages, and reset.
    void ClearModel();

    // The external demand of a stage for the current period (draws from the generator).
    int64_t DrawDemand(TStage& S);
    // The failure state of a stage in period T (one uniform draw).
    bool DrawFailure(const TStage& S, int32_t T);

    // Sum over stages of each cost accumulator's mean.
    TCostTotals CostTotals() const;

    Dialogs& Messages() { return *Messages_; }

private:
    Dialogs* Messages_;
    std::array<std::unique_ptr<TStage>, MaxStages + 1> Stages_;
};
