#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/ParamCatalogue.h"
#include "engine/OneBased.h"
#include "engine/Random.h"
#include "engine/Stage.h"

// The five cost totals of a run: for each cost, the sum over stages of the mean per recorded
// period. What the main window's labels and every batch trial show.
struct TCostTotals {
    double OrderCost = 0;
    double HoldingCost = 0;
    double WIPHoldingCost = 0;
    double StockoutCost = 0;
    double TotalCost = 0;
};

// The system's value of cost metric Metric (MetricTotalCost .. MetricStockoutCost); 0 for any other.
double SystemCost(const TCostTotals& Costs, int Metric);

// What TSimulation::Link did.
enum class TLinkResult {
    Linked,
    NotHigher,    // the supplier's number is not greater than the customer's
    Exists,       // the customer already has this supplier
    NoSuchStage,  // a number outside 1..NumStages
    Full,         // a link list already holds 25 stages
};

// The user's message for a refused link; empty for Linked.
std::string LinkRefusalText(TLinkResult Result);

// The model: up to 25 stages and the state of the current run. It owns its stages and is the only
// one that writes them, so it keeps their invariants: every stage's raw-material groups, and with
// them the planning measures (net lead time, cycle and safety stock), always follow the current
// parameters and links. Others read a stage through Stage(N), a const view, and write through the
// model: parameters with SetParam or SetStageParams, box positions with SetStagePosition, links
// with Link (the model reader restores a file's lists with RestoreLinkList). The period steps
// are private to the run, which goes only through RunSimulation. The model shows nothing: a run
// keeps its warnings (RunWarnings) for the caller to show once it has ended.
class TSimulation {
public:
    TSimulation() = default;
    TSimulation(const TSimulation&) = delete;
    TSimulation& operator=(const TSimulation&) = delete;

    int NumStages() const { return NumStages_; }
    // Last simulated period; 0 = not run or reset.
    int32_t Period() const { return Period_; }
    // Warm-up periods of the current run.
    int32_t WarmUp() const { return WarmUp_; }
    // "Service Time >= CST"; copied into every stage at the start of a run.
    bool ForceCST() const { return ForceCST_; }
    void SetForceCST(bool On)
    {
        Modified_ = Modified_ || On != ForceCST_;
        ForceCST_ = On;
    }

    // Whether what a model file holds (stages, parameters, links, box positions, the option)
    // changed since SetModified(false), which the window calls after a load or a save. Every
    // write below that changes something sets it; a run, a reset and the generator do not.
    bool Modified() const { return Modified_; }
    void SetModified(bool On) { Modified_ = On; }

    // Stage N, to read. REQUIRES: 1 <= N <= NumStages().
    const TStage& Stage(int N) const { return *Elem(Stages_, N); }

    // Appends stage NumStages + 1 with every parameter at its default, product index equal to
    // its number and its box at (0, 0); returns that number. Returns 0 (and changes nothing) when
    // the model already has 25 stages.
    int AddStage();
    // Links Supplier as a supplier of Customer and rebuilds the customer's groups. Refused, with
    // nothing changed, unless both are stages of this model, the customer's number is lower than
    // the supplier's, the link is new and neither link list is full (checked in that order).
    TLinkResult Link(int SupplierNum, int CustomerNum);
    // What Link would answer now, without linking: lets a caller refuse before it asks the user
    // anything about the link.
    TLinkResult CheckLink(int SupplierNum, int CustomerNum) const;

    // Parameter Index (0..44) of stage StageNum; 0.0 for a stage or index outside the model.
    double GetParam(int StageNum, int Index) const;
    // The one way the windows and batches write a parameter (TStage::SetParam's rounding and
    // mapping). Every stage's raw-material groups are rebuilt afterwards, so the planning measures
    // (net lead time, cycle and safety stock) and the groups a run starts from are current.
    // A stage or index outside the model writes nothing.
    void SetParam(int StageNum, int Index, double Value);
    // Every parameter of stage StageNum at once, each as SetParam would write it (integers,
    // boolean and policy code as given, a policy code outside 0..4 as 0); the groups are rebuilt
    // once. A stage outside the model writes nothing.
    void SetStageParams(int StageNum, const TStageParams& Params);
    // Moves the box of stage StageNum on the diagram to left X, top Y. A stage outside the model
    // moves nothing.
    void SetStagePosition(int StageNum, int32_t X, int32_t Y);
    // Sets the supplier (Suppliers) or customer list of stage StageNum to the stages numbered in
    // Others, in that order, exactly as a model file gives it: the other side is left as it is,
    // and a stage listed twice stays listed twice. The model reader checks such lists against
    // each other; Link is the way to make a link. Refused (false, nothing changed) when Others
    // holds more than 25 entries, a number outside the model, or a supplier numbered not above
    // (a customer not below) StageNum. A new supplier list rebuilds the stage's groups.
    bool RestoreLinkList(int StageNum, bool Suppliers, const std::vector<int>& Others);

    // A run: seeds the generator (0: from the clock, > 0: that seed, < 0: continue the current
    // sequence), stores the warm-up, gives every stage its initial inventory by policy when the
    // model has not run (Period() == 0), simulates NumPeriods periods and returns the cost totals.
    // The one operation behind the main window's run command and every batch trial.
    // REQUIRES (checked by the callers): 1 <= NumPeriods <= 9999, 1 <= WarmUp <= NumPeriods.
    TCostTotals RunSimulation(int32_t NumPeriods, int32_t WarmUp, int64_t Seed);
    // The warnings of the last RunSimulation, in the order they arose: one "No raw material ..."
    // text per raw material a stage's suppliers turned out unable to deliver after the
    // availability count said they could. Cleared when a run starts; a reset keeps them. The
    // callers show them, as error messages, after the run.
    const std::vector<std::string>& RunWarnings() const { return RunWarnings_; }
    // Period 0 and every stage's run state cleared; parameters and links stay.
    void Reset();
    // No stages, and reset; an empty model has nothing to lose, so it is not Modified().
    void ClearModel();

    // Makes this model a copy of From that has not run: the same stages with the same parameters,
    // box positions, links in the same list order, option, "OQ" forecasts, generator state and
    // Modified().
    // For a batch's worker threads, which run trials of the same model side by side.
    void CopyModel(const TSimulation& From);

    // Whether runs keep every period's history (the default): the main window's replay and history
    // and the history reports read it. Off, a run keeps only what its own steps read back (the
    // last two periods) and each stage's TotalCostHist; every statistic and cost is the same.
    // For runs whose history nobody reads: batch and optimisation trials, a costs-only run.
    void SetKeepHistory(bool On) { KeepHistory_ = On; }
    bool KeepHistory() const { return KeepHistory_; }

    // Where a run draws its random numbers: in line with its periods, or ahead of them on a
    // second thread, by default only when that pays (DrawAheadPays). The results are the same to
    // the last bit either way. In line for runs that already share the cores with others: a
    // batch's or an optimisation's parallel trials.
    enum class TDrawMode { InLine, AheadWhenItPays, AheadAlways };
    void SetDrawMode(TDrawMode Mode) { DrawMode_ = Mode; }
    // Whether drawing ahead pays for a run of NumPeriods periods with DemandStages stages that
    // draw demand: the demand draws are the bulk of the drawing, and with too few of them a
    // period's record crossing to the other core costs more than the draws it saves.
    static bool DrawAheadPays(std::size_t DemandStages, int32_t NumPeriods)
    {
        return DemandStages >= 4 && static_cast<int64_t>(DemandStages) * NumPeriods >= 2000;
    }

    // Every stage's "OQ" forecast set to that of From's stage of the same number (stages that only
    // one of the models has are left alone): what a run carries into the next besides the
    // generator, so that a trial can start where a copy of From would.
    void CopyForecasts(const TSimulation& From);

    // Sum over stages of each cost accumulator's mean.
    TCostTotals CostTotals() const;

    // The model's random generator: a run with a negative seed continues it where the last run
    // left it. A batch sets it to where its last trial ended.
    uint32_t RandSeed() const { return Random_.State(); }
    void SetRandSeed(uint32_t State) { Random_.SetState(State); }

private:
    friend struct TSimulationTestAccess;  // white-box tests step single periods

    // Stage N, to write. REQUIRES: 1 <= N <= NumStages().
    TStage& EditableStage(int N) { return *Elem(Stages_, N); }
    // Rebuilds every stage's groups, prepares the histories for the periods to come (reusing
    // their storage), copies the option into the stages, then simulates NumPeriods periods.
    void Run(int32_t NumPeriods);
    // What the draws of a run read and keep: its own list of the stages (a drawing thread then
    // reads nothing the periods write) and every stage's failure state of the period before.
    struct TDrawState {
        int NumStages = 0;
        std::array<TStage*, MaxStages> Stages{};
        std::array<uint8_t, MaxStages> Failed{};
    };
    // The random draws of the next period, in the generator's order: the external demand of every
    // stage with demand (bounded by, and recorded in, its demand window) into Demands, one per
    // such stage, and every stage's failure state into Failed[0..NumStages).
    static void DrawPeriod(TRandom& Random, TDrawState& State, int64_t* Demands, uint8_t* Failed);
    // Simulates NumPeriods periods with their draws made ahead on a second thread, from Draws;
    // false, and nothing done, when no thread can be started.
    bool RunDrawingAhead(int32_t NumPeriods, const TDrawState& Draws, std::size_t DemandStages);
    static int64_t DrawDemand(TRandom& Random, TStage& S);
    static bool DrawFailure(TRandom& Random, const TStage& S, bool WasFailed);
    // One period with its draws, in the fixed order of steps.
    void SimulatePeriod(const int64_t* Demands, const uint8_t* Failed);
    // After a write to S's parameters: when S's product index or product cost changed, rebuilds
    // the groups of every stage that lists S as a supplier.
    void RebuildGroupsAfterWrite(const TStage& S, int32_t OldProduct, double OldCost);
    void RebuildAllGroups();

    TRandom Random_;
    int NumStages_ = 0;
    bool ForceCST_ = false;
    bool Modified_ = false;
    bool KeepHistory_ = true;
    TDrawMode DrawMode_ = TDrawMode::AheadWhenItPays;
    int32_t WarmUp_ = 0;
    int32_t Period_ = 0;
    std::array<std::unique_ptr<TStage>, MaxStages + 1> Stages_;
    std::vector<std::string> RunWarnings_;  // of the last run; its periods append to it
};
