#include "engine/InvPolicyType.h"

std::string PolicyToText(int Code)
{
    switch (Code) {
    case PolicyBaseStock:
        return "BS";
    case PolicyRQ:
        return "(R,Q)";
    case PolicySS:
        return "(s,S)";
    case PolicyOQ:
        return "OQ";
    default:
        return "None";
    }
}

uint8_t TextToPolicy(const std::string& Text)
{
    if (Text == "BS") {
        return PolicyBaseStock;
    }
    if (Text == "(R,Q)") {
        return PolicyRQ;
    }
    if (Text == "(s,S)") {
        return PolicySS;
    }
    if (Text == "OQ") {
        return PolicyOQ;
    }
    return PolicyNone;
}

uint8_t IntToPolicy(int64_t Code)
{
    return (Code >= 0 && Code <= 4) ? static_cast<uint8_t>(Code) : uint8_t{PolicyNone};
}
