#pragma once
#include <cstdint>

// The low 32 bits of a high-resolution monotonic counter; used only to seed the random
// generator when the user asks for a seed from the clock.
uint32_t HighResCounterLow32();
