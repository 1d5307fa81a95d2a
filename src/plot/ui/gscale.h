// Picking a Y level in the plot of the current file with the mouse.
#pragma once
#include <cstdint>

// Field of window 4 that follows the level when mode is 1.
inline constexpr int16_t kGscaleField = 111;

// A horizontal line follows the pointer over the plot area; the value under
// it is minimumValue + (maximumValue - minimumValue) / PlotHeight *
// (BottomOfPlotArea - (y + 8)), shown in field 111 of window 4 with mode 1.
// A click within the plot area fixes it and returns it; the line goes. Plays
// "brrrp" first. Without a plot window it returns minimumValue at once.
float GetGscale(uint16_t mode);
// The value at row y of the plot area.
float GscaleValue(int y);
