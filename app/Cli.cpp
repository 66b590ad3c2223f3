#include "app/Cli.h"

#include <map>
#include <optional>
#include <ostream>

#include "text/GeneralProcs.h"
#include "engine/RunSettings.h"
#include "engine/Simulation.h"
#include "model_files/CheckModel.h"
#include "model_files/CheckedRun.h"
#include "model_files/ModelFile.h"
#include "platform/Dialogs.h"
#include "platform/TextFile.h"
#include "reports/HistoryReport.h"
#include "reports/ModelParamTable.h"
#include "reports/StatsReport.h"

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

const char* const HelpText =
    "Usage: orvantis-cli COMMAND ...\n"
    "\n"
    "Commands:\n"
    "  run MODEL [--periods N] [--warmup W] [--seed S] [--force-cst] [--strict]\n"
    "            [--stats FILE|-] [--history FILE|-] [--orders FILE|-] [--timestamp TEXT]\n"
    "      Runs the model and prints the five cost totals (mean cost per measured period).\n"
    "      Defaults: 1000 periods, warm-up 100, seed 0 (from the clock; a negative seed\n"
    "      continues the current sequence). --force-cst sets \"Service Time >= CST\".\n"
    "      The model checks print their questions on standard error and answer Yes;\n"
    "      --strict answers No, which refuses the run.\n"
    "      --stats, --history, --orders write the statistics report, the History and the\n"
    "      Order History text to FILE (lines ended by a carriage return) or, with -, to\n"
    "      standard output. --timestamp replaces their date and time line.\n"
    "  check MODEL [--strict]\n"
    "      Prints every model check that fires; exit 0 when a run may go ahead, 1 otherwise.\n"
    "  convert OLD NEW\n"
    "      Reads a model file of any version and writes it as a current (v2.4) file.\n"
    "  params MODEL [--timestamp TEXT]\n"
    "      Prints the date and time line and the table of every stage's parameters.\n"
    "\n"
    "Exit codes: 0 success, 1 refused or failed, 2 usage error.\n";

// Message boxes on a terminal: texts on one stream, carriage returns as line breaks, every
// question answered as told and the answer shown.
class TConsoleDialogs final : public Dialogs {
public:
    TConsoleDialogs(std::ostream& Stream, bool Answer) : Stream_(Stream), Answer_(Answer) {}

    void ShowError(const std::string& Text) override { Stream_ << "Error: " << Lines(Text) << '\n'; }
    void ShowInfo(const std::string& Text) override { Stream_ << Lines(Text) << '\n'; }
    bool AskYesNo(const std::string& Text) override
    {
        Stream_ << Lines(Text) << '\n'
                << (Answer_ ? "-> answered Yes (--strict answers No)" : "-> answered No (--strict)") << '\n';
        return Answer_;
    }

private:
    static std::string Lines(std::string Text)
    {
        for (char& C : Text) {
            if (C == '\r') {
                C = '\n';
            }
        }
        return Text;
    }

    std::ostream& Stream_;
    bool Answer_;
};

// The parsed command line: the command's operands and its options.
struct TParsed {
    std::vector<std::string> Operands;
    std::map<std::string, std::string> Values;  // options with a value
    std::map<std::string, bool> Flags;          // options without one
};

// Splits Args into operands and the allowed options; false with a message on anything else.
bool Parse(const std::vector<std::string>& Args, const std::vector<std::string>& ValueOptions,
           const std::vector<std::string>& FlagOptions, TParsed& Parsed, std::string& Error)
{
    auto Contains = [](const std::vector<std::string>& List, const std::string& Item) {
        for (const std::string& L : List) {
            if (L == Item) {
                return true;
            }
        }
        return false;
    };
    for (std::size_t I = 1; I < Args.size(); ++I) {
        const std::string& A = Args[I];
        if (A.size() > 2 && A.rfind("--", 0) == 0) {
            std::string Name = A;
            std::optional<std::string> Inline;
            const std::size_t Eq = A.find('=');
            if (Eq != std::string::npos) {
                Name = A.substr(0, Eq);
                Inline = A.substr(Eq + 1);
            }
            if (Contains(ValueOptions, Name)) {
                if (Inline) {
                    Parsed.Values[Name] = *Inline;
                } else if (I + 1 < Args.size()) {
                    Parsed.Values[Name] = Args[++I];
                } else {
                    Error = "option " + Name + " needs a value";
                    return false;
                }
            } else if (Contains(FlagOptions, Name) && !Inline) {
                Parsed.Flags[Name] = true;
            } else {
                Error = "unknown option " + A;
                return false;
            }
        } else {
            Parsed.Operands.push_back(A);
        }
    }
    return true;
}

int Usage(std::ostream& Err, const std::string& Problem)
{
    Err << "orvantis-cli: " << Problem << "\nTry 'orvantis-cli --help'.\n";
    return ExitUsage;
}

// Parses a command's arguments and checks that it got Operands operands; on a usage error
// reports it (Why names what the command takes) and returns nothing.
std::optional<TParsed> ParseCommand(const std::vector<std::string>& Args, const std::vector<std::string>& ValueOptions,
                                    const std::vector<std::string>& FlagOptions, std::size_t Operands,
                                    const std::string& Why, std::ostream& Err)
{
    TParsed P;
    std::string Error;
    if (!Parse(Args, ValueOptions, FlagOptions, P, Error)) {
        Usage(Err, Error);
        return std::nullopt;
    }
    if (P.Operands.size() != Operands) {
        Usage(Err, Why);
        return std::nullopt;
    }
    return P;
}

// Loads Path into Model; on failure reports it and returns false.
bool Load(TSimulation& Model, const std::string& Path, Dialogs& Notices, std::ostream& Err)
{
    const TLoadResult Result = LoadModel(Model, Path, Notices);
    if (!Result.Ok) {
        Err << "orvantis-cli: " << Path << ": " << Result.Message << '\n';
        return false;
    }
    return true;
}

// Writes a report to Target: "-" is standard output with line feeds, anything else a file with
// the program's carriage-return line ends.
bool WriteReport(const std::vector<std::string>& Lines, const std::string& Target, std::ostream& Out,
                 std::ostream& Err)
{
    if (Target == "-") {
        for (const std::string& Line : Lines) {
            Out << Line << '\n';
        }
        return true;
    }
    const TFileResult Result = WriteLinesCR(Target, Lines);
    if (!Result.Ok) {
        Err << "orvantis-cli: " << Result.Message << '\n';
        return false;
    }
    return true;
}

std::string TextOr(const TParsed& P, const std::string& Name, const std::string& Default)
{
    const auto It = P.Values.find(Name);
    return It == P.Values.end() ? Default : It->second;
}

int CommandRun(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err, const TCliEnvironment& Env)
{
    std::optional<TParsed> Parsed =
        ParseCommand(Args, {"--periods", "--warmup", "--seed", "--stats", "--history", "--orders", "--timestamp"},
                     {"--force-cst", "--strict"}, 1, "run takes one model file", Err);
    if (!Parsed) {
        return ExitUsage;
    }
    const TParsed& P = *Parsed;
    const TRunSettingsTexts Texts{TextOr(P, "--seed", "0"), TextOr(P, "--periods", "1000"),
                                  TextOr(P, "--warmup", "100")};
    TRunSettings Settings;
    const TSettingsCheck Check = CheckSettings(Texts, Settings);
    if (!Check.Ok()) {
        return Usage(Err, Check.Message);
    }
    TConsoleDialogs Dialogs(Err, !P.Flags.count("--strict"));
    TSimulation Model(Dialogs);
    const std::string& Path = P.Operands[0];
    if (!Load(Model, Path, Dialogs, Err)) {
        return ExitFailed;
    }
    if (P.Flags.count("--force-cst")) {
        Model.SetForceCST(true);
    }
    const std::optional<TCostTotals> Ran = RunChecked(Model, Texts, Dialogs);
    if (!Ran) {
        Err << "orvantis-cli: " << Path << ": the run was refused by the model checks.\n";
        return ExitFailed;
    }
    const TCostTotals& Costs = *Ran;
    const char Sep = Env.DecimalSep;
    Out << "Order: " << FormatFixed(Costs.OrderCost, 2, Sep) << '\n'
        << "Holding: " << FormatFixed(Costs.HoldingCost, 2, Sep) << '\n'
        << "WIP Holding: " << FormatFixed(Costs.WIPHoldingCost, 2, Sep) << '\n'
        << "Stockout: " << FormatFixed(Costs.StockoutCost, 2, Sep) << '\n'
        << "Total: " << FormatFixed(Costs.TotalCost, 2, Sep) << '\n';
    const std::string DateTime = TextOr(P, "--timestamp", Env.DateTime);
    bool Written = true;
    if (P.Values.count("--stats")) {
        Written = WriteReport(BuildStatsReport(Model, DateTime, Sep), P.Values.at("--stats"), Out, Err) && Written;
    }
    if (P.Values.count("--history")) {
        Written = WriteReport(BuildHistoryText(Model, DateTime, Sep), P.Values.at("--history"), Out, Err) && Written;
    }
    if (P.Values.count("--orders")) {
        Written = WriteReport(BuildOrderHistoryText(Model, DateTime), P.Values.at("--orders"), Out, Err) && Written;
    }
    return Written ? ExitOk : ExitFailed;
}

int CommandCheck(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err)
{
    const std::optional<TParsed> Parsed = ParseCommand(Args, {}, {"--strict"}, 1, "check takes one model file", Err);
    if (!Parsed) {
        return ExitUsage;
    }
    const TParsed& P = *Parsed;
    // The checks are this command's output: they go to standard output.
    TConsoleDialogs Dialogs(Out, !P.Flags.count("--strict"));
    TSimulation Model(Dialogs);
    if (!Load(Model, P.Operands[0], Dialogs, Err)) {
        return ExitFailed;
    }
    if (!CheckModel(Model, Dialogs)) {
        Out << "The run is refused.\n";
        return ExitFailed;
    }
    Out << "The run may go ahead.\n";
    return ExitOk;
}

int CommandConvert(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err)
{
    const std::optional<TParsed> Parsed =
        ParseCommand(Args, {}, {}, 2, "convert takes an old and a new model file", Err);
    if (!Parsed) {
        return ExitUsage;
    }
    const TParsed& P = *Parsed;
    TConsoleDialogs Dialogs(Err, true);
    TSimulation Model(Dialogs);
    if (!Load(Model, P.Operands[0], Dialogs, Err)) {
        return ExitFailed;
    }
    const TFileResult Saved = SaveModel(Model, P.Operands[1]);
    if (!Saved.Ok) {
        Err << "orvantis-cli: " << Saved.Message << '\n';
        return ExitFailed;
    }
    Out << "Wrote " << P.Operands[1] << " (v2.4, " << Model.NumStages() << (Model.NumStages() == 1 ? " stage).\n" : " stages).\n");
    return ExitOk;
}

int CommandParams(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err, const TCliEnvironment& Env)
{
    const std::optional<TParsed> Parsed = ParseCommand(Args, {"--timestamp"}, {}, 1, "params takes one model file", Err);
    if (!Parsed) {
        return ExitUsage;
    }
    const TParsed& P = *Parsed;
    TConsoleDialogs Dialogs(Err, true);
    TSimulation Model(Dialogs);
    if (!Load(Model, P.Operands[0], Dialogs, Err)) {
        return ExitFailed;
    }
    Out << TextOr(P, "--timestamp", Env.DateTime) << '\n';
    for (const std::string& Line : BuildModelParamTable(Model, Env.DecimalSep)) {
        Out << Line << '\n';
    }
    return ExitOk;
}

}  // namespace

int RunCli(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err, const TCliEnvironment& Env)
{
    if (Args.empty()) {
        Err << HelpText;
        return ExitUsage;
    }
    const std::string& Command = Args[0];
    if (Command == "--help" || Command == "-h" || Command == "help") {
        Out << HelpText;
        return ExitOk;
    }
    if (Command == "--version") {
        Out << "orvantis-cli 2.4\n";
        return ExitOk;
    }
    if (Command == "run") {
        return CommandRun(Args, Out, Err, Env);
    }
    if (Command == "check") {
        return CommandCheck(Args, Out, Err);
    }
    if (Command == "convert") {
        return CommandConvert(Args, Out, Err);
    }
    if (Command == "params") {
        return CommandParams(Args, Out, Err, Env);
    }
    return Usage(Err, "unknown command '" + Command + "'");
}
