#include "respirometry/humidity.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/cpu.h"
#include "platform/lanes.h"
#include "respirometry/gasphysics.h"
#include "shell/textutil.h"

namespace {

constexpr int16_t kConstantRH = 123;

bool isChannel(int16_t c) { return c >= 1 && c <= 32; }

using lanes::D4;
using lanes::F4;
using lanes::load4;
using lanes::prefetchAhead;

// Four cases at a time: dryFraction(water, temperature, q) sets q to the dry
// fractions of four cases in double from their cases of both channels (an
// absent channel stood for by the gas channel, whose cases it then ignores),
// lane by lane the steps a single case takes. The last cases go through the
// same steps from a padded copy. (No function takes or gives a vector of
// four doubles by value: its passing differs with and without AVX.)
template <class Divisor>
[[gnu::always_inline]] inline void divideEachBody(const HumidityChannels& ch, Divisor dryFraction) {
  const float* gas = ch.gas;
  const float* water = ch.water ? ch.water : gas;
  const float* temp = ch.temp ? ch.temp : gas;
  float* out = ch.out;
  const auto divide = [&](F4 g, F4 w, F4 t, float* o, size_t n) __attribute__((always_inline)) {
    D4 q;
    dryFraction(w, t, q);
    const F4 r = __builtin_convertvector(__builtin_convertvector(g, D4) / q, F4);
    std::memcpy(o, &r, n * sizeof(float));
  };
  const int32_t count = ch.count;
  int32_t k = 0;
  for (; k + 4 <= count; k += 4) {
    if (k % 16 == 0) {
      prefetchAhead(gas + k);
      if (ch.water) prefetchAhead(water + k);
      if (ch.temp) prefetchAhead(temp + k);
    }
    divide(load4(gas + k), load4(water + k), load4(temp + k), out + k, 4);
  }
  if (k >= count) return;
  const auto left = static_cast<size_t>(count - k);
  F4 g = {}, w = {}, t = {};
  std::memcpy(&g, gas + k, left * sizeof(float));
  std::memcpy(&w, water + k, left * sizeof(float));
  std::memcpy(&t, temp + k, left * sizeof(float));
  divide(g, w, t, out + k, left);
}

template <class Divisor>
void divideEachBase(const HumidityChannels& ch, Divisor dryFraction) {
  divideEachBody(ch, dryFraction);
}

#if CORVIMET_X86_DISPATCH
template <class Divisor>
[[gnu::target("avx2")]] void divideEachAvx2(const HumidityChannels& ch, Divisor dryFraction) {
  divideEachBody(ch, dryFraction);
}
#endif

template <class Divisor>
void divideEach(const HumidityChannels& ch, Divisor dryFraction) {
#if CORVIMET_X86_DISPATCH
  if (CpuHasAvx2()) return divideEachAvx2(ch, dryFraction);
#endif
  divideEachBase(ch, dryFraction);
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

  // The lanes' steps as a single case's: x / (1 - h rho K).
  if (dew) {
    divideEach(in, [=](F4 w, F4, D4& q) __attribute__((always_inline)) {
      q = 1.0 - __builtin_convertvector(VapourDensityAirOf(w), D4) * K;
    });
  } else if (tempChannel && rhChannel) {
    divideEach(in, [=](F4 w, F4 t, D4& q) __attribute__((always_inline)) {
      q = 1.0 - 0.01 * __builtin_convertvector(w, D4) * __builtin_convertvector(VapourDensityAirOf(t), D4) * K;
    });
  } else if (tempChannel) {
    divideEach(in, [=](F4, F4 t, D4& q) __attribute__((always_inline)) {
      q = 1.0 - hConst * __builtin_convertvector(VapourDensityAirOf(t), D4) * K;
    });
  } else if (rhChannel) {
    const double rhoK = static_cast<double>(h.rhFactor) * K;
    divideEach(in, [=](F4 w, F4, D4& q) __attribute__((always_inline)) {
      q = 1.0 - 0.01 * __builtin_convertvector(w, D4) * rhoK;
    });
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
