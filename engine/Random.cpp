#include "engine/Random.h"

#include <cmath>

#include "platform/Clock.h"

uint32_t RandSeed = 0;

void Seed(int64_t Value)
{
    if (Value == 0) {
        RandSeed = HighResCounterLow32();
    } else if (Value > 0) {
        RandSeed = static_cast<uint32_t>(Value);
    }
}

double Uniform()
{
    RandSeed = RandSeed * 134775813u + 1u;
    return static_cast<double>(RandSeed) * 0x1p-32;
}

double Normal(double Mean, double SD)
{
    long double U1 = 0;
    long double S = 0;
    do {
        U1 = 2.0L * Uniform() - 1.0L;
        const long double U2 = 2.0L * Uniform() - 1.0L;
        S = U2 * U2 + U1 * U1;
        // S == 0 (both draws exactly 1/2) would divide by zero; it is redrawn like S >= 1.
    } while (S >= 1.0L || S == 0.0L);
    const long double Result =
        static_cast<long double>(Mean) + static_cast<long double>(SD) * (U1 * std::sqrt(-2.0L * std::log(S) / S));
    return static_cast<double>(Result);
}
