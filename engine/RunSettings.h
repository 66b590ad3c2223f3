#pragma once
#include <cstdint>
#include <string>

// The three run settings as the main window's edit boxes hold them.
struct TRunSettings {
    int32_t NumPeriods = 1000;
    int32_t WarmUp = 100;
    int32_t Seed = 0;  // 0: seed from the clock; < 0: continue the current random sequence
};

// Checks the settings texts in this order and stops at the first failure: the seed must be an
// integer (signed 32-bit decimal), the number of periods an integer from 1 to 9999, the warm-up an
// integer from 1 to that number of periods. Returns the user's message for the first failure, or
// an empty text when all are valid (Settings then holds the values; otherwise it is unchanged).
std::string CheckSettings(const std::string& SeedText, const std::string& PeriodsText, const std::string& WarmUpText,
                          TRunSettings& Settings);
