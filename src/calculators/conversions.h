// Unit conversions: 79 rows keyed by (pop-up menu 63..66, item), some of
// them formulas (saturated water vapour, clear-sky sunlight); and the day of
// the year. Pure; the table is data.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "shell/textutil.h"   // TodayMMddyy

inline constexpr int16_t kFirstConversionMenu = 63;
inline constexpr int16_t kLastConversionMenu = 66;

enum class ConversionKind : int8_t {
  Multiply, Divide, Add,
  FahrenheitToCelsius, CelsiusToFahrenheit,
  SaturationPressure, SaturationDensity, SunFromElevation, SunFromAltitude,
};

struct ConversionRow {
  int16_t menu, item;
  const char* from;
  const char* to;
  ConversionKind kind;
  double k;
  bool single;        // worked in single precision
  const char* note;   // nullptr: none
};
std::span<const ConversionRow> ConversionTable();
const ConversionRow* FindConversion(int16_t menu, int16_t item);
// Items of a category, for its pop-up (the largest item number).
int16_t ConversionItemCount(int16_t menu);

struct ConversionResult {
  const ConversionRow* row = nullptr;   // nullptr: no row, y 0
  float y = 0.0f;
  bool nil = false;                     // sunlight from an elevation <= 0
};
ConversionResult Convert(int16_t menu, int16_t item, float x);

// Saturation vapour pressure, torr, T in degrees C: above 0 over water, the
// Goff-Gratch pressure of WATERCON; at and below 0 over ice, 6.1078 exp(21.87456
// (T - 273.16) / (T - 7.66)) hPa, T in K. The two meet at 0 degrees.
float SaturationPressureWaterIce(float celsius);
// Saturation vapour density, g/m^3: WATERCON x 1000 above 0; over ice the
// same ideal-gas law, 0.216632 e / (t + 273.16) g/L with e in hPa.
float SaturationDensityWaterIce(float celsius);
// Clear-sky sea-level sunlight, W/m^2, from the sun's elevation in degrees
// (> 0): 1366 x 0.7^m, air mass m = (1 / cos(e - 90))^0.678.
float SunlightFromElevation(float degrees);
// Clear-sky equatorial noon sunlight, W/m^2, at h metres:
// 1366 - 409.8 / 2^(h / 5500).
float SunlightFromAltitude(float metres);

// Day of the year from 1: days before the month plus the day, plus 1 from
// March in a leap year by the Gregorian rule (1900 and 2100 are not leap
// years, 2000 is). Not range-checked (day 40 of January is 40); a two-digit
// year is taken as typed (08 is a leap year).
int32_t CalculatorDayOfYear(int32_t day, int16_t month, int32_t year);
// The same from the numbers typed in the day and year fields (their whole
// parts); the day-of-year and sun-cycle calculators share it.
int32_t DayOfYearOfTypedDate(double day, int16_t month, double year);

// Start values of the day-of-year window: from the file's start date
// "mm-dd-yyyy" (month, day, the last four characters), or, when there is
// none, from today's "MM/dd/yy" with the year "20" and its last two digits.
// A month of 0 becomes today's month.
struct DateFields {
  int16_t month = 1;
  std::string day;
  std::string year;
};
DateFields DayOfYearStart(std::string_view fileDate, std::string_view todayMMddyy);
