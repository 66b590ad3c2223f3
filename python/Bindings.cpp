// _orvantis: the core as a Python extension. A thin skin: every operation is the one the command
// line calls, with the same parsers, checks and builders, so a result is the same bytes as
// `orvantis-cli` gives. The package orvantis (python/orvantis) wraps it in keyword arguments,
// NumPy arrays and pandas DataFrames.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "app/CliBatch.h"
#include "app/CliOptimise.h"
#include "batch/BatchRun.h"
#include "batch/PrepareBatch.h"
#include "batch/ReportOptions.h"
#include "checks/CheckedRun.h"
#include "engine/ParamCatalogue.h"
#include "engine/RunSettings.h"
#include "engine/Simulation.h"
#include "model_files/ModelFile.h"
#include "optimise/Optimise.h"
#include "optimise/OptimiseReport.h"
#include "platform/Dialogs.h"
#include "platform/Locale.h"
#include "reports/CostTotalsText.h"
#include "reports/CsvTables.h"
#include "reports/HistoryReport.h"

namespace py = pybind11;

namespace {

// A file that could not be read or written: OSError in Python.
class TFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The core writes line breaks in messages as carriage returns; Python shows line feeds.
std::string PythonText(std::string Text)
{
    std::replace(Text.begin(), Text.end(), '\r', '\n');
    return Text;
}

[[noreturn]] void Refuse(const std::string& Message)
{
    throw py::value_error(PythonText(Message));
}

// The model checks' questions answered as told (No under strict), and everything they and a run
// say kept, to become an exception or warnings once the call is back in Python.
class TPyDialogs final : public Dialogs {
public:
    explicit TPyDialogs(bool Answer) : Answer_(Answer) {}
    void ShowError(const std::string& Text) override { Errors.push_back(PythonText(Text)); }
    void ShowInfo(const std::string& Text) override { Notices.push_back(PythonText(Text)); }
    bool AskYesNo(const std::string& Text) override
    {
        Questions.push_back(PythonText(Text));
        return Answer_;
    }
    // The reason a check refused: the first error shown, else the question answered No.
    [[noreturn]] void RefuseChecked(const std::string& Otherwise) const
    {
        Refuse(!Errors.empty() ? Errors.front() : !Questions.empty() ? Questions.back() : Otherwise);
    }
    // The notices and the questions answered Yes, for warnings.
    std::vector<std::string> Warnings() const
    {
        std::vector<std::string> All = Notices;
        All.insert(All.end(), Questions.begin(), Questions.end());
        return All;
    }

    std::vector<std::string> Errors;
    std::vector<std::string> Notices;
    std::vector<std::string> Questions;

private:
    bool Answer_;
};

// A model as Python holds it: never run itself (every run, batch and search works on a copy), so
// each starts from the model as loaded, as a fresh `orvantis-cli` does.
struct TPyModel {
    TSimulation Model;
    std::string Path;  // as given to load or save; names the model in batch headings and reports
};

TRunSettingsTexts SettingsTexts(int32_t Periods, int32_t WarmUp, int32_t Seed)
{
    TRunSettingsTexts Texts;
    Texts.NumPeriods = std::to_string(Periods);
    Texts.WarmUp = std::to_string(WarmUp);
    Texts.Seed = std::to_string(Seed);
    return Texts;
}

int32_t JobsFor(int32_t Jobs)
{
    if (Jobs == 0) {
        return DefaultBatchJobs();
    }
    if (Jobs < 1 || Jobs > 256) {
        Refuse("jobs: " + std::to_string(Jobs) + " is not a number of threads from 1 to 256 (0: one per core)");
    }
    return Jobs;
}

int ParamIndex(const std::string& ShortName)
{
    const auto Found = std::find(ParamShortNames.begin(), ParamShortNames.end(), ShortName);
    if (Found == ParamShortNames.end()) {
        Refuse((ShortName.empty() ? std::string("no parameter") : "no parameter is called " + ShortName) +
               " (the short names of 'orvantis-cli params')");
    }
    return static_cast<int>(Found - ParamShortNames.begin());
}

void CheckStage(const TSimulation& Model, int Stage)
{
    if (Stage < 1 || Stage > Model.NumStages()) {
        Refuse("stage " + std::to_string(Stage) + " is not a stage of the model (1 to " +
               std::to_string(Model.NumStages()) + ")");
    }
}

bool IsRealParam(int Index)
{
    const TListParamType Type = ParamTypes[static_cast<std::size_t>(Index)];
    return Type == TListParamType::Real || Type == TListParamType::RealOrInf;
}

// Runs Work with the GIL released. A Python callback inside takes the GIL back through Call,
// which keeps the first exception it raises (a KeyboardInterrupt from Ctrl+C too) and tells the
// work to stop; the exception is raised again once the work has returned.
class TCallbackGate {
public:
    // Calls Function with the GIL held; false once it has raised, or a signal is pending.
    template <typename F>
    bool Call(F&& Function)
    {
        if (Failure_) {
            return false;
        }
        py::gil_scoped_acquire Gil;
        try {
            if (PyErr_CheckSignals() != 0) {
                throw py::error_already_set();
            }
            Function();
            return true;
        } catch (...) {
            Failure_ = std::current_exception();
            Stop.store(true);
            return false;
        }
    }
    template <typename W>
    void Run(W&& Work)
    {
        {
            py::gil_scoped_release Released;
            Work();
        }
        if (Failure_) {
            std::rethrow_exception(std::exchange(Failure_, nullptr));
        }
    }

    std::atomic<bool> Stop{false};

private:
    std::exception_ptr Failure_;
};

// --- run --------------------------------------------------------------------------------------

// A run's model, with its history, owned by the result: the arrays handed out are views into it.
struct TPyRun {
    std::unique_ptr<TSimulation> Model = std::make_unique<TSimulation>();
    TCostTotals Costs;
    std::vector<std::string> Warnings;
    std::map<std::string, py::array> Tables;  // history(series) by series, built once
};

const std::vector<std::string>& SeriesNames()
{
    static const std::vector<std::string> Names = [] {
        std::vector<std::string> All{"total_cost"};
        for (const THistorySeries& S : HistoryIntSeries) {
            All.emplace_back(S.CsvName);
        }
        return All;
    }();
    return Names;
}

const THistorySeries* FindSeries(const std::string& Name)
{
    if (Name == "total_cost") {
        return nullptr;
    }
    for (const THistorySeries& S : HistoryIntSeries) {
        if (Name == S.CsvName) {
            return &S;
        }
    }
    std::string Known;
    for (const std::string& N : SeriesNames()) {
        Known += (Known.empty() ? "" : ", ") + N;
    }
    Refuse("no history series is called " + Name + " (" + Known + ")");
}

py::array ReadOnly(py::array Array)
{
    Array.attr("setflags")(py::arg("write") = false);
    return Array;
}

// The series of every stage, periods 1..Period by stages, as the History CSV reads it; built
// once, then a view of the result's copy.
py::array HistoryTable(py::object Self, const std::string& Name)
{
    TPyRun& Run = Self.cast<TPyRun&>();
    if (const auto Found = Run.Tables.find(Name); Found != Run.Tables.end()) {
        return Found->second;
    }
    const THistorySeries* Series = FindSeries(Name);
    const TSimulation& Model = *Run.Model;
    const py::ssize_t Periods = std::max(Model.Period(), 0);
    const py::ssize_t Stages = Model.NumStages();
    py::array Table;
    if (Series == nullptr) {
        py::array_t<double> Costs({Periods, Stages});
        auto Cells = Costs.mutable_unchecked<2>();
        for (py::ssize_t P = 0; P < Periods; ++P) {
            for (py::ssize_t K = 0; K < Stages; ++K) {
                Cells(P, K) = ElemOrZero(Model.Stage(static_cast<int>(K + 1)).TotalCostHist(), P + 1);
            }
        }
        Table = Costs;
    } else {
        py::array_t<int64_t> Values({Periods, Stages});
        auto Cells = Values.mutable_unchecked<2>();
        for (py::ssize_t P = 0; P < Periods; ++P) {
            for (py::ssize_t K = 0; K < Stages; ++K) {
                Cells(P, K) = Series->Value(Model.Stage(static_cast<int>(K + 1)), static_cast<int32_t>(P + 1));
            }
        }
        Table = Values;
    }
    Run.Tables.emplace(Name, ReadOnly(Table));
    return Run.Tables.at(Name);
}

// One stage's series, periods 1..Period: a view into the run's own history where the stage keeps
// it as one array, else a copy.
py::array HistoryColumn(py::object Self, const std::string& Name, int Stage)
{
    TPyRun& Run = Self.cast<TPyRun&>();
    const TSimulation& Model = *Run.Model;
    const THistorySeries* Series = FindSeries(Name);
    CheckStage(Model, Stage);
    const TStage& S = Model.Stage(Stage);
    const py::ssize_t Periods = std::max(Model.Period(), 0);
    const auto View = [&](const auto& Storage) -> std::optional<py::array> {
        using TValue = typename std::decay_t<decltype(Storage)>::value_type;
        if (!Model.KeepHistory() || static_cast<py::ssize_t>(Storage.size()) < Periods + 1) {
            return std::nullopt;
        }
        return ReadOnly(py::array_t<TValue>({Periods}, {static_cast<py::ssize_t>(sizeof(TValue))},
                                            Storage.data() + 1, Self));
    };
    std::optional<py::array> Viewed;
    if (Series == nullptr) {
        Viewed = View(S.TotalCostHist());
    } else if (Name == "demand") {
        Viewed = View(S.DemandHist());
    } else if (Name == "derived_demand") {
        Viewed = View(S.DerivedDemandHist());
    } else if (Name == "inv_level") {
        Viewed = View(S.NetInvHist());
    } else if (Name == "on_order") {
        Viewed = View(S.OnOrderHist());
    } else if (Name == "in_process") {
        Viewed = View(S.InProcessHist());
    }
    if (Viewed) {
        return *Viewed;
    }
    py::array Table = HistoryTable(Self, Name);
    return Table[py::make_tuple(py::slice(py::none(), py::none(), py::none()), Stage - 1)];
}

py::object Run(const TPyModel& From, int32_t Periods, int32_t WarmUp, int32_t Seed, bool Strict, bool ForceCST,
               bool KeepHistory)
{
    auto Result = std::make_unique<TPyRun>();
    TSimulation& Model = *Result->Model;
    Model.CopyModel(From.Model);
    if (ForceCST) {
        Model.SetForceCST(true);
    }
    Model.SetKeepHistory(KeepHistory);
    TPyDialogs Dialogs(!Strict);
    std::optional<TCostTotals> Costs;
    {
        py::gil_scoped_release Released;
        Costs = RunChecked(Model, SettingsTexts(Periods, WarmUp, Seed), Dialogs);
    }
    if (!Costs) {
        Dialogs.RefuseChecked("the run was refused by the model checks");
    }
    Result->Costs = *Costs;
    Result->Warnings = Dialogs.Warnings();
    Result->Warnings.insert(Result->Warnings.end(), Dialogs.Errors.begin(), Dialogs.Errors.end());
    return py::cast(std::move(Result));
}

// --- batch ------------------------------------------------------------------------------------

struct TPyBatch {
    std::vector<std::string> Lines;
    std::vector<std::string> CsvRecords;
    std::vector<std::string> Warnings;
    std::vector<std::string> RunWarnings;  // the trials' own, also in Warnings: what a part adds to the whole
    int32_t SettingsDone = 0;
    int32_t NumSettings = 0;  // of the whole batch, also when one part ran
};

// A part K of N of a batch, as `orvantis-cli batch --part K/N` takes it.
using TPyPart = std::optional<std::pair<int32_t, int32_t>>;

void LoadBatchOptions(TReportOptions& Options, const std::optional<std::string>& Path,
                      const std::string& Delivered, std::vector<std::string>& Warnings)
{
    if (!Path) {
        for (const std::string& Warning : Options.LoadStartOptions(Delivered, UserOptionsPath())) {
            Warnings.push_back(PythonText(Warning));
        }
        return;
    }
    if (const std::string Refusal = Options.LoadOptions(*Path); !Refusal.empty()) {
        if (!std::ifstream(*Path)) {
            throw TFileError(PythonText(Refusal));
        }
        Refuse(Refusal);
    }
}

// The arguments' checks, the reporting options and the one preparation of a batch, whole or in
// parts (Parted): raises what the command line refuses, and puts what it warns about into Warnings.
TPreparedBatch PrepareForPython(const TPyModel& From, const std::vector<std::string>& RowSpecs,
                                const std::optional<std::string>& Values, int32_t Trials, int32_t Seed,
                                int32_t Periods, int32_t WarmUp, int32_t Jobs, bool Strict, bool Parted,
                                const std::optional<std::string>& OptionsPath, const std::string& DeliveredOptions,
                                TReportOptions& Options, std::vector<std::string>& Warnings)
{
    TBatchRequest Request;
    Request.Settings = SettingsTexts(Periods, WarmUp, Seed);
    Request.Trials = std::to_string(Trials);
    if (RowSpecs.size() > 2) {
        Refuse("at most two rows: row 1 and row 2");
    }
    if (!RowSpecs.empty() && Values) {
        Refuse("rows and values exclude each other");
    }
    for (std::size_t I = 0; I < RowSpecs.size(); ++I) {
        std::string Error;
        if (!ParseRowSpec(RowSpecs[I], Request.Rows[I], Error)) {
            Refuse(Error);
        }
    }
    if (Values) {
        Request.FromFile = true;
        Request.ValuesFile = *Values;
    }
    if (Trials < 1) {
        Refuse("trials: " + std::to_string(Trials) + " trials would run nothing; give at least 1");
    }
    if (WarmUp >= Periods) {
        Refuse("warmup: " + std::to_string(WarmUp) + " of the " + std::to_string(Periods) +
               " periods would be warm-up, leaving none measured (every setting would cost 0); give a warm-up "
               "below the number of periods");
    }
    if (Parted && Seed == 0) {
        Refuse("a batch in parts needs a seed other than 0: every part must take up the one random sequence, and "
               "a seed from the clock differs from part to part");
    }
    JobsFor(Jobs);
    LoadBatchOptions(Options, OptionsPath, DeliveredOptions, Warnings);

    TPyDialogs Dialogs(!Strict);
    TBatchPreparation Prepared = PrepareBatch(From.Model, Request, Options, Dialogs);
    if (!Prepared.Batch) {
        if (Prepared.Refusal == TBatchRefusal::Checks) {
            Dialogs.RefuseChecked("the batch was refused by the model checks");
        }
        if (Values && !std::ifstream(*Values)) {
            throw TFileError(PythonText(Prepared.Message));
        }
        Refuse(Prepared.Message);
    }
    if (!Prepared.FileWarning.empty()) {
        if (Strict) {
            Refuse(Prepared.FileWarning + " Refused under strict=True.");
        }
        Warnings.push_back(PythonText(Prepared.FileWarning));
    }
    for (const std::string& Warning : Dialogs.Warnings()) {
        Warnings.push_back(Warning);
    }
    for (const std::string& Warning : Prepared.Warnings) {
        Warnings.push_back(PythonText(Warning));
    }
    return std::move(*Prepared.Batch);
}

TPyBatch Batch(const TPyModel& From, const std::vector<std::string>& RowSpecs, const std::optional<std::string>& Values,
               int32_t Trials, int32_t Seed, int32_t Periods, int32_t WarmUp, int32_t Jobs, bool Strict,
               const std::optional<std::string>& OptionsPath, const std::string& DeliveredOptions,
               const std::optional<std::string>& Timestamp, const std::optional<py::function>& OnProgress,
               const TPyPart& Part)
{
    TPyBatch Result;
    if (Part && (Part->second < 1 || Part->first < 1 || Part->first > Part->second)) {
        Refuse("part: (" + std::to_string(Part->first) + ", " + std::to_string(Part->second) +
               ") is no part K of N with 1 <= K <= N");
    }
    TReportOptions Options;
    const TPreparedBatch Prepared =
        PrepareForPython(From, RowSpecs, Values, Trials, Seed, Periods, WarmUp, Jobs, Strict, Part.has_value(),
                         OptionsPath, DeliveredOptions, Options, Result.Warnings);
    Result.NumSettings = Prepared.Set.NumSettings();

    TBatchRun Run;
    Run.Settings = Prepared.Settings;
    Run.NumTrials = Prepared.Trials;
    Run.Heading = BatchHeadingFor(Timestamp ? *Timestamp : LocalDateTimeText(), From.Path,
                                  SettingsTexts(Periods, WarmUp, Seed));
    Run.DecimalSep = LocaleDecimalSeparator();
    Run.Jobs = JobsFor(Jobs);
    if (Part) {
        BatchPartRange(Result.NumSettings, Part->first, Part->second, Run.FirstSetting, Run.LastSetting);
        Run.WriteHeading = Part->first == 1;
        Run.WriteClosing = Part->first == Part->second;
    }
    TCallbackGate Gate;
    TBatchCallbacks Callbacks;
    Callbacks.AppendLine = [&Result](const std::string& Line) { Result.Lines.push_back(Line); };
    Callbacks.AppendCsvRecord = [&Result](const std::string& Record) { Result.CsvRecords.push_back(Record); };
    Callbacks.RunWarning = [&Result](const std::string& Warning) {
        Result.Warnings.push_back(PythonText(Warning));
        Result.RunWarnings.push_back(Result.Warnings.back());
    };
    // Called after every setting, also without a callback of the caller's: Ctrl+C stops the batch
    // between settings.
    Callbacks.Progress = [&](int32_t Done, int32_t Total) {
        return Gate.Call([&] {
            if (OnProgress) {
                (*OnProgress)(Done, Total);
            }
        });
    };
    Gate.Run([&] {
        TSimulation Model;
        Model.CopyModel(From.Model);
        Result.SettingsDone = RunBatch(Model, Prepared.Set, Options, Run, Callbacks).SettingsDone;
    });
    return Result;
}

// The number of settings of a batch and the warnings of its preparation, refusing what Batch
// refuses: what a batch to be split into parts is checked with before any part runs.
std::pair<int32_t, std::vector<std::string>> BatchSettings(
    const TPyModel& From, const std::vector<std::string>& RowSpecs, const std::optional<std::string>& Values,
    int32_t Trials, int32_t Seed, int32_t Periods, int32_t WarmUp, int32_t Jobs, bool Strict,
    const std::optional<std::string>& OptionsPath, const std::string& DeliveredOptions)
{
    std::vector<std::string> Warnings;
    TReportOptions Options;
    const TPreparedBatch Prepared = PrepareForPython(From, RowSpecs, Values, Trials, Seed, Periods, WarmUp, Jobs,
                                                     Strict, true, OptionsPath, DeliveredOptions, Options, Warnings);
    return {Prepared.Set.NumSettings(), Warnings};
}

// --- optimize ---------------------------------------------------------------------------------

struct TPyOptimise {
    std::vector<std::string> Labels;  // per variable, as VariableLabel writes it
    TOptimiseResult Result;
    std::vector<std::string> Report;
    std::vector<std::string> Csv;
    std::vector<std::string> Warnings;
    int32_t Seed = 0;
};

TPyOptimise Optimize(const TPyModel& From, const std::vector<std::string>& Vary, const std::string& Minimize,
                     const std::vector<std::string>& AtLeast, const std::vector<std::string>& AtMost, int32_t Trials,
                     int32_t FinalTrials, int32_t Budget, double TimeLimit, int32_t Seed, int32_t Periods,
                     int32_t WarmUp, int32_t Jobs, bool Strict, const std::optional<py::function>& OnProgress)
{
    TOptimiseProblem Problem;
    TOptimiseSettings Settings;
    const TRunSettingsTexts Texts = SettingsTexts(Periods, WarmUp, Seed);
    if (const TSettingsCheck Check = CheckSettings(Texts, Settings.Run); !Check.Ok()) {
        Refuse(Check.Message);
    }
    if (Seed < 0) {
        Refuse("seed: a search derives every trial from its seed; give 1 or more, or 0 for the clock");
    }
    for (const std::string& Spec : Vary) {
        std::string Error;
        TDecisionVariable Variable;
        if (!ParseVarySpec(Spec, Variable, Error)) {
            Refuse(Error);
        }
        Problem.Variables.push_back(Variable);
    }
    for (const auto& [Specs, IsAtLeast] : {std::pair{&AtLeast, true}, std::pair{&AtMost, false}}) {
        for (const std::string& Spec : *Specs) {
            std::string Error;
            TConstraint Constraint;
            if (!ParseConstraintSpec(Spec, IsAtLeast, Constraint, Error)) {
                Refuse(Error);
            }
            Problem.Constraints.push_back(Constraint);
        }
    }
    Problem.Objective = FindMetric(Minimize);
    if (Problem.Objective < MetricTotalCost || Problem.Objective > MetricStockoutCost) {
        Refuse("minimize: '" + Minimize +
               "' is no system cost metric (TotalCost, OrderCost, HoldingCost, WIPHoldingCost, StockoutCost)");
    }
    for (const auto& [Name, Value, Least] : {std::tuple{"trials", Trials, 1}, std::tuple{"final_trials", FinalTrials, 2},
                                             std::tuple{"budget", Budget, 1}}) {
        if (Value < Least) {
            Refuse(std::string(Name) + ": " + std::to_string(Value) + " is less than " + std::to_string(Least));
        }
    }
    if (!(TimeLimit >= 0) || !std::isfinite(TimeLimit)) {
        Refuse("time_limit: not a number of seconds, 0 or more");
    }
    Settings.Trials = Trials;
    Settings.FinalTrials = FinalTrials;
    Settings.Budget = Budget;
    Settings.TimeLimit = TimeLimit;
    Settings.Jobs = JobsFor(Jobs);
    if (const std::optional<std::string> Refusal = MeasuredPeriodsRefusal(Settings.Run)) {
        Refuse(*Refusal);
    }
    TPyDialogs Dialogs(!Strict);
    TRunSettings Checked;
    if (!CheckRunAllowed(From.Model, Texts, Dialogs, Checked)) {
        Dialogs.RefuseChecked("the search was refused by the model checks");
    }
    if (const std::optional<std::string> Refusal = ProblemRefusal(From.Model, Problem)) {
        Refuse(*Refusal);
    }
    if (Settings.Run.Seed == 0) {
        Settings.Run.Seed = SeedFromClock();
    }

    TPyOptimise Out;
    Out.Warnings = Dialogs.Warnings();
    Out.Seed = Settings.Run.Seed;
    TCallbackGate Gate;
    Settings.Cancel = &Gate.Stop;
    // After every round, also without a callback of the caller's: Ctrl+C stops the search.
    const TOptimiseCallback Progress = [&](const TOptimiseProgress& Now) {
        return Gate.Call([&] {
            if (OnProgress) {
                py::dict State;
                State["evaluations"] = Now.Evaluations;
                State["budget"] = Now.Budget;
                State["round"] = Now.Round;
                State["best"] = Now.Best->Values;
                State["objective"] = Now.Best->Objective;
                State["feasible"] = Now.Best->Feasible;
                (*OnProgress)(State);
            }
        });
    };
    Gate.Run([&] { Out.Result = Optimise(From.Model, Problem, Settings, Progress); });
    Settings.Cancel = nullptr;

    TOptimiseHeading Heading;
    Heading.DataFile = std::filesystem::path(From.Path).filename().string();
    Heading.Settings = Settings;
    Out.Report = OptimiseReportLines(Heading, Problem, Out.Result, LocaleDecimalSeparator());
    Out.Csv = OptimiseCsvLines(Problem, Out.Result);
    for (const TDecisionVariable& Variable : Problem.Variables) {
        Out.Labels.push_back(VariableLabel(Variable));
    }
    return Out;
}

// Writes Values into the variables named by Labels ("BSLevel@1", "BSLevel@2-3"), as a search's
// best point is written into the model it was found for.
void Apply(TPyModel& Target, const std::vector<std::string>& Labels, const std::vector<double>& Values)
{
    if (Labels.size() != Values.size()) {
        Refuse("apply: " + std::to_string(Labels.size()) + " variables but " + std::to_string(Values.size()) +
               " values");
    }
    TOptimiseProblem Problem;
    for (const std::string& Label : Labels) {
        const std::size_t At = Label.find('@');
        TDecisionVariable Variable;
        Variable.ParamIndex = ParamIndex(Label.substr(0, At == std::string::npos ? Label.size() : At));
        if (At == std::string::npos || !ParseStageList(Label.substr(At + 1), Variable.Stages)) {
            Refuse("apply: " + Label + ": expected SHORTNAME@STAGES, for example BSLevel@4-6");
        }
        for (const int Stage : Variable.Stages) {
            CheckStage(Target.Model, Stage);
        }
        Problem.Variables.push_back(Variable);
    }
    for (std::size_t I = 0; I < Values.size(); ++I) {
        if (!FitsParam(Problem.Variables[I].ParamIndex, Values[I])) {
            Refuse("apply: " + Labels[I] + ": " + std::to_string(Values[I]) + " does not fit the parameter");
        }
    }
    ApplyValues(Target.Model, Problem, Values);
}

std::string StopName(TStopReason Reason)
{
    switch (Reason) {
    case TStopReason::Converged: return "converged";
    case TStopReason::Budget: return "budget";
    case TStopReason::Time: return "time";
    case TStopReason::Cancelled: return "cancelled";
    }
    return "";
}

}  // namespace

PYBIND11_MODULE(_orvantis, M)
{
    M.doc() = "The Orvantis core as a Python extension; use the package orvantis, which wraps it.";
    py::register_exception_translator([](std::exception_ptr Pending) {
        try {
            if (Pending) {
                std::rethrow_exception(Pending);
            }
        } catch (const TFileError& E) {
            PyErr_SetString(PyExc_OSError, E.what());
        }
    });
    M.attr("param_names") = std::vector<std::string>(ParamShortNames.begin(), ParamShortNames.end());
    M.attr("history_series") = SeriesNames();
    M.attr("max_stages") = MaxStages;

    py::class_<TPyRun>(M, "RunResult", "One run: its model with the history, owned by the result.")
        .def_property_readonly(
            "costs",
            [](const TPyRun& R) {
                py::dict Costs;
                Costs["order"] = R.Costs.OrderCost;
                Costs["holding"] = R.Costs.HoldingCost;
                Costs["wip_holding"] = R.Costs.WIPHoldingCost;
                Costs["stockout"] = R.Costs.StockoutCost;
                Costs["total"] = R.Costs.TotalCost;
                return Costs;
            },
            "The five cost totals, means per measured period of the whole network.")
        .def_property_readonly(
            "costs_text",
            [](const TPyRun& R) {
                std::string Text;
                for (const TCostLine& Line : CostTotalsLines(R.Costs, LocaleDecimalSeparator())) {
                    Text += Line.Caption + ' ' + Line.Value + '\n';
                }
                return Text;
            },
            "The cost totals as `orvantis-cli run` prints them.")
        .def_readonly("warnings", &TPyRun::Warnings, "What the checks and the run had to say.")
        .def_property_readonly("periods", [](const TPyRun& R) { return R.Model->Period(); }, "Periods simulated.")
        .def_property_readonly("warmup", [](const TPyRun& R) { return R.Model->WarmUp(); }, "Warm-up periods.")
        .def_property_readonly("num_stages", [](const TPyRun& R) { return R.Model->NumStages(); }, "Stages.")
        .def("stats_csv", [](const TPyRun& R) { return BuildStatsCsv(*R.Model); },
             "The statistics as `orvantis-cli run --stats-csv` writes them.")
        .def("history_csv", [](const TPyRun& R) { return BuildHistoryCsv(*R.Model); },
             "The History as `orvantis-cli run --history-csv` writes it.")
        .def("orders_csv", [](const TPyRun& R) { return BuildOrderHistoryCsv(*R.Model); },
             "The Order History as `orvantis-cli run --orders-csv` writes it.")
        .def("history", &HistoryTable, py::arg("series"),
             "A history series of every stage, shape (periods, stages), read-only, kept alive by the result.")
        .def("history", &HistoryColumn, py::arg("series"), py::arg("stage"),
             "A history series of one stage, shape (periods,): a view into the run's history where it is one "
             "array, read-only, kept alive by the result.");

    py::class_<TPyBatch>(M, "BatchResult", "The lines and CSV records of a batch.")
        .def_readonly("lines", &TPyBatch::Lines, "The text lines of `orvantis-cli batch`.")
        .def_readonly("csv_records", &TPyBatch::CsvRecords, "The records of `orvantis-cli batch --csv`.")
        .def_readonly("warnings", &TPyBatch::Warnings, "What the checks, the options and the runs had to say.")
        .def_readonly("run_warnings", &TPyBatch::RunWarnings, "What the trials' runs had to say.")
        .def_readonly("settings_done", &TPyBatch::SettingsDone, "Settings run.")
        .def_readonly("num_settings", &TPyBatch::NumSettings, "Settings of the whole batch.");

    py::class_<TPyOptimise>(M, "OptimizeResult", "What a search found.")
        .def_readonly("labels", &TPyOptimise::Labels, "The variables, as BSLevel@2-3.")
        .def_property_readonly("best", [](const TPyOptimise& R) { return R.Result.Best.Values; },
                               "The best point's values, per variable.")
        .def_property_readonly("objective", [](const TPyOptimise& R) { return R.Result.Objective.Mean; },
                               "The objective's mean on the final fresh trials.")
        .def_property_readonly("half_width", [](const TPyOptimise& R) { return R.Result.Objective.HalfWidth; },
                               "The 95% half-width of that mean.")
        .def_property_readonly("feasible",
                               [](const TPyOptimise& R) { return R.Result.Best.Feasible && R.Result.FinalFeasible; },
                               "Whether the best point met the constraints in the search and on the fresh trials.")
        .def_property_readonly("stop", [](const TPyOptimise& R) { return StopName(R.Result.Stop); },
                               "Why the search ended: converged, budget, time or cancelled.")
        .def_property_readonly("evaluations", [](const TPyOptimise& R) { return R.Result.Evaluations; },
                               "Points evaluated.")
        .def_readonly("report", &TPyOptimise::Report, "The lines of the report of `orvantis-cli optimize`.")
        .def_readonly("csv", &TPyOptimise::Csv, "The lines of every evaluated point as `--csv` adds them.")
        .def_readonly("seed", &TPyOptimise::Seed, "The seed the search ran with (one from the clock for 0).")
        .def_readonly("warnings", &TPyOptimise::Warnings, "What the checks had to say.");

    py::class_<TPyModel>(M, "Model", "A model; it never runs itself: runs, batches and searches run copies.")
        .def(py::init<>(), "An empty model.")
        .def_static(
            "load",
            [](const std::string& Path, bool Strict) {
                auto Loaded = std::make_unique<TPyModel>();
                TPyDialogs Dialogs(true);
                const TLoadResult Result = LoadModel(Loaded->Model, Path, Dialogs);
                if (!Result.Ok) {
                    if (Result.Version == 0) {
                        throw TFileError(PythonText(Result.Message));
                    }
                    Refuse(Path + ": " + Result.Message);
                }
                if (Strict && !Result.Warning.empty()) {
                    Refuse(Path + ": " + Result.Warning + " Refused under strict=True.");
                }
                Loaded->Path = Path;
                Loaded->Model.SetModified(false);
                return std::make_pair(std::move(Loaded), Dialogs.Warnings());
            },
            py::arg("path"), py::arg("strict"), "Loads a model file; the model and the load's notices.")
        .def_static(
            "from_text",
            [](const py::bytes& Text, const std::string& Path, bool Strict) {
                auto Loaded = std::make_unique<TPyModel>();
                TPyDialogs Dialogs(true);
                const TLoadResult Result = LoadModelFromText(Loaded->Model, std::string_view(Text), Dialogs);
                if (!Result.Ok) {
                    Refuse((Path.empty() ? std::string("model text") : Path) + ": " + Result.Message);
                }
                if (Strict && !Result.Warning.empty()) {
                    Refuse(Path + ": " + Result.Warning + " Refused under strict=True.");
                }
                Loaded->Path = Path;
                Loaded->Model.SetModified(false);
                return std::make_pair(std::move(Loaded), Dialogs.Warnings());
            },
            py::arg("text"), py::arg("path"), py::arg("strict"),
            "Reads a model from the bytes of a model file, naming it Path; the model and the read's notices.")
        .def_readwrite("path", &TPyModel::Path, "The model's file as given; names it in reports.")
        .def_property_readonly("num_stages", [](const TPyModel& M) { return M.Model.NumStages(); }, "Stages.")
        .def(
            "add_stage",
            [](TPyModel& M) {
                const int Stage = M.Model.AddStage();
                if (Stage == 0) {
                    Refuse("The model already contains the maximum number of stages (" + std::to_string(MaxStages) +
                           ").");
                }
                return Stage;
            },
            "Adds a stage with every parameter at its default; its number.")
        .def(
            "link",
            [](TPyModel& M, int Customer, int Supplier) {
                if (const TLinkResult Linked = M.Model.Link(Supplier, Customer); Linked != TLinkResult::Linked) {
                    Refuse(LinkRefusalText(Linked));
                }
            },
            py::arg("customer"), py::arg("supplier"), "Links Supplier as a supplier of Customer.")
        .def(
            "get",
            [](const TPyModel& M, const std::string& Name, int Stage) -> py::object {
                const int Index = ParamIndex(Name);
                CheckStage(M.Model, Stage);
                const double Value = M.Model.GetParam(Stage, Index);
                if (IsRealParam(Index)) {
                    return py::float_(Value);
                }
                return py::int_(static_cast<int64_t>(Value));
            },
            py::arg("name"), py::arg("stage"), "A parameter of a stage, by short name.")
        .def(
            "set",
            [](TPyModel& M, const std::string& Name, int Stage, double Value) {
                const int Index = ParamIndex(Name);
                CheckStage(M.Model, Stage);
                if (std::isnan(Value) || !FitsParam(Index, Value) ||
                    (std::isinf(Value) && ParamTypes[static_cast<std::size_t>(Index)] != TListParamType::RealOrInf)) {
                    Refuse(Name + ": " + py::str(py::float_(Value)).cast<std::string>() +
                           " does not fit the parameter");
                }
                M.Model.SetParam(Stage, Index, Value);
            },
            py::arg("name"), py::arg("stage"), py::arg("value"), "Writes a parameter of a stage, by short name.")
        .def(
            "save",
            [](TPyModel& M, const std::string& Path) {
                const TFileResult Saved = SaveModel(M.Model, Path);
                if (!Saved.Ok) {
                    throw TFileError(PythonText(Saved.Message));
                }
                M.Path = Path;
                M.Model.SetModified(false);
            },
            py::arg("path"), "Saves the model file (v2.4).")
        .def("text", [](const TPyModel& M) { return py::bytes(ModelFileText(M.Model)); },
             "The bytes of the model file.")
        .def("run", &Run, py::arg("periods"), py::arg("warmup"), py::arg("seed"), py::arg("strict"),
             py::arg("force_cst"), py::arg("keep_history"),
             "Runs a copy of the model, as `orvantis-cli run` does; the GIL is released meanwhile.")
        .def("batch", &Batch, py::arg("rows"), py::arg("values"), py::arg("trials"), py::arg("seed"),
             py::arg("periods"), py::arg("warmup"), py::arg("jobs"), py::arg("strict"), py::arg("options"),
             py::arg("delivered_options"), py::arg("timestamp"), py::arg("on_progress"), py::arg("part") = py::none(),
             "Runs a batch, or its part (K, N) as `--part K/N` does, on a copy of the model, as `orvantis-cli batch` "
             "does; the GIL is released meanwhile.")
        .def("batch_settings", &BatchSettings, py::arg("rows"), py::arg("values"), py::arg("trials"), py::arg("seed"),
             py::arg("periods"), py::arg("warmup"), py::arg("jobs"), py::arg("strict"), py::arg("options"),
             py::arg("delivered_options"),
             "Checks a batch to be run in parts as `batch` would; its number of settings and the warnings.")
        .def("optimize", &Optimize, py::arg("vary"), py::arg("minimize"), py::arg("min"), py::arg("max"),
             py::arg("trials"), py::arg("final_trials"), py::arg("budget"), py::arg("time_limit"), py::arg("seed"),
             py::arg("periods"), py::arg("warmup"), py::arg("jobs"), py::arg("strict"), py::arg("on_progress"),
             "Searches as `orvantis-cli optimize` does; the GIL is released meanwhile.")
        .def("apply", &Apply, py::arg("labels"), py::arg("values"),
             "Writes values into the variables named by labels (BSLevel@2-3).");
}
