// Values picked by clicks on the plot: the running average of picked values
// and the differences of picked pairs (value and time), with the last pick
// rejectable once; and the arithmetic of automatic blocks of a fixed
// duration. Pure functions and a small value list, plus a few adapters to
// the result globals.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// At most 200 entries; a 201st pick is refused.
inline constexpr int kMaxPicks = 200;

class PickList {
 public:
  // False (nothing added) when the list is full.
  bool add(float value);
  // Removes the last entry unless it was already rejected since the last
  // add; false when nothing was removed.
  bool rejectLast();
  std::span<const float> values() const { return values_; }
  int size() const { return static_cast<int>(values_.size()); }
  void clear();

 private:
  std::vector<float> values_;
  bool rejected_ = false;
};

// Statistics of the picked values: mean in double, population SD for any n
// >= 1 (0 for one value), extremes, total = n * mean. `spreadShown` (n > 2)
// is whether the panel shows the SD.
struct PickStats {
  int32_t n = 0;
  double mean = 0.0;
  double total = 0.0;
  float sd = 0.0f;
  float mi = 0.0f, ma = 0.0f;
  double sumSquares = 0.0;
  bool spreadShown = false;
};
// False for an empty list.
bool ComputePickStats(std::span<const float> values, PickStats* out);

// The time statistics of the pairs in single precision: mean tmFloat, SD
// ts (population, any n >= 1), tmi, tma, Lfloat (sum of squared deviations).
struct TimePickStats {
  float mean = 0.0f, sd = 0.0f, mi = 0.0f, ma = 0.0f, sumSquares = 0.0f;
};
bool ComputeTimePickStats(std::span<const float> times, TimePickStats* out);

// A completed pair: |value difference| and |time difference| (s), either
// order of the two clicks.
struct PairEntry {
  float value = 0.0f, time = 0.0f;
};
PairEntry PairOf(float firstValue, float firstTime, float secondValue, float secondTime);

// ---- Automatic blocks --------------------------------------------------------------
// Half-width in cases for a duration t: p = trunc(t / T + 0.999), ABunit =
// trunc(p + 1) div 2; 0 for a duration or interval not above 0.
int32_t AutoBlockUnit(double seconds, float interval);
// The same half-width in pixels of the unzoomed view (64-bit products).
int32_t AutoBlockPixels(int32_t abUnit, int32_t nCases, int16_t screenWidth, int16_t xStep);
// The proposed duration: 11.999 intervals cut to hundredths of a second.
float AutoBlockDefaultSeconds(float interval);
// Field 17: T * ABunit * 2 seconds, from 120 s in minutes.
std::string AutoBlockSpanText(float interval, int32_t abUnit);

// ---- Adapters --------------------------------------------------------------------
// meanValue, StandardDeviation, mi, ma, nrPoints = REnd, x1float = 0,
// row = 7; the pair tool adds tmFloat, ts, tmi, tma.
void StorePickResult(const PickStats& s);
void StoreTimePickResult(const TimePickStats& t);
// No pick left: every one of those globals 0, so no result of the taken-back
// picks can be stored.
void ClearPickResult();
