// "Waveform...": peaks and valleys of the block of the active channel, the
// period and amplitude read-out in results window 4, and the wave-shape
// statistics with their histograms, printed page and data file.
#pragma once
#include <cstdint>

#include "analyses/waveform.h"

// The command (menu Analyze item 11, Autorepeat code 4).
void WAVEFORM();
// The period area of window 4: mean period P and its SD (s), N peaks, in
// the unit of pop-up 62.
void PrintWavePERIOD(float P, float sd, int16_t n, int16_t unit);
// The wave-shape windows; 1 when the user has finished with them.
int16_t WaveShapeStats();
// The tables and results of the last run.
const WaveResult& LastWaveResult();

inline constexpr int16_t kWaveAnalysisCode = 4;
inline constexpr int16_t kWaveRunningCode = 99;
inline constexpr int32_t kWaveHelpSubject = 189;
extern float WFabort;   // 0 go on, 10 stay in the dialog, 2 cancelled

// Trigger dialog (window 6).
inline constexpr int16_t kWaveSkipField = 101;
inline constexpr int16_t kWaveDefaultTriggers = 1;
inline constexpr int16_t kWaveUseCursor = 2;
inline constexpr int16_t kWaveCancel = 5;
inline constexpr int16_t kWaveSmooth = 6;
inline constexpr int16_t kWaveBlockSmooth = 7;
inline constexpr int16_t kWaveNormalRadio = 8;
inline constexpr int16_t kWaveHighLowRadio = 9;
inline constexpr int16_t kWaveHelp = 10;
inline constexpr int16_t kWaveContinue = 11;   // with preference word 37: the picked levels shown
// Results window 4.
inline constexpr int16_t kWaveUnitPopup = 62;
inline constexpr int16_t kWavePeriodField = 120;
inline constexpr int16_t kWavePeriodSDField = 121;
inline constexpr int16_t kWavePeriodCVField = 122;
inline constexpr int16_t kWaveAmplitudeField = 123;
inline constexpr int16_t kWaveAmplitudeSDField = 124;
inline constexpr int16_t kWaveAmplitudeCVField = 125;
inline constexpr int16_t kWavePeakMeanField = 666;
inline constexpr int16_t kWaveValleyMeanField = 667;
inline constexpr int16_t kWaveNoPeriodLabel = 430;
inline constexpr int16_t kWaveNoAmplitudeLabel = 431;
inline constexpr int16_t kWaveCautionLabel = 432;
inline constexpr int16_t kWaveResetTriggers = 8;
inline constexpr int16_t kWaveShapeButton = 9;
inline constexpr int16_t kWavePrint = 7;   // only with a results destination
// Wave-shape windows: 6 the statistics, 7 the histograms.
inline constexpr int16_t kWaveHistogramWindow = 7;
inline constexpr int16_t kShapeHistogramsButton = 1;
inline constexpr int16_t kShapeRiseLine = 440;     // 440..441 rise, 442..443 decay
inline constexpr int16_t kShapeRatioLabel = 444;
inline constexpr int16_t kShapeProbLabel = 445;
inline constexpr int16_t kWaveDataPopup = 60;
inline constexpr int16_t kWaveBarsPopup = 61;
inline constexpr int16_t kWaveBarWidthField = 101;
inline constexpr int16_t kWaveLowField = 102;
inline constexpr int16_t kWaveHighField = 103;
inline constexpr int16_t kWavePeaksField = 104;
inline constexpr int16_t kWaveDone = 20;
inline constexpr int16_t kWavePrintGraph = 24;
inline constexpr int16_t kWaveSaveData = 25;
inline constexpr int16_t kWaveSqrtScale = 26;
inline constexpr int16_t kWaveHistHelp = 27;
