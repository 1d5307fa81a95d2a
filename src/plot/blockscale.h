// Numbers of the block window: its scale over the block, the mapping every
// block analysis draws with, the marks on the enlarged trace, the window
// titles and the window rectangles below the plot window.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"
#include "plot/trace.h"
#include "shell/store.h"

namespace plotcore {

struct BlockScale {
  int32_t begin = 0, end = 0;   // the block's cases
  int32_t rightLim = 0;         // RightLim: content width W
  int32_t upperLimit = 0;       // UpperLimit: H - 15
  float minY = 0, maxY = 1;     // BlockMinY, BlockMaxY (max raised by 1 when equal)
  float dataMaxY = 0;           // the block's own largest value, before any raise
  float yScale = 0;             // UpperLimit / (max - min)
  double xScale = 0;            // BlockXscale: W / (end - begin); W for a one-case block
  int32_t nPoints = 0;          // end - begin + 1
};

// The scale of cases begin..end of data (nCases + 1 floats) in a content
// area of width x height. Non-finite samples take no part in the extremes.
BlockScale ComputeBlockScale(const float* data, int32_t begin, int32_t end, int width, int height);

// Row of value v: UpperLimit + 2 - (v - min) x yScale, truncated.
int BlockRow(const BlockScale& s, float v);
// Column of case k: (k - begin) x BlockXscale, truncated.
int BlockColumn(const BlockScale& s, int32_t k);

// Arguments of the shared trace reduction for the block (plain mode).
TraceParams BlockTraceParams(const BlockScale& s);
// The trace's point pairs for one drawSegments call: the shared reduction
// with the line from the case before the block (left of x 0) left out.
std::vector<plat::Point> BlockTraceSegments(const float* data, int32_t nCases, const BlockScale& s,
                                            const LodTable* lod = nullptr);
// Circles on every case when (end - begin) x 5 < W.
bool BlockShowsCircles(const BlockScale& s);
// Centres of those circles: each case's point as the trace draws it.
std::vector<plat::Point> BlockCircleCentres(const float* data, const BlockScale& s);

// The dashed zero line, when the block crosses zero: its row and the x of
// each 10-pixel dash.
bool BlockCrossesZero(const BlockScale& s);
int BlockZeroRow(const BlockScale& s);
std::vector<int> ZeroDashStarts(int width);

// The markers of a block column: its column and their labels joined by a
// blank ("" when the block holds more than 60 markers).
struct BlockMarkerMark {
  int x = 0;
  std::string label;
  friend bool operator==(const BlockMarkerMark&, const BlockMarkerMark&) = default;
};
inline constexpr int kMaxLabelledBlockMarkers = 60;
// Code above 200: the number code - 200; otherwise the character of the code.
std::string BlockMarkerLabel(int16_t code);
std::vector<BlockMarkerMark> BlockMarkerMarks(const std::vector<MarkerRecord>& markers, const BlockScale& s);

// ---- Titles -------------------------------------------------------------------
// firstForm: the title a freshly opened block window gets; otherwise the
// one each later drawing gives it. label: the channel label as stored.
std::string BlockWindowTitle(bool firstForm, int16_t channel, const std::string& label, int32_t begin,
                             int32_t end);
std::string PlotWindowTitle(int16_t slot, int16_t channels, int32_t cases, const std::string& name);
std::string CommentsBoxTitle(const std::string& name);

// ---- Rectangles (global; L content left and T frame top of the plot window) ----
inline constexpr const char* kInstructionsTitle = "Setting Data Blocks and Screen Views";
// Top of window 2: below the comments box when it is shown, with room for
// its title bar (BelowCommentsTop).
int BlockWindowTop(int frameTop, int bottomOfPlotArea, bool commentsHidden, int titleBarHeight);
// The block view right of the results column (kResultsColumnWidth), so that
// the statistics window beside it never covers it.
plat::Rect BlockViewRect(int left, int frameTop, int top, int lastWidth, int lastHeight, int blockWindowRight,
                         int blockWindowBottom, int displayHeight);
plat::Rect CollapsedInstructionsRect(int left, int top);
plat::Rect InstructionsRect(int left, int top, int screenWidth, int displayHeight);
inline constexpr plat::Size kInstructionsMinSize{570, 200};
// Right of the results column, like the block view.
plat::Rect CommentsBoxRect(int left, int frameTop, int bottomOfPlotArea, int screenWidth);
// How far the comments box and the block window stand above their places
// (block window at `blockTop`) so that the block window keeps a usable
// height, its lowest row with the minimum and the channel's label, on a
// desk ending at `deskBottom`: a plot window the user moved low.
int FurnitureLift(int blockTop, int deskBottom);

}  // namespace plotcore
