#pragma once

// Comparisons of model values that forgive the noise of decimal input and arithmetic.
// |B - A| < 1e-6.
bool FloatEq(double A, double B);
// B - A >= 1e-6.
bool FloatLess(double A, double B);

