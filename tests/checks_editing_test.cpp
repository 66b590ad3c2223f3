// The main window's editing rules without the window: the stage limit, where a new box goes, the
// question before a change to a model that has run, Clear All's question and what a refused
// re-run leaves.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "checks/ModelEditing.h"
#include "support/ScriptedDialogs.h"

namespace {

const std::string AddStageQuestion =
    "The simulation must be reset before a new stage can be added.  Reset current simulation and add stage?";
const std::string AddLinkQuestion =
    "The simulation must be reset before a new link can be added.  Reset current simulation and add link?";
const std::string EraseQuestion = "Are you sure you want to erase your model?";
const std::string RerunQuestion = "Reset current simulation and re-run?";

// What a command did, in one shape for the table.
struct TDone {
    bool Done = false;  // the stage may be added, the stages were linked, the model cleared, the run made
    bool RunReset = false;
    TBoxPosition Box;  // New Stage only
};

using TCommand = std::function<TDone(TSimulation&, Dialogs&)>;

TDone NewStage(TSimulation& Model, Dialogs& Messages)
{
    const TNewStagePlan Plan = PrepareNewStage(Model, Messages, {617, 369, 50});
    return {Plan.Allowed, Plan.RunReset, Plan.Box};
}

TCommand Link(int SupplierNum, int CustomerNum)
{
    return [=](TSimulation& Model, Dialogs& Messages) {
        const TLinkOutcome Outcome = LinkChecked(Model, SupplierNum, CustomerNum, Messages);
        EXPECT_EQ(Model.Stage(CustomerNum).NumSuppliers(), Outcome.Linked ? 1 : 0);
        return TDone{Outcome.Linked, Outcome.RunReset, {}};
    };
}

TDone Clear(TSimulation& Model, Dialogs& Messages)
{
    return {ClearChecked(Model, Messages), false, {}};
}

TCommand RunWithWarmUp(const char* WarmUp)
{
    return [=](TSimulation& Model, Dialogs& Messages) {
        const TRunOutcome Outcome = RunCommand(Model, {"1", "20", WarmUp}, Messages);
        EXPECT_EQ(Outcome.NumPeriods, Outcome.Costs ? 20 : 0);
        return TDone{Outcome.Costs.has_value(), Outcome.RunReset, {}};
    };
}

struct TCase {
    const char* Name;
    int Stages;
    bool Ran;  // the model has run 10 periods
    TCommand Command;
    std::vector<bool> Answers;
    std::vector<std::string> Shown;
    TDone Expected;
    int32_t PeriodAfter;
    int StagesAfter;
};

}  // namespace

TEST(ModelEditing, RulesAskRefuseAndResetAsTheMainWindowDoes)
{
    const std::string WarmUpRefusal =
        "You must enter an integer number of periods between 1 and the number of periods in your simulation (20).";
    const std::vector<TCase> Cases = {
        {"a new box goes below and right of the last", 3, false, NewStage, {}, {}, {true, false, {80, 130}}, 0, 3},
        {"the first box", 0, false, NewStage, {}, {}, {true, false, {50, 100}}, 0, 0},
        {"a stage beyond 25 is refused", 25, false, NewStage, {},
         {"The model already contains the maximum number of stages (25)."}, {}, 0, 25},
        {"a new stage after a run: No keeps the run", 3, true, NewStage, {false}, {AddStageQuestion}, {}, 10, 3},
        {"a new stage after a run: Yes resets it", 3, true, NewStage, {true}, {AddStageQuestion},
         {true, true, {80, 130}}, 0, 3},
        {"a link the model refuses asks nothing", 3, true, Link(1, 3), {},
         {"Supplier index must be greater than customer index."}, {}, 10, 3},
        {"a link after a run: No keeps the run", 3, true, Link(3, 1), {false}, {AddLinkQuestion}, {}, 10, 3},
        {"a link after a run: Yes resets it and links", 3, true, Link(3, 1), {true}, {AddLinkQuestion},
         {true, true, {}}, 0, 3},
        {"a link without a run asks nothing", 3, false, Link(3, 1), {}, {}, {true, false, {}}, 0, 3},
        {"Clear All: No keeps the model", 3, true, Clear, {false}, {EraseQuestion}, {}, 10, 3},
        {"Clear All: Yes erases it", 3, true, Clear, {true}, {EraseQuestion}, {true, false, {}}, 0, 0},
        {"a declined re-run keeps the run", 3, true, RunWithWarmUp("5"), {false}, {RerunQuestion}, {}, 10, 3},
        {"a refused setting refuses before the re-run question and keeps the run", 3, true, RunWithWarmUp("0"), {},
         {WarmUpRefusal}, {false, false, {}}, 10, 3},
        {"a run", 3, false, RunWithWarmUp("5"), {}, {}, {true, false, {}}, 20, 3},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TScriptedDialogs Dialogs;
        TSimulation Model;
        for (int N = 1; N <= C.Stages; ++N) {
            Model.AddStage();
            Model.SetParam(N, ParamDemandMean, 5);
            Model.SetParam(N, ParamBaseStockLevel, 4);
        }
        if (C.Ran) {
            Model.RunSimulation(10, 1, 1);
        }
        Dialogs.Answers.assign(C.Answers.begin(), C.Answers.end());
        const TDone Done = C.Command(Model, Dialogs);
        EXPECT_EQ(Dialogs.Texts(), C.Shown);
        EXPECT_TRUE(Dialogs.Unexpected.empty());
        EXPECT_EQ(Done.Done, C.Expected.Done);
        EXPECT_EQ(Done.RunReset, C.Expected.RunReset);
        EXPECT_EQ(Done.Box.Left, C.Expected.Box.Left);
        EXPECT_EQ(Done.Box.Top, C.Expected.Box.Top);
        EXPECT_EQ(Model.Period(), C.PeriodAfter);
        EXPECT_EQ(Model.NumStages(), C.StagesAfter);  // New Stage itself adds nothing
    }
}

TEST(ModelEditing, ANewBoxGoesWhereNoBoxStands)
{
    struct TBoxCase {
        const char* Name;
        std::vector<TBoxPosition> Boxes;
        TDiagramArea Area;
        TBoxPosition Expected;
    };
    const TDiagramArea Diagram{617, 369, 50};
    const std::vector<TBoxCase> Cases = {
        {"the first box at its usual place", {}, Diagram, {50, 100}},
        {"the usual place when the boxes were moved away", {{300, 300}}, Diagram, {60, 110}},
        {"the nearest free place beside a box on the usual place", {{50, 100}}, Diagram, {120, 110}},
        {"after two, clear of both", {{50, 100}, {120, 110}}, Diagram, {50, 170}},
        {"the usual place when no place is free", {{10, 10}}, {100, 100, 50}, {60, 110}},
    };
    for (const TBoxCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TSimulation Model;
        for (const TBoxPosition& Box : C.Boxes) {
            Model.SetStagePosition(Model.AddStage(), Box.Left, Box.Top);
        }
        const TBoxPosition Free = FreeBoxPosition(Model, Model.NumStages() + 1, C.Area);
        EXPECT_EQ(Free.Left, C.Expected.Left);
        EXPECT_EQ(Free.Top, C.Expected.Top);
    }
}
