// A typed value refused by the name of its field, so that a window's alert
// says which field to correct and why. Pure; text that is not a number has
// already read as 0 before these checks see it.
#pragma once
#include <string>

// A result, or the field that keeps it from being a finite number.
struct CheckedResult {
  double value = 0;
  const char* field = nullptr;    // the field's label as the window shows it; nullptr: value is finite
  const char* reason = nullptr;   // why, when more can be said than "not a number"
  bool ok() const { return field == nullptr; }
};
CheckedResult Refused(const char* field, const char* reason = nullptr);
CheckedResult Accepted(double value);

// Typed values no instrument can give, with the reasons the refusals give.
// At or below absolute zero; `offset` is the kelvin offset the formula adds
// (273 in some), so that it never divides by 0 or a negative temperature.
// Compared in single precision, as the fields are read: a typed -273.15 is
// the float just above -273.15, and is refused like -300.
bool BelowAbsoluteZero(float celsius, float offset = 273.15f);
// A fraction or humidity, in per cent, outside 0..100.
bool OutsidePercent(double v);
inline constexpr const char* kAboveAbsoluteZero = "a temperature must be above absolute zero, -273.15 \xA1" "C";
inline constexpr const char* kPressureAbove0 = "a pressure must be above 0";
inline constexpr const char* kPercent = "it must lie from 0 to 100 %";
// The alert's text: the field, then the reason or that the result would be
// infinite or not a number.
std::string RefusalText(const CheckedResult& r);
