#include "plot/ui/plotwindow.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/menus.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/toolbar.h"
#include "plot/trace.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/menutable.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"

int16_t PlotHeight = 0;
int16_t Xstep = 1;
double XpositionStep = 1.0;
int16_t MinimumYposition = 0;
int16_t RightLim = 0;
int16_t BlockWindowBottom = 0, BlockWindowRight = 0;
int32_t zoomleft = 0, zoomright = 0;

namespace {

constexpr int kHelpMenuItemPlot = 2;
constexpr double kMinSegmentLineGap = 4.0;

bool slotReady(int16_t f) { return ValidFileSlot(f) && SlotHoldsFile(f); }

// How far right of the first file's place each window was cascaded, and how
// much narrower the desk's edge left it. Kept, not counted again: a file
// closed in the middle leaves the others standing a step further along than
// counting the files open now gives.
struct CascadeStep {
  int right = 0;
  int narrower = 0;
};
std::array<CascadeStep, kSlotCount> cascadeSteps{};

void applyGeometry(const plotcore::ScreenGeometry& g) {
  ScreenWidth = g.screenWidth;
  ScreenHeight = g.screenHeight;
  BottomOfPlotArea = g.bottomOfPlotArea;
  PlotHeight = g.plotHeight;
}

}  // namespace

void GeometryFromWindow(int win) {
  const plat::Size s = plat::contentSize(win);
  applyGeometry(plotcore::GeometryForContent(s.w, s.h, ScreenHeight));
}

PlotGeometry ComputePlotGeometry(plat::Size display, bool toolbarAtLeft, int topOfContent) {
  const plotcore::ScreenGeometry sg = plotcore::GeometryForDisplay(display.w, display.h);
  PlotGeometry g;
  plat::Rect r = plotcore::PlotWindowRect(sg, toolbarAtLeft);
  // The rectangle's top is below the menu and title bars on this desk.
  if (r.top < topOfContent) r = {r.left, topOfContent, r.right, r.bottom + topOfContent - r.top};
  g.content = r;
  g.screenWidth = static_cast<int16_t>(r.width());
  g.screenHeight = sg.screenHeight;
  g.bottomOfPlotArea = sg.bottomOfPlotArea;
  g.minSize = plotcore::kPlotWindowMinSize;
  const plat::Size most = plotcore::PlotWindowMaxSize(display.w, display.h);
  // Never smaller than the window itself, or the desk would shrink it at once.
  g.maxSize = {std::max(most.w, r.width()), std::max(most.h, r.height())};
  return g;
}

plat::Rect PlotWindowPlace(int16_t slot) {
  const plat::Config& cfg = plat::config();
  const plat::Size display = plat::displaySize();
  const plotcore::ToolbarPlace place = plotcore::ToolbarPlaceOf(prefsArray[kPrefToolbarPosition]);
  const plat::Rect home =
      ComputePlotGeometry(display, place == plotcore::ToolbarPlace::Left, cfg.menuBarHeight + cfg.titleBarHeight).content;
  int index = 0;
  for (int16_t f = 0; f < slot; ++f)
    if (slotReady(f)) ++index;
  const plotcore::ToolbarDesk desk{cfg.menuBarHeight, display.h, plat::titleBarHeight(plat::WindowClass::Floating)};
  return plotcore::PlotWindowContentFor(place, home, index, display, desk, cfg.titleBarHeight);
}

plat::Rect CascadePlotWindow(int16_t slot) {
  const plat::Rect own = PlotWindowPlace(slot);
  if (ValidFileSlot(slot)) {
    const plat::Rect first = PlotWindowPlace(0);
    cascadeSteps[static_cast<size_t>(slot)] = {own.left - first.left, first.width() - own.width()};
  }
  return own;
}

plat::Rect PlotWindowUncascaded(int16_t slot) {
  const plat::Rect now = plat::contentRect(PlotWindowId(slot));
  if (!ValidFileSlot(slot)) return now;
  const CascadeStep step = cascadeSteps[static_cast<size_t>(slot)];
  const int left = now.left - step.right;
  return {left, now.top, left + now.width() + step.narrower, now.bottom};
}

int16_t SlotOfPlotWindow(int windowId) { return PlotSlotOfWindow(windowId); }

plotcore::ViewState PlotViewState(int16_t slot) {
  plotcore::ViewState v;
  if (!ValidFileSlot(slot)) return v;
  v.nCases = nCases[slot];
  v.screenWidth = ScreenWidth;
  v.segment = std::max<int16_t>(1, FileSHORTS[slot][kShortSegment]);
  v.compressed = FileSHORTS[slot][kShortCompressed] != 0;
  v.zoomed = FileSHORTS[slot][kShortZoomed] != 0;
  const plotcore::ZoomSpan z = plotcore::ClampZoom(zoomleft, zoomright, v.nCases);
  v.zoomLeft = z.left;
  v.zoomRight = z.right;
  v.xStep = std::max<int16_t>(1, Xstep);
  return v;
}

void DrawMAINWINDOW() {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!slotReady(f)) return;
  const plat::Config& cfg = plat::config();
  const plat::Size display = plat::displaySize();
  const PlotGeometry g = ComputePlotGeometry(display, prefsArray[kPrefToolbarPosition] == 0,
                                             cfg.menuBarHeight + cfg.titleBarHeight);
  applyGeometry(plotcore::GeometryForDisplay(display.w, display.h));
  BlockWindowBottom = ScreenHeight;
  BlockWindowRight = ScreenWidth;
  FileSHORTS[f][kShortCompressed] = plotcore::OpensCompressed(nCases[f], ScreenWidth) ? 1 : 0;

  const int win = PlotWindowId(f);
  plat::disposeWindow(win);
  if (plat::windowExists(kChannelSelectorWindow)) plat::showWindow(kChannelSelectorWindow, false);

  plat::WindowSpec w;
  w.id = win;
  w.title = " Corvimet Main Plot Window " + FieldNumText(static_cast<double>(f));
  w.content = g.content;
  w.cls = plat::WindowClass::Document;
  w.closeBox = true;
  w.resizable = true;
  w.minSize = g.minSize;
  w.maxSize = g.maxSize;
  w.background = gray;
  // Several files open: each window a little lower, so every title shows,
  // and round again from the first place before one would leave the desk.
  w.content = CascadePlotWindow(f);
  plat::createWindow(w);
  plat::port(win).setBackColor(gray);
  plat::port(win).setFont(plat::FontSpec{"application", 10});

  // The plot is as wide as the window's content; the height follows it too.
  GeometryFromWindow(win);
  RightLim = plotcore::RightLimFor(ScreenWidth);
  FileSHORTS[f][kShortPlotBuilt] = 1;
  FileSHORTS[f][kShortCompressed] = plotcore::OpensCompressed(nCases[f], ScreenWidth) ? 1 : 0;
  if (plat::itemCount(kMenuHelp) >= kHelpMenuItemPlot) plat::setItemEnabled(kMenuHelp, kHelpMenuItemPlot, true);
}

void DrawSCREENWIDTHS() {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!slotReady(f) || prefsArray[kPrefSegmentLines] == 0) return;
  const plotcore::ViewState v = PlotViewState(f);
  const std::vector<int32_t> xs = plotcore::SegmentLineXs(v);
  // Boundaries closer than a few pixels would cover the trace in XOR noise.
  if (xs.empty() || static_cast<double>(ScreenWidth) * ScreenWidth / nCases[f] < kMinSegmentLineGap) return;
  XpositionStep = static_cast<double>(ScreenWidth) / nCases[f];
  MinimumYposition = static_cast<int16_t>(BottomOfPlotArea - 3);
  std::vector<plat::Point> pts;
  pts.reserve(xs.size() * 2);
  // From the first row inside the frame: the stacked view does not repaint the
  // frame's top row, where each redraw's XOR would leave or take dots.
  for (int32_t x : xs) {
    pts.push_back({x, 19});
    pts.push_back({x, MinimumYposition});
  }
  plat::Port& p = plat::currentPort();
  p.resetPen();
  p.setPenMode(plat::PenMode::Xor);
  p.setPenPattern(plat::systemPattern(26));
  p.drawSegments(pts.data(), pts.size() / 2);
  p.resetPen();
}

void ZoomEffect() {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!slotReady(f)) return;
  const int win = PlotWindowId(f);
  if (!plat::windowExists(win)) return;
  plat::setCurrentPort(win);
  plat::Port& p = plat::port(win);
  p.resetPen();
  p.setPenMode(plat::PenMode::Xor);
  p.setPenPattern(plat::systemPattern(7));
  for (const plat::Rect& r : plotcore::ZoomEffectRects(FileSHORTS[f][kShortBlockLeftPx], FileSHORTS[f][kShortBlockRightPx],
                                                        BottomOfPlotArea, ScreenWidth)) {
    p.strokeRect(r);
    plat::flushWindow(win);
    p.strokeRect(r);
  }
  p.resetPen();
  plat::flushWindow(win);
}

void MakePLOT_SLIDER() {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!slotReady(f)) return;
  const int win = PlotWindowId(f);
  if (!plat::windowExists(win)) return;
  const plotcore::SliderSpec sp = plotcore::MakeSliderSpec(nCases[f], ScreenWidth, BottomOfPlotArea,
                                                           FileSHORTS[f][kShortSegments], FileSHORTS[f][kShortSegment]);
  if (!sp.present) {
    plat::removeControl(win, kPageSlider);
    return;
  }
  FileSHORTS[f][kShortSegments] = static_cast<int16_t>(std::min<int32_t>(sp.segments, INT16_MAX));
  FileSHORTS[f][kShortSegment] = static_cast<int16_t>(std::min<int32_t>(sp.segment, INT16_MAX));
  if (plat::controlExists(win, kPageSlider) && plat::controlRect(win, kPageSlider) == sp.bounds) {
    plat::setSliderRange(win, kPageSlider, 1, sp.segments);
    plat::setSliderValue(win, kPageSlider, sp.segment);
    return;
  }
  plat::addSlider(win, kPageSlider, sp.bounds, 1, sp.segments, sp.segment);
}

void PlotGeometryFromWindow(int16_t slot) {
  if (!ValidFileSlot(slot) || !plat::windowExists(PlotWindowId(slot))) return;
  GeometryFromWindow(PlotWindowId(slot));
  RightLim = plotcore::RightLimFor(ScreenWidth);
}

void ClosePlotWindow(int16_t slot) {
  if (!ValidFileSlot(slot)) return;
  plat::disposeWindow(PlotWindowId(slot));
  FileSHORTS[slot][kShortPlotBuilt] = 0;
  plotcore::InvalidatePlotLodSlot(slot);
}
