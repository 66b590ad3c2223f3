#include "platform/Clock.h"

#include <chrono>

uint32_t HighResCounterLow32()
{
    const auto Ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return static_cast<uint32_t>(static_cast<uint64_t>(Ticks));
}
