// The periodicity test of a channel: for K successive lags d = k s + L, the
// regression of y(i + d) on y(i) over the block, its best step and other
// peaks; and the lag pairs the scatter plots draw. Pure functions over plain
// arrays, plus an adapter to the result globals.
#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

inline constexpr int16_t kTimeSeriesAnalysisCode = 10;
inline constexpr int32_t kTimeSeriesHelpSubject = 190;
inline constexpr float kDefaultPeakThreshold = 0.01f;
inline constexpr int kMaxListedPeaks = 32;

struct PeriodicityRow {
  float time = 0.0f;       // (L + k s) dt seconds
  float r2 = 0.0f;         // Sxy^2 / Sxx / Syy; NaN when either sum is 0
  float b = 0.0f;          // Sxy / Sxx
  int32_t n = 0;           // pairs
  double sxx = 0.0, syy = 0.0, sxy = 0.0;
};

struct PeriodicityRequest {
  int32_t first = 0, last = 0;   // the block, both included
  int32_t lag = 1;               // L, as typed (0 allowed)
  int32_t step = 1;              // s, as typed (0 allowed: every regression at lag L)
  int32_t K = 50;
  float dt = 1.0f;               // sample interval, s
};

enum class PeriodicityStatus : int8_t {
  Ok = 0,
  BadSpan,
  Negative,       // a negative lag or step
  NoSteps,        // K < 1 (after the cut)
  NoVariation,    // a constant block
  Cancelled,
};
const char* PeriodicityStatusText(PeriodicityStatus s);

// The cut before a run: with L' and s' (0 taken as 1), available = (last -
// first) - L'; when available < K s', K becomes available div s'.
struct StepCount {
  int32_t K = 0;
  bool reduced = false;
};
StepCount CutStepCount(int32_t first, int32_t last, int32_t lag, int32_t step, int32_t K);

// rows[k - 1] for k = 1..K. The block mean is taken out once; the window
// sums of x, x^2, y, y^2 follow from running head and tail sums as the lag
// grows, and one pass per lag forms the cross products. progress(k) runs
// after each lag and returns false to cancel. Refusals leave *rows empty.
using PeriodicityProgress = std::function<bool(int32_t k)>;
PeriodicityStatus RunPeriodicity(std::span<const float> y, const PeriodicityRequest& req,
                                 std::vector<PeriodicityRow>* rows, const PeriodicityProgress& progress = {});

// The best step: the highest k whose bar height 50 r^2 / max exceeds 49.999;
// 0 when no r^2 is defined and positive.
struct PeriodicityBest {
  int32_t k = 0;
  float maxR2 = 0.0f;
};
PeriodicityBest BestStep(const std::vector<PeriodicityRow>& rows);

// Other peaks: k = 2..K-1 above both neighbours, below the largest r^2 and
// above the threshold (0 or 1 and above read as .01), at most `limit`.
float PeakThreshold(float typed);
std::vector<int32_t> OtherPeaks(const std::vector<PeriodicityRow>& rows, float maxR2, float threshold,
                                int limit = kMaxListedPeaks);

// Tick interval of the summary's time axis: 25 for K 50 or 100, 50 for
// 200, else K div 5, never below 1.
int32_t AxisTickInterval(int32_t K);
// "Computing" text's pairs per regression: (last - first - L + 1) - K s / 2.
int32_t PairsPerRegression(int32_t first, int32_t last, int32_t lag, int32_t step, int32_t K);

// Times as text, by where they are shown.
enum class TimeTextUse : int8_t { Axis, BestShort, BestLong, Peaks };
// The value (t scaled to its unit) and the unit text, by the table of units.
struct TimeText {
  double value = 0.0;
  const char* unit = " sec";
};
TimeText PeriodicityTime(double seconds, TimeTextUse use);
// v in `digits` significant digits (1..15), trailing zeros removed, a blank
// in the sign's place when not negative.
std::string SignificantText(double v, int digits);
// The value in `digits` significant digits, trailing zeros removed, with its unit.
std::string PeriodicityTimeText(double seconds, TimeTextUse use, int digits);

// The summary file: "lag time (s)", "r-squared", "slope", "n" with tabs,
// then one row per step; the file's bytes (UTF-8, LF line ends).
std::string PeriodicitySummaryText(const std::vector<PeriodicityRow>& rows);

// ---- Adapters ----------------------------------------------------------------
// The best step into the slope test's globals (sumx2, sumy2, sumxy,
// rsquared, ValueOfB, nPoints, slope 0), TestSlope run; prob out. False with
// nothing tested (fewer than 3 pairs, no variation in X, sums not finite).
bool TestBestStep(const PeriodicityRow& row);
