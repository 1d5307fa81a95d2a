#include "output/stats.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Continued fraction of I_x(a, b) (modified Lentz), good for x < (a+1)/(a+b+2).
double betaContinuedFraction(double a, double b, double x) {
  constexpr double tiny = 1e-300;
  constexpr double eps = 1e-16;
  const double qab = a + b, qap = a + 1.0, qam = a - 1.0;
  double c = 1.0;
  double d = 1.0 - qab * x / qap;
  if (std::fabs(d) < tiny) d = tiny;
  d = 1.0 / d;
  double h = d;
  // Convergence takes about sqrt(max(a, b)) steps; df of a few million
  // stays well inside the cap.
  for (int m = 1; m <= 200000; ++m) {
    const double m2 = 2.0 * m;
    double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
    d = 1.0 + aa * d;
    if (std::fabs(d) < tiny) d = tiny;
    c = 1.0 + aa / c;
    if (std::fabs(c) < tiny) c = tiny;
    d = 1.0 / d;
    h *= d * c;
    aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
    d = 1.0 + aa * d;
    if (std::fabs(d) < tiny) d = tiny;
    c = 1.0 + aa / c;
    if (std::fabs(c) < tiny) c = tiny;
    d = 1.0 / d;
    const double del = d * c;
    h *= del;
    if (std::fabs(del - 1.0) < eps) break;
  }
  return h;
}

// I_x(a, b) with y = 1 - x given separately, so that x close to 1 keeps
// its precision.
double incompleteBeta(double a, double b, double x, double y) {
  if (x <= 0.0) return 0.0;
  if (y <= 0.0) return 1.0;
  const double lnFront = std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log(y);
  const double front = std::exp(lnFront);
  if (x < (a + 1.0) / (a + b + 2.0)) return front * betaContinuedFraction(a, b, x) / a;
  return 1.0 - front * betaContinuedFraction(b, a, y) / b;
}

}  // namespace

double RegularizedIncompleteBeta(double a, double b, double x) {
  if (!(a > 0.0) || !(b > 0.0) || !(x >= 0.0) || !(x <= 1.0)) return std::numeric_limits<double>::quiet_NaN();
  return incompleteBeta(a, b, x, 1.0 - x);
}

double StudentTwoTailedP(double t, double df) {
  if (!(df > 0.0) || std::isnan(t)) return std::numeric_limits<double>::quiet_NaN();
  if (std::isinf(t)) return 0.0;
  if (t == 0.0) return 1.0;
  const double t2 = t * t;
  return incompleteBeta(df / 2.0, 0.5, df / (df + t2), t2 / (df + t2));
}

float TestSlopeProbability(int32_t n, double sumxy, double sumx2, double sumy2, float fittedSlope,
                           float testSlope) {
  constexpr float kNotComputed = std::numeric_limits<float>::quiet_NaN();
  const int32_t df = n - 2;
  if (df <= 0 || !(sumx2 > 0.0)) return kNotComputed;
  for (double v : {sumxy, sumx2, sumy2, double{fittedSlope}, double{testSlope}})
    if (!std::isfinite(v)) return kNotComputed;
  const double residual = std::max(0.0, sumy2 - sumxy * sumxy / sumx2);
  const double se = std::sqrt(residual / df / sumx2);
  // The slope from the same sums in double, where it is the one fitted: the
  // float slope's rounding is a sizeable part of SE when r^2 is near 1.
  const double exact = sumxy / sumx2;
  const double b = static_cast<float>(exact) == fittedSlope ? exact : static_cast<double>(fittedSlope);
  const double diff = b - static_cast<double>(testSlope);
  double p;
  if (diff == 0.0) {
    p = 1.0;
  } else if (!(se > 0.0)) {
    p = 0.0;
  } else {
    p = StudentTwoTailedP(diff / se, static_cast<double>(df));
  }
  const float result = static_cast<float>(p);
  return result < kSlopeProbabilityFloor ? kSlopeProbabilityFloor : result;
}
