// "FFT...": choose an interval and a block on the plot, then read, smooth,
// zoom, copy and save the magnitude spectrum drawn in the plot window. The
// file itself is left exactly as it was shown.
#pragma once
#include <cstdint>

// Controls of window 4 while it shows the spectrum window; interval buttons
// 7..18 stand for 2^id samples.
inline constexpr int16_t kFftSmooth = 20, kFftCopy = 21, kFftZoomOut = 22, kFftZoomIn = 23, kFftSave = 24;
inline constexpr int16_t kFftDo = 25, kFftExit = 26, kFftNewInterval = 27, kFftHistogram = 28;
inline constexpr int16_t kFftUnitPopup = 62, kFftStatusField = 102, kFftReadoutField = 103;
inline constexpr int16_t kFftHelpSubject = 191;

int16_t FFT();
