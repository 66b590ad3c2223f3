#include "checks/CheckedRun.h"

#include "checks/CheckModel.h"
#include "platform/Dialogs.h"

bool CheckRunAllowed(const TSimulation& Model, const TRunSettingsTexts& Texts, Dialogs& Messages,
                     TRunSettings& Settings)
{
    if (!CheckModel(Model, Messages)) {
        return false;
    }
    const TSettingsCheck Check = CheckSettings(Texts, Settings);
    if (!Check.Ok()) {
        Messages.ShowError(Check.Message);
        return false;
    }
    return true;
}

std::optional<TCostTotals> RunChecked(TSimulation& Model, const TRunSettingsTexts& Texts, Dialogs& Messages,
                                      TRunSettings* Used)
{
    if (Model.Period() != 0) {
        // What would refuse the run anyway refuses it before the question, so that a refusal
        // never costs the run that stands.
        TRunSettings Checked;
        const TSettingsCheck Check = CheckSettings(Texts, Checked);
        if (!Check.Ok()) {
            Messages.ShowError(Check.Message);
            return std::nullopt;
        }
        if (const std::optional<std::string> Refusal = ModelRefusal(Model)) {
            Messages.ShowError(*Refusal);
            return std::nullopt;
        }
        if (!Messages.AskYesNo("Reset current simulation and re-run?")) {
            return std::nullopt;
        }
        Model.Reset();
    }
    TRunSettings Settings;
    if (!CheckRunAllowed(Model, Texts, Messages, Settings)) {
        return std::nullopt;
    }
    if (Used != nullptr) {
        *Used = Settings;
    }
    const TCostTotals Costs = Model.RunSimulation(Settings.NumPeriods, Settings.WarmUp, Settings.Seed);
    for (const std::string& Warning : Model.RunWarnings()) {
        Messages.ShowError(Warning);
    }
    return Costs;
}
