// The plot window of an open file (window 1000 + slot). For now it shows a
// plain summary of the file; the plot itself replaces this drawing later.
// Activation, the Window menu and the close flow act on it already.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Geometry of a freshly built plot window for a display of that size and
// a toolbar at the left (word 33 = 0) or not.
struct PlotGeometry {
  int16_t screenWidth = 0;
  int16_t screenHeight = 0;
  int16_t bottomOfPlotArea = 0;
  plat::Rect content;        // global content rectangle
  plat::Size minSize, maxSize;
};
PlotGeometry ComputePlotGeometry(plat::Size display, bool toolbarAtLeft, int topOfContent);

inline constexpr int16_t PlotWindowId(int16_t slot) { return static_cast<int16_t>(1000 + slot); }
// The slot of a plot window id, -1 for any other window.
int16_t SlotOfPlotWindow(int windowId);

// (Re)builds window 1000 + slot titled with the file name, sets the plot
// geometry globals and FileSHORTS words 3 and 4, and draws the summary.
void OpenPlotWindow(int16_t slot);
// Redraws the summary at the window's present size; nothing when it is absent.
void DrawPlotSummary(int16_t slot);
void ClosePlotWindow(int16_t slot);
