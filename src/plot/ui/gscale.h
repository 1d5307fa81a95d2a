// Picking a Y level in the plot of the current file with the mouse.
#pragma once
#include <cstdint>

// Field of window 4 that follows the level when mode is 1.
inline constexpr int16_t kGscaleField = 111;

// A horizontal line follows the pointer over the plot area (rows 20 to
// BottomOfPlotArea - 3); the value under it is minimumValue + (maximumValue -
// minimumValue) / PlotHeight * (BottomOfPlotArea - (y + 8)), shown as "value"
// and the number in the data bar, and with a mode other than 0 also in
// field 111 of window 4, which is brought back to the front at the end. A
// click within those rows fixes it and returns it with "tick"; clicks on the
// frame's bottom rows are ignored. The close box or Escape gives up the pick:
// *picked false, the value last shown returned. Plays "brrrp" first. Without
// a plot window it returns minimumValue at once.
float GetGscale(uint16_t mode, bool* picked = nullptr);
// The value at row y of the plot area.
float GscaleValue(int y);
