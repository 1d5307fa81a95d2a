// Descriptive statistics of one channel over a span of cases: mean,
// population standard deviation, extremes and count, with the two case
// filters (interpolated cases, the cross-channel subset) and an optional
// inclusive value range; and the arithmetic of the limit cursors that narrow
// the span. Pure functions over plain arrays, plus a few adapters to the
// store and the result globals.
#pragma once
#include <cstdint>
#include <span>

// Which cases are skipped. Each span holds one flag per case, indexed by the
// case; an empty span turns that filter off.
struct CaseFilter {
  std::span<const float> interpolation;   // skip where the flag is non-zero
  std::span<const float> selection;       // skip where the flag is 0
  bool active() const { return !interpolation.empty() || !selection.empty(); }
};

// Only values lo <= x <= hi count (both bounds included).
struct ValueRange {
  bool on = false;
  float lo = 0.0f, hi = 0.0f;
};

struct DescriptiveRequest {
  int32_t first = 0, last = 0;   // case indices, both included; swapped when first > last
  ValueRange range;
  float interval = 1.0f;         // s per case, for the duration
};

enum class StatsStatus : int8_t {
  Ok = 0,
  EmptySpan,      // no case left to use: refused, never a NaN mean
  TooFewInRange,  // value-range mode with fewer than 3 cases in range: refused
  BadSpan,        // span outside the data or the flag arrays
};
const char* StatsStatusText(StatsStatus s);

inline constexpr int32_t kMinCasesInRange = 3;

struct DescriptiveStats {
  int32_t first = 0, last = 0;   // the span as used (ordered)
  int32_t n = 0;                 // cases used: the count behind the mean
  double sum = 0.0;              // of the values used
  double mean = 0.0;
  double sumSquares = 0.0;       // of deviations from the mean
  double sd = 0.0;               // population: sqrt(sumSquares / n)
  float mi = 0.0f, ma = 0.0f;    // extremes of the values used
  int32_t miCase = 0, maCase = 0;  // first case holding each extreme
  float duration = 0.0f;         // (n - 1) * interval, s, single precision
  // Standard error sd / sqrt(n).
  double se() const;
  // |100 * sd / mean|; false (and *cv untouched) when the mean is 0.
  bool cv(double* out) const;
};

// The statistics of data[first..last]. Accumulated in double; the deviations
// are summed about the mean (per cache-sized chunk, the chunks merged
// exactly), so values far from zero keep their spread. Without filters and
// range the span is read in one streaming pass; `fused` false reads each
// chunk twice in passes of its own instead (the tests hold both to one result).
StatsStatus ComputeDescriptive(std::span<const float> data, const DescriptiveRequest& req,
                               const CaseFilter& filter, DescriptiveStats* out, bool fused = true);

// Bounds of the value-range mode: the block window's range, each side
// replaced by the typed number when its switch is on.
ValueRange RangeBounds(float blockMinY, float blockMaxY, bool minFromField, double typedMin,
                       bool maxFromField, double typedMax);

// ---- Limit cursors ---------------------------------------------------------------
// Pixels per case of the block window, RightLim / (EndBlock - BeginBlock)
// in single precision; 0 for a one-case block.
float LimitPixelsPerCase(int16_t rightLim, int32_t beginBlock, int32_t endBlock);
// A click at pixel x snaps to the nearest case: the offset in cases from
// BeginBlock (clamped to the block) and the pixel where that case's shading
// starts.
struct LimitSnap {
  int32_t offset = 0;
  int16_t x = 0;
};
LimitSnap SnapLimit(int16_t x, int16_t rightLim, int32_t beginBlock, int32_t endBlock);
// Pixel of a limit already set at offset cases from BeginBlock.
int16_t LimitPixel(int32_t offset, int16_t rightLim, int32_t beginBlock, int32_t endBlock);
// The span the limits leave: BeginBlock + leftOffset .. BeginBlock +
// rightOffset, a limit not set leaving the block's own edge; ordered when
// the left limit lies right of the right one.
struct CaseSpan {
  int32_t first = 0, last = 0;
};
CaseSpan LimitedSpan(int32_t beginBlock, int32_t endBlock, bool leftSet, int32_t leftOffset, bool rightSet,
                     int32_t rightOffset);
// A click inside the block window's plot region (0 < x < RightLim,
// 1 <= y <= UpperLimit) sets a limit; others beep.
bool InsideLimitRegion(int16_t x, int16_t y, int16_t rightLim, int16_t upperLimit);

// ---- Adapters --------------------------------------------------------------------
// Descriptive statistics are analysis code 1, script operation 12, help page
// 186, result topic 2.
inline constexpr int16_t kStatsAnalysisCode = 1;
inline constexpr float kStatsScriptOp = 12.0f;
inline constexpr int32_t kStatsHelpSubject = 186;
inline constexpr int16_t kStatsRow = 5;

// The filters the switches ask for, over the BackupCache flag regions of the
// current file (cases 0..caseCount). The cross-channel flag of case 0 is the
// region's count word, as the regions are laid out. Fails (false) only when
// memory for a region runs out.
bool CurrentCaseFilter(bool avoidInterpolation, bool useCrossChanIndex, int32_t caseCount,
                       CaseFilter* out);

// The statistics of channel `channel` of a slot with the current switches
// (AvoidInterpolation, UseCrossChanIndex); BadSpan for a missing channel.
StatsStatus ComputeChannelDescriptive(int16_t slot, int16_t channel, const DescriptiveRequest& req,
                                      DescriptiveStats* out);

// Leaves a result where the panel and the results writer read it:
// meanValue, StandardDeviation (f32), nrPoints, nPoints, mi, ma, BGA, EDA,
// x1float, x2, row = 5, Analysis_Code = 1, testslopeon = 0. Call only with a
// result whose status was Ok; a refused computation leaves the previous
// result in place by not calling this.
void StoreDescriptiveResult(const DescriptiveStats& s);

// The recorded script step of the command: all 28 fields zeroed (so that a
// reused slot carries nothing stale into replay), field 1 the operation 12.
void FillStatsScriptStep(float (&step)[28]);

// Slope-test switch of the regression subsystem; the descriptive statistics
// clear it. Defined here until that subsystem lands.
extern int16_t testslopeon;
