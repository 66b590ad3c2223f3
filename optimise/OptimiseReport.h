#pragma once
#include <string>
#include <vector>

#include "optimise/Optimise.h"

// The conditions an optimisation ran under, as the report names them.
struct TOptimiseHeading {
    std::string DataFile;  // the model file's name without its folder
    TOptimiseSettings Settings;
};

// The report of an optimisation, the same for the command line and the Optimise window: the model,
// the objective and constraints, the run settings and the seed, how the search ended (saying that
// the point is a local optimum), the table of variables (bounds, step, start, best), then the best
// point's objective and constraints on the fresh trials as mean +- 95% half-width, each constraint
// marked met or NOT met. Numbers use DecimalSep; nothing in it depends on the time taken or Jobs.
std::vector<std::string> OptimiseReportLines(const TOptimiseHeading& Heading, const TOptimiseProblem& Problem,
                                             const TOptimiseResult& Result, char DecimalSep);

// Every evaluated point as CSV (RFC 4180, a header row, a period as decimal separator, numbers in
// their shortest round-trip form): Evaluation, Round, one column per variable, the objective's
// search mean, one column per constraint, Feasible (1 or 0).
std::vector<std::string> OptimiseCsvLines(const TOptimiseProblem& Problem, const TOptimiseResult& Result);

// Why the search stopped, in a sentence.
std::string StopText(TStopReason Reason);
