// "Integrate Over Time": the integral of a channel over the block (or
// between limit cursors) above a chosen baseline, per unit of time, in
// results window 4; the baseline drawn in the block window, the cumulative
// plot (window 250) and the running total.
#pragma once
#include <cstdint>

// The command (Analyze item 6, Autorepeat, script op 28).
int16_t GETAREA();
// Computes and shows the integral over BeginBlock + left .. BeginBlock +
// right (EndBlock when right is 0); eraseOld removes the old baseline line.
void DoAREA(uint16_t eraseOld, int32_t left, int32_t right);
// Draws the baseline line into the block window (XOR), the old one removed
// first when eraseOld.
void DrawAreaLine(float userBase, int16_t eraseOld, int32_t left, int32_t right);
// Removes the stored baseline line when flag is non-zero.
void ERASELINE(uint16_t flag);
// The cumulative plot of the same span in window 250.
void INTPLOT(int32_t left, int32_t right);

inline constexpr int16_t kCumulativePlotWindow = 250;
inline constexpr int16_t kUserBaseField = 111;
inline constexpr int16_t kIntegralField = 112;
inline constexpr int16_t kRunningTotalField = 113;
inline constexpr int16_t kAreaLeftLimit = 124;
inline constexpr int16_t kAreaRightLimit = 123;
inline constexpr int16_t kSumPlotButton = 122;
inline constexpr int16_t kAreaStoreButton = 134;
inline constexpr int16_t kTotalClear = 140, kTotalAdd = 141, kTotalSubtract = 142;
