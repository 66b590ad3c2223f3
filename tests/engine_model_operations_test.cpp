// The operations the windows and batches use: parameter entry texts, the model's parameter entry
// point, and the measures list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ParamEntry.h"
#include "engine/Simulation.h"
#include "engine/StageMeasures.h"

namespace {

struct TEntryCase {
    int Index;
    std::string Text;
    char Sep;
    int Code;             // 0: accepted; otherwise the type (ListParamType) whose rule refused it
    std::string Shown;    // valid: the stage's text after writing; invalid: the message
};

}  // namespace

TEST(EngineParamEntry, EntriesAreCheckedWrittenAndShownBackByType)
{
    const std::string IntMsg = "Field must contain an integer.";
    const std::string RealMsg = "Field must contain a real number.";
    const std::string BoolMsg = "Field must contain TRUE or FALSE.";
    const std::string IntInfMsg = "Field must contain an integer (or INF for infinity).";
    const std::string RealInfMsg = "Field must contain a real number (or INF for infinity).";
    const std::string NotNegativeIntMsg = "Field must contain an integer of at least 0.";
    const std::string ProbMsg = "Field must contain a number between 0 and 1.";
    const std::vector<TEntryCase> Cases = {
        {ParamDemandMean, "1.50", '.', 0, "1.5"},
        {ParamDemandMean, "1e-6", '.', 0, "1E-6"},
        {ParamDemandMean, "-2.5E20", '.', 0, "-2.5E20"},
        {ParamDemandMean, "0.0001", '.', 0, "0.0001"},
        {ParamDemandMean, "1,25", ',', 0, "1,25"},
        {ParamDemandMean, "1.25", ',', 2, RealMsg},
        {ParamDemandMean, "", '.', 2, RealMsg},
        {ParamDemandMean, "INF", '.', 2, RealMsg},
        {ParamProcCapacity, "INF", '.', 0, "INF"},
        {ParamProcCapacity, "2000000000", '.', 0, "INF"},
        {ParamProcCapacity, "12", '.', 0, "12"},
        {ParamProcCapacity, " INF", '.', 6, IntInfMsg},
        {ParamProcCapacity, "inf", '.', 6, IntInfMsg},
        {ParamProcCapacity, "INF ", '.', 6, IntInfMsg},
        {ParamDemandBound, "INF", '.', 0, "INF"},
        {ParamDemandBound, "2,5", ',', 0, "2,5"},
        {ParamDemandBound, " INF", '.', 7, RealInfMsg},
        {ParamStockoutPerUnitTime, "t", '.', 0, "TRUE"},
        {ParamStockoutPerUnitTime, "True", '.', 0, "TRUE"},
        {ParamStockoutPerUnitTime, "1", '.', 0, "TRUE"},
        {ParamStockoutPerUnitTime, "2.5", '.', 0, "TRUE"},
        {ParamStockoutPerUnitTime, "0", '.', 0, "FALSE"},
        {ParamStockoutPerUnitTime, "f", '.', 0, "FALSE"},
        {ParamStockoutPerUnitTime, "yes", '.', 3, BoolMsg},
        {ParamStockoutPerUnitTime, "", '.', 3, BoolMsg},
        {ParamProcTime, "3", '.', 0, "3"},
        {ParamProcTime, "-7", '.', 1, NotNegativeIntMsg},
        {ParamProcTime, "0", '.', 0, "0"},
        {ParamCommittedServiceTime, "-1", '.', 1, NotNegativeIntMsg},
        {ParamProcCapacity, "-1", '.', 6, "Field must contain an integer of at least 0 (or INF for infinity)."},
        {ParamDemandSD, "-0.5", '.', 2, "Field must contain a number of at least 0."},
        {ParamFailureProb, "1.5", '.', 2, ProbMsg},
        {ParamFailureProb, "1", '.', 0, "1"},
        {ParamRecoveryProb, "-0,1", ',', 2, ProbMsg},
        {ParamRecoveryProb, "0", '.', 0, "0"},
        {ParamHoldingCost, "-3", '.', 0, "-3"},  // a negative cost is asked about before a run, not refused
        {ParamProcTime, "3.5", '.', 1, IntMsg},
        {ParamProcTime, "", '.', 1, IntMsg},
        {ParamProcTime, "2147483648", '.', 1, IntMsg},
        {ParamInvPolicy, "(R,Q)", '.', 0, "(R,Q)"},
        {ParamInvPolicy, "OQ", '.', 0, "OQ"},
        {ParamInvPolicy, "3", '.', 0, "(s,S)"},
        {ParamInvPolicy, "None", '.', 0, "None"},
        {ParamInvPolicy, "7", '.', 4, "Field must contain an integer between 1 and 4."},
        {NumParams, "1", '.', 8,
         "An unknown error occurred while processing your entry.  Please double-check your entry for this field."},
    };
    for (const TEntryCase& C : Cases) {
        SCOPED_TRACE(std::to_string(C.Index) + " '" + C.Text + "'");
        const std::string Message = CheckParamEntry(C.Index, C.Text, C.Sep).value_or("");
        ASSERT_EQ(Message.empty(), C.Code == 0);
        double Value = 0;
        ASSERT_EQ(ParamEntryValue(C.Index, C.Text, C.Sep, Value), C.Code == 0);
        if (C.Code != 0) {
            EXPECT_EQ(Message, C.Shown);
            continue;
        }
        EXPECT_EQ(Message, "");
        TSimulation Model;
        Model.AddStage();
        Model.SetParam(1, C.Index, Value);
        EXPECT_EQ(ParamShownText(Model.Stage(1), C.Index, C.Sep), C.Shown);
    }
}

TEST(EngineParamEntry, DefaultTexts)
{
    EXPECT_EQ(ParamDefaultText(ParamProcCapacity), "INF");
    EXPECT_EQ(ParamDefaultText(ParamStockoutPerUnitTime), "TRUE");
    EXPECT_EQ(ParamDefaultText(ParamInvPolicy), "BS");
    EXPECT_EQ(ParamDefaultText(ParamHoldingCost), "0");
}

TEST(EngineModelParams, WritingAProductIndexOrCostKeepsGroupsAndPlanningCurrent)
{
    // Stage 1 is supplied by 2 and 3, which make different products until 3 is made an
    // alternative source of 2's product.
    TSimulation Model;
    for (int I = 0; I < 3; ++I) {
        Model.AddStage();
    }
    ASSERT_EQ(Model.Link(2, 1), TLinkResult::Linked);
    ASSERT_EQ(Model.Link(3, 1), TLinkResult::Linked);
    Model.SetParam(2, ParamCommittedServiceTime, 1);
    Model.SetParam(3, ParamCommittedServiceTime, 4);
    Model.SetParam(1, ParamDemandMean, 10);
    Model.SetParam(1, ParamBaseStockLevel, 60);
    const TStage& S1 = Model.Stage(1);
    ASSERT_EQ(S1.NumRawMaterials(), 2);
    EXPECT_EQ(S1.NetLeadTime(), 4);  // the slowest of two needed materials

    Model.SetParam(3, ParamProductIndex, 2);
    Model.SetParam(3, ParamProductCost, 0.5);
    Model.SetParam(2, ParamProductCost, 1.5);
    ASSERT_EQ(S1.NumRawMaterials(), 1);
    EXPECT_EQ(S1.RawMatNumSuppliers(1), 2);
    EXPECT_EQ(S1.RawMatSupplier(1, 1).StageNum, 3);  // cheapest first
    EXPECT_EQ(S1.NetLeadTime(), 4);                   // the group's first supplier
    EXPECT_EQ(S1.SafetyStock(), 60 - 40);
    Model.SetParam(2, ParamProductCost, 0.25);
    EXPECT_EQ(S1.RawMatSupplier(1, 1).StageNum, 2);
    EXPECT_EQ(S1.NetLeadTime(), 1);
    EXPECT_EQ(StageMeasures(Model, 1, 0)[10], 60 - 10);

    // Every parameter of a stage written at once runs exactly like the writes one by one above.
    TSimulation Direct;
    for (int I = 0; I < 3; ++I) {
        Direct.AddStage();
    }
    Direct.Link(2, 1);
    Direct.Link(3, 1);
    for (int N = 1; N <= 3; ++N) {
        Direct.SetStageParams(N, Model.Stage(N).Params());
    }
    const TCostTotals A = Model.RunSimulation(200, 10, 5);
    const TCostTotals B = Direct.RunSimulation(200, 10, 5);
    EXPECT_EQ(A.TotalCost, B.TotalCost);
    EXPECT_EQ(A.OrderCost, B.OrderCost);
}

TEST(EngineMeasures, RowsReadTheHistoryOrTheCurrentState)
{
    TSimulation Model;
    Model.AddStage();
    Model.AddStage();
    ASSERT_EQ(Model.Link(2, 1), TLinkResult::Linked);
    Model.SetParam(1, ParamDemandMean, 6);
    Model.SetParam(1, ParamDemandSD, 3);
    Model.SetParam(1, ParamBaseStockLevel, 5);
    Model.SetParam(2, ParamBaseStockLevel, 4);
    Model.SetParam(2, ParamProcTime, 2);
    Model.SetParam(2, ParamFailureProb, 0.3);
    Model.SetParam(2, ParamRecoveryProb, 0.5);
    Model.RunSimulation(40, 1, 77);

    int Backordered = 0;
    int Failed = 0;
    for (int32_t P = 1; P <= 40; ++P) {
        for (int N = 1; N <= 2; ++N) {
            const TStage& S = Model.Stage(N);
            const auto M = StageMeasures(Model, N, P);
            const int64_t NetInv = S.NetInvHist()[static_cast<std::size_t>(P)];
            EXPECT_EQ(M[0] - M[1], NetInv);
            EXPECT_TRUE(M[0] == 0 || M[1] == 0);
            EXPECT_EQ(M[2], S.OnOrderHist()[static_cast<std::size_t>(P)]);
            EXPECT_EQ(M[3], S.InProcessHist()[static_cast<std::size_t>(P)]);
            EXPECT_EQ(M[4], NetInv + M[2]);
            EXPECT_EQ(M[5], N == 1 ? S.DemandHist()[static_cast<std::size_t>(P)] : 0);
            EXPECT_EQ(M[6], S.DerivedDemandHist()[static_cast<std::size_t>(P)]);
            EXPECT_EQ(M[7], S.OrderQtyHist().At(P, 0, 0));
            EXPECT_EQ(M[8], S.IsFailed(P) ? 1 : 0);
            EXPECT_EQ(M[9], S.CycleStock());
            EXPECT_EQ(M[10], S.SafetyStock());
            Backordered += M[1] > 0;
            Failed += static_cast<int>(M[8]);
        }
    }
    EXPECT_GT(Backordered, 0);  // the case the rows' signs matter for
    EXPECT_GT(Failed, 0);

    const auto Now = StageMeasures(Model, 1, 0);
    const auto Last = StageMeasures(Model, 1, 40);
    EXPECT_EQ(Now, Last);  // period 0 after a run: the state the run ended in

    Model.Reset();
    const auto Reset = StageMeasures(Model, 1, 0);
    for (int R = 0; R < 9; ++R) {
        EXPECT_EQ(Reset[static_cast<std::size_t>(R)], 0) << MeasureNames[static_cast<std::size_t>(R)];
    }
    EXPECT_EQ(Reset[10], Model.Stage(1).SafetyStock());
    EXPECT_EQ(StageMeasures(Model, 3, 0), (std::array<int64_t, NumMeasures>{}));
}

TEST(EngineModelModified, EveryChangeToWhatAFileHoldsMarksTheModelAndNothingElseDoes)
{
    struct TCase {
        const char* Name;
        void (*Change)(TSimulation&);
        bool Modified;
    };
    const std::vector<TCase> Cases = {
        {"a parameter", [](TSimulation& M) { M.SetParam(1, ParamDemandMean, 7); }, true},
        {"a parameter written with its own value", [](TSimulation& M) { M.SetParam(1, ParamDemandMean, M.GetParam(1, ParamDemandMean)); }, false},
        {"a stage's parameters", [](TSimulation& M) { TStageParams P = M.Stage(2).Params(); P.HoldingCost = 3; M.SetStageParams(2, P); }, true},
        {"a stage's parameters as they are", [](TSimulation& M) { M.SetStageParams(2, M.Stage(2).Params()); }, false},
        {"a new stage", [](TSimulation& M) { M.AddStage(); }, true},
        {"a link", [](TSimulation& M) { M.Link(2, 1); }, true},
        {"a refused link", [](TSimulation& M) { M.Link(1, 2); }, false},
        {"a box moved", [](TSimulation& M) { M.SetStagePosition(1, 5, 6); }, true},
        {"a box dropped where it was", [](TSimulation& M) { M.SetStagePosition(1, M.Stage(1).PosX(), M.Stage(1).PosY()); }, false},
        {"the option", [](TSimulation& M) { M.SetForceCST(!M.ForceCST()); }, true},
        {"a run and a reset", [](TSimulation& M) { M.RunSimulation(10, 1, 1); M.Reset(); }, false},
        {"the generator", [](TSimulation& M) { M.SetRandSeed(99); }, false},
        {"Clear All leaves nothing to lose", [](TSimulation& M) { M.SetParam(1, ParamDemandMean, 7); M.ClearModel(); }, false},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TSimulation Model;
        Model.AddStage();
        Model.AddStage();
        Model.SetModified(false);
        C.Change(Model);
        EXPECT_EQ(Model.Modified(), C.Modified);
        TSimulation Copy;
        Copy.CopyModel(Model);
        EXPECT_EQ(Copy.Modified(), C.Modified);
    }
}
