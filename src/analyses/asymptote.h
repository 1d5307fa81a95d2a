// The level an exponential approach tends to: the asymptote a that makes
// ln|y - a| straightest against the case number, by a bracketing search, and
// the rates derived from the fitted slope. Pure functions over plain arrays,
// plus an adapter to the result globals.
#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "analyses/polyfit.h"
#include "output/results.h"

inline constexpr int16_t kAsymptoteAnalysisCode = 14;
inline constexpr int32_t kAsymptoteHelpSubject = 194;
inline constexpr int kMinAsymIterations = 6, kMaxAsymIterations = 50, kDefaultAsymIterations = 12;
// Outward expansion steps before the search gives up.
inline constexpr int kMaxAsymExpansion = 60;
// Nor does it look further than this many block ranges beyond the block's
// extreme: there, single-precision logarithms cannot tell the approach from a
// straight line, and rounding alone would end the expansion.
inline constexpr float kMaxAsymDistance = 100.0f;
// Residuals are kept for blocks with End - Begin up to this.
inline constexpr int32_t kMaxAsymResidualSpan = 200000;

// One trial: z(k) = ln|y(k) - a| in single precision regressed on k.
struct AsymTrial {
  float a = 0.0f;            // the trial asymptote
  double r2 = 0.0;           // Sxy^2 / Sxx / Szz
  float slope = 0.0f;        // per case
  float intercept = 0.0f;    // at case 0: mean z - mean k x slope
  double sxx = 0.0, sxy = 0.0, szz = 0.0;
  int32_t n = 0;
};
// One fused pass (Sxx in closed form for consecutive cases); z is written
// to zOut[k] when zOut is not empty (indexed by case). first <= last, inside y.
AsymTrial FindR2(std::span<const float> y, int32_t first, int32_t last, float a, std::span<float> zOut = {});

// ln|y - a| in single precision, branch-free so that a pass vectorises;
// within 2 ulp of std::log for normal positive arguments.
float FastLogAbs(float v);

enum class AsymStatus : int8_t {
  Ok = 0,
  BadSpan,
  TooFewCases,     // a one-case block
  Constant,        // no change over the block
  NoAsymptote,     // the expansion never turned (or overflowed)
  Cancelled,
};
const char* AsymStatusText(AsymStatus s);

struct AsymResult {
  float asymptote = 0.0f;    // V, the best point
  double bestR2 = 0.0;
  int iterations = 0;        // clamped to 6..50
  int expansionSteps = 0;
  bool rising = false;       // y(last) > y(first)
  float blockMin = 0.0f, blockMax = 0.0f;
  AsymTrial last;            // the last trial fitted (its slope is the one reported)
};
// Iterations clamped to 6..50. progress(i, result so far) runs after each
// iteration and returns false to cancel.
using AsymProgress = std::function<bool(int iteration, const AsymResult& sofar)>;
AsymStatus AsymptoteSearch(std::span<const float> y, int32_t first, int32_t last, int iterations, AsymResult* out,
                           const AsymProgress& progress = {});
int ClampAsymIterations(int typed);

// The percentage pop-up: item 1..11 -> ln(1 - p); its title; the item whose
// value lies within 1e-6 of v, else 6 (50 %).
inline constexpr int kPercentItems = 11;
inline constexpr uint16_t kDefaultSlopeID = 6;
float PercentLnFraction(int item);
const char* PercentTitle(int item);
uint16_t PercentItemOf(float lnFraction);

// Rates from the slope per case: AsymptoteRates (output/results.h).
// Field texts: k (|k| for rising data), change with its rate text (">.99999"
// at 0.99999 or more), time with the unit word ("--" when undefined).
struct AsymRateTexts {
  std::string k, change, time;
};
AsymRateTexts AsymptoteRateTexts(const AsymRates& r, bool rising, int16_t timeUnits);

// ---- Adapters ----------------------------------------------------------------
// The result globals the panel, the printout and scripts read: meanValue
// (100 x best r^2), StandardDeviation and sumy2 (asymptote), nrPoints
// (iterations), ValueOfA/ValueOfB, sumx2, sumxy, nPoints, r2 of the last trial.
void StoreAsymptote(const AsymResult& r);
