#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ListParamType.h"
#include "engine/Simulation.h"
#include "stats/Stats.h"

class TParamSet;
class TReportOptions;

// What one trial (one run) contributes to its setting's results.
struct TTrialResult {
    std::vector<std::array<double, NumMetrics>> StageMeans;  // [s][j]: stage s's Avg of metric j; s = 1..n, entry 0 unused
    std::vector<double> OrderQtySD;                          // [s]: stage s's Stdev of "Order Qty"
    TCostTotals Costs;                                       // the run's cost totals: the system columns
    std::vector<double> PeriodTotalCosts;                    // per measured period, the stages' total costs added in stage order
};

// The accumulated numbers of one setting: one observation per trial, folded in trial order.
struct TSettingResult {
    TSettingResult(int NumStages, int32_t NumParams);

    std::vector<double> ParamValues;        // [k]: column k's value read back from its stage; k = 1..NumParams
    std::vector<TStats> TrialStats;         // [0]: the system (cost metrics), [s]: stage s
    TMinMaxAvg PeriodCostAcc;               // the system's total cost of every measured period of every trial
    std::vector<TMinMaxAvg> OrderQtySDAcc;  // [s]: per trial, stage s's SD of its order quantities

    // Every accumulator empty (ParamValues stay).
    void Reset();
    // Adds one trial. REQUIRES: Trial has this setting's number of stages.
    void Fold(const TTrialResult& Trial);
};

// What a column of the results table shows.
enum class TColumnKind {
    Param,           // a batch column's value
    System,          // a cost metric's statistic over the trials, for the whole system
    TotalCostSD,     // the SD of the system's total cost per period
    Stage,           // a metric's statistic over the trials, for one stage
    OrderQtyMeanSD,  // the mean over the trials of a stage's SD of order quantities
};

struct TResultColumn {
    TColumnKind Kind = TColumnKind::Param;
    std::string Heading;  // as written in the heading line, before right-alignment
    int Width = 8;
    int32_t Column = 0;   // Param: the batch column k
    TListParamType ParamType = TListParamType::Integer;  // Param
    int Metric = 0;
    TStatistic Statistic = TStatistic::Avg;  // what the column reads of the metric
    int Stage = 0;          // 0: the system
};

// The columns of the results table, in order: one per batch column (short name ":" stage, at
// least 8 wide), then for each metric whose "ANY" is checked: the system columns of a cost metric
// (each checked statistic, Mean, SEM, Min, Max), TotalCostSD after the Total Cost ones when "SD of
// Total Cost" is checked, then with "By Stage" checked one column per checked statistic and stage
// (all stages of one statistic together), and after "Order Qty"'s the OrderQtyMeanSD columns when
// "Mean of SD of Order Qty" is checked.
std::vector<TResultColumn> ChooseResultColumns(const TParamSet& Set, int NumStages, const TReportOptions& Options);

// The run conditions that the heading block records, as typed.
struct TBatchHeading {
    std::string DateTime;
    std::string DataFile;  // the model file's name without its folder; empty when there is none
    std::string SeedText;
    std::string PeriodsText;
    std::string WarmUpText;
    int NumStages = 0;
    int32_t NumTrials = 0;
};

// The heading block: date and time, "Data file: ", "RandSeed: ", "<n> stages", the trials line,
// an empty line, the column heading line.
std::vector<std::string> BatchHeadingLines(const TBatchHeading& Heading, const std::vector<TResultColumn>& Columns);
// What column C shows for a setting, at full precision: a parameter's value as read back from its
// stage, or the statistic as its accumulator gives it.
double ResultValue(const TResultColumn& C, const TSettingResult& Result);
// The line of one setting. Every field is right-aligned to its column's width, never cut, and
// followed by two blanks: parameter values of real types with 4 decimals ("INF" when infinite),
// of the other types as the nearest integer (halves to even); system statistics with 2 decimals,
// per-stage ones with 4. Numbers use DecimalSep.
std::string BatchResultLine(const std::vector<TResultColumn>& Columns, const TSettingResult& Result, char DecimalSep);
// The two empty lines that close a batch.
std::vector<std::string> BatchClosingLines();
