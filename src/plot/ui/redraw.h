// The graded redraw entries every command calls after it changed data,
// scale, channel or block; each covers one kind of change at the least cost.
// All act on TheFileInUse and its plot window 1000 + slot. Also the plot
// window opened, resized or redrawn at its size with its plot.
#pragma once
#include <cstdint>

extern int16_t LastBottom;   // bottom of the lowest stacked strip
extern uint16_t chanB;       // channel of the block window

// The whole current view from the data, then label line, markers, info line.
void RefreshSCREEN();
// Block window, then the single view with a fresh scale (or, stacked, the
// changed channel's strip). newChannel 22 forces the stacked rebuild.
void UpdateSCREEN(uint16_t newChannel, uint16_t skipStrip);
void ScaleChangeREDRAW(int16_t channel);
// XOR toggle of the block shading on the plot (0) or one stacked strip.
void RefreshPLOTBLOCK(int16_t channel);
void RefreshMULTICHAN();
void REFRESHBLOCK();
void DrawNewChan(int16_t skipStrip);
// The channel held to 1..nChannels becomes active and is drawn; 0 does nothing.
void CHANNELCHANGE(int16_t channel);

// Makes the slot current, builds its window and draws its plot as a loader
// does (DrawMAINWINDOW, then DrawPlot(0, 1, 1)).
void OpenPlotWindow(int16_t slot);
// Re-reads the geometry from the window's new size and redraws it; with a
// non-zero flag the block window below it is opened again.
void ResizeTheMainWindow(uint16_t blockWindowFlag);
// Redraws the plot of that slot at its window's present size; nothing when
// the window is absent. The front file's geometry stands afterwards.
void DrawPlotSummary(int16_t slot);
