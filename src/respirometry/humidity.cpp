#include "respirometry/humidity.h"

#include <cmath>

#include "respirometry/gasphysics.h"
#include "shell/textutil.h"

namespace {

constexpr int16_t kConstantRH = 123;

bool isChannel(int16_t c) { return c >= 1 && c <= 32; }

template <class Divisor>
void divideEach(const HumidityChannels& ch, Divisor dryFraction) {
  const float* gas = ch.gas;
  float* out = ch.out;
  for (int32_t k = 0; k < ch.count; ++k) out[k] = static_cast<float>(gas[k] / dryFraction(k));
}

}  // namespace

std::string HumidityStatusText(HumidityStatus s, const AnalyzerHumiditySettings& h) {
  switch (s) {
    case HumidityStatus::Ok: return "";
    case HumidityStatus::RealPressureNotPositive:
      return "The ambient barometric pressure must be above 0 torr.";
    case HumidityStatus::NoDryFraction:
      return "A relative humidity of" + NumText(h.compRH) + " % leaves no dry gas at this temperature and pressure.";
  }
  return "";
}

HumidityStatus CompensateAnalyzerHumidity(const AnalyzerHumiditySettings& h, const HumidityChannels& ch,
                                          int64_t* nonFinite) {
  if (nonFinite) *nonFinite = 0;
  if (!(h.vapourFactor > 0.0f) || !std::isfinite(h.vapourFactor)) return HumidityStatus::RealPressureNotPositive;
  const double K = h.vapourFactor;
  HumidityChannels in = ch;
  if (!in.gas || !in.out) in.count = 0;
  const bool fromChannel = isChannel(h.waterChannel) && in.water;
  const bool dew = fromChannel && h.rhUnit == 2;
  const bool rhChannel = fromChannel && h.rhUnit == 1;
  const bool tempChannel = isChannel(h.tRHchan) && in.temp;
  const double hConst = h.waterChannel == kConstantRH ? h.compRH * 0.01 : 0.0;
  const float* water = in.water;
  const float* temp = in.temp;

  if (dew) {
    divideEach(in, [&](int32_t k) { return 1.0 - static_cast<double>(VapourDensityAir(water[k])) * K; });
  } else if (tempChannel && rhChannel) {
    divideEach(in, [&](int32_t k) {
      return 1.0 - 0.01 * water[k] * static_cast<double>(VapourDensityAir(temp[k])) * K;
    });
  } else if (tempChannel) {
    divideEach(in, [&](int32_t k) { return 1.0 - hConst * static_cast<double>(VapourDensityAir(temp[k])) * K; });
  } else if (rhChannel) {
    const double rhoK = static_cast<double>(h.rhFactor) * K;
    divideEach(in, [&](int32_t k) { return 1.0 - 0.01 * water[k] * rhoK; });
  } else {
    const double dry = 1.0 - hConst * static_cast<double>(h.rhFactor) * K;
    if (!(dry > 0.0)) return HumidityStatus::NoDryFraction;
    const double inv = 1.0 / dry;
    const float* gas = in.gas;
    float* out = in.out;
    for (int32_t k = 0; k < in.count; ++k) out[k] = static_cast<float>(gas[k] * inv);
    return HumidityStatus::Ok;
  }
  if (nonFinite) {
    int64_t n = 0;
    for (int32_t k = 0; k < in.count; ++k) n += std::isfinite(in.out[k]) ? 0 : 1;
    *nonFinite = n;
  }
  return HumidityStatus::Ok;
}

void HumidityToScriptStep(const AnalyzerHumiditySettings& h, float (&step)[28]) {
  for (float& v : step) v = 0.0f;
  step[1] = kAnalyzerHumidityOp;
  step[3] = 2.0f;
  step[4] = 0.0f;
  step[6] = h.rhFactor;
  step[7] = h.rhUnit;
  step[10] = h.tRHchan;
  step[13] = h.waterChannel;
  step[16] = h.vapourFactor;
  step[20] = h.compRH;
  step[22] = h.chan1;
}

AnalyzerHumiditySettings HumidityFromScriptStep(const float (&step)[28], float currentCompRH) {
  auto i16 = [&](int n) { return static_cast<int16_t>(std::lround(step[n])); };
  AnalyzerHumiditySettings h;
  h.rhFactor = step[6];
  h.rhUnit = i16(7);
  h.tRHchan = i16(10);
  h.waterChannel = i16(13);
  h.vapourFactor = step[16];
  h.compRH = i16(3) == 2 ? step[20] : currentCompRH;
  h.chan1 = i16(22);
  return h;
}
