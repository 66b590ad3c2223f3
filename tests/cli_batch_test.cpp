// orvantis-cli batch, in-process: the lines are those of the batch core, rows and options are read
// as the window reads them, and every refusal has its exit code and message.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/Cli.h"
#include "app/CliBatch.h"
#include "batch/BatchRun.h"
#include "batch/ParamSet.h"
#include "batch/ReportOptions.h"
#include "engine/Simulation.h"
#include "model_files/ModelFile.h"
#include "platform/Dialogs.h"
#include "support/CliRun.h"
#include "support/ScratchDir.h"

namespace {

const std::string Chain = std::string(ORVANTIS_EXAMPLES_DIR) + "/serial_chain.txt";

// The delivered reporting options and no user file: the surroundings of a fresh installation.
TCliEnvironment Installed()
{
    TCliEnvironment Env;
    Env.DefaultOptions = std::string(ORVANTIS_EXAMPLES_DIR) + "/../batch/ORVTVOF.ini";
    return Env;
}

TCliResult Cli(const std::vector<std::string>& Args, const TCliEnvironment& Env = Installed())
{
    return RunCliCaptured(Args, Env);
}

std::string Joined(const std::vector<std::string>& Lines, char End)
{
    std::string Text;
    for (const std::string& L : Lines) {
        Text += L + End;
    }
    return Text;
}

// The lines the batch core gives for the same definition: what the window would append; with Csv,
// the records of its CSV table.
std::vector<std::string> CoreLines(const TSweepRow& Row1, const TSweepRow& Row2, const TReportOptions& Options,
                                   const TBatchRun& Run, bool Csv = false)
{
    TSilentDialogs Messages;
    TSimulation Model;
    EXPECT_TRUE(LoadModel(Model, Chain, Messages).Ok);
    const TParamSetResult Set = BuildSweepSet(Row1, Row2, '.', Model.NumStages());
    EXPECT_TRUE(Set.Set) << Set.Message;
    std::vector<std::string> Lines;
    TBatchCallbacks C;
    (Csv ? C.AppendCsvRecord : C.AppendLine) = [&Lines](const std::string& L) { Lines.push_back(L); };
    RunBatch(Model, *Set.Set, Options, Run, C);
    return Lines;
}

}  // namespace

TEST(CliBatch, PrintsTheLinesOfTheBatchCore)
{
    TScratchDir Dir;
    const std::string Ini = (Dir.Path / "opts.ini").string();
    PutFile(Ini, "[Total Cost]\nMeanChecked=1\nSEMChecked=1\n[Inv Level]\nMaxChecked=1\nByStageChecked=1\n");
    TReportOptions Options;
    Options.LoadOptions(Ini);
    TBatchRun Run;
    Run.Settings = TRunSettings{300, 30, 5};
    Run.NumTrials = 2;
    Run.Heading = TBatchHeading{"T", "serial_chain.txt", "5", "300", "30", 0, 0};
    Run.DecimalSep = ',';
    const std::vector<std::string> Expected =
        CoreLines(TSweepRow{17, "1", "2", "40", "50", "5"}, TSweepRow{10, "3", "3", "1", "2", "1"}, Options, Run);
    ASSERT_EQ(Expected.size(), 7u + 6u + 2u);

    TCliEnvironment Env;
    Env.DecimalSep = ',';
    const std::vector<std::string> Args = {"batch",    Chain,     "--periods", "300",   "--warmup", "30",
                                           "--seed",   "5",       "--trials",  "2",     "--row",    "BSLevel@1-2=40:50:5",
                                           "--row",    "HoldCost@3=1:2:1",     "--options", Ini,     "--timestamp", "T"};
    const TCliResult R = Cli(Args, Env);
    EXPECT_EQ(R.Code, 0) << R.Err;
    EXPECT_EQ(R.Out, Joined(Expected, '\n'));
    EXPECT_EQ(R.Err, "");

    std::vector<std::string> ToFile = Args;
    const std::string File = (Dir.Path / "results.txt").string();
    ToFile.insert(ToFile.end(), {"--out", File});
    const TCliResult F = Cli(ToFile, Env);
    EXPECT_EQ(F.Code, 0) << F.Err;
    EXPECT_EQ(F.Out, "");
    EXPECT_EQ(FileBytes(File), Joined(Expected, '\r'));
}

TEST(CliBatch, CsvIsTheTableOfTheBatchCoreWithAnyJobsAndParts)
{
    TScratchDir Dir;
    const std::string Ini = (Dir.Path / "opts.ini").string();
    PutFile(Ini, "[Total Cost]\nMeanChecked=1\nSEMChecked=1\n[Inv Level]\nMaxChecked=1\nByStageChecked=1\n");
    TReportOptions Options;
    Options.LoadOptions(Ini);
    TBatchRun Run;
    Run.Settings = TRunSettings{200, 20, 5};
    Run.NumTrials = 2;
    const std::vector<std::string> Records = CoreLines(TSweepRow{17, "1", "2", "40", "50", "5"},
                                                       TSweepRow{10, "3", "3", "0.5", "2", "0.75"}, Options, Run, true);
    ASSERT_EQ(Records.size(), 1u + 9u);
    EXPECT_EQ(Records[0], "BSLevel:1,BSLevel:2,HoldCost:3,TotalCostMean,TotalCostSEM,InvLevelMax:1,InvLevelMax:2,"
                          "InvLevelMax:3,InvLevelMax:4");
    std::string Table;
    for (const std::string& R : Records) {
        Table += R + "\r\n";
    }

    TCliEnvironment Env = Installed();
    Env.DecimalSep = ',';  // the table keeps its periods
    const std::vector<std::string> Args = {"batch", Chain, "--periods", "200", "--warmup", "20", "--seed", "5",
                                           "--trials", "2", "--row", "BSLevel@1-2=40:50:5", "--row",
                                           "HoldCost@3=0.5:2:0.75", "--options", Ini, "--csv"};
    const auto With = [&Args](std::vector<std::string> More) {
        More.insert(More.begin(), Args.begin(), Args.end());
        return More;
    };
    const TCliResult One = Cli(With({"--jobs", "1"}), Env);
    EXPECT_EQ(One.Code, 0) << One.Err;
    EXPECT_EQ(One.Out, Table);
    const std::string File = (Dir.Path / "results.csv").string();
    EXPECT_EQ(Cli(With({"--jobs", "3", "--out", File}), Env).Code, 0);
    EXPECT_EQ(FileBytes(File), Table);
    // The parts, joined in order, are the whole table: only the first has the header.
    std::string Parts;
    for (const char* Part : {"1/3", "2/3", "3/3"}) {
        const TCliResult R = Cli(With({"--jobs", "2", "--part", Part}), Env);
        EXPECT_EQ(R.Code, 0) << R.Err;
        Parts += R.Out;
    }
    EXPECT_EQ(Parts, Table);
}

TEST(CliBatch, DefaultsNoneRowsAndTheUsersOptions)
{
    TScratchDir Dir;
    TCliEnvironment Env;
    Env.DateTime = "clock";
    Env.DefaultOptions = (Dir.Path / "ORVTVOF.ini").string();
    Env.UserOptions = (Dir.Path / "user" / "ORVTVOFusr.ini").string();
    PutFile(Env.DefaultOptions, "[Total Cost]\nMeanChecked=1\n");

    const TCliResult Plain = Cli({"batch", Chain}, Env);
    EXPECT_EQ(Plain.Code, 0) << Plain.Err;
    std::istringstream Lines(Plain.Out);
    std::vector<std::string> L;
    for (std::string Line; std::getline(Lines, Line);) {
        L.push_back(Line);
    }
    ASSERT_EQ(L.size(), 10u);
    EXPECT_EQ(L[0], "clock");
    EXPECT_EQ(L[2], "RandSeed: 0");
    EXPECT_EQ(L[4], "1 trials, 1000 periods per trial, 100-period warm-up period");
    EXPECT_EQ(L[6], "TotalCostMean  ");

    std::filesystem::create_directory(Dir.Path / "user");
    PutFile(Env.UserOptions, "[Order Cost]\nMaxChecked=1\n");
    const TCliResult Row1 = Cli({"batch", Chain, "--seed", "4", "--row", "DemMean@1=5:6:0.3"}, Env);
    const TCliResult Row2 = Cli({"batch", Chain, "--seed", "4", "--row", "none", "--row", "DemMean@1=5:6:0.3"}, Env);
    EXPECT_EQ(Row1.Code, 0) << Row1.Err;
    EXPECT_EQ(Row2.Out, Row1.Out);
    EXPECT_NE(Row1.Out.find("DemMean:1  OrderCostMax  \n   5.0000  "), std::string::npos) << Row1.Out;
}

TEST(CliBatch, Refusals)
{
    TScratchDir Dir;
    PutFile(Dir.Path / "bad.txt", "1 1 16 9 5");
    PutFile(Dir.Path / "short.txt", "1 2 16 1 5");
    const std::string Short = (Dir.Path / "short.txt").string();
    const std::string Bad = (Dir.Path / "bad.txt").string();
    const std::string BadDot = (Dir.Path / "." / "bad.txt").string();
    const std::string Missing = (Dir.Path / "none.txt").string();
    struct TCase {
        std::vector<std::string> Args;
        int Code;
        std::string Err;  // the start of standard error
    };
    const TCase Cases[] = {
        {{"--trials", "2.5"}, 2, "orvantis-cli batch: --trials: '2.5' is not a valid integer value\n"},
        {{"--periods", "0"}, 2, "orvantis-cli batch: --periods: "},
        {{"--seed", "x"}, 2, "orvantis-cli batch: --seed: "},
        {{"--row", "none", "--row", "none", "--row", "none"}, 2, "orvantis-cli batch: at most two --row options"},
        {{"--row", "BSLevel@1=1:2:1", "--values", Bad}, 2, "orvantis-cli batch: --row and --values exclude each other"},
        {{"--row", "BSLevel1=1:2:1"}, 2, "orvantis-cli batch: --row BSLevel1=1:2:1: expected SHORTNAME@"},
        {{"--row", "bslevel@1=1:2:1"}, 2, "orvantis-cli batch: --row bslevel@1=1:2:1: no parameter is called bslevel"},
        {{"--row", "BSLevel@1=1:2"}, 2, "orvantis-cli batch: --row BSLevel@1=1:2: expected three values"},
        {{"--row", "BSLevel@1=1:2:1:3"}, 2, "orvantis-cli batch: --row BSLevel@1=1:2:1:3: expected three values"},
        {{"--out", Chain}, 2, "orvantis-cli batch: --out: " + Chain + " is the model file"},
        {{"--row", "BSLevel@1-9=1:2:1"}, 1,
         "orvantis-cli batch: Row 1: stage 9 is not a stage of this model (1 to 4).\n"},
        {{"--row", "none", "--row", "BSLevel@2-1=1:2:1"}, 1,
         "orvantis-cli batch: Row 2: the first stage (2) is after the last stage (1).\n"},
        {{"--row", "HoldCost@1=1:2:x"}, 2, "orvantis-cli batch: --row HoldCost@1=1:2:x: STEP 'x' is not a number"},
        {{"--row", "HoldCost@1=nan:2:1"}, 2, "orvantis-cli batch: --row HoldCost@1=nan:2:1: START 'nan' is not a number"},
        {{"--row", "HoldCost@1=1:inf:1"}, 2, "orvantis-cli batch: --row HoldCost@1=1:inf:1: END 'inf' is not a number"},
        {{"--row", "HoldCost@1=1:10,5:1"}, 2, "orvantis-cli batch: --row HoldCost@1=1:10,5:1: END '10,5' is not a"},
        {{"--row", "HoldCost@1=1:2:1 "}, 2, "orvantis-cli batch: --row HoldCost@1=1:2:1 : STEP '1 ' is not a number"},
        {{"--row", "HoldCost@x=1:2:1"}, 2, "orvantis-cli batch: --row HoldCost@x=1:2:1: FIRST 'x' is not a stage"},
        {{"--trials", "0"}, 2, "orvantis-cli batch: --trials: 0 trials would run nothing"},
        {{"--jobs", ""}, 2, "orvantis-cli batch: --jobs: '' is not a number of threads"},
        {{"--values", Bad, "--out", Bad}, 2, "orvantis-cli batch: --out: " + Bad + " is the values file"},
        {{"--options", Bad, "--out", BadDot}, 2, "orvantis-cli batch: --out: " + BadDot + " is the options file"},
        {{"--row", "InvPol@2=2:2:1", "--row", "Q@2=0:1:1"}, 1,
         "orvantis-cli batch: setting 1 (InvPol:2 = 2, Q:2 = 0): Stage 2 uses the (R,Q) policy with Q = 0; Q must be at least 1.\n"},
        {{"--row", "DemSD@1=-1:-1:1"}, 1,
         "orvantis-cli batch: setting 1 (DemSD:1 = -1): Stage 1 has Dem StdDev = -1; Dem StdDev cannot be "
         "negative.\n"},
        {{"--row", "BSLevel@1=0:5:0.5"}, 1, "orvantis-cli batch: Row 1: the step (0.5) is not a whole number; "},
        {{"--row", "InvPol@1=3:7:1"}, 1, "orvantis-cli batch: Row 1: the value 5 is not valid for Inv Policy. "},
        {{"--periods", "10", "--warmup", "10"}, 2,
         "orvantis-cli batch: --warmup: 10 of the 10 periods would be warm-up, leaving none measured"},
        {{"--row", "HoldCost@1=1:2:0"}, 1, "orvantis-cli batch: Row 1: the step (0) must be greater than 0.\n"},
        {{"--values", Missing}, 1, "orvantis-cli batch: Cannot read file " + Missing + ": No such file or directory."},
        {{"--values", Bad}, 1,
         "orvantis-cli batch: " + Bad + ": Line 1: column 1 has the stage 9, not a stage of this model (1 to 4).\n"},
        {{"--options", Missing}, 1, "orvantis-cli batch: --options: Cannot read file " + Missing},
        {{"--out", (Dir.Path / "none" / "out.txt").string()}, 1,
         "orvantis-cli batch: --out: Cannot write file " + (Dir.Path / "none" / "out.txt").string() +
             ": No such file or directory.\n"},
        {{"--out", Dir.Path.string()}, 1, "orvantis-cli batch: --out: Cannot write file " + Dir.Path.string() + ": Is a"},
        {{"--values", Short, "--strict"}, 1,
         "orvantis-cli batch: " + Short + ": Line 1: the file ends before setting 2, column 1; what is missing reads as "
         "0. Refused under --strict.\n"},
        {{"--options", Chain}, 1, "orvantis-cli batch: --options: " + Chain + " holds none of the batch reporting"},
    };
    for (const TCase& C : Cases) {
        std::vector<std::string> Args = {"batch", Chain};
        Args.insert(Args.end(), C.Args.begin(), C.Args.end());
        const TCliResult R = Cli(Args);
        EXPECT_EQ(R.Code, C.Code) << C.Err;
        EXPECT_EQ(R.Err.substr(0, C.Err.size()), C.Err);
        EXPECT_EQ(R.Out, "") << C.Err;
    }
    const TCliResult NoModel = Cli({"batch", Missing});
    EXPECT_EQ(NoModel.Code, 1);
    EXPECT_EQ(Cli({"batch"}).Code, 2);
}

// What runs but deserves a word: each case runs (exit code 0) with its warning on standard error.
TEST(CliBatch, Warnings)
{
    TScratchDir Dir;
    const std::string Unchecked = (Dir.Path / "none.ini").string();
    PutFile(Unchecked, "[Total Cost]\nMeanChecked=0\n");
    PutFile(Dir.Path / "short.txt", "1 2 16 1 5");
    TCliEnvironment UserFolder = Installed();
    UserFolder.UserOptions = Dir.Path.string();  // a folder where the user's file belongs
    const struct {
        std::vector<std::string> Args;
        TCliEnvironment Env;
        std::string Warning;
    } Cases[] = {
        {{"--row", "BSLevel@1-2=40:40:1", "--row", "BSLevel@2=50:50:1"}, Installed(),
         "orvantis-cli batch: warning: rows 1 and 2 both set BSLevel of stage 2; row 2's value is used.\n"},
        {{"--options", Unchecked}, Installed(), "orvantis-cli batch: warning: No measure is chosen"},
        {{"--values", (Dir.Path / "short.txt").string()}, Installed(),
         "orvantis-cli batch: warning: " + (Dir.Path / "short.txt").string() + ": Line 1: the file ends before"},
        {{}, UserFolder, "The delivered batch reporting options are used instead."},
    };
    for (const auto& C : Cases) {
        std::vector<std::string> Args = {"batch", Chain, "--periods", "20", "--warmup", "1"};
        Args.insert(Args.end(), C.Args.begin(), C.Args.end());
        const TCliResult R = Cli(Args, C.Env);
        EXPECT_EQ(R.Code, 0) << R.Err;
        EXPECT_NE(R.Err.find(C.Warning), std::string::npos) << R.Err;
        EXPECT_NE(R.Out.find("Data file: serial_chain.txt"), std::string::npos) << C.Warning;
    }
}

// Runs orvantis-cli with Args with only Headroom bytes of address space beyond what the process
// holds now, and exits with its code.
[[noreturn]] void CliUnderMemoryLimit(const std::vector<std::string>& Args, rlim_t Headroom)
{
    std::size_t Pages = 0;
    std::ifstream("/proc/self/statm") >> Pages;
    const rlim_t Limit = static_cast<rlim_t>(Pages) * 4096 + Headroom;
    const rlimit Room{Limit, Limit};
    setrlimit(RLIMIT_AS, &Room);
    std::ostringstream Out;
    std::exit(RunCli(Args, Out, std::cerr, Installed()));
}

// AddressSanitizer reports a failed allocation and aborts instead of throwing std::bad_alloc.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool AllocationsThrow = false;
#elif defined(__has_feature)
constexpr bool AllocationsThrow = !__has_feature(address_sanitizer);
#else
constexpr bool AllocationsThrow = true;
#endif

// What the system will not give (threads, memory) ends a command with one line and the failure
// code, never with an abort (in a child process, so that the limit stays there).
TEST(CliBatchDeathTest, WhatTheSystemWillNotGiveEndsWithOneLine)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TScratchDir Dir;
    const std::string Claims = (Dir.Path / "claims.txt").string();
    PutFile(Claims, "1000000000 0");  // claims a billion columns in ten bytes
    const std::string Zeros = (Dir.Path / "zeros.txt").string();
    PutFile(Zeros, "1 10000000 3 1 5");  // ten million settings, 80 MB of values the file leaves at 0
    const struct {
        std::vector<std::string> Args;
        rlim_t Headroom;
        const char* Message;
        bool Allocates = false;
    } Cases[] = {
        {{"--trials", "2", "--periods", "200", "--row", "BSLevel@1=20:40:20", "--jobs", "4"}, rlim_t{2} << 20,
         "orvantis-cli batch: the batch stopped: .*; try a lower --jobs"},
        {{"--values", Claims}, rlim_t{64} << 20, "claims.txt: Line 1: the file ends before"},
        {{"--values", Zeros}, rlim_t{16} << 20, "orvantis-cli: batch: not enough memory", true},
    };
    for (const auto& C : Cases) {
        if (C.Allocates && !AllocationsThrow) {
            continue;
        }
        std::vector<std::string> Args = {"batch", Chain, "--seed", "7"};
        Args.insert(Args.end(), C.Args.begin(), C.Args.end());
        EXPECT_EXIT(CliUnderMemoryLimit(Args, C.Headroom), testing::ExitedWithCode(1), C.Message);
    }
}

TEST(CliBatch, RowSpecsAndProgressText)
{
    const std::pair<std::string, TSweepRow> Specs[] = {
        {"BSLevel@1-2=10:20:5", {17, "1", "2", "10", "20", "5"}},
        {"BSLevel@3=10:20:5", {17, "3", "3", "10", "20", "5"}},
        {"s@1-2=-5:5:2.5", {20, "1", "2", "-5", "5", "2.5"}},  // short names are case-sensitive: s and S differ
        {"S@4=0:1E3:1e2", {21, "4", "4", "0", "1E3", "1e2"}},
        {"none", {0, "", "", "", "", ""}},
    };
    for (const auto& [Spec, Expected] : Specs) {
        TSweepRow Row;
        std::string Error;
        ASSERT_TRUE(ParseRowSpec(Spec, Row, Error)) << Spec << ": " << Error;
        EXPECT_EQ(Row.ParamPos, Expected.ParamPos) << Spec;
        EXPECT_EQ(std::vector<std::string>({Row.FirstStage, Row.LastStage, Row.FirstValue, Row.LastValue, Row.Step}),
                  std::vector<std::string>({Expected.FirstStage, Expected.LastStage, Expected.FirstValue,
                                            Expected.LastValue, Expected.Step}))
            << Spec;
    }
    EXPECT_EQ(BatchProgressText(0, 10, 0), "Settings done: 0 of 10");
    EXPECT_EQ(BatchProgressText(2, 10, 20), "Settings done: 2 of 10, about 1 min 20 s left");
    EXPECT_EQ(BatchProgressText(1, 100, 40), "Settings done: 1 of 100, about 1 h 06 min left");
    EXPECT_EQ(BatchProgressText(9, 10, 9), "Settings done: 9 of 10, about 1 s left");
    EXPECT_EQ(BatchProgressText(10, 10, 99), "Settings done: 10 of 10");
}
