#pragma once
#include <array>
#include <string>
#include <vector>

#include "stats/Stats.h"

class TSimulation;

// How a metric block's last line sums up the stages: the TOTAL of their means, or the AVERAGE of
// their means weighted by their observations.
enum class TStatsSummary { Total, Average };

// One metric block of the statistics report.
struct TStatsBlock {
    const char* Title;  // the block's heading, "On Hand"
    TMetric Metric;
    int ExtremeDecimals;  // of Min and Max: 3 for costs, 0 for quantities and indicators
    TStatsSummary Summary;
};

// The sixteen blocks, in the report's order.
extern const std::array<TStatsBlock, 16> StatsBlocks;

// The value of Block's TOTAL or AVERAGE line (an average of 0 when no stage has an observation).
double StatsSummaryValue(const TSimulation& Model, const TStatsBlock& Block);

// The statistics report of a run, one string per line: DateTime, two empty lines, the heading,
// the sixteen metric blocks (a line per stage with mean, standard deviation, minimum, maximum
// and observation count, then a TOTAL or AVERAGE line), and the service-time table of every
// stage. Reads only the stages' accumulators and service-time histograms, which hold the periods
// after the warm-up. Reals are written with DecimalSep.
std::vector<std::string> BuildStatsReport(const TSimulation& Model, const std::string& DateTime, char DecimalSep);
