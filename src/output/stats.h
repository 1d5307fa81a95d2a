// The t-test of a regression slope and the distribution functions behind it.
#pragma once
#include <cstdint>

// I_x(a, b), the regularized incomplete beta function, for a, b > 0 and x in
// [0, 1]; NaN outside.
double RegularizedIncompleteBeta(double a, double b, double x);

// Two-tailed probability of |T| >= |t| for Student's t with df degrees of
// freedom (any df > 0, not only whole numbers); 1 for t = 0, NaN for df <= 0.
double StudentTwoTailedP(double t, double df);

// The probability that the true slope equals testSlope, for a fit of n
// points with the centred sums sumxy, sumx2, sumy2 and the fitted slope:
// t = (b - testSlope) / SE with df = n - 2, exact for every df, b the slope
// Sxy / Sxx in double when fittedSlope is its rounding, else fittedSlope;
// never below 1e-5. SE comes from Syy - Sxy^2 / Sxx formed in double, which
// keeps its digits when r^2 is near 1. A perfect fit (SE 0) gives the floor
// unless the slopes are equal. NaN (not computed) when nothing can be
// tested: fewer than 3 points, sumx2 <= 0, or any input not finite.
float TestSlopeProbability(int32_t n, double sumxy, double sumx2, double sumy2, float fittedSlope,
                           float testSlope);
inline constexpr float kSlopeProbabilityFloor = 1e-5f;
