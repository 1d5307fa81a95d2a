#include "shell/desklayout.h"

#include <algorithm>

namespace {

constexpr int kCommentsBoxHeight = 45;
constexpr int kGap = 4;

}  // namespace

int ToolbarBandBelowPlot = 0;

int CommentsBoxTop(int plotFrameTop, int bottomOfPlotArea) {
  return plotFrameTop + bottomOfPlotArea + 106 + ToolbarBandBelowPlot;
}

int BelowCommentsTop(int plotFrameTop, int bottomOfPlotArea, bool commentsHidden, int titleBarHeight) {
  if (commentsHidden) return plotFrameTop + bottomOfPlotArea + 99 + ToolbarBandBelowPlot;
  const int commentsBottom = CommentsBoxTop(plotFrameTop, bottomOfPlotArea) + kCommentsBoxHeight;
  return std::max(plotFrameTop + bottomOfPlotArea + 159 + ToolbarBandBelowPlot, commentsBottom + kGap + titleBarHeight);
}

int ResultsWindowTop(int plotFrameTop, int bottomOfPlotArea, int titleBarHeight) {
  const int plotBottom = plotFrameTop + titleBarHeight + bottomOfPlotArea + 38;
  return plotBottom + kGap + titleBarHeight + ToolbarBandBelowPlot;
}

plat::Rect ResultsWindowRect(int plotLeft, int top, int height, int deskBottom, bool crossChannel, bool shifted) {
  const int width = crossChannel ? 475 : 450;
  const int left = plotLeft + (shifted ? 15 : 0);
  const int bottom = std::max(top + 120, std::min(top + height, deskBottom));
  return {left, top, left + width, bottom};
}
