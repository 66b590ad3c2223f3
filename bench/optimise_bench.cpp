// The optimiser and the runs it relies on:
// (o/Evaluations25) points evaluated per second on the 25-stage model (bench/data, its failure
// and recovery probabilities within [0,1]), the command line's defaults: 1000 periods, 10 trials
// per point, on one thread and on every core;
// (o/ClarkScarfFromZero) the shipped Clark-Scarf example searched from every level at 0, with
// the README's settings, on every core;
// (r/CostsOnly25x9999) one 9999-period run of the 25-stage model on a fresh model, as a
// costs-only `orvantis-cli run` makes it, keeping the period history and not.
#include <benchmark/benchmark.h>

#include <string>
#include <thread>

#include "engine/ParamCatalogue.h"
#include "engine/Simulation.h"
#include "model_files/ModelFile.h"
#include "optimise/Optimise.h"
#include "platform/Dialogs.h"

namespace {

const std::string Model25 = std::string(ORVANTIS_SOURCE_DIR) + "/bench/data/model_25_stages.txt";
const std::string ClarkScarf = std::string(ORVANTIS_SOURCE_DIR) + "/examples/clark_scarf.txt";

int AllCores()
{
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

void Load(TSimulation& Model, const std::string& Path, benchmark::State& State)
{
    TSilentDialogs Quiet;
    if (!LoadModel(Model, Path, Quiet).Ok) {
        State.SkipWithError(("cannot load " + Path).c_str());
    }
}

TDecisionVariable Vary(int Stage, double High)
{
    TDecisionVariable V;
    V.ParamIndex = ParamBaseStockLevel;
    V.Stages = {Stage};
    V.High = High;
    return V;
}

void Evaluations25(benchmark::State& State)
{
    TSimulation Model;
    Load(Model, Model25, State);
    TOptimiseProblem Problem;
    for (const int Stage : {1, 6, 11, 16, 21}) {  // the base-stock stages
        Problem.Variables.push_back(Vary(Stage, 300));
    }
    TOptimiseSettings Settings;
    Settings.Run = TRunSettings{1000, 100, 12345};
    Settings.Trials = 10;
    Settings.FinalTrials = 2;
    Settings.Budget = 24;
    Settings.Jobs = static_cast<int>(State.range(0));
    int64_t Points = 0;
    for (auto _ : State) {
        const TOptimiseResult R = Optimise(Model, Problem, Settings);
        Points += R.Evaluations;
        benchmark::DoNotOptimize(R.Objective.Mean);
    }
    State.counters["EvalsPerSec"] = benchmark::Counter(static_cast<double>(Points), benchmark::Counter::kIsRate);
}
BENCHMARK(Evaluations25)
    ->Name("o/Evaluations25/jobs")
    ->Arg(1)
    ->Arg(AllCores())
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

void ClarkScarfFromZero(benchmark::State& State)
{
    TSimulation Model;
    Load(Model, ClarkScarf, State);
    TOptimiseProblem Problem;
    for (int Stage = 1; Stage <= 3; ++Stage) {
        Model.SetParam(Stage, ParamBaseStockLevel, 0);
        Problem.Variables.push_back(Vary(Stage, 100));
    }
    TOptimiseSettings Settings;
    Settings.Run = TRunSettings{9999, 100, 1};
    Settings.Trials = 10;
    Settings.FinalTrials = 30;
    Settings.Jobs = AllCores();
    for (auto _ : State) {
        const TOptimiseResult R = Optimise(Model, Problem, Settings);
        State.counters["Evaluations"] = R.Evaluations;
        State.counters["Cost"] = R.Objective.Mean;
    }
}
BENCHMARK(ClarkScarfFromZero)->Name("o/ClarkScarfFromZero")->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

void CostsOnly25(benchmark::State& State)
{
    for (auto _ : State) {
        TSimulation Model;  // a fresh model, as each `orvantis-cli run` has
        Load(Model, Model25, State);
        Model.SetKeepHistory(State.range(0) != 0);
        benchmark::DoNotOptimize(Model.RunSimulation(9999, 100, 12345).TotalCost);
    }
}
BENCHMARK(CostsOnly25)->Name("r/CostsOnly25x9999/kept")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
