#include "calculators/vapour.h"

#include "editing/watervapour.h"
#include "shell/textutil.h"

float SaturatedVapourDensity(float t) { return SaturatedVapourDensityOf(t); }

float SaturationVapourPressure(float t) { return SaturationVapourPressureOf(t, kVapourTorr); }

float VapourPressure(float t, float saturation, bool torr) {
  double v = static_cast<double>(SaturationVapourPressure(t)) * 0.01 * saturation;
  if (!torr) v = v * 101.325 / 760.0;
  if (v < 0.0) v = 0.0;
  return static_cast<float>(v);
}

std::string VapourFieldText(float v) { return NumText(v); }

float OxygenPartialPressure(float ambient, float vapour, float o2Percent, bool torr) {
  double pa = ambient, pw = vapour;
  if (!torr) {
    pa *= kTorrPerKPa;
    pw *= kTorrPerKPa;
  }
  double po2 = (pa - pw) * o2Percent * 0.01;
  if (!torr) po2 /= kTorrPerKPa;
  return static_cast<float>(po2);
}
