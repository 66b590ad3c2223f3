// The History and Order History texts of the largest run, 25 stages x 9999 periods, and the
// History as CSV built and saved.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/Simulation.h"
#include "platform/TextFile.h"
#include "reports/CsvTables.h"
#include "reports/HistoryReport.h"
#include "support/ModelBuilder.h"

namespace {

const std::string Stamp = "12/07/2026 10:00:00";

// Five identical groups of five stages: a retailer with external demand buys from two
// alternative sources of one product (the cheaper one of limited capacity), both of which buy
// from a common stage, which buys from a plant. Base stock everywhere; the sources fail now and
// then, so orders move between them.
void BuildModel(TSimulation& Model)
{
    for (int G = 0; G < 5; ++G) {
        const int First = 5 * G + 1;
        TStageParams Retailer;
        Retailer.DemandMean = 20 + 5 * G;
        Retailer.DemandSD = 6;
        Retailer.DemandBound = 3;
        Retailer.HoldingCost = 1;
        Retailer.StockoutCost = 10;
        Retailer.BaseStockLevel = 60 + 10 * G;
        Retailer.ProcTime = 1;
        AddStage(Model, Retailer);
        TStageParams Source;
        Source.ProductIndex = First + 1;
        Source.ProcTime = 2;
        Source.BaseStockLevel = 80;
        Source.HoldingCost = 0.5;
        Source.FailureProb = 0.05;
        Source.RecoveryProb = 0.4;
        Source.ProductCost = 2;
        AddStage(Model, Source);
        Source.ProductCost = 1;
        Source.ProcCapacity = 15;
        AddStage(Model, Source);
        TStageParams Common;
        Common.ProcTime = 1;
        Common.BaseStockLevel = 120;
        Common.HoldingCost = 0.25;
        AddStage(Model, Common);
        TStageParams Plant;
        Plant.ProcTime = 3;
        Plant.BaseStockLevel = 150;
        AddStage(Model, Plant);
        Model.Link(First + 1, First);
        Model.Link(First + 2, First);
        Model.Link(First + 3, First + 1);
        Model.Link(First + 3, First + 2);
        Model.Link(First + 4, First + 3);
    }
}

std::size_t Bytes(const std::vector<std::string>& Lines)
{
    std::size_t Total = 0;
    for (const std::string& Line : Lines) {
        Total += Line.size();
    }
    return Total;
}

// Times Step on the model of BuildModel after a run of 9999 periods; Step returns the bytes it
// made, reported in MB. False from Step stops the benchmark with an error.
template <typename TStep>
void TimeOnLargestRun(benchmark::State& State, TStep&& Step)
{
    TSimulation Model;
    BuildModel(Model);
    Model.RunSimulation(9999, 100, 12345);
    std::size_t Size = 0;
    for (auto _ : State) {
        if (!Step(Model, Size)) {
            State.SkipWithError("the step failed");
            break;
        }
    }
    State.counters["MB"] = static_cast<double>(Size) / 1e6;
}

void HistoryText(benchmark::State& State)
{
    TimeOnLargestRun(State, [](const TSimulation& Model, std::size_t& Size) {
        const std::vector<std::string> Lines = BuildHistoryText(Model, Stamp, '.');
        Size = Bytes(Lines);
        benchmark::DoNotOptimize(Lines.data());
        return true;
    });
}
BENCHMARK(HistoryText)->Name("HistoryText/25x9999")->Unit(benchmark::kMillisecond);

void OrderHistoryText(benchmark::State& State)
{
    TimeOnLargestRun(State, [](const TSimulation& Model, std::size_t& Size) {
        const std::vector<std::string> Lines = BuildOrderHistoryText(Model, Stamp);
        Size = Bytes(Lines);
        benchmark::DoNotOptimize(Lines.data());
        return true;
    });
}
BENCHMARK(OrderHistoryText)->Name("OrderHistoryText/25x9999")->Unit(benchmark::kMillisecond);

// What the history window adds to Display History: the CSV it keeps for "Export CSV...".
void HistoryCsv(benchmark::State& State)
{
    TimeOnLargestRun(State, [](const TSimulation& Model, std::size_t& Size) {
        const std::string Csv = BuildHistoryCsv(Model);
        Size = Csv.size();
        benchmark::DoNotOptimize(Csv.data());
        return true;
    });
}
BENCHMARK(HistoryCsv)->Name("HistoryCsv/25x9999")->Unit(benchmark::kMillisecond);

// What "Export CSV..." and run --history-csv do: the table built, then saved atomically (flushed
// to disk and renamed over the file).
void HistoryCsvSaved(benchmark::State& State)
{
    const std::string Path = (std::filesystem::temp_directory_path() / "orvantis_bench_history.csv").string();
    TimeOnLargestRun(State, [&Path](const TSimulation& Model, std::size_t& Size) {
        const std::string Csv = BuildHistoryCsv(Model);
        Size = Csv.size();
        return WriteFileAtomically(Path, Csv).Ok;
    });
    std::filesystem::remove(Path);
}
BENCHMARK(HistoryCsvSaved)->Name("HistoryCsvSaved/25x9999")->Unit(benchmark::kMillisecond);

}  // namespace
