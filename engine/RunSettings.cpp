#include "engine/RunSettings.h"

#include "engine/ParamCatalogue.h"
#include "text/NumberText.h"

TSettingsCheck CheckSettings(const TRunSettingsTexts& Texts, TRunSettings& Settings)
{
    int32_t Seed = 0;
    if (!TryParseInt32(Texts.Seed, Seed)) {
        return {TSettingsField::Seed, "You must enter an integer RandSeed (or set to 0 to generate randomly)."};
    }
    int32_t Periods = 0;
    if (!TryParseInt32(Texts.NumPeriods, Periods) || Periods < 1 || Periods > MaxPeriods) {
        return {TSettingsField::NumPeriods,
                "You must enter an integer number of periods between 1 and " + std::to_string(MaxPeriods) + "."};
    }
    int32_t WarmUp = 0;
    if (!TryParseInt32(Texts.WarmUp, WarmUp) || WarmUp < 1 || WarmUp > Periods) {
        return {TSettingsField::WarmUp,
                "You must enter an integer number of periods between 1 and the number of periods in your simulation (" +
                    std::to_string(Periods) + ")."};
    }
    Settings.NumPeriods = Periods;
    Settings.WarmUp = WarmUp;
    Settings.Seed = Seed;
    return {};
}
