#include "output/numberformat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "shell/defaults.h"
#include "shell/textutil.h"

namespace {

void stripZeros(std::string* s) {
  const size_t point = s->find('.');
  if (point == std::string::npos) return;
  size_t end = s->size();
  while (end > point + 1 && (*s)[end - 1] == '0') --end;
  if (end == point + 1) --end;
  s->resize(end);
}

std::string exponentForm(double x, int digits) {
  const int sig = std::max(1, digits - 1);
  char buf[64];
  std::string s(buf, std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, sig - 1).ptr);
  const size_t e = s.find('e');
  std::string mantissa = s.substr(0, e);
  stripZeros(&mantissa);
  const int exponent = std::atoi(s.c_str() + e + 1);
  std::snprintf(buf, sizeof buf, "e%c%d", exponent < 0 ? '-' : '+', std::abs(exponent));
  return mantissa + buf;
}

}  // namespace

std::string RealText(double x, int digits) {
  digits = std::clamp(digits, 1, 17);
  if (std::isnan(x)) return " NaN";
  if (std::isinf(x)) return x < 0 ? "-INF" : " INF";
  if (x == 0.0) return " 0";  // also -0
  const int e = std::ilogb(x);
  std::string s;
  if (e >= -7 && e <= 31) {
    // Integer division truncates toward zero, as the rule asks.
    const int decimals = std::max(1, digits - (4 * (e - 1)) / 13);
    // to_chars with a precision writes what printf writes, at a fraction
    // of the cost.
    char buf[128];
    s.assign(buf, std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals).ptr);
    stripZeros(&s);
  } else {
    s = exponentForm(x, digits);
  }
  return s[0] == '-' ? s : " " + s;
}

std::string RealText(double x) { return RealText(x, SignificantFigures); }

std::string FloatRealText(float x, int digits) {
  if (!std::isfinite(x)) return RealText(static_cast<double>(x), digits);
  char buf[32];
  double decimal = 0.0;
  std::from_chars(buf, FieldNumChars(buf, x), decimal);
  return RealText(decimal, digits);
}

std::string FloatRealText(float x) { return FloatRealText(x, SignificantFigures); }


std::string IntText(int64_t n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, n < 0 ? "%lld" : " %lld", static_cast<long long>(n));
  return buf;
}
