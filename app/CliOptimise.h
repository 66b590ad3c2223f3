#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "app/CliCommon.h"
#include "engine/RunSettings.h"
#include "optimise/Optimise.h"

class TSimulation;
class TStdout;
struct TCliEnvironment;

// orvantis-cli optimize MODEL --vary SPEC... [--minimize METRIC] [--min METRIC@STAGE=X]...
//                      [--max METRIC@STAGE=X]... [--periods N] [--warmup W] [--trials T]
//                      [--final-trials T] [--seed S] [--jobs N] [--budget N] [--time-limit SECONDS]
//                      [--out FILE|-] [--csv] [--write-model FILE] [--strict]
// Searches the values of the varied parameters that minimise the metric and prints the report of
// the optimisation (with --csv, every evaluated point after it); the time taken goes to standard
// error, so that standard output is the same whatever --jobs says.
class TOptimiseCommand final : public TCliCommand {
public:
    explicit TOptimiseCommand(CLI::App& Parent);

    int Run(TStdout& Out, std::ostream& Err, const TCliEnvironment& Env) const override;

private:
    // The options read and checked before the model is loaded; false after a usage error.
    bool ParseOptions(TOptimiseProblem& Problem, TOptimiseSettings& Settings, std::ostream& Err) const;
    // 0 when the outputs may be written, else the exit code of the refusal (reported).
    int CheckTargets(std::ostream& Err) const;

    std::string Model_;
    TRunSettingsTexts SettingsTexts_;
    std::vector<std::string> Vary_;
    std::string Minimize_ = "TotalCost";
    std::vector<std::string> AtLeast_;
    std::vector<std::string> AtMost_;
    std::string Trials_ = "10";
    std::string FinalTrials_ = "30";
    std::string Jobs_;
    std::string Budget_ = "500";
    std::string TimeLimit_ = "0";
    std::string Target_ = "-";
    std::string WriteModel_;
    bool Csv_ = false;
    bool Strict_ = false;
    CLI::Option* JobsOption_ = nullptr;
    CLI::Option* WriteModelOption_ = nullptr;
};

// A --vary SPEC: SHORTNAME@STAGES=LOW:HIGH[:STEP], STAGES a stage K, a range F-L or a comma list of
// those ("1", "4-6", "1,3"), SHORTNAME a parameter's short name (exact case, as BSLevel), numbers
// with a period. STEP defaults to 1 for an integer parameter and must be given for a real one.
// False, with Error naming the variable as typed and the field at fault, otherwise.
bool ParseVarySpec(const std::string& Spec, TDecisionVariable& Variable, std::string& Error);

// A --min or --max METRIC@STAGE=X: METRIC a metric name of the batch reports with or without
// blanks, any case ("FillRate", "Type1SL"), STAGE a stage number, X a number with a period.
bool ParseConstraintSpec(const std::string& Spec, bool AtLeast, TConstraint& Constraint, std::string& Error);
