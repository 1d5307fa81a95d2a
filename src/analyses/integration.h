// Integration of a channel over a block (or the part between two limit
// cursors) above a baseline: zero, the block's first or last value, a
// straight line between them, or a typed value; per second, minute, hour,
// day or as a plain sum. Also the running integral of the cumulative plot
// and the accumulator of successive results. Pure functions over plain
// arrays, plus a few adapters to the store and the result globals.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct IntegrationRequest {
  int32_t first = 0, last = 0;   // cases, both included (first <= last)
  int16_t mode = 54;             // IntegrationMode: 118 start, 119 end, 120 proportional, 121 user, else zero
  int16_t unit = 66;             // IntegrationUnit: 225 none, 66 min, 67 h, 228 days, else s
  float interval = 1.0f;         // s per case
  double userBase = 0.0;         // the typed baseline for mode 121
};

struct IntegrationResult {
  double sum = 0.0;              // of (x - baseline) over the cases used
  double integral = 0.0;         // sum / samples per unit (meanValue)
  int32_t n = 0;                 // cases used (nrPoints)
  double baseStart = 0.0;        // ibase on entry (x(s) - d for the proportional baseline)
  double slope = 0.0;            // d, per case; 0 for a one-case span
  double finalBase = 0.0;        // ibase after the last case
  double samplesPerUnit = 1.0;
};

// Samples per unit, single precision: 1 for "None" (225), 60 / T for 66,
// 3600 / T for 67, 86400 / T for 228, else 1 / T: the scan windows' "None"
// (68) is not this window's and counts as seconds.
double IntegrationSamplesPerUnit(int16_t unit, float interval);
// The unit button that stands for a unit in the integration window: 225,
// 66, 67 and 228 their own, any other "Seconds" (65).
int16_t IntegrationUnitButton(int16_t unit);

// In case order: the proportional baseline advances one step at every case,
// used or not; a case whose selection flag is below 1 (selection not empty)
// adds nothing and is not counted. Interpolated cases are not treated
// specially. False for a span outside the data or the flags.
bool IntegrateSpan(std::span<const float> data, const IntegrationRequest& req, std::span<const float> selection,
                   IntegrationResult* out);

// Running integral c(k) = sum of x - baseline over every case first..k
// (the selection not applied), single precision per case.
std::vector<float> RunningIntegral(std::span<const float> data, const IntegrationRequest& req);

// The cumulative plot of the running integral over the kept cases, in a
// plot area from x 120 to 415 and rows 6 to h - 87: points joined by lines
// below 591 kept cases, else one vertical line per pixel column joined to
// the previous column. A constant integral lies on the middle row; values
// that are not finite are left out.
struct PlotLine {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
struct PlotPoint {
  int x = 0, y = 0;
};
struct CumulativePlot {
  std::vector<PlotLine> lines;
  std::vector<PlotPoint> marks;           // each kept case, when there are 20 or fewer
  double smallest = 0.0, largest = 0.0;   // of the kept running integral
  int32_t kept = 0;
  int zeroY = -1;                         // dotted zero line, -1 when 0 is not strictly inside
};
CumulativePlot LayOutCumulativePlot(std::span<const float> keptValues, int h);
inline constexpr int32_t kColumnEnvelopeFrom = 591;
inline constexpr int32_t kMarkedPointsUpTo = 20;

// The accumulator: "+" adds the integral to the total, "-" subtracts it,
// "Clear" gives 0; the total is kept as a 32-bit float.
enum class AccumulatorOp : int8_t { Clear, Add, Subtract };
float Accumulate(float total, double integral, AccumulatorOp op);

// ---- Adapters --------------------------------------------------------------------
// "Integrate Over Time" is analysis code 9, script operation 28, help 188.
inline constexpr int16_t kIntegrationAnalysisCode = 9;
inline constexpr float kIntegrationScriptOp = 28.0f;
inline constexpr int32_t kIntegrationHelpSubject = 188;

// Integrates channel `channel` of a slot with the current cross-channel
// switch (an index of another file is not applied).
bool IntegrateChannel(int16_t slot, int16_t channel, const IntegrationRequest& req, IntegrationResult* out);
// meanValue, nrPoints, BGA, EDA and the baseline `ibase`.
void StoreIntegrationResult(const IntegrationRequest& req, const IntegrationResult& r);
void FillIntegrationScriptStep(float (&step)[28]);

// The current baseline value; its last value is offered as the typed
// baseline when the window opens again.
extern double ibase;
