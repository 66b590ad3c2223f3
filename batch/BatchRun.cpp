#include "batch/BatchRun.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "batch/ParamSet.h"
#include "engine/Random.h"
#include "engine/Simulation.h"
#include "engine/StreamConsumption.h"
#include "platform/Dialogs.h"

namespace {

// Puts every column's value from before the batch back, in column order, when the batch ends,
// however it ends.
class TSavedValues {
public:
    TSavedValues(TSimulation& Model, const TParamSet& Set) : Model_(Model), Set_(Set)
    {
        for (int32_t K = 1; K <= Set.NumParams(); ++K) {
            Values_.push_back(Model.GetParam(Set.ParamStage(K), Set.ParamIndex(K)));
        }
    }
    ~TSavedValues()
    {
        for (int32_t K = 1; K <= Set_.NumParams(); ++K) {
            Model_.SetParam(Set_.ParamStage(K), Set_.ParamIndex(K), Values_[static_cast<std::size_t>(K - 1)]);
        }
    }
    TSavedValues(const TSavedValues&) = delete;
    TSavedValues& operator=(const TSavedValues&) = delete;

private:
    TSimulation& Model_;
    const TParamSet& Set_;
    std::vector<double> Values_;
};

}  // namespace

void CollectTrialResult(const TSimulation& Model, TTrialResult& Trial)
{
    const int N = Model.NumStages();
    const std::size_t Stages = static_cast<std::size_t>(N) + 1;
    Trial.StageMeans.resize(Stages);
    Trial.OrderQtySD.resize(Stages);
    Trial.SystemSums.fill(0.0);
    for (int S = 1; S <= N; ++S) {
        const TStats& Stats = Model.Stage(S).Stats();
        auto& Means = Trial.StageMeans[static_cast<std::size_t>(S)];
        for (int J = 0; J < NumMetrics; ++J) {
            Means[static_cast<std::size_t>(J)] = Stats.Get(J)->Avg();
        }
        for (int J = 0; J < NumCostMetrics; ++J) {
            Trial.SystemSums[static_cast<std::size_t>(J)] += Means[static_cast<std::size_t>(J)];
        }
        Trial.OrderQtySD[static_cast<std::size_t>(S)] = Stats.Get(MetricOrderQty)->Stdev();
    }
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

TCostTotals RunTrial(TSimulation& Model, const TRunSettings& Settings, int64_t Seed, TTrialResult& Trial)
{
    Model.Reset();
    const TCostTotals Costs = Model.RunSimulation(Settings.NumPeriods, Settings.WarmUp, Seed);
    CollectTrialResult(Model, Trial);
    return Costs;
}

namespace {

// The generator state the batch's first trial starts from: the seed as a run takes it.
uint32_t FirstTrialState(const TSimulation& Model, const TBatchRun& Run)
{
    const int64_t Seed = Run.Settings.Seed;
    if (Seed > 0) {
        return static_cast<uint32_t>(Seed);
    }
    if (Seed == 0) {
        if (Run.ClockSeed) {
            return Run.ClockSeed();
        }
        TRandom Clock;
        Clock.Seed(0);
        return Clock.RandSeed;
    }
    return Model.RandSeed();
}

// What every setting draws from the generator per trial, and whether a trial's results can depend
// on the trial before it other than through the generator: an "OQ" stage with a finite reorder
// point may skip its first period's order and then smooth the forecast the previous trial left.
struct TSettingShape {
    int DemandStages = 0;
    bool CarriesForecast = false;
};

std::vector<TSettingShape> SettingShapes(const TSimulation& Model, const TParamSet& Set)
{
    // A scratch copy takes each setting's values exactly as the model would (rounding, codes).
    TSilentDialogs Quiet;
    TSimulation Scratch(Quiet);
    Scratch.CopyModel(Model);
    std::vector<TSettingShape> Shapes(static_cast<std::size_t>(Set.NumSettings()) + 1);
    for (int32_t I = 1; I <= Set.NumSettings(); ++I) {
        for (int32_t K = 1; K <= Set.NumParams(); ++K) {
            Scratch.Stage(Set.ParamStage(K)).SetParam(Set.ParamIndex(K), Set.Values(I, K));
        }
        TSettingShape& Shape = Shapes[static_cast<std::size_t>(I)];
        for (int N = 1; N <= Scratch.NumStages(); ++N) {
            const TStage& S = Scratch.Stage(N);
            Shape.DemandStages += S.DemandMean > 0 ? 1 : 0;
            Shape.CarriesForecast = Shape.CarriesForecast || (S.InvPolicy == PolicyOQ && S.OQReorderPoint != IntInf);
        }
    }
    return Shapes;
}

// Messages a trial on a worker thread shows, kept to be shown in trial order by the caller's thread.
class TRecordedMessages final : public Dialogs {
public:
    std::vector<std::string> Errors;
    void ShowError(const std::string& Text) override { Errors.push_back(Text); }
    void ShowInfo(const std::string& Text) override { Errors.push_back(Text); }
    bool AskYesNo(const std::string&) override { return true; }
};

struct TTrialOutcome {
    TTrialResult Result;
    TCostTotals Costs;
    std::vector<std::string> Messages;
};

// Trials run on copies of the model by worker threads, handed out in trial order as their start
// states arrive (Add) and taken back in trial order. At most Window results wait to be taken, so
// memory stays bounded however long the batch.
class TTrialPool {
public:
    // Each worker copies Model on its own thread, so that the memory it runs on is its own and
    // never shares a cache line with another worker's; the constructor returns when every copy
    // is made, before the caller goes on to change Model.
    TTrialPool(const TSimulation& Model, const TParamSet& Set, const TRunSettings& Settings, std::size_t NumTrials,
               int32_t FirstSetting, int32_t Trials, int Jobs)
        : Set_(Set), Settings_(Settings), FirstSetting_(FirstSetting), Trials_(Trials),
          Window_(static_cast<std::size_t>(4 * Jobs)), Slots_(Window_)
    {
        Starts_.reserve(NumTrials);  // never moves, so workers read the states added without the lock
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

    // The generator state the next trial starts from. REQUIRES: fewer than NumTrials added.
    void Add(uint32_t Start)
    {
        {
            std::lock_guard<std::mutex> Lock(Mutex_);
            Starts_.push_back(Start);
        }
        Changed_.notify_all();
    }

    // The outcome of trial number Index (0-based, in batch order), waiting for it.
    TTrialOutcome Take(std::size_t Index)
    {
        std::unique_lock<std::mutex> Lock(Mutex_);
        TSlot& Slot = Slots_[Index % Window_];
        Changed_.wait(Lock, [&] { return Slot.Ready || Failure_; });
        if (Failure_) {
            std::rethrow_exception(Failure_);
        }
        TTrialOutcome Outcome = std::move(Slot.Outcome);
        Slot.Ready = false;
        Taken_ = Index + 1;
        Changed_.notify_all();
        return Outcome;
    }

private:
    struct TSlot {
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
            TRecordedMessages Messages;
            TSimulation Model(Messages);
            Model.CopyModel(Original);
            {
                std::lock_guard<std::mutex> Lock(Mutex_);
                ++Copied_;
            }
            Changed_.notify_all();
            int32_t Applied = 0;
            for (;;) {
                std::size_t Index = 0;
                {
                    std::unique_lock<std::mutex> Lock(Mutex_);
                    Changed_.wait(Lock, [&] { return Stopping_ || (Next_ < Starts_.size() && Next_ < Taken_ + Window_); });
                    if (Stopping_) {
                        return;
                    }
                    Index = Next_++;
                }
                const int32_t Setting = FirstSetting_ + static_cast<int32_t>(Index / static_cast<std::size_t>(Trials_));
                if (Setting != Applied) {
                    for (int32_t K = 1; K <= Set_.NumParams(); ++K) {
                        Model.SetParam(Set_.ParamStage(K), Set_.ParamIndex(K), Set_.Values(Setting, K));
                    }
                    Applied = Setting;
                }
                TTrialOutcome Outcome;
                Model.SetRandSeed(Starts_[Index]);
                Messages.Errors.clear();
                Outcome.Costs = RunTrial(Model, Settings_, -1, Outcome.Result);
                Outcome.Messages = std::move(Messages.Errors);
                std::lock_guard<std::mutex> Lock(Mutex_);
                TSlot& Slot = Slots_[Index % Window_];
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
    std::vector<uint32_t> Starts_;  // added so far
    const int32_t FirstSetting_;
    const int32_t Trials_;
    const std::size_t Window_;
    std::vector<TSlot> Slots_;
    std::size_t Next_ = 0;   // the next trial to hand out
    std::size_t Taken_ = 0;  // trials taken back so far
    std::size_t Copied_ = 0;  // workers that have their copy of the model
    bool Stopping_ = false;
    std::exception_ptr Failure_;
    std::mutex Mutex_;
    std::condition_variable Changed_;
    std::vector<std::thread> Workers_;
};

}  // namespace

void BatchPartRange(int32_t NumSettings, int32_t K, int32_t N, int32_t& First, int32_t& Last)
{
    First = static_cast<int32_t>(static_cast<int64_t>(NumSettings) * (K - 1) / N) + 1;
    Last = static_cast<int32_t>(static_cast<int64_t>(NumSettings) * K / N);
}

TBatchOutcome RunBatch(TSimulation& Model, const TParamSet& Set, const TReportOptions& Options, const TBatchRun& Run,
                       const TBatchCallbacks& Callbacks)
{
    const auto Append = [&Callbacks](const std::string& Line) {
        if (Callbacks.AppendLine) {
            Callbacks.AppendLine(Line);
        }
    };
    const int N = Model.NumStages();
    const std::vector<TResultColumn> Columns = ChooseResultColumns(Set, N, Options);
    TBatchHeading Heading = Run.Heading;
    Heading.NumStages = N;
    Heading.NumTrials = Run.NumTrials;
    if (Run.WriteHeading) {
        for (const std::string& Line : BatchHeadingLines(Heading, Columns)) {
            Append(Line);
        }
    }
    const int32_t First = std::max(Run.FirstSetting, 1);
    const int32_t Last = std::min(Run.LastSetting, Set.NumSettings());
    const int32_t Trials = std::max(Run.NumTrials, 0);

    TBatchOutcome Outcome;
    {
        const TSavedValues Saved(Model, Set);
        const std::vector<TSettingShape> Shapes = SettingShapes(Model, Set);
        bool CarriesForecast = false;
        for (const TSettingShape& Shape : Shapes) {
            CarriesForecast = CarriesForecast || Shape.CarriesForecast;
        }
        // The pre-pass walks the one random sequence from trial to trial. A carried forecast makes
        // a trial depend on the whole trial before it: such a batch replays the trials before its
        // part, and runs its own one after the other.
        const std::size_t PartStart = static_cast<std::size_t>(First - 1) * static_cast<std::size_t>(Trials);
        const std::size_t PartEnd = Last >= First ? static_cast<std::size_t>(Last) * static_cast<std::size_t>(Trials) : PartStart;
        const bool Parallel = Run.Jobs > 1 && !CarriesForecast && PartStart < PartEnd;
        uint32_t State = FirstTrialState(Model, Run);
        const auto Step = [&](std::size_t Trial) {
            const std::size_t Setting = Trial / static_cast<std::size_t>(Trials) + 1;
            State = StreamAfterPeriods(N, Shapes[Setting].DemandStages, State, Run.Settings.NumPeriods);
        };
        TTrialResult Discarded;
        for (std::size_t Before = 0; Before < PartStart; ++Before) {
            if (CarriesForecast) {
                if (Before % static_cast<std::size_t>(Trials) == 0) {
                    const int32_t I = static_cast<int32_t>(Before / static_cast<std::size_t>(Trials)) + 1;
                    for (int32_t K = 1; K <= Set.NumParams(); ++K) {
                        Model.SetParam(Set.ParamStage(K), Set.ParamIndex(K), Set.Values(I, K));
                    }
                }
                Model.SetRandSeed(State);
                RunTrial(Model, Run.Settings, -1, Discarded);
            }
            Step(Before);
        }
        // The start states of the part's trials as far as the pre-pass has come. One after the
        // other, only the first is needed; on workers, the pre-pass stays a little ahead of the
        // trials taken back, so that it overlaps their runs.
        std::vector<uint32_t> Starts{State};
        std::optional<TTrialPool> Pool;
        const std::size_t Lead = 8 * static_cast<std::size_t>(std::max(Run.Jobs, 1));
        const auto WalkTo = [&](std::size_t Count) {
            for (Count = std::min(Count, PartEnd - PartStart); Starts.size() < Count;) {
                Step(PartStart + Starts.size() - 1);
                Starts.push_back(State);
                Pool->Add(State);
            }
        };
        if (Parallel) {
            Pool.emplace(Model, Set, Run.Settings, PartEnd - PartStart, First, Trials, Run.Jobs);
            Pool->Add(State);
        }
        std::size_t Index = PartStart;
        TSettingResult Result(N, Set.NumParams());
        TTrialResult Trial;
        for (int32_t I = First; I <= Last; ++I) {
            for (int32_t K = 1; K <= Set.NumParams(); ++K) {
                Model.SetParam(Set.ParamStage(K), Set.ParamIndex(K), Set.Values(I, K));
            }
            // Read back after all columns went in: a pair that occurs twice shows the last value.
            for (int32_t K = 1; K <= Set.NumParams(); ++K) {
                Result.ParamValues[static_cast<std::size_t>(K)] = Model.GetParam(Set.ParamStage(K), Set.ParamIndex(K));
            }
            if (Callbacks.SettingApplied) {
                Callbacks.SettingApplied(I);
            }
            Result.Reset();
            for (int32_t T = 1; T <= Trials; ++T, ++Index) {
                TCostTotals Costs;
                if (Pool) {
                    WalkTo(Index - PartStart + Lead);
                    TTrialOutcome Outcome = Pool->Take(Index - PartStart);
                    for (const std::string& Message : Outcome.Messages) {
                        Model.Messages().ShowError(Message);
                    }
                    Trial = std::move(Outcome.Result);
                    Costs = Outcome.Costs;
                } else {
                    // One after the other, every trial continues the sequence the one before left.
                    if (Index == PartStart) {
                        Model.SetRandSeed(Starts[0]);
                    }
                    Costs = RunTrial(Model, Run.Settings, -1, Trial);
                }
                Result.Fold(Trial);
                if (Callbacks.TrialDone) {
                    Callbacks.TrialDone(Costs);
                }
            }
            Append(BatchResultLine(Columns, Result, Run.DecimalSep));
            Outcome.SettingsDone = I - First + 1;
            const bool Go = !Callbacks.Progress || Callbacks.Progress(I - First + 1, Last - First + 1);
            if (!Go && I < Last) {
                Outcome.Cancelled = true;
                break;
            }
        }
        Pool.reset();
        if (Parallel && Index > PartStart) {
            // The model holds what running the trials one after the other leaves: the last trial's
            // run, and the generator where it ended.
            Model.SetRandSeed(Starts[Index - 1 - PartStart]);
            RunTrial(Model, Run.Settings, -1, Trial);
        }
    }
    if (Run.WriteClosing) {
        for (const std::string& Line : BatchClosingLines()) {
            Append(Line);
        }
    }
    return Outcome;
}
