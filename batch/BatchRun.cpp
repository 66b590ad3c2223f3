#include "batch/BatchRun.h"

#include <vector>

#include "batch/ParamSet.h"
#include "engine/Simulation.h"

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
    for (const std::string& Line : BatchHeadingLines(Heading, Columns)) {
        Append(Line);
    }

    TBatchOutcome Outcome;
    {
        const TSavedValues Saved(Model, Set);
        TSettingResult Result(N, Set.NumParams());
        TTrialResult Trial;
        int64_t Seed = Run.Settings.Seed;
        for (int32_t I = 1; I <= Set.NumSettings(); ++I) {
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
            for (int32_t T = 1; T <= Run.NumTrials; ++T) {
                const TCostTotals Costs = RunTrial(Model, Run.Settings, Seed, Trial);
                Seed = -1;  // later trials continue the random sequence
                Result.Fold(Trial);
                if (Callbacks.TrialDone) {
                    Callbacks.TrialDone(Costs);
                }
            }
            Append(BatchResultLine(Columns, Result, Run.DecimalSep));
            Outcome.SettingsDone = I;
            if (Callbacks.Progress && !Callbacks.Progress(I, Set.NumSettings()) && I < Set.NumSettings()) {
                Outcome.Cancelled = true;
                break;
            }
        }
    }
    for (const std::string& Line : BatchClosingLines()) {
        Append(Line);
    }
    return Outcome;
}
