// The number texts of every results destination (text file, printer spool,
// tabular file). Reals follow the digits setting SignificantFigures:
// fixed-point for 2^-7 <= |x| < 2^32 and zero, exponent form otherwise.
#pragma once
#include <concepts>
#include <cstdint>
#include <string>

// x with `digits` significant digits (clamped to 1..17): one blank in front
// unless negative. Fixed form: max(1, digits - trunc(4 * (e - 1) / 13))
// decimals for the binary exponent e, trailing zeros and point removed.
// Exponent form: digits - 1 significant digits (at least 1), trailing zeros
// of the mantissa removed, "e", the exponent's sign and its digits without
// leading zeros (" 5e-3", "-4.295e+9"). NaN and infinities print " NaN",
// " INF" and "-INF".
std::string RealText(double x, int digits);
// The same with the current SignificantFigures.
std::string RealText(double x);
// A stored float: the value its shortest text (NumText) stands for, never
// the digits of its binary expansion, so 1000/3 kept as a float prints
// " 333.33334" at 10 digits where the double form gives " 333.33334351".
std::string FloatRealText(float x, int digits);
std::string FloatRealText(float x);   // with the current SignificantFigures
// Exactly float: an integer argument keeps taking the double form.
template <typename F>
  requires std::same_as<F, float>
std::string RealText(F x, int digits) {
  return FloatRealText(x, digits);
}
template <typename F>
  requires std::same_as<F, float>
std::string RealText(F x) {
  return FloatRealText(x);
}
// Decimal digits, one blank in front unless negative.
std::string IntText(int64_t n);
