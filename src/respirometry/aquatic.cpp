#include "respirometry/aquatic.h"

#include <algorithm>
#include <cmath>

#include "output/numberformat.h"
#include "shell/textutil.h"
#include "shell/timeunits.h"

namespace {

constexpr double kMmolePerMl = 0.04461497;   // mmole of O2 per ml STP
constexpr double kMlPerMg = 0.7004375;       // ml STP of O2 per mg (mg/L and ppm readings)
constexpr double kMgPerMl = 1.4286;          // mg of O2 per ml STP, as O2CONTENT gives mg

bool perHour(int16_t unit) { return unit == 5 || unit == 6 || unit == 9; }
bool rateForm(const WaterVO2Settings& w) { return w.waterSystem == 1 || w.oH2O == 3; }

// Water vapour pressure over water at t degrees Celsius, torr: the estimate
// 0.76 t the readings in torr take for it.
double waterVapourTorr(const WaterVO2Settings& w) { return 0.76 * w.temperature; }

// PO2 of water at 100 % air saturation, torr: (P - PH2O) x gas-phase O2 / 100.
double airSaturatedPO2(const WaterVO2Settings& w) { return (w.pressure - waterVapourTorr(w)) * w.gasO2 * 0.01; }

}  // namespace

std::string WaterStatusText(WaterStatus s, const WaterVO2Settings& w, float mass, float interval) {
  switch (s) {
    case WaterStatus::Ok: return "";
    case WaterStatus::MassNotPositive:
      return "A mass correction needs a body mass above 0 g (it is" + NumText(mass) + ").";
    case WaterStatus::SaturationNotPositive:
      return "The maximum oxygen saturation must be above 0 % (it is" + NumText(w.saturation) + ").";
    case WaterStatus::FlowNotPositive:
      return "The water flow must be above 0 ml/min (it is" + NumText(w.volumeOrFlow) + ").";
    case WaterStatus::IntervalNotPositive:
      return "A rate needs a sample interval above 0 s (it is" + NumText(interval) + ").";
    case WaterStatus::PressureNotPositive:
      return "Readings in torr need a pressure above the water vapour pressure and a gas-phase O2 above 0.";
    case WaterStatus::VolumeNotPositive:
      return "The water volume must be above 0 ml (it is" + NumText(w.volumeOrFlow) + ").";
    case WaterStatus::WaterRefused: return RefusalText(CheckedO2ContentWater(w.temperature, w.pressure));
  }
  return "";
}

float WaterO2Factor(const WaterVO2Settings& w) {
  return static_cast<float>(w.saturation * 0.01 * (w.pressure / 760.0) * (w.gasO2 / 20.95));
}

O2Content EstimateWaterO2(const WaterVO2Settings& w) {
  return O2CONTENT(w.temperature, w.volumeOrFlow, w.salinity * 0.5f, WaterO2Factor(w), false);
}

double WaterFactor(const WaterVO2Settings& w, float mass, float interval) {
  // O2 per unit of reading, ml STP in the volume (or ml/min in the flow):
  //   % air saturation   net O2 / (100 s)                   s = saturation / 100
  //   torr PO2           net O2 / (100 s) x 100 / PO2(100 %)
  //   mg O2/L, ppm       V / 1000 x 0.7004375               V ml (or ml/min) of water
  double f = (w.netO2 / 100.0) / (w.saturation * 0.01);
  if (w.waterUnits == 2) f *= 100.0 / airSaturatedPO2(w);
  else if (w.waterUnits == 3 || w.waterUnits == 4) f = w.volumeOrFlow * 0.001 * kMlPerMg;
  switch (w.massUnit) {
    case 1: f = f * 0.001 / mass; break;
    case 2: f = f / mass; break;
    case 3: f = f * 1000.0 / mass; break;
    default: break;
  }
  switch (w.woutUnits) {
    case 2: case 5: f *= 1000.0; break;
    case 3: f *= kMmolePerMl; break;
    case 4: case 6: f *= kMmolePerMl * 1000.0; break;
    case 7: f *= w.heat * 1000.0; break;
    case 8: f *= w.heat * 1e6; break;
    case 9: f *= w.heat * 60.0; break;
    default: break;
  }
  if (w.waterSystem == 0) {
    if (w.oH2O == 3) f *= (perHour(w.woutUnits) ? 3600.0 : 60.0) / interval;
  } else {
    if (w.negative) f = -f;
    if (perHour(w.woutUnits)) f *= 60.0;
  }
  return f;
}

double WaterInflowReference(const WaterVO2Settings& w) {
  switch (w.waterUnits) {
    case 2: return airSaturatedPO2(w) * w.saturation * 0.01;
    case 3: case 4: return w.netO2 / (w.volumeOrFlow * 0.001) * kMgPerMl;
    default: return w.saturation;
  }
}

std::string WaterOutputUnitTitle(bool rate, int16_t unit) {
  static const char* const kRates[kWaterRateUnits] = {
      "mL O2/min", "\xB5L O2/min", "mmole O2/min", "\xB5mole O2/min", "\xB5L O2/hour",
      "\xB5mole O2/hour", "milliwatts", "\xB5watts", "Joules/hour"};
  static const char* const kAmounts[kWaterAmountUnits] = {"mL O2", "\xB5L O2", "mmole O2", "\xB5mole O2"};
  if (unit < 1 || unit > (rate ? kWaterRateUnits : kWaterAmountUnits)) return "";
  return rate ? kRates[unit - 1] : kAmounts[unit - 1];
}

std::string WaterInputUnitTitle(int16_t unit) {
  static const char* const kTitles[kWaterInputUnits] = {"% air saturation", "torr PO2", "mg O2/L", "ppm"};
  return unit >= 1 && unit <= kWaterInputUnits ? kTitles[unit - 1] : "";
}

std::string WaterLabel(const WaterVO2Settings& w) {
  std::string label = WaterOutputUnitTitle(rateForm(w), w.woutUnits);
  if (w.waterSystem == 0 && w.oH2O == 2) label += " used";
  if (rateForm(w)) label = "VO2 in " + label;
  static const char* const kMass[4] = {"", " per mg", " per g", " per kg"};
  if (w.massUnit >= 1 && w.massUnit <= 3) label += kMass[w.massUnit];
  return label;
}

WaterStatus ComputeWaterVO2(const WaterVO2Settings& w, float mass, float interval, float nominalFlow,
                            const float* readings, const float* flow, float* out, int32_t count) {
  if (w.massUnit >= 1 && w.massUnit <= 3 && !(mass > 0.0f)) return WaterStatus::MassNotPositive;
  if (!(w.saturation > 0.0f)) return WaterStatus::SaturationNotPositive;
  if (w.waterUnits == 2 && !(airSaturatedPO2(w) > 0.0)) return WaterStatus::PressureNotPositive;
  if (!CheckedO2ContentWater(w.temperature, w.pressure).ok()) return WaterStatus::WaterRefused;
  const bool closed = w.waterSystem == 0;
  if (closed && !(w.volumeOrFlow > 0.0f)) return WaterStatus::VolumeNotPositive;
  if (closed && w.oH2O == 3 && !(interval > 0.0f)) return WaterStatus::IntervalNotPositive;
  const bool scaled = !closed && w.flowFromChannel && flow;
  if (!closed && !(w.volumeOrFlow > 0.0f)) return WaterStatus::FlowNotPositive;
  if (scaled && !(nominalFlow > 0.0f)) return WaterStatus::FlowNotPositive;
  if (count <= 0 || !readings || !out) return WaterStatus::Ok;
  const double f = WaterFactor(w, mass, interval);

  if (closed) {
    for (int32_t k = 0; k < count; ++k) out[k] = static_cast<float>(readings[k] * f);
    if (w.oH2O == 2) {
      const float first = out[0];
      for (int32_t k = 0; k < count; ++k) out[k] = first - out[k];
    } else if (w.oH2O == 3) {
      for (int32_t k = count - 1; k >= 1; --k) out[k] = -(out[k] - out[k - 1]);
      if (count > 1) out[0] = out[1];
    }
    return WaterStatus::Ok;
  }
  const double ref = w.absoluteUnits ? WaterInflowReference(w) : 0.0;
  const double sign = w.absoluteUnits ? -1.0 : 1.0;
  if (scaled) {
    const double g = f / nominalFlow;
    for (int32_t k = 0; k < count; ++k) out[k] = static_cast<float>(g * (ref + sign * readings[k]) * flow[k]);
  } else {
    for (int32_t k = 0; k < count; ++k) out[k] = static_cast<float>(f * (ref + sign * readings[k]));
  }
  return WaterStatus::Ok;
}

void WaterToScriptStep(const WaterVO2Settings& w, double factor, float fileFlow, float (&step)[28]) {
  for (float& v : step) v = 0.0f;
  step[1] = kWaterVO2Op;
  step[4] = w.chan1;
  step[5] = w.makeNewChan ? 1.0f : 0.0f;
  step[6] = w.saturation * 0.01f;
  step[7] = w.massUnit;
  step[8] = w.woutUnits;
  step[9] = w.heat;
  step[10] = w.waterUnits;
  step[11] = w.waterSystem;
  step[12] = w.flowFromChannel ? 1.0f : 0.0f;
  step[13] = w.oH2O;
  step[14] = w.negative ? 1.0f : 0.0f;
  step[15] = static_cast<float>(factor);
  step[16] = fileFlow;
  step[17] = w.salinity;
  step[18] = w.absoluteUnits ? 1.0f : 0.0f;
  step[19] = w.gasO2;
  step[20] = w.chan2;
}

WaterVO2Settings WaterFromScriptStep(const float (&step)[28], float fileTemperature, float filePressure,
                                     float fileVolume) {
  auto i16 = [&](int n) { return static_cast<int16_t>(std::lround(step[n])); };
  WaterVO2Settings w;
  w.chan1 = i16(4);
  w.makeNewChan = step[5] != 0.0f;
  w.saturation = step[6] * 100.0f;
  w.massUnit = i16(7);
  w.woutUnits = i16(8);
  w.heat = step[9];
  w.waterUnits = i16(10);
  w.waterSystem = i16(11);
  w.flowFromChannel = step[12] != 0.0f;
  w.oH2O = w.waterSystem == 1 ? 3 : i16(13);
  w.negative = step[14] != 0.0f;
  w.salinity = step[17];
  w.absoluteUnits = step[18] != 0.0f;
  w.gasO2 = step[19] != 0.0f ? step[19] : 20.95f;
  w.chan2 = i16(20);
  w.temperature = fileTemperature;
  w.pressure = filePressure;
  w.volumeOrFlow = w.waterSystem == 1 ? step[16] : fileVolume;
  w.netO2 = EstimateWaterO2(w).inVolume;
  return w;
}

// ---- Effective volume -------------------------------------------------------------------

std::string WashoutStatusText(WashoutStatus s) {
  switch (s) {
    case WashoutStatus::Ok: return "";
    case WashoutStatus::BlockTooShort: return "The block must hold at least 2 cases.";
    case WashoutStatus::FlowNotPositive: return "The flow rate must be above 0 ml/min.";
    case WashoutStatus::IntervalNotPositive: return "The sample interval must be above 0 s.";
    case WashoutStatus::NoUsablePoints: return "no usable points";
  }
  return "";
}

WashoutStatus EffectiveVolume(const float* values, int32_t first, int32_t last, float flow, float interval,
                              float* estimates, WashoutResult* result) {
  *result = WashoutResult{};
  if (last - first < 1) return WashoutStatus::BlockTooShort;
  if (!(flow > 0.0f)) return WashoutStatus::FlowNotPositive;
  if (!(interval > 0.0f)) return WashoutStatus::IntervalNotPositive;
  // ml/min to ml/s in double, the product rounded once.
  const auto k = static_cast<float>(-(interval * PerMinuteToPerSecond(flow)));
  int32_t unusable = 0;
  for (int32_t i = first + 1; i <= last; ++i) {
    const float c0 = values[i - 1] * 0.01f;
    const float c1 = values[i] * 0.01f;
    if (c0 > c1 && c1 > 0.0f) {
      estimates[i] = k / std::log(1.0f - (c0 - c1) / c0);
    } else {
      estimates[i] = kUnusableEstimate;
      ++unusable;
    }
  }
  const int32_t m = last - first - unusable;
  result->unusable = unusable;
  result->usable = m;
  if (m == 0) return WashoutStatus::NoUsablePoints;
  double sum = 0.0;
  for (int32_t i = first + 1; i <= last; ++i)
    if (estimates[i] < 1e20f) sum += estimates[i];
  const double mean = sum / m;
  double squares = 0.0;
  float lo = 1e30f, hi = -1e30f;
  for (int32_t i = first + 1; i <= last; ++i) {
    const float e = estimates[i];
    if (!(e < 1e20f)) continue;
    squares += (e - mean) * (e - mean);
    lo = std::min(lo, e);
    hi = std::max(hi, e);
  }
  result->mean = mean;
  result->sd = static_cast<float>(std::sqrt(squares / m));
  result->smallest = lo;
  result->largest = hi;
  return WashoutStatus::Ok;
}

std::string WashoutDurationText(int32_t usable, float interval, bool* inMinutes) {
  const double d = static_cast<double>(usable) * interval;
  *inMinutes = d > 600.0;
  if (*inMinutes) return RealText(SecondsToMinutes(d), 4) + " min         ";
  return RealText(d, 4) + " sec         ";
}

// ---- Constant volume ----------------------------------------------------------------------

float ConstantVolumeStpFactor(float volume, float celsius, float torr, float startRH, float rho, float minutes) {
  float v = volume;
  if (startRH > 0.0f) {
    const auto vapour = static_cast<float>(static_cast<double>(startRH) * 0.01 * VapourPressureTorr(rho, celsius));
    v = (torr - vapour) * volume / torr;
  }
  const auto s = static_cast<float>(v * 273.16 / (celsius + 273.16));
  return static_cast<float>(s * (torr / 760.0)) / minutes;
}
float Tminutes = 0.0f;
int16_t WaterSystem = 0, WaterFlowChannel = 0, WaterUnits = 1, WOUTunits = 1, MassUnit = 0, oH2O = 3, AbsoluteUnits = 1;
