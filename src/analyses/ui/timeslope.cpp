// "Slope vs Time…": one channel against elapsed time over the block.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "analyses/linefit.h"
#include "analyses/statspanel.h"
#include "analyses/ui/autorepeat.h"
#include "analyses/ui/regression.h"
#include "datafiles/save.h"
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
#include "plot/ui/plot_commands.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/ui/recorder.h"
#include "shell/colours.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

namespace {

constexpr int16_t kSlopeWindowHeight = 356;

bool blockDefined(int16_t slot) {
  return ValidFileSlot(slot) && SlotHoldsFile(slot) && FileSHORTS[slot][kShortBlockState] == 2;
}

void makeResultsCurrent() {
  if (plat::windowExists(kResultsWindow)) plat::setCurrentPort(kResultsWindow);
}

void addPush(int16_t id, const std::string& title, plat::Rect r) {
  if (plat::controlExists(kResultsWindow, id)) return;
  plat::ButtonSpec b;
  b.id = id;
  b.title = title;
  b.r = r;
  plat::addButton(kResultsWindow, b);
}

int blockRow(double v) {
  return PixelOf(UpperLimit - (v - BlockMinY) / (static_cast<double>(BlockMaxY) - BlockMinY) * (UpperLimit - 3));
}

// The fitted line over the block plot, in XOR so the plot shows through.
void drawFit(float a, float b, double f, int32_t cases, bool logY) {
  if (!plat::windowExists(kBlockWindow) || !std::isfinite(a) || !std::isfinite(b)) return;
  plat::Port& p = plat::port(kBlockWindow);
  const int w = plat::contentSize(kBlockWindow).w;
  p.resetPen();
  p.setPenMode(plat::PenMode::Xor);
  std::vector<plat::Point> segs;
  if (!logY) {
    segs = {{1, blockRow(a)}, {w, blockRow(a + static_cast<double>(b) * (cases - 1) * f)}};
  } else {
    plat::Point last{1, blockRow(std::pow(10.0, a + static_cast<double>(b) * f * cases / w))};
    for (int x = 5; x <= w; x += 4) {
      const plat::Point next{x, blockRow(std::pow(10.0, a + static_cast<double>(b) * f * cases / w * x))};
      segs.push_back(last);
      segs.push_back(next);
      last = next;
    }
  }
  if (!segs.empty()) p.drawSegments(segs.data(), segs.size() / 2);
  p.resetPen();
  plat::flushWindow(kBlockWindow);
}

struct Run {
  int16_t slot = 0;
  LineFitRequest fit;
  int32_t n = 0;
  bool ok = false;
};

void compute(Run& run) {
  const int16_t slot = run.slot;
  MarkChannelButton(ch, ch);
  const double f = TimeUnitFactor(TimeUnits, FileInfoFLOATS[slot][kInfoInterval]);
  LineFit fit;
  run.ok = ChannelFitRequest(slot, 0, ch, BeginBlock[slot], EndBlock[slot], false, &run.fit);
  if (!run.ok) return;
  run.fit.timeFactor = f;
  // The log model is dropped when the cases fitted, of this channel, reach
  // 0 or below; the model text then says linear.
  if (UseLogY != 0 && CarriedModel(run.fit, kModelLogY) != kModelLogY) UseLogY = 0;
  run.fit.logY = UseLogY != 0;
  run.ok = FitLine(run.fit, &fit) == FitStatus::Ok;
  if (!run.ok) return;
  StoreLineFit(fit);
  const TimeIntercepts t = TimeSlopeIntercepts(fit, BeginBlock[slot], f);
  avalx = t.atZero;
  ValueOfA = t.atBlock;
  run.n = fit.n;
  bup();
  if (plat::windowExists(kBlockWindow)) DRAWBLOCK();
  drawFit(ValueOfA, ValueOfB, f, run.fit.last - run.fit.first + 1, run.fit.logY);
  makeResultsCurrent();
  REGRESSIONSTATS(run.n);
  std::string model = TimeSlopeModelText(TimeUnits, UseLogY != 0);
  std::replace(model.begin(), model.end(), '\r', ' ');
  plat::FieldSpec m;
  m.id = kRegModelField;
  m.text = model;
  m.r = {4, 200, 316, 222};
  m.kind = plat::FieldKind::Static;
  m.framed = false;
  m.font.pixelSize = 11;
  m.back = plat::background(kResultsWindow);
  plat::removeControl(kResultsWindow, kRegModelField);
  plat::addField(kResultsWindow, m);
  addPush(kSlopeTest, "Test", {4, 174, 54, 194});
  addPush(kSlopeResiduals, "Residuals\xC9", {4, 232, 100, 254});
  addPush(kSlopePredict, "Predict Values\xC9", {104, 232, 230, 254});
}

void switchChannel(Run& run, int16_t c) {
  MarkChannelButton(ch, c);
  ch = c;
  chanB = static_cast<uint16_t>(c);
  compute(run);
}

}  // namespace

void TIMESLOPE() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!blockDefined(slot)) return;
  HelpSubject = kSlopeHelpSubject;
  const int16_t handed = RunScript ? ScriptRunStep : 0;
  const int16_t recorded = RecordScriptOperation(kOpSlopeVsTime);
  if (AvoidInterpolation) {
    MakeInterpolationRecord();
    DataFilterNotice("interpolated data are ignored");
  }
  Analysis_Code = kSlopeAnalysisCode;
  // A log-X model left by the regression has no meaning over time.
  if (UseLogY == kModelLogX || UseLogY == kModelLogLog) UseLogY = 0;
  ch = ActiveChannel;
  chanB = static_cast<uint16_t>(ch);
  // The block extremes decide the log option; a regression may have left
  // its own in BlockMinY / BlockMaxY.
  if (plat::windowExists(kBlockWindow)) DRAWBLOCK();
  // No cross-channel box: the selection does not apply over time.
  OpenResultsWIndow(0, 1, 0, "Slope Over Time", 0);
  FitResultsWindow(kSlopeWindowHeight);
  makeResultsCurrent();
  CHANNELSELECT();
  const float* step = handed > 0 ? ScriptSequenceArray[handed] : nullptr;
  // "1st Run Manual" asks, and the answer goes into the step below.
  if (step && step[slope_step::kUnitsStored] > 0.0f && ReplaysWithoutDialog(handed)) {
    const float u = step[slope_step::kTimeUnits];
    TimeUnits = u >= 0.0f && u <= 3.0f ? static_cast<int16_t>(u) : 0;
  } else {
    TIMECHOICE(0);
  }
  makeResultsCurrent();
  plat::FieldSpec tv;
  tv.id = kRegTestValueField;
  tv.text = "1";
  tv.r = {90, 176, 146, 192};
  tv.back = lightBlue;
  plat::addField(kResultsWindow, tv);
  if (PortForResultsOutput != 0) addPush(kSlopePrint, "Print", {234, 232, 310, 254});

  Run run;
  run.slot = slot;
  compute(run);

  HandlerScope keepHandlers;
  InstallAnalysisHandlers();
  SetKitButton(ch, true);
  ClearMailbox();
  for (;;) {
    plat::pump();
    int16_t a = action;
    const int16_t id = eventID;
    ClearMailbox();
    if (!plat::windowExists(kResultsWindow)) break;
    HelpSubject = kSlopeHelpSubject;
    if (a == kActionClose) {
      if (id == kResultsWindow) break;
      continue;
    }
    if (a == kActionClick && IsDeferredToolbarClick(id)) {
      DeferToolbarClick(id);
      break;
    }
    if (MENU_or_ToolBar_PICKED) break;
    if (a == kActionKey && (id == 13 || id == 3)) {
      if (RunScript) break;
      continue;
    }
    if (a == kActionActivate) {
      if (id == kResultsWindow || id == kBlockWindow || id == kFilterNoticeWindow) continue;
      break;
    }
    if (a == kActionKey) {
      const int16_t c = HandleAnalysisKey(id);
      if (c > 0) switchChannel(run, c);
      makeResultsCurrent();
      continue;
    }
    if (a != kActionClick) continue;
    if (id >= 1 && id <= std::min<int16_t>(nChannels[slot], kMaxChannels)) {
      switchChannel(run, id);
      continue;
    }
    switch (id) {
      case kHelpButton: plat::openHelp(HelpSubject); break;
      case kSlopeTest: RegressionProbCalcs(); break;
      case kSlopePrint:
        Pslope = slope;
        DRAFTPRINT("p");
        makeResultsCurrent();
        break;
      case kSlopeResiduals:
        if (run.ok) RegressionRESIDS(run.fit, run.n, 0);
        makeResultsCurrent();
        break;
      case kSlopePredict:
        if (run.ok) PredictRegressionValues(1);
        makeResultsCurrent();
        break;
      default: break;
    }
  }

  // The step this run recorded, or the one a script run handed it, keeps
  // the unit chosen.
  if (float* s = SettingsStep(ScriptSequenceArray, recorded, handed)) {
    s[slope_step::kTimeUnits] = static_cast<float>(TimeUnits);
    s[slope_step::kUnitsStored] = 1.0f;
  }
  // The window goes with its loop, however it ended: its buttons would
  // answer nothing without it.
  plat::disposeWindow(kResultsWindow);
  plat::flushInput();
  plat::disposeWindow(kFilterNoticeWindow);
  bup();
  if (blockDefined(slot)) REFRESHBLOCK();
  if (plat::windowExists(PlotWindowId(slot))) plat::setCurrentPort(PlotWindowId(slot));
  RunPendingToolbarCommand();
}
