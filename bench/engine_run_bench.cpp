// Whole runs of the benchmark networks: (a) 25 stages x 9999 periods, (c) a 5-stage chain x 1000.
#include <benchmark/benchmark.h>

#include "BenchNetworks.h"
#include "engine/Simulation.h"
#include "platform/Dialogs.h"

namespace {

void RunNetwork25(benchmark::State& State)
{
    BenchNetwork25(State, 1);
}
BENCHMARK(RunNetwork25)->Name("a/Network25x9999")->Unit(benchmark::kMillisecond);

void RunSerialChain(benchmark::State& State)
{
    TSilentDialogs Messages;
    TSimulation Model(Messages);
    BuildSerialChain5(Model);
    for (auto _ : State) {
        Model.Reset();
        Model.RunSimulation(1000, 100, 777);  // its results stay in the model
    }
}
BENCHMARK(RunSerialChain)->Name("c/SerialChain5x1000")->Unit(benchmark::kMillisecond);

}  // namespace
