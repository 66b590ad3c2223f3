// The memory a batch written to --out needs must not grow with its settings: orvantis-cli runs a
// one-stage model for 10 periods with 10 and with 100,000 settings (one trial each) in a child
// process, and each case reports the child's peak resident memory, PeakMiB. The 100,000 case
// should stay within twice the 10 case.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchNetworks.h"
#include "engine/ParamCatalogue.h"
#include "engine/Simulation.h"
#include "model_files/ModelFile.h"

namespace {

namespace fs = std::filesystem;

// A one-stage model, the first stage of the 5-stage chain: demand N(20, 5), base stock.
void WriteOneStageModel(const std::string& Path)
{
    TSimulation Chain;
    BuildSerialChain5(Chain);
    TSimulation One;
    One.AddStage();
    One.SetStageParams(1, Chain.Stage(1).Params());
    SaveModel(One, Path);
}

// Runs orvantis-cli with Args; false when it did not exit with 0. PeakMiB: the child's peak RSS.
bool RunCli(const std::vector<std::string>& Args, double& PeakMiB)
{
    const pid_t Child = fork();
    if (Child == 0) {
        std::vector<char*> Argv;
        static std::string Program = ORVANTIS_CLI_PATH;
        Argv.push_back(Program.data());
        std::vector<std::string> Copy = Args;
        for (std::string& A : Copy) {
            Argv.push_back(A.data());
        }
        Argv.push_back(nullptr);
        std::freopen("/dev/null", "w", stderr);
        execv(Program.c_str(), Argv.data());
        _exit(127);
    }
    int Status = 0;
    rusage Usage{};
    wait4(Child, &Status, 0, &Usage);
    PeakMiB = static_cast<double>(Usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
    return WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
}

void BatchToOut(benchmark::State& State)
{
    const fs::path Dir = fs::temp_directory_path() / ("orvantis_bench_out_" + std::to_string(getpid()));
    fs::create_directories(Dir);
    const std::string Model = (Dir / "one.txt").string();
    WriteOneStageModel(Model);
    const std::string Row = "HoldCost@1=1:" + std::to_string(State.range(0)) + ":1";
    double PeakMiB = 0;
    for (auto _ : State) {
        if (!RunCli({"batch", Model, "--periods", "10", "--warmup", "1", "--seed", "1", "--jobs", "1", "--row", Row,
                     "--out", (Dir / "out.txt").string()},
                    PeakMiB)) {
            State.SkipWithError("orvantis-cli batch failed");
            break;
        }
    }
    State.counters["PeakMiB"] = PeakMiB;
    State.counters["OutMiB"] = static_cast<double>(fs::file_size(Dir / "out.txt")) / (1 << 20);
    fs::remove_all(Dir);
}

}  // namespace

BENCHMARK(BatchToOut)->Arg(10)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(1);
