// Window scans: inside a block, the window of a fixed number of cases with
// the smallest or the largest sum, the most level stretch (smallest total
// absolute deviation from the window's own mean) or the most variable one
// (largest such total, or largest point-to-point change); the interval
// arithmetic and preset buttons of the scan-interval dialogs; the
// statistics and texts of a found window. Pure functions over plain arrays,
// plus a few adapters to the store and the result globals.
#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

enum class ScanKind : int8_t { Minimum = 1, MostLevel = 2, Maximum = 3, MostVariable = 4 };
// Any value other than 1, 2 and 4 scans for the maximum.
ScanKind ScanKindOf(int16_t kind);

struct ScanKindInfo {
  const char* title;        // of the results window
  const char* label;        // opens the result line
  int16_t analysisCode;
  float scriptOp;
  int16_t topic;            // the most-variable point-to-point variant uses 14
};
const ScanKindInfo& InfoOfScan(ScanKind kind);
// The kind a script operation replays; false for another operation.
bool ScanKindOfScriptOp(float op, ScanKind* kind);

// ---- Interval --------------------------------------------------------------------
// Window length in cases: trunc(rint(seconds / interval + 0.9999)), in
// single precision with ties to even: 10 s at 1 s gives 11 cases. 0 when
// the interval is not above 0 or the seconds are not a number.
int32_t ScanWindowPoints(float seconds, float interval);
// Half the block's duration in whole seconds, trunc(0.5 * interval *
// (nPoints + 0.999)); nPoints is EndBlock - BeginBlock.
float DefaultScanSeconds(float interval, int32_t nPoints);
// The remembered interval, or the default when there is none or it is
// longer than the block.
float ProposedScanSeconds(float startsize, float interval, int32_t nPoints);

// Preset buttons 41..53 for a sample interval and a duration of nPoints
// cases: only durations shorter than interval * nPoints, each within its own
// ceiling of the interval. Titles as shown; seconds as written into the
// field ("1" .. "43200", plain digits).
struct IntervalPreset {
  int16_t id;
  const char* title;
  int32_t seconds;
};
std::vector<IntervalPreset> IntervalPresets(float interval, int32_t nPoints);
// Adjust buttons 59 "÷2", 60 "*2", 61 "÷10", 62 "*10", 63 "+.1", 64 "+1",
// 65 "+10"; "+.1" only for intervals below 0.25 s.
struct AdjustButton {
  int16_t id;
  const char* title;
};
std::vector<AdjustButton> IntervalAdjustButtons(float interval);
// The adjusted value (single precision); false for another id.
bool AdjustScanSeconds(int16_t id, float value, float* out);
inline constexpr int16_t kFirstPresetButton = 41, kLastPresetButton = 53;
inline constexpr int16_t kFirstAdjustButton = 59, kLastAdjustButton = 65;

// "scan is" line of the scan window: the duration (points - 1) * interval in
// " seconds" below 600 s, " hours" above 3600 s, else " minutes".
std::string ScanDurationText(int32_t points, float interval);

// ---- The scan -------------------------------------------------------------------
struct ScanRequest {
  int32_t first = 0, last = 0;  // the block, both included
  int32_t length = 1;           // window length in cases (MMLpoints)
  ScanKind kind = ScanKind::Minimum;
  int16_t variant = 0;          // most variable: 0 overall deviation, 1 point-to-point
};

enum class ScanStatus : int8_t {
  Ok = 0,
  NoWindow,    // no window qualifies (interpolated, not a number, level everywhere)
  BadLength,   // window shorter than one case or longer than the block
  BadSpan,     // block outside the data or the flag array
  Cancelled,
};
const char* ScanStatusText(ScanStatus s);

struct ScanResult {
  int32_t begin = 0;     // first case of the window found (MMLBegin)
  double score = 0.0;    // its score by the definition
};

// Called about every 65,536 windows with the fraction done, and while
// windows are scored again by the definition about every 2^26 values read
// with the fraction of them done; false cancels.
using ScanProgress = std::function<bool(double fraction)>;

// The window of the kind over data[first..last]. By definition each window
// is scored from scratch in case order in double (sums; sum * (1 / length
// as a float) for the mean, then the sum of |mean - x|; or the sum of
// |x(k) - x(k-1)|), and a window replaces the best only when strictly
// better. Here every window is first scored in O(log n) by sliding sums and
// order statistics, each with a bound on its distance from the
// definition's score (0 where the block's values lie on a grid coarse
// enough for every sum to be exact, and then the fast scores are the
// definition's); every window whose bound lets it reach the best is scored
// again by the definition. So the window found is always the definition's:
// the best exact score, the earliest only among exactly equal ones.
// With interpolation flags (empty: checking off): minimum and maximum
// compare the means of the cases not flagged (the score is that mean), and
// consider a window only when its last case is not flagged; level and
// variable scans skip windows holding a flagged case. A window holding a
// value that is not finite never qualifies.
ScanStatus ScanWindows(std::span<const float> data, const ScanRequest& req, std::span<const float> interpolation,
                       ScanResult* out, const ScanProgress& progress = {});

// The statistics of a found window, from scratch as shown and written: the
// mean over the cases not flagged (sum / their count), and over all `length`
// cases the extremes and the population SD about that mean.
struct WindowStats {
  double sum = 0.0;        // of the cases used for the mean
  int32_t used = 0;        // their count
  double mean = 0.0;
  float sd = 0.0f;
  float mi = 0.0f, ma = 0.0f;
};
WindowStats ComputeWindowStats(std::span<const float> data, int32_t begin, int32_t length,
                               std::span<const float> interpolation);

// "<label> for channel c at cases b+1 to b+length", numbers as number texts.
std::string ScanResultLine(ScanKind kind, int16_t channel, int32_t begin, int32_t length);
// Field 17 after "Set Block": interval * (length - 1) in seconds below 120,
// else minutes, hours above 120 min, days above 24 h; the number text cut to
// 7 characters plus the unit.
std::string ScanBlockSpanText(float interval, int32_t length);

// ---- Adapters --------------------------------------------------------------------
// Scans channel `channel` of a slot with the current interpolation switch.
ScanStatus ScanChannel(int16_t slot, int16_t channel, const ScanRequest& req, ScanResult* out,
                       const ScanProgress& progress = {});
// Statistics of the window MMLBegin..+MMLpoints of a channel into the result
// globals (meanValue, StandardDeviation, mi, ma, x1float, x2, row 5), with
// nrPoints the count of cases the mean used. False for a window outside the
// channel.
bool StoreWindowStats(int16_t slot, int16_t channel);
// The recorded step: all 28 fields zeroed, field 1 the kind's operation.
void FillScanScriptStep(ScanKind kind, float (&step)[28]);

// The remembered scan interval and its "Re-use This Interval" switch, and
// the "Rescan New Channels" switch.
extern float startsize;
extern int16_t ConstScan;
extern uint16_t ScanNewSelectedChannel;
extern int16_t stINT;
