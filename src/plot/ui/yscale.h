// The View submenu "Scaling [Active Channel]": the automatic modes, the
// typed-limits dialog and the scaling palette over the plot.
#pragma once
#include <cstdint>

inline constexpr int16_t kManualScaleWindow = 9;
inline constexpr int16_t kManualScaleDone = 3, kManualScaleInteractive = 4;
inline constexpr int16_t kManualScaleMin = 101, kManualScaleMax = 102;
inline constexpr int16_t kScalePaletteWindow = 11;
inline constexpr int16_t kScalePaletteUpper = 1, kScalePaletteLower = 2, kScalePaletteExpand2 = 3, kScalePaletteExpand3 = 4;
inline constexpr int16_t kScalePaletteDone = 5, kScalePaletteCancel = 6;

// Items 1 to 3: the active channel gets automatic mode 0, 1 or 2 and is
// redrawn.
void SetActiveScaleMode(uint16_t scaleMode);
// "Manual Scaling…": typed limits for the active channel. A maximum not
// above the minimum, or a limit that is not a number, sounds the end beep
// and keeps the limits the plot shows, as manual limits.
void MANUALSCALING();
// "Set Interactively…": the palette; limits clicked on the plot or the span
// widened two or three times.
void ScaleGRAPHIC();
// The palette's hint under its buttons: odd phases show the text on red,
// even phases only the red box.
void LimitCursorNote(uint16_t phase);
