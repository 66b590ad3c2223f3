// (b): the 25-stage network with every volume multiplied by 100,000, in a process of its own so
// that the reported peak memory is this run's.
#include <benchmark/benchmark.h>

#include "BenchNetworks.h"

namespace {

void RunNetwork25Volume(benchmark::State& State)
{
    BenchNetwork25(State, 100000);
}
BENCHMARK(RunNetwork25Volume)->Name("b/Network25x9999xVolume100000")->Unit(benchmark::kMillisecond);

}  // namespace
