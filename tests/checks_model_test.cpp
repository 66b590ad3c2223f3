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
    TSimulation Model{Messages};

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
    C.Model.Stage(1).DemandMean = 10;
    C.Model.Stage(1).DemandSD = 2;
    C.Model.Stage(2).FixedCost = 5;
    C.Model.Stage(2).ProductCost = 1;
    EXPECT_TRUE(C.Run({}, true).empty());
}

TEST(CheckModel, ZeroCapacityAsksOnlyWhenDemandReachesTheStage)
{
    TCheck C(3);
    ASSERT_EQ(C.Model.Link(2, 1), TLinkResult::Linked);
    C.Model.Stage(2).ProcCapacity = 0;
    EXPECT_TRUE(C.Run({}, true).empty());  // no demand anywhere downstream

    C.Model.Stage(1).DemandMean = 4;
    C.Model.Stage(1).DemandSD = 1;
    EXPECT_EQ(C.Run({true}, true), std::vector<std::string>{CapacityText});
    EXPECT_EQ(C.Messages.Shown[0].Kind, TKind::Question);

    // Demand on a stage that does not order from the stage with no capacity does not count.
    C.Model.Stage(1).DemandMean = 0;
    C.Model.Stage(3).DemandMean = 4;
    EXPECT_TRUE(C.Run({}, true).empty());
}

TEST(CheckModel, EachConditionIsAskedOnceHoweverManyStagesMeetIt)
{
    TCheck C(2);
    C.Model.Stage(1).FixedCost = 1;
    C.Model.Stage(2).FixedCost = 2;
    EXPECT_EQ(C.Run({true}, true), std::vector<std::string>{FixedCostText});
}

TEST(CheckModel, CostsWithoutCustomersAreAskedButNotWithACustomer)
{
    TCheck C(2);
    C.Model.Stage(2).ProductCost = 0.5;
    C.Model.Stage(2).FixedCost = 0.5;
    EXPECT_EQ(C.Run({true, true}, true), (std::vector<std::string>{FixedCostText, ProductCostText}));
    ASSERT_EQ(C.Model.Link(2, 1), TLinkResult::Linked);
    EXPECT_TRUE(C.Run({}, true).empty());
}

TEST(CheckModel, SmallMeanDemandIsAskedOnlyStrictlyBetweenZeroAndOne)
{
    TCheck C(1);
    TStage& S = C.Model.Stage(1);
    S.DemandMean = 0.5;
    EXPECT_EQ(C.Run({true}, true), std::vector<std::string>{SmallMeanText});
    S.DemandMean = 1.0;
    EXPECT_TRUE(C.Run({}, true).empty());
    S.DemandMean = 0.0000005;
    EXPECT_TRUE(C.Run({}, true).empty());
    S.DemandMean = 0.9999995;  // within the tolerance of 1
    EXPECT_TRUE(C.Run({}, true).empty());
}

TEST(CheckModel, ZeroDemandBoundIsAskedOnlyWhenFiniteAndZero)
{
    TCheck C(1);
    TStage& S = C.Model.Stage(1);
    S.DemandMean = 3;
    S.DemandSD = 1;
    S.DemandBound = 0;
    EXPECT_EQ(C.Run({true}, true), std::vector<std::string>{ZeroBoundText});
    S.DemandBound = 0.0000005;
    EXPECT_EQ(C.Run({true}, true), std::vector<std::string>{ZeroBoundText});
    S.DemandBound = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(C.Run({}, true).empty());
    S.DemandBound = 0.5;
    EXPECT_TRUE(C.Run({}, true).empty());
    S.DemandBound = 0;
    S.DemandSD = 0;
    EXPECT_TRUE(C.Run({}, true).empty());
}

TEST(CheckModel, YesToEveryQuestionAsksAllFiveInOrder)
{
    TCheck C(2);
    ASSERT_EQ(C.Model.Link(2, 1), TLinkResult::Linked);
    C.Model.Stage(2).ProcCapacity = 0;
    C.Model.Stage(1).FixedCost = 1;
    C.Model.Stage(1).ProductCost = 1;
    C.Model.Stage(1).DemandMean = 0.5;
    C.Model.Stage(2).DemandMean = 2;
    C.Model.Stage(2).DemandSD = 1;
    C.Model.Stage(2).DemandBound = 0;
    EXPECT_EQ(C.Run({true, true, true, true, true}, true),
              (std::vector<std::string>{CapacityText, FixedCostText, ProductCostText, SmallMeanText, ZeroBoundText}));
}

TEST(CheckModel, NoStopsAtOnceWithoutLaterQuestions)
{
    TCheck C(1);
    TStage& S = C.Model.Stage(1);
    S.ProcCapacity = 0;
    S.FixedCost = 1;
    S.ProductCost = 1;
    S.DemandMean = 0.5;
    S.DemandSD = 1;
    S.DemandBound = 0;
    EXPECT_EQ(C.Run({false}, false), std::vector<std::string>{CapacityText});
    EXPECT_EQ(C.Run({true, true, false}, false), (std::vector<std::string>{CapacityText, FixedCostText, ProductCostText}));
}

TEST(CheckModel, RQStageWithQBelowOneIsRefusedBeforeAnyQuestion)
{
    TCheck C(3);
    C.Model.Stage(1).ProcCapacity = 0;
    C.Model.Stage(1).DemandMean = 5;  // would ask about capacity
    C.Model.Stage(2).InvPolicy = PolicyRQ;
    C.Model.Stage(2).RQOrderQty = 1;
    C.Model.Stage(3).InvPolicy = PolicyRQ;
    C.Model.Stage(3).RQOrderQty = 0;
    EXPECT_EQ(C.Run({}, false),
              std::vector<std::string>{"Stage 3 uses the (R,Q) policy with Q = 0; Q must be at least 1."});
    EXPECT_EQ(C.Messages.Shown[0].Kind, TKind::Error);

    C.Model.Stage(3).RQOrderQty = -2;
    EXPECT_EQ(C.Run({}, false),
              std::vector<std::string>{"Stage 3 uses the (R,Q) policy with Q = -2; Q must be at least 1."});

    // Q does not matter under another policy.
    C.Model.Stage(3).InvPolicy = PolicyBaseStock;
    EXPECT_EQ(C.Run({true}, true), std::vector<std::string>{CapacityText});
}
