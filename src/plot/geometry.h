// Geometry of the plot window as pure arithmetic: plot size from the display,
// the three views of a file (paged, compressed, zoomed), segments, the page
// slider, pixel<->case mapping and the pixel edges of the block shading.
// Products of pixels and cases are taken in 64 bits or doubles: 1800 pixels
// times 7,000,000 cases does not fit in 32 bits.
#pragma once
#include <climits>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/types.h"

namespace plotcore {

// ---- Plot size -------------------------------------------------------------
struct ScreenGeometry {
  int16_t screenWidth = 0;       // ScreenWidth
  int16_t screenHeight = 0;      // ScreenHeight
  int16_t bottomOfPlotArea = 0;  // BottomOfPlotArea
  int16_t plotHeight = 0;        // PlotHeight = BottomOfPlotArea - 28
};
// Geometry of a plot window about to be built on a display of w x h pixels
// (wide displays lose 150 px to the toolbar, capped at 1800; never below 550).
ScreenGeometry GeometryForDisplay(int displayW, int displayH);
// Geometry after the window's content was resized to w x h: ScreenWidth = w,
// PlotHeight = h - 66, BottomOfPlotArea = h - 38; screenHeight is kept.
ScreenGeometry GeometryForContent(int contentW, int contentH, int16_t screenHeight);

// Global frame rectangle asked for the new plot window: top 41, left 94 with
// the toolbar at the left else 2, bottom B + 80, right SW + 91.
plat::Rect PlotWindowRect(const ScreenGeometry& g, bool toolbarAtLeft);
inline constexpr plat::Size kPlotWindowMinSize{640, 250};
// Largest plot window: display width x (display height - 400), at least the
// minimum size.
plat::Size PlotWindowMaxSize(int displayW, int displayH);
// The least step between two cascaded plot windows: the rows of the back
// one's title bar that hold its close box and the letters of its title.
inline constexpr int kLeastCascadeStep = 16;
// How far right and down the plot window of a file opens after `before`
// others: 18 pixels a file, and round again from 0 before the window (its
// content at `content` for the first file) would leave the desk. Never
// farther than `most`: then every step is shorter alike, down to
// kLeastCascadeStep, and below that the round has fewer places.
int PlotWindowCascade(int before, plat::Rect content, plat::Size desk, int most = INT_MAX);
// RightLim: width of the block window's drawing area.
inline int16_t RightLimFor(int16_t screenWidth) { return static_cast<int16_t>(screenWidth - 321); }
// A file longer than the plot width opens compressed (FileSHORTS word 4).
inline bool OpensCompressed(int32_t nCases, int16_t screenWidth) { return nCases > screenWidth; }

// ---- Views -------------------------------------------------------------------
enum class ViewMode { Paged, Compressed, Zoomed };

// What the view depends on, copied from the file's records and globals.
struct ViewState {
  int32_t nCases = 0;
  int16_t screenWidth = 0;
  int16_t segment = 1;         // FileSHORTS word 1, from 1
  bool compressed = false;     // word 4
  bool zoomed = false;         // word 6
  int32_t zoomLeft = 0;        // zoomleft, zoomright (clamp with ClampZoom first)
  int32_t zoomRight = 0;
  int16_t xStep = 1;           // Xstep, pixels per case when paged
};
// Zoomed when word 6 is set, compressed when word 4 is set and the file is
// longer than the plot width, paged otherwise.
ViewMode ModeOf(const ViewState& v);

struct CaseRange {
  int32_t first = 0;
  int32_t last = -1;           // inclusive; empty when last < first
  bool empty() const { return last < first; }
  friend bool operator==(const CaseRange&, const CaseRange&) = default;
};

// Zoom span held inside the drawn file: 0 <= left < right <= nCases (left ==
// right == 0 only for a file without cases). Swapped when given reversed.
struct ZoomSpan {
  int32_t left = 0, right = 0;
  friend bool operator==(const ZoomSpan&, const ZoomSpan&) = default;
};
ZoomSpan ClampZoom(int32_t zoomLeft, int32_t zoomRight, int32_t nCases);

// FileSHORTS word 13: ceil(nCases / ScreenWidth); 0 when either is <= 0.
int32_t SegmentCount(int32_t nCases, int16_t screenWidth);
// First case of segment s: ScreenWidth x (s - 1) (seg0 of the drawing).
int64_t SegmentStart(int32_t segment, int16_t screenWidth);
// Cases of paged segment s: SW(s-1)+1 .. min(nCases, SW s); s held to
// 1..SegmentCount.
CaseRange SegmentRange(int32_t segment, int32_t nCases, int16_t screenWidth);
// Cases the autoscale reads: zoomed zoomleft..zoomright (clamped), compressed
// or a file no longer than the plot 1..nCases, paged the segment's range.
CaseRange ViewRange(const ViewState& v);

// Xstep of the paged view: trunc(SW / nCases) for a file no longer than
// half the plot width, 1 otherwise (also for an empty file).
int16_t ExpansionStep(int32_t nCases, int16_t screenWidth);
// x of the 1-pixel line marking the end of the data in the paged view, or
// nothing when the data do not end inside the shown segment.
std::optional<int32_t> DataEndLineX(const ViewState& v);

// ---- Pixel <-> case ------------------------------------------------------
// Case under plot column x: zoomed zoomleft + x (zr - zl) / SW (integer,
// 64-bit), compressed trunc(x nCases / SW), paged trunc(x / Xstep + seg0).
// Not clamped: callers clamp to what they allow.
int32_t CaseAtPixel(const ViewState& v, int x);
// Pixel edge of case k for the block shading (FileSHORTS words 11, 12):
// zoomed SW (k - zl) div (zr - zl) + 1, compressed trunc(k / nCases SW + 1),
// paged Xstep (k - seg0).
int32_t BlockEdgePixel(const ViewState& v, int32_t k);
// Horizontal extent of the block shading in the paged view (x from left to
// right), or nothing when the block lies wholly outside the segment.
struct PixelSpan {
  int32_t left = 0, right = 0;
  friend bool operator==(const PixelSpan&, const PixelSpan&) = default;
};
std::optional<PixelSpan> PagedBlockSpan(const ViewState& v, int32_t beginBlock, int32_t endBlock);

// ---- Furniture -----------------------------------------------------------
// x of each segment boundary over a compressed view: trunc(k SW / nCases +
// 2.0) for k = SW, 2 SW, ... <= nCases. Empty unless the view is compressed
// (not zoomed) and the file is longer than the plot.
std::vector<int32_t> SegmentLineXs(const ViewState& v);

// Rectangles of the zoom animation around the block centre (words 11, 12),
// each framed twice in XOR; at least one when the centre lies in the plot.
std::vector<plat::Rect> ZoomEffectRects(int32_t blockLeftPx, int32_t blockRightPx,
                                        int16_t bottomOfPlotArea, int16_t screenWidth);

// ---- Page slider (control 1010) -------------------------------------------------
struct SliderSpec {
  bool present = false;     // only when nCases > ScreenWidth
  int32_t segments = 0;     // FileSHORTS word 13
  int32_t segment = 1;      // FileSHORTS word 1, shown by the slider
  plat::Rect bounds;        // left 0, top B + 17, right as computed (held to the plot width), bottom B + 35
};
// The slider for the file: word 13 = ceil(nCases / SW); word 1 rescaled by
// trunc(w1 new / old + 0.5) when the count changed from a non-zero previous
// count, else held to 1..segments (also after rescaling).
SliderSpec MakeSliderSpec(int32_t nCases, int16_t screenWidth, int16_t bottomOfPlotArea,
                          int32_t previousSegments, int32_t segmentWord);

}  // namespace plotcore
