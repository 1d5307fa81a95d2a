#include "shell/refusal.h"

CheckedResult Refused(const char* field, const char* reason) {
  CheckedResult r;
  r.field = field;
  r.reason = reason;
  return r;
}

CheckedResult Accepted(double value) {
  CheckedResult r;
  r.value = value;
  return r;
}

// Against the limit's own float: the sum celsius + 273.15 in double left a
// typed -273.15 6e-6 K above absolute zero.
bool BelowAbsoluteZero(float celsius, float offset) { return !(celsius > -273.15f && celsius > -offset); }

bool OutsidePercent(double v) { return !(v >= 0.0 && v <= 100.0); }

std::string RefusalText(const CheckedResult& r) {
  if (r.ok()) return {};
  return std::string("\"") + r.field + "\": " +
         (r.reason ? r.reason : "this value makes the result infinite or not a number") + ". Please correct it.";
}
