#include "batch/BatchRun.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "batch/BatchCsv.h"
#include "batch/ParamSet.h"
#include "checks/CheckModel.h"
#include "engine/Random.h"
#include "engine/Simulation.h"
#include "engine/ParamCatalogue.h"
#include "engine/StreamConsumption.h"
#include "text/NumberText.h"

namespace {

// Puts every column's value from before the batch back, in column order, when the batch ends,
// however it ends; the model is then as changed, or unchanged, as it was before.
class TSavedValues {
public:
    TSavedValues(TSimulation& Model, const TParamSet& Set) : Model_(Model), Set_(Set), WasModified_(Model.Modified())
    {
        for (int32_t K = 1; K <= Set.NumColumns(); ++K) {
            Values_.push_back(Model.GetParam(Set.ParamStage(K), Set.ParamIndex(K)));
        }
    }
    ~TSavedValues()
    {
        for (int32_t K = 1; K <= Set_.NumColumns(); ++K) {
            Model_.SetParam(Set_.ParamStage(K), Set_.ParamIndex(K), Values_[static_cast<std::size_t>(K - 1)]);
        }
        Model_.SetModified(WasModified_);
    }
    TSavedValues(const TSavedValues&) = delete;
    TSavedValues& operator=(const TSavedValues&) = delete;

private:
    TSimulation& Model_;
    const TParamSet& Set_;
    bool WasModified_;
    std::vector<double> Values_;
};

// Writes setting I's values into the model, in column order.
void ApplySetting(TSimulation& Model, const TParamSet& Set, int32_t I)
{
    for (int32_t K = 1; K <= Set.NumColumns(); ++K) {
        Model.SetParam(Set.ParamStage(K), Set.ParamIndex(K), Set.Values(I, K));
    }
}

}  // namespace

void CollectTrialResult(const TSimulation& Model, TTrialResult& Trial)
{
    const int N = Model.NumStages();
    const std::size_t Stages = static_cast<std::size_t>(N) + 1;
    Trial.StageMeans.resize(Stages);
    Trial.OrderQtySD.resize(Stages);
    for (int S = 1; S <= N; ++S) {
        const TStats& Stats = Model.Stage(S).Stats();
        auto& Means = Trial.StageMeans[static_cast<std::size_t>(S)];
        for (int J = 0; J < NumMetrics; ++J) {
            Means[static_cast<std::size_t>(J)] = Stats.Get(J)->Avg();
        }
        Trial.OrderQtySD[static_cast<std::size_t>(S)] = Stats.Get(MetricOrderQty)->Stdev();
    }
    Trial.Costs = Model.CostTotals();
    const int32_t WarmUp = Model.WarmUp();
    const int32_t Measured = Model.Period() - WarmUp;
    Trial.PeriodTotalCosts.assign(static_cast<std::size_t>(Measured > 0 ? Measured : 0), 0.0);
    for (int32_t P = 1; P <= Measured; ++P) {
        double Sum = 0;
        for (int S = 1; S <= N; ++S) {
            Sum += Model.Stage(S).TotalCostHist()[static_cast<std::size_t>(WarmUp + P)];
        }
        Trial.PeriodTotalCosts[static_cast<std::size_t>(P - 1)] = Sum;
    }
}

namespace {

// One trial: resets the model, runs it with Settings' periods and warm-up, continuing the
// generator where it stands, and reads the trial's result into Trial.
void RunTrial(TSimulation& Model, const TRunSettings& Settings, TTrialResult& Trial)
{
    Model.Reset();
    Model.RunSimulation(Settings.NumPeriods, Settings.WarmUp, -1);
    CollectTrialResult(Model, Trial);
}

// The generator state the batch's first trial starts from: the seed as a run takes it.
uint32_t FirstTrialState(const TSimulation& Model, const TBatchRun& Run)
{
    if (Run.Settings.Seed == 0 && Run.ClockSeed) {
        return Run.ClockSeed();
    }
    TRandom Random;
    Random.SetState(Model.RandSeed());
    Random.Seed(Run.Settings.Seed);
    return Random.State();
}

// What settings 1..Last draw from the generator per trial, and whether a trial's results can
// depend on the trial before it other than through the generator: an "OQ" stage with a finite
// reorder point may skip its first period's order and then smooth the forecast the previous trial
// left.
struct TSettingShapes {
    std::vector<int> DemandStages;  // [i]: stages with demand under setting i; entry 0 unused
    bool CarriesForecast = false;   // under any of the settings
};

TSettingShapes SettingShapes(const TSimulation& Model, const TParamSet& Set, int32_t Last)
{
    // A scratch copy takes each setting's values exactly as the model would (rounding, codes).
    TSimulation Scratch;
    Scratch.CopyModel(Model);
    TSettingShapes Shapes;
    Shapes.DemandStages.assign(static_cast<std::size_t>(std::max(Last, 0)) + 1, 0);
    for (int32_t I = 1; I <= Last; ++I) {
        ApplySetting(Scratch, Set, I);
        Shapes.DemandStages[static_cast<std::size_t>(I)] = DemandStageCount(Scratch);
        for (int N = 1; N <= Scratch.NumStages(); ++N) {
            const TStageParams& S = Scratch.Stage(N).Params();
            Shapes.CarriesForecast = Shapes.CarriesForecast || (S.InvPolicy == PolicyOQ && S.OQReorderPoint != IntInf);
        }
    }
    return Shapes;
}

struct TTrialOutcome {
    uint32_t Start = 0;  // the generator state the trial started from
    TTrialResult Result;
    std::vector<std::string> Warnings;  // of its run, passed on in trial order by the caller's thread
};

// Trials run on copies of the model by worker threads, handed out in trial order as their start
// states arrive (Add) and taken back in trial order. A ring of Ring slots holds each trial from
// its start state to its outcome: at most Ring trials are added and not yet taken, so memory stays
// bounded however long the batch.
class TTrialPool {
public:
    // Each worker copies Model on its own thread, so that the memory it runs on is its own and
    // never shares a cache line with another worker's; the constructor returns when every copy
    // is made, before the caller goes on to change Model.
    TTrialPool(const TSimulation& Model, const TParamSet& Set, const TRunSettings& Settings, int32_t FirstSetting,
               int32_t Trials, int Jobs, std::size_t Ring)
        : Set_(Set), Settings_(Settings), FirstSetting_(FirstSetting), Trials_(Trials), Slots_(Ring)
    {
        try {
            for (int J = 0; J < Jobs; ++J) {
                Workers_.emplace_back([this, &Model] { Work(Model); });
            }
        } catch (...) {
            Stop();  // no thread to be had: the ones started end before the error goes on
            throw;
        }
        std::unique_lock<std::mutex> Lock(Mutex_);
        Changed_.wait(Lock, [&] { return Copied_ == Workers_.size() || Failure_; });
    }
    ~TTrialPool() { Stop(); }
    TTrialPool(const TTrialPool&) = delete;
    TTrialPool& operator=(const TTrialPool&) = delete;

    // The generator state the next trial starts from. REQUIRES: fewer than Ring trials added and
    // not yet taken.
    void Add(uint32_t Start)
    {
        {
            std::lock_guard<std::mutex> Lock(Mutex_);
            Slots_[Added_++ % Slots_.size()].Start = Start;
        }
        Changed_.notify_all();
    }

    // The outcome of trial number Index (0-based, in batch order), waiting for it.
    TTrialOutcome Take(std::size_t Index)
    {
        std::unique_lock<std::mutex> Lock(Mutex_);
        TSlot& Slot = Slots_[Index % Slots_.size()];
        Changed_.wait(Lock, [&] { return Slot.Ready || Failure_; });
        if (Failure_) {
            std::rethrow_exception(Failure_);
        }
        TTrialOutcome Outcome = std::move(Slot.Outcome);
        Slot.Ready = false;
        return Outcome;
    }

private:
    struct TSlot {
        uint32_t Start = 0;
        bool Ready = false;
        TTrialOutcome Outcome;
    };

    void Stop()
    {
        {
            std::lock_guard<std::mutex> Lock(Mutex_);
            Stopping_ = true;
        }
        Changed_.notify_all();
        for (std::thread& W : Workers_) {
            W.join();
        }
    }

    void Work(const TSimulation& Original)
    {
        try {
            TSimulation Model;
            Model.CopyModel(Original);
            Model.SetKeepHistory(false);  // a trial gives its statistics and costs; nobody reads its history
            Model.SetDrawMode(TSimulation::TDrawMode::InLine);  // the workers already fill the cores
            {
                std::lock_guard<std::mutex> Lock(Mutex_);
                ++Copied_;
            }
            Changed_.notify_all();
            int32_t Applied = 0;
            for (;;) {
                std::size_t Index = 0;
                TTrialOutcome Outcome;
                {
                    std::unique_lock<std::mutex> Lock(Mutex_);
                    Changed_.wait(Lock, [&] { return Stopping_ || Next_ < Added_; });
                    if (Stopping_) {
                        return;
                    }
                    Index = Next_++;
                    Outcome.Start = Slots_[Index % Slots_.size()].Start;
                }
                const int32_t Setting = FirstSetting_ + static_cast<int32_t>(Index / static_cast<std::size_t>(Trials_));
                if (Setting != Applied) {
                    ApplySetting(Model, Set_, Setting);
                    Applied = Setting;
                }
                Model.SetRandSeed(Outcome.Start);
                RunTrial(Model, Settings_, Outcome.Result);
                Outcome.Warnings = Model.RunWarnings();
                std::lock_guard<std::mutex> Lock(Mutex_);
                TSlot& Slot = Slots_[Index % Slots_.size()];
                Slot.Outcome = std::move(Outcome);
                Slot.Ready = true;
                Changed_.notify_all();
            }
        } catch (...) {
            std::lock_guard<std::mutex> Lock(Mutex_);
            if (!Failure_) {
                Failure_ = std::current_exception();
            }
            Changed_.notify_all();
        }
    }

    const TParamSet& Set_;
    const TRunSettings Settings_;
    const int32_t FirstSetting_;
    const int32_t Trials_;
    std::vector<TSlot> Slots_;  // trial I in slot I % Ring
    std::size_t Added_ = 0;     // trials whose start state has come
    std::size_t Next_ = 0;      // the next trial to hand out
    std::size_t Copied_ = 0;    // workers that have their copy of the model
    bool Stopping_ = false;
    std::exception_ptr Failure_;
    std::mutex Mutex_;
    std::condition_variable Changed_;
    std::vector<std::thread> Workers_;
};

}  // namespace

TBatchHeading BatchHeadingFor(const std::string& DateTime, const std::string& ModelPath,
                              const TRunSettingsTexts& Texts)
{
    TBatchHeading Heading;
    Heading.DateTime = DateTime;
    Heading.DataFile = std::filesystem::path(ModelPath).filename().string();
    Heading.SeedText = Texts.Seed;
    Heading.PeriodsText = Texts.NumPeriods;
    Heading.WarmUpText = Texts.WarmUp;
    return Heading;
}

int DefaultBatchJobs()
{
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

namespace {

// "setting 3 (Q:5 = 0)": the setting and its first few columns with the values as defined.
std::string SettingText(const TParamSet& Set, int32_t I)
{
    constexpr int32_t Shown = 4;
    std::string Text = "setting " + std::to_string(I);
    for (int32_t K = 1; K <= std::min(Set.NumColumns(), Shown); ++K) {
        Text += (K == 1 ? " (" : ", ") + ParamShortNames[static_cast<std::size_t>(Set.ParamIndex(K))] + ":" +
                std::to_string(Set.ParamStage(K)) + " = " + FormatGeneral(Set.Values(I, K));
    }
    if (Set.NumColumns() > Shown) {
        Text += ", ...";
    }
    return Set.NumColumns() > 0 ? Text + ")" : Text;
}

}  // namespace

std::optional<std::string> SettingsRefusal(const TSimulation& Model, const TParamSet& Set)
{
    TSimulation Scratch;
    Scratch.CopyModel(Model);
    for (int32_t I = 1; I <= Set.NumSettings(); ++I) {
        ApplySetting(Scratch, Set, I);
        if (const std::optional<std::string> Text = ModelRefusal(Scratch)) {
            return SettingText(Set, I) + ": " + *Text;
        }
    }
    return std::nullopt;
}

void BatchPartRange(int32_t NumSettings, int32_t K, int32_t N, int32_t& First, int32_t& Last)
{
    First = static_cast<int32_t>(static_cast<int64_t>(NumSettings) * (K - 1) / N) + 1;
    Last = static_cast<int32_t>(static_cast<int64_t>(NumSettings) * K / N);
}

namespace {

// One batch under way: the settings of its part, each with its trials, run one after the other on
// the model or on the pool's workers, and the lines they give.
class TBatchRunner {
public:
    TBatchRunner(TSimulation& Model, const TParamSet& Set, const TBatchRun& Run, const TBatchCallbacks& Callbacks,
                 const std::vector<TResultColumn>& Columns)
        : Model_(Model),
          Set_(Set),
          Run_(Run),
          Callbacks_(Callbacks),
          Columns_(Columns),
          First_(std::max(Run.FirstSetting, 1)),
          Last_(std::min(Run.LastSetting, Set.NumSettings())),
          Trials_(std::max(Run.NumTrials, 0)),
          PartStart_(static_cast<std::size_t>(First_ - 1) * static_cast<std::size_t>(Trials_)),
          PartEnd_(Last_ >= First_ ? static_cast<std::size_t>(Last_) * static_cast<std::size_t>(Trials_) : PartStart_),
          Ring_(4 * static_cast<std::size_t>(std::max(Run.Jobs, 1)))
    {
    }

    // Runs the part's settings; the model's parameters are put back by the caller.
    TBatchOutcome RunSettings()
    {
        Start();
        TBatchOutcome Outcome;
        TSettingResult Result(Model_.NumStages(), Set_.NumColumns());
        for (int32_t I = First_; I <= Last_; ++I) {
            RunSetting(I, Result);
            Outcome.SettingsDone = I - First_ + 1;
            const bool Go = !Callbacks_.Progress || Callbacks_.Progress(I - First_ + 1, Last_ - First_ + 1);
            if (!Go && I < Last_) {
                Outcome.Cancelled = true;
                break;
            }
        }
        Finish();
        return Outcome;
    }

private:
    // Finds where the part's first trial starts and gets the trials going. The pre-pass walks the
    // one random sequence from trial to trial. A carried forecast makes a trial depend on the
    // whole trial before it: such a batch replays the trials before its part, and runs its own one
    // after the other. One after the other from the batch's start, neither is needed.
    void Start()
    {
        const bool Walks = PartStart_ < PartEnd_ && (Run_.Jobs > 1 || PartStart_ > 0);
        if (Walks) {
            Shapes_ = SettingShapes(Model_, Set_, Last_);
        }
        Parallel_ = Walks && Run_.Jobs > 1 && !Shapes_.CarriesForecast;
        State_ = FirstTrialState(Model_, Run_);
        ReplayBefore();
        if (Parallel_) {
            Pool_.emplace(Model_, Set_, Run_.Settings, First_, Trials_, Run_.Jobs, Ring_);
            WalkTo(Ring_);
        } else if (PartStart_ < PartEnd_) {
            // One after the other, every trial continues the sequence the one before left.
            Model_.SetRandSeed(State_);
        }
        Index_ = PartStart_;
    }

    // The generator through every trial before the part (of use only when the part has a trial).
    void ReplayBefore()
    {
        if (PartStart_ >= PartEnd_) {
            return;
        }
        const std::size_t Trials = static_cast<std::size_t>(Trials_);
        TTrialResult Discarded;
        for (std::size_t Before = 0; Before < PartStart_; ++Before) {
            if (!Shapes_.CarriesForecast) {
                Step(Before);
                continue;
            }
            if (Before % Trials == 0) {
                ApplySetting(Model_, Set_, static_cast<int32_t>(Before / Trials) + 1);
            }
            Model_.SetRandSeed(State_);
            RunTrial(Model_, Run_.Settings, Discarded);
            State_ = Model_.RandSeed();
        }
    }

    // The state after trial number Trial (0-based, in batch order) from the one before it.
    void Step(std::size_t Trial)
    {
        const std::size_t Setting = Trial / static_cast<std::size_t>(Trials_) + 1;
        State_ = StreamAfterPeriods(Model_.NumStages(), Shapes_.DemandStages[Setting], State_, Run_.Settings.NumPeriods);
    }

    // On workers, the pre-pass hands out the start states of as many trials as the pool's ring
    // holds beyond the ones taken back, so that it overlaps their runs.
    void WalkTo(std::size_t Count)
    {
        for (Count = std::min(Count, PartEnd_ - PartStart_); Added_ < Count; ++Added_) {
            if (Added_ > 0) {
                Step(PartStart_ + Added_ - 1);
            }
            Pool_->Add(State_);
        }
    }

    void RunSetting(int32_t I, TSettingResult& Result)
    {
        ApplySetting(Model_, Set_, I);
        // Read back after all columns went in: a pair that occurs twice shows the last value.
        for (int32_t K = 1; K <= Set_.NumColumns(); ++K) {
            Result.ParamValues[static_cast<std::size_t>(K)] = Model_.GetParam(Set_.ParamStage(K), Set_.ParamIndex(K));
        }
        if (Callbacks_.SettingApplied) {
            Callbacks_.SettingApplied(I);
        }
        Result.Reset();
        for (int32_t T = 1; T <= Trials_; ++T, ++Index_) {
            NextTrial();
            Result.Fold(Trial_);
            if (Callbacks_.TrialDone) {
                Callbacks_.TrialDone(Trial_.Costs);
            }
        }
        if (Callbacks_.AppendLine) {
            Callbacks_.AppendLine(BatchResultLine(Columns_, Result, Run_.DecimalSep));
        }
        if (Callbacks_.AppendCsvRecord) {
            Callbacks_.AppendCsvRecord(BatchCsvRecord(Columns_, Result));
        }
        if (Callbacks_.SettingDone) {
            Callbacks_.SettingDone(I, Columns_, Result);
        }
    }

    // The result of trial Index_ into Trial_, run here or taken from the pool, and its run's
    // warnings to the caller.
    void NextTrial()
    {
        if (!Pool_) {
            RunTrial(Model_, Run_.Settings, Trial_);
            PassOn(Model_.RunWarnings());
            return;
        }
        TTrialOutcome Outcome = Pool_->Take(Index_ - PartStart_);
        WalkTo(Index_ - PartStart_ + 1 + Ring_);
        PassOn(Outcome.Warnings);
        LastStart_ = Outcome.Start;
        Trial_ = std::move(Outcome.Result);
    }

    void PassOn(const std::vector<std::string>& Warnings) const
    {
        if (Callbacks_.RunWarning) {
            for (const std::string& Warning : Warnings) {
                Callbacks_.RunWarning(Warning);
            }
        }
    }

    // The replays here and in ReplayBefore pass no warnings on: their trials' warnings were
    // passed on when the trial was taken, or belong to another part.
    void Finish()
    {
        Pool_.reset();
        if (Parallel_ && Index_ > PartStart_) {
            // The model holds what running the trials one after the other leaves: the last trial's
            // run, and the generator where it ended.
            Model_.SetRandSeed(LastStart_);
            RunTrial(Model_, Run_.Settings, Trial_);
        }
    }

    TSimulation& Model_;
    const TParamSet& Set_;
    const TBatchRun& Run_;
    const TBatchCallbacks& Callbacks_;
    const std::vector<TResultColumn>& Columns_;
    const int32_t First_;
    const int32_t Last_;
    const int32_t Trials_;
    const std::size_t PartStart_;  // trials of the whole batch before the part
    const std::size_t PartEnd_;    // ... up to the part's end
    const std::size_t Ring_;
    TSettingShapes Shapes_;
    bool Parallel_ = false;
    uint32_t State_ = 0;           // the generator state the next trial to hand out starts from
    std::optional<TTrialPool> Pool_;
    std::size_t Added_ = 0;        // trials of the part handed to the pool
    std::size_t Index_ = 0;        // the next trial to take, in batch order
    uint32_t LastStart_ = 0;       // of the last trial taken from the pool
    TTrialResult Trial_;
};

}  // namespace

TBatchOutcome RunBatch(TSimulation& Model, const TParamSet& Set, const TReportOptions& Options, const TBatchRun& Run,
                       const TBatchCallbacks& Callbacks)
{
    const auto Append = [&Callbacks](const std::vector<std::string>& Lines) {
        for (const std::string& Line : Lines) {
            if (Callbacks.AppendLine) {
                Callbacks.AppendLine(Line);
            }
        }
    };
    const std::vector<TResultColumn> Columns = ChooseResultColumns(Set, Model.NumStages(), Options);
    TBatchHeading Heading = Run.Heading;
    Heading.NumStages = Model.NumStages();
    Heading.NumTrials = Run.NumTrials;
    if (Run.WriteHeading) {
        Append(BatchHeadingLines(Heading, Columns));
        if (Callbacks.AppendCsvRecord) {
            Callbacks.AppendCsvRecord(BatchCsvHeader(Columns));
        }
    }
    TBatchOutcome Outcome;
    {
        const TSavedValues Saved(Model, Set);
        Outcome = TBatchRunner(Model, Set, Run, Callbacks, Columns).RunSettings();
    }
    if (Run.WriteClosing) {
        Append(BatchClosingLines());
    }
    return Outcome;
}
