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

plat::Rect GrownResultsWindow(plat::Rect content, int height, int deskBottom, int topLimit) {
  if (content.height() >= height) return content;
  plat::Rect r = content;
  r.bottom = r.top + height;
  if (r.bottom > deskBottom) {
    r.top = std::max(topLimit, std::min(content.top, deskBottom - height));
    r.bottom = std::min(r.top + height, deskBottom);
  }
  return r;
}

plat::Rect PlaceDialog(plat::Rect content, int titleBar, plat::Rect obstacle, plat::Size desk, int menuBar) {
  const int w = content.width(), h = content.height();
  const auto at = [&](int left, int top) { return plat::Rect{left, top, left + w, top + h}; };
  const auto onDesk = [&](const plat::Rect& c) {
    return c.top - titleBar >= menuBar && c.bottom <= desk.h && c.left >= 0 && c.right <= desk.w;
  };
  // Held inside the desk first; a dialog larger than the desk keeps its top left.
  plat::Rect r = content;
  if (r.bottom > desk.h) r = at(r.left, std::max(menuBar + titleBar, desk.h - h));
  if (r.right > desk.w) r = at(std::max(0, desk.w - w), r.top);
  if (r.top - titleBar < menuBar) r = at(r.left, menuBar + titleBar);
  if (r.left < 0) r = at(0, r.top);
  const auto clear = [&](const plat::Rect& c) {
    return obstacle.width() <= 0 || c.right <= obstacle.left || obstacle.right <= c.left ||
           c.bottom <= obstacle.top || obstacle.bottom <= c.top - titleBar;
  };
  if (clear(r)) return r;
  for (const plat::Rect& c : {at(r.left, obstacle.bottom + kGap + titleBar), at(r.left, obstacle.top - kGap - h),
                              at(obstacle.right + kGap, r.top)})
    if (onDesk(c) && clear(c)) return c;
  return r;
}

plat::Rect PlaceSecondWindow(plat::Size size, plat::Rect results, const std::vector<plat::Rect>& keep,
                             plat::Rect comments, plat::Size desk, int titleBar, int menuBar) {
  const auto at = [&](int left, int top) { return plat::Rect{left, top, left + size.w, top + size.h}; };
  const auto meets = [](const plat::Rect& a, const plat::Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
  };
  const auto fits = [&](const plat::Rect& c) {
    const plat::Rect frame{c.left, c.top - titleBar, c.right, c.bottom};
    if (frame.top < menuBar || frame.left < 0 || frame.right > desk.w || frame.bottom > desk.h) return false;
    if (meets(frame, results)) return false;
    for (const plat::Rect& k : keep)
      if (k.width() > 0 && meets(frame, k)) return false;
    return true;
  };
  const int right = results.right + kGap;
  std::vector<plat::Rect> tries{at(right, results.top + titleBar)};
  for (const plat::Rect& k : keep) tries.push_back(at(right, k.bottom + kGap + titleBar));
  for (const plat::Rect& c : tries)
    if (fits(c)) return c;
  int top = results.top + titleBar;
  if (comments.width() > 0) top = std::max(top, comments.bottom + kGap + titleBar);
  top = std::max(menuBar + titleBar, std::min(top, desk.h - size.h));
  return at(std::max(0, std::min(right, desk.w - size.w)), top);
}
