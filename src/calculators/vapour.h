// Saturated water vapour and the partial pressure of oxygen in a humid gas.
// Pure.
#pragma once
#include <string>

// Saturated water-vapour density, mg/ml, and saturation vapour pressure,
// torr: SaturatedVapourDensityOf and SaturationVapourPressureOf
// (editing/watervapour.h).
float SaturatedVapourDensity(float celsius);
float SaturationVapourPressure(float celsius);
// Vapour pressure at `saturation` percent, torr (kPa when !torr: x
// 101.325 / 760); a negative result is 0.
float VapourPressure(float celsius, float saturation, bool torr);
// The vapour-pressure field: the number text whole, so that what is shown
// is the number pO2 is computed from (cut to 7 characters, 9.858072e-05
// read 9.858).
std::string VapourFieldText(float v);

// pO2 = (Pa - Pw) x F / 100 with Pa, Pw in the unit given (kPa when !torr)
// and F the dry-gas O2 percent; the result in that unit.
float OxygenPartialPressure(float ambient, float vapour, float o2Percent, bool torr);

inline constexpr double kTorrPerKPa = 760.0 / 101.325;
