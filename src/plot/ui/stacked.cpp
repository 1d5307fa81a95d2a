#include "plot/ui/stacked.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/autoscale.h"
#include "plot/stacked.h"
#include "plot/trace.h"
#include "plot/ui/commentsbox.h"
#include "plot/ui/draw.h"
#include "plot/ui/infoline.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

uint16_t CustomScreenPlot = 0;
uint16_t CustomPlot = 0;
uint16_t MultiChanSelectorWindow = 1;
int16_t LastMCH = 0;
int16_t LastStripHeight = 0;
int16_t DrawAllScaleMode = plotcore::kScaleNormal;

namespace {

constexpr int kLastHideButton = kHideButtonBase + 24;
constexpr int kPrefStripLabelLayout = 9;   // 0: label after the channel number

bool frontFile(int16_t* f) {
  const auto s = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(s) || !SlotHoldsFile(s)) return false;
  *f = s;
  return true;
}

bool stacked(int16_t f) { return FileSHORTS[f][kShortView] == 1; }

// A word of the per-channel records as a row or mode: those records come
// from files, so a damaged value must not reach an integer conversion.
int16_t wordAsInt(float v) {
  return static_cast<int16_t>(std::isfinite(v) ? std::clamp(std::trunc(v), -32768.0f, 32767.0f) : 0.0f);
}

plat::FontSpec systemFont(int px) {
  plat::FontSpec font;
  font.pixelSize = px;
  return font;
}

void closeHideButtons(int win) {
  for (int id = kHideButtonBase + 1; id <= kLastHideButton; ++id)
    if (plat::controlExists(win, id)) plat::removeControl(win, id);
}

std::string stackedTitle(int16_t f) {
  return " Corvimet Plot Window:  File  '" + FileName[f] + "' (" + NumText(nChannels[f]) + " Channel" +
         (nChannels[f] == 1 ? "," : "s,") + NumText(nCases[f]) + " Samples ) ";
}

// Scale of channel c: its manual limits, or the autoscale over the cases in view.
void scaleChannel(int16_t c) {
  DrawAllScaleMode = wordAsInt(scalefact[c][4]);
  if (DrawAllScaleMode == -1) {
    SetScaleGlobals(plotcore::ManualScale(scalefact[c][5], scalefact[c][6]));
    return;
  }
  const int16_t keep = ActiveChannel;
  ActiveChannel = c;
  ScaleMode = plotcore::ScaleModeFromFactor(scalefact[c][4]);
  FindMinMax();
  ActiveChannel = keep;
}

void layoutStrips(int16_t f) {
  if (CustomScreenPlot != 0) return;
  const auto strips = plotcore::EqualStrips(OverlayArray[f][1], nChannels[f], stacked(f), ScreenHeight,
                                            BottomOfPlotArea);
  for (const plotcore::StripPlace& s : strips) {
    nVar[f][s.channel][8] = s.height;
    nVar[f][s.channel][9] = s.bottomPlus30;
    nVar[f][s.channel][11] = s.bottomPlus30 - 2;
    nVar[f][s.channel][12] = s.bottomPlus30;
    LastMCH = s.channel;
    LastStripHeight = static_cast<int16_t>(s.height);
  }
  // No channel picked: channel 1 is shown, with its hide button.
  if (strips.size() == 1 && !OverlayArray[f][1][strips[0].channel]) OverlayArray[f][1][strips[0].channel] = 1;
}

// The trace columns of every strip about to be drawn, the channels side by
// side on the processor's cores (the strips share their span); each strip's
// trace then only reads its own.
void prepareStripColumns(int16_t f, int16_t channel) {
  const plotcore::StripSpan span =
      plotcore::StackedSpan(PlotViewState(f), printblock != 0, BeginBlock[f], EndBlock[f]);
  // As Draw_PLOT_LINE decides between the table and the samples.
  if (span.last < span.first || !(span.xStep > 0 && span.xStep < 1.0 / 32)) return;
  std::vector<int16_t> channels;
  std::vector<const float*> data;
  for (int16_t c = 1; c <= nChannels[f] && c <= kMaxChannels; ++c) {
    if (!OverlayArray[f][1][c] || (channel != 0 && channel != c) || !ChannelData(f, c)) continue;
    channels.push_back(c);
    data.push_back(ChannelData(f, c));
  }
  plotcore::TraceParams tp;
  tp.first = span.first;
  tp.last = span.last;
  tp.x0 = 0.0;
  tp.xStep = span.xStep;
  plotcore::PlotLodCache().prepareColumns(f, channels.data(), data.data(), channels.size(), nCases[f], tp);
}

void drawStrip(int16_t f, int16_t c, bool full) {
  plat::Port& p = plat::currentPort();
  LastStripHeight = wordAsInt(nVar[f][c][8]);
  scaleChannel(c);
  range = maximumValue - minimumValue;
  const plotcore::StripRows rows = plotcore::RowsOfStrip(nVar[f][c][8], nVar[f][c][9]);
  const int top = rows.top, bottom = rows.bottom;
  if (bottom <= top) return;
  KillMCHpictures(c);
  const plat::Rect strip{0, top, ScreenWidth, bottom};
  p.startRecording(strip);
  if (full) LastBottom = static_cast<int16_t>(bottom - 1);

  p.resetPen();
  p.setForeColor(plotBackColor);
  p.fillRect(strip, plat::patterns::solid);
  const float yScale = range != 0 ? static_cast<float>(bottom - top) / range : 0.0f;

  const plotcore::ViewState v = PlotViewState(f);
  const plotcore::StripSpan span = plotcore::StackedSpan(v, printblock != 0, BeginBlock[f], EndBlock[f]);
  p.setClip({1, top + 1, ScreenWidth, bottom});
  p.setForeColor(PlotDataLineColor);
  if (span.last >= span.first && yScale > 0)
    Draw_PLOT_LINE(span.first, span.last, plotcore::StripBaseline(bottom, yScale, minimumValue), yScale, c, 0.0,
                   span.xStep, DrawAllScaleMode == -1 ? 1 : 0);
  p.clearClip();
  p.resetPen();

  p.setForeColor(plotForeColor);
  p.setFont(systemFont(10));
  p.moveTo(0, top + 12);
  p.drawText(NumText(maximumValue));
  const std::string label = TrimTrailingBlanks(RetrieveLabelOf(f, c));
  if (prefsArray[kPrefStripLabelLayout] == 0) {
    p.moveTo(138, top + 12);
    p.drawText("Channel" + NumText(c) + "         " + label);
  } else {
    p.moveTo(100, top + 12);
    p.drawText("Channel" + NumText(c) + " of" + NumText(nChannels[f]) + "    " + label);
  }
  p.moveTo(0, wordAsInt(nVar[f][c][11]) - 31);
  p.drawText(NumText(minimumValue));
  p.strokeRect({0, top, ScreenWidth, bottom + 1});

  if (prefsArray[kPrefGrid] != 0) {
    std::vector<plat::Point> pts;
    for (int y : plotcore::StripGridRows(bottom, LastStripHeight)) {
      pts.push_back({10, y});
      pts.push_back({ScreenWidth, y});
    }
    p.setPenMode(plat::PenMode::Or);
    p.setPenPattern(plat::systemPattern(28));
    p.drawSegments(pts.data(), pts.size() / 2);
    p.resetPen();
  }
  if (prefsArray[kPrefZeroLines] != 0)
    if (const auto y0 = plotcore::StripZeroRow(top, bottom, minimumValue, maximumValue)) {
      std::vector<plat::Point> pts;
      for (int x = 1; x < ScreenWidth; x += 20) {
        pts.push_back({x, *y0});
        pts.push_back({std::min<int>(x + 10, ScreenWidth), *y0});
      }
      p.setForeColor(Pwhite);
      p.drawSegments(pts.data(), pts.size() / 2);
    }
  p.setForeColor(plotForeColor);
  if (const auto endX = plotcore::StripEndOfDataX(v, printblock != 0)) {
    const plat::Point end[] = {{*endX, top}, {*endX + 1, bottom}};
    p.drawSegments(end, 1);
  }
  MultiChannelImages[c] = p.stopRecording();
}

}  // namespace

namespace {
bool furnitureHeld = false;
}  // namespace

void HoldStripFurniture(bool hold) {
  furnitureHeld = hold;
  int16_t f;
  if (!hold || !frontFile(&f)) return;
  plat::disposeWindow(kSelectorWindow);
  if (plat::windowExists(PlotWindowId(f))) closeHideButtons(PlotWindowId(f));
}

void DrawALLCHANNELS(int16_t channel) {
  int16_t f;
  if (!frontFile(&f)) return;
  const int win = PlotWindowId(f);
  if (!plat::windowExists(win)) return;
  plat::setCurrentPort(win);
  wssst();
  plat::setCursor(plat::CursorKind::Arrow);
  const uint16_t keptScaleMode = ScaleMode;
  ScaleMode = static_cast<uint16_t>(DrawAllScaleMode);
  BaseLineButton = 0;
  Xstep = plotcore::ExpansionStep(nCases[f], ScreenWidth);
  plat::setTitle(win, stackedTitle(f));
  if (channel == 0) {
    // A strip hidden or a view changed leaves nothing of the old picture.
    plat::Port& p = plat::port(win);
    p.setBackColor(gray);
    p.clearRect({0, 19, ScreenWidth, BottomOfPlotArea});
  }
  layoutStrips(f);
  if (stacked(f) && gPlotHooks.drawTimeDate) gPlotHooks.drawTimeDate();
  closeHideButtons(win);

  const int16_t keptChannel = ActiveChannel;
  int lastBottomRow = BottomOfPlotArea;
  prepareStripColumns(f, channel);
  for (int16_t c = 1; c <= nChannels[f] && c <= kMaxChannels; ++c) {
    if (!OverlayArray[f][1][c] || (channel != 0 && channel != c)) continue;
    ActiveChannel = c;
    drawStrip(f, c, channel == 0);
    lastBottomRow = plotcore::RowsOfStrip(nVar[f][c][8], nVar[f][c][9]).bottom;
  }
  BlockMinY = static_cast<float>(lastBottomRow);
  if (stacked(f)) {
    DrawSCREENWIDTHS();
    ActiveChannel = keptChannel;
  }
  if (FileInfoFLOATS[f][kInfoInterval] > 0 && prefsArray[kPrefTimeLabels] != 0)
    DrawTimeIndex(static_cast<int16_t>(BottomOfPlotArea - 3), 1);
  if (MarkerCount(f) > 0 && prefsArray[kPrefMarkersShown] != 0 && gPlotHooks.drawMarkers) gPlotHooks.drawMarkers();
  ScaleMode = keptScaleMode;
  if (!furnitureHeld) {
    MultiChannelIndicator();
    MultiChannelChanSelectWindow(static_cast<uint16_t>(std::max<int16_t>(0, channel)));
  }
  plat::setCurrentPort(win);
  plat::flushWindow(win);
}

void MultiChannelChanSelectWindow(uint16_t mode) {
  int16_t f;
  if (!frontFile(&f)) return;
  const int win = PlotWindowId(f);
  plat::disposeWindow(kSelectorWindow);
  if (!plat::windowExists(win) || !stacked(f)) return;
  if (mode == 0) {
    for (int16_t c = nChannels[f]; c >= 1; --c)
      if (OverlayArray[f][1][c]) {
        LastBottom = static_cast<int16_t>(plotcore::RowsOfStrip(nVar[f][c][8], nVar[f][c][9]).bottom - 1);
        break;
      }
  }
  const plat::Rect content = plat::contentRect(win);
  // Beside the plot, but never past the desk's right edge.
  const int R = std::min(plat::frameRect(win).right, plat::displaySize().w - 32), T = content.top, H = content.height();
  plat::WindowSpec w;
  w.id = kSelectorWindow;
  w.title = " ";
  w.cls = plat::WindowClass::Floating;
  // Down to the lowest strip's button at least.
  int lowest = H - 40;
  for (int16_t c = 1; c <= nChannels[f] && c <= kMaxChannels; ++c)
    if (OverlayArray[f][1][c]) lowest = std::max(lowest, plotcore::RowsOfStrip(nVar[f][c][8], nVar[f][c][9]).bottom + 1);
  w.content = MultiChanSelectorWindow != 0 ? plat::Rect{R, T, R + 32, T + std::max(20, lowest)}
                                           : plat::Rect{R, T, R + 32, T + 20};
  w.background = ToolBarBackgroundColor;
  plat::createWindow(w);
  plat::Port& p = plat::port(kSelectorWindow);
  p.setBackColor(ToolBarBackgroundColor);
  p.clearRect({0, 0, 32, w.content.height()});
  p.setForeColor(kBlack);
  // The word fits the 32-pixel window whatever the face.
  plat::FontSpec small = systemFont(12);
  p.setFont(small);
  while (small.pixelSize > 7 && p.textWidth("chans") > 28) {
    --small.pixelSize;
    p.setFont(small);
  }
  p.moveTo(2, 11);
  p.drawText("chans");
  if (MultiChanSelectorWindow != 0) {
    for (int16_t c = 1; c <= nChannels[f] && c <= kMaxChannels; ++c) {
      if (!OverlayArray[f][1][c]) continue;
      const plotcore::StripRows rows = plotcore::RowsOfStrip(nVar[f][c][8], nVar[f][c][9]);
      plat::ButtonSpec b;
      b.id = kSelectorButtonBase + c;
      b.kind = plat::ButtonKind::SmallBevel;
      b.title = NumText(c);
      b.r = {1, rows.top + 1, 31, rows.bottom};
      b.state = c == ActiveChannel ? 2 : 1;
      plat::addButton(kSelectorWindow, b);
    }
  }
  plat::flushWindow(kSelectorWindow);
  plat::setCurrentPort(win);
}


void MultiChannelDisplay(int16_t mode) {
  int16_t f;
  if (!frontFile(&f) || nChannels[f] < 2) return;
  const int win = PlotWindowId(f);
  const bool askedByMenu = mode == 0;
  bool single = (mode != 0 && mode != kMultiAfterNewChannel) || FileSHORTS[f][kShortView] > 2;
  if (!single) {
    PlayNamedSound("brrrp");
    plat::setCursor(plat::CursorKind::Arrow);
    HideTheToolBar();
    const bool wasStacked = stacked(f);
    const int left = (ScreenWidth - 500) / 2;
    HandlerScope keep;
    InstallDialogHandlers();
    BuildWINDOW(1, kMultiDisplayWindow, "Multichannel Display", static_cast<int16_t>(left), 80,
                static_cast<int16_t>(left + 260), 330, kKindDocument, 1);
    auto button = [](int16_t id, plat::ButtonKind kind, const std::string& title, plat::Rect r, int state) {
      plat::ButtonSpec b;
      b.id = id;
      b.kind = kind;
      b.title = title;
      b.r = r;
      b.state = state;
      plat::addButton(kMultiDisplayWindow, b);
    };
    using K = plat::ButtonKind;
    button(kMultiCustomHeights, K::CheckBox, "Use non-standard plot heights", {25, 5, 250, 24},
           CustomScreenPlot ? 2 : 1);
    if (wasStacked) {
      button(kMultiSameView, K::Radio, "Same view as before", {44, 34, 245, 54}, 1);
      button(kMultiAdjust, K::Radio, "Adjust Channels", {44, 64, 248, 84}, 2);
      button(kMultiOneChannel, K::Radio, "One Channel  (Show ch." + NumText(ActiveChannel) + ") ", {44, 94, 235, 114},
             1);
    }
    plat::Port& p = plat::port(kMultiDisplayWindow);
    p.setForeColor(kBlack);
    p.strokeRect({10, 125, 245, 212});
    plat::FontSpec heading = systemFont(14);
    p.setFont(heading);
    p.moveTo(32, 140);
    p.drawText("If a new channel is created:");
    const bool ask = prefsArray[kPrefAskToPlotNewChannel] != 0;
    button(kMultiAskNew, K::Radio, "Ask if it Should Be Plotted", {20, 155, 230, 175}, ask ? 2 : 1);
    button(kMultiDontAsk, K::Radio, "Don't Ask (Do Not Plot) ", {20, 185, 235, 205}, ask ? 1 : 2);
    button(kMultiCancel, K::Push, "Cancel", {20, 220, 125, 240}, 1);
    button(kMultiOK, K::DefaultPush, "OK", {135, 220, 245, 240}, 1);
    plat::flushWindow(kMultiDisplayWindow);

    auto enableChoices = [](bool on) {
      for (int16_t id : {kMultiAskNew, kMultiDontAsk, kMultiCustomHeights}) {
        const int s = plat::buttonState(kMultiDisplayWindow, id);
        if (on && s == 0) plat::setButtonState(kMultiDisplayWindow, id, 1);
        if (!on && s > 0) plat::setButtonState(kMultiDisplayWindow, id, 0);
      }
      plat::setButtonState(kMultiDisplayWindow, kMultiCustomHeights, on ? (CustomScreenPlot ? 2 : 1) : 0);
    };
    auto selectRadio = [wasStacked](int16_t chosen) {
      if (!wasStacked) return;
      for (int16_t id : {kMultiSameView, kMultiAdjust, kMultiOneChannel})
        plat::setButtonState(kMultiDisplayWindow, id, id == chosen ? 2 : 1);
    };
    bool oneChannel = false, sameView = false, accepted = false, heightsTicked = false;
    ClearMailbox();
    for (;;) {
      plat::pump();
      const int16_t a = action, id = eventID;
      ClearMailbox();
      if (a == kActionClick) {
        if (id == kMultiOK) {
          accepted = true;
          break;
        }
        if (id == kMultiCancel) break;
        if (id == kMultiAdjust) {
          selectRadio(kMultiAdjust);
          enableChoices(true);
          FileSHORTS[f][kShortView] = 1;
          oneChannel = sameView = false;
        } else if (id == kMultiOneChannel) {
          selectRadio(kMultiOneChannel);
          FileSHORTS[f][kShortView] = 0;
          enableChoices(false);
          oneChannel = true;
          sameView = false;
        } else if (id == kMultiCustomHeights) {
          CustomScreenPlot = CustomScreenPlot ? 0 : 1;
          heightsTicked = CustomScreenPlot != 0;
          plat::setButtonState(kMultiDisplayWindow, kMultiCustomHeights, CustomScreenPlot ? 2 : 1);
        } else if (id == kMultiSameView) {
          selectRadio(kMultiSameView);
          enableChoices(true);
          sameView = true;
          oneChannel = false;
        } else if (id == kMultiAskNew || id == kMultiDontAsk) {
          plat::setButtonState(kMultiDisplayWindow, kMultiAskNew, id == kMultiAskNew ? 2 : 1);
          plat::setButtonState(kMultiDisplayWindow, kMultiDontAsk, id == kMultiDontAsk ? 2 : 1);
          prefsArray[kPrefAskToPlotNewChannel] = id == kMultiAskNew ? 1 : 0;
        }
        continue;
      }
      if (a == kActionClose && id == kMultiDisplayWindow) break;
      if (a == kActionKey || (a == kActionActivate && id != kMultiDisplayWindow)) {
        accepted = true;
        break;
      }
    }
    plat::disposeWindow(kMultiDisplayWindow);
    if (!accepted) {
      // The choices for new channels and the height box stay; after "One
      // Channel" the file is single, and its window shows it so.
      RestoreTheToolBar();
      if (FileSHORTS[f][kShortView] == 0 && wasStacked) MultiChannelDisplay(1);
      else if (plat::windowExists(win)) plat::selectWindow(win);
      return;
    }
    if (!oneChannel) FileSHORTS[f][kShortView] = 1;
    single = oneChannel;
    if (!single) {
      if (sameView && wasStacked) {
        RestoreTheToolBar();
        if (plat::windowExists(win)) plat::selectWindow(win);
        return;
      }
      if (ScaleMode != 4) ScaleMode = 5;
      splot = 1;
      const std::vector<uint16_t> shownBefore(std::begin(OverlayArray[f][1]), std::end(OverlayArray[f][1]));
      SELECTCHANNELS("Select Channels To Display", ActiveChannel, 0, 0, 3);
      if (CustomScreenPlot != 0) {
        if (askedByMenu || heightsTicked) ChangeCHARTHITE(1);
        else if (!std::equal(shownBefore.begin(), shownBefore.end(), std::begin(OverlayArray[f][1])))
          CustomScreenPlot = 0;
      }
      RestoreTheToolBar();
      if (plat::controlExists(kToolbarWindow, 581)) plat::setButtonState(kToolbarWindow, 581, 0);
      DRAWCOMMENTS();
      DrawALLCHANNELS(0);
      if (printblock == 0) RefreshPLOTBLOCK(0);
      SETMENU(1);
      return;
    }
  }

  // Back to the single view.
  if (plat::windowExists(win)) closeHideButtons(win);
  for (int c = 0; c < kOverlayFlags; ++c) {
    OverlayArray[f][1][c] = 0;
    if (mode != 0) OverlayArray[f][2][c] = 0;
  }
  printblock = 0;
  FileSHORTS[f][kShortView] = 0;
  plat::disposeWindow(7);
  plat::disposeWindow(kSelectorWindow);
  plat::disposeWindow(kResultsWindow);
  ScaleMode = static_cast<uint16_t>(DrawAllScaleMode);
  if (plat::windowExists(win)) {
    FindMinMax();
    DrawPlot(0, 1, 1);
    plat::selectWindow(win);
  }
  BaseLineButton = 0;
  if (AllValues && gPlotHooks.doAllValues) gPlotHooks.doAllValues(0);
  RestoreTheToolBar();
  if (plat::controlExists(kToolbarWindow, 581)) plat::setButtonState(kToolbarWindow, 581, 1);
  SETMENU(1);
}

bool HandleStackedControlClick(int16_t controlId) {
  int16_t f;
  if (!frontFile(&f) || !stacked(f)) return false;
  if (controlId > kHideButtonBase && controlId <= kLastHideButton) {
    const int16_t c = static_cast<int16_t>(controlId - kHideButtonBase);
    if (c > nChannels[f]) return true;
    OverlayArray[f][1][c] = 0;
    CustomScreenPlot = 0;
    closeHideButtons(PlotWindowId(f));
    DrawALLCHANNELS(0);
    if (printblock == 0) RefreshPLOTBLOCK(0);
    return true;
  }
  if (controlId > kSelectorButtonBase && controlId <= kSelectorButtonBase + 24) {
    const int16_t c = static_cast<int16_t>(controlId - kSelectorButtonBase);
    if (c <= nChannels[f] && c != ActiveChannel) {
      ActiveChannel = c;
      ActiveChannelArray[f] = c;
      MakeChannelSelectionsPopUp();
      RebuildChannelMenu();
      MultiChannelIndicator();
      MultiChannelChanSelectWindow(static_cast<uint16_t>(c));
    }
    return true;
  }
  return false;
}

void RegisterStackedViewCommands() {
  RegisterCommand(Cmd::ShowMultiple, [](int16_t) { MultiChannelDisplay(0); });
  RegisterCommand(Cmd::ShowSingle, [](int16_t) { MultiChannelDisplay(1); });
  gPlotHooks.drawAllChannels = DrawALLCHANNELS;
  gPlotHooks.multiChannelDisplay = MultiChannelDisplay;
  gDispatchHooks.rebuildStackedDisplay = [] { MultiChannelDisplay(kMultiAfterNewChannel); };
}
