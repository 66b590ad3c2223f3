#include "engine/RunSettings.h"

#include "engine/Constants.h"
#include "engine/GeneralProcs.h"

std::string CheckSettings(const std::string& SeedText, const std::string& PeriodsText, const std::string& WarmUpText,
                          TRunSettings& Settings)
{
    int32_t Seed = 0;
    if (!TryParseInt32(SeedText, Seed)) {
        return "You must enter an integer RandSeed (or set to 0 to generate randomly).";
    }
    int32_t Periods = 0;
    if (!TryParseInt32(PeriodsText, Periods) || Periods < 1 || Periods > MaxPeriods) {
        return "You must enter an integer number of periods between 1 and " + std::to_string(MaxPeriods) + ".";
    }
    int32_t WarmUp = 0;
    if (!TryParseInt32(WarmUpText, WarmUp) || WarmUp < 1 || WarmUp > Periods) {
        return "You must enter an integer number of periods between 1 and the number of periods in your simulation (" +
               std::to_string(Periods) + ").";
    }
    Settings.NumPeriods = Periods;
    Settings.WarmUp = WarmUp;
    Settings.Seed = Seed;
    return "";
}
