// orvantis-cli optimize, in-process: the same bytes on any number of threads, refusals before
// anything runs, the evaluated points as CSV and the model saved with the best values.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <sstream>
#include <string>
#include <vector>

#include "app/Cli.h"
#include "engine/ParamCatalogue.h"
#include "engine/Simulation.h"
#include "model_files/ModelFile.h"
#include "platform/Dialogs.h"
#include "support/CliRun.h"
#include "support/ScratchDir.h"

namespace {

const std::string Chain = std::string(ORVANTIS_EXAMPLES_DIR) + "/serial_chain.txt";

TCliResult Cli(const std::vector<std::string>& Args)
{
    return RunCliCaptured(Args, TCliEnvironment{});
}

std::vector<std::string> Search(std::vector<std::string> More)
{
    std::vector<std::string> Args = {"optimize", Chain,      "--vary",   "BSLevel@1-2=0:120", "--min",
                                     "FillRate@1=0.9", "--periods", "300", "--trials", "4", "--seed", "5"};
    Args.insert(Args.end(), More.begin(), More.end());
    return Args;
}

}  // namespace

TEST(CliOptimise, OutputIsTheSameWhateverTheJobs)
{
    const TCliResult One = Cli(Search({"--jobs", "1", "--csv"}));
    const TCliResult Two = Cli(Search({"--jobs", "2", "--csv"}));
    ASSERT_EQ(One.Code, 0) << One.Err;
    EXPECT_EQ(One.Out, Two.Out);
    EXPECT_NE(One.Out.find("BSLevel@1-2"), std::string::npos);
    EXPECT_NE(One.Err.find("Time taken: "), std::string::npos);  // the time goes to standard error
}

TEST(CliOptimise, RefusesBeforeAnythingRuns)
{
    const struct {
        std::vector<std::string> More;
        int Code;
        std::string Expected;
    } Cases[] = {
        {{"--vary", "BSLevl@1=0:9"}, 2, "no parameter is called BSLevl"},
        {{"--vary", "DemMean@1=0:9"}, 2, "DemMean is a real parameter: give its STEP"},
        {{"--min", "Filrate@1=0.9"}, 2, "no metric is called Filrate"},
        {{"--minimize", "FillRate"}, 2, "--minimize: 'FillRate' is no system cost metric"},
        {{"--seed", "-3"}, 2, "--seed"},
        {{"--vary", "BSLevel@9=0:9"}, 1, "stage 9 is not a stage of the model"},
        {{"--vary", "BSLevel@2=0:9"}, 1, "already varies BSLevel of stage 2"},
        {{"--vary", "ProcTime@3=-4:-1"}, 1, "No point of the grid passes the model checks"},
        {{"--vary", "HoldCost@1=0:1e19:1"}, 1, "a step of 10000000 or more would work"},
        {{"--warmup", "300"}, 2, "leaves none of the 300 measured"},
        {{"--out", Chain}, 2, "is the model file"},
        {{"--write-model", std::string(ORVANTIS_EXAMPLES_DIR) + "/../examples/serial_chain.txt"}, 2, "is the model file"},
    };
    for (const auto& C : Cases) {
        const TCliResult R = Cli(Search(C.More));
        EXPECT_EQ(R.Code, C.Code) << C.Expected;
        EXPECT_NE(R.Err.find(C.Expected), std::string::npos) << R.Err;
        EXPECT_EQ(R.Out, "");
        EXPECT_EQ(R.Err.find("Time taken"), std::string::npos);  // nothing ran
    }
}

TEST(CliOptimise, WritesTheModelWithTheBestValuesAndEveryPointAsCsv)
{
    TScratchDir Dir;
    const std::string Saved = (Dir.Path / "best.txt").string();
    const TCliResult R = Cli(Search({"--csv", "--write-model", Saved}));
    ASSERT_EQ(R.Code, 0) << R.Err;
    TSilentDialogs Quiet;
    TSimulation Model;
    ASSERT_TRUE(LoadModel(Model, Saved, Quiet).Ok);
    const std::string Level = std::to_string(static_cast<int>(Model.GetParam(1, ParamBaseStockLevel)));
    EXPECT_EQ(Model.GetParam(2, ParamBaseStockLevel), Model.GetParam(1, ParamBaseStockLevel));
    EXPECT_NE(R.Out.find("BSLevel@1-2    0   120     1     48  " + std::string(4 - Level.size(), ' ') + Level + "\n"),
              std::string::npos)
        << R.Out;
    // The CSV: a header and one row per evaluated point, as many as the report counts.
    const std::size_t Head = R.Out.find("Evaluation,Round,BSLevel@1-2,Total Cost,FillRate:1,Feasible\n");
    ASSERT_NE(Head, std::string::npos);
    const std::size_t Rows = static_cast<std::size_t>(std::count(R.Out.begin() + static_cast<long>(Head), R.Out.end(), '\n')) - 1;
    EXPECT_NE(R.Out.find(", " + std::to_string(Rows) + " points evaluated"), std::string::npos) << Rows;
}

TEST(CliOptimise, ASearchWithoutAnAnswerSaysSoAndWritesNothing)
{
    // No level reaches a fill rate above 1, and a stockout cost of 1e308 overflows at every level
    // of 0 to 3: neither is an answer, so the model is not written and the exit code says why.
    TScratchDir Dir;
    const std::string Overflowing = (Dir.Path / "overflow.txt").string();
    {
        TSilentDialogs Quiet;
        TSimulation Model;
        ASSERT_TRUE(LoadModel(Model, Chain, Quiet).Ok);
        for (int S = 1; S <= Model.NumStages(); ++S) {
            Model.SetParam(S, ParamStockoutCost, 1e308);
        }
        ASSERT_TRUE(SaveModel(Model, Overflowing).Ok);
    }
    const std::string Saved = (Dir.Path / "best.txt").string();
    const struct {
        std::vector<std::string> Args;
        int Code;
        std::string Report;
    } Cases[] = {
        {Search({"--min", "FillRate@1=1.5"}), 3, "No point met the constraints"},
        {{"optimize", Overflowing, "--vary", "BSLevel@1=0:3", "--periods", "300", "--trials", "4", "--seed", "5"},
         1,
         "No point evaluated has finite costs"},
    };
    for (const auto& C : Cases) {
        std::vector<std::string> Args = C.Args;
        Args.insert(Args.end(), {"--write-model", Saved});
        const TCliResult R = Cli(Args);
        EXPECT_EQ(R.Code, C.Code) << R.Err;
        EXPECT_NE(R.Out.find(C.Report), std::string::npos) << R.Out;
        EXPECT_EQ(R.Out.find("local optimum"), std::string::npos);
        EXPECT_NE(R.Err.find("the model was not written"), std::string::npos) << R.Err;
        EXPECT_FALSE(std::filesystem::exists(Saved));
    }
}

TEST(CliOptimise, CtrlCReportsTheBestPointSoFar)
{
    // A search of some minutes, interrupted once it runs: the report of the best point so far,
    // then exit 130.
    TScratchDir Dir;
    const std::string OutFile = (Dir.Path / "out.txt").string();
    const pid_t Child = ::fork();
    if (Child == 0) {
        const int Fd = ::open(OutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(Fd, 1);
        ::dup2(Fd, 2);
        ::execl(ORVANTIS_CLI_PATH, ORVANTIS_CLI_PATH, "optimize", Chain.c_str(), "--vary", "BSLevel@1-2=0:120",
                "--periods", "9999", "--trials", "200", "--final-trials", "2", "--seed", "5", "--jobs", "1",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(Child, 0);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ::kill(Child, SIGINT);
    int Status = 0;
    ::waitpid(Child, &Status, 0);
    std::ifstream In(OutFile);
    const std::string Out((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    ASSERT_TRUE(WIFEXITED(Status)) << Out;
    EXPECT_EQ(WEXITSTATUS(Status), 130) << Out;
    EXPECT_NE(Out.find("Stopped: stopped by the user"), std::string::npos) << Out;
    EXPECT_NE(Out.find("the search was interrupted"), std::string::npos) << Out;
}
