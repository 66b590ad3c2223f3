#include "engine/InvPolicyType.h"

const std::array<std::string, 4> PolicyNames = {"BS", "(R,Q)", "(s,S)", "OQ"};

std::string PolicyToText(int Code)
{
    if (Code < PolicyBaseStock || Code > PolicyOQ) {
        return "None";
    }
    return PolicyNames[static_cast<std::size_t>(Code - 1)];
}

uint8_t TextToPolicy(const std::string& Text)
{
    for (std::size_t I = 0; I < PolicyNames.size(); ++I) {
        if (Text == PolicyNames[I]) {
            return static_cast<uint8_t>(I + 1);
        }
    }
    return PolicyNone;
}

uint8_t IntToPolicy(int64_t Code)
{
    return (Code >= 0 && Code <= 4) ? static_cast<uint8_t>(Code) : uint8_t{PolicyNone};
}
