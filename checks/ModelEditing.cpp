#include "checks/ModelEditing.h"

#include <cstdlib>
#include <string>

#include "checks/CheckedRun.h"
#include "engine/ParamCatalogue.h"
#include "platform/Dialogs.h"

namespace {

// True when Model has not run, or the user agreed to reset its run before adding What ("stage",
// "link"); RunReset tells which.
bool ResetRunBeforeAdding(TSimulation& Model, Dialogs& Messages, const std::string& What, bool& RunReset)
{
    if (Model.Period() == 0) {
        return true;
    }
    if (!Messages.AskYesNo("The simulation must be reset before a new " + What + " can be added.  " +
                           "Reset current simulation and add " + What + "?")) {
        return false;
    }
    Model.Reset();
    RunReset = true;
    return true;
}

}  // namespace

TBoxPosition NewBoxPosition(int StageNum)
{
    return {10 * StageNum + 40, 10 * StageNum + 90};
}

TBoxPosition FreeBoxPosition(const TSimulation& Model, int StageNum, const TDiagramArea& Area)
{
    const auto Free = [&](TBoxPosition At) {
        for (int N = 1; N <= Model.NumStages(); ++N) {
            const TStage& S = Model.Stage(N);
            if (std::abs(S.PosX() - At.Left) < Area.BoxSize + BoxGap && std::abs(S.PosY() - At.Top) < Area.BoxSize + BoxGap) {
                return false;
            }
        }
        return true;
    };
    const TBoxPosition Wanted = NewBoxPosition(StageNum);
    if (Free(Wanted)) {
        return Wanted;
    }
    constexpr int32_t Grid = 10;
    std::optional<TBoxPosition> Best;
    int64_t BestDistance = 0;
    for (int32_t Top = Grid; Top + Area.BoxSize <= Area.Height; Top += Grid) {
        for (int32_t Left = Grid; Left + Area.BoxSize <= Area.Width; Left += Grid) {
            const int64_t Dx = Left - Wanted.Left;
            const int64_t Dy = Top - Wanted.Top;
            const int64_t Distance = Dx * Dx + Dy * Dy;
            if ((!Best || Distance < BestDistance) && Free({Left, Top})) {
                Best = TBoxPosition{Left, Top};
                BestDistance = Distance;
            }
        }
    }
    return Best.value_or(Wanted);
}

TNewStagePlan PrepareNewStage(TSimulation& Model, Dialogs& Messages, const TDiagramArea& Area)
{
    TNewStagePlan Plan;
    if (Model.NumStages() >= MaxStages) {
        Messages.ShowError("The model already contains the maximum number of stages (" + std::to_string(MaxStages) + ").");
        return Plan;
    }
    Plan.Allowed = ResetRunBeforeAdding(Model, Messages, "stage", Plan.RunReset);
    if (Plan.Allowed) {
        Plan.Box = FreeBoxPosition(Model, Model.NumStages() + 1, Area);
    }
    return Plan;
}

TLinkOutcome LinkChecked(TSimulation& Model, int SupplierNum, int CustomerNum, Dialogs& Messages)
{
    TLinkOutcome Outcome;
    const TLinkResult Check = Model.CheckLink(SupplierNum, CustomerNum);
    if (Check != TLinkResult::Linked) {
        Messages.ShowError(LinkRefusalText(Check));
        return Outcome;
    }
    if (ResetRunBeforeAdding(Model, Messages, "link", Outcome.RunReset)) {
        Outcome.Linked = Model.Link(SupplierNum, CustomerNum) == TLinkResult::Linked;
    }
    return Outcome;
}

bool ClearChecked(TSimulation& Model, Dialogs& Messages)
{
    if (!Messages.AskYesNo("Are you sure you want to erase your model?")) {
        return false;
    }
    Model.ClearModel();
    return true;
}

TRunOutcome RunCommand(TSimulation& Model, const TRunSettingsTexts& Texts, Dialogs& Messages)
{
    TRunOutcome Outcome;
    const bool HadRun = Model.Period() != 0;
    TRunSettings Used;
    Outcome.Costs = RunChecked(Model, Texts, Messages, &Used);
    if (Outcome.Costs) {
        Outcome.NumPeriods = Used.NumPeriods;
    } else {
        Outcome.RunReset = HadRun && Model.Period() == 0;
    }
    return Outcome;
}

TReplayRange ReplayOfRun(int32_t NumPeriods)
{
    return {1, NumPeriods, NumPeriods, NumPeriods / 10, true};
}
