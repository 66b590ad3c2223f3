#include "app/Cli.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <ostream>
#include <utility>

#include <CLI/CLI.hpp>

#include "app/CliBatch.h"
#include "app/CliCommon.h"
#include "engine/RunSettings.h"
#include "engine/Simulation.h"
#include "checks/CheckModel.h"
#include "checks/CheckedRun.h"
#include "model_files/ModelFile.h"
#include "platform/TextFile.h"
#include "reports/CostTotalsText.h"
#include "reports/HistoryReport.h"
#include "reports/ModelParamTable.h"
#include "reports/StatsReport.h"

namespace {

// Everything the command line can say; each command reads its own part.
struct TOptions {
    std::string Model;
    std::string NewModel;
    TRunSettingsTexts Settings;
    bool ForceCST = false;
    bool Strict = false;
    std::string Stats;
    std::string History;
    std::string Orders;
    std::string Timestamp;
    bool HasTimestamp = false;
};

CLI::Option* AddReport(CLI::App& Command, const std::string& Name, std::string& Value, const std::string& What)
{
    return AddValue(Command, Name, Value, "FILE|-",
                    "Writes the " + What +
                        " to FILE (lines ended by a carriage return) or, with -, to standard output");
}

// Reports aimed at one file would replace each other, and one aimed at the model would replace it:
// refused before anything runs. Standard output takes any number of reports, one after the other.
bool TargetsDistinct(const std::vector<std::pair<std::string, std::string>>& Reports, const std::string& ModelPath,
                     std::ostream& Err)
{
    for (std::size_t I = 0; I < Reports.size(); ++I) {
        const auto& [Option, Target] = Reports[I];
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

int CommandRun(const TOptions& O, const std::vector<std::pair<std::string, std::string>>& Reports, TStdout& Out,
               std::ostream& Err, const TCliEnvironment& Env)
{
    // Malformed settings are a usage error, refused before the model is read; the checked run
    // below applies the same checks again.
    TRunSettings Settings;
    if (!CheckSettingOptions("run", O.Settings, Settings, Err)) {
        return ExitUsage;
    }
    if (!TargetsDistinct(Reports, O.Model, Err)) {
        return ExitUsage;
    }
    // A report that could not be written is found before the run, not after it.
    for (const auto& [Option, Target] : Reports) {
        if (Target == StdoutName) {
            continue;
        }
        if (const TFileResult Check = CheckCanWrite(Target); !Check.Ok) {
            Err << Program << " run: " << Option << ": " << OneLine(Check.Message) << '\n';
            return ExitFailed;
        }
    }
    TConsoleDialogs Dialogs(Err, !O.Strict, O.Model);
    TSimulation Model(Dialogs);
    if (!Load(Model, O.Model, O.Strict, Dialogs, Err)) {
        return ExitFailed;
    }
    if (O.ForceCST) {
        Model.SetForceCST(true);
    }
    const std::optional<TCostTotals> Costs = RunChecked(Model, O.Settings, Dialogs);
    if (!Costs) {
        if (Dialogs.Errors() == 0) {  // refused by an answer, with no error shown
            Err << Program << ": " << O.Model << ": the run was refused by the model checks.\n";
        }
        return ExitFailed;
    }
    const char Sep = Env.DecimalSep;
    for (const TCostLine& Line : CostTotalsLines(*Costs, Sep)) {
        *Out << Line.Caption << ' ' << Line.Value << '\n';
    }
    bool Written = Out.Flush();
    const std::string& DateTime = O.HasTimestamp ? O.Timestamp : Env.DateTime;
    for (const auto& [Option, Target] : Reports) {
        const std::vector<std::string> Lines = Option == "--stats"     ? BuildStatsReport(Model, DateTime, Sep)
                                               : Option == "--history" ? BuildHistoryText(Model, DateTime, Sep)
                                                                       : BuildOrderHistoryText(Model, DateTime);
        Written = WriteReport(Lines, Target, Out, Err) && Written;
    }
    return Written ? ExitOk : ExitFailed;
}

int CommandCheck(const TOptions& O, TStdout& Out, std::ostream& Err)
{
    // The checks and load warnings are this command's output: they go to standard output.
    TConsoleDialogs Dialogs(*Out, !O.Strict, O.Model);
    TSimulation Model(Dialogs);
    const std::optional<TLoadResult> Loaded = LoadOrReport(Model, O.Model, Dialogs, Err);
    if (!Loaded) {
        return ExitFailed;
    }
    const bool Allowed = (!O.Strict || Loaded->Warning.empty()) && CheckModel(Model, Dialogs);
    *Out << (Allowed ? "The run may go ahead.\n" : "The run is refused.\n");
    Out.Flush();
    return Allowed ? ExitOk : ExitFailed;
}

int CommandConvert(const TOptions& O, TStdout& Out, std::ostream& Err)
{
    TConsoleDialogs Dialogs(Err, true, O.Model);
    TSimulation Model(Dialogs);
    if (!Load(Model, O.Model, false, Dialogs, Err)) {
        return ExitFailed;
    }
    if (O.NewModel == StdoutName) {
        *Out << ModelFileText(Model);
        return Out.Flush() ? ExitOk : ExitFailed;
    }
    const TFileResult Saved = SaveModel(Model, O.NewModel);
    if (!Saved.Ok) {
        Err << Program << ": " << OneLine(Saved.Message) << '\n';
        return ExitFailed;
    }
    *Out << "Wrote " << O.NewModel << " (v2.4, " << Model.NumStages()
         << (Model.NumStages() == 1 ? " stage).\n" : " stages).\n");
    Out.Flush();
    return ExitOk;
}

int CommandParams(const TOptions& O, TStdout& Out, std::ostream& Err, const TCliEnvironment& Env)
{
    TConsoleDialogs Dialogs(Err, true, O.Model);
    TSimulation Model(Dialogs);
    if (!Load(Model, O.Model, false, Dialogs, Err)) {
        return ExitFailed;
    }
    *Out << (O.HasTimestamp ? O.Timestamp : Env.DateTime) << '\n';
    for (const std::string& Line : BuildModelParamTable(Model, Env.DecimalSep)) {
        *Out << Line << '\n';
    }
    Out.Flush();
    return ExitOk;
}

}  // namespace

int RunCli(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err, const TCliEnvironment& Env)
{
    CLI::App App("Simulates multi-stage inventory networks stored in model files.", Program);
    App.set_version_flag("--version", Program + " 2.4");
    App.require_subcommand(1);
    App.footer("FILE - means standard output. 'orvantis-cli COMMAND --help' describes a command.\n"
               "Exit codes: 0 success, 1 refused or failed, 2 usage error.");
    TOptions O;

    CLI::App* Run = App.add_subcommand("run", "Runs a model and prints the five cost totals");
    Run->add_option("MODEL", O.Model, "The model file")->required();
    AddRunSettings(*Run, O.Settings, "Number of periods, 1 to 9999 (default 1000)",
                   "Random seed: 0 (default) from the clock; a negative seed continues the model's sequence, which "
                   "here starts where every new model's does");
    Run->add_flag("--force-cst", O.ForceCST, "Sets \"Service Time >= CST\" for this run");
    Run->add_flag("--strict", O.Strict,
                  "Answers No to the model checks' questions and refuses a file that ends early or holds more "
                  "than a model");
    CLI::Option* Stats = AddReport(*Run, "--stats", O.Stats, "statistics report");
    CLI::Option* History = AddReport(*Run, "--history", O.History, "History");
    CLI::Option* Orders = AddReport(*Run, "--orders", O.Orders, "Order History");
    CLI::Option* RunTimestamp = AddTimestamp(*Run, O.Timestamp);
    Run->footer("The costs are means per measured period of the whole network. The model checks print their "
                "questions on standard error and answer Yes.");

    CLI::App* Check = App.add_subcommand("check", "Prints the model checks and load warnings; exit 1 on a refusal");
    Check->add_option("MODEL", O.Model, "The model file")->required();
    Check->add_flag("--strict", O.Strict, "Answers No to the checks' questions and refuses a load warning");

    CLI::App* Convert = App.add_subcommand("convert", "Writes a model file of any version as a current (v2.4) one");
    Convert->add_option("OLD", O.Model, "The model file to read")->required();
    Convert->add_option("NEW", O.NewModel, "The file to write, or - for standard output")
        ->required()
        ->type_name("FILE|-");

    CLI::App* Params = App.add_subcommand("params", "Prints the table of every stage's parameters");
    Params->add_option("MODEL", O.Model, "The model file")->required();
    CLI::Option* ParamsTimestamp = AddTimestamp(*Params, O.Timestamp);

    const TBatchCommand Batch(App);

    const std::vector<CLI::App*> Commands = {Run, Check, Convert, Params, Batch.App()};
    for (CLI::App* C : Commands) {
        C->allow_extras();  // reported below in the user's order, unknown options first
    }
    TStdout Stdout(Out);
    if (Args.empty()) {
        Err << App.help();
        return ExitUsage;
    }
    std::string Command;
    if (Args[0].empty() || Args[0][0] != '-') {
        Command = Args[0];
        if (std::none_of(Commands.begin(), Commands.end(), [&](CLI::App* C) { return C->get_name() == Command; })) {
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
    for (CLI::App* C : Commands) {
        const std::vector<std::string> Extra = C->remaining();
        if (!Extra.empty()) {
            const bool Option = Extra[0].size() > 1 && Extra[0][0] == '-';
            return Usage(Err, Command, (Option ? "unknown option " : "unexpected argument ") + Extra[0]);
        }
    }

    O.HasTimestamp = RunTimestamp->count() + ParamsTimestamp->count() > 0;
    int Code = ExitOk;
    // Whatever a command throws (memory or threads the system would not give) ends it with one
    // line and the failure code, never through std::terminate.
    try {
        if (Run->parsed()) {
            std::vector<std::pair<std::string, std::string>> Reports;
            for (const auto& [Option, Target] : {std::pair{Stats, O.Stats}, {History, O.History}, {Orders, O.Orders}}) {
                if (Option->count() > 0) {
                    Reports.emplace_back(Option->get_name(), Target);
                }
            }
            Code = CommandRun(O, Reports, Stdout, Err, Env);
        } else if (Check->parsed()) {
            Code = CommandCheck(O, Stdout, Err);
        } else if (Convert->parsed()) {
            Code = CommandConvert(O, Stdout, Err);
        } else if (Params->parsed()) {
            Code = CommandParams(O, Stdout, Err, Env);
        } else if (Batch.App()->parsed()) {
            Code = Batch.Run(Stdout, Err, Env);
        }
    } catch (const std::bad_alloc&) {
        Err << Program << ": " << Command << ": not enough memory\n";
        return ExitFailed;
    } catch (const std::exception& E) {
        Err << Program << ": " << Command << ": " << OneLine(E.what()) << '\n';
        return ExitFailed;
    }
    if (Stdout.Error() != 0) {
        Err << Program << ": cannot write to standard output: " << std::strerror(Stdout.Error()) << ".\n";
        return ExitFailed;
    }
    return Code;
}
