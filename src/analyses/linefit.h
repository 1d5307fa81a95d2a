// Straight-line least-squares fits over a block: one channel against elapsed
// time, or one channel against another, optionally on base-10 logarithms;
// their residuals, predictions and the texts of the statistics panel. Pure
// functions over plain arrays, plus a few adapters to the store and the
// result globals.
#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "analyses/descriptive.h"

// log10 as the fits take it: ln(v) x 0.434294, kept in single precision.
float FitLog10(float v);

// Models of the regression (UseLogY): which axes are fitted as logarithms.
inline constexpr int16_t kModelLinear = 0, kModelLogY = 1, kModelLogX = 2, kModelLogLog = 3;
inline bool ModelLogY(int16_t m) { return m == kModelLogY || m == kModelLogLog; }
inline bool ModelLogX(int16_t m) { return m == kModelLogX || m == kModelLogLog; }

// What one fit reads. X is either a channel (x non-empty) or the elapsed time
// from the block start, (k - first) x timeFactor, so that a block far into
// the file keeps its precision. Logarithms apply over first..last only.
struct LineFitRequest {
  int32_t first = 0, last = 0;   // case indices, both included
  std::span<const float> x;      // empty: time axis
  double timeFactor = 1.0;       // time units per case
  std::span<const float> y;
  bool logX = false, logY = false;
  CaseFilter filter;             // skipped cases
  // The fitted X and Y of case k.
  double xAt(int32_t k) const;
  float yAt(int32_t k) const;
};

struct LineFit {
  int32_t n = 0;                   // included cases
  double xMean = 0.0, yMean = 0.0;
  double sxx = 0.0, syy = 0.0, sxy = 0.0;   // centred sums
  float b = 0.0f;                  // Sxy / Sxx, single precision
  float a = 0.0f;                  // yMean - b xMean with b as stored
  float r2 = 0.0f;                 // (Sxy^2 / Sxx) / Syy
};

enum class FitStatus : int8_t {
  Ok = 0,
  BadSpan,    // span outside the data or the flag arrays
};

// The sums in double, chunk by chunk about each chunk's means, the chunks
// merged exactly (as ComputeDescriptive does), so large offsets in X or Y
// keep their spread. Degenerate fits (n < 3, Sxx = 0, values or logarithms
// that are not finite) still return their non-finite b and r^2;
// SlopeTestRefusal says why nothing can be tested.
FitStatus FitLine(const LineFitRequest& req, LineFit* out);

// What the line and polynomial windows show for r^2 (NaN) when Y does not
// vary: a fit of a constant has nothing to explain.
inline constexpr const char* kConstantYR2Text = " none: Y is constant";

// Why the slope of a fit cannot be tested: "too few points" (n < 3), "data
// not finite" (a sum is NaN or infinite), "no variation in X" (Sxx = 0), or
// nullptr when it can.
const char* SlopeTestRefusal(int32_t n, double sxx, double sxy, double syy);

// ---- Slope over time ------------------------------------------------------------
// Time units per case for TimeUnits 0 seconds, 1 minutes, 2 hours, 3 days
// (the interval divided by 60, 3600, 86400); other values count as seconds.
double TimeUnitFactor(int16_t timeUnits, float interval);
const char* TimeUnitText(int16_t timeUnits);   // "seconds", "minutes", "hours", "days"
// Intercepts of a fit whose X counts from the block start: at time 0 (case 0
// of the file) and at the first case of the block.
struct TimeIntercepts {
  float atZero = 0.0f;    // avalx
  float atBlock = 0.0f;   // ValueOfA
};
TimeIntercepts TimeSlopeIntercepts(const LineFit& fit, int32_t beginBlock, double timeFactor);

// ---- Regression extras ----------------------------------------------------------
// Extremes of the raw X and Y over the included cases, NaN taking no part;
// 9e30 / -9e30 for an axis with none.
struct FitExtremes {
  float xMin = 9e30f, xMax = -9e30f, yMin = 9e30f, yMax = -9e30f;
};
FitExtremes RegressionExtremes(std::span<const float> x, std::span<const float> y, int32_t first, int32_t last,
                               const CaseFilter& filter);
// A left-over log model that the data cannot carry (X or Y minimum 0 or
// below) falls back to linear, as the model window would have offered.
int16_t AllowedModel(int16_t model, const FitExtremes& e);
// The model the cases a request fits can carry: a logarithm needs every
// included value of its axis above 0 (the time axis starts at 0, so never
// log time). Otherwise, or for an unknown model, linear. Checked on the
// data fitted, so that a channel switch or a new selection cannot slip a
// logarithm of 0 or below into the fit.
int16_t CarriedModel(const LineFitRequest& req, int16_t model);

// Residual of case k: every case of the block, none skipped. X is the fitted
// X (time from the block start, or the channel, log10 under log X).
struct ResidualRow {
  double x = 0.0;
  float y = 0.0f, predicted = 0.0f, residual = 0.0f;
};
ResidualRow ResidualAt(const LineFitRequest& req, int32_t k, float a, float b);
struct ResidualRange {
  float rMin = 1e31f, rMax = -1e31f;
  double xMin = 1e31, xMax = -1e31;
};
ResidualRange ResidualsRange(const LineFitRequest& req, float a, float b);

// Scales of the residuals plot (frame 100..567 x 2..298): a residual r lies
// at row (rTop - r) vscale + 2, a case at column 101 + (offset - xFrom)
// hscale, offset being k - first (mode 0) or X (mode 1). A zero range (a
// perfect fit, one case, constant X) counts as 1 and centres the points.
struct ResidualPlotScale {
  double vscale = 296.0, rTop = 0.5;
  double hscale = 1.0, xFrom = -232.0;
};
ResidualPlotScale ResidualPlotScaleOf(const ResidualRange& rr, bool timeMode, int32_t first, int32_t last);

// A scaled pixel coordinate rounded and held within +-30000, so that a wild
// or non-finite value never overflows the conversion (non-finite: -30000).
int PixelOf(double v);

// The residuals file: header "X  value" (withChannelX) or "time", then "Y
// value", "predicted", "residual", one tab between, LF line ends; one row per
// case of the block. Written through a temporary file; 0, or the error
// number when anything failed (the target is then left as it was).
int WriteResidualsFile(const std::filesystem::path& path, const LineFitRequest& req, float a, float b,
                        bool withChannelX);
std::string ResidualsHeader(bool withChannelX);

// Predictions with the fitted line: Y = X b + a, X = (Y - a) / b, in single
// precision.
float PredictY(float x, float a, float b);
float PredictX(float y, float a, float b);

// ---- Panel texts -----------------------------------------------------------------
// The probability of a slope test as the panel shows it: " < .00001" at the
// floor, otherwise "#.#######".
std::string SlopeZeroProbText(float p);
// Field 110: "is < .00001" at the floor, else "is" and the number.
std::string SlopeTestProbText(float p);
// Highlight when p < 0.05 (0.05 itself is not).
inline bool SignificantProb(float p) { return p < 0.05f; }
// " model:  " ["log "] CR "Y = a + b * (elapsed time in <unit>)           "
std::string TimeSlopeModelText(int16_t timeUnits, bool logY);
// "Y = a + b * X", "log Y = a + b * X", "Y value = a + b * log X", "log Y = a + b * log X".
const char* RegressionModelText(int16_t model);
// The prediction window's "regression type:" text; timeAxis for the slope
// over time.
const char* PredictionTypeText(int16_t model, bool timeAxis);

// ---- Adapters ---------------------------------------------------------------------
// Slope over time is analysis code 5, script operation 16, help page 192,
// topic 7; the regression 6, 17, 193, 8.
inline constexpr int16_t kSlopeAnalysisCode = 5;
inline constexpr int32_t kSlopeHelpSubject = 192;
inline constexpr int16_t kRegressionAnalysisCode = 6;
inline constexpr int32_t kRegressionHelpSubject = 193;
// Blocks of this many cases or more show the long-plot notice.
inline constexpr int32_t kLongPlotCases = 40001;

// Intercept of the slope over time at time 0 (case 0 of the file).
extern float avalx;
// Extremes of the regression's raw X over the included cases (its Y
// extremes go to BlockMinY / BlockMaxY).
extern float minx1, maxx1;

// Leaves a fit where the panel, TestSlope and the results writer read it:
// sumx2, sumy2, sumxy, ValueOfB, rsquared, ValueOfA (= fit.a), nPoints.
void StoreLineFit(const LineFit& fit);

// The request over channels of a file slot: Y channel yChannel against X
// channel xChannel (0: the time axis, timeFactor left at 1), first..last
// ordered, with the interpolation filter when AvoidInterpolation is on and,
// with useSelection, the cross-channel selection when UseCrossChanIndex is
// on. False for a missing channel, a span outside the data or no memory
// for a flag region.
bool ChannelFitRequest(int16_t slot, int16_t xChannel, int16_t yChannel, int32_t first, int32_t last,
                       bool useSelection, LineFitRequest* out);
