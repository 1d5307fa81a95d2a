// Seconds as minutes, hours and days, and rates per minute as rates per
// second: exact divisions in double, for every subsystem. A rounded
// reciprocal such as 0.0166667 is 2e-6 too large and puts case 7,000,000 at
// 1 s fourteen seconds late; a float result is rounded once, at the end.
#pragma once
#include <cmath>

inline constexpr double kSecondsPerMinute = 60.0;
inline constexpr double kSecondsPerHour = 3600.0;
inline constexpr double kSecondsPerDay = 86400.0;

constexpr double SecondsToMinutes(double seconds) { return seconds / kSecondsPerMinute; }
constexpr double SecondsToHours(double seconds) { return seconds / kSecondsPerHour; }
constexpr double SecondsToDays(double seconds) { return seconds / kSecondsPerDay; }
// ml/min as ml/s, J/ml of a per-minute rate as watts.
constexpr double PerMinuteToPerSecond(double perMinute) { return perMinute / kSecondsPerMinute; }

// The minutes an f32 start stands for: the whole second whose f32 it is
// (13:05:07 is held as 785.11664, 1.7 ms early, and its clock text would
// read 13:05:06), else the float itself.
inline double HeldStartMinutes(float startMinutes) {
  const double second = std::round(static_cast<double>(startMinutes) * kSecondsPerMinute);
  const double wholeSecond = second / kSecondsPerMinute;
  return static_cast<float>(wholeSecond) == startMinutes ? wholeSecond : startMinutes;
}

// Minutes since the start of the start's day at case c: the held start + c *
// interval / 60, unfolded. The product is taken first, exact for whole
// intervals.
inline double CaseMinutes(float startMinutes, double interval, double caseNumber) {
  return HeldStartMinutes(startMinutes) + interval * caseNumber / kSecondsPerMinute;
}
