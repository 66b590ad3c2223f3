// (b): the 25-stage network with every volume multiplied by 100,000, in a process of its own so
// that the reported peak memory is this run's.
#include <benchmark/benchmark.h>

#include "BenchNetworks.h"
#include "engine/Simulation.h"
#include "platform/Dialogs.h"

namespace {

void RunNetwork25Volume(benchmark::State& State)
{
    TSilentDialogs Messages;
    TSimulation Model(Messages);
    BuildNetwork25(Model, 100000);
    double Total = 0;
    for (auto _ : State) {
        Model.Reset();
        Total = Model.RunSimulation(9999, 100, 12345).TotalCost;
    }
    State.counters["TotalCost"] = Total;
    State.counters["PeakMiB"] = PeakMemoryMiB();
}
BENCHMARK(RunNetwork25Volume)->Name("b/Network25x9999xVolume100000")->Unit(benchmark::kMillisecond);

}  // namespace
