#include "plot/ui/overlay.h"

#include <algorithm>

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/autoscale.h"
#include "plot/trace.h"
#include "plot/ui/draw.h"
#include "plot/ui/infoline.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "plot/ui/stacked.h"
#include "plot/ui/yscale.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

uint16_t showcolorlegend = 0;

namespace {

std::function<void()>& legendCloser() {
  static std::function<void()> close;
  return close;
}

bool frontFile(int16_t* f) {
  *f = static_cast<int16_t>(TheFileInUse);
  return ValidFileSlot(*f) && SlotHoldsFile(*f) && plat::windowExists(PlotWindowId(*f));
}

// A channel drawn over the active one.
bool anyDrawn(int16_t f, int16_t active) {
  for (int c = 1; c <= nChannels[f] && c <= kMaxChannels; ++c)
    if (OverlayArray[f][1][c] != 0 && c != active) return true;
  return false;
}

void optionsWindow(int16_t f) {
  const plat::Rect frame = plat::frameRect(PlotWindowId(f));
  const int L = plat::contentRect(PlotWindowId(f)).left;
  const int B = frame.top + BottomOfPlotArea + 5;
  HandlerScope keep;
  InstallDialogHandlers();
  BuildWINDOW(1, kOverlayOptionsWindow, "Overlay Lines and Persistence", static_cast<int16_t>(L + 9),
              static_cast<int16_t>(B + 182), static_cast<int16_t>(L + 310), static_cast<int16_t>(B + 331),
              kKindDocument, 1);
  const int w = kOverlayOptionsWindow;
  auto add = [w](int16_t id, plat::ButtonKind k, const char* title, plat::Rect r, int state) {
    AddKitButton(w, id, k, title, r, state);
  };
  const bool all = prefsArray[kPrefOverlayAll] == 1;
  add(kOverlayThisPlot, plat::ButtonKind::Radio, "Overlay on This Plot Only", {15, 6, 300, 24}, all ? 1 : 2);
  add(kOverlayAllPlots, plat::ButtonKind::Radio, "Overlay on All Subsequent Plots", {15, 30, 300, 50}, all ? 2 : 1);
  add(kOverlayDashed, plat::ButtonKind::CheckBox, "Use Dashed Overlay Lines", {35, 60, 300, 80},
      prefsArray[kPrefDashedOverlay] != 0 ? 2 : 1);
  add(kOverlayLegend, plat::ButtonKind::CheckBox, "Display Color Legend", {35, 90, 300, 110},
      showcolorlegend != 0 ? 2 : 1);
  add(kOverlayOK, plat::ButtonKind::DefaultPush, "Selection OK", {120, 120, 265, 140}, 1);
  ClearMailbox();
  for (;;) {
    const auto [a, id] = TakeEvent();
    // Each choice acts when clicked: closing keeps them, as "Selection OK" does.
    if (a == kActionClick && id == kOverlayOK) break;
    if (a == kActionClose) break;
    if (a == kActionKey && (id == 13 || id == 3)) break;
    if (a == kActionActivate && id != w) break;
    if (a != kActionClick) continue;
    if (id == kOverlayThisPlot || id == kOverlayAllPlots) {
      prefsArray[kPrefOverlayAll] = id == kOverlayAllPlots ? 1 : 0;
      plat::setButtonState(w, kOverlayThisPlot, id == kOverlayThisPlot ? 2 : 1);
      plat::setButtonState(w, kOverlayAllPlots, id == kOverlayAllPlots ? 2 : 1);
    } else if (id == kOverlayDashed) {
      prefsArray[kPrefDashedOverlay] = prefsArray[kPrefDashedOverlay] != 0 ? 0 : 1;
      plat::setButtonState(w, kOverlayDashed, prefsArray[kPrefDashedOverlay] != 0 ? 2 : 1);
    } else if (id == kOverlayLegend) {
      showcolorlegend = showcolorlegend != 0 ? 0 : 1;
      plat::setButtonState(w, kOverlayLegend, showcolorlegend != 0 ? 2 : 1);
    }
  }
  plat::disposeWindow(w);
}

}  // namespace

void DrawOVERLAY() {
  int16_t f;
  if (!frontFile(&f)) return;
  const int win = PlotWindowId(f);
  plat::Port& p = plat::port(win);
  const int16_t keepHistogram = PlotAsHistogram;
  const int16_t keepActive = ActiveChannel;
  const uint16_t keepMode = ScaleMode;
  const plotcore::Scale keepScale = CurrentScale();
  PlotAsHistogram = 0;
  plat::setCurrentPort(win);
  const plotcore::ViewState v = PlotViewState(f);
  const bool mono = prefsArray[kPrefColourDisplay] == 0;
  p.setClip({1, 19, ScreenWidth, BottomOfPlotArea - 2});
  for (int16_t c = 1; c <= nChannels[f] && c <= kMaxChannels; ++c) {
    if (c == keepActive || OverlayArray[f][1][c] == 0) continue;
    ScaleMode = DrawAllScaleMode < 0 ? plotcore::kScaleManual : static_cast<uint16_t>(DrawAllScaleMode);
    ActiveChannel = c;
    if (ScaleMode == plotcore::kScaleManual) SetScaleGlobals(plotcore::ManualScale(scalefact[c][5], scalefact[c][6]));
    else FindMinMax();
    const float yScale = plotcore::YScaleOf(PlotHeight, CurrentScale());
    const plotcore::TraceCall t = plotcore::MainTraceCall(v, BottomOfPlotArea, yScale, minimumValue, c);
    p.resetPen();
    p.setForeColor(mono ? plat::Rgb16{0, 0, 0} : OverlayColor[c]);
    if (prefsArray[kPrefDashedOverlay] != 0) p.setPenPattern(plat::systemPattern(4));
    Draw_PLOT_LINE(t.first, t.last, t.yZero, yScale, c, t.x0, t.xStep,
                   ScaleMode == plotcore::kScaleManual ? 1 : 0);
    p.flush();
  }
  p.clearClip();
  p.resetPen();
  p.setForeColor({0, 0, 0});
  plat::disposeWindow(16);
  plat::setCursor(plat::CursorKind::Arrow);
  ActiveChannel = keepActive;
  PlotAsHistogram = keepHistogram;
  ScaleMode = keepMode;
  SetScaleGlobals(keepScale);
  if (ScreenWidth >= 1031 && anyDrawn(f, keepActive)) {
    plat::ButtonSpec b;
    b.id = kClearOverlayButton;
    b.kind = plat::ButtonKind::SmallBevel;
    b.title = "Clear Overlay";
    b.r = {885, 0, 980, 17};
    b.font.pixelSize = 12;
    plat::addButton(win, b);
  }
}

void OVERLAY(const std::function<void()>& showColourLegend, const std::function<void()>& closeColourLegend) {
  int16_t f;
  if (!frontFile(&f)) return;
  legendCloser() = closeColourLegend;
  const uint16_t keepMode = ScaleMode;
  splot = -99;
  HideTheToolBar();
  const int16_t r = SELECTCHANNELS("Overlay Channel Selection", ActiveChannel, 0, 0, 4);
  RestoreTheToolBar();
  if (r == kSelectCancelled) {
    plat::disposeWindow(kChannelSelectWindow);
    plat::disposeWindow(kResultsWindow);
    prefsArray[kPrefOverlayAll] = 0;
    RefreshSCREEN();
  } else {
    plat::disposeWindow(kOverlayOptionsWindow);
    if (CustomOverlay != 0) {
      optionsWindow(f);
    } else {
      prefsArray[kPrefDashedOverlay] = 1;
      showcolorlegend = 0;
      prefsArray[kPrefOverlayAll] = 1;
    }
    if (showcolorlegend != 0 && showColourLegend) showColourLegend();
    // The plot under the overlay first: an earlier overlay must not stay.
    plat::setCurrentPort(PlotWindowId(f));
    DrawPlot(0, 0, 1);
    if (prefsArray[kPrefOverlayAll] == 0) DrawOVERLAY();
  }
  ScaleMode = keepMode;
  plat::setCurrentPort(PlotWindowId(f));
  if (ScaleMode == plotcore::kScaleManual && ActiveChannel >= 1 && ActiveChannel <= kMaxChannels)
    SetScaleGlobals(plotcore::ManualScale(scalefact[ActiveChannel][5], scalefact[ActiveChannel][6]));
  else FindMinMax();
  ClearMailbox();
  EndBeep();
  plat::selectWindow(PlotWindowId(f));
}

void RemoveOverlay() {
  if (legendCloser()) legendCloser()();
  prefsArray[kPrefOverlayAll] = 0;
  RefreshSCREEN();
}

void ClearOverlayButton() {
  int16_t f;
  if (!frontFile(&f)) return;
  if (FileSHORTS[f][kShortView] == 0)
    for (int c = 1; c <= kMaxChannels; ++c) OverlayArray[f][1][c] = 0;
  RemoveOverlay();
}

void FlashOverlay(int16_t channel) {
  int16_t f;
  if (!frontFile(&f) || channel < 1 || channel > nChannels[f]) return;
  // The flags are the stacked view's selection too: they come back as they were.
  uint16_t kept[kOverlayFlags];
  std::copy(std::begin(OverlayArray[f][1]), std::end(OverlayArray[f][1]), kept);
  for (int c = 1; c <= kMaxChannels; ++c) OverlayArray[f][1][c] = c == channel ? 1 : 0;
  DrawOVERLAY();
  std::copy(std::begin(kept), std::end(kept), std::begin(OverlayArray[f][1]));
}
