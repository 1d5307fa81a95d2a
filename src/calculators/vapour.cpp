#include "calculators/vapour.h"

#include "shell/textutil.h"

float SaturatedVapourDensity(float t) {
  // Coefficients of T^0 .. T^5.
  static constexpr float kWarm[6] = {0.0048207f, 0.00033389f, 1.058e-5f, 1.4478e-7f, 2.3182e-9f, 6.7731e-12f};
  static constexpr float kCold[6] = {0.0048364f, 0.00033247f, 9.9414e-6f, 1.6383e-7f, 1.5029e-9f, 6.1512e-12f};
  const float* c = t > 4.0f ? kWarm : kCold;
  float sum = c[0];
  float power = 1.0f;
  for (int i = 1; i < 6; ++i) {
    power *= t;
    sum = sum + c[i] * power;
  }
  return sum;
}

float SaturationVapourPressure(float t) {
  return static_cast<float>(SaturatedVapourDensity(t) * 7.50062 * 0.4673615 * (t + 273.15));
}

float VapourPressure(float t, float saturation, bool torr) {
  double v = static_cast<double>(SaturationVapourPressure(t)) * 0.01 * saturation;
  if (!torr) v = v * 101.325 / 760.0;
  if (v < 0.0) v = 0.0;
  return static_cast<float>(v);
}

std::string VapourFieldText(float v) {
  std::string t = NumText(v);
  if (t.size() > 7) t.resize(7);
  return t;
}

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
