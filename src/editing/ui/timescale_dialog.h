// File > Append or Stack > "Time Scale Adjustment…": re-samples the whole
// file to a new sample interval, after a warning that it cannot be undone
// and the offer to save a copy first.
#pragma once
#include <cstdint>

inline constexpr int16_t kTimeScaleWindow = 20;
inline constexpr int16_t kTimeScaleCancel = 1;     // the default button: Return cancels
inline constexpr int16_t kTimeScaleOK = 2;
inline constexpr int16_t kTimeScaleCopy = 3;       // "Make a Copy First"
inline constexpr int16_t kTimeScaleHelpButton = 4;
inline constexpr int16_t kTimeScaleField = 21;
inline constexpr int16_t kTimeScaleCurrent = 22;
inline constexpr int32_t kTimeScaleHelp = 240;

void AdjustTimeScale();
