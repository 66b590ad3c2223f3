#pragma once
#include <cstdint>
#include <string>

// The three run settings as numbers.
struct TRunSettings {
    int32_t NumPeriods = 1000;
    int32_t WarmUp = 100;
    int32_t Seed = 0;  // 0: seed from the clock; < 0: continue the current random sequence
};

// The three run settings as the user typed them (the main window's edit boxes, the command line's
// options), initially the default numbers.
struct TRunSettingsTexts {
    std::string Seed = std::to_string(TRunSettings{}.Seed);
    std::string NumPeriods = std::to_string(TRunSettings{}.NumPeriods);
    std::string WarmUp = std::to_string(TRunSettings{}.WarmUp);
};

enum class TSettingsField { None, Seed, NumPeriods, WarmUp };

// Outcome of CheckSettings: the first setting refused and the user's message, or None and "".
struct TSettingsCheck {
    TSettingsField Field = TSettingsField::None;
    std::string Message;
    bool Ok() const { return Field == TSettingsField::None; }
};

// Checks the settings texts in this order and stops at the first failure: the seed must be an
// integer (signed 32-bit decimal), the number of periods an integer from 1 to 9999, the warm-up an
// integer from 1 to that number of periods. When all are valid Settings receives the values;
// otherwise it is unchanged.
TSettingsCheck CheckSettings(const TRunSettingsTexts& Texts, TRunSettings& Settings);
