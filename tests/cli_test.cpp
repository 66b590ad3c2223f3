// orvantis-cli driven in-process (exit codes, the exact refusal texts, outputs and files) and, where
// the program itself matters (signals, locale, standard output), as a child process.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/Cli.h"
#include "text/NumberText.h"
#include "engine/ParamCatalogue.h"
#include "engine/Simulation.h"
#include "checks/CheckedRun.h"
#include "model_files/ModelFile.h"
#include "platform/Dialogs.h"
#include "reports/CsvTables.h"
#include "support/CliRun.h"

namespace fs = std::filesystem;

namespace {

TCliResult Cli(const std::vector<std::string>& Args, char Sep = '.')
{
    TCliEnvironment Env;
    Env.DecimalSep = Sep;
    Env.DateTime = "clock text";
    return RunCliCaptured(Args, Env);
}

std::string Example(const std::string& Name)
{
    return std::string(ORVANTIS_EXAMPLES_DIR) + "/" + Name;
}

std::string Data(const std::string& Name)
{
    return std::string(ORVANTIS_TEST_DATA_DIR) + "/" + Name;
}

std::string ReadBytes(const fs::path& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), {});
}

void WriteBytes(const fs::path& Path, const std::string& Bytes)
{
    std::ofstream(Path, std::ios::binary) << Bytes;
}

std::size_t Count(const std::string& Text, const std::string& Part)
{
    std::size_t N = 0;
    for (std::size_t At = Text.find(Part); At != std::string::npos; At = Text.find(Part, At + 1)) {
        ++N;
    }
    return N;
}

// A fresh directory for the files one test writes.
struct TTempDir {
    fs::path Path;
    explicit TTempDir(const std::string& Name)
        : Path(fs::temp_directory_path() / ("orvantis_cli_" + Name + "_" + std::to_string(::getpid())))
    {
        fs::remove_all(Path);
        fs::create_directories(Path);
    }
    ~TTempDir() { fs::remove_all(Path); }
};

// The program itself, run as a child: its standard output goes to StdoutFd, Env (NAME=VALUE) is
// its whole environment. Returns the exit code (128 + the signal when a signal ended it) and what
// it wrote to standard error.
TCliResult RunProgram(const std::vector<std::string>& Args, int StdoutFd, std::vector<std::string> Env)
{
    const TTempDir Dir("child");
    const fs::path ErrFile = Dir.Path / "stderr";
    Env.push_back("PATH=/usr/bin:/bin");
    // A sanitizer build's settings (leak suppressions, say) hold for the program it starts too.
    for (const char* Name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"}) {
        if (const char* Value = std::getenv(Name)) {
            Env.push_back(std::string(Name) + "=" + Value);
        }
    }
    const pid_t Child = ::fork();
    if (Child == 0) {
        const int ErrFd = ::open(ErrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(StdoutFd, 1);
        ::dup2(ErrFd, 2);
        std::signal(SIGPIPE, SIG_DFL);  // as a shell starts it; an ignored signal would stay ignored
        std::vector<char*> Argv{const_cast<char*>(ORVANTIS_CLI_PATH)};
        for (const std::string& A : Args) {
            Argv.push_back(const_cast<char*>(A.c_str()));
        }
        Argv.push_back(nullptr);
        std::vector<char*> Envp;
        for (const std::string& E : Env) {
            Envp.push_back(const_cast<char*>(E.c_str()));
        }
        Envp.push_back(nullptr);
        ::execve(ORVANTIS_CLI_PATH, Argv.data(), Envp.data());
        ::_exit(127);
    }
    int Status = 0;
    ::waitpid(Child, &Status, 0);
    TCliResult R;
    R.Code = WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
    R.Err = ReadBytes(ErrFile);
    return R;
}

// Cost totals as the command line prints them.
std::string CostLines(const TCostTotals& C)
{
    return "Order: " + FormatFixed(C.OrderCost, 2, '.') + "\nHolding: " + FormatFixed(C.HoldingCost, 2, '.') +
           "\nWIP Holding: " + FormatFixed(C.WIPHoldingCost, 2, '.') + "\nStockout: " +
           FormatFixed(C.StockoutCost, 2, '.') + "\nTotal: " + FormatFixed(C.TotalCost, 2, '.') + "\n";
}

// The cost lines of a run of Model through the core.
std::string CoreCosts(TSimulation& Model, int32_t Periods, int32_t WarmUp, int64_t Seed)
{
    return CostLines(Model.RunSimulation(Periods, WarmUp, Seed));
}

}  // namespace

TEST(Cli, UsageErrorsExitWithTwoOnOneLineAndDoNothing)
{
    const std::string Model = Example("assembly.txt");
    const struct {
        std::vector<std::string> Args;
        std::string Problem;
    } Cases[] = {
        {{"frobnicate"}, "orvantis-cli: unknown command frobnicate"},
        {{"run"}, "orvantis-cli run: MODEL is required"},
        {{"run", Model, "--periods"}, "orvantis-cli run: --periods: 1 required N missing"},
        {{"run", Model, "--stats", "--history", "h.txt"},
         "orvantis-cli run: --stats: expects a value, found --history"},
        {{"run", Model, "--seed", "-h"}, "orvantis-cli run: --seed: expects a value, found -h"},
        {{"run", Model, "--speed", "9"}, "orvantis-cli run: unknown option --speed"},
        {{"run", Model, "--stats", "a.txt", "--stats", "b.txt"}, "orvantis-cli run: --stats: At Most 1 required"},
        {{"check", Model, "extra"}, "orvantis-cli check: unexpected argument extra"},
        {{"convert", "only-one"}, "orvantis-cli convert: NEW is required"},
        {{"params", Model, "--strict"}, "orvantis-cli params: unknown option --strict"},
        {{"params"}, "orvantis-cli params: MODEL is required"},
        {{"params", Model, "--names"}, "orvantis-cli params: --names takes neither MODEL nor --timestamp"},
    };
    for (const auto& C : Cases) {
        const TCliResult R = Cli(C.Args);
        EXPECT_EQ(R.Code, 2) << C.Problem;
        EXPECT_EQ(R.Err.rfind(C.Problem, 0), 0u) << R.Err;
        EXPECT_EQ(Count(R.Err, "\n"), 1u) << R.Err;
        EXPECT_TRUE(R.Out.empty()) << R.Out;
    }
    EXPECT_FALSE(fs::exists("--history"));
    const TCliResult Nothing = Cli({});
    EXPECT_EQ(Nothing.Code, 2);
    EXPECT_NE(Nothing.Err.find("Usage: orvantis-cli"), std::string::npos);
}

TEST(Cli, EveryCommandHasItsOwnHelpAndTheProgramItsVersion)
{
    for (const char* Command : {"run", "check", "convert", "params"}) {
        const TCliResult R = Cli({Command, "--help"});
        EXPECT_EQ(R.Code, 0) << Command;
        EXPECT_NE(R.Out.find(std::string("Usage: orvantis-cli ") + Command + " [OPTIONS]"), std::string::npos) << R.Out;
    }
    EXPECT_NE(Cli({"run", "-h"}).Out.find("--force-cst"), std::string::npos);
    EXPECT_NE(Cli({"--help"}).Out.find("convert"), std::string::npos);
    EXPECT_EQ(Cli({"--version"}).Out, "orvantis-cli 2.4\n");
}

TEST(Cli, RunSettingsAreRefusedWithTheWindowsTextsNamingTheOption)
{
    const std::string Model = Example("assembly.txt");
    const std::string Periods = "--periods: You must enter an integer number of periods between 1 and 9999.";
    const struct {
        std::vector<std::string> Options;
        std::string Refusal;
    } Cases[] = {
        // The seed is examined first: only its message is shown.
        {{"--seed", "x1", "--periods", "0"},
         "--seed: You must enter an integer RandSeed (or set to 0 to generate randomly)."},
        {{"--periods", "0"}, Periods},
        {{"--periods", "10000"}, Periods},
        {{"--periods", "ten"}, Periods},
        {{"--periods", ""}, Periods},
        {{"--periods", "2.5"}, Periods},
        {{"--warmup", "0"},
         "--warmup: You must enter an integer number of periods between 1 and the number of periods in your "
         "simulation (1000)."},
        {{"--periods", "5", "--warmup=6"},
         "--warmup: You must enter an integer number of periods between 1 and the number of periods in your "
         "simulation (5)."},
    };
    for (const auto& C : Cases) {
        std::vector<std::string> Args = {"run", Model};
        Args.insert(Args.end(), C.Options.begin(), C.Options.end());
        const TCliResult R = Cli(Args);
        EXPECT_EQ(R.Code, 2);
        EXPECT_EQ(R.Err, "orvantis-cli run: " + C.Refusal + "\n");
        EXPECT_TRUE(R.Out.empty());  // nothing ran
    }
}

TEST(Cli, RunPrintsTheFiveCostsAndRepeatsWithTheSameSeed)
{
    const TCliResult First = Cli({"run", Example("distribution.txt"), "--seed", "7", "--periods", "300", "--warmup", "300"});
    ASSERT_EQ(First.Code, 0) << First.Err;
    // Warm-up covering the whole run: nothing is measured.
    EXPECT_EQ(First.Out, "Order: 0.00\nHolding: 0.00\nWIP Holding: 0.00\nStockout: 0.00\nTotal: 0.00\n");
    const TCliResult A = Cli({"run", Example("distribution.txt"), "--seed", "7", "--periods", "300"}, ',');
    const TCliResult B = Cli({"run", Example("distribution.txt"), "--seed", "7", "--periods", "300"}, ',');
    EXPECT_EQ(A.Out, B.Out);
    EXPECT_NE(A.Out.find("Total: "), std::string::npos);
    EXPECT_NE(A.Out.find(','), std::string::npos);  // the locale's separator
    EXPECT_EQ(A.Out.find('.'), std::string::npos);
}

TEST(Cli, NegativeSeedContinuesTheModelsSequence)
{
    const std::string Path = Example("serial_chain.txt");
    TSilentDialogs Yes(true);  // answers "Reset current simulation and re-run?"
    TSimulation Model;
    ASSERT_TRUE(LoadModel(Model, Path, Yes).Ok);
    // The checked run that the command line and the main window use, twice on one model.
    ASSERT_TRUE(RunChecked(Model, {"7", "60", "5"}, Yes));
    const uint32_t Left = Model.RandSeed();
    const std::optional<TCostTotals> Continued = RunChecked(Model, {"-1", "60", "5"}, Yes);
    ASSERT_TRUE(Continued);
    // A fresh model seeded with the state the first run left gives the same run.
    TSimulation Fresh;
    ASSERT_TRUE(LoadModel(Fresh, Path, Yes).Ok);
    ASSERT_GT(Left, 0u);
    EXPECT_EQ(CoreCosts(Fresh, 60, 5, Left), CostLines(*Continued));
    EXPECT_NE(Cli({"run", Path, "--seed", "7", "--periods", "60", "--warmup", "5"}).Out, CostLines(*Continued));
    // A program that has just started continues from the generator's start.
    TSimulation Started;
    ASSERT_TRUE(LoadModel(Started, Path, Yes).Ok);
    EXPECT_EQ(Cli({"run", Path, "--seed", "-5", "--periods", "60", "--warmup", "5"}).Out,
              CoreCosts(Started, 60, 5, -5));
}

TEST(Cli, ForceCstSetsTheModelsOptionForTheRun)
{
    TTempDir Dir("force");
    // The distribution example has "Service Time >= CST" on; without it the costs differ.
    std::string Bytes = ReadBytes(Example("distribution.txt"));
    ASSERT_EQ(Bytes.find("\r5 1\r"), 4u);
    const fs::path Off = Dir.Path / "off.txt";
    WriteBytes(Off, Bytes.replace(4, 5, "\r5 0\r"));
    const std::vector<std::string> Settings = {"--seed", "3", "--periods", "200", "--warmup", "10"};
    auto Costs = [&](std::vector<std::string> Args) {
        Args.insert(Args.begin(), "run");
        Args.insert(Args.end(), Settings.begin(), Settings.end());
        const TCliResult R = Cli(Args);
        EXPECT_EQ(R.Code, 0) << R.Err;
        return R.Out;
    };
    const std::string On = Costs({Example("distribution.txt")});
    EXPECT_NE(Costs({Off.string()}), On);
    EXPECT_EQ(Costs({Off.string(), "--force-cst"}), On);
}

TEST(Cli, ModelChecksAskOnStandardErrorAndStrictRefuses)
{
    // Stage 1 of this file has fixed and product cost but no customer: two questions.
    const TCliResult Yes = Cli({"run", Data("model_v24.txt"), "--periods", "20", "--warmup", "1", "--seed", "1"});
    EXPECT_EQ(Yes.Code, 0);
    EXPECT_NE(Yes.Err.find("fixed cost > 0 but no customer.  Are you sure you want to proceed?\n\n(Fixed costs"),
              std::string::npos);
    EXPECT_NE(Yes.Err.find("answered Yes"), std::string::npos);
    const TCliResult No = Cli({"run", Data("model_v24.txt"), "--strict"});
    EXPECT_EQ(No.Code, 1);
    EXPECT_TRUE(No.Out.empty());
    EXPECT_EQ(No.Err.find("product cost"), std::string::npos);  // stopped at the first No
    EXPECT_NE(No.Err.find("orvantis-cli: " + Data("model_v24.txt") + ": the run was refused by the model checks.\n"),
              std::string::npos);
    const TCliResult Check = Cli({"check", Data("model_v24.txt")});
    EXPECT_EQ(Check.Code, 0);
    EXPECT_NE(Check.Out.find("product cost > 0 but no customer"), std::string::npos);
    EXPECT_NE(Check.Out.find("The run may go ahead."), std::string::npos);
    EXPECT_EQ(Cli({"check", Data("model_v24.txt"), "--strict"}).Code, 1);
    EXPECT_EQ(Cli({"check", Example("serial_chain.txt")}).Out, "The run may go ahead.\n");
}

TEST(Cli, ImpossibleValuesInAFileLoadButAreRefusedBeforeTheRun)
{
    TTempDir Dir("ranges");
    const std::string Path = (Dir.Path / "model.txt").string();
    // The serial chain with one parameter of stage 2 changed, written as the program writes it.
    auto WriteChain = [&](int Index, double Value) {
        TSilentDialogs Quiet;
        TSimulation Model;
        ASSERT_TRUE(LoadModel(Model, Example("serial_chain.txt"), Quiet).Ok);
        Model.SetParam(2, Index, Value);
        ASSERT_TRUE(SaveModel(Model, Path).Ok);
    };
    const struct {
        int Index;
        double Value;
        std::string Refusal;
    } Cases[] = {
        {ParamProcTime, -2, "Stage 2 has Proc Time = -2; Proc Time cannot be negative."},
        {ParamProcCapacity, -1, "Stage 2 has Proc Capac = -1; Proc Capac cannot be negative."},
        {ParamCommittedServiceTime, -1, "Stage 2 has Com Serv Time = -1; Com Serv Time cannot be negative."},
        {ParamDemandSD, -0.5, "Stage 2 has Dem StdDev = -0.5; Dem StdDev cannot be negative."},
        {ParamFailureProb, 1.5, "Stage 2 has Failure Prob = 1.5; Failure Prob must be between 0 and 1."},
        {ParamRecoveryProb, -0.5, "Stage 2 has Recovery Prob = -0.5; Recovery Prob must be between 0 and 1."},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Refusal);
        WriteChain(C.Index, C.Value);
        const TCliResult Check = Cli({"check", Path});
        EXPECT_EQ(Check.Code, 1);
        EXPECT_EQ(Check.Out, "orvantis-cli: " + Path + ": " + C.Refusal + "\nThe run is refused.\n");
        const TCliResult Run = Cli({"run", Path, "--seed", "1", "--periods", "20", "--warmup", "1"});
        EXPECT_EQ(Run.Code, 1);
        EXPECT_EQ(Run.Err, "orvantis-cli: " + Path + ": " + C.Refusal + "\n");
        EXPECT_TRUE(Run.Out.empty());
    }
    // A negative cost may be a deliberate reward: asked, not refused.
    WriteChain(ParamHoldingCost, -1);
    const TCliResult Yes = Cli({"run", Path, "--seed", "1", "--periods", "20", "--warmup", "1"});
    EXPECT_EQ(Yes.Code, 0);
    EXPECT_EQ(Yes.Err,
              "At least one stage in your model has a negative cost.  Are you sure you want to proceed?\n\n"
              "(A negative cost acts as a reward.)\n-> answered Yes (--strict answers No)\n");
    EXPECT_NE(Yes.Out.find("Total: "), std::string::npos);
    const TCliResult Strict = Cli({"run", Path, "--seed", "1", "--periods", "20", "--warmup", "1", "--strict"});
    EXPECT_EQ(Strict.Code, 1);
    EXPECT_TRUE(Strict.Out.empty());
}

TEST(Cli, FailuresNameTheFileOnceOnOneLine)
{
    TTempDir Dir("bad");
    const std::string Bad = (Dir.Path / "bad.txt").string();
    WriteBytes(Bad, "v2.4\r1 0\r1 0 x");
    const std::string Empty = (Dir.Path / "empty.txt").string();
    WriteBytes(Empty, "");
    const std::string Stage0 = (Dir.Path / "no_stage.txt").string();
    WriteBytes(Stage0, "v2.4\r0 0\r");
    const std::string Missing = (Dir.Path / "missing.txt").string();
    const struct {
        std::vector<std::string> Args;
        std::string File;
        std::string Err;
    } Cases[] = {
        {{"run", Missing}, Missing, "orvantis-cli: Cannot read file " + Missing + ": No such file or directory.\n"},
        {{"check", Bad}, Bad,
         "orvantis-cli: " + Bad + ": Line 3: expected an integer for Proc Capac of stage 1, found \"x\".\n"},
        {{"params", Empty}, Empty, "orvantis-cli: " + Empty + ": The file is empty; it is not a model file.\n"},
        {{"run", Stage0}, Stage0,
         "orvantis-cli: " + Stage0 + ": You must add at least one stage or load an existing model.\n"},
        {{"run", Example("serial_chain.txt"), "--orders", Dir.Path.string() + "/no/o.txt"}, "/no/o.txt",
         "orvantis-cli run: --orders: Cannot write file " + Dir.Path.string() +
             "/no/o.txt: No such file or directory.\n"},
        {{"convert", Example("serial_chain.txt"), Dir.Path.string()}, Dir.Path.string(),
         "orvantis-cli: Cannot write file " + Dir.Path.string() + ": Is a directory.\n"},
    };
    for (const auto& C : Cases) {
        const TCliResult R = Cli(C.Args);
        EXPECT_EQ(R.Code, 1);
        EXPECT_EQ(R.Err, C.Err);
        EXPECT_EQ(Count(R.Err, C.File), 1u);
    }
}

TEST(Cli, ShortFileIsListedByCheckAndRefusedUnderStrict)
{
    TTempDir Dir("short");
    const std::string Short = (Dir.Path / "short.txt").string();
    std::string Bytes = ReadBytes(Example("serial_chain.txt"));
    WriteBytes(Short, Bytes.substr(0, Bytes.size() - 6));
    const std::string Warning =
        Short + ": Line 6: the file ends before the box's top of stage 4; what is missing reads as 0.\n";
    const TCliResult Check = Cli({"check", Short});
    EXPECT_EQ(Check.Code, 0);
    EXPECT_EQ(Check.Out, Warning + "The run may go ahead.\n");
    const TCliResult StrictCheck = Cli({"check", Short, "--strict"});
    EXPECT_EQ(StrictCheck.Code, 1);
    EXPECT_EQ(StrictCheck.Out, Warning + "The run is refused.\n");
    const TCliResult Run = Cli({"run", Short, "--seed", "1"});
    EXPECT_EQ(Run.Code, 0);
    EXPECT_EQ(Run.Err, Warning);
    const TCliResult StrictRun = Cli({"run", Short, "--seed", "1", "--strict"});
    EXPECT_EQ(StrictRun.Code, 1);
    EXPECT_TRUE(StrictRun.Out.empty());
    EXPECT_NE(StrictRun.Err.find("orvantis-cli: " + Short + ": refused under --strict"), std::string::npos);
}

TEST(Cli, ReportsAimedAtOneFileAreRefusedBeforeTheRun)
{
    TTempDir Dir("same");
    const std::string Model = (Dir.Path / "model.txt").string();
    fs::copy_file(Example("serial_chain.txt"), Model);
    const std::string A = (Dir.Path / "a.txt").string();
    fs::create_directory(Dir.Path / "sub");
    fs::create_symlink(A, Dir.Path / "link.txt");
    const std::string NoFolder = (Dir.Path / "none" / "h.txt").string();
    const std::string LongName = (Dir.Path / std::string(300, 'n')).string();
    const struct {
        std::vector<std::string> Reports;
        std::string Refusal;
        int Code = 2;
    } Cases[] = {
        {{"--stats", A, "--history", A}, "--history: " + A + " is also the file of --stats"},
        {{"--stats", A, "--orders", (Dir.Path / "sub" / ".." / "a.txt").string()}, "is also the file of --stats"},
        {{"--history", (Dir.Path / "link.txt").string(), "--orders", A},
         "--orders: " + A + " is also the file of --history"},
        {{"--stats", Model}, "--stats: " + Model + " is the model file"},
        {{"--history", A, "--history-csv", A}, "--history-csv: " + A + " is also the file of --history"},
        {{"--orders-csv", Model}, "--orders-csv: " + Model + " is the model file"},
        // A CSV table on standard output goes there alone.
        {{"--stats", "-", "--history-csv", "-"}, "--history-csv: --stats goes to standard output too"},
        {{"--orders-csv", "-", "--stats-csv", "-"}, "--orders-csv: --stats-csv goes to standard output too"},
        {{"--stats", "-", "--history-csv", "/dev/stdout"}, "--history-csv: --stats goes to standard output too"},
        // Files that cannot be written: found before the run.
        {{"--stats", A, "--history", NoFolder}, "--history: Cannot write file " + NoFolder + ": No such file", 1},
        {{"--orders", (Dir.Path / "sub").string()}, "Is a directory.", 1},
        {{"--stats", LongName}, "--stats: Cannot write file " + LongName + ": File name too long.", 1},
    };
    for (const auto& C : Cases) {
        std::vector<std::string> Args = {"run", Model};
        Args.insert(Args.end(), C.Reports.begin(), C.Reports.end());
        const TCliResult R = Cli(Args);
        EXPECT_EQ(R.Code, C.Code);
        EXPECT_EQ(R.Err.rfind("orvantis-cli run: --", 0), 0u) << R.Err;
        EXPECT_NE(R.Err.find(C.Refusal), std::string::npos) << R.Err;
        EXPECT_TRUE(R.Out.empty());
        EXPECT_FALSE(fs::exists(A));
    }
    EXPECT_EQ(ReadBytes(Model), ReadBytes(Example("serial_chain.txt")));
    // Standard output takes the reports one after the other.
    const TCliResult Both = Cli({"run", Model, "--periods", "10", "--warmup", "1", "--seed", "2", "--stats", "-",
                                 "--orders", "-", "--timestamp", "stamp"});
    EXPECT_EQ(Both.Code, 0);
    EXPECT_EQ(Count(Both.Out, "stamp\n"), 2u);
}

TEST(Cli, ARunWhoseCostsOverflowEndsWithOneLineAndFails)
{
    TTempDir Dir("overflow");
    const std::string Path = (Dir.Path / "model.txt").string();
    {
        TSilentDialogs Quiet;
        TSimulation Model;
        ASSERT_TRUE(LoadModel(Model, Example("serial_chain.txt"), Quiet).Ok);
        // Stage 1 runs short often, and each unit short costs nearly the largest number there is.
        Model.SetParam(1, ParamBaseStockLevel, 20);
        Model.SetParam(1, ParamStockoutCost, 1e308);
        ASSERT_TRUE(SaveModel(Model, Path).Ok);
    }
    const fs::path Stats = Dir.Path / "stats.txt";
    const TCliResult R =
        Cli({"run", Path, "--seed", "1", "--periods", "200", "--warmup", "1", "--stats", Stats.string()});
    EXPECT_EQ(R.Code, 1);
    EXPECT_NE(R.Out.find("\nStockout: inf\nTotal: inf\n"), std::string::npos) << R.Out;
    EXPECT_EQ(R.Err, "orvantis-cli: " + Path +
                         ": the costs overflowed: Stockout and Total are not finite numbers, so the run has no "
                         "result; no report was written.\n");
    EXPECT_FALSE(fs::exists(Stats));
}

TEST(Cli, ConvertWritesTheCurrentVersionToAFileOrStandardOutput)
{
    TTempDir Dir("convert");
    const fs::path New = Dir.Path / "converted.txt";
    const TCliResult R = Cli({"convert", Data("model_v20.txt"), New.string()});
    ASSERT_EQ(R.Code, 0) << R.Err;
    EXPECT_EQ(R.Err, Data("model_v20.txt") + ": This file was created using an earlier version of Orvantis.  "
                                              "Converting as necessary. (To avoid seeing this message in the future, "
                                              "save the model file again.)\n");
    const std::string Bytes = ReadBytes(New);
    EXPECT_EQ(Bytes.rfind("v2.4\r", 0), 0u);
    EXPECT_EQ(Bytes.find('\n'), std::string::npos);
    // The converted file reads without a notice and converts to the same bytes again.
    const TCliResult Again = Cli({"convert", New.string(), "-"});
    EXPECT_EQ(Again.Code, 0);
    EXPECT_TRUE(Again.Err.empty());
    EXPECT_EQ(Again.Out, Bytes);
}

TEST(Cli, ReportsGoToFilesWithCarriageReturnsOrToStandardOutput)
{
    TTempDir Dir("reports");
    const fs::path Stats = Dir.Path / "stats.txt";
    const TCliResult R = Cli({"run", Example("serial_chain.txt"), "--periods", "40", "--warmup", "5", "--seed", "3",
                              "--stats", Stats.string(), "--history", "-", "--timestamp", "fixed stamp"});
    ASSERT_EQ(R.Code, 0) << R.Err;
    const std::string Bytes = ReadBytes(Stats);
    EXPECT_EQ(Bytes.rfind("fixed stamp\r\r\r", 0), 0u);
    EXPECT_EQ(Bytes.find('\n'), std::string::npos);
    // History on standard output after the costs, with line feeds: 3 + 4 heading lines + 40.
    const std::size_t Start = R.Out.find("fixed stamp\n");
    ASSERT_NE(Start, std::string::npos);
    const std::string History = R.Out.substr(Start);
    EXPECT_EQ(std::count(History.begin(), History.end(), '\n'), 3 + 4 + 40);
    EXPECT_EQ(R.Out.find("Order: "), 0u);
}

TEST(Cli, CsvTablesGoToFilesOrAloneToStandardOutput)
{
    TTempDir Dir("csv");
    const fs::path History = Dir.Path / "history.csv";
    const fs::path Orders = Dir.Path / "orders.csv";
    const TCliResult R = Cli({"run", Example("distribution.txt"), "--periods", "50", "--warmup", "5", "--seed", "3",
                              "--history-csv", History.string(), "--stats-csv", "-", "--orders-csv", Orders.string()});
    ASSERT_EQ(R.Code, 0) << R.Err;
    TSilentDialogs Messages;
    TSimulation Model;
    ASSERT_TRUE(LoadModel(Model, Example("distribution.txt"), Messages).Ok);
    const std::string Costs = CoreCosts(Model, 50, 5, 3);
    // Standard output holds the table alone; the costs go to standard error.
    EXPECT_EQ(R.Out, BuildStatsCsv(Model));
    EXPECT_EQ(R.Err, Costs);
    EXPECT_EQ(ReadBytes(History), BuildHistoryCsv(Model));
    EXPECT_EQ(ReadBytes(Orders), BuildOrderHistoryCsv(Model));
}

TEST(Cli, ParamsPrintsTheTableUnderTheTimestamp)
{
    const TCliResult R = Cli({"params", Example("order_formula.txt"), "--timestamp", "stamp"});
    ASSERT_EQ(R.Code, 0);
    EXPECT_EQ(R.Out.rfind("stamp\nStage  ProcTime  ProcCap  ComServT", 0), 0u);
    EXPECT_EQ(std::count(R.Out.begin(), R.Out.end(), '\n'), 1 + 1 + 2 + 2);  // stamp, heading, 2 stages, 2 empty
    EXPECT_EQ(Cli({"params", Example("order_formula.txt")}).Out.rfind("clock text\n", 0), 0u);
}

TEST(Cli, ParamsNamesListsTheShortNamesThatRowsTake)
{
    const TCliResult R = Cli({"params", "--names"});
    ASSERT_EQ(R.Code, 0) << R.Err;
    std::string Expected;
    for (const std::string& Name : ParamShortNames) {
        Expected += Name + "\n";
    }
    EXPECT_EQ(R.Out, Expected);
}

TEST(CliProgram, StandardOutputThatCannotBeWrittenEndsWithOne)
{
    int Pipe[2];
    ASSERT_EQ(::pipe(Pipe), 0);
    ::close(Pipe[0]);  // nobody reads: every write fails
    const int Full = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(Full, 0);
    const struct {
        int Fd;
        std::string Reason;
    } Cases[] = {{Pipe[1], "Broken pipe"}, {Full, "No space left on device"}};
    for (const auto& C : Cases) {
        for (const std::vector<std::string>& Args :
             {std::vector<std::string>{"run", Example("assembly.txt"), "--seed", "1", "--periods", "50", "--warmup",
                                       "1"},
              std::vector<std::string>{"convert", Example("assembly.txt"), "-"},
              std::vector<std::string>{"--version"}}) {
            const TCliResult R = RunProgram(Args, C.Fd, {"LC_ALL=C"});
            EXPECT_EQ(R.Code, 1) << C.Reason << " " << Args[0];
            EXPECT_EQ(R.Err, "orvantis-cli: cannot write to standard output: " + C.Reason + ".\n");
        }
    }
    ::close(Pipe[1]);
    ::close(Full);
}

TEST(CliProgram, ReportToDevStdoutAppendsToWhereStandardOutputLeads)
{
    TTempDir Dir("append");
    const fs::path Log = Dir.Path / "log.txt";
    WriteBytes(Log, "before\n");
    const int Fd = ::open(Log.c_str(), O_WRONLY | O_APPEND);  // the shell's ">> log.txt"
    ASSERT_GE(Fd, 0);
    const TCliResult R = RunProgram({"run", Example("assembly.txt"), "--seed", "1", "--periods", "20", "--warmup", "1",
                                     "--orders", "/dev/stdout", "--timestamp", "stamp"},
                                    Fd, {"LC_ALL=C"});
    ::close(Fd);
    EXPECT_EQ(R.Code, 0) << R.Err;
    const std::string Bytes = ReadBytes(Log);
    EXPECT_EQ(Bytes.rfind("before\nOrder: ", 0), 0u) << Bytes;
    EXPECT_NE(Bytes.find("Total: "), std::string::npos);
    EXPECT_LT(Bytes.find("Total: "), Bytes.find("stamp\r"));
}

TEST(CliProgram, ACsvTableNamingStandardOutputByAPathGoesThereAsWithDash)
{
    TTempDir Dir("csv_stdout");
    const fs::path OutFile = Dir.Path / "out.csv";
    const auto Run = [&](const std::string& Target) {
        const int Fd = ::open(OutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        TCliResult R = RunProgram({"run", Example("assembly.txt"), "--seed", "1", "--periods", "20", "--warmup", "1",
                                   "--stats-csv", Target},
                                  Fd, {"LC_ALL=C"});
        ::close(Fd);
        R.Out = ReadBytes(OutFile);
        return R;
    };
    const TCliResult Dash = Run("-");
    ASSERT_EQ(Dash.Code, 0) << Dash.Err;
    for (const std::string& Target : {std::string("/dev/stdout"), std::string("/proc/self/fd/1"), OutFile.string()}) {
        SCOPED_TRACE(Target);
        const TCliResult R = Run(Target);
        EXPECT_EQ(R.Code, 0) << R.Err;
        EXPECT_EQ(R.Out, Dash.Out);  // the table alone
        EXPECT_EQ(R.Err, Dash.Err);  // the costs
    }
}

TEST(CliProgram, CommaDecimalLocaleOfTheEnvironmentShapesTheCosts)
{
    // No comma-decimal locale is installed here, so one is built from the system's locale sources
    // into a folder of our own and named through LOCPATH.
    TTempDir Dir("locale");
    const std::string Build =
        "localedef -i de_DE -f ISO-8859-1 '" + (Dir.Path / "de_DE").string() + "' >/dev/null 2>&1";
    if (std::system(Build.c_str()) == -1 || !fs::exists(Dir.Path / "de_DE" / "LC_NUMERIC")) {
        GTEST_SKIP() << "localedef could not build a comma-decimal locale (de_DE) here";
    }
    const std::string LocPath = "LOCPATH=" + Dir.Path.string();
    const struct {
        std::vector<std::string> Env;
        char Sep;
    } Cases[] = {
        {{"LC_ALL=de_DE"}, ','},
        {{"LC_NUMERIC=de_DE"}, ','},
        {{"LANG=de_DE"}, ','},
        {{"LC_ALL=C", "LC_NUMERIC=de_DE"}, '.'},  // LC_ALL wins
    };
    for (const auto& C : Cases) {
        std::vector<std::string> Env = C.Env;
        Env.push_back(LocPath);
        const fs::path OutFile = Dir.Path / "out.txt";
        const int Fd = ::open(OutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(Fd, 0);
        const TCliResult R =
            RunProgram({"run", Example("assembly.txt"), "--seed", "1", "--periods", "50", "--warmup", "1"}, Fd, Env);
        ::close(Fd);
        EXPECT_EQ(R.Code, 0) << R.Err;
        const std::string Out = ReadBytes(OutFile);
        const std::string Total = Out.substr(Out.find("Total: "));
        EXPECT_NE(Total.find(C.Sep), std::string::npos) << C.Env[0] << ": " << Out;
        EXPECT_EQ(Total.find(C.Sep == ',' ? '.' : ','), std::string::npos) << C.Env[0] << ": " << Out;
    }
}
