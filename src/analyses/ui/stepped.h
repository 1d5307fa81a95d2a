// "Stepped Sampling...": the window that lays blocks around a start point,
// its step plot and scatter plot (window 22) and its results file.
#pragma once
#include <cstdint>

// Controls of window 4 while it shows the stepped-sampling window.
inline constexpr int16_t kStepLeftFile = 40, kStepLeftAt = 41, kStepLeftField = 42;
inline constexpr int16_t kStepRightFile = 43, kStepRightAt = 44, kStepRightField = 45;
inline constexpr int16_t kStepStartCentre = 46, kStepStartAt = 47, kStepStartField = 48;
inline constexpr int16_t kStepBlockField = 50, kStepSkipField = 51, kStepSeconds = 52, kStepSamples = 53;
inline constexpr int16_t kStepShowBlue = 55, kStepShowRed = 56, kStepShowGray = 57;
inline constexpr int16_t kStepSave = 60, kStepPlot = 61, kStepScatter = 62, kStepHelp = 63, kStepDone = 64;
inline constexpr int16_t kStepChannelBase = 100;   // button 100 + c is channel c
inline constexpr int16_t kStepPlotWindow = 22;
inline constexpr int16_t kStepChooserOk = 70;      // "OK - Plot" of the scatter chooser (window 6)
inline constexpr int16_t kStepHelpSubject = 202;

int16_t AUTOCORRELATE();
