// The single-channel plot of the current file: autoscale, trace, Y labels,
// grid and zero line, block shading and the clock-time axis beneath.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/types.h"
#include "plot/autoscale.h"

// ---- Scale of the plot being drawn ---------------------------------------------
extern uint16_t ScaleMode;          // 0 High Resolution, 1 Include Zero, 2 Normal, 65535 Manual
extern float minimumValue, maximumValue, range;
extern float sc, scr, lines, spn, span;   // the tidy axis
extern float kFloat;                // value of the axis label being printed
extern int16_t ShowDot;             // circle on each compacted point
extern int16_t LastHorizPosition;   // data-bar column; 0 after each redraw
// Of the block window, defined here until its owner lands: the block's lower
// extreme (the log option of TIMECHOICE needs it >= 0).
extern float BlockMinY;

// Furniture that later parts of the plot window draw; DrawPlot and the
// redraw entries call what is installed. Absent hooks are skipped, except
// the label line, which falls back to a plain one.
struct PlotHooks {
  std::function<void()> drawLabelStuff;         // DRAWLABELSTUFF
  std::function<void()> drawTimeDate;           // DRAWTIMEDATE
  std::function<void()> drawOverlay;            // DrawOVERLAY
  std::function<void()> drawMarkers;            // DRAWMARKERS
  std::function<void()> noteMarkers;            // NOTEMARKERS
  std::function<void()> drawComments;           // DRAWCOMMENTS
  std::function<void(int16_t place)> doAllValues;   // DoALLVALUES
  std::function<void()> drawBlock;              // DRAWBLOCK
  std::function<void()> openBlockWindow;        // OPENBLOCKWINDOW
  std::function<void()> fixCommentsWindow;      // FixTheCommentsWindow
  // Stacked view. Without them a stacked file is drawn as the single view.
  std::function<void(int16_t channel)> drawAllChannels;     // DrawALLCHANNELS
  std::function<void(int16_t mode)> multiChannelDisplay;    // MultiChannelDisplay
};
extern PlotHooks gPlotHooks;
// The mode of multiChannelDisplay after a command made or removed a channel.
inline constexpr int16_t kMultiAfterNewChannel = 2;
// True when the stacked view is both asked for (word 7) and available.
bool StackedViewShown(int16_t slot);

// The scale globals as one value.
plotcore::Scale CurrentScale();
void SetScaleGlobals(const plotcore::Scale& s);

// Window 1000 + slot titled as the single view draws it: "File n: 'name'
// ( c channels, k samples[; compressed x-fold] ) ". Nothing without the window.
void RetitlePlotWindow(int16_t slot);

// Autoscale of ActiveChannel of TheFileInUse over the cases in view (or the
// block while printblock is set), for the ScaleMode in force.
void FindMinMax();
// ScaleMode and the scale globals of ActiveChannel as its plot draws them:
// its manual limits, else FindMinMax.
void ScaleToActiveChannel();
// The whole single-channel view. offset: first case of a time-aligned
// compaction; the comments box only when both flags are set.
void DrawPlot(int32_t offset, uint16_t commentsA, uint16_t commentsB);
// One channel's trace between two cases in the current port, in one batch.
// yZero is wider than 16 bits: data far from zero put it far off the plot.
void Draw_PLOT_LINE(int32_t first, int32_t last, double yZero, float yScale, int16_t channel, double x0,
                    double xStep, uint16_t clip);
// Clock-time axis of TheFileInUse along y.
void DrawTimeIndex(int16_t y, int16_t labels);

// The XOR block band exactly as DrawPlot paints it, for x left..right
// inclusive and rows top..bottom inclusive.
void PaintBlockBand(int left, int right, int top, int bottom);

// The pixels the block band of the single view inverts in the plot window
// of slot: none without a block, in the stacked view, or when the block
// lies off the page shown.
std::optional<plat::Rect> BlockBandShown(int16_t slot);

// The persistent overlay drawn again over the plot's block band, which
// inverts what lies under it; nothing when no overlay stays on.
void RedrawOverlayOverBlock();

// x of a Y label at the plot's left edge: a minus sign would merge into the
// frame line at x 0, so a negative label starts clear of it.
int YLabelX(const std::string& text, int x);
