// Baseline correction: the straight baselines A + B k (k a case index) the
// methods find, and their subtraction. Pure functions over plain arrays; the
// dialogs pick the cases.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "shell/store.h"

inline constexpr int16_t kBaselineOp = 3;
// Rows 1..32,301 of the shared work table: picks and regions beyond are refused.
inline constexpr int32_t kMaxBaselineRows = 32301;
// The automatic method needs this many cases (N is at least 3 at each end).
inline constexpr int32_t kMinAutoBaselineCases = 6;

// prefsArray words the baseline dialog and the pickers read.
inline constexpr int kPrefBaselineEnd = 8;      // 12 start, 13 end, 14 both
inline constexpr int kPrefCursorPick = 22;      // 1 block, 0 single point, 10 "Use 1 +/-"
inline constexpr int16_t kBaselineAtStart = 12, kBaselineAtEnd = 13, kBaselineAtBoth = 14;
inline constexpr int16_t kPickBlock = 1, kPickSinglePoint = 0, kPickPlusMinus = 10;

enum class BaselineStatus : int8_t {
  Ok,
  TooFewCases,      // a regression through fewer than 2 cases, or a file too short
  FlatCases,        // every chosen case at one case number: no slope
  TooFewRegions,    // a piecewise baseline needs two regions
  TooManyRegions,   // beyond kMaxBaselineRows
  SpacingTooSmall,  // periodic centres less than one case apart
  NoNumbers,        // a pick or region holds only values that are not numbers
};
const char* BaselineStatusText(BaselineStatus s);

struct BaselineLine {
  float a = 0.0f;  // value at case 0
  float b = 0.0f;  // per case
};

struct RegressionSums {
  double sumx2 = 0.0, sumxy = 0.0, sumy2 = 0.0;
};

// A region or pick: cases first..last; a, b the line through it and the one
// before (unused for the first).
struct BaselineRow {
  int32_t first = 0, last = 0;
  BaselineLine line;
};

// Two picks in case order: the one that starts first becomes pick 1,
// whichever was picked first.
void OrderBaselinePicks(int32_t* b1, int32_t* e1, int32_t* b2, int32_t* e2);
// Least squares through cases b1..e1 and b2..e2 (case numbers as x), the
// picks taken in case order. Sums in double; the deviations from the means
// kept in single precision. Cases outside 0..nCases are not read; values
// that are not numbers (NaN, infinities) are left out, and a pick holding
// nothing else is refused (NoNumbers). Nothing written unless Ok.
BaselineStatus BaselineRegression(const float* data, int32_t nCases, int32_t b1, int32_t e1, int32_t b2, int32_t e2,
                                  BaselineLine* out, RegressionSums* sums = nullptr);
// Mean of the numbers among cases b..e (clipped to 0..nCases); TooFewCases
// when no case lies there, NoNumbers when none holds a number. *mean is
// written only when Ok.
BaselineStatus BaselineMean(const float* data, int32_t nCases, int32_t b, int32_t e, float* mean);

// value - (A + B k) for k = first..last, A + B k in double, stored as float.
void SubtractBaseline(float* data, int32_t first, int32_t last, BaselineLine line);
// Rows 2..n of a piecewise baseline (rows[0] is row 1): row k's line from
// case 1 (k = 2) or the last case of row k - 1 up to one case before the
// last case of row k, the last line on to nCases. Case 0 stays.
void SubtractSegments(float* data, int32_t nCases, const std::vector<BaselineRow>& rows);
// The lines of rows 2..n: each through its region and the one before.
BaselineStatus FitSegments(const float* data, int32_t nCases, std::vector<BaselineRow>* rows);

// The automatic method: N raised to 3, then lowered to nCases / 2 - 1.
float AutoBaselineCount(float n, int32_t nCases);
// Mean of cases 1..N (start), of nCases - N..nCases (end) or a line
// through both, leaving out values that are not numbers. Files shorter than
// kMinAutoBaselineCases are refused, and so is an end holding no numbers.
BaselineStatus AutoBaseline(const float* data, int32_t nCases, float n, int16_t end, BaselineLine* out);
// Typed start and end: the start value at case 0, the end value at nCases.
BaselineLine TypedBaseline(float start, float end, int32_t nCases);

// "Use 1 +/-": the pressed case +/- n, clipped to 1..nCases.
struct CaseSpan {
  int32_t first = 0, last = 0;
};
CaseSpan PlusMinusSpan(int32_t c, int32_t n, int32_t nCases);

// Five-case regions around centres, clipped to 1..nCases; a region with
// fewer than 3 cases inside is skipped.
std::vector<BaselineRow> RegionsAround(const std::vector<int32_t>& centres, int32_t nCases);
// Centres at markers whose code, as a character, is labelCode, shifted by
// shift cases, one per case; a shifted case at or beyond nCases is skipped.
std::vector<int32_t> MarkerCentres(const std::vector<MarkerRecord>& markers, int32_t nCases, int16_t labelCode,
                                   int16_t shift);
// start, start + d, ... up to nCases; SpacingTooSmall for d < 1.
BaselineStatus SpacedCentres(int32_t start, int32_t d, int32_t nCases, std::vector<int32_t>* out);
// Cases between centres minutes apart: trunc(trunc(60 minutes) / interval),
// worked out from the decimals typed (1 minute at 0.1 s is 600 cases); 0
// when either is not above 0.
int32_t IntervalSpacing(float minutes, float interval);
// The whole periodic road: regions, their lines, the subtraction. Nothing
// changes unless Ok.
BaselineStatus PeriodicBaseline(float* data, int32_t nCases, const std::vector<int32_t>& centres, int32_t* regions);

// v truncated toward zero and held to lo..hi; 0 (then held) for NaN.
int32_t TruncatedInRange(float v, int32_t lo, int32_t hi);

// What a script step holds (operation 3).
struct BaselineSettings {
  int16_t method = 0;    // 2 automatic, 3/7 cursor, 4 typed, 5 constant, 6 multiple points, 8 periodic
  float a = 0.0f, b = 0.0f;
  float n = 15.0f;       // N of the automatic method
  int16_t road = 0;      // periodic: 0 markers, 2 from a block, 3 interval
  int16_t markerCode = 'S';
  int16_t shift = 0;
  int32_t spacing = 0;   // block and interval roads, cases
  int32_t start = 0;     // block and interval roads, first centre
  int16_t ends = 0;      // the start/end choice in force (12, 13, 14); 0 the remembered one
};
inline constexpr int16_t kRoadMarkers = 0, kRoadBlock = 2, kRoadInterval = 3;
// Fields 4..10; field 1 is left to the caller. Field 8 holds the road of
// the periodic method and the start/end choice of the others.
void BaselineToScriptStep(const BaselineSettings& s, float* fields);
BaselineSettings BaselineFromScriptStep(const float* fields);

// Comments-log words after the channel heading.
std::string BlockSetLogText(int32_t b, int32_t e, float v);
