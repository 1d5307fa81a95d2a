// Water vapour in saturated air and oxygen dissolved in water: the two small
// routines the respirometry commands and the calculators share. Pure.
#pragma once

#include "shell/refusal.h"

// Saturated water-vapour density in mg/ml (= g/L) at RHtemp degrees Celsius:
// Goff-Gratch saturation pressure, then the ideal-gas law. No range check;
// callers clamp their temperatures. The result is what is kept in RHFactor.
float WATERCON(float RHtemp);

// Oxygen in water in equilibrium with a gas phase.
struct O2Content {
  float perLitre = 0.0f;   // ml O2 STP per litre of water, or mg/L
  float inVolume = 0.0f;   // in the given volume: ml STP, or mg
};

// content = (exp(2.028544 - 0.037973 t - 0.020751 * 0.4826 * solutes) + 2.793274) * o2Factor
// t in degrees Celsius; volume in ml of water. Callers pass solutes as half the
// salinity in parts per thousand and o2Factor as (saturation % / 100) *
// (pressure torr / 760) * (gas-phase O2 % / 20.95); the pressure counts only
// there. inMilligrams multiplies by 1.4286 mg/ml, the density of O2 at STP.
O2Content O2CONTENT(float temperature, float volume, float solutes, float o2Factor, bool inMilligrams);

// Where O2CONTENT describes the water. Its fit tends to 2.79 ml/L however hot
// the water (3.57 at 60 degrees and 760 torr, where oxygen's solubility gives
// 3.28); from 0.5 to 50 degrees it lies within 2 % of it.
inline constexpr float kO2ContentHighestCelsius = 50.0f;
// Water at t degrees Celsius boils under `torr` (or a pressure that is not a
// number): its Goff-Gratch vapour pressure reaches 99.9 % of the pressure.
// The margin, 0.03 K at 100 degrees, is the formula's steam point less
// water's (100.001 and 99.974 degrees at 760 torr; in floats 100 degrees
// came to 759.96 torr): the boiling points then lie within 0.003 K of the
// steam tables' from 20 to 100 degrees.
bool WaterBoils(float celsius, float torr);
// The temperature and pressure of the water windows, refused by their
// labels: "temp." when not a number, at or below absolute zero or above 50
// degrees (saying that water boils there, where it does); "B.P." when the
// water boils below 50 degrees. The value is the temperature.
CheckedResult CheckedO2ContentWater(float celsius, float torr);

// hPa -> torr, 760 / 1013.25; and the factor of WATERCON's ideal-gas law,
// mg/ml of vapour per hPa over the temperature in K.
inline constexpr double kTorrPerHPa = 0.750062;
inline constexpr double kVapourDensityPerHPa = 0.216632;

// The temperature, degrees Celsius, at which WATERCON gives rho (mg/ml): its
// inverse, for a run that keeps only the density. Clamped to -100..200.
float WaterconTemperature(float rho);

// Vapour pressure, torr, of water vapour of density rho (mg/ml) at t degrees
// Celsius, by the ideal-gas law as WATERCON states it:
//   e = rho (t + 273.16) / 0.216632 hPa x 0.750062 torr/hPa
double VapourPressureTorr(float rho, float celsius);
// The Goff-Gratch saturation vapour pressure over water, torr:
// VapourPressureTorr(WATERCON(t), t).
double SaturationVapourPressureTorr(float celsius);

// The factor that turns a quantity per ml of gas at t degrees Celsius and P
// torr into the same quantity per ml of that gas at STP:
//   (t + 273.15) / 273.15 x 760 / P
// A vapour density read at a sensor times it is mg of water per ml STP, the
// volume the flow is reduced to.
double PerStpVolume(float celsius, float torr);

// Saturated water-vapour density in mg/ml at t degrees Celsius, the fifth-degree
// fits used per case where a temperature or a dew point comes from a channel
// (a constant temperature uses WATERCON). Horner form in single precision;
// never negative: below a fit's root (-58.1 degrees for the surface fit at or
// below 4 degrees, -108 for the air fit) the density is 0. NaN stays NaN.
// Air humidity (flow and analyser compensation):
//   rho = 0.0048835 + 3.3414e-4 t + 9.8932e-6 t^2 + 1.7366e-7 t^3 + 1.9147e-9 t^4 + 8.5704e-12 t^5
float VapourDensityAir(float t);
// The same steps for a float or a vector of floats (lane by lane the same
// products and sums), so that a loop over cases can take several at once.
template <class T>
[[gnu::always_inline]] inline T VapourDensityAirOf(T t) {
  T r = T{} + 8.5704e-12f;   // the constant in every lane
  r = r * t + 1.9147e-9f;
  r = r * t + 1.7366e-7f;
  r = r * t + 9.8932e-6f;
  r = r * t + 3.3414e-4f;
  r = r * t + 0.0048835f;
  return r < 0.0f ? T{} : r;
}
// Evaporating surface (water loss): SaturatedVapourDensityOf
// (editing/watervapour.h), one fit above 4 degrees and one at or below.
float VapourDensitySurface(float t);

// Latent heat of vaporisation in J/g at a surface temperature in degrees Celsius:
//   L = 2501.2 - 2.3787 t
float LatentHeat(float surfaceTemperature);

// Volume fraction of water vapour per mg/ml of vapour density at a pressure in
// torr: 946.369 / P (ml of vapour per mg at 1 torr, the density taken at STP).
// A gas with relative humidity h (0..1) and saturated density rho holds the
// fraction h * rho * VapourFractionFactor(P); 1 minus that is its dry fraction.
float VapourFractionFactor(float torr);
