#include "plot/ui/redraw.h"

#include <algorithm>
#include <string>

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/geometry.h"
#include "plot/trace.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/timeunits.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/menubar.h"

int16_t LastBottom = 0;
uint16_t chanB = 1;

namespace {

constexpr int kBlockWindow = 2;
constexpr uint16_t kForcedStackedRebuild = 22;
constexpr int kMarkersButton = 332;
constexpr int kBlockSpanField = 17;
constexpr int kButton100 = 100;

bool slotReady(int16_t f) { return ValidFileSlot(f) && SlotHoldsFile(f); }

// Field 17 after a resize: the block's duration, cut to 7 characters.
std::string blockSpanText(int16_t f) {
  if (FileSHORTS[f][kShortBlockState] != 2) return "      none";
  double d = (static_cast<double>(EndBlock[f]) - BeginBlock[f]) * FileInfoFLOATS[f][kInfoInterval];
  std::string unit = " sec";
  if (!(d < 120)) {
    d = SecondsToMinutes(d);
    unit = " min";
  }
  return NumText(d).substr(0, 7) + unit;
}

bool frontReady(int16_t* slot) {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(f) || !SlotHoldsFile(f)) return false;
  *slot = f;
  return true;
}

bool makePlotCurrent(int16_t f) {
  const int win = PlotWindowId(f);
  if (!plat::windowExists(win)) return false;
  plat::setCurrentPort(win);
  return true;
}

void flushPlot(int16_t f) {
  if (plat::windowExists(PlotWindowId(f))) plat::flushWindow(PlotWindowId(f));
}

}  // namespace

void RefreshSCREEN() {
  int16_t f;
  if (!frontReady(&f) || !makePlotCurrent(f)) return;
  // Commands come here after changing samples in place.
  plotcore::InvalidatePlotLodSlot(f);
  plat::setCursor(plat::CursorKind::Watch);
  plat::currentPort().resetPen();
  if (StackedViewShown(f)) {
    // Samples may have changed: the strips' recorded pictures would show the
    // old data, so the strips are drawn afresh.
    gPlotHooks.drawAllChannels(0);
    RefreshPLOTBLOCK(0);
  } else {
    LastBottom = BottomOfPlotArea;
    DrawPlot(0, 1, 0);
  }
  if (PortForResultsOutput != 0 && gPlotHooks.drawLabelStuff) gPlotHooks.drawLabelStuff();
  if (MarkerCount(f) > 0 && prefsArray[kPrefMarkersShown] != 0 && gPlotHooks.drawMarkers) gPlotHooks.drawMarkers();
  if (gPlotHooks.drawTimeDate) gPlotHooks.drawTimeDate();
  plat::setCursor(plat::CursorKind::Arrow);
  flushPlot(f);
}

namespace {

// dataChanged: a command changed samples in place (not a mere channel switch).
void updateScreen(uint16_t newChannel, uint16_t skipStrip, bool dataChanged) {
  int16_t f;
  if (!frontReady(&f)) return;
  plat::setCursor(plat::CursorKind::Watch);
  if (dataChanged) {
    if (ChangedChan >= 0 && ChangedChan <= kMaxChannels) plotcore::InvalidatePlotLod(f, ChangedChan);
    plotcore::InvalidatePlotLod(f, ActiveChannel);
  }
  // The block window follows the plot to the channel the edit left active.
  if (ActiveChannel >= 1 && ActiveChannel <= nChannels[f]) chanB = static_cast<uint16_t>(ActiveChannel);
  if (FileSHORTS[f][kShortBlockState] == 2 && gPlotHooks.drawBlock) gPlotHooks.drawBlock();
  if (StackedViewShown(f)) {
    const int16_t m = FileSHORTS[f][kShortView];
    if (newChannel != 0 && (newChannel == kForcedStackedRebuild || prefsArray[kPrefCustomHeights] != 0)) {
      if (newChannel == kForcedStackedRebuild) FileSHORTS[f][kShortView] = 0;
      gPlotHooks.multiChannelDisplay(kMultiAfterNewChannel);
      MultiChannelIndicator();
      if (newChannel == kForcedStackedRebuild) FileSHORTS[f][kShortView] = m;
    } else if (skipStrip == 0 && ChangedChan >= 1 && ChangedChan <= kMaxChannels &&
               OverlayArray[f][1][ChangedChan] != 0) {
      makePlotCurrent(f);
      DrawSCREENWIDTHS();
      gPlotHooks.drawAllChannels(ChangedChan);
      RefreshPLOTBLOCK(ChangedChan);
    }
  } else if (plat::windowExists(PlotWindowId(f))) {
    if (static_cast<int16_t>(ScaleMode) >= 0) FindMinMax();
    DrawPlot(0, 0, 0);
  }
  plat::setCursor(plat::CursorKind::Arrow);
  flushPlot(f);
}

}  // namespace

void UpdateSCREEN(uint16_t newChannel, uint16_t skipStrip) { updateScreen(newChannel, skipStrip, true); }

void ScaleChangeREDRAW(int16_t channel) {
  int16_t f;
  if (!frontReady(&f) || !makePlotCurrent(f)) return;
  if (StackedViewShown(f)) {
    RefreshPLOTBLOCK(channel);
    gPlotHooks.drawAllChannels(channel);
    RefreshMULTICHAN();
    if (gPlotHooks.drawMarkers) gPlotHooks.drawMarkers();
    MultiChannelIndicator();
  } else {
    DrawPlot(0, 0, 1);
  }
  flushPlot(f);
}

void RefreshPLOTBLOCK(int16_t channel) {
  int16_t f;
  if (!frontReady(&f) || !makePlotCurrent(f)) return;
  if (FileSHORTS[f][kShortBlockState] != 2) return;
  const bool stacked = StackedViewShown(f);
  int top = 19, bottom = stacked ? LastBottom : BottomOfPlotArea - 3;
  if (channel != 0) {
    if (channel < 1 || channel > kMaxChannels) return;
    int16_t t = 0, b = 0;
    plotcore::ClipBand(1, BottomOfPlotArea, nVar[f][channel][8], nVar[f][channel][9], &t, &b);
    top = t;
    bottom = std::min<int>(b, LastBottom);
  }
  const plotcore::ViewState v = PlotViewState(f);
  if (plotcore::ModeOf(v) == plotcore::ViewMode::Paged) {
    const auto span = plotcore::PagedBlockSpan(v, BeginBlock[f], EndBlock[f]);
    if (!span) return;
    PaintBlockBand(span->left, span->right, top, bottom);
  } else {
    PaintBlockBand(plotcore::BlockEdgePixel(v, BeginBlock[f]), plotcore::BlockEdgePixel(v, EndBlock[f]), top, bottom);
  }
  if (!stacked) RedrawOverlayOverBlock();
  flushPlot(f);
}

void RefreshMULTICHAN() {
  int16_t f;
  if (!frontReady(&f) || !makePlotCurrent(f)) return;
  plat::Port& p = plat::currentPort();
  for (int c = 1; c <= nChannels[f] && c <= kMaxChannels; ++c) {
    const plat::Picture& pic = MultiChannelImages[c];
    if (!pic.empty()) p.drawPicture(pic, pic.frame());
  }
  DrawSCREENWIDTHS();
  flushPlot(f);
}

void REFRESHBLOCK() {
  int16_t f;
  if (!frontReady(&f)) return;
  const bool block = FileSHORTS[f][kShortBlockState] == 2;
  if (!block && prefsArray[kPrefBlockInstructions] == 0) return;
  if (plat::windowExists(kBlockWindow)) {
    plat::selectWindow(kBlockWindow);
    plat::setCurrentPort(kBlockWindow);
  }
  if (block && gPlotHooks.drawBlock) gPlotHooks.drawBlock();
}

void DrawNewChan(int16_t skipStrip) {
  chanB = static_cast<uint16_t>(std::max<int16_t>(0, ActiveChannel));
  updateScreen(0, static_cast<uint16_t>(skipStrip), false);
  MakeNewChan = 1;
}

void CHANNELCHANGE(int16_t channel) {
  int16_t f;
  if (channel == 0 || !frontReady(&f) || nChannels[f] < 1) return;
  ActiveChannel = std::clamp<int16_t>(channel, 1, nChannels[f]);
  DrawNewChan(0);
  MakeChannelSelectionsPopUp();
  RebuildChannelMenu();
  if (makePlotCurrent(f)) plat::selectWindow(PlotWindowId(f));
}

void OpenPlotWindow(int16_t slot) {
  if (!slotReady(slot)) return;
  TheFileInUse = static_cast<uint16_t>(slot);
  int16_t c = ActiveChannelArray[slot];
  if (c < 1 || c > nChannels[slot]) c = FileSHORTS[slot][kShortActiveChannel];
  if (c < 1 || c > nChannels[slot]) c = 1;
  ActiveChannel = c;
  DrawMAINWINDOW();
  DrawPlot(0, 1, 1);
  MakeChannelSelectionsPopUp();
}

void ResizeTheMainWindow(uint16_t blockWindowFlag) {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!slotReady(f)) return;
  const int win = PlotWindowId(f);
  if (!plat::windowExists(win)) return;
  plat::setCurrentPort(win);
  plat::removeControl(win, kMarkersButton);
  GeometryFromWindow(win);
  const plat::Size size = plat::contentSize(win);
  plat::removeControl(win, kPageSlider);
  plat::Port& p = plat::port(win);
  p.setBackColor(gray);
  p.clearRect({0, PlotHeight, ScreenWidth, size.h});
  plat::removeControl(win, kButton100);

  // The redraw is silent.
  const int16_t sound = prefsArray[kPrefSoundLevel];
  prefsArray[kPrefSoundLevel] = 0;
  if (StackedViewShown(f)) {
    gPlotHooks.drawAllChannels(0);
    RefreshPLOTBLOCK(0);
    // The note buttons stand on the bottom line, which moved with the height.
    if (NumberOfNotes[f] > 0 && gPlotHooks.noteMarkers) gPlotHooks.noteMarkers();
  } else {
    DrawPlot(0, 0, 1);
  }
  MakeChannelSelectionsPopUp();
  if (nCases[f] > ScreenWidth) MakePLOT_SLIDER();
  // Also when the window was too narrow for the field before: the redraw
  // built it afresh, without the block's span.
  if (ScreenWidth > 831 && plat::controlExists(win, kBlockSpanField))
    plat::setFieldText(win, kBlockSpanField, blockSpanText(f));
  RightLim = plotcore::RightLimFor(ScreenWidth);

  if (blockWindowFlag != 0) {
    const int y = BottomOfPlotArea + (prefsArray[kPrefCommentsHidden] == 0 ? 132 : 72);
    BlockWindowRight = ScreenWidth;
    const int blockHeight =
        plat::windowExists(kBlockWindow) && FileSHORTS[f][kShortBlockState] == 2 ? plat::contentSize(kBlockWindow).h : 240;
    BlockWindowBottom = static_cast<int16_t>(std::min(y + blockHeight, plat::displaySize().h));
    if (gPlotHooks.openBlockWindow) {
      plat::disposeWindow(kBlockWindow);
      gPlotHooks.openBlockWindow();
      if (FileSHORTS[f][kShortBlockState] == 2 && gPlotHooks.drawBlock) gPlotHooks.drawBlock();
    }
    if (gPlotHooks.fixCommentsWindow) gPlotHooks.fixCommentsWindow();
  }
  prefsArray[kPrefSoundLevel] = sound;
  plat::setCurrentPort(win);
  plat::flushWindow(win);
}

void DrawPlotSummary(int16_t slot) {
  if (!slotReady(slot) || !plat::windowExists(PlotWindowId(slot))) return;
  const uint16_t keepFile = TheFileInUse;
  const int16_t keepChannel = ActiveChannel;
  const bool other = keepFile != static_cast<uint16_t>(slot);
  if (other) {
    TheFileInUse = static_cast<uint16_t>(slot);
    int16_t c = ActiveChannelArray[slot];
    ActiveChannel = c >= 1 && c <= nChannels[slot] ? c : 1;
  }
  ResizeTheMainWindow(0);
  if (other) {
    TheFileInUse = keepFile;
    ActiveChannel = keepChannel;
    const auto front = static_cast<int16_t>(keepFile);
    if (ValidFileSlot(front) && plat::windowExists(PlotWindowId(front))) {
      GeometryFromWindow(PlotWindowId(front));
      plat::setCurrentPort(PlotWindowId(front));
    }
  }
}
