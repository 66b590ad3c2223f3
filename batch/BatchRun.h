#pragma once
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

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
    // Threads running trials side by side; 1 runs every trial on the model itself, one after the
    // other, and so does a batch whose model has an "OQ" stage with a finite reorder point under
    // any of its settings (a trial then carries a forecast into the next). Every number of
    // threads gives the same bytes.
    int Jobs = 1;
    // A part of the batch: settings FirstSetting..LastSetting (at most the last), with or without the
    // heading block and the closing lines, so that the parts of one batch, concatenated in order,
    // are the whole batch's text. The trials of the part start where the one random sequence of
    // the whole batch would stand.
    int32_t FirstSetting = 1;
    int32_t LastSetting = std::numeric_limits<int32_t>::max();
    bool WriteHeading = true;
    bool WriteClosing = true;
    // The generator state a seed of 0 stands for (read once per batch); empty: the clock.
    std::function<uint32_t()> ClockSeed;
};

// The heading of a batch run on the model file ModelPath (its name without the folder) with the
// run settings as typed.
TBatchHeading BatchHeadingFor(const std::string& DateTime, const std::string& ModelPath,
                              const TRunSettingsTexts& Texts);
// The number of threads a batch runs on unless told: one per processor core, at least one.
int DefaultBatchJobs();

// How a batch talks to whoever started it. Every member may be left empty. All are called on the
// thread that called RunBatch.
struct TBatchCallbacks {
    // Each line of the results text, in order, as soon as it is known.
    std::function<void(const std::string& Line)> AppendLine;
    // Each record of the results table as CSV, without its line end, in order, as soon as it is
    // known: the header record where the text has its heading block (BatchCsvHeader), then one per
    // setting (BatchCsvRecord); nothing where the text has its closing lines. Left empty, no CSV
    // is built.
    std::function<void(const std::string& Record)> AppendCsvRecord;
    // After each setting: Done settings of Total are finished. Returning false ends the batch
    // after this setting (the closing lines are written and the parameters restored).
    std::function<bool(int32_t Done, int32_t Total)> Progress;
    // After setting I's values went into the model, before its trials' results (the grid shows them).
    std::function<void(int32_t I)> SettingApplied;
    // After each trial's run, in trial order, with its cost totals (the main window's labels).
    std::function<void(const TCostTotals& Costs)> TrialDone;
    // Each warning of each trial's run (TSimulation::RunWarnings), in trial order and within a
    // trial in the order they arose, before that trial's TrialDone; the same whatever Jobs is.
    std::function<void(const std::string& Warning)> RunWarning;
    // After setting I's line: the results table's columns and the setting's numbers (a chart's).
    std::function<void(int32_t I, const std::vector<TResultColumn>& Columns, const TSettingResult& Result)> SettingDone;
};

struct TBatchOutcome {
    int32_t SettingsDone = 0;
    bool Cancelled = false;
};

// Runs the batch: the heading block; for each setting, its values written into the model through
// the parameter entry point, then NumTrials trials, each a reset and a run, and the setting's line;
// then the two closing lines. Only the very first trial of the batch gets the run's seed, every
// later one continues the random sequence where the trial before it left it. With several Jobs
// (and no finite "OQ" reorder point, see Jobs) the trials run on copies of the model, each started
// from the generator state a pre-pass over the sequence finds for it, and their results are folded
// in trial order: the text is the same byte for byte. Afterwards every column's parameter has its
// value from before the batch again (also when a callback throws); the model's run state and
// generator are those of the last trial.
// REQUIRES: the model checks and the settings checks passed; every column's parameter index is
// in 0..44 and its stage in 1..NumStages (as BuildSweepSet and LoadParamSet ensure).
TBatchOutcome RunBatch(TSimulation& Model, const TParamSet& Set, const TReportOptions& Options, const TBatchRun& Run,
                       const TBatchCallbacks& Callbacks);

// The model checks' refusals (ModelRefusal) for every setting of Set, each applied to a copy of
// Model as the batch would apply it: the first refusal, naming the setting and its values, e.g.
// "setting 3 (Q:5 = 0): Stage 5 uses the (R,Q) policy with Q = 0; Q must be at least 1.", or
// nothing when every setting may run. The checks' questions are not asked here: they concern the
// model as loaded and are asked once, before. Same REQUIRES as RunBatch.
std::optional<std::string> SettingsRefusal(const TSimulation& Model, const TParamSet& Set);

// The settings of part K of N (1 <= K <= N) of a batch of NumSettings settings: contiguous slices
// as even as possible, in order. A part may be empty (First > Last) when N > NumSettings.
void BatchPartRange(int32_t NumSettings, int32_t K, int32_t N, int32_t& First, int32_t& Last);

// What the model's last run contributes to a batch: every stage's mean of every metric and SD
// of its order quantities, the run's cost totals, and the system's total cost of every period
// after the warm-up.
void CollectTrialResult(const TSimulation& Model, TTrialResult& Trial);
