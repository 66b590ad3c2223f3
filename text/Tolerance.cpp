#include "text/Tolerance.h"

#include <cmath>

bool FloatEq(double A, double B)
{
    return std::fabs(B - A) < 1e-6;
}

bool FloatLess(double A, double B)
{
    return B - A >= 1e-6;
}
