#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/RunSettings.h"

class TSimulation;

// One decision variable: a parameter that a batch can vary, on one stage or on several stages that
// share one value (symmetric retailers), searched on the grid Low, Low + Step, ... up to High.
struct TDecisionVariable {
    int ParamIndex = 0;       // catalogue index, 0..44
    std::vector<int> Stages;  // at least one, each 1..NumStages
    double Low = 0;
    double High = 0;
    double Step = 1;          // > 0; a whole number for an integer parameter (they move by integers)
};

// A bound on the mean over the trials of a by-stage metric, e.g. Fill Rate of stage 1 >= 0.95.
struct TConstraint {
    int Metric = 0;        // a metric index, 0..NumMetrics - 1
    int Stage = 1;
    bool AtLeast = true;   // true: mean >= Bound; false: mean <= Bound
    double Bound = 0;
};

// What to search: the variables, the system cost metric to minimise (its mean per measured period,
// summed over stages, as the cost totals give it) and the constraints.
struct TOptimiseProblem {
    std::vector<TDecisionVariable> Variables;
    int Objective = 0;  // a cost metric, 0..4 (Total, Order, Holding, WIP Holding, Stockout Cost)
    std::vector<TConstraint> Constraints;
};

struct TOptimiseSettings {
    TRunSettings Run;           // periods and warm-up of every trial; Seed > 0 (the caller resolves 0)
    int32_t Trials = 10;        // per point during the search, >= 1
    int32_t FinalTrials = 30;   // fresh trials of the best point at the end, >= 2
    int32_t Budget = 500;       // points evaluated at most, >= 1
    double TimeLimit = 0;       // seconds of search, checked before each trial; 0: none
    int Jobs = 1;               // threads; every number gives the same result
    // When set and true, the search stops within one trial's time, as Cancelled: what a signal
    // handler or another thread may write.
    const std::atomic<bool>* Cancel = nullptr;
};

// A point and what its trials gave: the means over the trials.
struct TEvaluation {
    std::vector<double> Values;       // per variable
    double Objective = 0;
    std::vector<double> Constraints;  // per constraint
    bool Feasible = true;             // every constraint's 95% confidence interval on the bound's side,
                                      // and Finite
    bool Finite = true;               // the objective's and every constraint's mean are finite numbers
    int32_t Round = 0;                // the round that evaluated it; 0 the starting point
};

// A mean over independent trials and the half-width of its 95% confidence interval (Student t).
struct TEstimate {
    double Mean = 0;
    double HalfWidth = 0;
};

enum class TStopReason {
    Converged,  // no neighbour at the finest step improves by more than its paired standard error
    Budget,     // the evaluations ran out
    Time,       // the time limit passed
    Cancelled,  // the progress callback asked to stop
};

struct TOptimiseResult {
    std::vector<double> Start;            // the model's values, on the grid
    TEvaluation Best;                     // the best point the search found, with its search means
    TEstimate Objective;                  // the best point on FinalTrials fresh trials
    std::vector<TEstimate> Constraints;   // ... per constraint
    bool FinalFeasible = true;            // every constraint's fresh mean on its side of the bound
    // The best point's backorders, summed over stages, at the end of the warm-up and at the end of
    // the fresh trials; Unserved when they grow beyond doubt, i.e. demand is left unserved, which
    // no cost counts until it ships.
    TEstimate WarmUpBackorders;
    TEstimate EndBackorders;
    bool Unserved = false;
    int32_t Evaluations = 0;              // points evaluated (the memo answers the rest)
    int32_t Rounds = 0;
    TStopReason Stop = TStopReason::Converged;
    std::vector<TEvaluation> Evaluated;   // every point evaluated, in order
};

// After each round of the search, on the calling thread: the best point so far.
struct TOptimiseProgress {
    int32_t Evaluations = 0;
    int32_t Budget = 0;
    int32_t Round = 0;
    const TEvaluation* Best = nullptr;  // valid during the call only
};
// Returns false to stop the search after this round (the best point still gets its fresh trials);
// TOptimiseSettings::Cancel stops it sooner.
using TOptimiseCallback = std::function<bool(const TOptimiseProgress&)>;

// The generator state trial K (1-based) of stream Stream starts from, for Seed. Common random
// numbers: every candidate's trial K starts from this same state, so two candidates differ by
// their parameters and not by their luck. Stream 0 is the search; stream 1 the final fresh trials,
// independent of the search's. The state is a 64-bit mix (SplitMix64's finaliser) of the seed,
// the stream and K, its high 32 bits: trials are not consecutive stretches of one sequence as in a
// batch, so that trial K means the same draws whatever ran before it.
uint32_t TrialStartState(int32_t Seed, uint32_t Stream, int32_t K);

// The grid value nearest Value within the variable's bounds.
double SnapToGrid(const TDecisionVariable& Variable, double Value);

// Why the problem cannot be searched on Model, as the user's message, or nothing. Refused: no
// variable; a stage outside the model; bounds and a step that are not finite, a low bound above
// the high one, a step that is not positive or too small to change the values; a grid of more
// than MaxGridSteps steps; an integer parameter with fractional bounds or step, or bounds beyond
// its range; two variables on one parameter of one stage; an objective that is no cost metric; a
// constraint on a stage outside the model or with a bound that is not finite; and a grid none of
// whose points the model checks pass (from the start, moving one variable at a time to clear
// their refusals). Labels name variables as the command line writes them ("BSLevel@4-6").
std::optional<std::string> ProblemRefusal(const TSimulation& Model, const TOptimiseProblem& Problem);

// The most grid steps a variable may have: the search counts and halves them exactly.
inline constexpr double MaxGridSteps = 1e12;

// A warm-up that leaves no measured period: every point would cost 0. Nothing when Run measures.
std::optional<std::string> MeasuredPeriodsRefusal(const TRunSettings& Run);

// The stages of a variable as written: a stage "4", a range "4-6" or a comma list of those
// ("1,3,5-6"), in the order written. False for any other text.
bool ParseStageList(const std::string& Text, std::vector<int>& Stages);

// A seed for a search whose seed is 0: from the clock, 1 or more, so that the report can name it.
int32_t SeedFromClock();

// "BSLevel@1", "BSLevel@4-6", "BSLevel@1,3".
std::string VariableLabel(const TDecisionVariable& Variable);
// "FillRate:1 >= 0.95"
std::string ConstraintLabel(const TConstraint& Constraint);

// The metric whose name, without blanks and ignoring case, is Name ("FillRate", "Fill Rate",
// "type1sl"); -1 when none is.
int FindMetric(const std::string& Name);

// Searches the problem by simulation and re-estimates the best point on fresh trials.
// The search is a pattern search on the grid with halving steps, from the model's values (snapped
// to the grid; when the model checks refuse that point, from the nearest one they pass). Each
// round polls the neighbours one step up and one step down in each variable and, when none of
// them improves, the transfers: one variable a step up and another a step down (the cost of a
// network often falls only along such diagonals, where stock moves between stages).
// A point the model checks refuse is never run: the search moves around it. Every other point
// runs Trials trials under common random numbers (TrialStartState), all of a poll's trials in
// parallel on Jobs threads, and is never run twice (a memo).
// Points rank: finite costs over costs that overflow; feasible over infeasible. A point is
// feasible when each constraint's 95% confidence interval over its trials lies on the bound's
// side. While the current point is infeasible the search first reduces its total violation
// (relative to the bounds): it also polls every variable a step up together and down together,
// and before it halves the steps, each variable at its bounds. Between feasible points it moves
// to the neighbour that improves most by more than the paired standard error of the difference;
// when none does, it halves the steps, and at one grid step it stops.
// The result is the same whatever Jobs is (unless the time limit or Cancel stops it). Model is
// not changed.
// REQUIRES: ProblemRefusal gives nothing and the model checks passed.
TOptimiseResult Optimise(const TSimulation& Model, const TOptimiseProblem& Problem, const TOptimiseSettings& Settings,
                         const TOptimiseCallback& Progress = {});

// Writes Values (one per variable) into every stage of each variable.
void ApplyValues(TSimulation& Model, const TOptimiseProblem& Problem, const std::vector<double>& Values);
