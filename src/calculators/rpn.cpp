#include "calculators/rpn.h"

#include <cmath>

namespace {

RpnOutcome xResult(double x, double y) { return {RpnStatus::Ok, static_cast<float>(x), static_cast<float>(y)}; }
RpnOutcome yResult(double x, double y) {
  return {RpnStatus::Ok, static_cast<float>(x), static_cast<float>(y), true};
}
RpnOutcome mathError(double x, double y) {
  return {RpnStatus::MathError, static_cast<float>(x), static_cast<float>(y)};
}

// X^Y: a negative base needs a whole exponent.
RpnOutcome power(double x, double y) {
  if (x < 0.0 && std::trunc(y) != y) return mathError(x, y);
  return xResult(std::pow(x, y), y);
}

}  // namespace

RpnOutcome RpnApplyButton(int16_t id, double x, double y, double mean) {
  switch (id) {
    case kRpnAdd: return xResult(x + y, y);
    case kRpnSubtract: return xResult(x - y, y);
    case kRpnMultiply: return xResult(x * y, y);
    case kRpnDivide: return y == 0.0 ? mathError(x, y) : xResult(x / y, y);
    case kRpnReciprocal: return xResult(1.0 / x, y);
    case kRpnPi: {
      RpnOutcome o = yResult(x, kRpnPiValue);
      o.piText = true;
      return o;
    }
    // ln 0 and log 0 are -inf, not errors.
    case kRpnLn: return x < 0.0 ? mathError(x, y) : xResult(std::log(x), y);
    case kRpnExp: return xResult(std::exp(x), y);
    case kRpnLog: return x < 0.0 ? mathError(x, y) : xResult(std::log(x) / 2.302585, y);
    case kRpnTenPower: return xResult(std::pow(10.0, x), y);
    case kRpnRoot: return x < 0.0 ? mathError(x, y) : xResult(std::sqrt(x), y);
    case kRpnSquare: return xResult(x * x, y);
    case kRpnPower: return power(x, y);
    case kRpnDiv10: return xResult(x * 0.1, y);
    case kRpnMul10: return xResult(x * 10.0, y);
    case kRpnDiv60: return xResult(x / 60.0, y);
    case kRpnMul60: return xResult(x * 60.0, y);
    case kRpnDiv24: return xResult(x / 24.0, y);
    case kRpnMul24: return xResult(x * 24.0, y);
    case kRpnDiv760: return xResult(x / 760.0, y);
    case kRpnDiv101: return xResult(x / 101.325, y);
    case kRpnDiv273: return xResult(x / 273.1, y);
    case kRpnAdd273: return xResult(x + 273.1, y);
    case kRpnXFromY: return xResult(y, y);
    case kRpnYFromX: return yResult(x, x);
    case kRpnLastMean: return xResult(mean, y);
    // Circle, cylinder and sphere of radius X.
    case kRpnCircumference: return yResult(x, 2.0 * kRpnPiValue * x);
    case kRpnCircleArea: return yResult(x, kRpnPiValue * x * x);
    case kRpnCylinder: return yResult(x, kRpnPiValue * x * x * y);
    case kRpnSphereSurface: return yResult(x, 4.0 * kRpnPiValue * x * x);
    case kRpnSphereVolume: return yResult(x, 4.188789086135801 * x * x * x);
    default: return {RpnStatus::NotAnOperation, static_cast<float>(x), static_cast<float>(y)};
  }
}

RpnOutcome RpnApplyOperator(int16_t op, double x, double y) {
  switch (op) {
    case kOpAdd: return xResult(x + y, y);
    case kOpSubtract: return xResult(x - y, y);
    case kOpMultiply: return xResult(x * y, y);
    case kOpDivide: return xResult(x / y, y);
    case kOpPower: return power(x, y);
    default: return {RpnStatus::NotAnOperation, static_cast<float>(x), static_cast<float>(y)};
  }
}
