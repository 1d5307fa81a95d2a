#include "editing/ui/spiketool.h"

#include <exception>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "editing/linearise.h"
#include "editing/spikes.h"
#include "editing/ui/editframe.h"
#include "output/ui/analysiskit.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/geometry.h"
#include "plot/stacked.h"
#include "plot/ui/databar.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "plot/ui/stacked.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menutable.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

int16_t DoSlant = 0;
int16_t spikeInterpMarkers = 0;
int16_t CVX2 = 2;

namespace {

constexpr int kPlotTop = 19;
constexpr plat::Rgb16 kIconRed{56797, 0, 0};
int pressWindow = 0;

struct Tool {
  int16_t slot = 0;
  int win = 0;
  bool stacked = false;   // the tool works inside the strips of the stacked view
  int16_t undoChannel = 0;
  int16_t rspk = 0;
  float nslant = 0.0f;
  bool rejected = true;
  int32_t firstval = 0, secondval = 0;
  SpikeEdit lastSpike;
  int16_t lastSpikeChannel = 0;
  SpanEdit lastSpan;
  int16_t lastSpanChannel = 0;
  bool lastSpanMarked = false;
  std::vector<MarkerRecord> markersBeforeSpan;   // the list a rejection of the span gives back
};

void toolMouse(const plat::Event& e) {
  if (e.kind != plat::EventKind::MouseDown) return;
  HorizPosition = static_cast<int16_t>(e.local.x);
  VerticalPosition = static_cast<int16_t>(e.local.y);
  pressWindow = e.window;
  action = kActionMouse;
  eventID = static_cast<int16_t>(e.window);
}

void text(int x, int y, const std::string& t, int size) {
  DrawOrrelinText(kResultsWindow, x, y, t, size);
}

void control(int16_t id, plat::ButtonKind kind, const char* title, plat::Rect r, int state = 1) {
  AddKitButton(kResultsWindow, id, kind, title, r, state);
}

// The mode picture: before and after, a spike removed or a span straightened.
void SLANTICON() {
  plat::Port& p = plat::port(kResultsWindow);
  const plat::Rect boxes[2] = {{10, 85, 140, 165}, {175, 85, 305, 165}};
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> noise(-6, 6);
  int ys[126];
  for (int k = 0; k < 126; ++k) ys[k] = 125 + (DoSlant ? noise(rng) * 3 : noise(rng) / 2);
  if (!DoSlant) ys[60] = 96;
  for (int b = 0; b < 2; ++b) {
    const plat::Rect r = boxes[b];
    p.setForeColor(kWhite);
    p.fillRect(r);
    BuildBOX(static_cast<int16_t>(r.left), static_cast<int16_t>(r.top), static_cast<int16_t>(r.right),
             static_cast<int16_t>(r.bottom));
    p.setForeColor(kBlack);
    for (int k = 1; k < 126; ++k) {
      int y0 = ys[k - 1], y1 = ys[k];
      if (b == 1 && !DoSlant && (k == 60 || k == 61)) y0 = y1 = 125;
      if (b == 1 && DoSlant && k > 40 && k < 86) {
        p.setForeColor(kIconRed);
        y0 = ys[40] + (ys[86] - ys[40]) * (k - 1 - 40) / 46;
        y1 = ys[40] + (ys[86] - ys[40]) * (k - 40) / 46;
      } else {
        p.setForeColor(kBlack);
      }
      p.moveTo(r.left + 2 + k - 1, y0);
      p.lineTo(r.left + 2 + k, y1);
    }
    if (DoSlant) {
      p.setForeColor(kMediumDarkGray);
      for (const int gx : {42, 88}) {
        p.moveTo(r.left + gx, r.top + 4);
        p.lineTo(r.left + gx, r.bottom - 5);
      }
    }
  }
  p.setForeColor(kIconRed);
  p.moveTo(146, 125);
  p.lineTo(168, 125);
  p.moveTo(162, 120);
  p.lineTo(168, 125);
  p.lineTo(162, 130);
  p.setForeColor(kBlack);
}

void showModes() {
  plat::setButtonState(kResultsWindow, kToolSpikeMode, DoSlant ? 1 : 2);
  plat::setButtonState(kResultsWindow, kToolLinearMode, DoSlant ? 2 : 1);
  plat::setButtonState(kResultsWindow, kToolMarkers, !DoSlant ? 0 : spikeInterpMarkers ? 2 : 1);
  plat::setButtonState(kResultsWindow, kToolConserve, !DoSlant ? 0 : prefsArray[kPrefConserveVariation] ? 2 : 1);
}

void SpkAvj2(const Tool& t) {
  plat::setFieldText(kResultsWindow, kToolCountField, "number of spikes removed:" + NumText(t.rspk));
  if (plat::windowExists(t.win)) plat::setCurrentPort(t.win);
}

void buildPanel() {
  OpenResultsWIndow(0, 1, 1, "Spike Removal", 0);
  FitResultsWindow(300);
  plat::setCurrentPort(kResultsWindow);
  DrawChannelButtons();
  plat::setButtonState(kResultsWindow, ActiveChannel, 2);
  text(6, 20, " To remove spikes in the plot, click on them", 16);
  text(6, 38, "    [ DELETE key or UNDO rejects the last CASE ]", 12);
  GrayBOX(1, 4, 44, 446, 256);
  using K = plat::ButtonKind;
  control(kToolSpikeMode, K::Radio, "Spike Mode", {10, 54, 130, 72});
  control(kToolLinearMode, K::Radio, "Data Linearizing Mode", {140, 54, 330, 72});
  control(kToolMarkers, K::CheckBox, "Interpolation Markers", {10, 172, 200, 190});
  control(kToolConserve, K::CheckBox, "Conserve Variation:", {10, 194, 180, 212});
  if (CVX2 < 1 || CVX2 > 5) CVX2 = 2;
  plat::addPopup(kResultsWindow, kToolPassesPopup, kToolPassesMenu, CVX2, {184, 192, 300, 212});
  plat::FieldSpec f;
  f.id = kToolCountField;
  f.kind = plat::FieldKind::Static;
  f.r = {10, 218, 320, 236};
  plat::addField(kResultsWindow, f);
  control(kToolHelpButton, K::Push, " ?", {340, 228, 374, 250});
  control(kToolDone, K::DefaultPush, "Done", {380, 228, 440, 250});
  showModes();
  SLANTICON();
}

// The view drawn afresh: in the stacked view the active channel's strip
// (channel 0: every strip), else the single plot.
void redrawPlot(const Tool& t, bool everyStrip = false) {
  if (!plat::windowExists(t.win)) return;
  plat::setCurrentPort(t.win);
  if (t.stacked) DrawALLCHANNELS(everyStrip ? int16_t{0} : ActiveChannel);
  else DrawPlot(0, 0, 0);
  plat::flushWindow(t.win);
}

// Rows a linearising band and its mark take: the active strip in the
// stacked view, the plot area otherwise.
plotcore::StripRows toolRows(const Tool& t) {
  if (t.stacked) return plotcore::RowsOfStrip(nVar[t.slot][ActiveChannel][8], nVar[t.slot][ActiveChannel][9]);
  return {kPlotTop, BottomOfPlotArea - 3};
}

// The undo copy stays one level: it moves to another channel when the tool
// first changes that one.
bool readyToChange(Tool& t) {
  if (ActiveChannel == t.undoChannel && UndoAvailable(t.slot)) return true;
  if (MAKEBACKUP(ActiveChannel) != StoreStatus::Ok) return false;
  t.undoChannel = ActiveChannel;
  return true;
}

void changed(const Tool& t) {
  MarkChannelEdited(t.slot, ActiveChannel);
}

int32_t caseAt(const Tool& t, int x) {
  return CaseAtPixel(x, FileSHORTS[t.slot][kShortSegment], ScreenWidth, Xstep);
}

void removeSpike(Tool& t) {
  if (!readyToChange(t)) return;
  t.lastSpike = RemoveSpikeAt(ChannelData(t.slot, ActiveChannel), nCases[t.slot], caseAt(t, HorizPosition));
  t.lastSpikeChannel = ActiveChannel;
  changed(t);
  ++t.rspk;
  t.rejected = false;
  if (prefsArray[kPrefSoundLevel] > 25) Tick();
  redrawPlot(t);
  SpkAvj2(t);
}

void flipBand(const Tool& t, int x1, int x2) {
  if (x1 == x2) return;
  plat::Port& p = plat::port(t.win);
  const plotcore::StripRows rows = toolRows(t);
  p.invertRect({std::min(x1, x2), rows.top, std::max(x1, x2), rows.bottom});
}

void linearise(Tool& t) {
  const int pressX = HorizPosition;
  if (prefsArray[kPrefSoundLevel] != 0) lobeep();
  int lastX = pressX;
  for (bool down = true; down;) {
    plat::Point at;
    down = plat::trackDrag(t.win, &at);
    const int x = at.x;
    if (x == lastX) continue;
    flipBand(t, pressX, lastX);
    flipBand(t, pressX, x);
    lastX = x;
    plat::flushWindow(t.win);
  }
  flipBand(t, pressX, lastX);
  const int32_t n = nCases[t.slot];
  if (lastX == pressX) {
    const int32_t c = std::min(caseAt(t, pressX), n);
    if (t.firstval == 0) {
      t.firstval = c;
      if (prefsArray[kPrefSoundLevel] != 0) lobeep();
    } else {
      t.secondval = c;
      if (prefsArray[kPrefSoundLevel] != 0) hibeep();
    }
  } else {
    t.firstval = std::max(caseAt(t, std::min(pressX, lastX)), 0);
    t.secondval = std::min(caseAt(t, std::max(pressX, lastX)), n);
    if (prefsArray[kPrefSoundLevel] != 0) {
      lobeep();
      plat::delayMs(75);
      hibeep();
    }
  }
  plat::Port& p = plat::port(t.win);
  const plotcore::StripRows rows = toolRows(t);
  p.moveTo(pressX, rows.bottom - 1);
  p.lineTo(pressX, std::min(rows.bottom - 1, t.stacked ? rows.top + 12 : 70));
  if (t.secondval == 0) return;
  const int32_t a = std::min(t.firstval, t.secondval), b = std::max(t.firstval, t.secondval);
  t.firstval = t.secondval = 0;
  if (a == b || !readyToChange(t)) return;
  const int32_t passes = prefsArray[kPrefConserveVariation] != 0 ? CVX2 : 0;
  const SpanEdit span =
      LineariseSpan(ChannelData(t.slot, ActiveChannel), ChannelData(t.slot, 0), n, a, b, passes);
  if (span.first == span.last) return;
  t.lastSpan = span;
  t.lastSpanChannel = ActiveChannel;
  t.lastSpanMarked = false;
  if (spikeInterpMarkers != 0) {
    std::vector<MarkerRecord> before = MarkersArray[t.slot];
    if (AddInterpolationPair(t.slot, span.first, span.last) == StoreStatus::Ok) {
      try {
        MakeInterpolationRecordFor(t.slot);
      } catch (...) {
        // The span goes back with its markers: nothing of it is left half-made.
        SwapMarkerList(t.slot, before);
        RestoreSpan(ChannelData(t.slot, ActiveChannel), ChannelData(t.slot, 0), span);
        throw;
      }
      t.markersBeforeSpan = std::move(before);
      t.lastSpanMarked = true;
    }
  }
  changed(t);
  t.nslant += 1.0f;
  ++t.rspk;
  t.rejected = false;
  redrawPlot(t);
  SpkAvj2(t);
}

void SpikeKey(Tool& t) {
  if (t.rejected) return;
  if (DoSlant == 0 && t.rspk >= 1 && t.lastSpikeChannel != 0) {
    float* x = ChannelData(t.slot, t.lastSpikeChannel);
    if (x) x[t.lastSpike.caseIndex] = t.lastSpike.before;
    --t.rspk;
  } else if (DoSlant == 1 && t.nslant > 0.0f && t.lastSpanChannel != 0) {
    RestoreSpan(ChannelData(t.slot, t.lastSpanChannel), ChannelData(t.slot, 0), t.lastSpan);
    if (t.lastSpanMarked) {
      // The list as it was: which of a case's markers the pair stood beside
      // is kept exactly.
      SetMarkers(t.slot, std::move(t.markersBeforeSpan));
      t.markersBeforeSpan.clear();
      t.lastSpanMarked = false;
      MakeInterpolationRecordFor(t.slot);
    }
    t.nslant -= 1.0f;
  } else {
    return;
  }
  changed(t);
  Rip();
  t.rejected = true;
  redrawPlot(t);
  if (t.rspk > 0) SpkAvj2(t);
}

void shiftChannel(Tool& t, int16_t to) {
  const int16_t n = nChannels[t.slot];
  if (to < 1) to = n;
  if (to > n) to = 1;
  plat::setButtonState(kResultsWindow, ActiveChannel, 1);
  ActiveChannel = to;
  chanB = static_cast<uint16_t>(to);
  plat::setButtonState(kResultsWindow, to, 2);
  MakeChannelSelectionsPopUp();
  // Every strip is on view already: only the single plot changes channel.
  if (plat::windowExists(t.win) && !t.stacked) {
    plat::setCurrentPort(t.win);
    FindMinMax();
    DrawPlot(0, 0, 0);
  }
}

void page(Tool& t, int delta) {
  int16_t& seg = FileSHORTS[t.slot][kShortSegment];
  const int32_t next = seg + delta;
  if (next < 1 || next > FileSHORTS[t.slot][kShortSegments]) return;
  seg = static_cast<int16_t>(next);
  plat::setCurrentPort(t.win);
  if (t.stacked) {
    redrawPlot(t, true);
  } else {
    FindMinMax();
    DrawPlot(0, 0, 1);
  }
  if (plat::controlExists(t.win, kPageSlider)) plat::setSliderValue(t.win, kPageSlider, seg);
}

bool insidePlot(const Tool& t) {
  const plotcore::StripRows rows = t.stacked ? toolRows(t) : plotcore::StripRows{kPlotTop, BottomOfPlotArea};
  return VerticalPosition > rows.top && VerticalPosition < rows.bottom && HorizPosition > 0 &&
         HorizPosition <= plat::contentSize(t.win).w;
}

void runTool(Tool& t) {
  buildPanel();
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kResultsWindow)) return;
    if (EditPickPending()) {
      if (MenuPick{menuidx, menuitemx} == MenuPick{kMenuEdit, 1}) {
        MENU_or_ToolBar_PICKED = 0;
        menuidx = menuitemx = 0;
        SpikeKey(t);
        continue;
      }
      return;
    }
    if (a == kActionClose && id == kResultsWindow) return;
    if (a == kActionKey) {
      switch (id) {
        case '?':
        case '/': plat::openHelp(kSpikeHelp); break;
        case 8: SpikeKey(t); break;
        case 13: return;
        case 28: page(t, -1); break;
        case 29: page(t, 1); break;
        case 30: shiftChannel(t, static_cast<int16_t>(ActiveChannel + 1)); break;
        case 31: shiftChannel(t, static_cast<int16_t>(ActiveChannel - 1)); break;
        default: break;
      }
      continue;
    }
    if (a == kActionMouse && pressWindow == t.win && insidePlot(t)) {
      plat::setCurrentPort(t.win);
      if (DoSlant == 0) removeSpike(t);
      else linearise(t);
      continue;
    }
    if (a != kActionClick) continue;
    if (IsDeferredToolbarClick(id)) {
      DeferToolbarClick(id);
      return;
    }
    if (id >= 1 && id <= nChannels[t.slot]) {
      shiftChannel(t, id);
      plat::setCurrentPort(kResultsWindow);
      SLANTICON();
      EndBeep();
      continue;
    }
    switch (id) {
      case kToolSpikeMode:
      case kToolLinearMode:
        DoSlant = id == kToolLinearMode ? 1 : 0;
        showModes();
        SLANTICON();
        EndBeep();
        break;
      case kToolMarkers:
        spikeInterpMarkers = spikeInterpMarkers ? 0 : 1;
        showModes();
        break;
      case kToolConserve:
        prefsArray[kPrefConserveVariation] = prefsArray[kPrefConserveVariation] ? 0 : 1;
        showModes();
        break;
      case kToolPassesPopup: CVX2 = static_cast<int16_t>(plat::popupValue(kResultsWindow, kToolPassesPopup)); break;
      case kToolHelpButton:
        HelpSubject = kSpikeToolHelp;
        plat::openHelp(kSpikeToolHelp);
        break;
      case kToolDone: return;
      default: break;
    }
  }
}

}  // namespace

int16_t IntREMOVESPIKE(int16_t) {
  HelpSubject = kSpikeHelp;
  Tool t;
  t.slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(t.slot) || !SlotHoldsFile(t.slot) || ActiveChannel < 1 || ActiveChannel > nChannels[t.slot])
    return 0;
  t.win = PlotWindowId(t.slot);
  if (!plat::windowExists(t.win)) return 0;
  const StoreStatus backup = MAKEBACKUP(ActiveChannel);
  if (backup != StoreStatus::Ok) {
    ShowAlert(std::string("Nothing can be changed: no undo copy could be kept. ") + StoreStatusText(backup));
    return 0;
  }
  t.undoChannel = ActiveChannel;
  LastChan = ActiveChannel;
  plat::setCurrentPort(t.win);
  const int16_t blockState = FileSHORTS[t.slot][kShortBlockState];
  const int16_t histogram = PlotAsHistogram;
  const int16_t compressed = FileSHORTS[t.slot][kShortCompressed];
  // A stroke that runs out of memory leaves by the main loop, which puts the
  // channel back: the block and the view go back with it.
  struct ViewOnFailure {
    int16_t slot, block, histogram, compressed, zoomed;
    int unwinding = std::uncaught_exceptions();
    ~ViewOnFailure() {
      if (std::uncaught_exceptions() <= unwinding) return;
      FileSHORTS[slot][kShortBlockState] = block;
      FileSHORTS[slot][kShortCompressed] = compressed;
      FileSHORTS[slot][kShortZoomed] = zoomed;
      PlotAsHistogram = histogram;
      HoldStripFurniture(false);
    }
  } viewOnFailure{t.slot, blockState, histogram, compressed, FileSHORTS[t.slot][kShortZoomed]};
  if (blockState == 2) RefreshPLOTBLOCK(0);
  FileSHORTS[t.slot][kShortBlockState] = 0;
  PlotAsHistogram = 0;
  // In the stacked view the tool works inside the strips, with no selector
  // or hide buttons that could change the view under it.
  t.stacked = StackedViewShown(t.slot);
  if (t.stacked) HoldStripFurniture(true);
  if (histogram != 0 || compressed != 0 || FileSHORTS[t.slot][kShortZoomed] != 0) {
    FileSHORTS[t.slot][kShortCompressed] = 0;
    FileSHORTS[t.slot][kShortZoomed] = 0;
    if (t.stacked) {
      redrawPlot(t, true);
    } else {
      FindMinMax();
      DrawPlot(0, 0, 1);
    }
  }
  if (DsLx == 0) DoSlant = 0;
  {
    EditDialogScope frame;
    plat::handlers().mouse = toolMouse;
    runTool(t);
    plat::disposeWindow(kResultsWindow);
    FileSHORTS[t.slot][kShortCompressed] = compressed;
    PlotAsHistogram = histogram;
    FileSHORTS[t.slot][kShortBlockState] = blockState;
    if (plat::windowExists(t.win)) plat::setCurrentPort(t.win);
    if (t.stacked) HoldStripFurniture(false);
    if (FileSHORTS[t.slot][kShortView] == 0) UpdateSCREEN(0, 1);
    else RefreshSCREEN();
    LogChannelEdit(t.slot, ActiveChannel,
                   std::string("manual spike removal (") + (DoSlant ? "linearizing);" : "single-point);") +
                       NumText(t.rspk) + (t.rspk < 2 ? " spike removed" : " spikes removed"));
  }
  return 0;
}
