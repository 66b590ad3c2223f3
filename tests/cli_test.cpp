// orvantis-cli driven in-process: exit codes, the exact refusal texts, outputs and files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/Cli.h"

namespace fs = std::filesystem;

namespace {

struct TCliResult {
    int Code = 0;
    std::string Out;
    std::string Err;
};

TCliResult Cli(std::vector<std::string> Args, char Sep = '.')
{
    std::ostringstream Out;
    std::ostringstream Err;
    TCliEnvironment Env;
    Env.DecimalSep = Sep;
    Env.DateTime = "clock text";
    TCliResult R;
    R.Code = RunCli(Args, Out, Err, Env);
    R.Out = Out.str();
    R.Err = Err.str();
    return R;
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

// A fresh directory for the files one test writes.
struct TTempDir {
    fs::path Path;
    explicit TTempDir(const std::string& Name) : Path(fs::temp_directory_path() / ("orvantis_cli_" + Name))
    {
        fs::remove_all(Path);
        fs::create_directories(Path);
    }
    ~TTempDir() { fs::remove_all(Path); }
};

}  // namespace

TEST(Cli, UsageErrorsExitWithTwo)
{
    EXPECT_EQ(Cli({}).Code, 2);
    EXPECT_EQ(Cli({"frobnicate"}).Code, 2);
    EXPECT_EQ(Cli({"run"}).Code, 2);
    EXPECT_EQ(Cli({"run", Example("assembly.txt"), "--periods"}).Code, 2);
    const TCliResult Unknown = Cli({"run", Example("assembly.txt"), "--speed", "9"});
    EXPECT_EQ(Unknown.Code, 2);
    EXPECT_NE(Unknown.Err.find("unknown option --speed"), std::string::npos);
    EXPECT_EQ(Cli({"convert", "only-one"}).Code, 2);
    const TCliResult Help = Cli({"--help"});
    EXPECT_EQ(Help.Code, 0);
    EXPECT_NE(Help.Out.find("  run MODEL [--periods N]"), std::string::npos);
}

TEST(Cli, RunSettingsAreRefusedWithTheWindowsTextsInTheWindowsOrder)
{
    const std::string Model = Example("assembly.txt");
    const TCliResult Seed = Cli({"run", Model, "--seed", "x1", "--periods", "0"});
    EXPECT_EQ(Seed.Code, 2);
    EXPECT_NE(Seed.Err.find("You must enter an integer RandSeed (or set to 0 to generate randomly)."), std::string::npos);
    EXPECT_EQ(Seed.Err.find("number of periods"), std::string::npos);  // only the first failure
    for (const char* Periods : {"0", "10000", "ten", "", "2.5"}) {
        const TCliResult R = Cli({"run", Model, "--periods", Periods});
        EXPECT_EQ(R.Code, 2) << Periods;
        EXPECT_NE(R.Err.find("You must enter an integer number of periods between 1 and 9999."), std::string::npos);
    }
    const TCliResult Warm = Cli({"run", Model, "--warmup", "0"});
    EXPECT_NE(Warm.Err.find("between 1 and the number of periods in your simulation (1000)."), std::string::npos);
    const TCliResult Beyond = Cli({"run", Model, "--periods", "50", "--warmup=51"});
    EXPECT_NE(Beyond.Err.find("in your simulation (50)."), std::string::npos);
    EXPECT_TRUE(Warm.Out.empty());  // nothing ran
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
    const TCliResult Check = Cli({"check", Data("model_v24.txt")});
    EXPECT_EQ(Check.Code, 0);
    EXPECT_NE(Check.Out.find("product cost > 0 but no customer"), std::string::npos);
    EXPECT_NE(Check.Out.find("The run may go ahead."), std::string::npos);
    EXPECT_EQ(Cli({"check", Data("model_v24.txt"), "--strict"}).Code, 1);
    EXPECT_EQ(Cli({"check", Example("serial_chain.txt")}).Out, "The run may go ahead.\n");
}

TEST(Cli, UnreadableModelsNameTheFileAndTheProblem)
{
    const TCliResult Missing = Cli({"run", "/nonexistent/model.txt"});
    EXPECT_EQ(Missing.Code, 1);
    EXPECT_NE(Missing.Err.find("/nonexistent/model.txt"), std::string::npos);
    TTempDir Dir("bad");
    const fs::path Bad = Dir.Path / "bad.txt";
    std::ofstream(Bad, std::ios::binary) << "v2.4\r1 0\r1 0 x";
    const TCliResult R = Cli({"check", Bad.string()});
    EXPECT_EQ(R.Code, 1);
    EXPECT_NE(R.Err.find(Bad.string() + ": Line 3:"), std::string::npos) << R.Err;
}

TEST(Cli, ConvertWritesTheCurrentVersionOnce)
{
    TTempDir Dir("convert");
    const fs::path New = Dir.Path / "converted.txt";
    const TCliResult R = Cli({"convert", Data("model_v20.txt"), New.string()});
    ASSERT_EQ(R.Code, 0) << R.Err;
    EXPECT_NE(R.Err.find("earlier version"), std::string::npos);  // the conversion notice
    const std::string Bytes = ReadBytes(New);
    EXPECT_EQ(Bytes.rfind("v2.4\r", 0), 0u);
    EXPECT_EQ(Bytes.find('\n'), std::string::npos);
    // The converted file reads without a notice and converts to the same bytes again.
    const fs::path Again = Dir.Path / "again.txt";
    const TCliResult Second = Cli({"convert", New.string(), Again.string()});
    EXPECT_EQ(Second.Code, 0);
    EXPECT_TRUE(Second.Err.empty());
    EXPECT_EQ(ReadBytes(Again), Bytes);
    const TCliResult Unwritable = Cli({"convert", New.string(), (Dir.Path / "missing" / "x.txt").string()});
    EXPECT_EQ(Unwritable.Code, 1);
    EXPECT_NE(Unwritable.Err.find("missing/x.txt"), std::string::npos);
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
    const TCliResult Unwritable = Cli({"run", Example("serial_chain.txt"), "--orders", "/nonexistent/o.txt"});
    EXPECT_EQ(Unwritable.Code, 1);
    EXPECT_NE(Unwritable.Err.find("/nonexistent/o.txt"), std::string::npos);
}

TEST(Cli, ParamsPrintsTheTableUnderTheTimestamp)
{
    const TCliResult R = Cli({"params", Example("order_formula.txt"), "--timestamp", "stamp"});
    ASSERT_EQ(R.Code, 0);
    EXPECT_EQ(R.Out.rfind("stamp\nStage  ProcTime  ProcCap  ComServT", 0), 0u);
    EXPECT_EQ(std::count(R.Out.begin(), R.Out.end(), '\n'), 1 + 1 + 2 + 2);  // stamp, heading, 2 stages, 2 empty
    EXPECT_EQ(Cli({"params", Example("order_formula.txt")}).Out.rfind("clock text\n", 0), 0u);
}
