// The result of the analysis that ran last, as every analysis leaves it for
// the results writer: the shared result globals, the topic codes, and a
// snapshot (ResultRecord) that the pure writers format.
//
// `topic`, `PortForResultsOutput` and `Analysis_Code` are declared in
// shell/dispatch.h; `TimeUnits` in datafiles/save.h; `IntegrationUnit`,
// `PolyDegree`, `SignificantFigures` and the tabular flags in
// shell/settings.h; `scalefact` in shell/worktables.h; `VarXX` in
// shell/globals.h.
#pragma once
#include <array>
#include <cstdint>
#include <string>

// ---- Topics (`topic`) ---------------------------------------------------------
inline constexpr int16_t kTopicBasicStats = 2;
inline constexpr int16_t kTopicMeanMinimum = 3;
inline constexpr int16_t kTopicMeanMaximum = 4;
inline constexpr int16_t kTopicRunningAverage = 5;
inline constexpr int16_t kTopicPairDifferences = 6;
inline constexpr int16_t kTopicSlopeVsTime = 7;
inline constexpr int16_t kTopicRegression = 8;
inline constexpr int16_t kTopicWaveform = 9;
inline constexpr int16_t kTopicEffectiveVolume = 10;
inline constexpr int16_t kTopicMostLevel = 11;
inline constexpr int16_t kTopicIntegration = 12;
inline constexpr int16_t kTopicMostVariableSlope = 13;
inline constexpr int16_t kTopicMostVariablePoint = 14;
inline constexpr int16_t kTopicTimeIntegration = 15;
inline constexpr int16_t kTopicEventCounter = 16;
inline constexpr int16_t kTopicAsymptote = 17;
inline constexpr int16_t kTopicPolynomial = 18;
inline constexpr int16_t kTopicSelectiveIntegration = 22;
inline constexpr int16_t kTopicFirst = 2;
inline constexpr int16_t kTopicLast = 22;

// ---- Destinations (`PortForResultsOutput`) ---------------------------------------
inline constexpr int16_t kPortNone = 0;
inline constexpr int16_t kPortTextFile = 4;
inline constexpr int16_t kPortTabular = 5;
inline constexpr int16_t kPortSpool = 6;

// ---- Button ids that double as settings ---------------------------------------------
inline constexpr int16_t kUnitSeconds = 65, kUnitMinutes = 66, kUnitHours = 67, kUnitNone = 68;
inline constexpr int16_t kUnitDays = 228, kUnitNoneIntegration = 225;
inline constexpr int16_t kBaseZero = 54, kBaseBlockStart = 118, kBaseBlockEnd = 119;
inline constexpr int16_t kBaseLinear = 120, kBaseUserSet = 121;

// ---- Result globals -------------------------------------------------------------
// Block statistics (descriptive statistics, scans, integration, picks).
extern double meanValue;
extern float StandardDeviation;
extern int32_t nrPoints;
extern float mi, ma;              // min / max; upper and lower limit for 15, 16, 22
extern float x1float, x2;         // first and last case of the result
extern int32_t BGA, EDA;          // first and last case actually analysed
extern int32_t MMLBegin, MMLpoints;
extern int16_t InCH;              // channel a scan used
extern int16_t ch;                // analysed channel
extern int16_t Rscale;            // result scaling on
extern int16_t IntegrationMode;   // baseline button id, default 54 (zero)
// Regression and slope over time.
extern float ValueOfA, ValueOfB, rsquared;
extern int32_t nPoints;
extern int16_t UseLogY;           // 1 log Y, 2 log X, 3 both, else linear
extern float Pslope, SlopeZeroProb, SlopeTestProb;
extern double sumxy, sumx2, sumy2;
extern float slope, prob;
extern int16_t Chan1, chan2;
// Polynomial: cc[1] highest-degree coefficient .. cc[degree + 1] constant,
// cc[15] r squared.
extern double cc[16];
// Asymptote: 1..10 for 1, 5, 10, 25, 33, 50, 67, 75, 90, 95 per cent.
extern uint16_t SlopeID;
extern int16_t upslope;           // 1: the fitted block rose (its rate shows as |k|)
// Waveform.
extern float P, dn, dw, ds, vn;
extern float FloatA;              // 1 amplitudes to the prior valley, else following
extern float dxx;                 // SD of the amplitudes (tabular row)
// Number of periods the waveform analysis measured; the PERIOD line prints
// it (nothing else hands the writer a cycle count).
extern int32_t WavePeriodCount;
// Pair differences and running average.
extern float tmFloat, ts, tmi, tma;
extern int16_t REnd;              // picked values, at most 200
// Output bookkeeping.
extern uint16_t Nresults;         // results saved since the last print-and-close
extern int16_t NResultsPrinted;   // results on the current tabular row
extern int16_t NMultipleResults;  // results per tabular row, 2..15

// ---- Snapshot ------------------------------------------------------------------------
// Everything a layout reads, so the writers are pure functions.
struct ResultRecord {
  int16_t topic = 0;
  int16_t digits = 5;               // SignificantFigures
  // The file.
  std::string fileName;
  std::string startDate;            // "mm-dd-yyyy"
  std::string startTime;            // "hh:mm:ss"
  float interval = 1.0f;            // s
  float startMinutes = 0.0f;        // minutes of the day
  float flow = 0.0f;                // ml/min
  float mass = 0.0f;                // g
  int32_t beginBlock = 0, endBlock = 0;
  // The channel.
  int16_t ch = 1;
  std::string label;                // 30 bytes, blank-padded
  // Block statistics.
  double meanValue = 0.0;
  float sd = 0.0f;
  int32_t nrPoints = 0;
  float mi = 0.0f, ma = 0.0f;
  float x1 = 0.0f, x2 = 0.0f;
  int32_t bga = 0, eda = 0;
  int32_t mmlBegin = 0, mmlPoints = 0;
  int16_t inCh = 0;
  // Result scaling of ch.
  bool rscale = false;
  float scaleOp = 1.0f, scaleFactor = 1.0f, scaleOffset = 0.0f;
  // Integration.
  int16_t integrationUnit = kUnitMinutes;
  int16_t integrationMode = kBaseZero;
  float valueAtBGA = 0.0f, valueAtEDA = 0.0f;   // channel ch at BGA / EDA
  std::string userBaselineText;                 // field 111 of window 4
  // Regression.
  float valueOfA = 0.0f, valueOfB = 0.0f, rsquared = 0.0f;
  int32_t nPoints = 0;
  int16_t useLogY = 0;
  float pslope = 0.0f, slopeZeroProb = 1.0f, slopeTestProb = 1.0f;
  int16_t chan1 = 1, chan2 = 1;
  std::string chan2Label, chan1Label;
  int16_t timeUnits = 0;
  // Polynomial.
  std::array<double, 16> cc{};
  int16_t polyDegree = 1;
  // Asymptote (asymptote in sumy2, iterations in nrPoints, C.D. in meanValue).
  double sumy2 = 0.0;
  float slope = 0.0f;
  uint16_t slopeID = 0;
  bool rising = false;
  // Waveform.
  float P = 0.0f, dn = 0.0f, dw = 0.0f, ds = 0.0f, vn = 0.0f, floatA = 0.0f, dxx = 0.0f;
  int32_t wavePeriods = 0;
  // Pair differences / running average.
  float tmFloat = 0.0f, ts = 0.0f, tmi = 0.0f, tma = 0.0f;
  int16_t rEnd = 0;
  // Event counter: texts of edit fields 2, 4, 10..13, 20..23 of window 4,
  // indexed by field id.
  std::array<std::string, 24> eventFields{};
};

// The result globals and the file they came from (ResultFileSlot) as a record. The
// texts that live in window 4 (userBaselineText, eventFields) are left empty:
// the caller fills them from the window.
ResultRecord CaptureResult();

// Rates of an asymptote fit from its slope per case of ln|asymptote - y|:
// k = (unit seconds / interval) x slope per time unit (timeUnits 1 minutes,
// 2 hours, 3 days, else seconds), change = 1 - e^k per unit, time for the
// change whose ln(1 - p) is lnFraction = lnFraction / k. Single precision,
// as the window shows them. The window, the text file and the tabular file
// show k as |k| for a rising block and the time as |time|.
struct AsymRates {
  float k = 0.0f;
  float change = 0.0f;
  float time = 0.0f;
  bool timeDefined = false;  // k != 0
};
AsymRates AsymptoteRates(float slopePerCase, float interval, int16_t timeUnits, float lnFraction);
float AsymptoteShownK(const AsymRates& r, bool rising);
// 1 "minute", 2 "hour", 3 "day", else "second".
const char* AsymptoteUnitWord(int16_t timeUnits);
// The percentage of SlopeID: 1..10 "1" .. "95", any other "99".
const char* AsymptotePercentText(uint16_t slopeID);

// TestSlopeProbability on the result globals: nPoints, sumxy, sumx2, sumy2,
// ValueOfB and slope in; prob out (NaN when not computed).
void TestSlope();

// What the writers leave in the globals: for topics 7 and 8 the slope test
// runs with slope 0 and with Pslope (the printed probabilities stay the
// stored ones) and `slope` ends equal to Pslope; for topic 9 the amplitude
// variance goes to VarXX.
void ApplyWriterSideEffects(int16_t topic);
