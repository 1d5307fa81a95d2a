#include "plot/toolbar.h"

#include <algorithm>

#include "plot/geometry.h"

namespace plotcore {

ToolbarPlace ToolbarPlaceOf(int16_t word33) {
  if (word33 == 1) return ToolbarPlace::Bottom;
  if (word33 == 2) return ToolbarPlace::Top;
  return ToolbarPlace::Left;
}

ToolbarPlace NextToolbarPlace(ToolbarPlace p) {
  switch (p) {
    case ToolbarPlace::Left: return ToolbarPlace::Bottom;
    case ToolbarPlace::Bottom: return ToolbarPlace::Top;
    case ToolbarPlace::Top: return ToolbarPlace::Left;
  }
  return ToolbarPlace::Left;
}

namespace {

std::vector<ToolSlot> leftSlots() {
  std::vector<ToolSlot> s{{598, 30, 2}, {551, 38, 6}};
  for (int16_t id = 552; id <= 561; ++id) s.push_back({id, 40, 0});
  s.insert(s.end(), {{562, 80, 0}, {594, 80, 0}, {563, 80, 10}, {564, 80, 0}, {596, 80, 0}, {586, 38, 0},
                     {585, 43, 0}, {565, 40, 6}});
  for (int16_t id = 566; id <= 576; ++id) s.push_back({id, 40, 0});
  s.push_back({577, 40, 6});
  for (int16_t id : {578, 579, 580, 582, 581, 583, 584}) s.push_back({id, 40, 0});
  s.insert(s.end(), {{587, 33, 0}, {588, 47, 0}, {589, 80, 0}, {590, 80, 0}, {591, 80, 0}, {592, 40, 6},
                     {593, 40, 0}, {595, 80, 0}, {599, 44, 2}});
  return s;
}

std::vector<ToolSlot> barSlots() {
  return {{598, 21, 2}, {587, 30, 6}, {551, 36, 0}, {552, 38, 0}, {553, 29, 0}, {554, 19, 0}, {555, 19, 0},
          {556, 38, 0}, {557, 38, 0}, {558, 29, 0}, {559, 36, 0}, {560, 41, 0}, {561, 41, 0}, {562, 70, 0},
          {594, 38, 0}, {563, 46, 8}, {564, 55, 4}, {596, 50, 0}, {586, 36, 4}, {585, 43, 4}, {565, 30, 8},
          {566, 30, 0}, {567, 30, 0}, {568, 20, 0}, {569, 30, 0}, {570, 39, 0}, {571, 36, 0}, {572, 32, 0},
          {573, 36, 0}, {574, 36, 0}, {575, 36, 0}, {576, 36, 0}, {577, 30, 6}, {578, 30, 0}, {579, 22, 0},
          {580, 30, 0}, {582, 30, 0}, {581, 30, 0}, {583, 30, 0}, {584, 30, 0}, {588, 45, 0}, {589, 57, 6},
          {590, 65, 0}, {591, 71, 0}, {592, 38, 6}, {593, 38, 0}, {595, 58, 0}, {599, 44, 2}};
}

}  // namespace

const std::vector<ToolSlot>& ToolbarSlots(ToolbarPlace p) {
  static const std::vector<ToolSlot> left = leftSlots(), bar = barSlots();
  return p == ToolbarPlace::Left ? left : bar;
}

std::vector<PlacedTool> LayoutToolbar(ToolbarPlace p, int limit) {
  std::vector<PlacedTool> out;
  const int height = p == ToolbarPlace::Left ? 23 : 21;
  int x = 6, y = 1;
  for (const ToolSlot& s : ToolbarSlots(p)) {
    int gap = s.gap;
    if (x + s.width + gap > limit) {
      gap = 0;
      x = 6;
      y += 23;
    }
    out.push_back({s.id, {x + gap, y, x + gap + s.width, y + height}});
    x += gap + s.width;
  }
  return out;
}

int ToolbarRowsHeight(ToolbarPlace p, int width) {
  int bottom = 0;
  for (const PlacedTool& t : LayoutToolbar(p, width)) bottom = std::max(bottom, t.r.bottom);
  return bottom + 1;
}

int ToolbarLeastWidth(ToolbarPlace p, int room) {
  const auto fits = [&](int width) {
    int bottom = 0;
    for (const PlacedTool& t : LayoutToolbar(p, width)) {
      if (t.r.right > width) return false;
      bottom = std::max(bottom, t.r.bottom);
    }
    return bottom + 1 <= room;
  };
  // One row of every button is as few rows as there can be: the search ends there.
  int widest = 6;
  for (const ToolSlot& s : ToolbarSlots(p)) widest += s.gap + s.width;
  int w = kLeastToolbarWidth;
  while (w < widest && !fits(w)) ++w;
  return w;
}

ToolbarFrame ToolbarFrameFor(ToolbarPlace p, plat::Rect plot, const ToolbarDesk& desk) {
  ToolbarFrame f;
  // Left and below, the plot window goes back under the menu bar: moved down
  // for a toolbar above, it would leave an empty band and push the windows
  // that stand below it off the desk.
  if (p == ToolbarPlace::Left) {
    const int top = std::max(40, desk.top + desk.titleBar + 2);
    f.toolbar = {2, top, 2 + kLeftToolbarWidth, top + ToolbarRowsHeight(p, kLeftToolbarWidth)};
    if (plot.left < 92 || plot.top > desk.top) {
      f.movePlot = true;
      f.plotTopLeft = {std::max(92, plot.left), desk.top};
    }
    return f;
  }
  const int width = std::max(80, plot.width() - 22);
  const int height = ToolbarRowsHeight(p, width);
  if (p == ToolbarPlace::Bottom) {
    if (plot.top > desk.top) {
      f.movePlot = true;
      f.plotTopLeft = {plot.left, desk.top};
      plot = plot.offset(0, desk.top - plot.top);
    }
    const int top = plot.bottom + 2 + desk.titleBar;
    f.toolbar = {plot.left, top, plot.left + width, top + height};
    f.bandBelowPlot = f.toolbar.bottom + 2 - plot.bottom;
    return f;
  }
  int top = plot.top - 2 - height;
  if (top - desk.titleBar < desk.top) {
    top = desk.top + desk.titleBar;
    f.movePlot = true;
    f.plotTopLeft = {plot.left, top + height + 2};
  }
  f.toolbar = {plot.left, top, plot.left + width, top + height};
  return f;
}

int ToolbarBand(ToolbarPlace p, int plotWidth, const ToolbarDesk& desk) {
  if (p == ToolbarPlace::Left) return 0;
  return ToolbarRowsHeight(p, std::max(80, plotWidth - 22)) + desk.titleBar + 4;
}

int PlotHeightGivenToToolbar(int band, int plotContentBottom, int titleBar, int deskHeight) {
  constexpr int kResultsRows = 356, kGap = 4;
  const int lowest = plotContentBottom + band + kGap + titleBar + kResultsRows;
  return std::clamp(lowest - (deskHeight - kGap), 0, std::max(0, band));
}

plat::Rect PlotWindowContentFor(ToolbarPlace p, plat::Rect home, int index, plat::Size display,
                                const ToolbarDesk& desk, int titleBar) {
  plat::Rect r = home;
  if (p == ToolbarPlace::Top) {
    // The toolbar at the desk's top, the plot's frame 2 below it.
    const int toolbarBottom = desk.top + desk.titleBar + ToolbarRowsHeight(p, std::max(80, home.width() - 22));
    r = r.offset(0, std::max(0, toolbarBottom + 2 + titleBar - r.top));
  }
  const int give = PlotHeightGivenToToolbar(ToolbarBand(p, home.width(), desk), r.bottom, titleBar, display.h);
  r.bottom = std::max(r.top + kPlotWindowMinSize.h, r.bottom - give);
  // On a desk too short for the whole step the cascade steps less: the
  // windows keep their least height and their one bottom.
  const int shift = PlotWindowCascade(index, home, display, std::max(0, r.height() - kPlotWindowMinSize.h));
  return {r.left + shift, r.top + shift,
          std::max(r.left + shift + kPlotWindowMinSize.w, std::min(r.right + shift, display.w)), r.bottom};
}

}  // namespace plotcore
