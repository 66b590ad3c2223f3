// Batches on several threads and in parts: the same bytes as one trial after the other.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/BatchRun.h"
#include "batch/ParamSet.h"
#include "batch/ReportOptions.h"
#include "engine/Simulation.h"
#include "model_files/ModelFile.h"
#include "platform/Dialogs.h"
#include "support/ModelBuilder.h"

namespace {

struct TBatchCase {
    const char* Model;
    std::vector<std::pair<int, int>> Columns;  // (parameter, stage)
    std::vector<std::vector<double>> Settings;
};

TParamSet MakeSet(const TBatchCase& C)
{
    TParamSet Set(static_cast<int32_t>(C.Settings.size()), static_cast<int32_t>(C.Columns.size()));
    for (int32_t K = 1; K <= Set.NumColumns(); ++K) {
        Set.ParamIndex(K) = C.Columns[static_cast<std::size_t>(K - 1)].first;
        Set.ParamStage(K) = C.Columns[static_cast<std::size_t>(K - 1)].second;
        for (int32_t I = 1; I <= Set.NumSettings(); ++I) {
            Set.Values(I, K) = C.Settings[static_cast<std::size_t>(I - 1)][static_cast<std::size_t>(K - 1)];
        }
    }
    return Set;
}

TReportOptions EveryMeasure()
{
    TReportOptions Options;
    TOptionMarks Marks;
    Marks.Standard.fill(true);
    Marks.Other.fill(true);
    Options.SetMarks(Marks);
    return Options;
}

// What a batch leaves: its text, and the model's state after it.
struct TAfter {
    std::vector<std::string> Lines;
    uint32_t RandSeed = 0;
    double LastTotalCost = 0;
    std::vector<int64_t> NetInvOfStage1;
    std::vector<double> Params;
};

TAfter Batch(const TBatchCase& C, int32_t Seed, int Jobs, int32_t PartK = 1, int32_t PartN = 1, uint32_t Before = 7)
{
    TSilentDialogs Quiet;
    TSimulation Model;
    const TLoadResult Loaded = LoadModel(Model, std::string(ORVANTIS_SOURCE_DIR "/") + C.Model, Quiet);
    EXPECT_TRUE(Loaded.Ok) << Loaded.Message;
    Model.SetRandSeed(Before);  // where an earlier run left the sequence
    const TParamSet Set = MakeSet(C);
    TBatchRun Run;
    Run.Settings = TRunSettings{150, 15, Seed};
    Run.NumTrials = 3;
    Run.Heading = TBatchHeading{"T", C.Model, std::to_string(Seed), "150", "15", 0, 0};
    Run.Jobs = Jobs;
    Run.ClockSeed = [] { return 987654321u; };
    BatchPartRange(Set.NumSettings(), PartK, PartN, Run.FirstSetting, Run.LastSetting);
    Run.WriteHeading = PartK == 1;
    Run.WriteClosing = PartK == PartN;
    TAfter After;
    TBatchCallbacks Callbacks;
    Callbacks.AppendLine = [&](const std::string& Line) { After.Lines.push_back(Line); };
    RunBatch(Model, Set, EveryMeasure(), Run, Callbacks);
    After.RandSeed = Model.RandSeed();
    After.LastTotalCost = Model.CostTotals().TotalCost;
    After.NetInvOfStage1 = Model.Stage(1).NetInvHist();
    for (int I = 0; I < NumParams; ++I) {
        After.Params.push_back(Model.GetParam(1, I));
    }
    return After;
}

}  // namespace

TEST(BatchParallel, ThreadsAndPartsGiveTheBytesOfOneTrialAfterTheOther)
{
    const std::vector<TBatchCase> Cases = {
        // Demand moves between stages from setting to setting, so the settings draw differently.
        {"examples/distribution.txt", {{ParamDemandMean, 1}, {ParamDemandMean, 2}}, {{0, 9}, {7, 0}, {5, 5}, {0, 0}}},
        {"examples/assembly.txt", {{ParamBaseStockLevel, 1}, {ParamHoldingCost, 2}}, {{10, 1}, {20, 1}, {30, 2}}},
        // An "OQ" retailer that skips orders carries its forecast from trial to trial.
        {"examples/order_formula.txt", {{ParamOQReorderPoint, 1}}, {{2000000000}, {15}, {5}}},
        {"examples/serial_chain.txt", {}, {{}}},
    };
    for (const TBatchCase& C : Cases) {
        for (int32_t Seed : {5, -1, 0}) {
            SCOPED_TRACE(std::string(C.Model) + " seed " + std::to_string(Seed));
            const TAfter One = Batch(C, Seed, 1);
            ASSERT_GT(One.Lines.size(), 9u);
            for (int Jobs : {2, 7}) {
                const TAfter Many = Batch(C, Seed, Jobs);
                EXPECT_EQ(Many.Lines, One.Lines) << Jobs << " jobs";
                EXPECT_EQ(Many.RandSeed, One.RandSeed) << Jobs << " jobs";
                EXPECT_EQ(Many.LastTotalCost, One.LastTotalCost) << Jobs << " jobs";
                EXPECT_EQ(Many.NetInvOfStage1, One.NetInvOfStage1) << Jobs << " jobs";
                EXPECT_EQ(Many.Params, One.Params) << Jobs << " jobs";
            }
            std::vector<std::string> Joined;
            for (int32_t K = 1; K <= 3; ++K) {
                const TAfter Part = Batch(C, Seed, 2, K, 3);
                Joined.insert(Joined.end(), Part.Lines.begin(), Part.Lines.end());
            }
            EXPECT_EQ(Joined, One.Lines) << "parts 1/3 to 3/3";
        }
    }
}

TEST(BatchParallel, PartsAreContiguousSlicesCoveringEverySetting)
{
    for (int32_t Settings : {1, 2, 7, 100}) {
        for (int32_t N : {1, 3, 8}) {
            int32_t Expected = 1;
            for (int32_t K = 1; K <= N; ++K) {
                int32_t First = 0;
                int32_t Last = 0;
                BatchPartRange(Settings, K, N, First, Last);
                EXPECT_EQ(First, Expected);
                EXPECT_LE(Last - First + 1, Settings / N + 1);
                Expected = Last + 1;
            }
            EXPECT_EQ(Expected, Settings + 1);
        }
    }
}

// The trials' run warnings reach the caller in trial order, each before its trial's TrialDone,
// whatever the number of threads: the same as running the trials one after the other by hand.
TEST(BatchParallel, RunWarningsComeInTrialOrderWithAnyJobs)
{
    TSimulation Model;
    ASSERT_TRUE(BuildShortSupplyModel(Model));
    const TBatchCase C{"", {{ParamDemandMean, 1}}, {{5}, {2}, {7}}};
    const TParamSet Set = MakeSet(C);
    const TRunSettings Settings{60, 5, 31};
    constexpr int32_t Trials = 3;

    std::vector<std::string> Expected;
    int WarnedTrials = 0;
    TSimulation ByHand;
    ByHand.CopyModel(Model);
    for (int32_t I = 1; I <= Set.NumSettings(); ++I) {
        ByHand.SetParam(1, ParamDemandMean, Set.Values(I, 1));
        for (int32_t T = 1; T <= Trials; ++T) {
            ByHand.Reset();
            ByHand.RunSimulation(Settings.NumPeriods, Settings.WarmUp, I == 1 && T == 1 ? Settings.Seed : -1);
            Expected.insert(Expected.end(), ByHand.RunWarnings().begin(), ByHand.RunWarnings().end());
            WarnedTrials += ByHand.RunWarnings().empty() ? 0 : 1;
            Expected.push_back("trial done");
        }
    }
    ASSERT_GT(WarnedTrials, 1);

    for (int Jobs : {1, 2, 7}) {
        SCOPED_TRACE(std::to_string(Jobs) + " jobs");
        TBatchRun Run;
        Run.Settings = Settings;
        Run.NumTrials = Trials;
        Run.Jobs = Jobs;
        std::vector<std::string> Got;
        TBatchCallbacks Callbacks;
        Callbacks.RunWarning = [&Got](const std::string& Warning) { Got.push_back(Warning); };
        Callbacks.TrialDone = [&Got](const TCostTotals&) { Got.push_back("trial done"); };
        RunBatch(Model, Set, EveryMeasure(), Run, Callbacks);
        EXPECT_EQ(Got, Expected);
    }
}
