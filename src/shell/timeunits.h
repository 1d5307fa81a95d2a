// Seconds as minutes, hours and days, and rates per minute as rates per
// second: exact divisions in double, for every subsystem. A rounded
// reciprocal such as 0.0166667 is 2e-6 too large and puts case 7,000,000 at
// 1 s fourteen seconds late; a float result is rounded once, at the end.
#pragma once

inline constexpr double kSecondsPerMinute = 60.0;
inline constexpr double kSecondsPerHour = 3600.0;
inline constexpr double kSecondsPerDay = 86400.0;

constexpr double SecondsToMinutes(double seconds) { return seconds / kSecondsPerMinute; }
constexpr double SecondsToHours(double seconds) { return seconds / kSecondsPerHour; }
constexpr double SecondsToDays(double seconds) { return seconds / kSecondsPerDay; }
// ml/min as ml/s, J/ml of a per-minute rate as watts.
constexpr double PerMinuteToPerSecond(double perMinute) { return perMinute / kSecondsPerMinute; }

// Minutes since the start of the start's day at case c: start + c * interval
// / 60, unfolded. The product is taken first, exact for whole intervals.
constexpr double CaseMinutes(double startMinutes, double interval, double caseNumber) {
  return startMinutes + interval * caseNumber / kSecondsPerMinute;
}
