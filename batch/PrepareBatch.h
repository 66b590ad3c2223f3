#pragma once
#include <optional>
#include <string>
#include <vector>

#include "batch/ParamSet.h"
#include "engine/RunSettings.h"

class Dialogs;
class TReportOptions;
class TSimulation;

// What a front end gathered for a batch: the run settings and the trials as typed, and either a
// values file or the two sweep rows.
struct TBatchRequest {
    TRunSettingsTexts Settings;
    std::string Trials = "1";
    bool FromFile = false;
    std::string ValuesFile;  // when FromFile
    TSweepRow Rows[2];       // otherwise; their numbers in DecimalSep
    char DecimalSep = '.';
};

// A batch ready to run.
struct TPreparedBatch {
    TRunSettings Settings;
    int32_t Trials = 1;
    TParamSet Set;
};

// Why a batch does not run.
enum class TBatchRefusal {
    None,
    Checks,      // the model checks or the run settings, already shown through Dialogs
    Definition,  // the rows, the values file or a setting the model checks refuse: Message
    Trials,      // the trials are no integer: Message
};

struct TBatchPreparation {
    std::optional<TPreparedBatch> Batch;
    TBatchRefusal Refusal = TBatchRefusal::None;
    std::string Message;                // the refusal's, for Definition and Trials
    std::string FileWarning;            // a values file that ends early or holds more than it declares
    std::vector<std::string> Warnings;  // columns that set one parameter twice, no measure chosen
};

// The one preparation of a batch, for the command line and the Batch Runs window alike: the model
// checks (their questions through Messages, asked once, for the model as it is), the run settings,
// the definition from the rows or the values file, every setting through the model checks'
// refusals (SettingsRefusal), the trials, and the warnings worth a word. Changes nothing in the
// model.
TBatchPreparation PrepareBatch(const TSimulation& Model, const TBatchRequest& Request,
                               const TReportOptions& Options, Dialogs& Messages);

// A parameter of a stage that two columns set: the later column's value is the one that runs,
// which is rarely what was meant. One warning per pair, e.g. "rows 1 and 2 both set BSLevel of
// stage 2; row 2's value is used."
std::vector<std::string> DuplicateColumnWarnings(const TParamSet& Set, bool FromFile);
