#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Inventory policy codes, stored in one byte.
enum TInvPolicy : uint8_t {
    PolicyNone = 0,
    PolicyBaseStock = 1,   // "BS"
    PolicyRQ = 2,          // "(R,Q)"
    PolicySS = 3,          // "(s,S)"
    PolicyOQ = 4,          // "OQ" order-quantity formula
};

// The names of codes 1..4, in order.
extern const std::array<std::string, 4> PolicyNames;

// "None", "BS", "(R,Q)", "(s,S)", "OQ"; any other code gives "None".
std::string PolicyToText(int Code);
// Exact, case-sensitive match of "BS", "(R,Q)", "(s,S)", "OQ"; anything else gives 0.
uint8_t TextToPolicy(const std::string& Text);
// Code if 0..4, else 0.
uint8_t IntToPolicy(int64_t Code);
