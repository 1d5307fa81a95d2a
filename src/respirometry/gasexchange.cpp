#include "respirometry/gasexchange.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

#include "output/results.h"
#include "platform/cpu.h"
#include "platform/lanes.h"
#include "respirometry/gasphysics.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/timeunits.h"

namespace {

constexpr int kPrefPositiveDeflections = 18;
constexpr int kPrefInstantaneous = 38;
constexpr int kPrefGasUnit = 54;

bool isChannel(int16_t c) { return c >= 1 && c <= kMaxChannels; }
// WaterChannel 32 means "no compensation", so a humidity channel is 1..31.
bool isHumidityChannel(int16_t c) { return c >= 1 && c < kHumidityNone; }

// Every constant of a run, formed once.
struct RunConstants {
  double s = 1.0;          // deflection sign
  double fi = 0, fc = 0;   // incurrent fractions
  double fcp = 0;          // Fc', 0 when the incurrent CO2 is absorbed
  double r = 1;            // RQ
  double k = 0;            // sample interval in minutes / effective volume
  double fr0 = 0;          // constant flow, ml/min
  double flowScale = 1;    // 1000 for L/min
  double b = 0;            // 946.369 / realBP
  double flowcon = 0;      // unit x STP factor, single precision as kept
  double closing = 1;      // the constant configuration factors applied after the formula
  // 1/(1 - Fi), 1/(1 - (1 - 1/R) Fc), Fc/R, 1/(Fc (1/R + 1) + 1), 1/(1 - (1 - R) Fi)
  double c3 = 0, cCO2a = 0, fcOverR = 0, cCO2b = 0, c10 = 0;
  double denConst = 1;     // 1 - exp(-FR k) for a constant flow
  bool instantaneous = false;
  bool humid = false;       // the humidity factor D applies
  bool humidPerCase = false;
  bool dewChannel = false;  // D from a dew point per case (h = 1)
  bool rhChannel = false;   // relative humidity per case
  double dConst = 1;
  double rhConst = 0;       // fraction
  double rhFactor = 0;
};

RunConstants runConstants(const GasExchangeSettings& g, const GasFileValues& f, double flowcon, const GasChannels& ch) {
  RunConstants c;
  c.s = g.positive ? 1.0 : -1.0;
  c.fi = g.fi;
  c.fc = g.fc;
  c.fcp = g.abCO2 ? 0.0 : c.fc;
  c.r = g.rq;
  c.k = SecondsToMinutes(static_cast<double>(f.interval)) / static_cast<double>(f.volume);
  c.fr0 = f.flow;
  c.flowScale = g.litres ? 1000.0 : 1.0;
  c.b = VapourFractionFactor(g.realBP);
  c.flowcon = flowcon;
  c.c3 = 1.0 / (1.0 - c.fi);
  c.cCO2a = 1.0 / (1.0 - (1.0 - 1.0 / c.r) * c.fc);
  c.fcOverR = c.fc / c.r;
  c.cCO2b = 1.0 / (c.fc * (1.0 / c.r + 1.0) + 1.0);
  c.c10 = 1.0 / (1.0 - (1.0 - c.r) * c.fi);
  c.instantaneous = g.instantaneous;
  if (c.instantaneous && g.flowChannel == 0) c.denConst = WashoutDenominator(c.fr0 * c.flowScale, c.k);

  const int16_t m = g.flowMode;
  if (g.gasType != kGasWater) {
    if (g.gasType == kGasO2) {
      if (!g.abCO2 && (m == 1 || m == 3)) c.closing *= 1.0 - c.fc;
      if (m > 6) c.closing /= 1.0 - c.fc;
    }
    if (!g.abCO2 && (m == 1 || m == 3)) c.closing *= c.cCO2a;
    if (m == 6 || m == 8) c.closing /= 1.0 - c.fc;
  }

  c.humid = GasHumidityApplies(g);
  c.rhFactor = g.rhFactor;
  if (c.humid) {
    // A channel the caller did not hand over counts as no channel.
    c.dewChannel = g.rhUnit == 2 && isHumidityChannel(g.waterChannel) && ch.water;
    c.rhChannel = g.rhUnit == 1 && isHumidityChannel(g.waterChannel) && ch.water;
    c.humidPerCase = c.dewChannel || c.rhChannel || (isChannel(g.tRHchan) && ch.temp);
    if (g.waterChannel == kHumidityConstant) c.rhConst = g.compRH * 0.01;
    c.dConst = 1.0 - c.rhConst * c.rhFactor * c.b;
  }
  return c;
}

// The VO2 and VCO2 loop takes the cases a chunk at a time: first each input
// in turn, case by case in double (f0, the washout-corrected f, the flow, D,
// the second gas), each a loop of its own with the settings' branches taken
// once per chunk, then the form's equation over the chunk, four cases at a
// time. Lane by lane every case goes through the steps a single case takes,
// in the same order, so the results are those of a loop over single cases.
// A chunk reads all its inputs before it writes its results, so that the
// result may replace any of them. (No function takes or gives a vector of
// four doubles by value: its passing differs with and without AVX.)
using lanes::D4;
using lanes::F4;
using lanes::load4;
using lanes::prefetchAhead;

constexpr int32_t kChunk = 64;   // cases, a multiple of 4

struct ChunkValues {
  alignas(32) double f0[kChunk], f[kChunk], fr[kChunk], d[kChunk], x[kChunk];
  double prevF0 = 0;   // the uncorrected F of the case before the chunk
};

[[gnu::always_inline]] inline void load4(const double* p, D4& v) { std::memcpy(&v, p, sizeof v); }
[[gnu::always_inline]] inline void store4(double* p, const D4& v) { std::memcpy(p, &v, sizeof v); }

// One chunk's inputs, cases base..base+n-1, into v; the cases past n of the
// last group of four come from a padded copy and are never written out.
[[gnu::always_inline]] inline void fillChunkBody(const RunConstants& c, const GasChannels& ch, double secondScale,
                                                 int32_t base, int32_t n, ChunkValues* v) {
  const float* gas = ch.gas + base;
  const float* flow = ch.flow ? ch.flow + base : nullptr;
  const float* water = ch.water ? ch.water + base : nullptr;
  const float* temp = ch.temp ? ch.temp + base : nullptr;
  const float* second = ch.second ? ch.second + base : nullptr;
  alignas(16) float padded[5][kChunk];
  if (n % 4 != 0) {
    const float* from[5] = {gas, flow, water, temp, second};
    const float** to[5] = {&gas, &flow, &water, &temp, &second};
    for (int k = 0; k < 5; ++k) {
      if (!from[k]) continue;
      std::memset(padded[k], 0, sizeof padded[k]);
      std::memcpy(padded[k], from[k], static_cast<size_t>(n) * sizeof(float));
      *to[k] = padded[k];
    }
  }
  for (const float* q : {gas, flow, water, temp, second})
    if (q && n == kChunk)
      for (int32_t j = 0; j < kChunk; j += 16) prefetchAhead(q + j);
  const int32_t m = (n + 3) / 4 * 4;
  const double s01 = c.s * 0.01;
  const auto wide = [](F4 x, D4& y) __attribute__((always_inline)) { y = __builtin_convertvector(x, D4); };
  D4 a, b;
  for (int32_t j = 0; j < m; j += 4) {
    wide(load4(gas + j), a);
    store4(v->f0 + j, s01 * a);
  }
  if (flow) {
    for (int32_t j = 0; j < m; j += 4) {
      wide(load4(flow + j), a);
      store4(v->fr + j, a * c.flowScale);
    }
  } else {
    const double fr = c.fr0 * c.flowScale;
    for (int32_t j = 0; j < m; ++j) v->fr[j] = fr;
  }
  // D = 1 - h rho B for each case, the dry fraction of the metered gas. B =
  // 946.369 / P counts the vapour as if its density were taken near 0
  // degrees C, as the analyser compensation does: the dry flow reads 0.1 to
  // 0.25 % high at 25 to 30 degrees and 50 to 60 % RH.
  if (!c.humidPerCase) {
    for (int32_t j = 0; j < m; ++j) v->d[j] = c.dConst;
  } else if (c.dewChannel) {
    for (int32_t j = 0; j < m; j += 4) {
      wide(VapourDensityAirOf(load4(water + j)), a);
      store4(v->d + j, 1.0 - a * c.b);
    }
  } else {
    const D4 rhConst = D4{} + c.rhConst, rhFactor = D4{} + c.rhFactor;
    for (int32_t j = 0; j < m; j += 4) {
      if (temp) wide(VapourDensityAirOf(load4(temp + j)), a);
      else a = rhFactor;
      if (c.rhChannel) {
        wide(load4(water + j), b);
        b = 0.01 * b;
      } else {
        b = rhConst;
      }
      store4(v->d + j, 1.0 - b * a * c.b);
    }
  }
  // The washout correction, F = (F0 - F0prev) / (1 - exp(-FR k)) + F0prev,
  // FR before D.
  if (c.instantaneous) {
    double* prev = v->f;
    prev[0] = v->prevF0;
    for (int32_t j = 1; j < m; ++j) prev[j] = v->f0[j - 1];
    v->prevF0 = v->f0[n - 1];
    alignas(32) double den[kChunk];
    if (flow) {
      for (int32_t j = 0; j < n; ++j) den[j] = WashoutDenominator(v->fr[j], c.k);
      for (int32_t j = n; j < m; ++j) den[j] = 1.0;
    } else {
      for (int32_t j = 0; j < m; ++j) den[j] = c.denConst;
    }
    for (int32_t j = 0; j < m; j += 4) {
      D4 f0, p, q;
      load4(v->f0 + j, f0);
      load4(prev + j, p);
      load4(den + j, q);
      store4(v->f + j, (f0 - p) / q + p);
    }
  }
  if (second) {
    for (int32_t j = 0; j < m; j += 4) {
      wide(load4(second + j), a);
      store4(v->x + j, a * secondScale);
    }
  } else {
    for (int32_t j = 0; j < m; ++j) v->x[j] = 0.0;
  }
}

// The form's equation over the chunk, written to out: formula(y, F, F0, FR',
// x) sets y.
template <class Formula>
[[gnu::always_inline]] inline void formulaChunkBody(const RunConstants& c, bool rqForm, bool instantaneous,
                                                    Formula formula, int32_t n, const ChunkValues* v, float* out) {
  const double* fs = instantaneous ? v->f : v->f0;
  const double closing = c.closing, flowcon = c.flowcon;
  auto step = [&](int32_t j, D4& fr, D4& d, D4& y) __attribute__((always_inline)) {
    D4 f, f0, x;
    load4(fs + j, f);
    load4(v->f0 + j, f0);
    load4(v->fr + j, fr);
    load4(v->d + j, d);
    load4(v->x + j, x);
    D4 frp = d * fr;
    formula(y, f, f0, frp, x);
    y = y * closing;
  };
  D4 fr, d, y;
  const int32_t whole = n / 4 * 4;
  int32_t j = 0;
  if (rqForm) {
    for (; j < whole; j += 4) {
      step(j, fr, d, y);
      const F4 o = __builtin_convertvector(fr * y * flowcon * d, F4);
      std::memcpy(out + j, &o, sizeof o);
    }
  } else {
    for (; j < whole; j += 4) {
      step(j, fr, d, y);
      const F4 o = __builtin_convertvector(y * flowcon, F4);
      std::memcpy(out + j, &o, sizeof o);
    }
  }
  if (j == n) return;
  step(j, fr, d, y);
  const F4 o = __builtin_convertvector(rqForm ? fr * y * flowcon * d : y * flowcon, F4);
  std::memcpy(out + j, &o, static_cast<size_t>(n - j) * sizeof(float));
}

// The common run with no input but the gas channel (a constant flow and D,
// no washout correction, the RQ form): the equation straight from the
// channel, four cases at a time, the last ones from a padded copy.
template <class Formula>
[[gnu::always_inline]] inline void plainRunBody(const RunConstants& c, const GasChannels& ch, Formula formula) {
  const D4 fr = D4{} + c.fr0 * c.flowScale, d = D4{} + c.dConst, x = {};
  const D4 frp = d * fr;
  const double s01 = c.s * 0.01, closing = c.closing, flowcon = c.flowcon;
  const auto group = [&](F4 g, float* out, size_t n) __attribute__((always_inline)) {
    const D4 f0 = s01 * __builtin_convertvector(g, D4);
    D4 y;
    formula(y, f0, f0, frp, x);
    y = y * closing;
    const F4 o = __builtin_convertvector(fr * y * flowcon * d, F4);
    std::memcpy(out, &o, n * sizeof(float));
  };
  const float* gas = ch.gas;
  float* out = ch.out;
  const int32_t count = ch.count;
  int32_t i = 0;
  for (; i + 4 <= count; i += 4) {
    if (i % 16 == 0) prefetchAhead(gas + i);
    group(load4(gas + i), out + i, 4);
  }
  if (i >= count) return;
  const auto left = static_cast<size_t>(count - i);
  F4 g = {};
  std::memcpy(&g, gas + i, left * sizeof(float));
  group(g, out + i, left);
}

void fillChunkBase(const RunConstants& c, const GasChannels& ch, double secondScale, int32_t base, int32_t n,
                   ChunkValues* v) {
  fillChunkBody(c, ch, secondScale, base, n, v);
}

template <class Formula>
void formulaChunkBase(const RunConstants& c, bool rqForm, bool instantaneous, Formula formula, int32_t n,
                      const ChunkValues* v, float* out) {
  formulaChunkBody(c, rqForm, instantaneous, formula, n, v, out);
}

template <class Formula>
void plainRunBase(const RunConstants& c, const GasChannels& ch, Formula formula) {
  plainRunBody(c, ch, formula);
}

#if CORVIMET_X86_DISPATCH
[[gnu::target("avx2")]] void fillChunkAvx2(const RunConstants& c, const GasChannels& ch, double secondScale,
                                           int32_t base, int32_t n, ChunkValues* v) {
  fillChunkBody(c, ch, secondScale, base, n, v);
}

template <class Formula>
[[gnu::target("avx2")]] void formulaChunkAvx2(const RunConstants& c, bool rqForm, bool instantaneous,
                                              Formula formula, int32_t n, const ChunkValues* v, float* out) {
  formulaChunkBody(c, rqForm, instantaneous, formula, n, v, out);
}

template <class Formula>
[[gnu::target("avx2")]] void plainRunAvx2(const RunConstants& c, const GasChannels& ch, Formula formula) {
  plainRunBody(c, ch, formula);
}
#endif

// The loop every VO2 and VCO2 form shares. formula(y, F, F0, FR', x) sets y
// to the form's equation for the mode, chosen before the loop; x is the
// second gas (a rate, or a fraction for the per-cent forms). With the RQ
// form the flow multiplies the result here; the channel forms carry it
// inside.
template <class Formula>
void gasLoop(const RunConstants& c, const GasChannels& ch, bool rqForm, double secondScale, Formula formula) {
  if (rqForm && !ch.flow && !c.humidPerCase && !c.instantaneous && !ch.second) {
#if CORVIMET_X86_DISPATCH
    if (CpuHasAvx2()) return plainRunAvx2(c, ch, formula);
#endif
    return plainRunBase(c, ch, formula);
  }
  auto fill = &fillChunkBase;
  auto run = &formulaChunkBase<Formula>;
#if CORVIMET_X86_DISPATCH
  if (CpuHasAvx2()) {
    fill = &fillChunkAvx2;
    run = &formulaChunkAvx2<Formula>;
  }
#endif
  auto v = std::make_unique<ChunkValues>();
  v->prevF0 = c.s * 0.01 * ch.gas[0];
  for (int32_t base = 0; base < ch.count; base += kChunk) {
    const int32_t n = std::min(kChunk, ch.count - base);
    fill(c, ch, secondScale, base, n, v.get());
    run(c, rqForm, c.instantaneous, formula, n, v.get(), ch.out + base);
  }
}

// Evaporative water loss, mg/min:
//   EWL = FR q flowcon,   q = rho(T*) h (T* + 273.15) / 273.15 x 760 / P
// q is the water the gas carries per ml STP: the vapour density read at the
// sensor (saturated density at the sensor temperature T* times the relative
// humidity h, or the saturated density at the dew point T* with h = 1)
// brought to STP, the volume FR x flowcon is reduced to. P is the real
// ambient pressure: a mass-flow meter's file may hold 760 torr. The washout
// correction works on q, the water quantity itself, case by case. With a
// constant sensor temperature the density rhFactor is inside flowcon and q
// is h times the constant factor.
void waterLoop(const RunConstants& c, const GasChannels& ch, const GasExchangeSettings& g, float pressure) {
  const float* gas = ch.gas;
  const float* flow = ch.flow;
  const float* temp = ch.temp;
  float* out = ch.out;
  const bool dew = g.rhUnit == 2;
  const double s01 = c.s * 0.01;
  // (T* + 273.15) x perKelvin = PerStpVolume(T*, P), with one product per case.
  const double perKelvin = 760.0 / (273.15 * static_cast<double>(pressure));
  const double constantFactor = g.rhUnit == 1 ? PerStpVolume(WaterconTemperature(g.rhFactor), pressure) : 1.0;
  auto water = [&](int32_t i) -> double {
    if (dew) return static_cast<double>(VapourDensitySurface(gas[i])) * (gas[i] + 273.15) * perKelvin;
    if (temp)
      return static_cast<double>(VapourDensitySurface(temp[i])) * 0.01 * gas[i] * (temp[i] + 273.15) * perKelvin;
    return s01 * gas[i] * constantFactor;
  };
  double fPrev = water(0);
  for (int32_t i = 0; i < ch.count; ++i) {
    double f = water(i);
    const double fr = flow ? flow[i] * c.flowScale : c.fr0 * c.flowScale;
    if (c.instantaneous) {
      const double fu = f;
      const double den = flow ? WashoutDenominator(fr, c.k) : c.denConst;
      f = (f - fPrev) / den + fPrev;
      fPrev = fu;
    }
    out[i] = static_cast<float>(fr * f * c.flowcon);
  }
}

// VO2, ml/min before the flow and the closing factors (RQ forms: times FR D
// STP; channel forms: times STP). F = FiO2 - FeO2 the O2 deflection, Fe =
// Fi - F0 (F0 before the washout correction), FR' = D FR, V the VCO2 rate
// (ml/min), P the CO2 channel's excurrent fraction FeCO2.
void runVO2(const RunConstants& c, const GasChannels& ch, int16_t m, int16_t form) {
  const double fi = c.fi, r = c.r, c3 = c.c3, c10 = c.c10;
  const bool rq = form == 0;
  if (form == 0) {
    switch (m) {
      //   F / (1 - Fe)                     flow upstream, analyser behind a CO2 absorber
      case 1: case 6:
        return gasLoop(c, ch, rq, 0, [=](auto& y, auto& f, auto& f0, auto&, auto&) { y = f / (f0 + 1.0 - fi); });
      //   F / (1 - Fe (1 - RQ))            flow upstream, analyser sees the CO2
      case 2: case 5:
        return gasLoop(c, ch, rq, 0,
                       [=](auto& y, auto& f, auto& f0, auto&, auto&) { y = f / (1.0 - (fi - f0) * (1.0 - r)); });
      //   F / (1 - Fi)                     flow downstream behind a CO2 absorber
      case 3:
        return gasLoop(c, ch, rq, 0, [=](auto& y, auto& f, auto&, auto&, auto&) { y = f * c3; });
      //   F / (1 - Fi + F0 RQ)             flow downstream with the CO2, analyser behind an absorber
      // (mask mode 2 too: its rate and per-cent forms describe this set-up)
      case 4: case 7: case 9:
        return gasLoop(c, ch, rq, 0, [=](auto& y, auto& f, auto& f0, auto&, auto&) { y = f / ((1.0 - fi) + f0 * r); });
      //   F / (1 - Fi + Fe RQ)
      case 8:
        return gasLoop(c, ch, rq, 0,
                       [=](auto& y, auto& f, auto& f0, auto&, auto&) { y = f / (1.0 - (fi - (fi - f0) * r)); });
      //   F / (1 - Fi (1 - RQ))            flow downstream, analyser sees the CO2
      default:   // 10
        return gasLoop(c, ch, rq, 0, [=](auto& y, auto& f, auto&, auto&, auto&) { y = f * c10; });
    }
  }
  if (form == 1) {
    switch (m) {
      //   (FR' F - Fe V) / (1 - Fe)
      case 2:
        return gasLoop(c, ch, rq, 1,
                       [=](auto& y, auto& f, auto&, auto& frp, auto& v) {
                         y = (frp * f - (fi - f) * v) / ((1.0 - fi) + f);
                       });
      //   (FR' - V) F / (1 - Fi)
      case 4: case 7: case 9:
        return gasLoop(c, ch, rq, 1, [=](auto& y, auto& f, auto&, auto& frp, auto& v) { y = (frp * f - f * v) * c3; });
      //   (FR' F - Fi V) / (1 - Fi)
      default:   // 5, 8, 10
        return gasLoop(c, ch, rq, 1, [=](auto& y, auto& f, auto&, auto& frp, auto& v) { y = (frp * f - v * fi) * c3; });
    }
  }
  // The channel holds FeCO2 (P). Modes 4, 7 and 9 need it as it is; modes
  // 2, 5, 8 and 10 need the CO2 deflection P - Fc', the typed FiCO2 unless
  // the incurrent CO2 is absorbed.
  const double fcp = c.fcp;
  switch (m) {
    //   FR' (F - Fe (P - Fc')) / (1 - Fe)
    case 2:
      return gasLoop(c, ch, rq, 0.01,
                     [=](auto& y, auto& f, auto&, auto& frp, auto& p) {
                       y = (f - (fi - f) * (p - fcp)) * frp / ((1.0 - fi) + f);
                     });
    //   FR' F (1 - P) / (1 - Fi)
    case 4: case 7: case 9:
      return gasLoop(c, ch, rq, 0.01,
                     [=](auto& y, auto& f, auto&, auto& frp, auto& p) { y = f * (1.0 - p) * frp * c3; });
    //   FR' (F - Fi (P - Fc')) / (1 - Fi)
    default:   // 5, 8, 10
      return gasLoop(c, ch, rq, 0.01,
                     [=](auto& y, auto& f, auto&, auto& frp, auto& p) { y = frp * (f - (p - fcp) * fi) * c3; });
  }
}

// VCO2, ml/min before the flow and the closing factors, as for VO2: F =
// FeCO2 - FiCO2 the CO2 deflection, F0 before the washout correction, Fc the
// typed FiCO2, Fc' = 0 when the incurrent CO2 is absorbed, V the VO2 rate,
// P the O2 channel's deflection as a fraction.
void runVCO2(const RunConstants& c, const GasChannels& ch, int16_t m, int16_t form) {
  const double r = c.r, fcp = c.fcp, a = c.cCO2a, b = c.cCO2b, fcr = c.fcOverR;
  const bool rq = form == 0;
  if (form == 0) {
    switch (m) {
      //   F / (1 - F0 RQ)
      case 1:
        return gasLoop(c, ch, rq, 0, [=](auto& y, auto& f, auto& f0, auto&, auto&) { y = f / (1.0 - f0 * r); });
      //   F / (1 - (1 - 1/RQ) Fc)          flow downstream with the CO2
      case 2: case 4: case 6:
        return gasLoop(c, ch, rq, 0, [=](auto& y, auto& f, auto&, auto&, auto&) { y = f * a; });
      //   F / (1 - F0 + Fc/RQ)             flow downstream behind a CO2 absorber
      case 3: case 7:
        return gasLoop(c, ch, rq, 0, [=](auto& y, auto& f, auto& f0, auto&, auto&) { y = f / ((1.0 - f0) + fcr); });
      //   F / (1 + Fc (1/RQ + 1))
      case 8:
        return gasLoop(c, ch, rq, 0, [=](auto& y, auto& f, auto&, auto&, auto&) { y = f * b; });
      //   F
      default:   // 5, 9, 10
        return gasLoop(c, ch, rq, 0, [](auto& y, auto& f, auto&, auto&, auto&) { y = f; });
    }
  }
  if (form == 1) {
    switch (m) {
      // Flow upstream, S = Fc' + F the excurrent CO2 fraction:
      //   VCO2 = (FR F - S VO2) / (1 - S)                   ml/min
      case 1:
        return gasLoop(c, ch, rq, 1, [=](auto& y, auto& f, auto&, auto& frp, auto& v) {
          const auto s = fcp + f;
          y = (f * frp - s * v) / (1.0 - s);
        });
      // Flow downstream behind a CO2 absorber: the excurrent gas is FR / (1 - S)
      //   VCO2 = (FR F / (1 - S) - Fc' VO2) / (1 - Fc')     ml/min
      case 3: case 7:
        return gasLoop(c, ch, rq, 1, [=](auto& y, auto& f, auto&, auto& frp, auto& v) {
          const auto s = fcp + f;
          y = (frp * f / (1.0 - s) - fcp * v) / (1.0 - fcp);
        });
      // Flow downstream, incurrent CO2 Fc' in the flow:
      //   VCO2 = (FR F - Fc' VO2) / (1 - Fc')               ml/min
      default:   // 2, 4, 6, 8
        return gasLoop(c, ch, rq, 1,
                       [=](auto& y, auto& f, auto&, auto& frp, auto& v) { y = (f * frp - fcp * v) / (1.0 - fcp); });
    }
  }
  // P: the O2 channel's deflection, a fraction, standing for VO2 / FR.
  switch (m) {
    //   VCO2 = FR (F - S P) / (1 - S),  S = Fc' + F
    case 1:
      return gasLoop(c, ch, rq, 0.01, [=](auto& y, auto& f, auto&, auto& frp, auto& p) {
        const auto s = fcp + f;
        y = (f - s * p) * frp / (1.0 - s);
      });
    //   VCO2 = FR (F + Fc' P) / (1 - F)   (flow downstream after a CO2 absorber)
    case 3: case 7:
      return gasLoop(c, ch, rq, 0.01,
                     [=](auto& y, auto& f, auto&, auto& frp, auto& p) { y = frp * (p * fcp + f) / (1.0 - f); });
    //   VCO2 = FR (F + Fc' P) / (1 + Fc')
    default:   // 2, 4, 6, 8
      return gasLoop(c, ch, rq, 0.01,
                     [=](auto& y, auto& f, auto&, auto& frp, auto& p) { y = (f + fcp * p) * frp / (fcp + 1.0); });
  }
}

bool isPerMassUnit(int16_t unit) { return GasUnitPerMass(unit); }

}  // namespace

std::string GasStatusText(GasStatus s, const GasExchangeSettings& g, const GasFileValues& f) {
  switch (s) {
    case GasStatus::Ok: return "";
    case GasStatus::FlowNotPositive:
      return "The instantaneous correction needs a flow rate above 0 (it is" + NumText(f.flow) + ").";
    case GasStatus::VolumeNotPositive:
      return "The instantaneous correction needs an effective volume above 0 (it is" + NumText(f.volume) + ").";
    case GasStatus::RQNotPositive:
      return "The RQ must be above 0 (it is" + NumText(g.rq) + ").";
    case GasStatus::PressureNotPositive:
      return "The barometric pressure must be above 0 torr (it is" + NumText(f.pressure) + ").";
    case GasStatus::TemperatureBelowAbsoluteZero:
      return "The flow temperature must be above -273.15 \xA1" "C (it is" + NumText(f.temperature) + ").";
    case GasStatus::RealPressureNotPositive:
      return "The ambient barometric pressure must be above 0 torr (it is" + NumText(g.realBP) + ").";
    case GasStatus::MassNotPositive:
      return "This unit is per mass: the mass must be above 0 g (it is" + NumText(f.mass) + ").";
    case GasStatus::UnknownUnit:
      return "Unknown output unit" + NumText(g.unit) + ".";
    case GasStatus::NoDryFraction:
      return "A relative humidity of" + NumText(g.compRH) + " % leaves no dry gas at this temperature and pressure.";
  }
  return "";
}

bool SecondGasFormValid(int16_t gasType, int16_t flowMode, int16_t useVCO2) {
  if (useVCO2 == 0) return true;
  if (gasType == kGasO2) return flowMode != 1 && flowMode != 3 && flowMode != 6 && flowMode >= 1 && flowMode <= 10;
  if (gasType == kGasCO2) return (flowMode >= 1 && flowMode <= 4) || (flowMode >= 6 && flowMode <= 8);
  return true;
}

bool GasHumidityApplies(const GasExchangeSettings& g) {
  if (g.dryAir || g.gasType == kGasWater || g.waterChannel == kHumidityNone) return false;
  const int16_t m = g.flowMode;
  return m == 1 || (g.gasType == kGasO2 && (m == 2 || m == 9 || m == 10)) || (g.gasType == kGasCO2 && m == 8);
}

bool GasAsksHumidity(int16_t gasType, int16_t m) {
  if (gasType == kGasO2) return m == 1 || m == 2 || m == 9 || m == 10;
  if (gasType == kGasCO2) return m == 1 || m == 8;
  return false;
}

int32_t GasEquationText(int16_t gas, int16_t form, int16_t m) {
  if (gas == kGasWater) return 145;
  if (gas == kGasO2) {
    if (form == 0) {
      switch (m) {
        case 2: return 148;
        case 3: return 147;
        case 4: case 9: return 149;
        case 5: case 8: return 156;
        case 10: return 157;
        case 1: case 6: case 7: return 146;
        default: return 199;
      }
    }
    const int32_t base = form == 1 ? 158 : 161;
    if (m == 2) return base;
    if (m == 4 || m == 7 || m == 9) return base + 1;
    if (m == 5 || m == 8 || m == 10) return base + 2;
    return 199;
  }
  if (gas != kGasCO2) return 199;
  if (form == 0) {
    switch (m) {
      case 1: return 164;
      case 2: case 4: case 6: return 165;
      case 3: case 7: return 166;
      case 8: return 167;
      default: return 199;
    }
  }
  if (form == 1) {
    if (m == 1) return 168;
    if (m == 2 || m == 4 || m == 6 || m == 8) return 169;
    if (m == 3 || m == 7) return 170;
    return 199;
  }
  if (m == 1) return 173;
  if (m == 2 || m == 4 || m == 6 || m == 8) return 172;
  if (m == 3 || m == 7) return 171;
  return 199;
}

const char* GasPictureEquation(int16_t gas, int16_t m) {
  static const char* const kVO2[10] = {
      "F / (1 - FiO2 + F)",      "F / (1 - FeO2 (1 - RQ))", "F / (1 - FiO2)",
      "F / (1 - FiO2 + F RQ)",   "F / (1 - FeO2 (1 - RQ))", "F / (1 - FiO2 + F)",
      "F / (1 - FiO2 + F RQ)",   "F / (1 - FiO2 + FeO2 RQ)", "F / (1 - FiO2 + F RQ)",
      "F / (1 - FiO2 (1 - RQ))",
  };
  static const char* const kVCO2[8] = {
      "F / (1 - F RQ)",          "F / (1 - FiCO2 (1 - 1/RQ))", "F / (1 - F + FiCO2/RQ)",
      "F / (1 - FiCO2 (1 - 1/RQ))", "",                        "F / (1 - FiCO2 (1 - 1/RQ))",
      "F / (1 - F + FiCO2/RQ)",  "F / (1 + FiCO2 (1/RQ + 1))",
  };
  if (gas == kGasO2 && m >= 1 && m <= 10) return kVO2[m - 1];
  if (gas == kGasCO2 && m >= 1 && m <= 8) return kVCO2[m - 1];
  return "";
}

double StpFactor(float torr, float celsius) {
  return static_cast<double>(torr) * 0.359211 / (static_cast<double>(celsius) + 273.15);
}

double WashoutDenominator(double flow, double k) { return 1.0 - std::exp(-flow * k); }

GasStatus CheckGasRun(const GasExchangeSettings& g, const GasFileValues& f) {
  if (g.unit < 1 || g.unit > kGasUnitCount) return GasStatus::UnknownUnit;
  if (g.instantaneous) {
    if (g.flowChannel == 0 && !(f.flow > 0.0f)) return GasStatus::FlowNotPositive;
    if (!(f.volume > 0.0f) || !(f.interval > 0.0f)) return GasStatus::VolumeNotPositive;
  }
  if (g.gasType != kGasWater && !(g.rq > 0.0f)) return GasStatus::RQNotPositive;
  if (!(f.pressure > 0.0f)) return GasStatus::PressureNotPositive;
  if (!(f.temperature > -273.15f)) return GasStatus::TemperatureBelowAbsoluteZero;
  if (!(g.realBP > 0.0f)) return GasStatus::RealPressureNotPositive;
  if (isPerMassUnit(g.unit) && !(f.mass > 0.0f)) return GasStatus::MassNotPositive;
  if (GasHumidityApplies(g) && g.waterChannel == kHumidityConstant && !isChannel(g.tRHchan) &&
      !(1.0 - g.compRH * 0.01 * g.rhFactor * VapourFractionFactor(g.realBP) > 0.0))
    return GasStatus::NoDryFraction;
  return GasStatus::Ok;
}

GasUnit GasRunUnit(const GasExchangeSettings& g, const GasFileValues& f) {
  GasUnitRequest r;
  r.gasType = g.gasType;
  r.unit = g.unit;
  r.waterAsHumidity = g.gasType == kGasWater && g.rhUnit == 1;
  r.temperatureChannel = isChannel(g.tRHchan);
  r.mass = f.mass;
  r.rhFactor = g.rhFactor;
  r.latent = g.latent;
  r.heat = g.heat;
  return GasUnitFactor(r);
}

std::string GasChannelLabel(const GasExchangeSettings& g, const GasFileValues& f) {
  return FitLabel((g.instantaneous ? "i" : "") + GasRunUnit(g, f).label);
}

GasStatus ComputeGasExchange(const GasExchangeSettings& gIn, const GasFileValues& f, const GasChannels& ch,
                             bool* formFellBack) {
  GasExchangeSettings g = gIn;
  const bool fellBack = g.gasType != kGasWater && !SecondGasFormValid(g.gasType, g.flowMode, g.useVCO2);
  if (fellBack) g.useVCO2 = 0;
  if (formFellBack) *formFellBack = fellBack;
  const GasStatus st = CheckGasRun(g, f);
  if (st != GasStatus::Ok) return st;
  if (ch.count <= 0 || !ch.gas || !ch.out) return GasStatus::Ok;
  const float flowcon = static_cast<float>(static_cast<float>(GasRunUnit(g, f).factor) *
                                           StpFactor(f.pressure, f.temperature));
  GasChannels in = ch;
  if (g.flowChannel == 0) in.flow = nullptr;
  if (g.useVCO2 == 0) in.second = nullptr;
  if (!isChannel(g.tRHchan)) in.temp = nullptr;
  if (g.gasType == kGasWater && g.rhUnit == 2) in.temp = nullptr;
  const RunConstants c = runConstants(g, f, flowcon, in);
  if (g.gasType == kGasWater) {
    // The sensor sees the real pressure, whatever the file's B.P. says for the meter.
    waterLoop(c, in, g, g.realBP);
    return GasStatus::Ok;
  }
  if (!c.humidPerCase || c.dewChannel) in.temp = nullptr;
  if (g.gasType == kGasCO2)
    runVCO2(c, in, g.flowMode, g.useVCO2);
  else
    runVO2(c, in, g.flowMode, g.useVCO2);
  return GasStatus::Ok;
}

// ---- Script step ---------------------------------------------------------------------

void GasToScriptStep(const GasExchangeSettings& g, float (&step)[28]) {
  for (float& v : step) v = 0.0f;
  step[1] = static_cast<float>(g.gasType + kGasOpBase);
  step[3] = 1.0f;
  step[4] = g.unit;
  step[5] = g.flowChannel;
  step[6] = g.rhFactor;
  step[7] = g.rhUnit;
  step[8] = g.instantaneous ? 1.0f : 0.0f;
  step[9] = g.flowMode;
  step[10] = g.tRHchan;
  step[11] = g.heat;
  step[12] = g.dryAir ? 1.0f : 0.0f;
  step[13] = g.waterChannel;
  step[14] = g.abCO2 ? 1.0f : 0.0f;
  step[15] = g.rq;
  step[16] = g.realBP;
  step[17] = g.fi;
  step[18] = g.fc;
  step[19] = g.latent;
  step[20] = g.compRH;
  step[21] = g.unit;
  step[22] = g.chan1;
  step[23] = g.useVCO2;
  step[24] = g.vco2Channel;
  step[25] = g.positive ? 1.0f : 0.0f;
  step[26] = g.makeNewChan ? 1.0f : 0.0f;
}

GasExchangeSettings GasFromScriptStep(const float (&step)[28]) {
  auto i16 = [&](int n) { return static_cast<int16_t>(std::lround(step[n])); };
  GasExchangeSettings g;
  g.gasType = static_cast<int16_t>(i16(1) - kGasOpBase);
  g.unit = i16(4);
  g.flowChannel = i16(5);
  g.rhFactor = step[6];
  g.rhUnit = i16(7);
  g.instantaneous = step[8] != 0.0f;
  g.flowMode = i16(9);
  g.tRHchan = i16(10);
  g.heat = step[11];
  g.dryAir = step[12] != 0.0f;
  g.waterChannel = i16(13);
  g.abCO2 = step[14] != 0.0f;
  g.rq = step[15];
  g.realBP = step[16];
  g.fi = step[17];
  g.fc = step[18];
  g.latent = step[19];
  g.compRH = step[20];
  g.chan1 = i16(22);
  g.useVCO2 = i16(23);
  g.vco2Channel = i16(24);
  g.positive = step[25] != 0.0f;
  g.makeNewChan = step[26] != 0.0f;
  return g;
}

// ---- Adapters ----------------------------------------------------------------------

float flowcon = 0.0f;
float RHFactor = 0.0f;

GasExchangeSettings CurrentGasSettings() {
  GasExchangeSettings g;
  g.gasType = GasType;
  g.flowMode = FlowMode;
  g.useVCO2 = UseVCO2;
  g.vco2Channel = VCO2channel;
  g.fi = FiO2 / 100.0f;
  g.fc = FiCO2 / 100.0f;
  g.rq = RQ;
  g.abCO2 = abCO2 != 0;
  g.dryAir = DryAir != 0;
  g.waterChannel = WaterChannel;
  g.compRH = compRH;
  g.rhUnit = RHunit;
  g.tRHchan = tRHchan;
  g.rhFactor = RHFactor;
  g.realBP = realBP;
  g.latent = latent;
  g.heat = flowcon;
  g.flowChannel = FlowCH;
  g.unit = prefsArray[kPrefGasUnit];
  g.instantaneous = prefsArray[kPrefInstantaneous] != 0;
  g.positive = prefsArray[kPrefPositiveDeflections] != 0;
  g.litres = prefsArray[kPrefFlowInLitres] != 0;
  g.chan1 = Chan1;
  g.makeNewChan = MakeNewChan != 0;
  return g;
}

void StoreGasSettings(const GasExchangeSettings& g) {
  GasType = g.gasType;
  FlowMode = g.flowMode;
  UseVCO2 = g.useVCO2;
  VCO2channel = g.vco2Channel;
  RQ = g.rq;
  abCO2 = g.abCO2 ? 1 : 0;
  DryAir = g.dryAir ? 1 : 0;
  WaterChannel = g.waterChannel;
  compRH = g.compRH;
  RHunit = g.rhUnit;
  tRHchan = g.tRHchan;
  RHFactor = g.rhFactor;
  realBP = g.realBP;
  latent = g.latent;
  flowcon = g.heat;
  FlowCH = g.flowChannel;
  prefsArray[kPrefGasUnit] = g.unit;
  prefsArray[kPrefInstantaneous] = g.instantaneous ? 1 : 0;
  prefsArray[kPrefPositiveDeflections] = g.positive ? 1 : 0;
  Chan1 = g.chan1;
  MakeNewChan = g.makeNewChan ? 1 : 0;
}

GasFileValues GasFileValuesOf(int16_t slot) {
  GasFileValues f;
  if (!ValidFileSlot(slot)) return f;
  const float* w = FileInfoFLOATS[slot];
  f.interval = w[kInfoInterval];
  f.flow = w[kInfoFlow];
  f.temperature = w[kInfoTemperature];
  f.pressure = w[kInfoPressure];
  f.volume = w[kInfoEffectiveVolume];
  f.mass = w[kInfoMass];
  return f;
}

std::string GasLogWords(const GasExchangeSettings& g) {
  std::string w;
  const std::string mode = NumText(g.flowMode);
  if (g.gasType == kGasWater) {
    w = "Evaporative water loss";
  } else if (g.gasType == kGasCO2) {
    w = "VCO2 from ";
    if (g.useVCO2 == 1) w += "VO2, mode" + mode;
    else if (g.useVCO2 == 2) w += "FiO2, mode" + mode;
    else w += "RQ= " + NumText(g.rq) + " mode" + mode;
  } else {
    w = "VO2 ";
    if (g.flowMode == 1 || g.flowMode == 6) w += "(exact), mode " + mode;
    else if (g.useVCO2 == 1) w += " from VCO2, mode" + mode;
    else if (g.useVCO2 == 2) w += " from FeCO2, mode" + mode;
    else w += " from RQ = " + NumText(g.rq) + ", mode" + mode;
  }
  if (g.instantaneous) w += " (instantaneous) ";
  return w;
}
