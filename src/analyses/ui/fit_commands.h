// "Fit Polynomial…", "Find Asymptote…" and "Basic Time Series…": their
// registrar and entry points.
#pragma once
#include <cstdint>

// Registers the three commands, their Autorepeat re-runs (analysis codes
// 15, 14, 10) and script operations (39, 38, 21).
void RegisterFitCommands();

void FITPOLYNOMIAL();
void ASYMPTOTE();
void TIMESERIES();

// ---- Control ids ----------------------------------------------------------------
// Polynomial window 6.
inline constexpr int16_t kPolyWindow = 6;
inline constexpr int16_t kPolyDegreePopup = 40;
inline constexpr int16_t kPolyCoefField = 100;        // 100 + k: coefficient of X^k, k = 1..9
inline constexpr int16_t kPolyConstantField = 110;
inline constexpr int16_t kPolyResVarField = 111, kPolyR2Field = 112;
inline constexpr int16_t kPolyXLabelField = 113, kPolyYLabelField = 114;
inline constexpr int16_t kPolyMeanXField = 115, kPolyMeanYField = 116;
inline constexpr int16_t kPolyNField = 117;
inline constexpr int16_t kPolyDone = 1, kPolyPick = 2, kPolyNewChannel = 3, kPolyShowAll = 4, kPolyPrint = 5,
                         kPolyHelp = 6;
inline constexpr int16_t kR2HistogramWindow = 250;
// Asymptote window 4.
inline constexpr int16_t kAsymIterField = 102, kAsymValueField = 103, kAsymCDField = 104, kAsymKField = 105,
                         kAsymRateField = 106, kAsymTimeField = 107;
inline constexpr int16_t kAsymPercentPopup = 50;
inline constexpr int16_t kAsymCalculate = 1, kAsymDone = 2, kAsymTimeUnit = 3, kAsymPrint = 4,
                         kAsymShowRegression = 5, kAsymShowResiduals = 6, kAsymHelp = 10;
inline constexpr int16_t kAsymPlotWindow = 250;
// Time-series window 6, the parameters and summary window 12.
inline constexpr int16_t kSeriesWindow = 6;
inline constexpr int16_t kSeriesLagField = 101, kSeriesLagTime = 102, kSeriesStepField = 103,
                         kSeriesStepTime = 104;
inline constexpr int16_t kSeriesPlot = 1, kSeriesPrint = 2, kSeriesDone = 3, kSeriesPeriodicity = 4;
inline constexpr int16_t kSeriesCellLabel = 200;      // 200 + p, p = 1..18
inline constexpr int16_t kPeriodWindow = 12;
inline constexpr int16_t kPeriodKField = 101, kPeriodBlockField = 102, kPeriodText = 120, kPeriodKRangeLine = 306;
inline constexpr int16_t kPeriodOK = 1, kPeriodCancel = 2, kPeriodPresetFirst = 11;   // 11..18
inline constexpr int16_t kSummaryPrint = 1, kSummarySave = 2, kSummaryPeaks = 3, kSummaryThreshold = 101;
