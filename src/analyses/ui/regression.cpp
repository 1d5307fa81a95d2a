// "Regress Channels…": one channel against another over the block, with the
// channel and model pickers and the scatter plot in the block window.
#include "analyses/ui/regression.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "analyses/linefit.h"
#include "analyses/statspanel.h"
#include "analyses/ui/autorepeat.h"
#include "analyses/ui/crosschan.h"
#include "editing/channelpick.h"
#include "editing/ui/picklists.h"
#include "output/results.h"
#include "output/ui/analysiskit.h"
#include "output/ui/storeresult.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/ui/recorder.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

namespace {

constexpr int16_t kRegressionWindowHeight = 356;
constexpr int16_t kOldFloatingWindow = 50;

void addRadio(int win, int16_t id, const std::string& title, plat::Rect r, bool on) {
  AddKitButton(win, id, plat::ButtonKind::Radio, title, r, on ? 2 : 1);
}

// The raw channels and the filters of the fit, for the extremes.
struct Channels {
  std::span<const float> x, y;
  CaseFilter filter;
  int32_t first = 0, last = 0;
};

bool channelsOf(int16_t slot, Channels* c) {
  LineFitRequest r;
  if (!ChannelFitRequest(slot, Chan1, chan2, BeginBlock[slot], EndBlock[slot], true, &r)) return false;
  *c = {r.x, r.y, r.filter, r.first, r.last};
  return true;
}

// minx1, maxx1, BlockMinY, BlockMaxY over the included cases.
void REGMINMAX(const Channels& c) {
  const FitExtremes e = RegressionExtremes(c.x, c.y, c.first, c.last, c.filter);
  minx1 = e.xMin;
  maxx1 = e.xMax;
  BlockMinY = e.yMin;
  BlockMaxY = e.yMax;
}

int scatterRow(double v) {
  return PixelOf(UpperLimit - (UpperLimit - 3) * (v - BlockMinY) / (static_cast<double>(BlockMaxY) - BlockMinY));
}
int scatterColumn(double x) { return PixelOf((x - minx1) / (static_cast<double>(maxx1) - minx1) * RightLim); }

void DrawREGRESSION(const Channels& c) {
  if (!plat::windowExists(kBlockWindow)) return;
  const bool notice = RegressionTimeWarning();
  plat::Port& p = plat::port(kBlockWindow);
  const plat::Size size = plat::contentSize(kBlockWindow);
  p.resetPen();
  p.setForeColor(BlockBackColor);
  p.fillRect({0, 0, size.w, size.h});
  p.setForeColor(kMediumDarkGray);
  p.fillRect({0, UpperLimit + 1, size.w, size.h});
  p.setForeColor(BlockForeColor);
  plat::FontSpec f;
  f.pixelSize = 11;
  p.setFont(f);
  p.moveTo(4, 12);
  p.drawText("Regression plot; chan" + NumText(Chan1) + " vs. chan" + NumText(chan2));
  nPoints = c.last - c.first + 1;
  REGMINMAX(c);
  if (BlockMaxY == BlockMinY) BlockMaxY += 1.0f;
  if (maxx1 == minx1) maxx1 += 1.0f;
  const int dot = nPoints < 200 ? 2 : 1;
  const float* interp = c.filter.interpolation.empty() ? nullptr : c.filter.interpolation.data();
  const float* sel = c.filter.selection.empty() ? nullptr : c.filter.selection.data();
  // Every point into the port, at most one dot per pixel, one flush.
  const int w = std::max(1, size.w), h = std::max(1, size.h);
  std::vector<uint8_t> seen(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  for (int32_t k = c.first; k <= c.last; ++k) {
    if (interp && interp[k] != 0.0f) continue;
    if (sel && sel[k] == 0.0f) continue;
    const int x = scatterColumn(c.x[static_cast<size_t>(k)]);
    const int y = scatterRow(c.y[static_cast<size_t>(k)]);
    if (x < 0 || y < 0 || x >= w || y >= h) continue;
    uint8_t& s = seen[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
    if (s) continue;
    s = 1;
    if (dot == 1) p.fillRect({x, y, x + 1, y + 1});
    else p.fillOval({x - 1, y - 1, x + 2, y + 2});
  }
  p.resetPen();
  plat::flushWindow(kBlockWindow);
  if (notice) plat::disposeWindow(kLongPlotNotice);
  EndBeep();
}

// The fitted model over the scatter plot.
void drawModel(int16_t model, float a, float b) {
  DrawLineOverBlock(a, b, [&](int w) {
    if (model == kModelLinear) {
      return std::vector<plat::Point>{{1, scatterRow(a + static_cast<double>(b) * minx1)},
                                      {w, scatterRow(a + static_cast<double>(b) * maxx1)}};
    }
    auto valueAt = [&](double x) {
      switch (model) {
        case kModelLogY: return std::pow(10.0, a + b * x);
        case kModelLogX: return a + b * static_cast<double>(FitLog10(static_cast<float>(x)));
        default: return std::pow(10.0, a + b * static_cast<double>(FitLog10(static_cast<float>(x))));
      }
    };
    const double step = (static_cast<double>(maxx1) - minx1) * 4.0 / w;
    std::vector<plat::Point> points;
    int k = 0;
    for (int px = 1; px <= w; px += 4, ++k) points.push_back({px, scatterRow(valueAt(minx1 + (k + 1) * step))});
    return points;
  });
}

// From the test-value field on: the plot, the fit and the panel with the
// channels and model chosen.
void compute(LineFitRun& run) {
  const int16_t slot = run.slot;
  MakeLineFitResultsCurrent();
  AddSlopeTestValueField();
  run.ok = false;
  if (chan2 == 0) return;
  Channels c;
  if (!channelsOf(slot, &c)) return;
  DrawREGRESSION(c);
  run.ok = ChannelFitRequest(slot, Chan1, chan2, BeginBlock[slot], EndBlock[slot], true, &run.fit);
  if (!run.ok) return;
  // The cases included now (box 99 may have just added some) must carry the
  // model's logarithms; otherwise it falls back to linear and says so.
  UseLogY = CarriedModel(run.fit, UseLogY);
  run.fit.logX = ModelLogX(UseLogY);
  run.fit.logY = ModelLogY(UseLogY);
  LineFit fit;
  if (!FitLineOfRun(run, &fit)) return;
  bup();
  drawModel(UseLogY, ValueOfA, ValueOfB);
  MakeLineFitResultsCurrent();
  REGRESSIONSTATS(run.n);
  AddLineFitTextLine(kRegModelField, std::string("  model:    ") + RegressionModelText(UseLogY), {4, 200, 316, 216});
  for (int16_t i = 0; i < 2; ++i) {
    const int16_t c = i == 0 ? Chan1 : chan2;
    AddLineFitTextLine(static_cast<int16_t>(kRegAxisField + i),
                       std::string(i == 0 ? " X -axis, ch." : " Y-axis, ch.") + NumText(c) + "   " + RetrieveLabel(c),
                       {4, 258 + 16 * i, 316, 274 + 16 * i});
  }
  const int win = kResultsWindow;
  AddLineFitButton(win, kRegTest, "test", {4, 174, 54, 194});
  if (nChannels[slot] > 2) AddLineFitButton(win, kRegNewChannels, "Select New Channels\xC9", {4, 232, 150, 254});
  AddLineFitButton(win, kRegPredict, "Predict Values\xC9", {154, 232, 270, 254});
  AddLineFitButton(win, kRegResiduals, "Residuals\xC9", {4, 296, 100, 318});
  AddLineFitButton(win, kRegExit, "Exit", {104, 296, 170, 318}, true);
}

// The Print button and the store key: the record names the slope the
// window tested.
void storeResult() {
  Pslope = slope;
  DRAFTPRINT("p");
  MakeLineFitResultsCurrent();
}

// Channel choice, as on entry and after "Select New Channels…".
void chooseChannels(LineFitRun& run) {
  const int16_t slot = run.slot;
  Chan1 = ActiveChannel;
  OpenResultsWIndow(1, 1, 0, "Cross-Channel Regression", 0);
  FitResultsWindow(kRegressionWindowHeight);
  MakeLineFitResultsCurrent();
  // The channels come from the picker: no channel buttons here.
  WriteHEADER(0);
  // Beside "Print": the window ends near 330 on an 800-pixel desk.
  AddLineFitButton(kResultsWindow, kHelpButton, "?", {316, 296, 346, 318});
  chan2 = 0;
  if (PortForResultsOutput != 0) AddLineFitButton(kResultsWindow, kRegPrint, "Print", {234, 296, 310, 318});
  if (nChannels[slot] == 2) {
    Chan1 = 1;
    chan2 = 2;
    // A log model left over from an earlier run meets the rule the model
    // window applies: no logarithm of data at 0 or below.
    Channels c;
    if (channelsOf(slot, &c)) UseLogY = AllowedModel(UseLogY, RegressionExtremes(c.x, c.y, c.first, c.last, c.filter));
  } else {
    PickRChans(1);
  }
  MakeLineFitResultsCurrent();
}

}  // namespace

// ---- Channel and model pickers ----------------------------------------------------------

void PickRChans(uint16_t withModel) {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot)) return;
  const int16_t n = nChannels[slot];
  constexpr int kWin = kPickWindow;
  const int previous = plat::currentPortWindow();
  HandlerScope keep;
  InstallDialogHandlers();
  HideTheToolBar();
  const PickListLayout layout = LayOutPickList(PickListKind::Plain, n, 30, 10, true);
  const plat::Rect at = LineFitWindowBesidePlot(340, layout.bottom + 60, 30);
  BuildWINDOW(1, kWin, "Select Shannels to Regress", static_cast<int16_t>(at.left), static_cast<int16_t>(at.top),
              static_cast<int16_t>(at.right), static_cast<int16_t>(at.bottom), kKindDocument, 0);
  plat::setCurrentPort(kWin);
  const int16_t keptYChan = yChan;
  yChan = 1;
  TRANSCHAN(" ch. X", "  ch. Y", "Channel data", 30, 1, 10, 1);
  yChan = keptYChan;
  AddLineFitButton(kWin, kPickOK, "Selections OK", {200, layout.bottom + 20, 330, layout.bottom + 42}, true);
  int16_t x = (Chan1 >= 1 && Chan1 <= n) ? Chan1 : 0;
  int16_t y = (chan2 > n && chan2 <= 2 * n) ? chan2 : 0;
  auto show = [&] {
    for (int16_t c = 1; c <= 2 * n; ++c) plat::setButtonState(kWin, c, 1);
    if (x) {
      plat::setButtonState(kWin, x, 2);
      plat::setButtonState(kWin, x + n, 0);
    }
    if (y) {
      plat::setButtonState(kWin, y, 2);
      plat::setButtonState(kWin, y - n, 0);
    }
    plat::setButtonState(kWin, kPickOK, x && y ? 1 : 0);
  };
  show();
  ClearMailbox();
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kWin)) break;
    if (a == kActionClick && id >= 1 && id <= n && id + n != y) {
      x = id;
      show();
    } else if (a == kActionClick && id > n && id <= 2 * n && id - n != x) {
      y = id;
      show();
    } else if ((a == kActionClick && id == kPickOK && x && y) || (a == kActionKey && (id == 13 || id == 3)) ||
               (a == kActionClose && id == kWin) || (a == kActionActivate && id != kWin && y)) {
      break;
    }
  }
  plat::disposeWindow(kWin);
  if (x) Chan1 = x;
  chan2 = y ? static_cast<int16_t>(y - n) : 0;

  if (withModel == 1 && chan2 != 0) {
    Channels c;
    FitExtremes e;
    if (channelsOf(slot, &c)) e = RegressionExtremes(c.x, c.y, c.first, c.last, c.filter);
    REGMINMAX(c);
    if (e.yMin <= 0.0f || e.xMin <= 0.0f) UseLogY = 0;
    if (UseLogY < 0 || UseLogY > 3) UseLogY = 0;
    BuildWINDOW(1, kWin, "Regression Type", static_cast<int16_t>(at.left), static_cast<int16_t>(at.top),
                static_cast<int16_t>(at.right), static_cast<int16_t>(at.top + 170), kKindDocument, 0);
    plat::setCurrentPort(kWin);
    const bool logY = e.yMin > 0.0f, logX = e.xMin > 0.0f;
    addRadio(kWin, 1, "  Linear (least-squares) ", {20, 15, 300, 33}, UseLogY == 0);
    if (logY) addRadio(kWin, 2, "   Linear X, Log Y", {20, 40, 300, 58}, UseLogY == 1);
    if (logX) addRadio(kWin, 3, "   Log X, Linear Y", {20, 65, 300, 83}, UseLogY == 2);
    if (logX && logY) addRadio(kWin, 4, "   Log X, Log Y", {20, 90, 300, 108}, UseLogY == 3);
    AddLineFitButton(kWin, kModelDone, "Done", {230, 130, 320, 152}, true);
    ClearMailbox();
    for (;;) {
      const auto [a, id] = TakeEvent();
      if (!plat::windowExists(kWin)) break;
      if (a == kActionClick && id >= 1 && id <= 4) {
        UseLogY = static_cast<int16_t>(id - 1);
        for (int16_t r = 1; r <= 4; ++r)
          if (plat::controlExists(kWin, r)) plat::setButtonState(kWin, r, r == id ? 2 : 1);
      } else if (EndsLineFitDialog(a, id, kWin, kModelDone)) {
        break;
      }
    }
    plat::disposeWindow(kWin);
  }
  RestoreTheToolBar();
  if (plat::windowExists(PlotWindowId(slot))) plat::bringToFront(PlotWindowId(slot));
  if (previous && plat::windowExists(previous)) plat::setCurrentPort(previous);
}

// ---- The command -------------------------------------------------------------------------

void REGRESSION() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  HelpSubject = kRegressionHelpSubject;
  if (!LineFitBlockDefined(slot) || nChannels[slot] < 2) return;
  RecordScriptOperation(kOpRegress);
  if (AvoidInterpolation) {
    MakeInterpolationRecord();
    DataFilterNotice("interpolated data are ignored");
  }
  Analysis_Code = kRegressionAnalysisCode;
  plat::disposeWindow(kOldFloatingWindow);

  LineFitRun run;
  run.slot = slot;
  chooseChannels(run);
  compute(run);

  DialogScope analysisLoop(InstallAnalysisHandlers);
  // No Y channel chosen: the command ends without a fit.
  while (chan2 != 0) {
    int16_t a = 0, id = 0;
    const LineFitEvent e = NextLineFitEvent(kRegressionHelpSubject, &a, &id);
    if (e == LineFitEvent::Leave) break;
    if (e == LineFitEvent::Skip) continue;
    if (a == kActionKey) {
      // No channel keys: the channels come from the picker.
      const AnalysisKeyKind k = TranslateAnalysisKey(id, nChannels[slot]).kind;
      if (k == AnalysisKeyKind::Help) plat::openHelp(HelpSubject);
      else if (k == AnalysisKeyKind::Store) storeResult();
      continue;
    }
    if (a != kActionClick) continue;
    bool leave = false;
    switch (id) {
      case kCrossChannelBox:
        ToggleCrossChannelBox();
        compute(run);
        break;
      case kHelpButton: plat::openHelp(HelpSubject); break;
      case kRegTest: REGPROB(); break;
      case kRegPrint: storeResult(); break;
      case kRegNewChannels:
        chooseChannels(run);
        compute(run);
        InstallAnalysisHandlers();
        break;
      case kRegPredict:
        if (run.ok) PredictRegressionValues(0);
        MakeLineFitResultsCurrent();
        break;
      case kRegResiduals:
        if (run.ok) RegressionRESIDS(run.fit, run.n, 1);
        MakeLineFitResultsCurrent();
        break;
      case kRegExit: leave = true; break;
      default: break;
    }
    if (leave) break;
  }

  CloseLineFitWindow(slot);
}

void RegisterLineFitCommands() {
  RegisterCommand(Cmd::TimeSlope, [](int16_t) { TIMESLOPE(); });
  RegisterCommand(Cmd::Regression, [](int16_t) { REGRESSION(); });
  RegisterAutoRepeatAnalysis(kSlopeAnalysisCode, [] {
    SetResultTopic(kTopicSlopeVsTime);
    TIMESLOPE();
  });
  RegisterAutoRepeatAnalysis(kRegressionAnalysisCode, [] {
    SetResultTopic(kTopicRegression);
    REGRESSION();
  });
}
