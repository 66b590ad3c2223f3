#include "reports/CsvTables.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "engine/OneBased.h"
#include "engine/Simulation.h"
#include "reports/HistoryReport.h"
#include "reports/StatsReport.h"
#include "stats/Stats.h"
#include "text/CsvText.h"

std::string BuildHistoryCsv(const TSimulation& Model)
{
    const int N = Model.NumStages();
    const int32_t Periods = std::max(Model.Period(), 0);
    TCsvWriter Csv;
    // About 60 bytes a record: one allocation for the largest run.
    Csv.Reserve(static_cast<std::size_t>(Periods) * static_cast<std::size_t>(N) * 64 + 128);
    for (const char* Name : {"period", "stage", "measured", "total_cost"}) {
        Csv.Text(Name);
    }
    for (const THistorySeries& S : HistoryIntSeries) {
        Csv.Text(S.CsvName);
    }
    Csv.EndRecord();
    for (int32_t P = 1; P <= Periods; ++P) {
        const bool Measured = P > Model.WarmUp();
        for (int K = 1; K <= N; ++K) {
            const TStage& Stage = Model.Stage(K);
            Csv.Integer(P);
            Csv.Integer(K);
            Csv.Integer(Measured ? 1 : 0);
            Csv.Number(ElemOrZero(Stage.TotalCostHist(), P));
            for (const THistorySeries& S : HistoryIntSeries) {
                Csv.Integer(S.Value(Stage, P));
            }
            Csv.EndRecord();
        }
    }
    return Csv.Take();
}

std::string BuildOrderHistoryCsv(const TSimulation& Model)
{
    const int N = Model.NumStages();
    const int32_t Periods = std::max(Model.Period(), 0);
    TCsvWriter Csv;
    for (const char* Name : {"period", "stage", "supplier", "quantity"}) {
        Csv.Text(Name);
    }
    Csv.EndRecord();
    const auto Record = [&Csv](int32_t P, int Stage, int32_t Supplier, int64_t Quantity) {
        Csv.Integer(P);
        Csv.Integer(Stage);
        Csv.Integer(Supplier);
        Csv.Integer(Quantity);
        Csv.EndRecord();
    };
    for (int32_t P = 1; P <= Periods; ++P) {
        for (int J = 1; J <= N; ++J) {
            const TOrderQtyHistory& H = Model.Stage(J).OrderQtyHist();
            Record(P, J, 0, H.AtOrZero(P, 0, 0));
            for (int G = 1; G <= H.NumGroups(); ++G) {
                for (int K = 1; K <= H.NumSuppliers(G); ++K) {
                    Record(P, J, H.GroupSuppliers(G)[static_cast<std::size_t>(K)], H.AtOrZero(P, G, K));
                }
            }
        }
    }
    return Csv.Take();
}

std::string BuildStatsCsv(const TSimulation& Model)
{
    TCsvWriter Csv;
    for (const char* Name : {"stage", "metric", "mean", "sd", "min", "max", "observations"}) {
        Csv.Text(Name);
    }
    Csv.EndRecord();
    constexpr double Undefined = std::numeric_limits<double>::quiet_NaN();
    for (const TStatsBlock& Block : StatsBlocks) {
        bool Observed = false;  // by any stage
        for (int K = 1; K <= Model.NumStages(); ++K) {
            const TMinMaxAvg& M = *Model.Stage(K).Stats().Get(Block.Metric);
            // Without an observation there is no mean, spread or extreme: nan, where the text shows 0.
            const auto Defined = [&M](double Value) { return M.Count() > 0 ? Value : Undefined; };
            Observed = Observed || M.Count() > 0;
            Csv.Integer(K);
            Csv.Text(Block.Title);
            Csv.Number(Defined(M.Avg()));
            Csv.Number(Defined(M.Stdev()));
            Csv.Number(Defined(M.Min()));
            Csv.Number(Defined(M.Max()));
            Csv.Integer(M.Count());
            Csv.EndRecord();
        }
        Csv.Text("all");
        Csv.Text(Block.Title);
        Csv.Number(Observed ? StatsSummaryValue(Model, Block) : Undefined);
        for (int Field = 0; Field < 4; ++Field) {
            Csv.Empty();
        }
        Csv.EndRecord();
    }
    return Csv.Take();
}
