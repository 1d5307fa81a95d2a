// Which typed field would make a calculator's result infinite or not a
// number, so that its window refuses the value with a message naming the
// field instead of showing INF or NaN (shell/refusal.h). Pure; text that is
// not a number has already read as 0 before these checks see it.
#pragma once
#include <string>

#include "calculators/conversions.h"
#include "calculators/oxygen.h"
#include "calculators/pressure.h"
#include "shell/refusal.h"

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

// ---- Oxygen partial pressure ----
// The typed values of the pO2 window, the pressure in the unit shown (kPa
// when !torr): a pressure at or below 0 or not above the vapour pressure it
// subtracts, a temperature at or below absolute zero, a saturation or an O2
// outside 0..100 % are refused by name.
CheckedResult CheckedPartialPressureInputs(float ambient, float celsius, float saturation, float o2Percent, bool torr);

// ---- Closed system ----
// Refused by name: a volume at or below 0, a temperature at or below
// absolute zero, a pressure at or below 0 or not above the vapour pressure
// it subtracts, a humidity, FiO2 or FiCO2 outside 0..100 %, a negative time,
// none at all or one too large for a float (as a temperature or pressure), a fall in O2 beyond the O2 there was, a final CO2 of 100 %
// or more, an RQ at or below 0 where a form uses it, and any input that
// leaves a result infinite. The value is VO2; *out gets the results.
CheckedResult CheckedClosedSystem(const ClosedSystemInput& in, ClosedSystemResult* out);

// ---- Dissolved oxygen ----
// Refused by name: a temperature at or below absolute zero or above 50
// degrees, a negative volume, solutes or saturation (above 100 % counts as
// 100 %), a pressure at or below 0, water that boils at the temperature and
// pressure (CheckedO2ContentWater), a gas-phase O2 outside 0..100 %. The
// value is the content per litre; *out gets both contents.
CheckedResult CheckedDissolvedOxygen(float celsius, float volumeMl, float pb, float gasO2, float solutes,
                                     float saturation, bool milligrams, O2Content* out);

// ---- Unit conversions ----
// The input of a row, named by its from-unit: a temperature at or below
// absolute zero, a negative mass, volume, amount, light intensity or water
// vapour, and an input that makes the result infinite. Speeds, distances,
// energies, rates and pressures convert with their sign (a difference or a
// gauge reading may be negative).
CheckedResult CheckedConversion(const ConversionResult& r, float x);

// ---- Altitude simulation ----
// The concentration must lie from 0 to 100 % and both altitudes or pressures
// must be finite; a mixture that would need more than 100 % is refused as
// the concentration's.
struct CheckedSimulation {
  SimulatedGas gas;
  CheckedResult check;
};
CheckedSimulation CheckedSimulationFromAltitudes(double gas, double simulatedM, double measuredM);
CheckedSimulation CheckedSimulationFromPressures(double gas, double simulatedTorr, double measuredTorr);
