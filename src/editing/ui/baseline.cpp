#include "editing/ui/baseline.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "editing/baseline.h"
#include "editing/ui/blockpick.h"
#include "editing/ui/editframe.h"
#include "output/scaling.h"
#include "output/ui/analysiskit.h"
#include "plot/selection.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/geometry.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/prefs.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/mainloop.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

float auto_block = 0.0f;
float SteppedBaselineInterval = 0.0f;

namespace {

constexpr int16_t kNoticeWindow = 889;
constexpr plat::Rgb16 kPreviewGreen{0, 48000, 0};
constexpr plat::Rgb16 kManila{65535, 62000, 50000};

enum class Outcome {
  Previewed,   // a line waits for "Baseline OK"
  Applied,     // the method corrected the channel itself
  Back,        // nothing happened: choose again
  Closed,      // the dialog was closed meanwhile
};

struct Run {
  int16_t slot = 0;
  int16_t channel = 1;
  BaselineSettings settings;
  BaselineLine line;
  std::string pendingLog;   // written when the subtraction is applied
  bool drawn = false;       // BaselineWasDrawn
  bool applied = false;     // the channel was corrected
  bool replay = false;
};

float fieldNumber(int win, int16_t id) {
  double v = 0.0;
  return ParseFieldNumber(plat::fieldText(win, id), &v) ? static_cast<float>(v) : 0.0f;
}

void text(int win, int x, int y, const char* t, plat::Rgb16 colour = kBlack) {
  plat::Port& p = plat::port(win);
  p.setForeColor(colour);
  p.moveTo(x, y);
  p.drawText(t);
}

void button(int win, int16_t id, plat::ButtonKind kind, const char* title, plat::Rect r, int state = 1) {
  AddKitButton(win, id, kind, title, r, state);
}

void field(int win, int16_t id, const std::string& t, plat::Rect r) {
  plat::FieldSpec f;
  f.id = id;
  f.text = t;
  f.r = r;
  plat::addField(win, f);
}

void setState(int win, int16_t id, int state) {
  if (plat::controlExists(win, id)) plat::setButtonState(win, id, state);
}

const int16_t kMethods[] = {kBaselineAuto, kBaselinePeriodic, kBaselineMultiple, kBaselineCursorBoth,
                            kBaselineCursorOne, kBaselineTyped, kBaselineConstant};

void enableMethods(bool on) {
  for (int16_t id : kMethods) setState(kResultsWindow, id, on ? 1 : 0);
  for (int16_t id = kBaselineStartEnd; id <= kBaselineStartEnd + 2; ++id)
    if (!on) setState(kResultsWindow, id, 0);
}

void markRadios() {
  for (int16_t id = kBaselineStartEnd; id <= kBaselineStartEnd + 2; ++id)
    setState(kResultsWindow, id, prefsArray[kPrefBaselineEnd] == id ? 2 : 1);
  const int16_t mode = prefsArray[kPrefCursorPick];
  setState(kResultsWindow, kBaselineBlockMode, mode == kPickBlock ? 2 : 1);
  setState(kResultsWindow, kBaselinePlusMinus, mode == kPickPlusMinus ? 2 : 1);
  setState(kResultsWindow, kBaselineSinglePoint, mode != kPickBlock && mode != kPickPlusMinus ? 2 : 1);
}

void clearPromptStrip() {
  plat::Port& p = plat::port(kResultsWindow);
  p.setBackColor(plat::background(kResultsWindow));
  p.clearRect({0, 166, 320, 193});
  p.resetPen();
  p.setForeColor(kBlack);
}

void buildDialog() {
  const int16_t raise = prefsArray[kPrefToolbarPosition] != 0 ? 20 : 0;
  OpenEditWindow("Baseline Correction", 317, 295, raise);
  const int w = kResultsWindow;
  using K = plat::ButtonKind;
  const struct {
    int16_t id;
    const char* title;
  } methods[] = {{kBaselineAuto, "Automatic (start, end) "},
                 {kBaselinePeriodic, "Automatic (periodic)\xC9"},
                 {kBaselineMultiple, "Use Cursor: Multiple Points"},
                 {kBaselineCursorBoth, "Use Cursor: Start AND End"},
                 {kBaselineCursorOne, "Use Cursor: Start OR End"},
                 {kBaselineTyped, "Enter Begin and End Points"},
                 {kBaselineConstant, "Enter Constant Baseline"}};
  int y = 6;
  for (const auto& m : methods) {
    button(w, m.id, K::Push, m.title, {6, y, 188, y + 20});
    y += 22;
  }
  text(w, 196, 16, "Number of cases");
  text(w, 196, 30, "for auto baseline");
  text(w, 196, 44, "calculations at:");
  field(w, kBaselineNField, NumText(auto_block), {196, 50, 246, 68});
  text(w, 252, 64, "points");
  button(w, kBaselineStartEnd, K::Radio, "Start of File", {196, 76, 314, 92});
  button(w, kBaselineStartEnd + 1, K::Radio, "End of File", {196, 94, 314, 110});
  button(w, kBaselineStartEnd + 2, K::Radio, "Start & End", {196, 112, 314, 128});
  text(w, 6, 212, "cursor:");
  button(w, kBaselineBlockMode, K::Radio, "Block", {56, 200, 160, 216});
  button(w, kBaselineSinglePoint, K::Radio, "Single Point", {56, 218, 180, 234});
  button(w, kBaselinePlusMinus, K::Radio, "Use 1 \xB1", {56, 236, 136, 252});
  field(w, kBaselineHalfWidthField, NumText(NpointsInBaselineBlock), {140, 236, 180, 254});
  button(w, kBaselineHelpButton, K::Push, "?", {6, 266, 36, 286});
  button(w, kBaselineSelectAgain, K::Push, "Select again", {90, 266, 190, 286}, 0);
  markRadios();
}

bool singleView(const Run& run) { return FileSHORTS[run.slot][kShortView] == 0; }

void plotCurrent(const Run& run) {
  const int win = PlotWindowId(run.slot);
  if (plat::windowExists(win)) plat::setCurrentPort(win);
}

// The whole file in view, so that a preview reaches both ends.
void showWholeFile(const Run& run, uint16_t comments) {
  if (nCases[run.slot] > ScreenWidth && FileSHORTS[run.slot][kShortCompressed] == 0) {
    FileSHORTS[run.slot][kShortCompressed] = 1;
    FileSHORTS[run.slot][kShortZoomed] = 0;
    plotCurrent(run);
    DrawPlot(0, 0, comments);
  }
}

// Segment 1, paged, unzoomed: picks read cases from the paged view.
void showFirstSegment(const Run& run, uint16_t comments) {
  int16_t* w = FileSHORTS[run.slot];
  if (w[kShortCompressed] != 0 || w[kShortZoomed] != 0 || w[kShortSegment] != 1) {
    w[kShortSegment] = 1;
    w[kShortCompressed] = 0;
    w[kShortZoomed] = 0;
    plotCurrent(run);
    DrawPlot(0, 0, comments);
  }
}

int yOf(double value) {
  const double r = maximumValue - minimumValue;
  if (!(r > 0.0)) return BottomOfPlotArea - 6;
  return static_cast<int>((BottomOfPlotArea - 6) - std::lround((value - minimumValue) / r * PlotHeight));
}

void drawPreview(Run& run) {
  showWholeFile(run, 1);
  bup();
  const int win = PlotWindowId(run.slot);
  if (!plat::windowExists(win)) return;
  const int32_t n = nCases[run.slot];
  const double a = run.line.a, b = run.line.b;
  const int xEnd = n < ScreenWidth ? Xstep * n : ScreenWidth;
  plat::Port& p = plat::port(win);
  p.resetPen();
  p.setForeColor(kPreviewGreen);
  p.setPenSize(2, 2);
  p.moveTo(1, yOf(a + b * 1));
  p.lineTo(xEnd, yOf(a + b * n));
  p.resetPen();
  plat::flushWindow(win);
}

// One segment of a piecewise preview, heights and positions at cases ya..yb.
void drawSegment(const Run& run, BaselineLine l, int32_t from, int32_t to) {
  const int win = PlotWindowId(run.slot);
  if (!plat::windowExists(win)) return;
  const int64_t seg0 = static_cast<int64_t>(ScreenWidth) * (std::max<int16_t>(1, FileSHORTS[run.slot][kShortSegment]) - 1);
  const auto x = [&](int32_t k) { return static_cast<int>(std::max<int64_t>(int64_t{k} * Xstep - seg0, -22000)); };
  plat::Port& p = plat::port(win);
  p.resetPen();
  p.setForeColor(kPreviewGreen);
  p.moveTo(x(from), yOf(double{l.a} + double{l.b} * from));
  p.lineTo(x(to), yOf(double{l.a} + double{l.b} * to));
  p.resetPen();
  plat::flushWindow(win);
  bup();
}

void offerPreviewButtons() {
  using K = plat::ButtonKind;
  plat::setCursor(plat::CursorKind::Arrow);
  setState(kResultsWindow, kBaselineSelectAgain, 1);
  setState(kResultsWindow, kBaselineAuto, 0);
  button(kResultsWindow, kBaselineOK, K::DefaultPush, "Baseline OK", {205, 266, 313, 286});
  button(kResultsWindow, kBaselineCancel, K::Push, "Cancel", {245, 237, 313, 257});
}

void channelChanged(const Run& run) {
  MarkChannelEdited(run.slot, run.channel);
}

void subtract(Run& run) {
  const int32_t n = nCases[run.slot];
  if (plat::windowExists(kResultsWindow)) {
    for (int16_t id = kBaselineStartField; id <= kBaselineStartField + 2; ++id) plat::removeControl(kResultsWindow, id);
    plat::setCursor(plat::CursorKind::Watch);
    const int w = n > 0 ? 285 / n : 0;
    plat::Port& p = plat::port(kResultsWindow);
    p.setForeColor(OldStyleColour(4));
    p.fillRect({5 - w, 147, 306 + w, 173}, plat::Pattern{});
    p.setForeColor(OldStyleColour(7));
    plat::setCursor(plat::CursorKind::Arrow);
  }
  SubtractBaseline(ChannelData(run.slot, run.channel), 0, n, run.line);
  channelChanged(run);
  if (!run.pendingLog.empty()) LogChannelEdit(run.slot, run.channel, run.pendingLog);
  run.applied = true;
  EndBeep();
}

// The alert plays "bzot" itself.
void refuse(BaselineStatus st) { ShowAlert(BaselineStatusText(st)); }

// ---- Methods ----------------------------------------------------------------

Outcome automatic(Run& run) {
  if (!run.replay) {
    auto_block = static_cast<float>(TruncatedInRange(fieldNumber(kResultsWindow, kBaselineNField), -1000000000, 1000000000));
  }
  run.settings.method = 2;
  run.settings.n = auto_block;
  const float* d = ChannelData(run.slot, run.channel);
  const BaselineStatus st = AutoBaseline(d, nCases[run.slot], auto_block, prefsArray[kPrefBaselineEnd], &run.line);
  if (st != BaselineStatus::Ok) {
    if (st == BaselineStatus::TooFewCases) ShowAlert("The automatic baseline needs a file of at least 6 cases.");
    else refuse(st);
    return Outcome::Back;
  }
  run.pendingLog = "automatic baseline";
  return Outcome::Previewed;
}

// A picking the user left for another file's plot ends the dialog with
// nothing changed: the file in front is then another.
Outcome leftOrBack() { return PickLeftForAnotherPlot() ? Outcome::Closed : Outcome::Back; }

// Another file's plot window than the one corrected brought forward.
bool anotherPlot(const Run& run, int16_t a, int16_t id) { return AnotherPlotInFront(a, id, run.slot); }

Outcome cursorPicks(Run& run, int16_t method) {
  BeginBlock[run.slot] = EndBlock[run.slot] = 0;
  run.settings.method = method;
  showFirstSegment(run, 1);
  if (prefsArray[kPrefSoundLevel] != 0) PlayNamedSound("brrrp");
  BaseLineButton = 0;
  if (!PickBlock(1)) return leftOrBack();
  const int32_t b1 = BeginBlock[run.slot], e1 = EndBlock[run.slot];
  const float* d = ChannelData(run.slot, run.channel);
  const int32_t n = nCases[run.slot];
  BaselineStatus st = BaselineStatus::Ok;
  float mean = 0.0f;
  if (method == kBaselineCursorOne) {
    st = BaselineMean(d, n, b1, e1, &mean);
    run.line = {mean, 0.0f};
  } else {
    BaseLineButton = 0;
    if (!PickBlock(1)) return leftOrBack();
    int32_t first1 = b1, last1 = e1, first2 = BeginBlock[run.slot], last2 = EndBlock[run.slot];
    OrderBaselinePicks(&first1, &last1, &first2, &last2);
    const int16_t end = prefsArray[kPrefBaselineEnd];
    if (end == kBaselineAtStart || end == kBaselineAtEnd) {
      st = end == kBaselineAtStart ? BaselineMean(d, n, first1, last1, &mean) : BaselineMean(d, n, first2, last2, &mean);
      run.line = {mean, 0.0f};
    } else {
      st = BaselineRegression(d, n, first1, last1, first2, last2, &run.line);
    }
  }
  if (st != BaselineStatus::Ok) {
    refuse(st);
    return Outcome::Back;
  }
  run.pendingLog = "baseline:  start; end";
  return Outcome::Previewed;
}

// Waits for a click on a button passing `accept`; false when the dialog
// was closed or left meanwhile.
template <class Accept>
bool waitForButton(const Run& run, Accept accept) {
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kResultsWindow) || (a == kActionClose && id == kResultsWindow) || EditPickPending() ||
        QuitRequested() || anotherPlot(run, a, id))
      return false;
    if (a == kActionKey && (id == 13 || id == 3)) return true;
    if (a == kActionClick && accept(id)) return true;
  }
}

Outcome typedValues(Run& run, bool constant) {
  const int w = kResultsWindow;
  run.settings.method = constant ? kBaselineConstant : kBaselineTyped;
  showWholeFile(run, 1);
  if (!run.replay) {
    plat::setCurrentPort(w);
    clearPromptStrip();
    if (constant) {
      text(w, 6, 186, " Enter baseline:");
    } else {
      text(w, 6, 186, " Start:");
      field(w, kBaselineStartField, "0", {56, 172, 116, 190});
      text(w, 124, 186, "End:");
    }
    field(w, kBaselineEndField, "0", {160, 172, 230, 190});
    button(w, kBaselineValuesOK, plat::ButtonKind::Push, constant ? "Value OK" : "Points OK", {236, 170, 314, 192});
    plat::focusField(w, constant ? kBaselineEndField : kBaselineStartField, true);
    const bool ok = constant ? waitForButton(run, [](int16_t id) { return id != kBaselineEndField; })
                             : waitForButton(run, [](int16_t id) { return id <= 110; });
    if (!ok) return Outcome::Closed;
    if (constant) {
      run.line = {fieldNumber(w, kBaselineEndField), 0.0f};
      plat::removeControl(w, kBaselineValuesOK);
    } else {
      setState(w, kBaselineValuesOK, 0);
      run.line = TypedBaseline(fieldNumber(w, kBaselineStartField), fieldNumber(w, kBaselineEndField), nCases[run.slot]);
    }
  } else {
    run.line = {run.settings.a, run.settings.b};
  }
  return Outcome::Previewed;
}

void flashPrompt(const char* noun) {
  const int w = kResultsWindow;
  for (int i = 1; i <= 12; ++i) {
    clearPromptStrip();
    plat::Port& p = plat::port(w);
    if (i % 2 == 1) {
      p.setForeColor(kManila);
      p.fillRect({0, 168, 320, 193}, plat::Pattern{});
    }
    p.setForeColor(kBlack);
    p.moveTo(10, 187);
    p.drawText(std::string("Select at least 3 ") + noun);
    p.setForeColor(OldStyleColour(6));
    p.setTextFace(true, false, false);
    p.drawText(" from left to right.");
    p.setTextFace(false, false, false);
    plat::flushWindow(w);
    plat::delayMs(60);
  }
}

Outcome multiplePoints(Run& run) {
  run.settings.method = kBaselineMultiple;
  BeginBlock[run.slot] = EndBlock[run.slot] = 0;
  PlayNamedSound("bub3");
  if (plat::windowExists(kResultsWindow))
    flashPrompt(prefsArray[kPrefCursorPick] == kPickSinglePoint ? "points " : "blocks ");
  const int win = PlotWindowId(run.slot);
  int16_t* sw = FileSHORTS[run.slot];
  if (sw[kShortCompressed] != 0 || sw[kShortZoomed] != 0 || sw[kShortSegment] != 1) {
    showFirstSegment(run, 1);
    for (int16_t id = 160; id <= 188; ++id) setState(win, id, 0);
    if (prefsArray[kPrefSoundLevel] != 0) PlayNamedSound("brrrp");
  }
  button(win, kPickDoneButton, plat::ButtonKind::Push, "Baseline OK", {390, 21, 490, 38}, 0);
  button(win, kPickCancelButton, plat::ButtonKind::Push, "Cancel Baseline", {500, 21, 620, 38});
  std::vector<BaselineRow> rows;
  const float* d = ChannelData(run.slot, run.channel);
  const int32_t n = nCases[run.slot];
  BaseLineButton = 0;
  while (BaseLineButton < kPickDoneButton) {
    if (!PickBlock(1)) {
      if (BaseLineButton < kPickDoneButton) BaseLineButton = kPickCancelButton;
      break;
    }
    if (static_cast<int32_t>(rows.size()) >= kMaxBaselineRows) {
      refuse(BaselineStatus::TooManyRegions);
      continue;
    }
    BaselineRow r;
    r.first = BeginBlock[run.slot];
    r.last = EndBlock[run.slot];
    if (!rows.empty()) {
      const BaselineRow& prev = rows.back();
      const BaselineStatus st = BaselineRegression(d, n, std::max(1, prev.first), prev.last, r.first, r.last, &r.line);
      if (st != BaselineStatus::Ok) {
        Zap();
        continue;
      }
      if (FileSHORTS[run.slot][kShortCompressed] == 0) drawSegment(run, r.line, prev.last, r.last);
    }
    rows.push_back(r);
    if (rows.size() >= 3) setState(win, kPickDoneButton, 1);
  }
  plat::removeControl(win, kPickDoneButton);
  plat::removeControl(win, kPickCancelButton);
  if (plat::windowExists(kResultsWindow)) plat::setCurrentPort(kResultsWindow);
  if (BaseLineButton != kPickDoneButton || rows.size() < 3) {
    Zap();
    RefreshSCREEN();
    if (plat::windowExists(kResultsWindow)) {
      clearPromptStrip();
      enableMethods(true);
    }
    BaseLineButton = 0;
    return leftOrBack();
  }
  SubtractSegments(ChannelData(run.slot, run.channel), n, rows);
  channelChanged(run);
  run.applied = true;
  if (singleView(run)) run.drawn = true;
  FileSHORTS[run.slot][kShortBlockState] = 0;
  LogChannelEdit(run.slot, run.channel, "multiple-points baseline");
  plotCurrent(run);
  EndBeep();
  BaseLineButton = kPickDoneButton;
  return Outcome::Applied;
}

// ---- The periodic window ------------------------------------------------------

void notice(const Run& run, int left, int right, int bottomLift, const char* l1, const char* l2) {
  const plat::Rect pr = plat::windowExists(PlotWindowId(run.slot)) ? plat::contentRect(PlotWindowId(run.slot))
                                                                    : plat::Rect{0, 40, 640, 480};
  const int top = pr.top + BottomOfPlotArea - 100;
  BuildWINDOW(1, kNoticeWindow, " ", static_cast<int16_t>(pr.left + left), static_cast<int16_t>(top),
              static_cast<int16_t>(pr.left + right), static_cast<int16_t>(pr.top + BottomOfPlotArea - bottomLift),
              kKindNoCloseBox, 1);
  if (prefsArray[kPrefSoundLevel] != 0) PlayNamedSound("brrrp");
  plat::Port& p = plat::port(kNoticeWindow);
  for (int i = 1; i <= 12; ++i) {
    const bool odd = i % 2 == 1;
    p.setForeColor(odd ? OldStyleColour(4) : plat::Rgb16{61000, 61000, 61000});
    p.fillRect({0, 0, 400, 55}, plat::Pattern{});
    p.setForeColor(odd ? kBlack : OldStyleColour(4));
    p.moveTo(20, 20);
    p.drawText(l1);
    if (l2) {
      p.moveTo(20, 40);
      p.drawText(l2);
    }
    plat::flushWindow(kNoticeWindow);
    plat::delayMs(20);
  }
  plat::delayMs(1400);
  plat::disposeWindow(kNoticeWindow);
}

BaselineStatus runRoad(Run& run, const std::vector<int32_t>& centres) {
  int32_t regions = 0;
  const BaselineStatus st = PeriodicBaseline(ChannelData(run.slot, run.channel), nCases[run.slot], centres, &regions);
  if (st == BaselineStatus::Ok) {
    channelChanged(run);
    run.applied = true;
  }
  return st;
}

BaselineStatus markerRoad(Run& run) {
  const std::vector<int32_t> centres =
      MarkerCentres(MarkersArray[run.slot], nCases[run.slot], run.settings.markerCode, run.settings.shift);
  const BaselineStatus st = runRoad(run, centres);
  if (st == BaselineStatus::Ok) LogChannelEdit(run.slot, run.channel, "baseline from markers");
  return st;
}

BaselineStatus spacedRoad(Run& run) {
  std::vector<int32_t> centres;
  BaselineStatus st = SpacedCentres(run.settings.start, run.settings.spacing, nCases[run.slot], &centres);
  if (st == BaselineStatus::Ok) st = runRoad(run, centres);
  return st;
}

void buildPeriodicWindow() {
  const plat::Rect r4 = plat::windowExists(kResultsWindow) ? plat::contentRect(kResultsWindow) : plat::Rect{0, 300, 317, 595};
  const auto left = static_cast<int16_t>(r4.right + 8);
  BuildWINDOW(1, kPeriodicWindow, "Periodic Baseline Correction", left, static_cast<int16_t>(r4.top),
              static_cast<int16_t>(left + 301), static_cast<int16_t>(r4.top + 325), kKindDocument, 1);
  const int w = kPeriodicWindow;
  using K = plat::ButtonKind;
  plat::Port& p = plat::port(w);
  plat::FontSpec big;
  big.family = std::to_string(OrrelinFont);
  big.pixelSize = 22;
  p.setFont(big);
  text(w, 12, 28, "Select method to identify", OldStyleColour(4));
  text(w, 12, 52, "baseline regions:", OldStyleColour(4));
  big.pixelSize = 16;
  p.setFont(big);
  button(w, kPeriodicMarkers, K::DefaultPush, "Set Baselines at Marker:", {10, 66, 220, 88});
  field(w, kPeriodicLabelField, std::string(1, static_cast<char>(LastBaselineMarker)), {228, 68, 258, 86});
  text(w, 10, 110, "Adjust positions by ");
  field(w, kPeriodicShiftField, NumText(LastBaselineShift), {178, 96, 224, 114});
  text(w, 230, 110, "samples");
  button(w, kPeriodicDefaults, K::CheckBox, "Make These Values the Defaults", {10, 120, 290, 138});
  DoubleLINE(6, 295, 148);
  button(w, kPeriodicFromBlock, K::Push, "Pick Interbaseline Interval\xC9", {10, 158, 290, 180});
  DoubleLINE(6, 295, 192);
  button(w, kPeriodicStartPoint, K::Push, "Pick Start Point\xC9", {10, 202, 290, 224});
  text(w, 10, 252, "interval: ");
  field(w, kPeriodicMinutesField, SteppedBaselineInterval > 0.0f ? NumText(SteppedBaselineInterval) : "45",
        {90, 238, 150, 256});
  text(w, 156, 252, "minutes");
  button(w, kPeriodicIntervalOK, K::Push, "Interval and Start Point OK", {10, 266, 290, 288}, 0);
}

// One road, or none when the window is left; true when the channel changed.
bool periodicWindow(Run& run) {
  HideTheToolBar();
  buildPeriodicWindow();
  const int w = kPeriodicWindow;
  std::string logText;
  bool defaults = false, done = false, left = false;
  int32_t start = 0;
  InstallDialogHandlers();
  while (!done) {
    auto [a, id] = TakeEvent();
    if (!plat::windowExists(w) || QuitRequested()) break;
    if (a == kActionClose || (a == kActionActivate && id != w) || anotherPlot(run, a, id) || EditPickPending()) break;
    if (a == kActionKey && (id == '?' || id == '/')) {
      plat::openHelp(kBaselineHelp);
      continue;
    }
    // Only Return and Enter stand for the default button; other keys type.
    if (a == kActionKey && (id == 13 || id == 3)) {
      a = kActionClick;
      id = kPeriodicMarkers;
    }
    if (a != kActionClick || id >= 100) continue;
    const std::string label = plat::fieldText(w, kPeriodicLabelField);
    LastBaselineMarker = label.empty() ? int16_t{0} : static_cast<int16_t>(static_cast<unsigned char>(label[0]));
    run.settings.method = kBaselinePeriodic;
    switch (id) {
      case kPeriodicMarkers: {
        run.settings.road = kRoadMarkers;
        run.settings.shift = static_cast<int16_t>(TruncatedInRange(fieldNumber(w, kPeriodicShiftField), -32768, 32767));
        run.settings.markerCode = LastBaselineMarker;
        LastBaselineShift = run.settings.shift;
        const BaselineStatus st = markerRoad(run);
        if (st == BaselineStatus::Ok) {
          logText = "automatic periodic baseline (from markers) ";
          done = true;
        } else {
          refuse(st);
        }
        break;
      }
      case kPeriodicFromBlock: {
        notice(run, 120, 520, 47, "   Pick a block from the center of the first",
               "baseline to the center of the NEXT baseline...");
        showFirstSegment(run, 1);
        for (int16_t c = 60; c <= 88; ++c) setState(PlotWindowId(run.slot), c, 0);
        BaseLineButton = 0;
        if (!PickBlock(0)) {
          left = PickLeftForAnotherPlot();
          break;
        }
        run.settings.road = kRoadBlock;
        run.settings.start = BeginBlock[run.slot];
        run.settings.spacing = EndBlock[run.slot] - BeginBlock[run.slot];
        const BaselineStatus st = spacedRoad(run);
        if (st == BaselineStatus::Ok) {
          logText = "automatic periodic baseline (from blocks) ";
          done = true;
        } else {
          refuse(st);
        }
        break;
      }
      case kPeriodicStartPoint:
        notice(run, 150, 500, 70, "click the center of the first baseline...", nullptr);
        showFirstSegment(run, 0);
        BeginBlock[run.slot] = 0;
        BaseLineButton = 0;
        PickPoint();
        left = PickLeftForAnotherPlot();
        HideTheToolBar();
        InstallDialogHandlers();
        start = BeginBlock[run.slot];
        if (start > 0 && start < nCases[run.slot]) setState(w, kPeriodicIntervalOK, 1);
        break;
      case kPeriodicIntervalOK: {
        const float minutes = fieldNumber(w, kPeriodicMinutesField);
        SteppedBaselineInterval = minutes;
        const int32_t d = IntervalSpacing(minutes, FileInfoFLOATS[run.slot][kInfoInterval]);
        if (d < 1) {
          Zap();
          logText.clear();
          break;
        }
        run.settings.road = kRoadInterval;
        run.settings.start = start;
        run.settings.spacing = d;
        const BaselineStatus st = spacedRoad(run);
        FileSHORTS[run.slot][kShortBlockState] = 0;
        if (st == BaselineStatus::Ok) {
          logText = "automatic periodic baseline (from interval) ";
          done = true;
        } else {
          refuse(st);
        }
        break;
      }
      case kPeriodicDefaults:
        defaults = !defaults;
        setState(w, kPeriodicDefaults, defaults ? 2 : 1);
        ClearMailbox();
        break;
      default: break;
    }
    if (left) break;
    if (singleView(run)) run.drawn = true;
    FileSHORTS[run.slot][kShortBlockState] = 0;
    EndBeep();
    action = 0;
    if (plat::windowExists(w)) plat::setCurrentPort(w);
  }
  if (done && !logText.empty()) LogChannelEdit(run.slot, run.channel, logText);
  if (defaults) {
    const PrefsStatus st = SaveSettings(plat::appFolder() / kPrefsFileName);
    if (st != PrefsStatus::Ok) ShowAlert(PrefsStatusText(st));
  }
  plat::disposeWindow(w);
  RestoreTheToolBar();
  return done;
}

// ---- The dialog -----------------------------------------------------------------

void replayStep(Run& run) {
  switch (run.settings.method) {
    case kBaselineAuto:
      if (automatic(run) == Outcome::Previewed) subtract(run);
      break;
    case kBaselineCursorBoth:
    case kBaselineCursorOne:
      if (cursorPicks(run, run.settings.method) == Outcome::Previewed) subtract(run);
      break;
    case kBaselineTyped:
    case kBaselineConstant:
      typedValues(run, run.settings.method == kBaselineConstant);
      subtract(run);
      break;
    case kBaselineMultiple: multiplePoints(run); break;
    case kBaselinePeriodic: {
      const BaselineStatus st = run.settings.road == kRoadMarkers ? markerRoad(run) : spacedRoad(run);
      if (st != BaselineStatus::Ok) Zap();
      break;
    }
    default: break;
  }
  if (run.applied) run.drawn = true;
}

// One pass after another until the dialog ends; true when a previewed line
// is to be subtracted.
bool runDialog(Run& run) {
  buildDialog();
  for (;;) {
    run.drawn = false;
    BASELINE = 1;
    BaseLineButton = 0;
    ClearMailbox();
    enableMethods(true);
    markRadios();
    for (;;) {
      auto [a, id] = TakeEvent();
      HelpSubject = kBaselineHelp;
      if (!plat::windowExists(kResultsWindow)) return false;
      NpointsInBaselineBlock =
          static_cast<int16_t>(TruncatedInRange(fieldNumber(kResultsWindow, kBaselineHalfWidthField), 0, 32767));
      if (EditPickPending() || QuitRequested() || (a == kActionClose && id == kResultsWindow)) return false;
      if (a == kActionKey && (id == '?' || id == '/')) plat::openHelp(kBaselineHelp);
      // Another file's plot brought forward ends the dialog: a waiting
      // preview counts as "Baseline OK" in the file it was drawn on, as any
      // activation would; else nothing changes.
      if (anotherPlot(run, a, id)) return run.drawn;
      // The dialog's own activation is the click that brings it back, often
      // on its Cancel: it accepts nothing.
      if (a == kActionKey || (a == kActionActivate && id != kResultsWindow)) {
        a = kActionClick;
        id = run.drawn ? kBaselineOK : kBaselineAuto;
      }
      if (a != kActionClick) continue;
      if (IsDeferredToolbarClick(id)) {
        DeferToolbarClick(id);
        return false;
      }
      if (id == kBaselineCancel) return false;
      if (id == kBaselineOK) return run.drawn;
      if (id == kBaselineSelectAgain) break;
      if (id >= kBaselineStartEnd && id <= kBaselineStartEnd + 2) {
        prefsArray[kPrefBaselineEnd] = id;
        markRadios();
        continue;
      }
      if (id >= kBaselineBlockMode && id <= kBaselinePlusMinus) {
        prefsArray[kPrefCursorPick] = id == kBaselineBlockMode ? kPickBlock
                                      : id == kBaselineSinglePoint ? kPickSinglePoint
                                                                   : kPickPlusMinus;
        markRadios();
        continue;
      }
      if (id == kBaselineHelpButton) {
        plat::openHelp(kBaselineHelp);
        continue;
      }
      if (id < kBaselineAuto || id > kBaselinePeriodic || run.drawn) continue;
      enableMethods(false);
      setState(kResultsWindow, id, 2);
      run.drawn = true;
      Outcome o = Outcome::Back;
      switch (id) {
        case kBaselineAuto: o = automatic(run); break;
        case kBaselineCursorBoth:
        case kBaselineCursorOne: o = cursorPicks(run, id); break;
        case kBaselineTyped: o = typedValues(run, false); break;
        case kBaselineConstant: o = typedValues(run, true); break;
        case kBaselineMultiple:
          ABu = static_cast<int32_t>(NpointsInBaselineBlock);
          o = multiplePoints(run);
          break;
        case kBaselinePeriodic:
          o = periodicWindow(run) ? Outcome::Applied : Outcome::Closed;
          break;
        default: break;
      }
      if (!plat::windowExists(kResultsWindow)) return false;
      plat::setCurrentPort(kResultsWindow);
      InstallDialogHandlers();
      if (o == Outcome::Closed || o == Outcome::Applied) return false;
      if (o == Outcome::Back) {
        run.drawn = false;
        enableMethods(true);
        markRadios();
        continue;
      }
      drawPreview(run);
      offerPreviewButtons();
    }
    // "Select again": the preview goes with a redraw.
    if (run.drawn) RefreshSCREEN();
    for (int16_t fid = kBaselineStartField; fid <= kBaselineEndField; ++fid) plat::removeControl(kResultsWindow, fid);
    plat::removeControl(kResultsWindow, kBaselineValuesOK);
    plat::removeControl(kResultsWindow, kBaselineOK);
    plat::removeControl(kResultsWindow, kBaselineCancel);
    setState(kResultsWindow, kBaselineSelectAgain, 0);
    plat::setCurrentPort(kResultsWindow);
    clearPromptStrip();
  }
}

}  // namespace

int16_t FixTheBASELINE(int16_t step) {
  HelpSubject = kBaselineHelp;
  EditStep es = BeginEditStep(kBaselineOp, step);
  Run run;
  run.slot = static_cast<int16_t>(TheFileInUse);
  run.channel = ActiveChannel;
  const int16_t slot = run.slot;
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot) || run.channel < 1 || run.channel > nChannels[slot] ||
      !plat::windowExists(PlotWindowId(slot))) {
    WithdrawEditStep(es);
    return 0;
  }
  const int32_t savedABu = ABu;
  const bool wasStacked = FileSHORTS[slot][kShortView] != 0;
  if (wasStacked || FileSHORTS[slot][kShortZoomed] != 0) {
    FileSHORTS[slot][kShortView] = 0;
    FileSHORTS[slot][kShortZoomed] = 0;
    plotCurrent(run);
    DrawPlot(0, 0, 1);
  }
  const int16_t autoBlock = prefsArray[kPrefAutoBlock];
  prefsArray[kPrefAutoBlock] = 0;
  const StoreStatus backup = MAKEBACKUP(run.channel);
  if (backup != StoreStatus::Ok) {
    prefsArray[kPrefAutoBlock] = autoBlock;
    WithdrawEditStep(es);
    ShowAlert(std::string("The baseline was not corrected: no undo copy could be kept. ") + StoreStatusText(backup));
    return 0;
  }
  const int16_t blockState = FileSHORTS[slot][kShortBlockState];
  const int32_t begin = BeginBlock[slot], end = EndBlock[slot];
  if (auto_block == 0.0f) auto_block = 15.0f;
  const int16_t compressed = FileSHORTS[slot][kShortCompressed];
  const int16_t analysis = Analysis_Code;
  Analysis_Code = 0;

  if (es.replay) {
    run.replay = true;
    run.settings = BaselineFromScriptStep(EditStepFields(es));
    if (run.settings.method == kBaselineAuto) auto_block = run.settings.n;
    BASELINE = 1;
    // The start/end choice of the hand run, not whatever was chosen since;
    // the remembered one stays the user's.
    const int16_t ends = prefsArray[kPrefBaselineEnd];
    if (run.settings.ends != 0) prefsArray[kPrefBaselineEnd] = run.settings.ends;
    replayStep(run);
    prefsArray[kPrefBaselineEnd] = ends;
  } else {
    EditDialogScope frame;
    wssst();
    if (runDialog(run)) subtract(run);
    plat::disposeWindow(kResultsWindow);
  }
  BASELINE = 0;
  BaseLineButton = 0;
  FileSHORTS[slot][kShortCompressed] = compressed;
  if (run.drawn) {
    FileSHORTS[slot][kShortBlockState] = blockState;
    BeginBlock[slot] = begin;
    EndBlock[slot] = end;
    const int64_t seg0 = static_cast<int64_t>(std::max<int16_t>(1, FileSHORTS[slot][kShortSegment]) - 1) * ScreenWidth;
    if (begin > 0) FileSHORTS[slot][kShortBlockLeftPx] = static_cast<int16_t>(std::clamp<int64_t>(begin - seg0, -32768, 32767));
    if (end > 0) FileSHORTS[slot][kShortBlockRightPx] = static_cast<int16_t>(std::clamp<int64_t>(end - seg0, -32768, 32767));
    LastChan = run.channel;
  }
  plat::setCursor(plat::CursorKind::Arrow);
  if (run.channel >= 1 && run.channel <= 32 && scalefact[run.channel][4] < 0.0f) scalefact[run.channel][4] = 0.0f;
  if (wasStacked) {
    FileSHORTS[slot][kShortView] = 1;
    ChangedChan = run.channel;
    RefreshSCREEN();
  } else {
    RefreshSCREEN();
  }
  prefsArray[kPrefAutoBlock] = autoBlock;
  ABu = savedABu;
  Analysis_Code = analysis;
  prefsArray[kPrefCursorPick] = kPickSinglePoint;
  ClearMailbox();

  if (!run.applied) {
    WithdrawEditStep(es);
  } else if (es.row != 0) {
    run.settings.a = run.line.a;
    run.settings.b = run.line.b;
    if (!run.replay) run.settings.ends = prefsArray[kPrefBaselineEnd];
    BaselineToScriptStep(run.settings, EditStepFields(es));
  }
  return 0;
}
