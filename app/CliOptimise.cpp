#include "app/CliOptimise.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <chrono>
#include <cmath>
#include <signal.h>
#include <cstdio>
#include <ostream>
#include <filesystem>
#include <system_error>
#include <tuple>

#include "app/Cli.h"
#include "batch/BatchRun.h"
#include "checks/CheckedRun.h"
#include "engine/ParamCatalogue.h"
#include "engine/Simulation.h"
#include "model_files/ModelFile.h"
#include "optimise/OptimiseReport.h"
#include "stats/Stats.h"
#include "text/NumberText.h"

namespace {

const std::string Command = "optimize";

// Exit codes of a search that ran: no point met the constraints, or Ctrl+C ended it.
constexpr int ExitNoFeasiblePoint = 3;
constexpr int ExitInterrupted = 130;

// Set by SIGINT while a search runs: the search stops within a trial and reports its best point.
std::atomic<bool> Interrupted{false};

extern "C" void OnInterrupt(int)
{
    Interrupted.store(true);
}

// SIGINT stops the search instead of the program while this lives; a second Ctrl+C, after the
// first was seen, ends the program as usual.
class TInterruptGuard {
public:
    TInterruptGuard()
    {
        Interrupted.store(false);
        struct sigaction Action {};
        Action.sa_handler = OnInterrupt;
        sigemptyset(&Action.sa_mask);
        Action.sa_flags = SA_RESETHAND;
        Installed_ = ::sigaction(SIGINT, &Action, &Old_) == 0;
    }
    ~TInterruptGuard()
    {
        if (Installed_) {
            ::sigaction(SIGINT, &Old_, nullptr);
        }
    }
    TInterruptGuard(const TInterruptGuard&) = delete;
    TInterruptGuard& operator=(const TInterruptGuard&) = delete;

private:
    struct sigaction Old_ {};
    bool Installed_ = false;
};

bool IsRealParam(int Index)
{
    const TListParamType Type = ParamTypes[static_cast<std::size_t>(Index)];
    return Type == TListParamType::Real || Type == TListParamType::RealOrInf;
}


}  // namespace

bool ParseVarySpec(const std::string& Spec, TDecisionVariable& Variable, std::string& Error)
{
    const std::string Where = "--vary " + Spec + ": ";
    const std::size_t At = Spec.find('@');
    const std::size_t Eq = Spec.find('=', At == std::string::npos ? 0 : At);
    if (At == std::string::npos || Eq == std::string::npos) {
        Error = Where + "expected SHORTNAME@STAGES=LOW:HIGH[:STEP], for example BSLevel@4-6=0:200";
        return false;
    }
    const std::string Name = Spec.substr(0, At);
    const auto Found = std::find(ParamShortNames.begin(), ParamShortNames.end(), Name);
    if (Found == ParamShortNames.end()) {
        Error = Where + (Name.empty() ? "no parameter" : "no parameter is called " + Name) +
                " (the short names of 'orvantis-cli params')";
        return false;
    }
    Variable = TDecisionVariable{};
    Variable.ParamIndex = static_cast<int>(Found - ParamShortNames.begin());
    if (!ParseStageList(Spec.substr(At + 1, Eq - At - 1), Variable.Stages)) {
        Error = Where + "STAGES must be a stage number, a range FIRST-LAST or a comma list of those";
        return false;
    }
    std::vector<std::string> Fields;
    const std::string Values = Spec.substr(Eq + 1);
    for (std::size_t Pos = 0;;) {
        const std::size_t Colon = Values.find(':', Pos);
        Fields.push_back(Values.substr(Pos, Colon == std::string::npos ? std::string::npos : Colon - Pos));
        if (Colon == std::string::npos) {
            break;
        }
        Pos = Colon + 1;
    }
    if (Fields.size() < 2 || Fields.size() > 3) {
        Error = Where + "expected LOW:HIGH or LOW:HIGH:STEP after '='";
        return false;
    }
    const char* Names[] = {"LOW", "HIGH", "STEP"};
    double* Targets[] = {&Variable.Low, &Variable.High, &Variable.Step};
    for (std::size_t I = 0; I < Fields.size(); ++I) {
        if (!TryParseReal(Fields[I], *Targets[I], '.')) {
            Error = Where + Names[I] + " '" + Fields[I] +
                    "' is not a number (digits with a period as decimal separator)";
            return false;
        }
    }
    if (Fields.size() == 2 && IsRealParam(Variable.ParamIndex)) {
        Error = Where + Name + " is a real parameter: give its STEP, LOW:HIGH:STEP";
        return false;
    }
    return true;
}

bool ParseConstraintSpec(const std::string& Spec, bool AtLeast, TConstraint& Constraint, std::string& Error)
{
    const std::string Where = std::string(AtLeast ? "--min " : "--max ") + Spec + ": ";
    const std::size_t At = Spec.find('@');
    const std::size_t Eq = Spec.find('=', At == std::string::npos ? 0 : At);
    if (At == std::string::npos || Eq == std::string::npos) {
        Error = Where + "expected METRIC@STAGE=X, for example FillRate@1=0.95";
        return false;
    }
    Constraint = TConstraint{};
    Constraint.AtLeast = AtLeast;
    Constraint.Metric = FindMetric(Spec.substr(0, At));
    if (Constraint.Metric < 0) {
        Error = Where + "no metric is called " + Spec.substr(0, At) +
                " (the metrics of the batch reports, as FillRate or Type1SL)";
        return false;
    }
    int32_t Stage = 0;
    if (!TryParseInt32(Spec.substr(At + 1, Eq - At - 1), Stage)) {
        Error = Where + "STAGE '" + Spec.substr(At + 1, Eq - At - 1) + "' is not a stage number";
        return false;
    }
    Constraint.Stage = Stage;
    if (!TryParseReal(Spec.substr(Eq + 1), Constraint.Bound, '.')) {
        Error = Where + "X '" + Spec.substr(Eq + 1) + "' is not a number (digits with a period as decimal separator)";
        return false;
    }
    return true;
}

TOptimiseCommand::TOptimiseCommand(CLI::App& Parent)
{
    App_ = Parent.add_subcommand(Command, "Searches the values of parameters that minimise a cost metric, by "
                                          "simulation, with optional service constraints");
    App_->add_option("MODEL", Model_, "The model file")->required();
    App_->add_option("--vary", Vary_,
                     "A decision variable, SHORTNAME@STAGES=LOW:HIGH[:STEP]: STAGES a stage, a range FIRST-LAST or "
                     "a comma list (stages listed together share one value); STEP is needed for a real parameter")
        ->type_name("SPEC")
        ->required()
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    AddValue(*App_, "--minimize", Minimize_, "METRIC",
             "The system cost metric to minimise, per period: TotalCost (default), OrderCost, HoldingCost, "
             "WIPHoldingCost or StockoutCost");
    App_->add_option("--min", AtLeast_, "A constraint METRIC@STAGE=X: the stage's mean of METRIC at least X")
        ->type_name("SPEC")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    App_->add_option("--max", AtMost_, "A constraint METRIC@STAGE=X: the stage's mean of METRIC at most X")
        ->type_name("SPEC")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    AddRunSettings(*App_, SettingsTexts_, "Number of periods per trial, 1 to 9999 (default 1000)",
                   "Random seed, 1 or more, from which every trial's start is derived; 0 (default) takes one from "
                   "the clock and prints it");
    AddValue(*App_, "--trials", Trials_, "T", "Trials per evaluated point, at least 1 (default 10)");
    AddValue(*App_, "--final-trials", FinalTrials_, "T",
             "Fresh trials of the best point for the final estimate, at least 2 (default 30)");
    JobsOption_ = AddValue(*App_, "--jobs", Jobs_, "N",
                           "Runs N trials at a time on N threads (default: one per processor core); every N gives "
                           "the same results");
    AddValue(*App_, "--budget", Budget_, "N", "Points evaluated at most (default 500)");
    AddValue(*App_, "--time-limit", TimeLimit_, "SECONDS",
             "Stops the search once this time has passed, within one trial; the best point found so far is "
             "reported (default 0: no limit)");
    AddValue(*App_, "--out", Target_, "FILE|-",
             "Writes the report to FILE (lines ended by a carriage return) or, with - (the default), to standard "
             "output");
    App_->add_flag("--csv", Csv_, "Adds every evaluated point after the report, as CSV with a header row");
    WriteModelOption_ = AddValue(*App_, "--write-model", WriteModel_, "FILE",
                                 "Saves the model with the best values to FILE");
    App_->add_flag("--strict", Strict_,
                   "Answers No to the model checks' questions and refuses a model file that ends early or holds more "
                   "than a model");
    App_->footer("Trial K of every point starts from the same generator state, derived from the seed and K (common "
                 "random numbers). The result is a local optimum. Points the model checks refuse are never run. "
                 "The time taken is written to standard error. Ctrl+C stops the search and reports the best point "
                 "found so far.\n\nExit status: 0 a best point that meets the constraints; 1 refused or failed, "
                 "or costs that overflow at every point evaluated; 2 a usage error; 3 no point met the "
                 "constraints (the report shows the one that violates them least); 130 interrupted by Ctrl+C.");
}

bool TOptimiseCommand::ParseOptions(TOptimiseProblem& Problem, TOptimiseSettings& Settings, std::ostream& Err) const
{
    if (!CheckSettingOptions(Command, SettingsTexts_, Settings.Run, Err)) {
        return false;
    }
    if (Settings.Run.Seed < 0) {
        Usage(Err, Command, "--seed: a search derives every trial from its seed; give 1 or more, or 0 for the clock");
        return false;
    }
    for (const std::string& Spec : Vary_) {
        std::string Error;
        TDecisionVariable Variable;
        if (!ParseVarySpec(Spec, Variable, Error)) {
            Usage(Err, Command, Error);
            return false;
        }
        Problem.Variables.push_back(Variable);
    }
    for (const auto& [Specs, AtLeast] : {std::pair{&AtLeast_, true}, std::pair{&AtMost_, false}}) {
        for (const std::string& Spec : *Specs) {
            std::string Error;
            TConstraint Constraint;
            if (!ParseConstraintSpec(Spec, AtLeast, Constraint, Error)) {
                Usage(Err, Command, Error);
                return false;
            }
            Problem.Constraints.push_back(Constraint);
        }
    }
    Problem.Objective = FindMetric(Minimize_);
    if (Problem.Objective < MetricTotalCost || Problem.Objective > MetricStockoutCost) {
        Usage(Err, Command,
              "--minimize: '" + Minimize_ +
                  "' is no system cost metric (TotalCost, OrderCost, HoldingCost, WIPHoldingCost, StockoutCost)");
        return false;
    }
    const std::tuple<const char*, const std::string*, int32_t*, int32_t> Counts[] = {
        {"--trials", &Trials_, &Settings.Trials, 1},
        {"--final-trials", &FinalTrials_, &Settings.FinalTrials, 2},
        {"--budget", &Budget_, &Settings.Budget, 1}};
    for (const auto& [Option, Text, Value, Least] : Counts) {
        if (!TryParseInt32(*Text, *Value) || *Value < Least) {
            Usage(Err, Command, std::string(Option) + ": '" + *Text + "' is not an integer of at least " +
                                    std::to_string(Least));
            return false;
        }
    }
    if (!TryParseReal(TimeLimit_, Settings.TimeLimit, '.') || Settings.TimeLimit < 0) {
        Usage(Err, Command, "--time-limit: '" + TimeLimit_ + "' is not a number of seconds, 0 or more");
        return false;
    }
    int32_t Jobs = DefaultBatchJobs();
    if (JobsOption_->count() > 0 && (!TryParseInt32(Jobs_, Jobs) || Jobs < 1 || Jobs > 256)) {
        Usage(Err, Command, "--jobs: '" + Jobs_ + "' is not a number of threads from 1 to 256");
        return false;
    }
    Settings.Jobs = Jobs;
    if (const std::optional<std::string> Refusal = MeasuredPeriodsRefusal(Settings.Run)) {
        Usage(Err, Command, "--warmup: " + *Refusal);
        return false;
    }
    return true;
}

// The report and the saved model would replace each other or the model file read: refused, as a
// usage error like every other output aimed at the model. A target that cannot be written fails.
int TOptimiseCommand::CheckTargets(std::ostream& Err) const
{
    const std::string Where = Program + " " + Command + ": ";
    const bool WritesModel = WriteModelOption_->count() > 0;
    if (Target_ != StdoutName && SameFile(Target_, Model_)) {
        Err << Where << "--out: " << Target_ << " is the model file; the report would replace it.\n";
        return ExitUsage;
    }
    if (WritesModel && SameFile(WriteModel_, Model_)) {
        Err << Where << "--write-model: " << WriteModel_
            << " is the model file; the best values would replace its own. Save them to another file.\n";
        return ExitUsage;
    }
    if (WritesModel && Target_ != StdoutName && SameFile(Target_, WriteModel_)) {
        Err << Where << "--write-model: " << WriteModel_ << " is also the file of --out; one file cannot hold both.\n";
        return ExitUsage;
    }
    for (const auto& [Option, Target] : {std::pair{"--out", &Target_}, std::pair{"--write-model", &WriteModel_}}) {
        if (*Target == StdoutName || (std::string(Option) == "--write-model" && !WritesModel)) {
            continue;
        }
        if (const TFileResult Check = CheckCanWrite(*Target); !Check.Ok) {
            Err << Where << Option << ": " << OneLine(Check.Message) << '\n';
            return ExitFailed;
        }
    }
    return ExitOk;
}

int TOptimiseCommand::Run(TStdout& Out, std::ostream& Err, const TCliEnvironment& Env) const
{
    TOptimiseProblem Problem;
    TOptimiseSettings Settings;
    if (!ParseOptions(Problem, Settings, Err)) {
        return ExitUsage;
    }
    if (const int Refused = CheckTargets(Err); Refused != ExitOk) {
        return Refused;
    }
    const std::string Where = Program + " " + Command + ": ";
    TConsoleDialogs Dialogs(Err, !Strict_, Model_);
    TSimulation Model;
    if (!Load(Model, Model_, Strict_, Dialogs, Err)) {
        return ExitFailed;
    }
    TRunSettings Checked;
    if (!CheckRunAllowed(Model, SettingsTexts_, Dialogs, Checked)) {
        if (Dialogs.Errors() == 0) {
            Err << Where << Model_ << ": the search was refused by the model checks.\n";
        }
        return ExitFailed;
    }
    if (const std::optional<std::string> Refusal = ProblemRefusal(Model, Problem)) {
        Err << Where << OneLine(*Refusal) << '\n';
        return ExitFailed;
    }
    if (Settings.Run.Seed == 0) {
        Settings.Run.Seed = SeedFromClock();
    }

    const auto Started = std::chrono::steady_clock::now();
    TProgressLine Progress(Err, Env.ProgressOnErr);
    const TOptimiseCallback Callback = [&](const TOptimiseProgress& Now) {
        Progress.Show("Evaluations: " + std::to_string(Now.Evaluations) + " of " + std::to_string(Now.Budget) +
                      ", round " + std::to_string(Now.Round) + ", best " + FormatFixed(Now.Best->Objective, 4) +
                      (Now.Best->Feasible ? "" : " (infeasible)"));
        return true;
    };
    TOptimiseResult Result;
    {
        TInterruptGuard Guard;
        Settings.Cancel = &Interrupted;
        try {
            Result = Optimise(Model, Problem, Settings, Callback);
        } catch (const std::system_error& E) {
            Progress.Clear();
            Err << Where << "the search stopped: " << OneLine(E.what())
                << (Settings.Jobs > 1 ? "; try a lower --jobs" : "") << '\n';
            return ExitFailed;
        }
        Settings.Cancel = nullptr;
    }
    Progress.Clear();
    const bool WasInterrupted = Result.Stop == TStopReason::Cancelled;
    const double Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Started).count();

    TOptimiseHeading Heading;
    Heading.DataFile = std::filesystem::path(Model_).filename().string();
    Heading.Settings = Settings;
    std::vector<std::string> Lines = OptimiseReportLines(Heading, Problem, Result, Env.DecimalSep);
    if (Csv_) {
        Lines.emplace_back();
        for (std::string& Line : OptimiseCsvLines(Problem, Result)) {
            Lines.push_back(std::move(Line));
        }
    }
    const bool Written = WriteReport(Lines, Target_, Out, Err);
    Err << "Time taken: " << FormatFixed(Seconds, 1) << " s\n";
    // Only an answer is saved: not a point whose costs overflow, one that misses the constraints,
    // or what an interrupted search had reached.
    const bool Overflows = !Result.Best.Finite || !std::isfinite(Result.Objective.Mean);
    const char* NoAnswer = !Result.Best.Finite     ? "the costs overflow at every point evaluated"
                           : Overflows             ? "the costs of the best point overflow on its fresh trials"
                           : !Result.Best.Feasible ? "no point met the constraints"
                           : WasInterrupted        ? "the search was interrupted"
                                                   : nullptr;
    if (NoAnswer) {
        Err << Where << NoAnswer << (WriteModelOption_->count() > 0 ? "; the model was not written.\n" : ".\n");
    } else if (WriteModelOption_->count() > 0) {
        ApplyValues(Model, Problem, Result.Best.Values);
        const TFileResult Saved = SaveModel(Model, WriteModel_);
        if (!Saved.Ok) {
            Err << Program << ": " << OneLine(Saved.Message) << '\n';
            return ExitFailed;
        }
    }
    if (!Written || Overflows) {
        return ExitFailed;
    }
    return WasInterrupted ? ExitInterrupted : !Result.Best.Feasible ? ExitNoFeasiblePoint : ExitOk;
}
