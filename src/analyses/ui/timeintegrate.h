// "Time Integration", "Event Counting" and "Selective Integration": one
// window (results window 4) over the block of the active channel, with the
// level limits typed, set to the block's extremes or picked with the mouse.
#pragma once
#include <cstdint>

// kind 0 time within limits, 1 event counting, 2 selective integration.
void TIMEINTEGRATE(int16_t kind);

// Lets the user pick a level in the block window with a horizontal line
// that follows the pointer; a press inside ends it. The level goes to
// `trigger` and, by mode, to field 101 (1) or 103 (2) of window 4, or field
// 109 of window 6 (any other mode). colour is a kit pen colour 0..7.
void GetTRIGGER(int16_t colour, int16_t mode);
extern float trigger;

// Last limits of the window; 0 means none. They live for the session.
extern float LastPosSelectiveLimit, LastNegSelectiveLimit;

inline constexpr int16_t kTimeIntAnalysisCode = 12;
inline constexpr int16_t kEventAnalysisCode = 13;
inline constexpr int16_t kSelectiveAnalysisCode = 16;
inline constexpr int32_t kTimeIntHelpSubject = 196;

// Control ids of window 4.
inline constexpr int16_t kLimitGreaterField = 101;
inline constexpr int16_t kLimitLessField = 103;
inline constexpr int16_t kLimitResultField = 102;
inline constexpr int16_t kLimitShareField = 104;
inline constexpr int16_t kTriggerField = 109;
inline constexpr int16_t kLimitGreaterButton = 218;
inline constexpr int16_t kLimitLessButton = 219;
inline constexpr int16_t kLimitMinimumButton = 220;
inline constexpr int16_t kLimitMaximumButton = 221;
inline constexpr int16_t kLimitPrintButton = 222;
inline constexpr int16_t kLimitRightButton = 223;
inline constexpr int16_t kLimitLeftButton = 224;
inline constexpr int16_t kLimitRecalculate = 245;
inline constexpr int16_t kLimitSwitchKind = 230;
inline constexpr int16_t kEventFilterBox = 225;
inline constexpr int16_t kEventMinField = 115;
inline constexpr int16_t kEventCountAllBox = 226;
inline constexpr int16_t kEventSaveButton = 227;
inline constexpr int16_t kEventRateMenu = 137;
// Duration statistics: mean, S.D., min, max of upper (110..113) and lower
// (120..123) events.
inline constexpr int16_t kUpperStatsFirst = 110;
inline constexpr int16_t kLowerStatsFirst = 120;
