// Edit "Correct Baseline…" (script operation 3, and before gas exchange when
// the settings ask): a straight or piecewise baseline subtracted from the
// active channel, found automatically, from picks on the plot or from typed
// values; and its periodic window.
#pragma once
#include <cstdint>

inline constexpr int16_t kBaselineHelp = 184;
inline constexpr int16_t kPeriodicWindow = 5;
// Dialog controls (window 4).
inline constexpr int16_t kBaselineAuto = 2;
inline constexpr int16_t kBaselineCursorBoth = 3;
inline constexpr int16_t kBaselineTyped = 4;
inline constexpr int16_t kBaselineConstant = 5;
inline constexpr int16_t kBaselineMultiple = 6;
inline constexpr int16_t kBaselineCursorOne = 7;
inline constexpr int16_t kBaselinePeriodic = 8;
inline constexpr int16_t kBaselineSelectAgain = 9;
inline constexpr int16_t kBaselineOK = 10;
inline constexpr int16_t kBaselineValuesOK = 11;
inline constexpr int16_t kBaselineStartEnd = 12;   // 12, 13, 14: start, end, both
inline constexpr int16_t kBaselineBlockMode = 15;  // 15, 16, 17: block, single point, "Use 1 ±"
inline constexpr int16_t kBaselineSinglePoint = 16;
inline constexpr int16_t kBaselinePlusMinus = 17;
inline constexpr int16_t kBaselineCancel = 18;
inline constexpr int16_t kBaselineHelpButton = 19;
inline constexpr int16_t kBaselineStartField = 111;
inline constexpr int16_t kBaselineEndField = 112;
inline constexpr int16_t kBaselineNField = 114;
inline constexpr int16_t kBaselineHalfWidthField = 199;
// Periodic window controls (window 5).
inline constexpr int16_t kPeriodicMarkers = 1;
inline constexpr int16_t kPeriodicFromBlock = 2;
inline constexpr int16_t kPeriodicStartPoint = 3;
inline constexpr int16_t kPeriodicIntervalOK = 4;
inline constexpr int16_t kPeriodicDefaults = 15;
inline constexpr int16_t kPeriodicLabelField = 111;
inline constexpr int16_t kPeriodicShiftField = 112;
inline constexpr int16_t kPeriodicMinutesField = 113;

extern float auto_block;                 // N of the automatic method
extern float SteppedBaselineInterval;    // minutes of the interval road, this run of the program

// step: 0 from the menu, the toolbar or the gas chain; the step number on
// replay. The undo copy is taken at opening. Returns 0.
int16_t FixTheBASELINE(int16_t step);
