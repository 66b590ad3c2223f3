#pragma once
#include <cstdint>
#include <span>

// Bit-exact shortcuts for adding the same values many times in double arithmetic.
//
// The engine keeps runs of identical units instead of one object per unit, but its sums must
// equal, to the last bit, what adding unit by unit gives: floating-point addition is not
// associative, so Count * Term is not the same as Count additions of Term. These functions give
// the unit-by-unit result in time that does not grow with Count (it grows with the number of
// binary exponent ranges the sum passes through, at most about a hundred).

// The value of Sum after Cycles repetitions of: for each Term in order, Sum = Sum + Term
// (every addition rounded to double, ties to even). REQUIRES: Cycles >= 0.
double AddRepeatedCycle(double Sum, std::span<const double> Terms, int64_t Cycles);

// The value of Sum after Count additions of Term. REQUIRES: Count >= 0.
inline double AddRepeated(double Sum, double Term, int64_t Count)
{
    return AddRepeatedCycle(Sum, std::span<const double>(&Term, 1), Count);
}
