// Whole runs of the benchmark networks: (a) 25 stages x 9999 periods, with the draws made ahead on a
// second thread where that pays and in line, (c) a 5-stage chain x 1000, and where drawing ahead pays.
#include <benchmark/benchmark.h>

#include "BenchNetworks.h"
#include "engine/Simulation.h"

namespace {

void RunNetwork25(benchmark::State& State)
{
    BenchNetwork25(State, 1);
}
BENCHMARK(RunNetwork25)->Name("a/Network25x9999")->Unit(benchmark::kMillisecond);

// The same on one thread: the draws made in line.
void RunNetwork25InLine(benchmark::State& State)
{
    BenchNetwork25(State, 1, TSimulation::TDrawMode::InLine);
}
BENCHMARK(RunNetwork25InLine)->Name("a/Network25x9999/InLine")->Unit(benchmark::kMillisecond);

void RunSerialChain(benchmark::State& State)
{
    TSimulation Model;
    BuildSerialChain5(Model);
    for (auto _ : State) {
        Model.Reset();
        Model.RunSimulation(1000, 100, 777);  // its results stay in the model
    }
}
BENCHMARK(RunSerialChain)->Name("c/SerialChain5x1000")->Unit(benchmark::kMillisecond);

// Where drawing ahead on a second thread starts to pay: the 25-stage network's runs drawn in line
// (0) and ahead (1), by run length.
void DrawAheadNetwork25(benchmark::State& State)
{
    TSimulation Model;
    BuildNetwork25(Model, 1);
    Model.SetDrawMode(State.range(1) != 0 ? TSimulation::TDrawMode::AheadAlways : TSimulation::TDrawMode::InLine);
    const auto Periods = static_cast<int32_t>(State.range(0));
    for (auto _ : State) {
        Model.Reset();
        Model.RunSimulation(Periods, 1, 777);
    }
}
BENCHMARK(DrawAheadNetwork25)->ArgsProduct({{40, 160, 640}, {0, 1}})->Unit(benchmark::kMicrosecond);

}  // namespace
