#pragma once
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "engine/RunSettings.h"

#include "batch/ParamSet.h"
#include "app/CliCommon.h"
#include "batch/BatchRun.h"
#include "batch/PrepareBatch.h"

class TConsoleDialogs;
class TReportOptions;
class TSimulation;
class TStdout;
struct TCliEnvironment;

// orvantis-cli batch MODEL [--periods N] [--warmup W] [--seed S] [--trials T] [--row SPEC]...
//                          [--values FILE] [--options INI] [--timestamp TEXT] [--out FILE|-]
//                          [--jobs N] [--part K/N] [--csv] [--strict]
// Runs a batch and writes exactly the lines the "Batch Runs" window appends to its results, or with
// --csv its results table as CSV; with --part only the K-th of N slices of them, so that the parts
// concatenated are the whole.
class TBatchCommand final : public TCliCommand {
public:
    // Adds the command and its options to Parent.
    explicit TBatchCommand(CLI::App& Parent);

    int Run(TStdout& Out, std::ostream& Err, const TCliEnvironment& Env) const override;

private:
    struct TParsed;
    // The options read and checked before anything is loaded; false after a usage error.
    bool ParseOptions(TParsed& Job, std::ostream& Err) const;
    // Whether --out names the model, values or options file, by any name (reported).
    bool OutputHitsInput(std::ostream& Err) const;
    TBatchRun BatchRunFor(const TParamSet& Set, const TPreparedBatch& Prepared, const TParsed& Job,
                          const TCliEnvironment& Env) const;
    // The model loaded and checked, the definition built and every setting checked; nothing after
    // a refusal, which has been reported.
    std::optional<TPreparedBatch> Prepare(TSimulation& Model, TConsoleDialogs& Dialogs, const TParsed& Job,
                                          const TReportOptions& Options, std::ostream& Err) const;
    // Runs the batch; the trials' warnings go to Dialogs as error lines, in trial order.
    int Execute(TSimulation& Model, TConsoleDialogs& Dialogs, const TPreparedBatch& Prepared,
                const TReportOptions& Options, const TParsed& Job, TStdout& Out, std::ostream& Err,
                const TCliEnvironment& Env) const;

    std::string Model_;
    TRunSettingsTexts Settings_;
    std::string Trials_ = "1";
    std::vector<std::string> Rows_;
    std::string Values_;
    std::string Options_;
    std::string Timestamp_;
    std::string Target_ = "-";
    std::string Jobs_;
    std::string Part_;
    bool Strict_ = false;
    bool Csv_ = false;
    CLI::Option* JobsOption_;
    CLI::Option* ValuesOption_;
    CLI::Option* OptionsOption_;
    CLI::Option* TimestampOption_;
};

// A --row SPEC as the row of the window: "none" (a "[none]" row), SHORTNAME@FIRST-LAST=START:END:STEP
// or SHORTNAME@K=START:END:STEP, SHORTNAME a parameter's short name (exact case, as BSLevel). The
// texts of the stages and values are kept as written, for the row's own checks. False, with
// Error naming the row and the field, for a SPEC of another form, an unknown short name, a stage
// that is no integer or a value that is no number with a period as decimal separator (nan, inf,
// "10,5" and blanks are refused).
bool ParseRowSpec(const std::string& Spec, TSweepRow& Row, std::string& Error);

// A --part K/N: 1 <= K <= N. False, with Error, otherwise.
bool ParsePartSpec(const std::string& Spec, int32_t& K, int32_t& N, std::string& Error);

// The progress line: settings done out of the total and, once one is done, the time left at the
// pace so far.
std::string BatchProgressText(int32_t Done, int32_t Total, double ElapsedSeconds);
