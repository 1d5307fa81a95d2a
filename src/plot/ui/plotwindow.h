// The plot window of an open file (window 1000 + slot): building it, the
// shared plot geometry, the segment lines of the compressed view, the zoom
// animation and the page slider. It draws no plot: opening and resizing a
// plot window with its plot are redraw entries (plot/ui/redraw.h).
#pragma once
#include <cstdint>

#include "platform/types.h"
#include "plot/geometry.h"
#include "shell/ui/kit.h"   // PlotWindowId

// ---- Geometry globals of the front plot window ---------------------------------
// (ScreenWidth, ScreenHeight and BottomOfPlotArea live in shell/ui/kitglobals.h.)
extern int16_t PlotHeight;          // pixels over which the Y scale is drawn
extern int16_t Xstep;               // pixels per case in the paged view
extern double XpositionStep;        // pixels per case in the compressed view
extern int16_t MinimumYposition;    // low end of the last column drawn
extern int16_t RightLim;            // drawing width of the block window
extern int16_t BlockWindowBottom, BlockWindowRight;
// Zoomed span, one pair for all files: every reader clamps it to the file it
// draws (plotcore::ClampZoom), so a span left by a longer file reads nothing
// outside this one.
extern int32_t zoomleft, zoomright;

inline constexpr int16_t kPageSlider = 1010;
inline constexpr int16_t kDataBarWindow16 = 16;

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

// Content rectangle (global) of the slot's plot window for the toolbar's
// present place: the files cascade in slot order (plotcore::PlotWindowContentFor).
plat::Rect PlotWindowPlace(int16_t slot);
// PlotWindowPlace, kept as the step the slot's window was cascaded by: give
// the window this place and no other.
plat::Rect CascadePlotWindow(int16_t slot);
// The content of the slot's plot window as it stands, moved back left by its
// cascade step and as wide as the first file's: the windows under the plot
// (results, comments box, block window) take their left and width from it,
// so that they keep one place whichever file is in front. A window the user
// moved or resized takes them along.
plat::Rect PlotWindowUncascaded(int16_t slot);

// The slot of a plot window id, -1 for any other window.
int16_t SlotOfPlotWindow(int windowId);

// The view of a slot as the geometry globals and its FileSHORTS words give it.
plotcore::ViewState PlotViewState(int16_t slot);

// (Re)creates the plot window of TheFileInUse and sets the geometry globals
// and FileSHORTS words 3 and 4; draws nothing.
void DrawMAINWINDOW();
// XOR segment boundaries over a compressed plot; a second call removes them.
void DrawSCREENWIDTHS();
// The zoom animation around the block (words 11, 12).
void ZoomEffect();
// Page slider 1010 of TheFileInUse: built with word 13 and word 1 when the
// file is longer than the plot, removed otherwise.
void MakePLOT_SLIDER();

// The geometry globals (ScreenWidth, BottomOfPlotArea, PlotHeight, RightLim)
// from the present content size of that slot's plot window; nothing when
// the window is absent.
void PlotGeometryFromWindow(int16_t slot);
// The same from window win's content size, RightLim left as it is.
void GeometryFromWindow(int win);
void ClosePlotWindow(int16_t slot);
