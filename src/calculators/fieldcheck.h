// Which typed field would make a calculator's result infinite or not a
// number, so that its window refuses the value with a message naming the
// field instead of showing INF or NaN. Pure; text that is not a number has
// already read as 0 before these checks see it.
#pragma once
#include <string>

#include "calculators/oxygen.h"
#include "calculators/pressure.h"

// A result, or the field that keeps it from being a finite number.
struct CheckedResult {
  double value = 0;
  const char* field = nullptr;    // the field's label as the window shows it; nullptr: value is finite
  const char* reason = nullptr;   // why, when more can be said than "not a number"
  bool ok() const { return field == nullptr; }
};
CheckedResult Refused(const char* field, const char* reason = nullptr);
// The alert's text: the field, then the reason or that the result would be
// infinite or not a number.
std::string RefusalText(const CheckedResult& r);

// ---- Altitude and pressure: the window's two directions ----
// Refused "Pressure" at or below 0; "Altitude" when the pressure overflows.
CheckedResult CheckedAltitude(double pressureField, bool feet, bool torr);
CheckedResult CheckedPressure(double altitudeField, bool feet, bool torr);

// ---- Flow to STP ----
// Zero or non-finite elapsed time, and the like; a negative flow, volume or
// time, a barometric pressure at or below 0 or one the meter's internal
// pressure takes to 0 or below, and a meter or calibration temperature at
// or below absolute zero.
CheckedResult CheckedStpFlow(const StpInput& in);

// ---- A date typed as month, day and year ----
// The day must lie within its month (February 29 only in a leap year): day
// 40 of March was taken as day 100 of the year. The value is the day of the year.
CheckedResult CheckedDayOfMonth(double day, int16_t month, double year);
// A day of the year typed as it is: 1 to 366 (its whole part); the value is that day.
CheckedResult CheckedDayOfYear(double day);

// ---- Ventilation ----
// Refused by name: a negative VO2, an inhaled O2 outside 0..100 % (or 0), a
// temperature at or below absolute zero, a pressure at or below 0 or not
// above the breath's vapour pressure at Tb (47 torr at 37 degrees), an RH
// outside 0..100 % or whose vapour reaches the chamber pressure, a negative
// calibration volume or frequency. Every calibration and sample field and
// the frequency must be finite and not 0 (a 0 showed Vt = INF and EO2 = 0 %,
// or "**" everywhere); a K of 1 (no volume change in the lungs) is refused
// as the chamber temperature's; a negative tidal volume as that of the first
// negative calibration or sample field, or of the sample volts when the
// breath shrinks in the lungs (K < 1).
// The value is Vt; *out gets all three results when accepted.
CheckedResult CheckedVentilation(const VentilationInput& in, VentilationResult* out);

// ---- Altitude simulation ----
// The concentration and both altitudes or pressures must be finite.
struct CheckedSimulation {
  SimulatedGas gas;
  CheckedResult check;
};
CheckedSimulation CheckedSimulationFromAltitudes(double gas, double simulatedM, double measuredM);
CheckedSimulation CheckedSimulationFromPressures(double gas, double simulatedTorr, double measuredTorr);
