#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "batch/BatchResults.h"
#include "engine/RunSettings.h"

class TParamSet;
class TReportOptions;
class TSimulation;
struct TCostTotals;

// What a batch runs with, as the "&Go" command found it.
struct TBatchRun {
    TRunSettings Settings;  // periods P, warm-up W and the seed, already checked
    int32_t NumTrials = 1;  // per setting; 0 or less runs nothing and reports zeros
    TBatchHeading Heading;  // the texts of the heading block; its NumStages and NumTrials are filled in
    char DecimalSep = '.';
};

// How a batch talks to whoever started it. Every member may be left empty.
struct TBatchCallbacks {
    // Each line of the results text, in order, as soon as it is known.
    std::function<void(const std::string& Line)> AppendLine;
    // After each setting: Done settings of Total are finished. Returning false ends the batch
    // after this setting (the closing lines are written and the parameters restored).
    std::function<bool(int32_t Done, int32_t Total)> Progress;
    // After setting I's values went into the model, before its trials (the grid shows them).
    std::function<void(int32_t I)> SettingApplied;
    // After each trial's run, with its cost totals (the main window's labels and displays).
    std::function<void(const TCostTotals& Costs)> TrialDone;
};

struct TBatchOutcome {
    int32_t SettingsDone = 0;
    bool Cancelled = false;
};

// Runs the batch: the heading block; for each setting, its values written into the model through
// the parameter entry point, then NumTrials trials, each a reset and a run, and the setting's line;
// then the two closing lines. Only the very first trial of the batch gets the run's seed, every
// later one -1, so that they continue one random sequence. Afterwards every column's parameter
// has its value from before the batch again (also when a callback throws); the model's run state
// is that of the last trial.
// REQUIRES: the model checks and the settings checks passed; every column's parameter index is
// in 0..44 and its stage in 1..NumStages (as BuildSweepSet and LoadParamSet ensure).
TBatchOutcome RunBatch(TSimulation& Model, const TParamSet& Set, const TReportOptions& Options, const TBatchRun& Run,
                       const TBatchCallbacks& Callbacks);

// One trial: resets the model, runs it with Settings' periods and warm-up and Seed, and reads the
// trial's result into Trial. Returns the run's cost totals.
TCostTotals RunTrial(TSimulation& Model, const TRunSettings& Settings, int64_t Seed, TTrialResult& Trial);
// What the model's last run contributes to a batch: every stage's mean of every metric and SD
// of its order quantities, the system sums of the cost means, and the system's total cost of
// every period after the warm-up.
void CollectTrialResult(const TSimulation& Model, TTrialResult& Trial);
