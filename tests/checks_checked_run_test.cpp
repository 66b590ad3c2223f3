// The checked run shared by the main window's run command, the batch's "&Go" and the command line.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/Simulation.h"
#include "checks/CheckedRun.h"
#include "checks/ModelEditing.h"
#include "support/ModelBuilder.h"
#include "support/ScriptedDialogs.h"

namespace {

const std::string Rerun = "Reset current simulation and re-run?";
const std::string SeedMsg = "You must enter an integer RandSeed (or set to 0 to generate randomly).";
const std::string PeriodsMsg = "You must enter an integer number of periods between 1 and 9999.";
const std::string SmallMean =
    "At least one stage in your model has very small mean demand (< 1).  Are you sure you want to proceed?\r\r"
    "(Since all demands are rounded to the nearest integer, demands at this stage will only equal 0 or 1.)";

struct TCase {
    const char* Name;
    bool RunFirst;
    double DemandMean;
    TRunSettingsTexts Texts;
    std::vector<bool> Answers;
    std::vector<std::string> Shown;
    bool Ran;
};

}  // namespace

TEST(CheckedRun, QuestionsModelChecksAndSettingsComeInTheWindowsOrder)
{
    const std::vector<TCase> Cases = {
        {"valid", false, 5, {"3", "50", "5"}, {}, {}, true},
        {"seed before periods", false, 5, {"x", "0", "5"}, {}, {SeedMsg}, false},
        {"periods", false, 5, {"3", "10000", "5"}, {}, {PeriodsMsg}, false},
        {"warm-up names the periods", false, 5, {"3", "50", "0"}, {},
         {"You must enter an integer number of periods between 1 and the number of periods in your simulation (50)."},
         false},
        {"model checks before settings", false, 0.5, {"x", "50", "5"}, {false}, {SmallMean}, false},
        {"model checks answered yes", false, 0.5, {"3", "50", "50"}, {true}, {SmallMean}, true},
        {"re-run declined", true, 5, {"3", "50", "5"}, {false}, {Rerun}, false},
        {"re-run accepted", true, 5, {"3", "50", "5"}, {true}, {Rerun}, true},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TScriptedDialogs Dialogs;
        TSimulation Model;
        Model.AddStage();
        Model.SetParam(1, ParamDemandMean, C.DemandMean);
        Model.SetParam(1, ParamBaseStockLevel, 4);
        if (C.RunFirst) {
            Model.RunSimulation(20, 1, 1);
        }
        const int32_t PeriodBefore = Model.Period();
        Dialogs.Answers.assign(C.Answers.begin(), C.Answers.end());
        TRunSettings Used;
        const std::optional<TCostTotals> Costs = RunChecked(Model, C.Texts, Dialogs, &Used);
        EXPECT_EQ(Dialogs.Texts(), C.Shown);
        EXPECT_TRUE(Dialogs.Unexpected.empty());
        ASSERT_EQ(Costs.has_value(), C.Ran);
        if (C.Ran) {
            EXPECT_EQ(Model.Period(), Used.NumPeriods);
            EXPECT_EQ(Used.Seed, 3);
            TSimulation Again;
            Again.AddStage();
            Again.SetParam(1, ParamDemandMean, C.DemandMean);
            Again.SetParam(1, ParamBaseStockLevel, 4);
            EXPECT_EQ(Again.RunSimulation(Used.NumPeriods, Used.WarmUp, Used.Seed).TotalCost, Costs->TotalCost);
        } else if (C.Shown.front() != Rerun || C.Answers.front()) {
            EXPECT_EQ(Model.Period(), 0);
        } else {
            EXPECT_EQ(Model.Period(), PeriodBefore);  // declined: the old run stays
        }
    }
}

// A supplier listed twice counts its stock twice in the availability test, so the run comes up
// short of raw material: the model keeps the warnings, and both run commands show each of them
// once, after the last period.
TEST(CheckedRun, RunWarningsAreShownOnceAfterTheRun)
{
    struct TTimedDialogs : TScriptedDialogs {
        const TSimulation* Model = nullptr;
        std::vector<int32_t> Periods;  // the period the run stood at when each error was shown
        void ShowError(const std::string& Text) override
        {
            Periods.push_back(Model->Period());
            TScriptedDialogs::ShowError(Text);
        }
    };
    using TRun = std::function<bool(TSimulation&, const TRunSettingsTexts&, Dialogs&)>;
    const std::vector<std::pair<const char*, TRun>> Runs = {
        {"RunChecked", [](TSimulation& M, const TRunSettingsTexts& T, Dialogs& D) { return RunChecked(M, T, D).has_value(); }},
        {"RunCommand",
         [](TSimulation& M, const TRunSettingsTexts& T, Dialogs& D) { return RunCommand(M, T, D).Costs.has_value(); }},
    };
    for (const auto& [Name, Run] : Runs) {
        SCOPED_TRACE(Name);
        TSimulation Model;
        ASSERT_TRUE(BuildShortSupplyModel(Model));
        TTimedDialogs Dialogs;
        Dialogs.Model = &Model;
        ASSERT_TRUE(Run(Model, {"555", "80", "5"}, Dialogs));
        const std::vector<std::string>& Warnings = Model.RunWarnings();
        ASSERT_FALSE(Warnings.empty());
        EXPECT_EQ(Warnings[0].rfind("No raw material 2 found for stage 1 in period ", 0), 0u);
        EXPECT_EQ(Dialogs.Texts(), Warnings);
        EXPECT_EQ(Dialogs.Periods, std::vector<int32_t>(Warnings.size(), 80));
    }
}
