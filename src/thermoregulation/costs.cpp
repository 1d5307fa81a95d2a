#include "thermoregulation/costs.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"

int32_t TotalTregCases = 0, TotalAtBMR = 0, TotalAboveBMR = 0;
float HighestTregCost = 0;
int32_t TimingErrors[kMaxListedTimingErrors + 1] = {};
int32_t TimingErrorCount = 0;

namespace {

constexpr float kMissingAlways = -9999.0f;
constexpr float kNoWind = 0.0001f;
constexpr float kAssumedWind = 0.01f;

// Characters from..from+n-1 (0-based) of a number text.
std::string cut(const std::string& s, size_t from, size_t n) { return from < s.size() ? s.substr(from, n) : ""; }

float valueAt(const float* a, int32_t k) { return a ? a[k] : 0.0f; }

}  // namespace

float WindFactor(float mass, float lctMinusTa, float wind) {
  return static_cast<float>(0.0092 * std::pow(static_cast<double>(mass), 0.66) *
                            std::pow(std::fabs(static_cast<double>(lctMinusTa)), 0.32) *
                            std::sqrt(static_cast<double>(wind)));
}

float HighestWindowMean(const std::vector<float>& costs, int32_t w) {
  const int32_t n = static_cast<int32_t>(costs.size()) - 1;
  if (w <= 0 || n - w < 1) return kNoWindowMean;
  const int32_t threshold = static_cast<int32_t>(std::trunc(0.7 * w));
  double best = kNoWindowMean;
  double sum = 0;
  int32_t count = 0;
  auto add = [&](int32_t k, int sign) {
    const float v = costs[static_cast<size_t>(k)];
    if (v > 0) {
      sum += sign * static_cast<double>(v);
      count += sign;
    }
  };
  for (int32_t k = 1; k < w; ++k) add(k, 1);
  for (int32_t i = 1; i <= n - w; ++i) {
    add(i + w - 1, 1);
    if (count > 0 && count >= threshold) {
      const double mean = sum / count;
      if (mean > best) best = mean;
    }
    add(i, -1);
    if (count == 0) sum = 0;   // no drift carried over an empty stretch
  }
  return static_cast<float>(best);
}

TregResult ComputeTregCosts(const TregClimate& c, const TregAnimal& a, const TregSettings& s,
                            const float (*sunTable)[3], float* store) {
  TregResult r;
  const int32_t n = std::max<int32_t>(c.nCases, 0);
  r.costs.assign(static_cast<size_t>(n) + 1, 0.0f);
  const float M = s.zeroIsMissing ? 0.0f : kMissingAlways;
  const bool useSun = a.useSun && s.sunAllowed;
  const float dt = c.interval;
  const float dayWrap = 24.0f - dt / 3600.0f;
  const double perDay = dt > 0 ? std::trunc(86400.0 / dt) : 0.0;
  r.windowCases = static_cast<int32_t>(std::min(perDay, 4.0e8)) / 4;
  r.torporUsed = s.useTorpor;
  const bool torporMay = s.torporAllowed && s.useTorpor;
  float tb = a.tb;
  float prevTime = 0;

  auto timingError = [&r](int32_t k) {
    ++r.timingErrorCount;
    if (r.timingErrorCount <= kMaxListedTimingErrors) r.timingErrors.push_back(k);
  };

  for (int32_t k = 1; k <= n; ++k) {
    float shade = valueAt(c.shade, k);
    const float sun = valueAt(c.sun, k);
    const float t = valueAt(c.timeOfDay, k);
    if (t < prevTime && k < n - 1 && prevTime < dayWrap) timingError(k);

    const bool shadeMissing = shade == M, sunMissing = sun == M;
    const float windValue = s.windUsed ? valueAt(c.wind, k) : 0.0f;
    const bool reject = (shadeMissing && sunMissing) || (s.rejectNoShade && shadeMissing) ||
                        (s.rejectNoSun && sunMissing) || (s.windUsed && s.rejectNoWind && windValue == M);
    if (reject) {
      r.costs[static_cast<size_t>(k)] = 0;
      prevTime = t;
      continue;
    }

    float dawn = s.dawn, dusk = s.dusk;
    if (s.computeDawnAndDusk) {
      const float dayValue = valueAt(c.dayOfYear, k);
      const double day = std::isfinite(dayValue) ? std::trunc(static_cast<double>(dayValue)) : -1.0;
      if (day >= 1 && day <= 366 && sunTable) {
        dawn = sunTable[static_cast<int>(day)][1];
        dusk = sunTable[static_cast<int>(day)][2];
      } else {
        timingError(k);   // the case keeps the fixed dawn and dusk
      }
    }
    if (tb == M && s.replacementTb) tb = s.defaultTb;

    // The phase comes from dawn and dusk alone; the Tb change only shifts Tb, LCT and BMR.
    bool active, torporWindow = false;
    float restStart, restEnd;
    if (s.dayActive) {
      active = dawn < t && t <= dusk;
      restStart = dusk;
      restEnd = dawn;
      if (!active) torporWindow = t > dusk + s.torporStartLag || t < dawn - s.torporEndLag;
    } else {
      active = (0 < t && t < dawn) || t >= dusk;
      restStart = dawn;
      restEnd = dusk;
      if (!active) torporWindow = t > dawn + s.torporStartLag && t < dusk - s.torporEndLag;
    }

    float wind = 0;
    if (s.windUsed) {
      wind = windValue;
      if (wind == 0) wind = kNoWind;
      else if (wind == kMissingAlways || !std::isfinite(wind) || wind < 0) wind = kAssumedWind;
      if (!active && a.shelter) wind = kNoWind;
    }

    const float cPrime = active && s.variableConductance ? a.conductance * s.conductanceFactor : a.conductance;
    const float bmrPrime = active && s.variableTb
                               ? static_cast<float>(a.bmr * std::pow(static_cast<double>(s.torporQ10), s.tbChange / 10.0))
                               : a.bmr;
    const float tbPrime = active && s.variableTb ? std::min(tb + s.tbChange, s.maxActiveTb) : tb;
    const float lctPrime = active && s.variableTb ? a.lct + s.tbChange : a.lct;

    if (shadeMissing && (t >= dusk || t < dawn)) shade = sun;
    const bool shadeNowMissing = shade == M;

    float ta;
    if (s.dayActive) ta = useSun ? sun : shade;
    else ta = shadeNowMissing ? sun : shade;

    float cost = 0;
    bool hasCost = false;
    if (ta != M) {
      hasCost = true;
      ++r.totalCases;
      cost = (tbPrime - ta) * cPrime;
      if (s.windUsed) cost = cost + cost * WindFactor(a.mass, lctPrime - ta, wind);
      if (cost <= bmrPrime) {
        cost = bmrPrime;
        ++r.atBMR;
      } else {
        ++r.aboveBMR;
        r.aboveSum += cost;
      }
    }

    if (torporMay && torporWindow) {
      const float tat = shadeNowMissing ? sun : shade;
      if (tat == M) {
        cost = 0;
        hasCost = false;
      } else {
        if (!hasCost) ++r.totalCases;
        hasCost = true;
        cost = a.bmr;
        if (lctPrime > tat) {
          ++r.torporCases;
          const float minTb = s.minimumTorporTb;
          const float dT = tbPrime - minTb;
          const float E = s.torporEntryTime;
          float tr = minTb;
          const bool onEntry = restStart <= t && t <= restStart + E;
          const bool onArousal = restEnd - E <= t && t <= restEnd;
          // Where both ramps hold, the one at dusk gives the value.
          const bool entryAtDusk = s.dayActive;
          if (onEntry && (!onArousal || entryAtDusk)) tr = tbPrime - dT * (t - restStart) / E;
          else if (onArousal) tr = tbPrime - dT * (restEnd - t) / E;
          if (tat > minTb - 1) {
            const float f = (lctPrime - tat) / (lctPrime - minTb + 1);
            const float tq = std::max(tr, tbPrime - dT * f);
            cost = static_cast<float>(a.bmr * std::pow(static_cast<double>(s.torporQ10), (tq - tbPrime) / 10.0));
          } else {
            cost = (tr - tat) * cPrime;
          }
          r.torporSum += cost;
        }
      }
    }

    if (hasCost && cost > 0 && cPrime > 0) {
      if (cost <= 1.0001f * bmrPrime && (!torporMay || active)) cost = bmrPrime;
      r.highest = std::max(r.highest, cost);
      r.writtenSum += cost;
      if (store) store[k] = cost;
    } else if (store) {
      store[k] = 0;
    }
    r.costs[static_cast<size_t>(k)] = hasCost ? cost : 0.0f;
    if (s.activeTimeCostsOnly && active) {
      r.activeSum += hasCost ? cost : 0.0f;
      ++r.activeCases;
    }
    prevTime = t;
  }

  r.h6 = HighestWindowMean(r.costs, r.windowCases);
  r.h12 = HighestWindowMean(r.costs, 2 * r.windowCases);
  r.hday = HighestWindowMean(r.costs, 4 * r.windowCases);
  r.mean = static_cast<float>(r.writtenSum / r.totalCases);
  r.activeMean = static_cast<float>(r.activeSum / r.activeCases);
  return r;
}

std::vector<std::pair<int16_t, std::string>> TregResultTexts(const TregResult& r, float b) {
  std::vector<std::pair<int16_t, std::string>> t;
  t.emplace_back(kTregMaxW, cut(NumText(r.highest), 1, 7));
  t.emplace_back(kTregMaxXBmr, r.totalCases >= 1 && r.highest > 0 ? cut(NumText(r.highest / b), 1, 5) : "");
  t.emplace_back(kTregAtBmrPct, r.totalCases >= 1 && r.atBMR > 0
                                    ? cut(NumText(static_cast<float>(r.atBMR * 100.0 / r.totalCases)), 0, 5)
                                    : "");
  if (r.aboveBMR < 1) {
    t.emplace_back(kTregNotBmrW, "--  ");
    t.emplace_back(kTregNotBmrX, "--  ");
  } else {
    const float m = static_cast<float>(r.aboveSum / r.aboveBMR);
    t.emplace_back(kTregNotBmrW, cut(NumText(m), 1, 7));
    t.emplace_back(kTregNotBmrX, cut(NumText(m / b), 1, 5));
  }
  const struct {
    float v;
    int16_t w, x;
  } windows[] = {{r.h6, kTreg6hW, kTreg6hX}, {r.h12, kTreg12hW, kTreg12hX}, {r.hday, kTregDayW, kTregDayX}};
  for (const auto& w : windows) {
    t.emplace_back(w.w, w.v > 0 ? NumText(w.v) : "");
    t.emplace_back(w.x, w.v > 0 ? NumText(w.v / b) : "");
  }
  if (r.torporUsed) {
    const float tm = static_cast<float>(r.torporSum / r.torporCases);
    t.emplace_back(kTregTorporW, NumText(tm));
    t.emplace_back(kTregTorporX, tm > 0 ? cut(NumText(tm / b), 1, 5) : "");
    t.emplace_back(kTregTorporPct, r.totalCases >= 1
                                       ? cut(NumText(static_cast<float>(r.torporCases * 100.0 / r.totalCases)), 0, 5)
                                       : "");
  } else {
    t.emplace_back(kTregTorporW, "not used");
    t.emplace_back(kTregTorporX, "N.A.");
    t.emplace_back(kTregTorporPct, "zero   ");
  }
  return t;
}

std::string MeanTimesBmrText(float mean, float bmrWatts) {
  return bmrWatts == 0 ? std::string("0") : cut(NumText(mean / bmrWatts), 1, 5);
}

TregClimate ClimateOfSlot(int16_t slot, int16_t shade, int16_t sun, int16_t time, int16_t day, int16_t wind) {
  TregClimate c;
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return c;
  auto channel = [slot](int16_t ch) -> const float* {
    return ch >= 1 && ch <= nChannels[slot] ? ChannelData(slot, ch) : nullptr;
  };
  c.shade = channel(shade);
  c.sun = channel(sun);
  c.timeOfDay = channel(time);
  c.dayOfYear = channel(day);
  c.wind = channel(wind);
  c.nCases = nCases[slot];
  c.interval = FileInfoFLOATS[slot][kInfoInterval];
  return c;
}

void StoreTregTotals(const TregResult& r) {
  TotalTregCases = r.totalCases;
  TotalAtBMR = r.atBMR;
  TotalAboveBMR = r.aboveBMR;
  HighestTregCost = r.highest;
  TimingErrorCount = r.timingErrorCount;
  prefsArray[kPrefTimingErrors] = static_cast<int16_t>(std::min<int32_t>(r.timingErrorCount, 32767));
  std::fill(std::begin(TimingErrors), std::end(TimingErrors), 0);
  for (size_t i = 0; i < r.timingErrors.size(); ++i) TimingErrors[i + 1] = r.timingErrors[i];
}
