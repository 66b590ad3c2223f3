#pragma once
#include <cstdint>

// The one pseudo-random generator of the program. Process-wide by design: consecutive runs
// with a negative seed continue one sequence, and resetting a model does not touch it.
// 0 when the program starts.
extern uint32_t RandSeed;

// Value 0: seed from the low 32 bits of the high-resolution clock; > 0: RandSeed = Value;
// < 0: leave the generator where it is.
void Seed(int64_t Value);

// RandSeed = RandSeed * 134775813 + 1 (mod 2^32); returns RandSeed * 2^-32, in [0, 1).
double Uniform();

// A normal draw by the polar method in extended precision, stored as a double. Every attempt
// consumes two uniform numbers (u1 first), also when SD is 0.
double Normal(double Mean, double SD);
