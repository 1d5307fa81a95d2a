#include "analyses/picks.h"

#include <algorithm>
#include <cmath>

#include "analyses/extremes.h"
#include "analyses/statspanel.h"
#include "output/numberformat.h"
#include "output/results.h"
#include "shell/timeunits.h"

bool PickList::add(float value) {
  if (values_.size() >= static_cast<size_t>(kMaxPicks)) return false;
  values_.push_back(value);
  rejected_ = false;
  return true;
}

bool PickList::rejectLast() {
  if (rejected_ || values_.empty()) return false;
  values_.pop_back();
  rejected_ = true;
  return true;
}

void PickList::clear() {
  values_.clear();
  rejected_ = false;
}

bool ComputePickStats(std::span<const float> v, PickStats* out) {
  if (v.empty()) return false;
  PickStats s;
  s.n = static_cast<int32_t>(v.size());
  double sum = 0.0;
  RunningExtremes<> e;
  for (float x : v) {
    sum += x;
    e.add(x);
  }
  s.mean = sum / s.n;
  for (float x : v) s.sumSquares += (x - s.mean) * (x - s.mean);
  s.sd = static_cast<float>(std::sqrt(s.sumSquares / s.n));
  // Picks that are all NaN show 1e30 and -1e30, as they always have.
  s.mi = e.loOr(1e30f);
  s.ma = e.hiOr(-1e30f);
  s.total = s.n * s.mean;
  s.spreadShown = s.n > 2;
  *out = s;
  return true;
}

bool ComputeTimePickStats(std::span<const float> t, TimePickStats* out) {
  if (t.empty()) return false;
  TimePickStats s;
  float sum = 0.0f;
  RunningExtremes<> e;
  for (float x : t) {
    sum += x;
    e.add(x);
  }
  s.mean = sum / static_cast<float>(t.size());
  for (float x : t) s.sumSquares += (x - s.mean) * (x - s.mean);
  s.sd = std::sqrt(s.sumSquares / static_cast<float>(t.size()));
  s.mi = e.loOr(1e30f);
  s.ma = e.hiOr(-1e30f);
  *out = s;
  return true;
}

PairEntry PairOf(float firstValue, float firstTime, float secondValue, float secondTime) {
  return {std::fabs(firstValue - secondValue), std::fabs(secondTime - firstTime)};
}

int32_t AutoBlockUnit(double seconds, float interval) {
  if (!(interval > 0.0f) || !(seconds > 0.0) || !std::isfinite(seconds)) return 0;
  const double p = std::trunc(seconds / interval + 0.999);
  if (p > 2.0e9) return 1'000'000'000;
  return (static_cast<int32_t>(p) + 1) / 2;
}

int32_t AutoBlockPixels(int32_t abUnit, int32_t nCases, int16_t screenWidth, int16_t xStep) {
  if (nCases <= screenWidth) return static_cast<int32_t>(int64_t{abUnit} * xStep);
  if (nCases <= 0) return 0;
  return static_cast<int32_t>(int64_t{abUnit} * screenWidth / nCases);
}

float AutoBlockDefaultSeconds(float interval) {
  return std::trunc(interval * 100.0f * 11.999f) / 100.0f;
}

std::string AutoBlockSpanText(float interval, int32_t abUnit) {
  const float d = interval * static_cast<float>(abUnit) * 2.0f;
  if (d >= 120.0f) return RealText(static_cast<float>(SecondsToMinutes(d))) + " min";
  return RealText(d) + " sec";
}

void StorePickResult(const PickStats& s) {
  meanValue = s.mean;
  StandardDeviation = s.sd;
  mi = s.mi;
  ma = s.ma;
  nrPoints = s.n;
  REnd = static_cast<int16_t>(s.n);
  x1float = 0.0f;
  row = 7;
}

void StoreTimePickResult(const TimePickStats& t) {
  tmFloat = t.mean;
  ts = t.sd;
  tmi = t.mi;
  tma = t.ma;
  x1float = 0.0f;
}

void ClearPickResult() {
  StorePickResult(PickStats{});
  StoreTimePickResult(TimePickStats{});
}
