#include "analyses/ui/picks.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>

#include "analyses/picks.h"
#include "analyses/scans.h"
#include "analyses/statspanel.h"
#include "analyses/ui/scans.h"
#include "analyses/ui/statspanel.h"
#include "output/numberformat.h"
#include "output/results.h"
#include "output/scaling.h"
#include "output/ui/analysiskit.h"
#include "output/ui/storeresult.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/geometry.h"
#include "plot/selection.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/databar.h"
#include "plot/ui/draw.h"
#include "plot/ui/infoline.h"
#include "plot/ui/mouse.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int32_t kPickHelpSubject = 185;
constexpr int16_t kNoticeWindow50 = 50;
constexpr int16_t kPrintingAlertWindow = 16;
constexpr plat::Rgb16 kInk{0, 0, 0};
constexpr plat::Rgb16 kYellow{0xFC00, 0xF37D, 0x052F};
constexpr plat::Rgb16 kGreen{0x0000, 0x8000, 0x1100};
// The counter rows are cleared from here: from 14 the clearing cut the
// descenders of the hint above them.
constexpr int kCounterTop = 16;

int16_t currentSlot() { return static_cast<int16_t>(TheFileInUse); }

void text(int win, int x, int y, const std::string& t, bool bold = false, plat::Rgb16 c = kInk) {
  plat::Port& p = plat::port(win);
  p.setTextSize(12);
  p.setForeColor(c);
  p.setTextFace(bold, false, false);
  p.moveTo(x, y);
  p.drawText(t);
  p.setTextFace(false, false, false);
  p.setForeColor(kInk);
}

void totalField(double total, plat::Rect r) {
  plat::FieldSpec f;
  f.id = kPickTotalField;
  f.kind = plat::FieldKind::Static;
  f.text = RealText(total);
  f.r = r;
  plat::addField(kResultsWindow, f);
}

// The state of one run of a click tool.
struct Tool {
  int16_t slot = 0;
  bool pairs = false;
  PickList values;
  std::vector<float> times;   // pairs: |time difference| of each entry
  // The pair being placed.
  bool first = false;
  float firstValue = 0.0f, firstTime = 0.0f;
  // lastX: the last pick, or the first point of the pair being placed;
  // pairFirstX and presentX: the two points of the last whole pair.
  int lastX = -1, pairFirstX = -1, presentX = -1;
  int pointerX = -1;
  bool rejectPending = false;
  int16_t keptCompressed = 0, keptView = 0, segment = 1;
};

void line(const Tool& t, int x, plat::Rgb16 c) {
  const int16_t win = PlotWindowId(t.slot);
  if (!plat::windowExists(win)) return;
  plat::Port& p = plat::port(win);
  p.setForeColor(c);
  p.moveTo(x, BottomOfPlotArea - 4);
  p.lineTo(x, 60);
  p.setForeColor(kInk);
  plat::flushWindow(win);
}

void bottomLine(const Tool& t, int x1, int x2) {
  const int16_t win = PlotWindowId(t.slot);
  if (!plat::windowExists(win)) return;
  plat::Port& p = plat::port(win);
  p.setPenMode(plat::PenMode::Xor);
  p.moveTo(x1, BottomOfPlotArea - 4);
  p.lineTo(x2, BottomOfPlotArea - 4);
  p.resetPen();
  plat::flushWindow(win);
}

// A panel of window win emptied: its counter band (light grey, to y
// `band`) and its rows below (the window's own background, to `bottom`), its
// fields gone.
void emptyPanel(int win, int band, int bottom, std::initializer_list<int16_t> fields) {
  plat::Port& p = plat::port(win);
  p.setBackColor(plat::background(win));
  p.clearRect({0, band, 320, bottom});
  p.setBackColor(LightGray);
  p.clearRect({0, kCounterTop, 320, band});
  for (int16_t id : fields) plat::removeControl(win, id);
}

// The last pick taken back: no number of the picks stays on show.
void clearShown(Tool& t) {
  ClearPickResult();
  emptyPanel(kResultsWindow, 70, 180,
             {kPanelMeanField, kPanelSDField, kPanelCVField, kPanelSEField, kPanelNField, kPanelDurationField,
              kPanelRangeField, kPickTotalField});
  text(kResultsWindow, t.pairs ? 8 : 9, 27,
       (t.pairs ? "total pair differences averaged = " : "number of points averaged = ") + IntText(0));
  if (!t.pairs || !plat::windowExists(kTimeStatsWindow)) return;
  emptyPanel(kTimeStatsWindow, 52, 226, {kTimeStatsMeanField, kTimeStatsSDField, kTimeStatsCVField, kTimeStatsSEField});
  text(kTimeStatsWindow, 9, 27, "Total time differences averaged = " + IntText(0));
}

void showRunning(Tool& t) {
  const auto v = t.values.values();
  plat::Port& p = plat::port(kResultsWindow);
  p.setBackColor(LightGray);
  p.clearRect({0, kCounterTop, 320, 70});
  text(kResultsWindow, 9, 27, "number of points averaged = " + IntText(t.values.size()) + "      ");
  PickStats s;
  if (!ComputePickStats(v, &s)) return clearShown(t);
  text(kResultsWindow, 20, 44, "last value = ");
  text(kResultsWindow, 100, 44, RealText(v.back()) + std::string(17, ' '), true);
  StorePickResult(s);
  plat::setCurrentPort(kResultsWindow);
  BasicSTATS(kPanelCompact);
  text(kResultsWindow, 14, 63, "Total = ", false, kGreen);
  totalField(s.total, {65, 52, 260, 70});
  bup();
}

void showPairs(Tool& t) {
  const auto v = t.values.values();
  plat::Port& p = plat::port(kResultsWindow);
  p.setBackColor(LightGray);
  p.clearRect({0, kCounterTop, 320, 70});
  text(kResultsWindow, 8, 27, "total pair differences averaged = " + IntText(t.values.size()) + "        ");
  PickStats s;
  if (!ComputePickStats(v, &s)) return clearShown(t);
  text(kResultsWindow, 4, 44, "    last value = ");
  text(kResultsWindow, 100, 44, RealText(std::fabs(v.back())) + std::string(17, ' '), true);
  StorePickResult(s);
  plat::setCurrentPort(kResultsWindow);
  BasicSTATS(kPanelCompact);
  text(kResultsWindow, 14, 61, "Total = ", false, kGreen);
  totalField(s.total, {65, 49, 260, 67});
  row = 4;
  TimePickStats ts;
  if (plat::windowExists(kTimeStatsWindow) &&
      ComputeTimePickStats(std::span<const float>(t.times.data(), static_cast<size_t>(t.values.size())), &ts)) {
    StoreTimePickResult(ts);
    plat::Port& q = plat::port(kTimeStatsWindow);
    q.setBackColor(LightGray);
    q.clearRect({0, kCounterTop, 320, 52});
    text(kTimeStatsWindow, 9, 27, "Total time differences averaged = " + IntText(t.values.size()) + "      ");
    text(kTimeStatsWindow, 14, 45, "last value = ");
    text(kTimeStatsWindow, 100, 45, RealText(std::fabs(t.times[static_cast<size_t>(t.values.size()) - 1])) +
                                        std::string(17, ' '), true);
    plat::setCurrentPort(kTimeStatsWindow);
    TIMESTATS();
  }
}

void show(Tool& t) {
  if (t.pairs) showPairs(t);
  else showRunning(t);
  if (plat::windowExists(PlotWindowId(t.slot))) plat::selectWindow(PlotWindowId(t.slot));
}

// A click at x of the plot: the case under it, refused outside 1..nCases.
bool caseAt(const Tool& t, int x, int32_t* k) {
  const int32_t c = plotcore::CaseAtPixel(PlotViewState(t.slot), x);
  if (c < 1 || c > nCases[t.slot]) return false;
  *k = c;
  return true;
}

void click(Tool& t, plat::Point at) {
  if (FileSHORTS[t.slot][kShortCompressed] != 0) return;
  if (!(at.x > 0 && at.y > 19 && at.y < BottomOfPlotArea)) return;
  int32_t k = 0;
  if (!caseAt(t, at.x, &k)) return;
  const float v = GetDatum(t.slot, ActiveChannel, k);
  const float time = static_cast<float>(k) * FileInfoFLOATS[t.slot][kInfoInterval];
  if (!t.pairs) {
    if (!t.values.add(v)) {
      Zap();
      return;
    }
    line(t, at.x, kYellow);
    t.lastX = at.x;
    show(t);
    return;
  }
  if (!t.first) {
    if (at.x == t.lastX) return;
    if (t.values.size() >= kMaxPicks) {
      Zap();
      return;
    }
    t.firstValue = v;
    t.firstTime = time;
    t.first = true;
    t.lastX = at.x;
    line(t, at.x, kYellow);
    lobeep();
    return;
  }
  if (at.x == t.lastX) return;   // the pair's first point again
  const PairEntry e = PairOf(t.firstValue, t.firstTime, v, time);
  t.first = false;
  t.pairFirstX = t.lastX;
  t.presentX = at.x;
  if (!t.values.add(e.value)) {
    Zap();
    return;
  }
  t.times.resize(static_cast<size_t>(t.values.size()));
  t.times.back() = e.time;
  line(t, at.x, kGreen);
  bottomLine(t, at.x, t.lastX);
  hibeep();
  show(t);
}

void reject(Tool& t) {
  if (t.values.size() < 1 || !t.values.rejectLast()) return;
  if (t.pairs) {
    t.times.resize(static_cast<size_t>(t.values.size()));
    // A first point placed since goes with the pair: the next click starts
    // a new pair, as it would have before that point.
    if (t.first) {
      line(t, t.lastX, plotBackColor);
      t.first = false;
      t.lastX = t.pairFirstX;
    }
    // The XOR line first, while its ends still stand as it drew over them:
    // after them it would flip the cleared ends back on.
    bottomLine(t, t.presentX, t.pairFirstX);
    line(t, t.presentX, plotBackColor);
    line(t, t.pairFirstX, plotBackColor);
  } else {
    line(t, t.lastX, plotBackColor);
  }
  Rip();
  show(t);
}

void page(Tool& t, int16_t segment) {
  const int16_t segments = std::max<int16_t>(1, FileSHORTS[t.slot][kShortSegments]);
  if (segment < 1 || segment > segments || segment == FileSHORTS[t.slot][kShortSegment]) return;
  FileSHORTS[t.slot][kShortSegment] = segment;
  plat::setCurrentPort(PlotWindowId(t.slot));
  FindMinMax();
  DrawPlot(0, 1, 1);
  if (plat::controlExists(PlotWindowId(t.slot), kPageSlider))
    plat::setSliderValue(PlotWindowId(t.slot), kPageSlider, segment);
}

int16_t runTool(bool pairs) {
  const int16_t slot = currentSlot();
  if (!SlotHoldsFile(slot)) return 0;
  const int16_t plot = PlotWindowId(slot);
  if (!plat::windowExists(plot)) return 0;
  HelpSubject = kPickHelpSubject;
  PutDatum(slot, 0, 0, 0.0f);
  Analysis_Code = pairs ? -1 : -99;
  Tool t;
  t.slot = slot;
  t.pairs = pairs;
  // The tools pick in the paged single view.
  t.keptCompressed = FileSHORTS[slot][kShortCompressed];
  t.keptView = FileSHORTS[slot][kShortView];
  if (t.keptCompressed != 0 || t.keptView != 0) {
    FileSHORTS[slot][kShortCompressed] = 0;
    FileSHORTS[slot][kShortView] = 0;
    plat::setCurrentPort(plot);
    FindMinMax();
    DrawPlot(0, 1, 1);
  }
  if (!pairs) {
    HideTheToolBar();
    plat::disposeWindow(kNoticeWindow50);
  }
  OpenResultsWIndow(0, 1, 1, pairs ? "Average Pair Differences" : "Running Average", 0);
  if (pairs) OPENWINDOW6(1, 1, "Elapsed Time Statistics", 226);
  ch = ActiveChannel;
  Analysis_Code = -1;
  plat::setCurrentPort(kResultsWindow);
  if (pairs) text(kResultsWindow, 10, 12, "click sequentially on PAIRS of points");
  else text(kResultsWindow, 2, 12, "  click on points in plot to sum and average");
  ExitClick(1, 0);
  plat::selectWindow(plot);

  HandlerScope keep;
  InstallDialogHandlers();
  plat::handlers().menu = ShowSpecificHelpWindow;
  std::vector<plat::Point> clicks;
  plat::handlers().mouse = [&clicks, plot](const plat::Event& e) {
    if (e.kind == plat::EventKind::MouseDown && e.window == plot) clicks.push_back(e.local);
  };
  ClearMailbox();
  for (bool done = false; !done;) {
    plat::pump();
    if (!plat::windowExists(kResultsWindow) || !plat::windowExists(plot)) break;
    const int16_t a = action, id = eventID;
    ClearMailbox();
    for (const plat::Point& at : clicks) click(t, at);
    clicks.clear();
    // The data bar follows the pointer over the plot.
    if (plat::frontWindow() == plot) {
      const plat::Point q = plat::pointerLocal(plot);
      const bool inside = q.x > 0 && q.y > 19 && q.y < BottomOfPlotArea;
      plat::setCursor(inside ? plat::CursorKind::Cross : plat::CursorKind::Arrow);
      if (inside && q.x != t.pointerX) {
        t.pointerX = q.x;
        const int32_t k = std::clamp(plotcore::CaseAtPixel(PlotViewState(slot), q.x), 0, nCases[slot]);
        UpdateDataBar(static_cast<float>(k) * FileInfoFLOATS[slot][kInfoInterval], k);
      }
    }
    if (a == kActionClose && id == kResultsWindow) {
      done = true;
    } else if (a == kActionKey) {
      const int16_t seg = FileSHORTS[slot][kShortSegment];
      if (id == 28) page(t, static_cast<int16_t>(seg - 1));
      else if (id == 29) page(t, static_cast<int16_t>(seg + 1));
      else if (id == 8 || id == 127) reject(t);   // Backspace, or the Delete key the hint names
      else if (id == 13 || id == 3) done = true;
      else if (id == '?' || id == '/') plat::openHelp(HelpSubject);
      else if (id == 'P' || id == 'p') {
        SetResultTopic(pairs ? kTopicPairDifferences : kTopicRunningAverage);
        if (t.values.size() > 0) DRAFTPRINT(plat::MacText(1, static_cast<char>(id)));
        else Zap();
        plat::selectWindow(plot);
      }
    } else if (a == kActionClick && (id == kPageSlider || id == -kPageSlider)) {
      page(t, static_cast<int16_t>(plat::sliderValue(plot, kPageSlider)));
    } else if (a == kActionClick && id == kExitClickButton) {
      done = true;
    } else if (a == kActionActivate && id != plot) {
      done = true;
    }
  }

  // Leaving.
  plat::removeControl(kResultsWindow, kExitClickButton);
  if (plat::windowExists(plot)) plat::selectWindow(plot);
  Analysis_Code = 0;
  EndBeep();
  ExitClick(1, 1);
  REnd = 0;
  FileSHORTS[slot][kShortCompressed] = t.keptCompressed;
  FileSHORTS[slot][kShortView] = t.keptView;
  if (t.keptCompressed != 0 && t.keptView == 0) UpdateSCREEN(0, 1);
  else RefreshSCREEN();
  if (pairs) {
    if (FileSHORTS[slot][kShortBlockState] == 2 && plat::windowExists(kBlockWindow)) plat::bringToFront(kBlockWindow);
    plat::disposeWindow(kTimeStatsWindow);
    plat::disposeWindow(kPrintingAlertWindow);
  }
  RestoreTheToolBar();
  PutDatum(slot, 0, 0, 0.0f);
  return 0;
}

}  // namespace

int16_t IntBoxLeft = -10, IntBoxRight = -5;

namespace {

int boxWindow = 0;

void xorBox(int win) {
  if (!plat::windowExists(win)) return;
  plat::Port& p = plat::port(win);
  p.setPenMode(plat::PenMode::Xor);
  p.strokeRect({IntBoxLeft, 20, IntBoxRight + 1, BottomOfPlotArea - 3});
  p.resetPen();
  plat::flushWindow(win);
}

void parkBox() {
  if (boxWindow != 0 && IntBoxLeft >= 0) xorBox(boxWindow);
  boxWindow = 0;
  IntBoxLeft = -10;
  IntBoxRight = -5;
}

}  // namespace

void TrackAutoBlockBox(int window, int x, bool redrawn) {
  // A plot drawn anew has lost the old box already.
  if (redrawn && window == boxWindow) {
    boxWindow = 0;
    IntBoxLeft = -10;
    IntBoxRight = -5;
  }
  parkBox();
  if (prefsArray[kPrefAutoBlock] == 0 || x < 0) return;
  IntBoxLeft = static_cast<int16_t>(std::max(0, x - ABu));
  IntBoxRight = static_cast<int16_t>(std::clamp(x + ABu, x, 32000));
  boxWindow = window;
  xorBox(window);
}

int16_t RUNAVERAGE() { return runTool(false); }
int16_t PairsDIFFERENCE() { return runTool(true); }

int16_t AUTOBLOCK() {
  const int16_t slot = currentSlot();
  if (!SlotHoldsFile(slot)) return 0;
  const float interval = FileInfoFLOATS[slot][kInfoInterval];
  OpenResultsWIndow(0, 1, 0, "Automatic Block Selection", 0);
  ch = InCH = ActiveChannel;
  ClearMailbox();
  plat::Port& p = plat::port(kResultsWindow);
  p.setTextSize(16);
  p.moveTo(14, 30);
  p.drawText("duration of block:");
  p.moveTo(241, 30);
  p.drawText("seconds");
  startsize = AutoBlockDefaultSeconds(interval);
  plat::FieldSpec f;
  f.id = kAutoBlockSecondsField;
  f.r = {146, 15, 233, 35};
  f.kind = plat::FieldKind::Editable;
  f.back = lightBlue;
  f.font.pixelSize = 16;
  f.font.bold = true;
  plat::addField(kResultsWindow, f);
  plat::setCurrentPort(kResultsWindow);
  INTERVALCHOICE(nCases[slot] / 2);
  AddKitButton(kResultsWindow, kAutoBlockOK, plat::ButtonKind::Push, "Automatic Block Interval OK",
               {30, 215, 263, 235});
  AddKitButton(kResultsWindow, kNormalBlockSelection, plat::ButtonKind::DefaultPush, "Normal Block Selection",
               {50, 255, 263, 275});
  FitResultsWindow(280);
  plat::focusField(kResultsWindow, kAutoBlockSecondsField, true);

  DialogScope analysisLoop(InstallAnalysisHandlers);
  const int32_t keptHelp = HelpSubject;
  HelpSubject = 0;
  for (bool done = false; !done;) {
    plat::pump();
    if (!plat::windowExists(kResultsWindow)) break;
    plat::setCurrentPort(kResultsWindow);
    int16_t a = action, id = eventID;
    if (a == kActionKey && (id == 13 || id == 3)) {
      a = kActionClick;
      id = kNormalBlockSelection;
    }
    if (a == kActionClose || (a == kActionActivate && id != kResultsWindow)) {
      done = true;
    } else if (a == kActionClick && id == kAutoBlockOK) {
      prefsArray[kPrefAutoBlock] = 1;
      double t = 0.0;
      ParseFieldNumber(plat::fieldText(kResultsWindow, kAutoBlockSecondsField), &t);
      ABunit = AutoBlockUnit(t, interval);
      bup();
      ABu = AutoBlockPixels(ABunit, nCases[slot], ScreenWidth, Xstep);
      done = true;
    } else if (a == kActionClick && id == kNormalBlockSelection) {
      prefsArray[kPrefAutoBlock] = 0;
      done = true;
    } else if (a == kActionClick) {
      SETimeIntVlCHOICE();
    }
    ClearMailbox();
  }
  HelpSubject = keptHelp;
  EndBeep();
  plat::disposeWindow(kResultsWindow);
  if (plat::windowExists(PlotWindowId(slot))) plat::setCurrentPort(PlotWindowId(slot));
  if (ScreenWidth > 640 && prefsArray[kPrefAutoBlock] != 0) SetBlockSpanText(AutoBlockSpanText(interval, ABunit));
  parkBox();
  ClearMailbox();
  return 0;
}
