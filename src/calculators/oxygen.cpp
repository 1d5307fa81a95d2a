#include "calculators/oxygen.h"

#include <algorithm>

#include "editing/watervapour.h"

VentilationResult Ventilation(const VentilationInput& in) {
  VentilationResult r;
  r.kT = (static_cast<double>(in.tb) + 273.0) / (static_cast<double>(in.ta) + 273.0);
  const double chamber = in.pb + in.deltaP * kTorrPerMmWater;
  const double body = SaturationVapourPressureTorr(in.tb);
  const double air = SaturationVapourPressureTorr(in.trh) * in.rh / 100.0;
  const double a =
      static_cast<double>(in.sampDef) * in.calGain * in.calVol / (static_cast<double>(in.sampGain) * in.calDef);
  r.k = r.kT * (chamber - air) / (chamber - body);
  r.tidal = a / (r.k - 1.0);
  r.minute = in.frequency * 60.0 * r.tidal;
  const double stpDry = (chamber - air) / 760.0 * 273.15 / (static_cast<double>(in.ta) + 273.15);
  r.extraction = in.vo2 * 100.0 / (r.minute * stpDry * 0.01 * in.fio2);
  return r;
}

ClosedSystemResult ClosedSystem(const ClosedSystemInput& in) {
  const double fi = in.fio2 * 0.01, fc0 = in.fico2 * 0.01;
  const double fo = fi - in.dO2 * 0.01;
  const double fc = fc0 + in.dCO2 * 0.01;
  const double minutes = static_cast<double>(in.hours) * 60.0 + in.minutes;
  ClosedSystemResult r;
  const double vapour = in.rh * 0.01 * SaturationVapourPressureTorr(in.t);
  r.vs = in.volume * (1.0 - vapour / in.pb) * (273.3 / (in.t + 273.3)) * (in.pb / 760.0);
  if (in.dO2 > 0) {
    if (in.absorbed) r.vo2 = in.dO2 * r.vs * 0.01 / (1.0 - fo);
    else if (!in.useRQ) r.vo2 = r.vs * (in.dO2 * 0.01 - fo * in.dCO2 * 0.01) / (1.0 - fo);
    else r.vo2 = in.dO2 * r.vs * 0.01 / (1.0 - fo * (1.0 - in.rq));
  }
  if (in.dCO2 > 0) {
    if (in.dO2 > 0) r.vco2 = (in.dCO2 * r.vs * 0.01 - r.vo2 * fc) / (1.0 - fc);
    else r.vco2 = in.dCO2 * r.vs * 0.01 / (1.0 - fc * (1.0 - 1.0 / in.rq));
  }
  r.vo2Rate = r.vo2 / minutes;
  r.vco2Rate = r.vco2 / minutes;
  return r;
}

O2Content DissolvedOxygen(float celsius, float volumeMl, float pb, float gasO2, float solutes, float saturation,
                          bool milligrams) {
  const float s = std::min(saturation * 0.01f, 1.0f);
  const float g = static_cast<float>(s * (pb / 760.0) * gasO2 / 20.95);
  return O2CONTENT(celsius, volumeMl, solutes * 0.5f, g, milligrams);
}
