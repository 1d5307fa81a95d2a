#include "respirometry/gasphysics.h"

#include <cmath>

#include "editing/watervapour.h"

// Goff-Gratch over water, with x = Ts / T (Ts = 373.16 K, the steam point):
//   log10 e = -7.90298 (x - 1) + 5.02808 log10 x - 1.3816e-7 (10^(11.344 (1 - 1/x)) - 1)
//             + 8.1328e-3 (10^(-3.49149 (x - 1)) - 1) + log10 1013.246      (e in hPa)
// 2.183653 ln x is the 5.02808 log10 x term. Density from the ideal-gas law:
//   rho = e M / (R T) = 0.216632 e / T   mg/ml, e in hPa, T in K.
// T, x and log10 e are each kept in single precision, so that RHFactor and the
// script steps that store it keep their exact values.
float WATERCON(float RHtemp) {
  const float T = RHtemp + 273.16f;
  const float x = 373.16f / T;
  const double xd = x;
  const float L = static_cast<float>(-7.90298 * (xd - 1.0) + 2.183653 * std::log(xd) -
                                     1.3816e-7 * (std::pow(10.0, 11.344 * (1.0 - 1.0 / xd)) - 1.0) +
                                     0.0081328 * (std::pow(10.0, -3.49149 * (xd - 1.0)) - 1.0) + 3.005695);
  return static_cast<float>(kVapourDensityPerHPa * std::pow(10.0, static_cast<double>(L)) / T);
}

O2Content O2CONTENT(float temperature, float volume, float solutes, float o2Factor, bool inMilligrams) {
  double content = (std::exp(2.028544 - 0.037973 * temperature - 0.020751 * 0.4826 * solutes) + 2.793274) *
                   o2Factor;
  if (inMilligrams) content *= 1.4286;
  O2Content r;
  r.perLitre = static_cast<float>(content);
  r.inVolume = static_cast<float>(content * volume * 0.001);
  return r;
}

bool WaterBoils(float celsius, float torr) {
  return !(static_cast<double>(torr) * 0.999 > SaturationVapourPressureTorr(celsius));
}

CheckedResult CheckedO2ContentWater(float celsius, float torr) {
  if (!std::isfinite(celsius)) return Refused("temp.");
  if (BelowAbsoluteZero(celsius)) return Refused("temp.", kAboveAbsoluteZero);
  const bool boils = WaterBoils(celsius, torr);
  if (celsius > kO2ContentHighestCelsius)
    return Refused("temp.", boils ? "water boils at this temperature and B.P."
                                  : "the oxygen content formula holds for water up to 50 \xA1" "C");
  if (boils)
    return Refused("B.P.", "it must be above the water vapour pressure at the temperature (92.5 torr at 50 \xA1" "C)");
  return Accepted(celsius);
}

float WaterconTemperature(float rho) {
  // WATERCON rises with the temperature: bisect in double on its float values.
  double lo = -100.0, hi = 200.0;
  if (!(rho > WATERCON(static_cast<float>(lo)))) return static_cast<float>(lo);
  if (!(rho < WATERCON(static_cast<float>(hi)))) return static_cast<float>(hi);
  for (int i = 0; i < 60; ++i) {
    const double mid = 0.5 * (lo + hi);
    (WATERCON(static_cast<float>(mid)) < rho ? lo : hi) = mid;
  }
  return static_cast<float>(0.5 * (lo + hi));
}

double VapourPressureTorr(float rho, float celsius) {
  return static_cast<double>(rho) * (static_cast<double>(celsius) + 273.16) / kVapourDensityPerHPa * kTorrPerHPa;
}

double SaturationVapourPressureTorr(float celsius) { return VapourPressureTorr(WATERCON(celsius), celsius); }

double PerStpVolume(float celsius, float torr) {
  return (static_cast<double>(celsius) + 273.15) / 273.15 * 760.0 / static_cast<double>(torr);
}

float VapourDensityAir(float t) { return VapourDensityAirOf(t); }

float VapourDensitySurface(float t) { return SaturatedVapourDensityOf(t); }

float LatentHeat(float surfaceTemperature) { return 2501.2f - 2.3787f * surfaceTemperature; }

float VapourFractionFactor(float torr) { return 946.369f / torr; }
