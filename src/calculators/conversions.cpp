#include "calculators/conversions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "editing/watervapour.h"
#include "respirometry/gasphysics.h"
#include "shell/textutil.h"

namespace {

using K = ConversionKind;
constexpr const char* kLatent37J =
    "\xA5 conversion factor differs slightly at other temperatures: for example, ~2.50 j/mg at 0 \xA1" "C vs. ~2.41 "
    "j/mg at 37 \xA1" "C";
constexpr const char* kLatent37Cal =
    "\xA5 conversion factor differs slightly at other temperatures: for example, ~0.597 cal/mg at 0 \xA1" "C vs. "
    "~0.577 cal/mg at 37 \xA1" "C";
constexpr const char* kStpNote = "\xA5 STP = 0 \xA1" "C, 760 torr (1.0 atmospheres) ";

// Mac Roman: \xA1 degree sign, \xA5 bullet. Factors are the exact
// definitions to the digits shown (water vapour at 0 degrees as an ideal gas,
// M 18.01528 g/mol), except the calorie of 4.186 J. Latent heat at 37
// degrees: 2.414 J/mg (it falls with temperature, 2.50 J/mg at 0 degrees).
constexpr ConversionRow kRows[] = {
    {63, 1, "joules", "calories", K::Divide, 4.186, false, nullptr},
    {63, 2, "calories", "joules", K::Multiply, 4.186, false, nullptr},
    {63, 3, "watts", "kilojoules/day", K::Multiply, 86.4, false, nullptr},
    {63, 4, "watts", "kilocalories/day", K::Multiply, 20.6402, false, nullptr},
    {63, 5, "watts", "calories/min", K::Multiply, 14.3335, false, nullptr},
    {63, 6, "BTU/hr", "Kilowatts", K::Multiply, 0.0002931, false, nullptr},
    {63, 7, "BTU", "Kilojoules", K::Multiply, 1.055, false, nullptr},
    {63, 8, "horsepower", "Kilowatts", K::Multiply, 0.746, false, nullptr},
    {63, 9, "Kilowatts", "horsepower", K::Multiply, 1.34, false, nullptr},
    {63, 10, "\xA1" "F", "\xA1" "C", K::FahrenheitToCelsius, 0, false,
     "\xA5 standard '5/9 X (\xA1" "F - 32)' conversion"},
    {63, 11, "\xA1" "C", "\xA1" "F", K::CelsiusToFahrenheit, 0, false,
     "\xA5 standard '(9/5 X \xA1" "C) + 32' conversion"},
    {63, 12, "\xA1" "C", "\xA1" "K", K::Add, 273.15, false, nullptr},
    {63, 13, "mg H2O evap.", "joules (@ 37 \xA1" "C) ", K::Multiply, kLatentJoulesPerMg37, false, kLatent37J},
    {63, 14, "mg H2O evap.", "calories (@ 37 \xA1" "C) ", K::Multiply, 0.576684, false, kLatent37Cal},
    {64, 1, "meters/sec", "kilometers/hour", K::Multiply, 3.6, false, nullptr},
    {64, 2, "kilometers/hour", "meters/sec", K::Multiply, 0.2777778, false, nullptr},
    {64, 3, "miles per hour", "meters/sec", K::Multiply, 0.44704, false, nullptr},
    {64, 4, "rate/sec", "rate/hour", K::Multiply, 3600, true, nullptr},
    {64, 5, "rate/hour", "rate/sec", K::Divide, 3600, true, nullptr},
    {64, 6, "rate/min", "rate/sec", K::Divide, 60, true, nullptr},
    {64, 7, "knots", "km/hour", K::Multiply, 1.852, false, nullptr},
    {64, 8, "km/hour", "knots", K::Divide, 1.852, false, nullptr},
    {64, 9, "miles per hour", "knots", K::Divide, 1.150779, false, nullptr},
    {64, 10, "knots", "miles per hour", K::Multiply, 1.150779, false, nullptr},
    {64, 11, "miles per hour", "km/hour", K::Multiply, 1.60934, false, nullptr},
    {64, 12, "inches", "centimeters", K::Multiply, 2.54, false, nullptr},
    {64, 13, "centimeters", "feet", K::Multiply, 0.0328084, false, nullptr},
    {64, 14, "feet", "centimeters", K::Divide, 0.0328084, false, nullptr},
    {64, 15, "feet", "meters", K::Multiply, 0.3048, false, nullptr},
    {64, 16, "meters", "feet", K::Divide, 0.3048, false, nullptr},
    {64, 17, "miles", "kilometers", K::Multiply, 1.60934, false, nullptr},
    {64, 18, "kilometers", "miles", K::Divide, 1.60934, false, nullptr},
    {64, 19, "acres", "hectares", K::Multiply, 0.4046856, false, nullptr},
    {64, 20, "square miles", "acres", K::Multiply, 640, true, nullptr},
    {64, 22, "square miles", "hectares", K::Multiply, 258.9988, false, nullptr},
    {64, 23, "square yards", "square meters", K::Multiply, 0.8361274, false, nullptr},
    {64, 24, "square feet", "square meters", K::Multiply, 0.09290304, false, nullptr},
    {64, 25, "square inches", "square centimeters", K::Multiply, 6.452, false, nullptr},
    {65, 1, "pounds", "kilograms", K::Multiply, 0.453592, false, nullptr},
    {65, 2, "kilograms", "pounds", K::Divide, 0.453592, false, nullptr},
    {65, 3, "ounces", "grams", K::Multiply, 28.3495, false, nullptr},
    {65, 4, "grams", "ounces", K::Multiply, 0.0352740, false, nullptr},
    {65, 5, "U.S. ton", "kilograms", K::Multiply, 907.185, false, nullptr},
    {65, 6, "U.K. tonne", "kilograms", K::Multiply, 1016.047, false, nullptr},
    {65, 7, "carats (gem) ", "grams", K::Multiply, 0.2, false, nullptr},
    {65, 8, "cubic feet", "cubic meter", K::Multiply, 0.0283168, false, nullptr},
    {65, 9, "cubic meters", "cubic feet", K::Divide, 0.0283168, false, nullptr},
    // 28.3168 is litres per cubic foot, so this row converts cubic feet.
    {65, 10, "cubic feet", "liters", K::Multiply, 28.3168, false, nullptr},
    {65, 11, "U.S. gallons", "liters", K::Multiply, 3.785412, false, nullptr},
    {65, 12, "US pint", "liters", K::Multiply, 0.473176, false, nullptr},
    {65, 13, "US quart", "liters", K::Multiply, 0.9463529, false, nullptr},
    {65, 14, "cup", "liters", K::Multiply, 0.24, false, nullptr},
    {65, 15, "barrels (oil) ", "liters", K::Multiply, 158.9873, false, nullptr},
    {65, 16, "millimoles", "ml gas at STP", K::Multiply, 22.414, false, kStpNote},
    {65, 17, "ml gas at STP", "millimoles", K::Divide, 22.414, false, kStpNote},
    {65, 18, "footcandle", "lux", K::Multiply, 10.764, false, nullptr},
    {65, 19, "elevation (degrees) ", "watts/square meter", K::SunFromElevation, 0, false,
     "\xA5 elevation = 90 \xA1 when sun is directly overhead.          \xA5 Approximate clear sky sea level values "
     "(sunlight intensity varies with season, altitude, humidity, etc.) "},
    {65, 20, "altitude (meters) ", "watts/square meter", K::SunFromAltitude, 0, false,
     "\xA5 based on solar constant of 1366 watts/square meter         \xA5 Approximate clear sky equatorial noon "
     "values (varies with latitude, season, sun elevation, humidity, etc.) "},
    {66, 1, "Torr", "kilopascals", K::Multiply, 0.1333224, false, nullptr},
    {66, 2, "P.S.I.", "torr", K::Multiply, 51.714933, false, nullptr},
    {66, 3, "torr", "P.S.I.", K::Multiply, 0.01933677, false, nullptr},
    {66, 4, "mm H2O", "torr", K::Multiply, kTorrPerMmWater, false,
     "\xA5 1 mm water column = 9.80665 Pa; 760 torr (1.0 atmospheres) = 10.33 meter water column"},
    {66, 5, "kilopascals", "torr", K::Multiply, 7.500617, false, nullptr},
    {66, 6, "kilopascals", "atmospheres", K::Multiply, 0.00986923267, false, nullptr},
    {66, 7, "atmospheres", "kilopascals", K::Multiply, 101.325, false, nullptr},
    {66, 8, "atmospheres", "torr", K::Multiply, 760, true, nullptr},
    {66, 9, "atmospheres", "PSI", K::Multiply, 14.695949, false, nullptr},
    {66, 10, "bars", "torr", K::Multiply, 750.0617, false, nullptr},
    {66, 11, "torr", "bars", K::Divide, 750.0617, false, nullptr},
    {66, 12, "bars", "atmospheres", K::Divide, 1.01325, false, nullptr},
    {66, 13, "atmospheres", "bars", K::Multiply, 1.01325, false, nullptr},
    {66, 14, "P.S.I.", "bars", K::Multiply, 0.0689475729, false, nullptr},
    {66, 15, "bars", "P.S.I.", K::Multiply, 14.503774, false, nullptr},
    {66, 16, "\xA1" "C", "torr H2O, 100% RH", K::SaturationPressure, 0, false,
     "\xA5 separate approximations are used for temperatures above and below 0 \xA1" "C"},
    {66, 17, "\xA1" "C", "g H2O/cubic meter", K::SaturationDensity, 0, false,
     "\xA5 This is for saturated air (100% relative humidity).      \xA5 Separate approximations are used for "
     "temperatures above and below 0 \xA1" "C"},
    {66, 18, "KPa H2O vapor", "g H2O/cubic meter", K::Multiply, 7.93242, false,
     "\xA5 assumes 0 \xA1" "C; higher temperature means lower water mass/KPa and vice versa -- does not check for "
     "saturation vapor pressure limits"},
    {66, 19, "KPa H2O vapor", "% STP gas volume H2O", K::Multiply, 0.986923, false, kStpNote},
    {66, 20, "Torr H2O vapor", "g H2O/cubic meter", K::Multiply, 1.05757, false,
     "\xA5 assumes 0 \xA1" "C; higher temperature means lower water mass/torr and vice versa -- does not check for "
     "saturation vapor pressure limits"},
    {66, 21, "Torr H2O vapor", "% STP gas volume H2O", K::Multiply, 0.1315789, false, kStpNote},
};

}  // namespace

std::span<const ConversionRow> ConversionTable() { return kRows; }

const ConversionRow* FindConversion(int16_t menu, int16_t item) {
  for (const ConversionRow& r : kRows)
    if (r.menu == menu && r.item == item) return &r;
  return nullptr;
}

int16_t ConversionItemCount(int16_t menu) {
  int16_t n = 0;
  for (const ConversionRow& r : kRows)
    if (r.menu == menu) n = std::max(n, r.item);
  return n;
}

namespace {

// Over ice, hPa: 6.1078 exp(21.87456 (T - 273.16) / (T - 7.66)), T in K;
// 6.1078 hPa at 0 degrees, where Goff-Gratch over water gives the same.
double iceSaturationHPa(float t) {
  const double tk = static_cast<double>(t) + 273.16;
  return 6.1078 * std::exp(21.87456 * (tk - 273.16) / (tk - 7.66));
}

}  // namespace

float SaturationPressureWaterIce(float t) {
  if (t > 0.0f) return static_cast<float>(SaturationVapourPressureTorr(t));
  return static_cast<float>(iceSaturationHPa(t) * kTorrPerHPa);
}

float SaturationDensityWaterIce(float t) {
  // WATERCON's mg/ml are g/L: x 1000 for g/m^3; over ice its ideal-gas law.
  if (t > 0.0f) return WATERCON(t) * 1000.0f;
  return static_cast<float>(iceSaturationHPa(t) * kVapourDensityPerHPa * 1000.0 / (static_cast<double>(t) + 273.16));
}

float SunlightFromElevation(float e) {
  const float c = std::cos((e - 90.0f) * 3.14159f / 180.0f);
  const float m = std::pow(1.0f / c, 0.678f);
  return 1366.0f * std::pow(0.7f, m);
}

float SunlightFromAltitude(float h) { return 1366.0f - 409.8f / std::pow(2.0f, h / 5500.0f); }

ConversionResult Convert(int16_t menu, int16_t item, float x) {
  ConversionResult out;
  out.row = FindConversion(menu, item);
  if (!out.row) return out;
  const ConversionRow& r = *out.row;
  const double xd = x;
  switch (r.kind) {
    case K::Multiply:
      out.y = r.single ? x * static_cast<float>(r.k) : static_cast<float>(xd * r.k);
      break;
    case K::Divide:
      out.y = r.single ? x / static_cast<float>(r.k) : static_cast<float>(xd / r.k);
      break;
    case K::Add: out.y = static_cast<float>(xd + r.k); break;
    case K::FahrenheitToCelsius: out.y = static_cast<float>((xd - 32.0) * 0.55555555); break;
    case K::CelsiusToFahrenheit: out.y = static_cast<float>(xd * 1.8 + 32.0); break;
    case K::SaturationPressure: out.y = SaturationPressureWaterIce(x); break;
    case K::SaturationDensity: out.y = SaturationDensityWaterIce(x); break;
    case K::SunFromElevation:
      if (x > 0.0f) out.y = SunlightFromElevation(x);
      else out.nil = true;
      break;
    case K::SunFromAltitude: out.y = SunlightFromAltitude(x); break;
  }
  return out;
}

int32_t CalculatorDayOfYear(int32_t day, int16_t month, int32_t year) {
  const bool leap = IsLeapYear(year);
  const int64_t d = static_cast<int64_t>(computeDayOfYear(0, month)) + day + (month >= 3 && leap ? 1 : 0);
  return static_cast<int32_t>(std::clamp<int64_t>(d, INT32_MIN, INT32_MAX));
}

int32_t DayOfYearOfTypedDate(double day, int16_t month, double year) {
  const auto whole = [](double v) {
    return std::isfinite(v) ? static_cast<int32_t>(std::clamp(std::trunc(v), -2.0e9, 2.0e9)) : 0;
  };
  return CalculatorDayOfYear(whole(day), month, whole(year));
}

DateFields DayOfYearStart(std::string_view fileDate, std::string_view today) {
  const auto slice = [](std::string_view t, size_t from, size_t n) {
    return from < t.size() ? std::string(t.substr(from, n)) : std::string();
  };
  const std::string_view src = fileDate.empty() ? today : fileDate;
  DateFields f;
  double month = TextToNum(slice(src, 0, 2));
  if (month == 0) month = TextToNum(slice(today, 0, 2));
  f.month = static_cast<int16_t>(std::clamp(month, 1.0, 12.0));
  f.day = slice(src, 3, 2);
  if (!fileDate.empty()) f.year = std::string(fileDate.substr(fileDate.size() >= 4 ? fileDate.size() - 4 : 0));
  else f.year = "20" + std::string(today.substr(today.size() >= 2 ? today.size() - 2 : 0));
  return f;
}

