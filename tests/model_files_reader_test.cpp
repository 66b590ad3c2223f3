#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "engine/Simulation.h"
#include "model_files/ModelFile.h"
#include "support/ScriptedDialogs.h"

using testing::HasSubstr;

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();

const std::string Notice =
    "This file was created using an earlier version of Orvantis.  Converting as necessary.\r\r"
    "(To avoid seeing this message in the future, save the model file again.)";

std::string Repeat(const std::string& Text, int Times)
{
    std::string Out;
    for (int I = 0; I < Times; ++I) {
        Out += Text;
    }
    return Out;
}

// A "v2.4" stage line with every parameter at its default; Links is the text from NumSuppliers to
// the end of the customer list.
std::string DefaultLine(int Num, const std::string& Links = "0 0 ")
{
    const std::string N = std::to_string(Num);
    return N + " 0 2000000000 0 0.00 0.0000 1.0E+300 " + N + " " + Repeat("0.0000 ", 7) + "1 0 0 0 0 0 0 2000000000 " +
           Repeat("0.0000 ", 18) + "0 2000000000 2000000000 0 " + Links + "10 20 \r";
}

std::string Header(int Stages)
{
    return "v2.4\r" + std::to_string(Stages) + " 0\r";
}

std::string DataFile(const std::string& Name)
{
    std::ifstream In(std::string(ORVANTIS_TEST_DATA_DIR) + "/" + Name, std::ios::binary);
    EXPECT_TRUE(In.good()) << Name;
    return std::string(std::istreambuf_iterator<char>(In), {});
}

std::string Replaced(std::string Text, char From, const std::string& To)
{
    std::string Out;
    for (char C : Text) {
        if (C == From) {
            Out += To;
        } else {
            Out.push_back(C);
        }
    }
    return Out;
}

struct TLoaded {
    TScriptedDialogs Messages;
    TSimulation Model;
    TLoadResult Result;

    explicit TLoaded(std::string_view Bytes) { Result = LoadModelFromText(Model, Bytes, Messages); }
    bool NoticeShownOnce() const
    {
        return Messages.Shown.size() == 1 && Messages.Shown[0].Kind == TScriptedDialogs::TKind::Info &&
               Messages.Shown[0].Text == Notice;
    }
    std::vector<int> Suppliers(int N) const
    {
        std::vector<int> Out;
        const TStage& S = Model.Stage(N);
        for (int K = 1; K <= S.NumSuppliers(); ++K) {
            Out.push_back(S.Supplier(K).StageNum);
        }
        return Out;
    }
    std::vector<int> Customers(int N) const
    {
        std::vector<int> Out;
        const TStage& S = Model.Stage(N);
        for (int K = 1; K <= S.NumCustomers(); ++K) {
            Out.push_back(S.Customer(K).StageNum);
        }
        return Out;
    }
};

// The "OQ" parameters that versions before 2.4 lack, at their defaults.
void ExpectNewOQDefaults(const TStageParams& S)
{
    EXPECT_EQ(S.OQOrderQtyLB, 0);
    EXPECT_EQ(S.OQOrderQtyUB, IntInf);
    EXPECT_EQ(S.OQReorderPoint, IntInf);
    EXPECT_EQ(S.OQInitIL, 0);
}

void ExpectAllOQDefaults(const TStageParams& S)
{
    for (int P = ParamOQConstant; P <= ParamOQUpstrNonDisruptCf; ++P) {
        EXPECT_EQ(S.GetParam(P), 0.0) << "parameter " << P;
    }
    EXPECT_EQ(S.OQIPLB, 0);
    EXPECT_EQ(S.OQIPUB, IntInf);
    ExpectNewOQDefaults(S);
}

}  // namespace

// --- The current version -----------------------------------------------------------------------

TEST(LoadModel, CurrentVersionPutsEveryTokenInItsField)
{
    TLoaded L(DataFile("model_v24.txt"));
    ASSERT_TRUE(L.Result.Ok) << L.Result.Message;
    EXPECT_TRUE(L.Messages.Shown.empty());
    EXPECT_EQ(L.Result.Version, 2.4);
    ASSERT_EQ(L.Model.NumStages(), 2);
    EXPECT_TRUE(L.Model.ForceCST());
    const TStage& S = L.Model.Stage(1);
    // Catalogue order; the file holds them in its own order (tokens 24-41 hold 24.5 ... 41.5).
    const double Expected[NumParams] = {
        2, 30, 1, 12.5, 3.25, 2.75, 9, 1.1, 1.2, 1.3, 1.4, 1.5, 1, 0.01, 0.2, PolicyOQ, 17, 18, 19, 20, 21,
        39.5, 24.5, 40.5, 41.5, 25.5, 26.5, 38.5, 31.5, 32.5, 33.5, 27.5, 28.5, 29.5, 30.5, 36.5, 37.5, 34.5, 35.5,
        42, 43, 22, 23, 44, 45,
    };
    for (int P = 0; P < NumParams; ++P) {
        EXPECT_EQ(S.GetParam(P), Expected[P]) << ParamLongNames[static_cast<std::size_t>(P)];
    }
    EXPECT_EQ(L.Suppliers(1), std::vector<int>{2});
    EXPECT_TRUE(L.Customers(1).empty());
    EXPECT_EQ(S.PosX(), 10);
    EXPECT_EQ(S.PosY(), 20);
    ASSERT_EQ(S.NumRawMaterials(), 1);
    EXPECT_EQ(S.RawMatProduct(1), 2);

    const TStage& T = L.Model.Stage(2);
    EXPECT_EQ(T.Params().DemandBound, Inf);
    EXPECT_EQ(T.Params().ProcCapacity, IntInf);
    EXPECT_EQ(T.Params().OQIPUB, IntInf);
    EXPECT_TRUE(L.Suppliers(2).empty());
    EXPECT_EQ(L.Customers(2), std::vector<int>{1});
    EXPECT_EQ(T.PosX(), 200);
    EXPECT_EQ(L.Model.Period(), 0);
}

TEST(LoadModel, FullModelInTheExactLayoutIsWrittenBackByteForByte)
{
    // 25 stages, every stage linked to every higher one, a flag line for "Per Unit Time".
    const std::string File = DataFile("model_25_stages.txt");
    TLoaded L(File);
    ASSERT_TRUE(L.Result.Ok) << L.Result.Message;
    ASSERT_EQ(L.Model.NumStages(), 25);
    EXPECT_EQ(L.Model.Stage(1).NumSuppliers(), 24);
    EXPECT_EQ(L.Model.Stage(25).NumCustomers(), 24);
    EXPECT_EQ(L.Model.Stage(25).Customer(24).StageNum, 24);
    EXPECT_FALSE(L.Model.Stage(4).Params().StockoutPerUnitTime);
    EXPECT_TRUE(L.Model.Stage(5).Params().StockoutPerUnitTime);
    EXPECT_EQ(L.Model.Stage(5).Params().DemandBound, 1.25);
    EXPECT_EQ(L.Model.Stage(6).Params().DemandBound, Inf);
    EXPECT_EQ(ModelFileText(L.Model), File);
}

TEST(LoadModel, SaveThenLoadKeepsEveryParameterAtTheWrittenPrecision)
{
    TScriptedDialogs Messages;
    TSimulation Model;
    for (int I = 0; I < 3; ++I) {
        Model.AddStage();
    }
    ASSERT_EQ(Model.Link(2, 1), TLinkResult::Linked);
    ASSERT_EQ(Model.Link(3, 1), TLinkResult::Linked);
    ASSERT_EQ(Model.Link(3, 2), TLinkResult::Linked);
    Model.SetForceCST(true);
    // Every parameter of stage 2 off its default, reals with more decimals than the file keeps.
    struct TCase {
        int Param;
        double Set;
        double Expected;
    };
    const std::vector<TCase> Cases = {
        {ParamProcTime, 3, 3}, {ParamProcCapacity, 40, 40}, {ParamCommittedServiceTime, 2, 2},
        {ParamDemandMean, 12.345678, 12.35}, {ParamDemandSD, 2.3456789, 2.3457}, {ParamDemandBound, 1.23456, 1.23},
        {ParamProductIndex, 7, 7}, {ParamProductCost, 0.123456, 0.1235}, {ParamFixedCost, 5.55556, 5.5556},
        {ParamHoldingCost, -1.00004, -1.0}, {ParamWIPHoldingCost, 0.00005, 0.0001}, {ParamStockoutCost, 99.99999, 100.0},
        {ParamFailureProb, 0.012345, 0.0123}, {ParamRecoveryProb, 0.98766, 0.9877}, {ParamInvPolicy, 3, 3},
        {ParamBaseStockLevel, 100, 100}, {ParamRQReorderPoint, -5, -5}, {ParamRQOrderQty, 12, 12},
        {ParamSSReorderPoint, 8, 8}, {ParamSSOrderUpTo, 30, 30}, {ParamOQConstant, 1.11111, 1.1111},
        {ParamOQDemandCf, 2.22222, 2.2222}, {ParamOQForecastCf, 3.33333, 3.3333}, {ParamOQSmoothingConst, 0.44444, 0.4444},
        {ParamOQIPCf, -0.55556, -0.5556}, {ParamOQILCf, 6.6, 6.6}, {ParamOQInProcessCf, 7.7, 7.7},
        {ParamOQAboutToComplCf, 8.8, 8.8}, {ParamOQUpstrIPCf, 9.9, 9.9}, {ParamOQUpstrILCf, 10.1, 10.1},
        {ParamOQUpstrConsecSOCf, 11.1, 11.1}, {ParamOQUpstrConsecNonSOCf, 12.1, 12.1}, {ParamOQUpstrSOCf, 13.1, 13.1},
        {ParamOQUpstrNonSOCf, 14.1, 14.1}, {ParamOQDisruptCf, 15.1, 15.1}, {ParamOQNonDisruptCf, 16.1, 16.1},
        {ParamOQUpstrDisruptCf, 17.1, 17.1}, {ParamOQUpstrNonDisruptCf, 18.1, 18.1}, {ParamOQOrderQtyLB, 1, 1},
        {ParamOQOrderQtyUB, 500, 500}, {ParamOQIPLB, -3, -3}, {ParamOQIPUB, 900, 900}, {ParamOQReorderPoint, 70, 70},
        {ParamOQInitIL, 25, 25}, {ParamStockoutPerUnitTime, 0, 0},
    };
    ASSERT_EQ(Cases.size(), static_cast<std::size_t>(NumParams));
    for (const TCase& C : Cases) {
        Model.SetParam(2, C.Param, C.Set);
    }
    Model.SetStagePosition(2, 321, -4);
    Model.SetParam(3, ParamProcCapacity, 0);

    TLoaded L(ModelFileText(Model));
    ASSERT_TRUE(L.Result.Ok) << L.Result.Message;
    EXPECT_TRUE(L.Messages.Shown.empty());
    ASSERT_EQ(L.Model.NumStages(), 3);
    EXPECT_TRUE(L.Model.ForceCST());
    for (const TCase& C : Cases) {
        EXPECT_EQ(L.Model.Stage(2).GetParam(C.Param), C.Expected) << ParamLongNames[static_cast<std::size_t>(C.Param)];
    }
    EXPECT_EQ(L.Model.Stage(2).PosX(), 321);
    EXPECT_EQ(L.Model.Stage(2).PosY(), -4);
    EXPECT_EQ(L.Model.Stage(3).Params().ProcCapacity, 0);
    EXPECT_TRUE(L.Model.Stage(1).Params().StockoutPerUnitTime);
    EXPECT_TRUE(L.Model.Stage(3).Params().StockoutPerUnitTime);
    EXPECT_EQ(L.Model.Stage(1).Params().DemandBound, Inf);
    EXPECT_EQ(L.Suppliers(1), (std::vector<int>{2, 3}));
    EXPECT_EQ(L.Suppliers(2), std::vector<int>{3});
    EXPECT_EQ(L.Customers(2), std::vector<int>{1});
    EXPECT_EQ(L.Customers(3), (std::vector<int>{1, 2}));
    EXPECT_EQ(ModelFileText(L.Model), ModelFileText(Model));
}

TEST(LoadModel, PerUnitTimeLineIsAppliedAndAbsentMeansTrue)
{
    TSimulation Model;
    for (int I = 0; I < 3; ++I) {
        Model.AddStage();
    }
    Model.SetParam(1, ParamStockoutPerUnitTime, 0);
    Model.SetParam(3, ParamStockoutPerUnitTime, 0);
    TLoaded L(ModelFileText(Model));
    ASSERT_TRUE(L.Result.Ok) << L.Result.Message;
    EXPECT_FALSE(L.Model.Stage(1).Params().StockoutPerUnitTime);
    EXPECT_TRUE(L.Model.Stage(2).Params().StockoutPerUnitTime);
    EXPECT_FALSE(L.Model.Stage(3).Params().StockoutPerUnitTime);

    // A reader following the plain layout stops after the last stage: the same file without the
    // flag line is the same model with every flag TRUE.
    const std::string Text = ModelFileText(Model);
    TLoaded Plain(Text.substr(0, Text.find("PerUnitTime")));
    ASSERT_TRUE(Plain.Result.Ok) << Plain.Result.Message;
    for (int N = 1; N <= 3; ++N) {
        EXPECT_TRUE(Plain.Model.Stage(N).Params().StockoutPerUnitTime);
    }
}

TEST(LoadModel, MalformedPerUnitTimeLineIsRefused)
{
    const std::string Stages = Header(2) + DefaultLine(1) + DefaultLine(2);
    TLoaded Short(Stages + "PerUnitTime 0 \r");
    EXPECT_FALSE(Short.Result.Ok);
    EXPECT_EQ(Short.Result.Message,
              "Line 5: expected 1 or 0 for the PerUnitTime flag of stage 2, found the end of the file.");
    TLoaded Bad(Stages + "PerUnitTime 0 2 \r");
    EXPECT_FALSE(Bad.Result.Ok);
    EXPECT_EQ(Bad.Result.Message, "Line 5: expected 1 or 0 for the PerUnitTime flag of stage 2, found \"2\".");
    // Other text after the last stage is no concern of the reader.
    TLoaded Other(Stages + "remarks 1 2 3\r");
    EXPECT_TRUE(Other.Result.Ok) << Other.Result.Message;
}

TEST(LoadModel, PolicyCodeOutsideZeroToFourLoadsAsNone)
{
    std::string Line = DefaultLine(1);
    Line.replace(Line.find(" 1 0 0 0 0 0 0 "), 3, " 7 ");
    TLoaded L(Header(1) + Line);
    ASSERT_TRUE(L.Result.Ok) << L.Result.Message;
    EXPECT_EQ(L.Model.Stage(1).Params().InvPolicy, PolicyNone);
}

TEST(LoadModel, LineEndsOfAnyKindReadTheSame)
{
    const std::string Cr = DataFile("model_v24.txt");
    TLoaded Reference(Cr);
    ASSERT_TRUE(Reference.Result.Ok) << Reference.Result.Message;
    const std::string Expected = ModelFileText(Reference.Model);
    for (const std::string& Ending : {std::string("\r\n"), std::string("\n"), std::string("\t \n\n")}) {
        TLoaded L(Replaced(Cr, '\r', Ending));
        ASSERT_TRUE(L.Result.Ok) << L.Result.Message;
        EXPECT_EQ(ModelFileText(L.Model), Expected);
    }
}

TEST(LoadModel, AByteOrderMarkBeforeTheFirstLineIsSkipped)
{
    for (const char* Name : {"model_v24.txt", "model_v20.txt"}) {
        SCOPED_TRACE(Name);
        const std::string Bytes = DataFile(Name);
        TLoaded Reference(Bytes);
        TLoaded L("\xEF\xBB\xBF" + Bytes);
        ASSERT_TRUE(L.Result.Ok) << L.Result.Message;
        EXPECT_EQ(L.Result.Version, Reference.Result.Version);
        EXPECT_EQ(ModelFileText(L.Model), ModelFileText(Reference.Model));
    }
}

TEST(LoadModel, FileThatEndsEarlyReadsTheRestAsZeros)
{
    TLoaded L("v2.4\r2 1\r1 3 2000000000 0 5.00");
    ASSERT_TRUE(L.Result.Ok) << L.Result.Message;
    ASSERT_EQ(L.Model.NumStages(), 2);
    const TStageParams& S = L.Model.Stage(1).Params();
    EXPECT_EQ(S.ProcTime, 3);
    EXPECT_EQ(S.DemandMean, 5.0);
    EXPECT_EQ(S.DemandSD, 0.0);
    EXPECT_EQ(S.DemandBound, 0.0);
    EXPECT_EQ(S.ProductIndex, 0);
    EXPECT_EQ(S.InvPolicy, PolicyNone);
    EXPECT_EQ(S.OQIPUB, 0);
    // The stage whose line is missing altogether keeps its number.
    const TStage& T = L.Model.Stage(2);
    EXPECT_EQ(T.StageNum, 2);
    EXPECT_EQ(T.Params().ProcCapacity, 0);
    EXPECT_EQ(T.NumSuppliers(), 0);

    TLoaded NoCount("v2.4\r");
    EXPECT_TRUE(NoCount.Result.Ok);
    EXPECT_EQ(NoCount.Model.NumStages(), 0);
}

TEST(LoadModel, FirstTwoLinesReadWithOrWithoutTrailingBlank)
{
    for (const char* Start : {"v2.4\r1 1\r", "v2.4 \r1 1 \r", "v2.4\r1 1 \r", "v2.4 \r1 1\r"}) {
        TLoaded L(std::string(Start) + DefaultLine(1));
        ASSERT_TRUE(L.Result.Ok) << L.Result.Message;
        EXPECT_EQ(L.Model.NumStages(), 1);
        EXPECT_TRUE(L.Model.ForceCST());
    }
}

TEST(LoadModel, ModelThatIsNotEmptyIsRefused)
{
    TScriptedDialogs Messages;
    TSimulation Model;
    Model.AddStage();
    const TLoadResult R = LoadModelFromText(Model, Header(1) + DefaultLine(1), Messages);
    EXPECT_FALSE(R.Ok);
    EXPECT_EQ(Model.NumStages(), 1);
}

TEST(LoadModel, FileThatCannotBeReadNamesThePath)
{
    TScriptedDialogs Messages;
    TSimulation Model;
    const std::string Path = std::string(ORVANTIS_TEST_DATA_DIR) + "/no_such_model.txt";
    const TLoadResult R = LoadModel(Model, Path, Messages);
    EXPECT_FALSE(R.Ok);
    EXPECT_THAT(R.Message, HasSubstr(Path));
    EXPECT_EQ(R.Version, 0.0);
    EXPECT_TRUE(Messages.Shown.empty());
}

// --- Versions ----------------------------------------------------------------------------------

TEST(LoadModel, Version20GetsDefaultsForWhatItLacks)
{
    TLoaded L(DataFile("model_v20.txt"));
    ASSERT_TRUE(L.Result.Ok) << L.Result.Message;
    EXPECT_EQ(L.Result.Version, 2.0);
    EXPECT_TRUE(L.NoticeShownOnce());
    ASSERT_EQ(L.Model.NumStages(), 3);
    EXPECT_FALSE(L.Model.ForceCST());
    const TStageParams& S1 = L.Model.Stage(1).Params();
    EXPECT_EQ(S1.ProcTime, 1);
    EXPECT_EQ(S1.CommittedServiceTime, 0);
    EXPECT_EQ(S1.DemandMean, 20.0);
    EXPECT_EQ(S1.DemandSD, 5.0);
    EXPECT_EQ(S1.DemandBound, 3.0);
    EXPECT_EQ(S1.HoldingCost, 1.0);
    EXPECT_EQ(S1.WIPHoldingCost, 0.5);
    EXPECT_EQ(S1.StockoutCost, 10.0);
    EXPECT_EQ(S1.BaseStockLevel, 60);
    EXPECT_EQ(L.Suppliers(1), std::vector<int>{2});
    EXPECT_EQ(L.Customers(3), std::vector<int>{2});
    EXPECT_EQ(L.Model.Stage(2).Params().FailureProb, 0.02);
    // Only the current version reads 1e300 as INF.
    EXPECT_EQ(L.Model.Stage(2).Params().DemandBound, 1e300);
    const TStage& S3 = L.Model.Stage(3);
    EXPECT_EQ(S3.Params().InvPolicy, PolicyRQ);
    EXPECT_EQ(S3.Params().RQReorderPoint, 10);
    EXPECT_EQ(S3.Params().RQOrderQty, 25);
    EXPECT_EQ(S3.PosX(), 250);
    for (int N = 1; N <= 3; ++N) {
        const TStage& S = L.Model.Stage(N);
        EXPECT_EQ(S.Params().ProcCapacity, IntInf);
        EXPECT_EQ(S.Params().ProductIndex, N);
        EXPECT_EQ(S.Params().ProductCost, 0.0);
        EXPECT_EQ(S.Params().FixedCost, 0.0);
        EXPECT_EQ(S.Params().RecoveryProb, 0.0);
        EXPECT_TRUE(S.Params().StockoutPerUnitTime);
        ExpectAllOQDefaults(S.Params());
    }
    // Groups exist after the load although this version's reader builds none per stage.
    EXPECT_EQ(L.Model.Stage(2).NumRawMaterials(), 1);
}

TEST(LoadModel, Version21KeepsProductIndexAndTurnsPolicySevenIntoNone)
{
    TLoaded L(DataFile("model_v21.txt"));
    ASSERT_TRUE(L.Result.Ok) << L.Result.Message;
    EXPECT_EQ(L.Result.Version, 2.1);
    EXPECT_TRUE(L.NoticeShownOnce());
    ASSERT_EQ(L.Model.NumStages(), 3);
    EXPECT_TRUE(L.Model.ForceCST());
    const TStage& S1 = L.Model.Stage(1);
    EXPECT_EQ(S1.Params().InvPolicy, PolicyNone);
    EXPECT_EQ(S1.Params().DemandMean, 12.5);
    EXPECT_EQ(S1.Params().DemandBound, 2.0);
    EXPECT_EQ(S1.Params().BaseStockLevel, 40);
    const TStageParams& S2 = L.Model.Stage(2).Params();
    EXPECT_EQ(S2.ProcCapacity, 15);
    EXPECT_EQ(S2.CommittedServiceTime, 1);
    EXPECT_EQ(S2.ProductIndex, 2);
    EXPECT_EQ(S2.ProductCost, 1.5);
    EXPECT_EQ(S2.HoldingCost, 0.25);
    EXPECT_EQ(S2.WIPHoldingCost, 0.1);
    EXPECT_EQ(S2.FailureProb, 0.01);
    EXPECT_EQ(S2.RecoveryProb, 0.5);
    EXPECT_EQ(S2.InvPolicy, PolicySS);
    EXPECT_EQ(S2.SSReorderPoint, 20);
    EXPECT_EQ(S2.SSOrderUpTo, 80);
    EXPECT_EQ(L.Model.Stage(3).Params().ProductIndex, 2);
    for (int N = 1; N <= 3; ++N) {
        EXPECT_EQ(L.Model.Stage(N).Params().FixedCost, 0.0);
        ExpectAllOQDefaults(L.Model.Stage(N).Params());
    }
    // Stages 2 and 3 make the same product: one group, the cheaper stage 3 first. Built from the
    // values read, not from those the suppliers had when stage 1's line was read.
    ASSERT_EQ(S1.NumRawMaterials(), 1);
    EXPECT_EQ(S1.RawMatProduct(1), 2);
    ASSERT_EQ(S1.RawMatNumSuppliers(1), 2);
    EXPECT_EQ(S1.RawMatSupplier(1, 1).StageNum, 3);
    EXPECT_EQ(S1.RawMatSupplier(1, 2).StageNum, 2);
}

TEST(LoadModel, Version22ReadsTheBoundsAndFourteenCoefficientsInOrder)
{
    TLoaded L(DataFile("model_v22.txt"));
    ASSERT_TRUE(L.Result.Ok) << L.Result.Message;
    EXPECT_EQ(L.Result.Version, 2.2);
    EXPECT_TRUE(L.NoticeShownOnce());
    ASSERT_EQ(L.Model.NumStages(), 2);
    const TStageParams& S = L.Model.Stage(1).Params();
    EXPECT_EQ(S.ProcCapacity, 50);
    EXPECT_EQ(S.DemandBound, 1e300);
    EXPECT_EQ(S.InvPolicy, PolicyOQ);
    EXPECT_EQ(S.OQIPLB, 5);
    EXPECT_EQ(S.OQIPUB, 90);
    const double Coefficients[] = {S.OQDemandCf, S.OQIPCf, S.OQILCf, S.OQUpstrConsecSOCf, S.OQUpstrConsecNonSOCf,
                                   S.OQUpstrSOCf, S.OQUpstrNonSOCf, S.OQAboutToComplCf, S.OQUpstrIPCf, S.OQUpstrILCf,
                                   S.OQUpstrDisruptCf, S.OQUpstrNonDisruptCf, S.OQDisruptCf, S.OQNonDisruptCf};
    for (int I = 0; I < 14; ++I) {
        EXPECT_EQ(Coefficients[I], (I + 1) / 10.0) << "coefficient " << I + 1;
    }
    for (int N = 1; N <= 2; ++N) {
        const TStage& T = L.Model.Stage(N);
        EXPECT_EQ(T.Params().FixedCost, 0.0);
        EXPECT_EQ(T.Params().OQInProcessCf, 0.0);
        EXPECT_EQ(T.Params().OQConstant, 0.0);
        EXPECT_EQ(T.Params().OQForecastCf, 0.0);
        EXPECT_EQ(T.Params().OQSmoothingConst, 0.0);
        ExpectNewOQDefaults(T.Params());
    }
    EXPECT_EQ(L.Model.Stage(2).Params().OQIPUB, IntInf);
    EXPECT_EQ(L.Model.Stage(2).Params().ProductCost, 0.75);
    EXPECT_EQ(L.Customers(2), std::vector<int>{1});
}

TEST(LoadModel, Version23RoundsTheRealBoundsHalfToEven)
{
    TLoaded L(DataFile("model_v23.txt"));
    ASSERT_TRUE(L.Result.Ok) << L.Result.Message;
    EXPECT_EQ(L.Result.Version, 2.3);
    EXPECT_TRUE(L.NoticeShownOnce());
    ASSERT_EQ(L.Model.NumStages(), 2);
    const TStageParams& S = L.Model.Stage(1).Params();
    EXPECT_EQ(S.OQIPLB, 2);       // 2.5
    EXPECT_EQ(S.OQIPUB, IntInf);  // 2000000000.0
    EXPECT_EQ(S.HoldingCost, 1.0);
    EXPECT_EQ(S.StockoutCost, 3.0);
    EXPECT_EQ(S.DemandBound, 2.5);
    const double Coefficients[] = {S.OQDemandCf, S.OQIPCf, S.OQILCf, S.OQUpstrConsecSOCf, S.OQUpstrConsecNonSOCf,
                                   S.OQUpstrSOCf, S.OQUpstrNonSOCf, S.OQAboutToComplCf, S.OQUpstrIPCf, S.OQUpstrILCf,
                                   S.OQUpstrDisruptCf, S.OQUpstrNonDisruptCf, S.OQDisruptCf, S.OQNonDisruptCf,
                                   S.OQInProcessCf, S.OQConstant, S.OQForecastCf, S.OQSmoothingConst};
    for (int I = 0; I < 18; ++I) {
        EXPECT_EQ(Coefficients[I], 0.5 * (I + 1)) << "coefficient " << I + 1;
    }
    const TStageParams& T = L.Model.Stage(2).Params();
    EXPECT_EQ(T.OQIPLB, 4);     // 3.5
    EXPECT_EQ(T.OQIPUB, 1000);  // 1000.5
    EXPECT_EQ(T.ProductCost, 2.0);
    EXPECT_EQ(T.FixedCost, 7.5);
    EXPECT_EQ(T.HoldingCost, 0.5);
    EXPECT_EQ(T.WIPHoldingCost, 0.1);
    EXPECT_EQ(T.DemandBound, 1e300);
    for (int N = 1; N <= 2; ++N) {
        ExpectNewOQDefaults(L.Model.Stage(N).Params());
    }
}

TEST(LoadModel, Version23BoundOutsideTheIntegerRangeIsRefused)
{
    const std::string Line = "1 0 2000000000 0 0.00 0.0000 0.00 1 " + Repeat("0.0000 ", 7) + "1 0 0 0 0 0 0.0000 3e9 " +
                             Repeat("0.0000 ", 18) + "0 0 0 0\r";
    TLoaded L("v2.3\r1 0\r" + Line);
    EXPECT_FALSE(L.Result.Ok);
    EXPECT_EQ(L.Result.Message, "Line 3: OQ IP UB of stage 1 is 3000000000, outside the range of an integer.");
    EXPECT_TRUE(L.Messages.Shown.empty());
}

TEST(LoadModel, EarlierVersionSavedAgainLoadsWithoutNotice)
{
    for (const char* Name : {"model_v20.txt", "model_v21.txt", "model_v22.txt", "model_v23.txt"}) {
        TLoaded Old(DataFile(Name));
        ASSERT_TRUE(Old.Result.Ok) << Name << ": " << Old.Result.Message;
        const std::string Text = ModelFileText(Old.Model);
        EXPECT_EQ(Text.substr(0, 5), "v2.4\r");
        TLoaded New(Text);
        ASSERT_TRUE(New.Result.Ok) << Name << ": " << New.Result.Message;
        EXPECT_TRUE(New.Messages.Shown.empty()) << Name;
        EXPECT_EQ(ModelFileText(New.Model), Text) << Name;
    }
}

TEST(LoadModel, HugeFiniteBoundOfAnEarlierVersionBecomesInfiniteThroughASave)
{
    TLoaded Old(DataFile("model_v20.txt"));
    ASSERT_TRUE(Old.Result.Ok) << Old.Result.Message;
    ASSERT_EQ(Old.Model.Stage(2).Params().DemandBound, 1e300);
    const std::string Text = ModelFileText(Old.Model);
    EXPECT_NE(Text.find(" 1.0E+300 "), std::string::npos);
    TLoaded New(Text);
    ASSERT_TRUE(New.Result.Ok) << New.Result.Message;
    EXPECT_EQ(New.Model.Stage(2).Params().DemandBound, Inf);
    EXPECT_EQ(New.Model.Stage(1).Params().DemandBound, 3.0);
}

TEST(LoadModel, FileWithoutAnyTokenIsNotAModelFile)
{
    for (const std::string& Text : {std::string(), std::string(" \r\n\t"), std::string(3, '\0')}) {
        TLoaded L(Text);
        EXPECT_FALSE(L.Result.Ok);
        EXPECT_EQ(L.Result.Message, "The file is empty; it is not a model file.");
        EXPECT_EQ(L.Model.NumStages(), 0);
        EXPECT_TRUE(L.Messages.Shown.empty());
    }
}

TEST(LoadModel, ShortFileOrContentAfterTheModelLoadsWithAWarningNamingTheLine)
{
    const struct {
        std::string Text;
        int Stages;
        std::string Warning;
    } Cases[] = {
        {"v2.4\r", 0, "Line 1: the file ends before the number of stages; what is missing reads as 0."},
        {"v2.4\r2 1\r1 3 2000000000 0 5.00", 2,
         "Line 3: the file ends before Dem StdDev of stage 1; what is missing reads as 0."},
        {Header(2) + DefaultLine(1) + DefaultLine(2).substr(0, 20) + "\r\r", 2,
         "Line 4: the file ends before Dem StdDev of stage 2; what is missing reads as 0."},
        {Header(1) + DefaultLine(1) + "extra 1 2\r", 1,
         "Line 4: \"extra\" and whatever follows it after the last stage is not part of a model; it is ignored."},
        {Header(1) + DefaultLine(1) + "PerUnitTime 0 \r9\r", 1,
         "Line 5: \"9\" and whatever follows it after the last stage is not part of a model; it is ignored."},
        // Only the current version has the "Per Unit Time" line.
        {"1 0\r1 0 0 0.00 0.0000 0.00 0.0000 0.0000 0.0000 0.0000 1 0 0 0 0 0 0 0 0 0\rPerUnitTime 0 ", 1,
         "Line 3: \"PerUnitTime\" and whatever follows it after the last stage is not part of a model; it is ignored."},
    };
    for (const auto& C : Cases) {
        TLoaded L(C.Text);
        ASSERT_TRUE(L.Result.Ok) << L.Result.Message;
        EXPECT_EQ(L.Model.NumStages(), C.Stages) << C.Text;
        EXPECT_EQ(L.Result.Warning, C.Warning);
        ASSERT_FALSE(L.Messages.Shown.empty());
        EXPECT_EQ(L.Messages.Shown.back().Kind, TScriptedDialogs::TKind::Info);
        EXPECT_EQ(L.Messages.Shown.back().Text, C.Warning);
    }
    TLoaded Complete(Header(1) + DefaultLine(1) + " \r\r");
    EXPECT_TRUE(Complete.Result.Warning.empty());
    EXPECT_TRUE(Complete.Messages.Shown.empty());
}

TEST(LoadModel, ShortFileKeepsEveryLinkItNamesOnBothSides)
{
    // Stage 1 lists two suppliers, but the file ends after the first.
    TLoaded L(Header(3) + DefaultLine(1).substr(0, DefaultLine(1).size() - 10) + "2 3");
    ASSERT_TRUE(L.Result.Ok) << L.Result.Message;
    EXPECT_EQ(L.Result.Warning, "Line 3: the file ends before supplier 2 of stage 1; what is missing reads as 0.");
    EXPECT_EQ(L.Suppliers(1), (std::vector<int>{3}));
    EXPECT_EQ(L.Customers(3), (std::vector<int>{1}));
    EXPECT_TRUE(L.Customers(2).empty());
    EXPECT_EQ(L.Model.Stage(1).NumRawMaterials(), 1);
}

TEST(LoadModel, LinkListsThatDisagreeAreRefusedNamingBothStages)
{
    const struct {
        std::string Text;
        std::string Message;
    } Cases[] = {
        {Header(2) + DefaultLine(1, "1 2 0 ") + DefaultLine(2),
         "Line 3: stage 1 lists stage 2 as a supplier, but stage 2 does not list stage 1 as a customer."},
        {Header(2) + DefaultLine(1) + DefaultLine(2, "0 1 1 "),
         "Line 4: stage 2 lists stage 1 as a customer, but stage 1 does not list stage 2 as a supplier."},
        {Header(3) + DefaultLine(1, "1 3 0 ") + DefaultLine(2) + DefaultLine(3, "0 1 2 "),
         "Line 3: stage 1 lists stage 3 as a supplier, but stage 3 does not list stage 1 as a customer."},
        {Header(2) + DefaultLine(1, "2 2 2 0 ") + DefaultLine(2, "0 1 1 "),
         "Line 3: stage 1 lists stage 2 as a supplier twice."},
    };
    for (const auto& C : Cases) {
        TLoaded L(C.Text);
        EXPECT_FALSE(L.Result.Ok);
        EXPECT_EQ(L.Result.Message, C.Message);
        EXPECT_TRUE(L.Result.Warning.empty());
        EXPECT_TRUE(L.Messages.Shown.empty());
    }
}

TEST(LoadModel, UnknownVersionFailsWithoutReadingAnyStage)
{
    TLoaded L("v2.5\r1 0\r" + DefaultLine(1));
    EXPECT_FALSE(L.Result.Ok);
    EXPECT_EQ(L.Result.Version, 2.5);
    EXPECT_EQ(L.Result.Message, "Line 1: version 2.5 is not a model file version this program reads (2.0 to 2.4).");
    EXPECT_EQ(L.Model.NumStages(), 0);
    EXPECT_TRUE(L.Messages.Shown.empty());

    TLoaded NotANumber("vX\r1 0\r");
    EXPECT_FALSE(NotANumber.Result.Ok);
    EXPECT_EQ(NotANumber.Result.Message, "Line 1: expected a number for the version, found \"X\".");
}

TEST(LoadModel, VersionLineAfterABlankIsVersion20AndFailsAtItsFirstToken)
{
    TLoaded L(" v2.4\r1 0\r" + DefaultLine(1));
    EXPECT_FALSE(L.Result.Ok);
    EXPECT_EQ(L.Result.Version, 2.0);
    EXPECT_EQ(L.Result.Message, "Line 1: expected an integer for the number of stages, found \"v2.4\".");
    EXPECT_TRUE(L.Messages.Shown.empty());

    // Version 2.0 files never had a version line, so one claiming to be 2.0 fails the same way.
    TLoaded Claimed("v2.0\r0 0\r");
    EXPECT_FALSE(Claimed.Result.Ok);
    EXPECT_EQ(Claimed.Result.Message, "Line 1: expected an integer for the number of stages, found \"v2.0\".");
}

// --- Tokens ------------------------------------------------------------------------------------

TEST(LoadModel, TokenThatDoesNotConvertNamesItsLineAndField)
{
    std::string Line = DefaultLine(2);
    Line.replace(Line.find(" 0.0000 "), 8, " 1,5 ");
    TLoaded L(Header(2) + DefaultLine(1) + Line);
    EXPECT_FALSE(L.Result.Ok);
    EXPECT_EQ(L.Result.Line, 4);
    EXPECT_EQ(L.Result.Message, "Line 4: expected a number for Dem StdDev of stage 2, found \"1,5\".");

    // A real where an integer belongs.
    TLoaded Real(Header(1) + "1 2.0 " + DefaultLine(1).substr(4));
    EXPECT_FALSE(Real.Result.Ok);
    EXPECT_EQ(Real.Result.Message, "Line 3: expected an integer for Proc Time of stage 1, found \"2.0\".");
}

TEST(LoadModel, TokenLongerThanItsKindAllowsIsRefused)
{
    const std::string Int32Chars = std::string(31, '0') + "1";
    TLoaded IntOk("v2.4\r" + Int32Chars + " 0\r" + DefaultLine(1));
    EXPECT_TRUE(IntOk.Result.Ok) << IntOk.Result.Message;
    TLoaded IntLong("v2.4\r0" + Int32Chars + " 0\r" + DefaultLine(1));
    EXPECT_FALSE(IntLong.Result.Ok);
    EXPECT_THAT(IntLong.Result.Message, HasSubstr("Line 2: expected an integer for the number of stages"));
    EXPECT_THAT(IntLong.Result.Message, HasSubstr("(more than 32 characters)"));

    const std::string Real64Chars = "1." + std::string(62, '0');
    std::string Line = DefaultLine(1);
    const std::size_t Mean = Line.find(" 0.00 ");
    TLoaded RealOk(Header(1) + std::string(Line).replace(Mean, 6, " " + Real64Chars + " "));
    ASSERT_TRUE(RealOk.Result.Ok) << RealOk.Result.Message;
    EXPECT_EQ(RealOk.Model.Stage(1).Params().DemandMean, 1.0);
    TLoaded RealLong(Header(1) + std::string(Line).replace(Mean, 6, " " + Real64Chars + "0 "));
    EXPECT_FALSE(RealLong.Result.Ok);
    EXPECT_THAT(RealLong.Result.Message, HasSubstr("Line 3: expected a number for Dem Mean of stage 1"));
    EXPECT_THAT(RealLong.Result.Message, HasSubstr("(more than 64 characters)"));
}

TEST(LoadModel, IntegerBeyondThirtyTwoBitsIsRefused)
{
    TLoaded L(Header(1) + "1 2147483648 " + DefaultLine(1).substr(4));
    EXPECT_FALSE(L.Result.Ok);
    EXPECT_EQ(L.Result.Message, "Line 3: expected an integer for Proc Time of stage 1, found \"2147483648\".");
}

// --- Limits ------------------------------------------------------------------------------------

TEST(LoadModel, MoreThanTwentyFiveStagesIsRefusedBeforeAnyStageIsMade)
{
    TLoaded L("v2.4\r26 1\r" + DefaultLine(1));
    EXPECT_FALSE(L.Result.Ok);
    EXPECT_EQ(L.Result.Line, 2);
    EXPECT_EQ(L.Result.Message, "Line 2: the number of stages is 26; at most 25 stages are allowed.");
    EXPECT_EQ(L.Model.NumStages(), 0);
    EXPECT_FALSE(L.Model.ForceCST());

    std::string Full = "v2.4\r25 0\r";
    for (int N = 1; N <= 25; ++N) {
        Full += DefaultLine(N);
    }
    TLoaded Most(Full);
    EXPECT_TRUE(Most.Result.Ok) << Most.Result.Message;
    EXPECT_EQ(Most.Model.NumStages(), 25);
}

TEST(LoadModel, NegativeStageCountIsRefused)
{
    TLoaded L("v2.4\r-1 0\r");
    EXPECT_FALSE(L.Result.Ok);
    EXPECT_EQ(L.Result.Message, "Line 2: the number of stages is -1; it cannot be negative.");
    EXPECT_EQ(L.Model.NumStages(), 0);
}

TEST(LoadModel, MoreThanTwentyFiveSuppliersIsRefused)
{
    TLoaded L(Header(2) + DefaultLine(1, "26 2 2 2 ") + DefaultLine(2));
    EXPECT_FALSE(L.Result.Ok);
    EXPECT_EQ(L.Result.Message,
              "Line 3: the number of suppliers of stage 1 is 26; at most 25 suppliers are allowed.");
    // The stages exist; the failing one has no link.
    ASSERT_EQ(L.Model.NumStages(), 2);
    EXPECT_EQ(L.Model.Stage(1).NumSuppliers(), 0);
}

TEST(LoadModel, MoreThanTwentyFiveCustomersIsRefused)
{
    TLoaded L(Header(2) + DefaultLine(1) + DefaultLine(2, "0 26 1 1 "));
    EXPECT_FALSE(L.Result.Ok);
    EXPECT_EQ(L.Result.Message,
              "Line 4: the number of customers of stage 2 is 26; at most 25 customers are allowed.");
}

TEST(LoadModel, NegativeLinkCountIsRefused)
{
    TLoaded L(Header(2) + DefaultLine(1) + DefaultLine(2, "0 -3 "));
    EXPECT_FALSE(L.Result.Ok);
    EXPECT_EQ(L.Result.Message, "Line 4: the number of customers of stage 2 is -3; it cannot be negative.");
}

TEST(LoadModel, LinkToAStageOutsideTheModelIsRefused)
{
    TLoaded Beyond(Header(2) + DefaultLine(1, "1 3 0 ") + DefaultLine(2));
    EXPECT_FALSE(Beyond.Result.Ok);
    EXPECT_EQ(Beyond.Result.Message,
              "Line 3: stage 1 lists supplier 3, which is not a stage of this model (1 to 2).");

    TLoaded Zero(Header(2) + DefaultLine(1) + DefaultLine(2, "0 1 0 "));
    EXPECT_FALSE(Zero.Result.Ok);
    EXPECT_EQ(Zero.Result.Message, "Line 4: stage 2 lists customer 0, which is not a stage of this model (1 to 2).");
}

TEST(LoadModel, SupplierNotNumberedAboveItsCustomerIsRefused)
{
    TLoaded L(Header(2) + DefaultLine(1) + DefaultLine(2, "1 1 0 "));
    EXPECT_FALSE(L.Result.Ok);
    EXPECT_EQ(L.Result.Message,
              "Line 4: stage 2 lists stage 1 as a supplier; a supplier must have a higher number than its customer.");

    TLoaded Self(Header(2) + DefaultLine(1, "1 1 0 ") + DefaultLine(2));
    EXPECT_FALSE(Self.Result.Ok);
    EXPECT_THAT(Self.Result.Message, HasSubstr("stage 1 lists stage 1 as a supplier"));
}

TEST(LoadModel, CustomerNotNumberedBelowItsSupplierIsRefused)
{
    TLoaded L(Header(2) + DefaultLine(1, "0 1 2 ") + DefaultLine(2));
    EXPECT_FALSE(L.Result.Ok);
    EXPECT_EQ(L.Result.Message,
              "Line 3: stage 1 lists stage 2 as a customer; a customer must have a lower number than its supplier.");
}

TEST(LoadModel, StageNumberThatDiffersFromItsPositionIsRefused)
{
    std::string Line = DefaultLine(3);
    TLoaded L(Header(3) + DefaultLine(1) + Line + DefaultLine(2));
    EXPECT_FALSE(L.Result.Ok);
    EXPECT_EQ(L.Result.Message,
              "Line 4: the stage in position 2 is numbered 3; stages must be numbered 1, 2, 3, ... in file order.");
}

TEST(LoadModel, AfterAFailureTheModelHoldsOnlySoundLinks)
{
    // Stage 2 lists two good suppliers, then one outside the model.
    TLoaded L(Header(4) + DefaultLine(1, "2 2 3 0 ") + DefaultLine(2, "3 3 4 9 ") + DefaultLine(3) + DefaultLine(4));
    EXPECT_FALSE(L.Result.Ok);
    EXPECT_EQ(L.Result.Line, 4);
    ASSERT_EQ(L.Model.NumStages(), 4);
    EXPECT_EQ(L.Suppliers(1), (std::vector<int>{2, 3}));
    EXPECT_EQ(L.Suppliers(2), (std::vector<int>{3, 4}));
    EXPECT_EQ(L.Model.Stage(2).NumRawMaterials(), 2);
    EXPECT_EQ(L.Model.Stage(2).PosX(), 0);  // not reached
    EXPECT_EQ(L.Model.Stage(3).PosX(), 0);
    EXPECT_TRUE(L.Messages.Shown.empty());
}
