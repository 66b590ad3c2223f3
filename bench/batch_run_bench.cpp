// Batches of the 25-stage network, 9999 periods: (b) a 10 x 10 two-row sweep x 10 trials (1,000
// runs) with every measure reported, on one thread and on every core, to compare per run with
// a/Network25x9999 of engine_run_bench (one run of the same model); (b/overhead) what the batch
// adds to one trial when the run itself is left out; (b/prepass) the walk over the random
// sequence that gives the 1,000 trials their start states.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "BenchNetworks.h"
#include "batch/BatchRun.h"
#include "batch/ParamSet.h"
#include "batch/ReportOptions.h"
#include "engine/ParamCatalogue.h"
#include "engine/Simulation.h"
#include "engine/StreamConsumption.h"

namespace {

constexpr int32_t Periods = 9999;
constexpr int32_t WarmUp = 100;

// Every check mark set: the most columns a batch can write.
TReportOptions AllMeasures()
{
    TReportOptions Options;
    TOptionMarks Marks;
    Marks.Standard.fill(true);
    Marks.Other.fill(true);
    Options.SetMarks(Marks);
    return Options;
}

// Row 1: the holding cost of the ten retailers, 10 values; row 2: the stockout cost of stages
// 11..18, 10 values. Costs leave the simulated flows alone, so every run does the same work as
// a single run of the model.
TParamSet Sweep10x10()
{
    TSweepRow Row1{ParamHoldingCost + 1, "1", "10", "1", "1.9", "0.1"};
    TSweepRow Row2{ParamStockoutCost + 1, "11", "18", "5", "50", "5"};
    return *BuildSweepSet(Row1, Row2, '.', MaxStages).Set;
}

void Batch10x10x10(benchmark::State& State)
{
    TSimulation Model;
    BuildNetwork25(Model, 1);
    const TParamSet Set = Sweep10x10();
    const TReportOptions Options = AllMeasures();
    TBatchRun Run;
    Run.Settings = TRunSettings{Periods, WarmUp, 12345};
    Run.NumTrials = 10;
    Run.Jobs = static_cast<int>(State.range(0));
    std::size_t Chars = 0;
    TBatchCallbacks Callbacks;
    Callbacks.AppendLine = [&Chars](const std::string& Line) { Chars += Line.size(); };
    int64_t Runs = 0;
    // Per run, to compare with a/Network25x9999's time per iteration (one run).
    const std::clock_t CpuStart = std::clock();
    const auto WallStart = std::chrono::steady_clock::now();
    for (auto _ : State) {
        RunBatch(Model, Set, Options, Run, Callbacks);
        Runs += int64_t{Set.NumSettings()} * Run.NumTrials;
    }
    const double Cpu = static_cast<double>(std::clock() - CpuStart) / CLOCKS_PER_SEC;
    const double Wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - WallStart).count();
    State.counters["Runs"] = static_cast<double>(Runs) / static_cast<double>(State.iterations());
    State.counters["CpuMsPerRun"] = 1e3 * Cpu / static_cast<double>(Runs);
    State.counters["WallMsPerRun"] = 1e3 * Wall / static_cast<double>(Runs);
    State.counters["TextKiB"] = static_cast<double>(Chars) / 1024.0 / static_cast<double>(State.iterations());
}
BENCHMARK(Batch10x10x10)
    ->Name("b/Batch25x9999_10x10x10/jobs")
    ->Arg(1)
    ->Arg(static_cast<int64_t>(std::max(1u, std::thread::hardware_concurrency())))
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime();

// The pre-pass of the batch above: 1,000 trials of 9999 periods of 25 stages, 10 with demand.
void PrePass(benchmark::State& State)
{
    TSimulation Model;
    BuildNetwork25(Model, 1);
    for (auto _ : State) {
        uint32_t Seed = 12345;
        for (int Trial = 0; Trial < 1000; ++Trial) {
            Seed = StreamAfterRun(Model, Seed, Periods);
        }
        benchmark::DoNotOptimize(Seed);
    }
}
BENCHMARK(PrePass)->Name("b/prepass/1000Trials")->Unit(benchmark::kMillisecond);

// One trial's share of the batch machinery without its run: reading the finished run into a trial
// result, folding it into the setting's accumulators, and a tenth of a setting's line with every
// measure (a setting has ten trials).
void TrialOverhead(benchmark::State& State)
{
    TSimulation Model;
    BuildNetwork25(Model, 1);
    Model.RunSimulation(Periods, WarmUp, 12345);
    const TParamSet Set = Sweep10x10();
    const std::vector<TResultColumn> Columns = ChooseResultColumns(Set, Model.NumStages(), AllMeasures());
    TSettingResult Result(Model.NumStages(), Set.NumColumns());
    TTrialResult Trial;
    int64_t Trials = 0;
    std::size_t Chars = 0;
    for (auto _ : State) {
        CollectTrialResult(Model, Trial);
        Result.Fold(Trial);
        if (++Trials % 10 == 0) {
            Chars += BatchResultLine(Columns, Result, '.').size();
            Result.Reset();
        }
    }
    benchmark::DoNotOptimize(Chars);
}
BENCHMARK(TrialOverhead)->Name("b/overhead/TrialWithoutRun")->Unit(benchmark::kMicrosecond);

}  // namespace
