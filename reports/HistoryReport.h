#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class TSimulation;
class TStage;

// One of the History's integer series, which follow "TotalCost" in this order: its heading in the
// text, its column in the CSV, and its value for a stage in period P (0 for a period the stage's
// history does not hold; Failed is 0 or 1).
struct THistorySeries {
    const char* Heading;
    const char* CsvName;
    int64_t (*Value)(const TStage& S, int32_t P);
};
extern const std::array<THistorySeries, 7> HistoryIntSeries;

// The History text, one string per line: DateTime, two empty lines, four heading lines, then
// one line per simulated period 1..Model.Period with eight series (TotalCost, Demand, DerivDem,
// InvLevel, OrderQty, OnOrder, InPrcess, Failed) for every stage side by side. Warm-up periods
// show "---" as their cost. Costs are written with DecimalSep. A period a stage's history does
// not hold (a stage added after the run) reads as 0.
std::vector<std::string> BuildHistoryText(const TSimulation& Model, const std::string& DateTime, char DecimalSep);

// The Order History text, one string per line: DateTime, two empty lines, six heading lines,
// then one line per simulated period with every stage's own order quantity and the quantity it
// ordered from each supplier. The groups and suppliers are those recorded at the start of the
// run (TStage::OrderQtyHist), so links added after the run do not appear.
std::vector<std::string> BuildOrderHistoryText(const TSimulation& Model, const std::string& DateTime);
