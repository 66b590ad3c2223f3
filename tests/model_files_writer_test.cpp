#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <locale>
#include <sstream>
#include <string>
#include <unistd.h>

#include "engine/Simulation.h"
#include "model_files/ModelFile.h"
#include "support/ModelBuilder.h"
#include "support/ScriptedDialogs.h"

namespace fs = std::filesystem;

namespace {

std::string Repeat(const std::string& Text, int Times)
{
    std::string Out;
    for (int I = 0; I < Times; ++I) {
        Out += Text;
    }
    return Out;
}

// The stage lines of Text (everything after the first two lines), without their CRs.
std::vector<std::string> Lines(const std::string& Text)
{
    std::vector<std::string> Out;
    std::size_t Start = 0;
    for (std::size_t End = Text.find('\r'); End != std::string::npos; End = Text.find('\r', Start)) {
        Out.push_back(Text.substr(Start, End - Start));
        Start = End + 1;
    }
    EXPECT_EQ(Start, Text.size()) << "text does not end with a CR";
    return Out;
}

// The tokens of one line.
std::vector<std::string> Tokens(const std::string& Line)
{
    std::vector<std::string> Out;
    std::istringstream In(Line);
    for (std::string T; In >> T;) {
        Out.push_back(T);
    }
    return Out;
}

std::string ReadBytes(const fs::path& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), {});
}

// A fresh directory for one test, removed afterwards.
class TTempDir {
public:
    TTempDir()
    {
        const auto* Info = testing::UnitTest::GetInstance()->current_test_info();
        Path_ = fs::temp_directory_path() /
                ("orvantis_" + std::string(Info->name()) + "_" + std::to_string(::getpid()));
        fs::remove_all(Path_);
        fs::create_directories(Path_);
    }
    ~TTempDir() { fs::remove_all(Path_); }
    const fs::path& Path() const { return Path_; }

private:
    fs::path Path_;
};

struct TModelFixture {
    TScriptedDialogs Messages;
    TSimulation Model;
};

}  // namespace

TEST(ModelFileWriter, DefaultStageMatchesTheDocumentedExampleLine)
{
    TModelFixture F;
    AddStage(F.Model, {}, 50, 100);
    const std::string Example = "1 0 2000000000 0 0.00 0.0000 1.0E+300 1 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 "
                                "1 0 0 0 0 0 0 2000000000 " +
                                Repeat("0.0000 ", 18) + "0 2000000000 2000000000 0 0 0 50 100 ";
    EXPECT_EQ(ModelFileText(F.Model), "v2.4\r1 0\r" + Example + "\r");
}

TEST(ModelFileWriter, EmptyModelIsTheTwoFirstLinesOnly)
{
    TModelFixture F;
    EXPECT_EQ(ModelFileText(F.Model), "v2.4\r0 0\r");
    F.Model.SetForceCST(true);
    EXPECT_EQ(ModelFileText(F.Model), "v2.4\r0 1\r");
}

TEST(ModelFileWriter, LinkIsListedOnBothEnds)
{
    TModelFixture F;
    F.Model.AddStage();
    F.Model.AddStage();
    F.Model.AddStage();
    ASSERT_EQ(F.Model.Link(2, 1), TLinkResult::Linked);
    ASSERT_EQ(F.Model.Link(3, 1), TLinkResult::Linked);
    ASSERT_EQ(F.Model.Link(3, 2), TLinkResult::Linked);
    F.Model.SetStagePosition(3, -7, 12);
    const std::vector<std::string> L = Lines(ModelFileText(F.Model));
    ASSERT_EQ(L.size(), 5u);
    EXPECT_EQ(L[1], "3 0");
    // Tokens 46 onwards: suppliers, customers, position.
    const auto Tail = [&](int Line) {
        const std::vector<std::string> T = Tokens(L[static_cast<std::size_t>(Line)]);
        return std::vector<std::string>(T.begin() + 45, T.end());
    };
    EXPECT_EQ(Tail(2), (std::vector<std::string>{"2", "2", "3", "0", "0", "0"}));
    EXPECT_EQ(Tail(3), (std::vector<std::string>{"1", "3", "1", "1", "0", "0"}));
    EXPECT_EQ(Tail(4), (std::vector<std::string>{"0", "2", "1", "2", "-7", "12"}));
    EXPECT_EQ(L[4].substr(L[4].size() - 7), " -7 12 ");
}

TEST(ModelFileWriter, RealsAreFixedPointWithExactHalvesRoundedAwayFromZero)
{
    TModelFixture F;
    TStageParams P;
    P.DemandMean = 0.125;       // two decimals: 0.13, where C's printf gives 0.12
    P.DemandSD = 0.03125;       // four decimals: 0.0313
    P.DemandBound = 3;
    P.ProductCost = -0.03125;   // -0.0313
    P.OQSmoothingConst = 2.5;
    AddStage(F.Model, P);
    const std::vector<std::string> T = Tokens(Lines(ModelFileText(F.Model))[2]);
    ASSERT_GE(T.size(), 41u);
    EXPECT_EQ(T[4], "0.13");
    EXPECT_EQ(T[5], "0.0313");
    EXPECT_EQ(T[6], "3.00");
    EXPECT_EQ(T[8], "-0.0313");
    EXPECT_EQ(T[40], "2.5000");
}

TEST(ModelFileWriter, PeriodIsTheSeparatorWhateverTheGlobalLocale)
{
    struct TCommaPunct : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale Old = std::locale::global(std::locale(std::locale::classic(), new TCommaPunct));
    TModelFixture F;
    AddStage(F.Model, {.DemandMean = 2.5});
    const std::string Text = ModelFileText(F.Model);
    std::locale::global(Old);
    EXPECT_EQ(Text.find(','), std::string::npos);
    EXPECT_NE(Text.find(" 2.50 "), std::string::npos);
}

TEST(ModelFileWriter, HugeFiniteDemandBoundIsWrittenAsInfinity)
{
    TModelFixture F;
    AddStage(F.Model, {.DemandBound = 5e60});  // 61 digits and ".00": 64 characters, the longest real token
    const std::string Longest = Tokens(Lines(ModelFileText(F.Model))[2])[6];
    EXPECT_EQ(Longest.size(), 64u);
    EXPECT_EQ(Longest.substr(Longest.size() - 3), ".00");
    F.Model.SetParam(1, ParamDemandBound, 5e61);
    EXPECT_EQ(Tokens(Lines(ModelFileText(F.Model))[2])[6], "1.0E+300");
    F.Model.SetParam(1, ParamDemandBound, 1e300);
    EXPECT_EQ(Tokens(Lines(ModelFileText(F.Model))[2])[6], "1.0E+300");
    // Negative: not "no bound" at all, so it keeps its value in exponent form.
    F.Model.SetParam(1, ParamDemandBound, -1e300);
    EXPECT_EQ(Tokens(Lines(ModelFileText(F.Model))[2])[6], "-1E+300");
}

TEST(ModelFileWriter, OverlongRealIsWrittenInExponentFormThatReadsBack)
{
    TModelFixture F;
    AddStage(F.Model, {.DemandMean = -3e100, .ProductCost = 1.25e70});
    const std::string Text = ModelFileText(F.Model);
    const std::vector<std::string> T = Tokens(Lines(Text)[2]);
    EXPECT_EQ(T[8], "1.25E+70");
    EXPECT_EQ(T[4], "-3E+100");

    TModelFixture G;
    ASSERT_TRUE(LoadModelFromText(G.Model, Text, G.Messages).Ok);
    EXPECT_EQ(G.Model.Stage(1).Params().ProductCost, 1.25e70);
    EXPECT_EQ(G.Model.Stage(1).Params().DemandMean, -3e100);
}

TEST(ModelFileWriter, AllPerUnitTimeTrueKeepsThePlainLayout)
{
    TModelFixture F;
    F.Model.AddStage();
    F.Model.AddStage();
    const std::string Text = ModelFileText(F.Model);
    EXPECT_EQ(Lines(Text).size(), 4u);
    EXPECT_EQ(Text.find("PerUnitTime"), std::string::npos);
}

TEST(ModelFileWriter, PerUnitTimeFalseAddsOneFlagLineAfterTheLastStage)
{
    TModelFixture F;
    F.Model.AddStage();
    AddStage(F.Model, {.StockoutPerUnitTime = false});
    F.Model.AddStage();
    const std::vector<std::string> L = Lines(ModelFileText(F.Model));
    ASSERT_EQ(L.size(), 6u);
    EXPECT_EQ(L[5], "PerUnitTime 1 0 1 ");
    // Everything before it is the plain layout.
    TModelFixture Plain;
    for (int I = 0; I < 3; ++I) {
        Plain.Model.AddStage();
    }
    const std::vector<std::string> P = Lines(ModelFileText(Plain.Model));
    EXPECT_EQ(std::vector<std::string>(L.begin(), L.begin() + 5), P);
}

TEST(SaveModel, WritesTheModelFileTextAndReplacesAnOldFile)
{
    TTempDir Dir;
    const fs::path Path = Dir.Path() / "model.txt";
    std::ofstream(Path) << "an older and much longer file than the one that replaces it\n";
    TModelFixture F;
    AddStage(F.Model, {.HoldingCost = 1.5});
    const TFileResult R = SaveModel(F.Model, Path.string());
    ASSERT_TRUE(R.Ok) << R.Message;
    EXPECT_EQ(ReadBytes(Path), ModelFileText(F.Model));
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir.Path()), fs::directory_iterator()), 1);
}

TEST(SaveModel, FailsIntoAMissingDirectoryNamingThePath)
{
    TTempDir Dir;
    const fs::path Path = Dir.Path() / "missing" / "model.txt";
    TModelFixture F;
    F.Model.AddStage();
    const TFileResult R = SaveModel(F.Model, Path.string());
    EXPECT_FALSE(R.Ok);
    EXPECT_NE(R.Message.find(Path.string()), std::string::npos) << R.Message;
    EXPECT_NE(R.Message.find("No such file or directory"), std::string::npos) << R.Message;
    EXPECT_FALSE(fs::exists(Dir.Path() / "missing"));
}

TEST(SaveModel, FailsOnADirectoryAndLeavesItAsItWas)
{
    TTempDir Dir;
    const fs::path Target = Dir.Path() / "folder";
    fs::create_directory(Target);
    std::ofstream(Target / "inside.txt") << "keep";
    TModelFixture F;
    F.Model.AddStage();
    const TFileResult R = SaveModel(F.Model, Target.string());
    EXPECT_FALSE(R.Ok);
    EXPECT_NE(R.Message.find(Target.string()), std::string::npos) << R.Message;
    EXPECT_TRUE(fs::is_directory(Target));
    EXPECT_EQ(ReadBytes(Target / "inside.txt"), "keep");
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir.Path()), fs::directory_iterator()), 1);
}

TEST(SaveModel, RefusesAParameterItCannotWriteAndKeepsTheOldFile)
{
    TTempDir Dir;
    const fs::path Path = Dir.Path() / "model.txt";
    std::ofstream(Path) << "good";
    TModelFixture F;
    F.Model.AddStage();
    AddStage(F.Model, {.WIPHoldingCost = std::numeric_limits<double>::quiet_NaN()});
    TFileResult R = SaveModel(F.Model, Path.string());
    EXPECT_FALSE(R.Ok);
    EXPECT_NE(R.Message.find("WIP Holding Cost of stage 2"), std::string::npos) << R.Message;
    EXPECT_NE(R.Message.find(Path.string()), std::string::npos) << R.Message;
    EXPECT_EQ(ReadBytes(Path), "good");

    F.Model.SetParam(2, ParamWIPHoldingCost, 0);
    F.Model.SetParam(1, ParamDemandBound, -std::numeric_limits<double>::infinity());
    R = SaveModel(F.Model, Path.string());
    EXPECT_FALSE(R.Ok);
    EXPECT_NE(R.Message.find("Dem Bound (#SD) of stage 1"), std::string::npos) << R.Message;
    EXPECT_EQ(ReadBytes(Path), "good");
}
