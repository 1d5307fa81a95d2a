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

int blockRow(double v) {
  return PixelOf(UpperLimit - (v - BlockMinY) / (static_cast<double>(BlockMaxY) - BlockMinY) * (UpperLimit - 3));
}

void drawFit(float a, float b, double f, int32_t cases, bool logY) {
  DrawLineOverBlock(a, b, [&](int w) {
    if (!logY) {
      return std::vector<plat::Point>{{1, blockRow(a)}, {w, blockRow(a + static_cast<double>(b) * (cases - 1) * f)}};
    }
    std::vector<plat::Point> points{{1, blockRow(std::pow(10.0, a + static_cast<double>(b) * f * cases / w))}};
    for (int x = 5; x <= w; x += 4)
      points.push_back({x, blockRow(std::pow(10.0, a + static_cast<double>(b) * f * cases / w * x))});
    return points;
  });
}

void compute(LineFitRun& run) {
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
  if (!FitLineOfRun(run, &fit)) return;
  const TimeIntercepts t = TimeSlopeIntercepts(fit, BeginBlock[slot], f);
  avalx = t.atZero;
  ValueOfA = t.atBlock;
  bup();
  if (plat::windowExists(kBlockWindow)) DRAWBLOCK();
  drawFit(ValueOfA, ValueOfB, f, run.fit.last - run.fit.first + 1, run.fit.logY);
  MakeLineFitResultsCurrent();
  REGRESSIONSTATS(run.n);
  std::string model = TimeSlopeModelText(TimeUnits, UseLogY != 0);
  std::replace(model.begin(), model.end(), '\r', ' ');
  AddLineFitTextLine(kRegModelField, model, {4, 200, 316, 222});
  AddLineFitButton(kResultsWindow, kSlopeTest, "Test", {4, 174, 54, 194});
  AddLineFitButton(kResultsWindow, kSlopeResiduals, "Residuals\xC9", {4, 232, 100, 254});
  AddLineFitButton(kResultsWindow, kSlopePredict, "Predict Values\xC9", {104, 232, 230, 254});
}

// The step this fit fills: recorded, else handed by a run; 0 none.
int16_t slopeStep = 0;

// The Print button and the store key: the record names the slope the
// window tested.
void storeResult() {
  Pslope = slope;
  DRAFTPRINT("p");
  MakeLineFitResultsCurrent();
}

void switchChannel(LineFitRun& run, int16_t c) {
  NoteAnalysisChannel(slopeStep, c);
  MarkChannelButton(ch, c);
  ch = c;
  chanB = static_cast<uint16_t>(c);
  compute(run);
  // The header names the channel the fit is now of, on the screen at once.
  MakeLineFitResultsCurrent();
  WriteHEADER(0);
  if (plat::windowExists(kResultsWindow)) plat::flushWindow(kResultsWindow);
}

}  // namespace

void TIMESLOPE() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!LineFitBlockDefined(slot)) return;
  HelpSubject = kSlopeHelpSubject;
  const int16_t handed = RunScript ? ScriptRunStep : 0;
  const int16_t recorded = RecordScriptOperation(kOpSlopeVsTime);
  slopeStep = recorded > 0 ? recorded : HandedAnalysisStep({kOpSlopeVsTime});
  if (AvoidInterpolation) {
    MakeInterpolationRecord();
    DataFilterNotice("interpolated data are ignored");
  }
  Analysis_Code = kSlopeAnalysisCode;
  // A log-X model left by the regression has no meaning over time.
  if (UseLogY == kModelLogX || UseLogY == kModelLogLog) UseLogY = 0;
  ch = ReplayedAnalysisChannel(HandedAnalysisStep({kOpSlopeVsTime}), ActiveChannel, nChannels[slot]);
  chanB = static_cast<uint16_t>(ch);
  // The block extremes decide the log option; a regression may have left
  // its own in BlockMinY / BlockMaxY.
  if (plat::windowExists(kBlockWindow)) DRAWBLOCK();
  // No cross-channel box: the selection does not apply over time.
  OpenResultsWIndow(0, 1, 0, "Slope Over Time", 0);
  FitResultsWindow(kSlopeWindowHeight);
  MakeLineFitResultsCurrent();
  CHANNELSELECT();
  const float* step = handed > 0 ? ScriptSequenceArray[handed] : nullptr;
  // "1st Run Manual" asks, and the answer goes into the step below.
  if (step && step[slope_step::kUnitsStored] > 0.0f && ReplaysWithoutDialog(handed)) {
    const float u = step[slope_step::kTimeUnits];
    TimeUnits = u >= 0.0f && u <= 3.0f ? static_cast<int16_t>(u) : 0;
  } else {
    TIMECHOICE(0);
  }
  MakeLineFitResultsCurrent();
  AddSlopeTestValueField();
  if (PortForResultsOutput != 0) AddLineFitButton(kResultsWindow, kSlopePrint, "Print", {234, 232, 310, 254});

  LineFitRun run;
  run.slot = slot;
  compute(run);

  HandlerScope keepHandlers;
  InstallAnalysisHandlers();
  SetKitButton(ch, true);
  ClearMailbox();
  for (;;) {
    int16_t a = 0, id = 0;
    const LineFitEvent e = NextLineFitEvent(kSlopeHelpSubject, &a, &id);
    if (e == LineFitEvent::Leave) break;
    if (e == LineFitEvent::Skip) continue;
    if (a == kActionKey) {
      if (IsStoreResultKey(id)) {
        storeResult();
        continue;
      }
      const int16_t c = HandleAnalysisKey(id);
      if (c > 0) switchChannel(run, c);
      MakeLineFitResultsCurrent();
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
      case kSlopePrint: storeResult(); break;
      case kSlopeResiduals:
        if (run.ok) RegressionRESIDS(run.fit, run.n, 0);
        MakeLineFitResultsCurrent();
        break;
      case kSlopePredict:
        if (run.ok) PredictRegressionValues(1);
        MakeLineFitResultsCurrent();
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
  CloseLineFitWindow(slot);
}
