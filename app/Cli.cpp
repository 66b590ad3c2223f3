#include "app/Cli.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <utility>

#include <CLI/CLI.hpp>

#include "app/CliBatch.h"
#include "app/CliCommon.h"
#include "app/CliOptimise.h"
#include "engine/ParamCatalogue.h"
#include "engine/RunSettings.h"
#include "engine/Simulation.h"
#include "checks/CheckModel.h"
#include "checks/CheckedRun.h"
#include "model_files/ModelFile.h"
#include "platform/TextFile.h"
#include "reports/CostTotalsText.h"
#include "reports/CsvTables.h"
#include "reports/HistoryReport.h"
#include "reports/ModelParamTable.h"
#include "reports/StatsReport.h"

namespace {

CLI::Option* AddReport(CLI::App& Command, const std::string& Name, std::string& Value, const std::string& What)
{
    return AddValue(Command, Name, Value, "FILE|-",
                    "Writes the " + What +
                        " to FILE (lines ended by a carriage return) or, with -, to standard output");
}

CLI::Option* AddCsv(CLI::App& Command, const std::string& Name, std::string& Value, const std::string& What)
{
    return AddValue(Command, Name, Value, "FILE|-",
                    "Writes the " + What +
                        " as CSV to FILE or, with -, to standard output, which then holds that table alone (the "
                        "cost totals go to standard error)");
}

bool IsCsvOption(const std::string& Option)
{
    return Option.size() > 4 && Option.compare(Option.size() - 4, 4, "-csv") == 0;
}

// Reports aimed at one file would replace each other, and one aimed at the model would replace it:
// refused before anything runs. Standard output takes any number of text reports, one after the
// other, but a CSV table there only alone, so that a program reading it finds nothing else.
bool TargetsDistinct(const std::vector<std::pair<std::string, std::string>>& Reports, const std::string& ModelPath,
                     std::ostream& Err)
{
    for (std::size_t I = 0; I < Reports.size(); ++I) {
        const auto& [Option, Target] = Reports[I];
        // A report that names standard output's file by a path lands there too.
        if (NamesStdout(Target)) {
            for (std::size_t J = 0; J < I; ++J) {
                if (NamesStdout(Reports[J].second) && (IsCsvOption(Option) || IsCsvOption(Reports[J].first))) {
                    Err << Program << " run: " << Option << ": " << Reports[J].first
                        << " goes to standard output too; a CSV table goes there only alone.\n";
                    return false;
                }
            }
        }
        if (Target == StdoutName) {
            continue;
        }
        if (SameFile(Target, ModelPath)) {
            Err << Program << " run: " << Option << ": " << Target
                << " is the model file; the report would replace it.\n";
            return false;
        }
        for (std::size_t J = 0; J < I; ++J) {
            if (Reports[J].second != StdoutName && SameFile(Target, Reports[J].second)) {
                Err << Program << " run: " << Option << ": " << Target << " is also the file of " << Reports[J].first
                    << "; one file cannot hold two reports.\n";
                return false;
            }
        }
    }
    return true;
}

// The cost totals that are not finite numbers (costs that overflowed), named as the cost lines
// name them, in a sentence ("Stockout and Total are not finite numbers"); empty when all are finite.
std::string NotFinite(const TCostTotals& Costs)
{
    const double Values[] = {Costs.OrderCost, Costs.HoldingCost, Costs.WIPHoldingCost, Costs.StockoutCost,
                             Costs.TotalCost};
    const std::array<TCostLine, 5> Lines = CostTotalsLines(Costs, '.');
    std::vector<std::string> Names;
    for (std::size_t I = 0; I < Lines.size(); ++I) {
        if (!std::isfinite(Values[I])) {
            Names.push_back(Lines[I].Caption.substr(0, Lines[I].Caption.find(':')));
        }
    }
    std::string Text;
    for (std::size_t I = 0; I < Names.size(); ++I) {
        Text += (I == 0 ? "" : I + 1 == Names.size() ? " and " : ", ") + Names[I];
    }
    return Names.empty()       ? Text
           : Names.size() == 1 ? Text + " is not a finite number"
                               : Text + " are not finite numbers";
}

// orvantis-cli run MODEL [--periods N] [--warmup W] [--seed S] [--force-cst] [--strict]
//                        [--stats FILE|-] [--history FILE|-] [--orders FILE|-] [--timestamp TEXT]
//                        [--stats-csv FILE|-] [--history-csv FILE|-] [--orders-csv FILE|-]
class TRunCommand final : public TCliCommand {
public:
    explicit TRunCommand(CLI::App& Parent)
    {
        App_ = Parent.add_subcommand("run", "Runs a model and prints the five cost totals");
        App_->add_option("MODEL", Model_, "The model file")->required();
        AddRunSettings(*App_, Settings_, "Number of periods, 1 to 9999 (default 1000)",
                       "Random seed: 0 (default) from the clock; a negative seed continues the model's sequence, "
                       "which here starts where every new model's does");
        App_->add_flag("--force-cst", ForceCST_, "Sets \"Service Time >= CST\" for this run");
        App_->add_flag("--strict", Strict_,
                       "Answers No to the model checks' questions and refuses a file that ends early or holds more "
                       "than a model");
        Reports_ = {{AddReport(*App_, "--stats", Stats_, "statistics report"), &Stats_},
                    {AddReport(*App_, "--history", History_, "History"), &History_},
                    {AddReport(*App_, "--orders", Orders_, "Order History"), &Orders_},
                    {AddCsv(*App_, "--stats-csv", StatsCsv_, "statistics"), &StatsCsv_},
                    {AddCsv(*App_, "--history-csv", HistoryCsv_, "History"), &HistoryCsv_},
                    {AddCsv(*App_, "--orders-csv", OrdersCsv_, "Order History"), &OrdersCsv_}};
        Timestamp_ = AddTimestamp(*App_, TimestampText_);
        App_->footer("The costs are means per measured period of the whole network. The model checks print their "
                     "questions on standard error and answer Yes.");
    }
    int Run(TStdout& Out, std::ostream& Err, const TCliEnvironment& Env) const override;

private:
    // The reports asked for, as (option, target) in the order of the options above. A CSV table
    // aimed at standard output by a path (/dev/stdout, the file it is redirected to) is written
    // as with "-": standard output holds it alone, the cost totals go to standard error.
    std::vector<std::pair<std::string, std::string>> Reports() const
    {
        std::vector<std::pair<std::string, std::string>> Asked;
        for (const auto& [Option, Target] : Reports_) {
            if (Option->count() > 0) {
                const std::string Name = Option->get_name();
                Asked.emplace_back(Name, IsCsvOption(Name) && NamesStdout(*Target) ? StdoutName : *Target);
            }
        }
        return Asked;
    }
    bool CheckTargets(const std::vector<std::pair<std::string, std::string>>& Reports, std::ostream& Err) const;

    std::string Model_;
    TRunSettingsTexts Settings_;
    bool ForceCST_ = false;
    bool Strict_ = false;
    std::string Stats_, History_, Orders_, TimestampText_;
    std::string StatsCsv_, HistoryCsv_, OrdersCsv_;
    std::vector<std::pair<CLI::Option*, std::string*>> Reports_;
    CLI::Option* Timestamp_ = nullptr;
};

// A report file that could not be written is found before the run, not after it.
bool TRunCommand::CheckTargets(const std::vector<std::pair<std::string, std::string>>& Reports,
                               std::ostream& Err) const
{
    for (const auto& [Option, Target] : Reports) {
        if (Target == StdoutName) {
            continue;
        }
        if (const TFileResult Check = CheckCanWrite(Target); !Check.Ok) {
            Err << Program << " run: " << Option << ": " << OneLine(Check.Message) << '\n';
            return false;
        }
    }
    return true;
}

int TRunCommand::Run(TStdout& Out, std::ostream& Err, const TCliEnvironment& Env) const
{
    // Malformed settings are a usage error, refused before the model is read; the checked run
    // below applies the same checks again.
    TRunSettings Settings;
    if (!CheckSettingOptions("run", Settings_, Settings, Err)) {
        return ExitUsage;
    }
    const std::vector<std::pair<std::string, std::string>> Asked = Reports();
    if (!TargetsDistinct(Asked, Model_, Err)) {
        return ExitUsage;
    }
    if (!CheckTargets(Asked, Err)) {
        return ExitFailed;
    }
    TConsoleDialogs Dialogs(Err, !Strict_, Model_);
    TSimulation Model;
    if (!Load(Model, Model_, Strict_, Dialogs, Err)) {
        return ExitFailed;
    }
    if (ForceCST_) {
        Model.SetForceCST(true);
    }
    // Only the history reports and tables read the period history; the costs and statistics do
    // without it.
    Model.SetKeepHistory(std::any_of(Asked.begin(), Asked.end(), [](const auto& Report) {
        return Report.first == "--history" || Report.first == "--orders" || Report.first == "--history-csv" ||
               Report.first == "--orders-csv";
    }));
    const std::optional<TCostTotals> Costs = RunChecked(Model, Settings_, Dialogs);
    if (!Costs) {
        if (Dialogs.Errors() == 0) {  // refused by an answer, with no error shown
            Err << Program << ": " << Model_ << ": the run was refused by the model checks.\n";
        }
        return ExitFailed;
    }
    const char Sep = Env.DecimalSep;
    const bool CsvToStdout = std::any_of(Asked.begin(), Asked.end(), [](const auto& Report) {
        return IsCsvOption(Report.first) && Report.second == StdoutName;
    });
    std::ostream& CostStream = CsvToStdout ? Err : *Out;
    for (const TCostLine& Line : CostTotalsLines(*Costs, Sep)) {
        CostStream << Line.Caption << ' ' << Line.Value << '\n';
    }
    bool Written = Out.Flush();
    if (const std::string Overflowed = NotFinite(*Costs); !Overflowed.empty()) {
        // The lines above show which; no report is written from a run without a result.
        Err << Program << ": " << Model_ << ": the costs overflowed: " << Overflowed << ", so the run has no result"
            << (Asked.empty() ? "" : "; no report was written") << ".\n";
        return ExitFailed;
    }
    const std::string& DateTime = Timestamp_->count() > 0 ? TimestampText_ : Env.DateTime;
    for (const auto& [Option, Target] : Asked) {
        if (IsCsvOption(Option)) {
            const std::string Csv = Option == "--stats-csv"     ? BuildStatsCsv(Model)
                                    : Option == "--history-csv" ? BuildHistoryCsv(Model)
                                                                : BuildOrderHistoryCsv(Model);
            Written = WriteCsv(Csv, Target, Out, Err) && Written;
            continue;
        }
        const std::vector<std::string> Lines = Option == "--stats"     ? BuildStatsReport(Model, DateTime, Sep)
                                               : Option == "--history" ? BuildHistoryText(Model, DateTime, Sep)
                                                                       : BuildOrderHistoryText(Model, DateTime);
        Written = WriteReport(Lines, Target, Out, Err) && Written;
    }
    return Written ? ExitOk : ExitFailed;
}

// orvantis-cli check MODEL [--strict]
class TCheckCommand final : public TCliCommand {
public:
    explicit TCheckCommand(CLI::App& Parent)
    {
        App_ = Parent.add_subcommand("check", "Prints the model checks and load warnings; exit 1 on a refusal");
        App_->add_option("MODEL", Model_, "The model file")->required();
        App_->add_flag("--strict", Strict_, "Answers No to the checks' questions and refuses a load warning");
    }
    int Run(TStdout& Out, std::ostream& Err, const TCliEnvironment&) const override
    {
        // The checks and load warnings are this command's output: they go to standard output.
        TConsoleDialogs Dialogs(*Out, !Strict_, Model_);
        TSimulation Model;
        const std::optional<TLoadResult> Loaded = LoadOrReport(Model, Model_, Dialogs, Err);
        if (!Loaded) {
            return ExitFailed;
        }
        const bool Allowed = (!Strict_ || Loaded->Warning.empty()) && CheckModel(Model, Dialogs);
        *Out << (Allowed ? "The run may go ahead.\n" : "The run is refused.\n");
        Out.Flush();
        return Allowed ? ExitOk : ExitFailed;
    }

private:
    std::string Model_;
    bool Strict_ = false;
};

// orvantis-cli convert OLD NEW|-
class TConvertCommand final : public TCliCommand {
public:
    explicit TConvertCommand(CLI::App& Parent)
    {
        App_ = Parent.add_subcommand("convert", "Writes a model file of any version as a current (v2.4) one");
        App_->add_option("OLD", Model_, "The model file to read")->required();
        App_->add_option("NEW", NewModel_, "The file to write, or - for standard output")
            ->required()
            ->type_name("FILE|-");
    }
    int Run(TStdout& Out, std::ostream& Err, const TCliEnvironment&) const override
    {
        TConsoleDialogs Dialogs(Err, true, Model_);
        TSimulation Model;
        if (!Load(Model, Model_, false, Dialogs, Err)) {
            return ExitFailed;
        }
        if (NewModel_ == StdoutName) {
            *Out << ModelFileText(Model);
            return Out.Flush() ? ExitOk : ExitFailed;
        }
        const TFileResult Saved = SaveModel(Model, NewModel_);
        if (!Saved.Ok) {
            Err << Program << ": " << OneLine(Saved.Message) << '\n';
            return ExitFailed;
        }
        *Out << "Wrote " << NewModel_ << " (v2.4, " << Model.NumStages()
             << (Model.NumStages() == 1 ? " stage).\n" : " stages).\n");
        Out.Flush();
        return ExitOk;
    }

private:
    std::string Model_;
    std::string NewModel_;
};

// orvantis-cli params MODEL [--timestamp TEXT]
// orvantis-cli params --names
class TParamsCommand final : public TCliCommand {
public:
    explicit TParamsCommand(CLI::App& Parent)
    {
        App_ = Parent.add_subcommand("params", "Prints the table of every stage's parameters");
        ModelOption_ = App_->add_option("MODEL", Model_, "The model file");
        Timestamp_ = AddTimestamp(*App_, TimestampText_);
        // For scripts and shell completion, which need the names without a model.
        App_->add_flag("--names", Names_,
                       "Prints the parameters' short names instead of a model's table, one a line, as --row and "
                       "the column headings use them");
    }
    int Run(TStdout& Out, std::ostream& Err, const TCliEnvironment& Env) const override
    {
        if (Names_ && (ModelOption_->count() > 0 || Timestamp_->count() > 0)) {
            return Usage(Err, "params", "--names takes neither MODEL nor --timestamp");
        }
        if (Names_) {
            for (const std::string& Name : ParamShortNames) {
                *Out << Name << '\n';
            }
            Out.Flush();
            return ExitOk;
        }
        if (ModelOption_->count() == 0) {
            return Usage(Err, "params", "MODEL is required");
        }
        TConsoleDialogs Dialogs(Err, true, Model_);
        TSimulation Model;
        if (!Load(Model, Model_, false, Dialogs, Err)) {
            return ExitFailed;
        }
        *Out << (Timestamp_->count() > 0 ? TimestampText_ : Env.DateTime) << '\n';
        for (const std::string& Line : BuildModelParamTable(Model, Env.DecimalSep)) {
            *Out << Line << '\n';
        }
        Out.Flush();
        return ExitOk;
    }

private:
    std::string Model_;
    std::string TimestampText_;
    bool Names_ = false;
    CLI::Option* ModelOption_ = nullptr;
    CLI::Option* Timestamp_ = nullptr;
};

// The first argument that names no command, or the first option no command knows: a usage error
// in the user's order. CLI11 keeps them as extras.
std::optional<std::string> ExtraArgument(const std::vector<std::unique_ptr<TCliCommand>>& Commands)
{
    for (const auto& C : Commands) {
        const std::vector<std::string> Extra = C->App()->remaining();
        if (!Extra.empty()) {
            const bool Option = Extra[0].size() > 1 && Extra[0][0] == '-';
            return (Option ? "unknown option " : "unexpected argument ") + Extra[0];
        }
    }
    return std::nullopt;
}

// Parses Args into App's commands. An exit code when nothing is left to run: help or the version
// printed, or a usage error reported. Command receives the command's name as typed.
std::optional<int> Parse(CLI::App& App, const std::vector<std::unique_ptr<TCliCommand>>& Commands,
                         const std::vector<std::string>& Args, TStdout& Stdout, std::ostream& Err,
                         std::string& Command)
{
    if (Args.empty()) {
        Err << App.help();
        return ExitUsage;
    }
    if (Args[0].empty() || Args[0][0] != '-') {
        Command = Args[0];
        const auto Named = [&](const auto& C) { return C->App()->get_name() == Command; };
        if (std::none_of(Commands.begin(), Commands.end(), Named)) {
            return Usage(Err, "", "unknown command " + Command);
        }
    }
    try {
        std::vector<std::string> Reversed(Args.rbegin(), Args.rend());  // CLI11 takes them last first
        App.parse(Reversed);
    } catch (const CLI::CallForHelp& Help) {
        *Stdout << App.help();
        return Stdout.Flush() ? ExitOk : ExitFailed;
    } catch (const CLI::CallForVersion& Version) {
        *Stdout << Version.what() << '\n';
        return Stdout.Flush() ? ExitOk : ExitFailed;
    } catch (const CLI::ParseError& Error) {
        return Usage(Err, Command, OneLine(Error.what()));
    }
    if (const std::optional<std::string> Extra = ExtraArgument(Commands)) {
        return Usage(Err, Command, *Extra);
    }
    return std::nullopt;
}

// Code, or the failure code and the reason on standard error once a write to standard output
// failed.
int Finished(const TStdout& Stdout, std::ostream& Err, int Code)
{
    if (Stdout.Error() != 0) {
        Err << Program << ": cannot write to standard output: " << std::strerror(Stdout.Error()) << ".\n";
        return ExitFailed;
    }
    return Code;
}

}  // namespace

int RunCli(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err, const TCliEnvironment& Env)
{
    CLI::App App("Simulates multi-stage inventory networks stored in model files.", Program);
    App.set_version_flag("--version", Program + " 2.4");
    App.require_subcommand(1);
    App.footer("FILE - means standard output. 'orvantis-cli COMMAND --help' describes a command.\n"
               "Exit codes: 0 success, 1 refused or failed, 2 usage error.");
    std::vector<std::unique_ptr<TCliCommand>> Commands;
    Commands.push_back(std::make_unique<TRunCommand>(App));
    Commands.push_back(std::make_unique<TCheckCommand>(App));
    Commands.push_back(std::make_unique<TConvertCommand>(App));
    Commands.push_back(std::make_unique<TParamsCommand>(App));
    Commands.push_back(std::make_unique<TBatchCommand>(App));
    Commands.push_back(std::make_unique<TOptimiseCommand>(App));
    for (const auto& C : Commands) {
        C->App()->allow_extras();  // reported below in the user's order, unknown options first
    }
    TStdout Stdout(Out);
    std::string Command;
    if (const std::optional<int> Code = Parse(App, Commands, Args, Stdout, Err, Command)) {
        return Finished(Stdout, Err, *Code);  // the help or the version may not have been written
    }
    const auto Parsed = std::find_if(Commands.begin(), Commands.end(), [](const auto& C) { return C->App()->parsed(); });
    int Code = ExitOk;
    // Whatever a command throws (memory or threads the system would not give) ends it with one
    // line and the failure code, never through std::terminate.
    try {
        Code = (*Parsed)->Run(Stdout, Err, Env);
    } catch (const std::bad_alloc&) {
        Err << Program << ": " << Command << ": not enough memory\n";
        return ExitFailed;
    } catch (const std::exception& E) {
        Err << Program << ": " << Command << ": " << OneLine(E.what()) << '\n';
        return ExitFailed;
    }
    return Finished(Stdout, Err, Code);
}
