#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "engine/Simulation.h"
#include "reports/ModelParamTable.h"

namespace {

// The field of parameter Index in Line, for a table whose column widths are Widths.
std::string FieldOf(const std::string& Line, const std::vector<int>& Widths, int Index)
{
    std::size_t Start = 7;
    for (int I = 0; I < Index; ++I) {
        Start += static_cast<std::size_t>(Widths[static_cast<std::size_t>(I)]) + 2;
    }
    return Line.substr(Start, static_cast<std::size_t>(Widths[static_cast<std::size_t>(Index)]));
}

// Column widths read back from the heading: each short name ends its column.
std::vector<int> WidthsOf(const std::string& Heading)
{
    std::vector<int> Widths;
    std::size_t Pos = 7;
    for (int I = 0; I < NumParams; ++I) {
        const std::string& Name = ParamShortNames[static_cast<std::size_t>(I)];
        const std::size_t End = Heading.find(Name + "  ", Pos);
        if (End == std::string::npos) {
            ADD_FAILURE() << "no " << Name;
            return Widths;
        }
        Widths.push_back(static_cast<int>(End + Name.size() - Pos));
        Pos = End + Name.size() + 2;
    }
    EXPECT_EQ(Pos, Heading.size());
    return Widths;
}

}  // namespace

TEST(ReportsParamTable, ModelWithoutStagesGivesHeadingAndTwoEmptyLines)
{
    TSimulation Model;
    const std::vector<std::string> Lines = BuildModelParamTable(Model, '.');
    ASSERT_EQ(Lines.size(), 3u);
    std::string Heading = "Stage  ";
    for (const std::string& Name : ParamShortNames) {
        Heading += Name + "  ";
    }
    EXPECT_EQ(Lines[0], Heading);
    EXPECT_EQ(Lines[1], "");
    EXPECT_EQ(Lines[2], "");
}

TEST(ReportsParamTable, DefaultOneStageModel)
{
    TSimulation Model;
    Model.AddStage();
    const std::vector<std::string> Lines = BuildModelParamTable(Model, '.');
    ASSERT_EQ(Lines.size(), 4u);
    EXPECT_EQ(Lines[0],
              "Stage  ProcTime  ProcCap  ComServT  DemMean   DemSD  DemBound  ProdIndx  ProdCost  FixCost  HoldCost  "
              "WIPHCost  StckCost  PerTime  FailProb  RecvProb  InvPol  BSLevel  R  Q  s  S  OQConst   OQDem  OQFcast  "
              "OQESCnst    OQIP    OQIL  OQInProc  OQ#ATC  OQUpIP  OQUpIL  OQUp#SO  OQUp#NSO  OQUpSO  OQUpNSO   OQDis  "
              "OQNDis  OQUpDis  OQUpNDis  OQOQLB  OQOQUB  OQIPLB  OQIPUB  OQReord  OQInitIL  ");
    EXPECT_EQ(Lines[1],
              "    1         0      INF         0   0.0000  0.0000       INF         1    0.0000   0.0000    0.0000    "
              "0.0000    0.0000        T    0.0000    0.0000       1        0  0  0  0  0   0.0000  0.0000   0.0000    "
              "0.0000  0.0000  0.0000    0.0000  0.0000  0.0000  0.0000   0.0000    0.0000  0.0000   0.0000  0.0000  "
              "0.0000   0.0000    0.0000       0     INF       0     INF      INF         0  ");
    EXPECT_EQ(Lines[2], "");
    EXPECT_EQ(Lines[3], "");
}

TEST(ReportsParamTable, LongestValueWidensItsColumnInEveryLine)
{
    TSimulation Model;
    Model.AddStage();
    Model.AddStage();
    Model.SetParam(2, ParamDemandMean, 250.5);
    Model.SetParam(1, ParamRQReorderPoint, -12345);
    const std::vector<std::string> Lines = BuildModelParamTable(Model, ',');
    ASSERT_EQ(Lines.size(), 5u);
    EXPECT_EQ(Lines[0].substr(0, 46), "Stage  ProcTime  ProcCap  ComServT   DemMean  ");
    const std::vector<int> Widths = WidthsOf(Lines[0]);
    ASSERT_EQ(Widths.size(), 45u);
    EXPECT_EQ(Widths[ParamDemandMean], 8);
    EXPECT_EQ(Widths[ParamRQReorderPoint], 6);
    EXPECT_EQ(Widths[ParamSSReorderPoint], 1);
    EXPECT_EQ(FieldOf(Lines[1], Widths, ParamDemandMean), "  0,0000");
    EXPECT_EQ(FieldOf(Lines[2], Widths, ParamDemandMean), "250,5000");
    EXPECT_EQ(FieldOf(Lines[1], Widths, ParamRQReorderPoint), "-12345");
    EXPECT_EQ(FieldOf(Lines[2], Widths, ParamRQReorderPoint), "     0");
    for (std::size_t L = 0; L < 3; ++L) {
        EXPECT_EQ(Lines[L].size(), Lines[0].size());
        EXPECT_EQ(Lines[L].substr(Lines[L].size() - 2), "  ");
    }
    EXPECT_EQ(Lines[2].substr(0, 7), "    2  ");
}

TEST(ReportsParamTable, BooleanPrintsTOrFAndPolicyItsCode)
{
    TSimulation Model;
    for (int I = 0; I < 3; ++I) {
        Model.AddStage();
    }
    Model.SetParam(2, ParamStockoutPerUnitTime, 0.999999);  // not 1.0: FALSE
    Model.SetParam(2, ParamInvPolicy, PolicyOQ);
    Model.SetParam(3, ParamInvPolicy, PolicyNone);
    const std::vector<std::string> Lines = BuildModelParamTable(Model, '.');
    const std::vector<int> Widths = WidthsOf(Lines[0]);
    ASSERT_EQ(Widths.size(), 45u);
    EXPECT_EQ(Widths[ParamStockoutPerUnitTime], 7);
    EXPECT_EQ(FieldOf(Lines[1], Widths, ParamStockoutPerUnitTime), "      T");
    EXPECT_EQ(FieldOf(Lines[2], Widths, ParamStockoutPerUnitTime), "      F");
    EXPECT_EQ(FieldOf(Lines[1], Widths, ParamInvPolicy), "     1");
    EXPECT_EQ(FieldOf(Lines[2], Widths, ParamInvPolicy), "     4");
    EXPECT_EQ(FieldOf(Lines[3], Widths, ParamInvPolicy), "     0");
}

TEST(ReportsParamTable, InfAndFiniteValuesOfTheInfTypes)
{
    TSimulation Model;
    for (int I = 0; I < 3; ++I) {
        Model.AddStage();
    }
    Model.SetParam(1, ParamProcCapacity, 123456789);  // widens ProcCap to 9
    Model.SetParam(2, ParamOQOrderQtyUB, IntInf - 1);  // the largest finite bound is no INF
    Model.SetParam(2, ParamDemandBound, 2.5);
    // Minus infinity is not the INF marker and keeps its sign.
    Model.SetParam(3, ParamDemandBound, -std::numeric_limits<double>::infinity());
    const std::vector<std::string> Lines = BuildModelParamTable(Model, '.');
    const std::vector<int> Widths = WidthsOf(Lines[0]);
    ASSERT_EQ(Widths.size(), 45u);
    EXPECT_EQ(Widths[ParamProcCapacity], 9);
    EXPECT_EQ(FieldOf(Lines[1], Widths, ParamProcCapacity), "123456789");
    EXPECT_EQ(FieldOf(Lines[2], Widths, ParamProcCapacity), "      INF");
    EXPECT_EQ(Widths[ParamOQOrderQtyUB], 10);
    EXPECT_EQ(FieldOf(Lines[1], Widths, ParamOQOrderQtyUB), "       INF");
    EXPECT_EQ(FieldOf(Lines[2], Widths, ParamOQOrderQtyUB), "1999999999");
    EXPECT_EQ(Widths[ParamDemandBound], 8);
    EXPECT_EQ(FieldOf(Lines[1], Widths, ParamDemandBound), "     INF");
    EXPECT_EQ(FieldOf(Lines[2], Widths, ParamDemandBound), "  2.5000");
    EXPECT_EQ(FieldOf(Lines[3], Widths, ParamDemandBound), "    -INF");
}
