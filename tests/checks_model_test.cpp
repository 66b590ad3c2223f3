#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "engine/Simulation.h"
#include "checks/CheckModel.h"
#include "support/ScriptedDialogs.h"

namespace {

using TKind = TScriptedDialogs::TKind;

const std::string CapacityText = "At least one stage in your model has 0 capacity.  Are you sure you want to proceed?";
const std::string FixedCostText =
    "At least one stage in your model has fixed cost > 0 but no customer.  Are you sure you want to proceed?\r\r"
    "(Fixed costs apply to orders placed TO a stage, not to orders placed BY a stage.)";
const std::string ProductCostText =
    "At least one stage in your model has product cost > 0 but no customer.  Are you sure you want to proceed?\r\r"
    "(Product costs apply to orders placed TO a stage, not to orders placed BY a stage.)";
const std::string SmallMeanText =
    "At least one stage in your model has very small mean demand (< 1).  Are you sure you want to proceed?\r\r"
    "(Since all demands are rounded to the nearest integer, demands at this stage will only equal 0 or 1.)";
const std::string ZeroBoundText =
    "At least one stage in your model has positive demand mean and SD but demand bound = 0.  Are you sure you want "
    "to proceed?\r\r(If you proceed, all random demands above the mean will be set equal to the mean.)";

struct TCheck {
    TScriptedDialogs Messages;
    TSimulation Model;

    explicit TCheck(int Stages)
    {
        for (int I = 0; I < Stages; ++I) {
            Model.AddStage();
        }
    }
    // Runs the check with the given answers; the texts shown, in order.
    std::vector<std::string> Run(std::deque<bool> Answers, bool Expected)
    {
        Messages.Shown.clear();
        Messages.Answers = std::move(Answers);
        EXPECT_EQ(CheckModel(Model, Messages), Expected);
        EXPECT_TRUE(Messages.Unexpected.empty());
        EXPECT_TRUE(Messages.Answers.empty()) << "fewer questions than answers";
        return Messages.Texts();
    }
};

}  // namespace

TEST(CheckModel, EmptyModelShowsOnlyTheErrorBox)
{
    TCheck C(0);
    EXPECT_EQ(C.Run({}, false), std::vector<std::string>{"You must add at least one stage or load an existing model."});
    EXPECT_EQ(C.Messages.Shown[0].Kind, TKind::Error);
}

TEST(CheckModel, PlainModelPassesWithoutAnyBox)
{
    TCheck C(2);
    ASSERT_EQ(C.Model.Link(2, 1), TLinkResult::Linked);
    C.Model.SetParam(1, ParamDemandMean, 10);
    C.Model.SetParam(1, ParamDemandSD, 2);
    C.Model.SetParam(2, ParamFixedCost, 5);
    C.Model.SetParam(2, ParamProductCost, 1);
    EXPECT_TRUE(C.Run({}, true).empty());
}

TEST(CheckModel, ZeroCapacityAsksOnlyWhenDemandReachesTheStage)
{
    TCheck C(3);
    ASSERT_EQ(C.Model.Link(2, 1), TLinkResult::Linked);
    C.Model.SetParam(2, ParamProcCapacity, 0);
    EXPECT_TRUE(C.Run({}, true).empty());  // no demand anywhere downstream

    C.Model.SetParam(1, ParamDemandMean, 4);
    C.Model.SetParam(1, ParamDemandSD, 1);
    EXPECT_EQ(C.Run({true}, true), std::vector<std::string>{CapacityText});
    EXPECT_EQ(C.Messages.Shown[0].Kind, TKind::Question);

    // Demand on a stage that does not order from the stage with no capacity does not count.
    C.Model.SetParam(1, ParamDemandMean, 0);
    C.Model.SetParam(3, ParamDemandMean, 4);
    EXPECT_TRUE(C.Run({}, true).empty());
}

TEST(CheckModel, EachConditionIsAskedOnceHoweverManyStagesMeetIt)
{
    TCheck C(2);
    C.Model.SetParam(1, ParamFixedCost, 1);
    C.Model.SetParam(2, ParamFixedCost, 2);
    EXPECT_EQ(C.Run({true}, true), std::vector<std::string>{FixedCostText});
}

TEST(CheckModel, CostsWithoutCustomersAreAskedButNotWithACustomer)
{
    TCheck C(2);
    C.Model.SetParam(2, ParamProductCost, 0.5);
    C.Model.SetParam(2, ParamFixedCost, 0.5);
    EXPECT_EQ(C.Run({true, true}, true), (std::vector<std::string>{FixedCostText, ProductCostText}));
    ASSERT_EQ(C.Model.Link(2, 1), TLinkResult::Linked);
    EXPECT_TRUE(C.Run({}, true).empty());
}

TEST(CheckModel, SmallMeanDemandIsAskedOnlyStrictlyBetweenZeroAndOne)
{
    TCheck C(1);
    C.Model.SetParam(1, ParamDemandMean, 0.5);
    EXPECT_EQ(C.Run({true}, true), std::vector<std::string>{SmallMeanText});
    C.Model.SetParam(1, ParamDemandMean, 1.0);
    EXPECT_TRUE(C.Run({}, true).empty());
    C.Model.SetParam(1, ParamDemandMean, 0.0000005);
    EXPECT_TRUE(C.Run({}, true).empty());
    C.Model.SetParam(1, ParamDemandMean, 0.9999995);  // within the tolerance of 1
    EXPECT_TRUE(C.Run({}, true).empty());
}

TEST(CheckModel, ZeroDemandBoundIsAskedOnlyWhenFiniteAndZero)
{
    TCheck C(1);
    C.Model.SetParam(1, ParamDemandMean, 3);
    C.Model.SetParam(1, ParamDemandSD, 1);
    C.Model.SetParam(1, ParamDemandBound, 0);
    EXPECT_EQ(C.Run({true}, true), std::vector<std::string>{ZeroBoundText});
    C.Model.SetParam(1, ParamDemandBound, 0.0000005);
    EXPECT_EQ(C.Run({true}, true), std::vector<std::string>{ZeroBoundText});
    C.Model.SetParam(1, ParamDemandBound, std::numeric_limits<double>::infinity());
    EXPECT_TRUE(C.Run({}, true).empty());
    C.Model.SetParam(1, ParamDemandBound, 0.5);
    EXPECT_TRUE(C.Run({}, true).empty());
    C.Model.SetParam(1, ParamDemandBound, 0);
    C.Model.SetParam(1, ParamDemandSD, 0);
    EXPECT_TRUE(C.Run({}, true).empty());
}

TEST(CheckModel, YesToEveryQuestionAsksAllFiveInOrder)
{
    TCheck C(2);
    ASSERT_EQ(C.Model.Link(2, 1), TLinkResult::Linked);
    C.Model.SetParam(2, ParamProcCapacity, 0);
    C.Model.SetParam(1, ParamFixedCost, 1);
    C.Model.SetParam(1, ParamProductCost, 1);
    C.Model.SetParam(1, ParamDemandMean, 0.5);
    C.Model.SetParam(2, ParamDemandMean, 2);
    C.Model.SetParam(2, ParamDemandSD, 1);
    C.Model.SetParam(2, ParamDemandBound, 0);
    EXPECT_EQ(C.Run({true, true, true, true, true}, true),
              (std::vector<std::string>{CapacityText, FixedCostText, ProductCostText, SmallMeanText, ZeroBoundText}));
}

TEST(CheckModel, NoStopsAtOnceWithoutLaterQuestions)
{
    TCheck C(1);
    C.Model.SetParam(1, ParamProcCapacity, 0);
    C.Model.SetParam(1, ParamFixedCost, 1);
    C.Model.SetParam(1, ParamProductCost, 1);
    C.Model.SetParam(1, ParamDemandMean, 0.5);
    C.Model.SetParam(1, ParamDemandSD, 1);
    C.Model.SetParam(1, ParamDemandBound, 0);
    EXPECT_EQ(C.Run({false}, false), std::vector<std::string>{CapacityText});
    EXPECT_EQ(C.Run({true, true, false}, false), (std::vector<std::string>{CapacityText, FixedCostText, ProductCostText}));
}

TEST(CheckModel, RQStageWithQBelowOneIsRefusedBeforeAnyQuestion)
{
    TCheck C(3);
    C.Model.SetParam(1, ParamProcCapacity, 0);
    C.Model.SetParam(1, ParamDemandMean, 5);  // would ask about capacity
    C.Model.SetParam(2, ParamInvPolicy, PolicyRQ);
    C.Model.SetParam(2, ParamRQOrderQty, 1);
    C.Model.SetParam(3, ParamInvPolicy, PolicyRQ);
    C.Model.SetParam(3, ParamRQOrderQty, 0);
    EXPECT_EQ(C.Run({}, false),
              std::vector<std::string>{"Stage 3 uses the (R,Q) policy with Q = 0; Q must be at least 1."});
    EXPECT_EQ(C.Messages.Shown[0].Kind, TKind::Error);

    C.Model.SetParam(3, ParamRQOrderQty, -2);
    EXPECT_EQ(C.Run({}, false),
              std::vector<std::string>{"Stage 3 uses the (R,Q) policy with Q = -2; Q must be at least 1."});

    // Q does not matter under another policy.
    C.Model.SetParam(3, ParamInvPolicy, PolicyBaseStock);
    EXPECT_EQ(C.Run({true}, true), std::vector<std::string>{CapacityText});
}

TEST(CheckModel, ImpossibleValuesAreRefusedNamingTheStageAndParameterBeforeAnyQuestion)
{
    const struct {
        int Index;
        double Value;
        std::string Refusal;  // empty: the value is allowed
    } Cases[] = {
        {ParamProcTime, -2, "Stage 2 has Proc Time = -2; Proc Time cannot be negative."},
        {ParamProcCapacity, -1, "Stage 2 has Proc Capac = -1; Proc Capac cannot be negative."},
        {ParamCommittedServiceTime, -3, "Stage 2 has Com Serv Time = -3; Com Serv Time cannot be negative."},
        {ParamDemandSD, -0.5, "Stage 2 has Dem StdDev = -0.5; Dem StdDev cannot be negative."},
        {ParamFailureProb, 1.5, "Stage 2 has Failure Prob = 1.5; Failure Prob must be between 0 and 1."},
        {ParamRecoveryProb, -0.25, "Stage 2 has Recovery Prob = -0.25; Recovery Prob must be between 0 and 1."},
        {ParamFailureProb, 1, ""},
        {ParamRecoveryProb, 0, ""},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Index);
        TCheck C(2);
        C.Model.SetParam(1, ParamProcCapacity, 0);
        C.Model.SetParam(1, ParamDemandMean, 5);  // would ask about capacity
        C.Model.SetParam(2, Case.Index, Case.Value);
        if (Case.Refusal.empty()) {
            EXPECT_EQ(C.Run({true}, true), std::vector<std::string>{CapacityText});
            continue;
        }
        EXPECT_EQ(C.Run({}, false), std::vector<std::string>{Case.Refusal});
        EXPECT_EQ(C.Messages.Shown[0].Kind, TKind::Error);
    }
}

TEST(CheckModel, NegativeCostIsAskedNotRefused)
{
    const std::string NegativeCostText =
        "At least one stage in your model has a negative cost.  Are you sure you want to proceed?\r\r"
        "(A negative cost acts as a reward.)";
    for (const int Index : {ParamProductCost, ParamFixedCost, ParamHoldingCost, ParamWIPHoldingCost, ParamStockoutCost}) {
        SCOPED_TRACE(Index);
        TCheck C(2);
        C.Model.SetParam(2, Index, -1);
        EXPECT_EQ(C.Run({true}, true), std::vector<std::string>{NegativeCostText});
        EXPECT_EQ(C.Run({false}, false), std::vector<std::string>{NegativeCostText});
    }
}
