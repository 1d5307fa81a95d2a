#include "analyses/ui/integration.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "analyses/descriptive.h"
#include "analyses/statspanel.h"
#include "analyses/integration.h"
#include "analyses/ui/average.h"
#include "analyses/ui/crosschan.h"
#include "analyses/ui/histogram.h"
#include "output/numberformat.h"
#include "output/results.h"
#include "output/scaling.h"
#include "output/ui/analysiskit.h"
#include "output/ui/scaleresults.h"
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
#include "shell/worktables.h"

namespace {

constexpr int kPrefSumPlot = 24;
constexpr plat::Rgb16 kInk{0, 0, 0};
constexpr plat::Rgb16 kRed{0xDD00, 0x0800, 0x0600};
constexpr plat::Rgb16 kYellow{0xFC00, 0xF37D, 0x052F};
// "Baseline = Zero" is button 154; any mode other than the four below is zero.
constexpr int16_t kZeroBaselineButton = 154;
const int16_t kBaselineButtons[] = {kZeroBaselineButton, kBaseBlockStart, kBaseBlockEnd, kBaseLinear, kBaseUserSet};
const int16_t kIntegrationUnits[] = {kUnitNoneIntegration, kUnitSeconds, kUnitMinutes, kUnitHours, kUnitDays};

// The baseline line last drawn, so that XOR can remove it.
float arealine[5] = {0, 0, 0, 0, 0};
bool lineShown = false;

int16_t currentSlot() { return static_cast<int16_t>(TheFileInUse); }

void makeResultsCurrent() {
  if (plat::windowExists(kResultsWindow)) plat::setCurrentPort(kResultsWindow);
}

double userBaseline() {
  double v = 0.0;
  if (plat::windowExists(kResultsWindow) && plat::controlExists(kResultsWindow, kUserBaseField) &&
      ParseFieldNumber(plat::fieldText(kResultsWindow, kUserBaseField), &v))
    return v;
  return 0.0;   // not a number reads as 0
}

// The step this integration fills: the one it recorded, else the one a run
// handed it; it holds the unit and the baseline as they stand, and the
// user baseline and limits the integral shown was computed with.
int16_t areaStep = 0;

// What DoAREA last integrated with: a user baseline typed and not yet
// applied is not the one the integral shown used.
struct AreaUsed {
  double userBase = 0.0;
  int32_t left = 0, right = 0;
};
AreaUsed areaUsed;

void noteChoices() {
  if (areaStep < 1 || areaStep > kLastScriptStep) return;
  float* f = ScriptSequenceArray[areaStep];
  f[area_step::kUnit] = IntegrationUnit;
  f[area_step::kBaseline] = IntegrationMode;
  f[area_step::kUserBase] = static_cast<float>(areaUsed.userBase);
  NoteBlockLimit(areaStep, area_step::kLeftLimit, areaUsed.left != 0, areaUsed.left);
  NoteBlockLimit(areaStep, area_step::kRightLimit, areaUsed.right != 0, areaUsed.right);
}

double fieldValue(int16_t id) {
  double v = 0.0;
  if (plat::windowExists(kResultsWindow) && plat::controlExists(kResultsWindow, id))
    ParseFieldNumber(plat::fieldText(kResultsWindow, id), &v);
  return v;
}

IntegrationRequest requestFor(int16_t slot, int32_t left, int32_t right) {
  IntegrationRequest r;
  r.first = BeginBlock[slot] + left;
  r.last = right != 0 ? BeginBlock[slot] + right : EndBlock[slot];
  if (r.first > r.last) std::swap(r.first, r.last);
  r.mode = IntegrationMode;
  r.unit = IntegrationUnit;
  r.interval = FileInfoFLOATS[slot][kInfoInterval];
  r.userBase = userBaseline();
  return r;
}

void addButton(int16_t id, plat::ButtonKind kind, const std::string& title, plat::Rect r) {
  AddKitButton(kResultsWindow, id, kind, title, r);
}

void addField(int16_t id, const std::string& text, plat::Rect r, bool editable, int size = 12) {
  plat::FieldSpec f;
  f.id = id;
  f.text = text;
  f.r = r;
  f.kind = editable ? plat::FieldKind::Editable : plat::FieldKind::Static;
  f.font.pixelSize = size;
  f.back = editable ? lightBlue : manila;
  plat::addField(kResultsWindow, f);
}

void drawText(int x, int y, int size, const std::string& t) {
  plat::Port& p = plat::port(kResultsWindow);
  p.setTextSize(size);
  p.moveTo(x, y);
  p.drawText(t);
}

void markGroup(std::span<const int16_t> ids, int16_t marked) {
  for (int16_t id : ids)
    if (plat::controlExists(kResultsWindow, id)) plat::setButtonState(kResultsWindow, id, id == marked ? 2 : 1);
}

int16_t markedBaselineButton() {
  switch (IntegrationMode) {
    case kBaseBlockStart:
    case kBaseBlockEnd:
    case kBaseLinear:
    case kBaseUserSet: return IntegrationMode;
    default: return kZeroBaselineButton;
  }
}

void xorLine(const float (&l)[5]) {
  if (!plat::windowExists(kBlockWindow)) return;
  for (int i = 1; i <= 4; ++i)
    if (!std::isfinite(l[i])) return;
  plat::Port& p = plat::port(kBlockWindow);
  p.setPenMode(plat::PenMode::Xor);
  p.moveTo(static_cast<int>(l[1]), static_cast<int>(l[2]));
  p.lineTo(static_cast<int>(l[3]), static_cast<int>(l[4]));
  p.resetPen();
  plat::flushWindow(kBlockWindow);
}

// The state of one run of the integration window.
struct Run {
  int16_t slot = 0;
  int32_t left = 0, right = 0;   // limit offsets; right 0: the block's end
  bool leftSet = false, rightSet = false;
  int16_t leftX = 0, rightX = 0;
  int32_t entryFirst = 0, entryLast = 0;
  float total = 0.0f;
};

void redrawPlotIfShown(const Run& run) {
  if (prefsArray[kPrefSumPlot] != 0) INTPLOT(run.left, run.right);
  makeResultsCurrent();
}

void setLimit(Run& run, int16_t side) {
  const int16_t button = side == 1 ? kAreaRightLimit : kAreaLeftLimit;
  plat::setButtonState(kResultsWindow, button, 2);
  if (side == 1) PickLimit(1, &run.right, &run.rightSet, &run.rightX);
  else PickLimit(0, &run.left, &run.leftSet, &run.leftX);
  makeResultsCurrent();
  DoAREA(1, run.left, run.right);
  plat::setButtonState(kResultsWindow, button, 1);
}

void showDistribution(const Run& run) {
  const int16_t slot = run.slot;
  const float* data = ChannelData(slot, ch);
  if (!data || run.entryLast > nCases[slot]) return;
  float lo = data[run.entryFirst], hi = lo;
  double sum = 0.0;
  for (int32_t k = run.entryFirst; k <= run.entryLast; ++k) {
    lo = std::min(lo, data[k]);
    hi = std::max(hi, data[k]);
    sum += data[k];
  }
  mi = lo;
  ma = hi;
  const double keep = meanValue;
  HISTOGRAM(run.entryFirst, run.entryLast, sum / (run.entryLast - run.entryFirst + 1), 0, 0, 0, 0);
  meanValue = keep;
  makeResultsCurrent();
}

void switchChannel(Run& run, int16_t c) {
  MarkChannelButton(ch, c);
  ch = c;
  NoteAnalysisChannel(areaStep, c);
  chanB = static_cast<uint16_t>(c);
  lineShown = false;
  DRAWBLOCK();
  FIXLIMITS(run.leftSet, run.rightSet, run.leftX, run.rightX);
  makeResultsCurrent();
  plat::currentPort().clearRect({0, 0, 320, 17});
  WriteHEADER(0);
  DoAREA(0, run.left, run.right);
  redrawPlotIfShown(run);
  // Nothing else repaints the window: the new header would wait unseen.
  if (plat::windowExists(kResultsWindow)) plat::flushWindow(kResultsWindow);
}

void buildWindow(Run& run) {
  OpenResultsWIndow(1, 1, 0, "Integrate Over Time", 0);
  FitResultsWindow(330);
  makeResultsCurrent();
  ch = ReplayedAnalysisChannel(HandedAnalysisStep({kOpIntegrateBlock}), ActiveChannel, nChannels[run.slot]);
  CHANNELSELECT();
  plat::removeControl(kResultsWindow, 32);
  BuildBOX(5, 141, 305, 174);
  drawText(192, 43, 14, "time unit:");
  drawText(14, 211, 15, "integral = ");
  drawText(125, 238, 12, "= ");
  addField(kUserBaseField, RealText(static_cast<float>(ibase)), {205, 150, 295, 167}, true);
  addField(kIntegralField, "", {96, 197, 295, 219}, false, 16);
  addField(kRunningTotalField, "0", {145, 227, 295, 245}, false);
  run.total = 0.0f;
  DoAREA(0, 0, 0);
  using K = plat::ButtonKind;
  addButton(kZeroBaselineButton, K::SmallBevel, "Baseline = Zero", {12, 42, 170, 65});
  addButton(kBaseBlockStart, K::SmallBevel, "Baseline = Block Start", {12, 68, 170, 90});
  addButton(kBaseBlockEnd, K::SmallBevel, "Baseline = Block End", {12, 93, 170, 115});
  addButton(kBaseLinear, K::SmallBevel, "Proportional Baseline", {12, 118, 170, 140});
  addButton(kBaseUserSet, K::SmallBevel, "User-defined Baseline", {20, 147, 195, 169});
  addButton(kUnitNoneIntegration, K::SmallBevel, "None", {184, 46, 248, 62});
  addButton(kUnitSeconds, K::SmallBevel, "Seconds", {184, 64, 248, 83});
  addButton(kUnitMinutes, K::SmallBevel, "Minutes", {184, 83, 248, 102});
  addButton(kUnitHours, K::SmallBevel, "Hours", {184, 102, 248, 121});
  addButton(kUnitDays, K::SmallBevel, "Days", {184, 121, 248, 140});
  addButton(kAreaLeftLimit, K::Push, "Left Limit", {4, 302, 67, 322});
  addButton(kAreaRightLimit, K::Push, "Right Limit", {71, 302, 145, 322});
  addButton(kAreaStoreButton, K::Push, "Store", {255, 58, 304, 78});
  addButton(kScaleButton, K::SmallBevel, "Scale", {255, 81, 304, 107});
  addButton(kDistributionButton, K::Push, "Distribution", {204, 302, 309, 322});
  addButton(kTotalClear, K::Push, "Clear", {22, 227, 70, 243});
  addButton(kTotalAdd, K::Push, "+", {75, 227, 95, 243});
  addButton(kTotalSubtract, K::Push, "-", {100, 227, 120, 243});
  addButton(kSumPlotButton, K::SmallBevel, "\xB7 Plot", {150, 302, 199, 322});
}

void markAll(const Run& run) {
  markGroup(kBaselineButtons, markedBaselineButton());
  markGroup(kIntegrationUnits, IntegrationUnitButton(IntegrationUnit));
  SetKitButton(ch, true);
  SetKitButton(kSumPlotButton, prefsArray[kPrefSumPlot] != 0);
  SetKitButton(kScaleButton, Rscale != 0);
  (void)run;
}

void accumulate(Run& run, AccumulatorOp op) {
  run.total = Accumulate(static_cast<float>(fieldValue(kRunningTotalField)), fieldValue(kIntegralField), op);
  plat::setFieldText(kResultsWindow, kRunningTotalField, RealText(run.total));
  if (op == AccumulatorOp::Add && prefsArray[kPrefSoundLevel] != 0) EndBeep();
  if (op == AccumulatorOp::Subtract && prefsArray[kPrefSoundLevel] != 0) lobeep();
}

}  // namespace

// ---- Integral, baseline line, cumulative plot --------------------------------------------

void DoAREA(uint16_t eraseOld, int32_t left, int32_t right) {
  const int16_t slot = currentSlot();
  if (!SlotHasBlock(slot)) return;
  EraseDiskIcon();
  const IntegrationRequest req = requestFor(slot, left, right);
  IntegrationResult r;
  if (!IntegrateChannel(slot, ch, req, &r)) return;
  areaUsed = {req.userBase, left, right};
  StoreIntegrationResult(req, r);
  DrawAreaLine(static_cast<float>(req.userBase), static_cast<int16_t>(eraseOld), left, right);
  const double shown = Rscale ? ScaledValue(CurrentResultScale(ch), meanValue) : meanValue;
  if (plat::windowExists(kResultsWindow) && plat::controlExists(kResultsWindow, kIntegralField)) {
    plat::setFieldText(kResultsWindow, kIntegralField, RealText(static_cast<float>(shown)));
    plat::clearFieldFocus(kResultsWindow);
  }
  makeResultsCurrent();
}

void ERASELINE(uint16_t flag) {
  if (flag != 0 && lineShown) {
    xorLine(arealine);
    lineShown = false;
  }
}

void DrawAreaLine(float userBase, int16_t eraseOld, int32_t left, int32_t right) {
  const int16_t slot = currentSlot();
  if (!plat::windowExists(kBlockWindow) || !SlotHasBlock(slot)) return;
  if (eraseOld) ERASELINE(1);
  const float* data = ChannelData(slot, static_cast<int16_t>(chanB));
  if (!data) return;
  const int32_t begin = BeginBlock[slot], end = EndBlock[slot];
  const double p = end > begin ? static_cast<double>(RightLim) / (end - begin) : 0.0;
  const int32_t s = begin + left, e = right != 0 ? begin + right : end;
  const double x1 = left * p, x2 = right != 0 ? right * p : RightLim;
  double va = 0.0, vb = 0.0;
  switch (IntegrationMode) {
    case kBaseBlockStart: va = vb = data[s]; break;
    case kBaseBlockEnd: va = vb = data[e]; break;
    case kBaseLinear:
      va = data[s];
      vb = data[e];
      break;
    case kBaseUserSet: va = vb = userBase; break;
    default: break;
  }
  const double range = BlockMaxY - BlockMinY;
  auto yOf = [&](double v) {
    return range > 0 ? UpperLimit - std::rint((v - BlockMinY) * (UpperLimit - 4) / range) : UpperLimit / 2.0;
  };
  arealine[1] = static_cast<float>(x1);
  arealine[2] = static_cast<float>(std::clamp(yOf(va), -30000.0, 30000.0));
  arealine[3] = static_cast<float>(x2);
  arealine[4] = static_cast<float>(std::clamp(yOf(vb), -30000.0, 30000.0));
  xorLine(arealine);
  lineShown = true;
  makeResultsCurrent();
}

void INTPLOT(int32_t left, int32_t right) {
  const int16_t slot = currentSlot();
  if (!SlotHasBlock(slot)) return;
  if (ch == 0) ch = 1;
  const int h = std::min<int>(BottomOfPlotArea, 370);
  const IntegrationRequest req = requestFor(slot, left, right);
  const float* data = ChannelData(slot, ch);
  if (!data) return;
  const std::span<const float> all{data, static_cast<size_t>(nCases[slot]) + 1};
  const std::vector<float> running = RunningIntegral(all, req);
  // The plot shows the cases the cross-channel selection keeps.
  CaseFilter f;
  const bool selection = UseCrossChanIndex != 0 && SelectedCaseCount(slot) > 0;
  CurrentCaseFilter(false, selection, nCases[slot], &f);
  std::vector<float> kept;
  kept.reserve(running.size());
  for (size_t i = 0; i < running.size(); ++i) {
    const size_t k = static_cast<size_t>(req.first) + i;
    if (f.selection.empty() || f.selection[k] >= 1.0f) kept.push_back(running[i]);
  }
  const CumulativePlot plot = LayOutCumulativePlot(kept, h);
  const double u = IntegrationSamplesPerUnit(req.unit, req.interval);

  std::string name = RetrieveLabelOf(slot, ch);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  const std::string title = "Integration of Channel" + RealText(ch) + ":  " + name;
  if (plat::windowExists(kCumulativePlotWindow)) {
    plat::setTitle(kCumulativePlotWindow, title);
  } else {
    const plat::Rect pr = plat::windowExists(PlotWindowId(slot)) ? plat::contentRect(PlotWindowId(slot))
                                                                   : plat::Rect{94, 41, 900, 500};
    BuildWINDOW(0, kCumulativePlotWindow, title, static_cast<int16_t>(pr.left + 100),
                static_cast<int16_t>(pr.top + 75), static_cast<int16_t>(pr.left + 519),
                static_cast<int16_t>(pr.top + 75 + h - 70), kKindDocument, 1);
  }
  plat::Port& p = plat::port(kCumulativePlotWindow);
  p.setBackColor(LightGray);
  p.clearRect({0, 0, 419, h});
  const bool colour = prefsArray[kPrefColourDisplay] != 0;
  p.setForeColor(colour ? kRed : kInk);
  p.fillRect({120, 6, 415, h - 87}, plat::patterns::solid);
  p.setForeColor(kInk);
  p.strokeRect({120, 6, 415, h - 87});
  for (int y : {7, h - 88}) {
    p.moveTo(109, y);
    p.lineTo(117, y);
  }
  for (int x : {120, 414}) {
    p.moveTo(x, h - 85);
    p.lineTo(x, h - 80);
  }
  auto label = [&p](int x, int y, int size, const std::string& t) {
    p.setTextSize(size);
    p.moveTo(x, y);
    p.drawText(t);
  };
  // The axis runs over the span's cases, numbered as the store numbers them.
  label(116, h - 74, 12, IntText(int64_t{req.first}));
  label(386, h - 74, 12, IntText(int64_t{req.last}));
  if (plot.kept > 0) {
    label(4, 18, 12, RealText(plot.largest / u));
    label(4, h - 84, 12, RealText(plot.smallest / u));
  }
  label(6, (h - 87) / 2, 14, "Cumulative");
  label(6, (h - 87) / 2 + 18, 14, "integration plot");
  label(225, h - 74, 12, "Sample number");
  if (plot.zeroY >= 0) {
    p.setForeColor(kYellow);
    for (int x = 120; x < 415; x += 4) {
      p.moveTo(x, plot.zeroY);
      p.lineTo(x + 1, plot.zeroY);
    }
  }
  p.setForeColor(colour ? kYellow : plat::Rgb16{0xFFFF, 0xFFFF, 0xFFFF});
  std::vector<plat::Point> segs;
  segs.reserve(plot.lines.size() * 2);
  for (const PlotLine& l : plot.lines) {
    segs.push_back({l.x1, l.y1});
    segs.push_back({l.x2, l.y2});
  }
  if (!segs.empty()) p.drawSegments(segs.data(), segs.size() / 2);
  for (const PlotPoint& m : plot.marks) p.strokeOval({m.x - 3, m.y - 3, m.x + 4, m.y + 4});
  p.setForeColor(kInk);
  plat::flushWindow(kCumulativePlotWindow);
  // The results window stays in front, so its buttons answer at once.
  if (plat::windowExists(kResultsWindow)) plat::selectWindow(kResultsWindow);
  makeResultsCurrent();
}

// ---- The command -----------------------------------------------------------------------------

int16_t GETAREA() {
  const int16_t slot = currentSlot();
  if (!SlotHasBlock(slot)) return 0;
  HelpSubject = kIntegrationHelpSubject;
  float step[28];
  FillIntegrationScriptStep(step);
  const int16_t handed = HandedAnalysisStep({kOpIntegrateBlock});
  const int16_t recorded = RecordScriptStep(step);
  Analysis_Code = kIntegrationAnalysisCode;
  lineShown = false;
  // A replay integrates in the unit and against the baseline of the hand
  // run, whatever was chosen since.
  if (ReplaysWithoutDialog(handed)) {
    const float* f = ScriptSequenceArray[handed];
    if (const int16_t u = StepChoice(f, area_step::kUnit, {kUnitNoneIntegration, kUnitSeconds, kUnitMinutes,
                                                           kUnitHours, kUnitDays}))
      IntegrationUnit = u;
    if (const int16_t b = StepChoice(f, area_step::kBaseline, {kBaseZero, kBaseBlockStart, kBaseBlockEnd,
                                                               kBaseLinear, kBaseUserSet})) {
      IntegrationMode = b;
      if (b == kBaseUserSet) ibase = f[area_step::kUserBase];
    }
  }
  areaStep = recorded > 0 ? recorded : handed;

  HandlerScope keepHandlers;
  InstallAnalysisHandlers();
  Run run;
  run.slot = slot;
  run.entryFirst = BeginBlock[slot];
  run.entryLast = EndBlock[slot];
  buildWindow(run);
  if (!plat::windowExists(kResultsWindow)) return 0;
  markAll(run);
  // Between the limits of the hand run.
  const int32_t last = EndBlock[slot] - BeginBlock[slot];
  run.leftSet = ReplayedBlockLimit(handed, area_step::kLeftLimit, last, &run.left);
  run.rightSet = ReplayedBlockLimit(handed, area_step::kRightLimit, last, &run.right);
  if (run.leftSet || run.rightSet) DoAREA(1, run.left, run.right);
  if (prefsArray[kPrefSumPlot] != 0) INTPLOT(0, 0);
  ClearMailbox();

  bool closedByBox = false;
  for (bool done = false; !done;) {
    plat::pump();
    int16_t a = action;
    const int16_t id = eventID;
    if (!plat::windowExists(kResultsWindow)) break;
    HelpSubject = kIntegrationHelpSubject;
    if (a == kActionClose) {
      ClearMailbox();
      if (id == kResultsWindow) {
        closedByBox = true;
        break;
      }
      plat::disposeWindow(id);
      if (id == kCumulativePlotWindow) {
        prefsArray[kPrefSumPlot] = 0;
        SetKitButton(kSumPlotButton, false);
      }
      makeResultsCurrent();
      continue;
    }
    if (a == kActionNoticeClosed) {
      prefsArray[kPrefSumPlot] = 0;
      SetKitButton(kSumPlotButton, false);
    }
    if (a == kActionClick && IsDeferredToolbarClick(id)) {
      DeferToolbarClick(id);
      break;
    }
    if (a == kActionKey && id == 13 && RunScript) break;
    if (MENU_or_ToolBar_PICKED && MenuPick{menuidx, menuitemx} == kScaleResultsPick) {
      MENU_or_ToolBar_PICKED = 0;
      menuidx = menuitemx = 0;
      SCALERESULTS(0.0);
      plat::flushInput();
      FIXLIMITS(run.leftSet, run.rightSet, run.leftX, run.rightX);
      DoAREA(0, run.left, run.right);
    }
    if (a == kActionActivate && (id == kResultsWindow || id == kBlockWindow || (id >= 151 && id <= 174) ||
                                 id == kFilterNoticeWindow || id == kCumulativePlotWindow))
      a = 0;
    if (MENU_or_ToolBar_PICKED || a == kActionActivate) break;

    makeResultsCurrent();
    if (a == kActionKey) {
      // Letters that would name channel buttons 23 and 24 are not channel keys.
      if (id == '+' || id == 'T' || id == 't') {
        accumulate(run, AccumulatorOp::Add);
      } else if (id == 'S' || id == 's' || id == '-') {
        accumulate(run, AccumulatorOp::Subtract);
      } else if (id == 'P' || id == 'p') {
        Zap();
        SetResultTopic(kTopicIntegration);
        x1float = static_cast<float>(BGA);
        x2 = static_cast<float>(EDA);
        DRAFTPRINT("p");
      } else {
        const int16_t c = HandleAnalysisKey(id);
        if (c > 0) switchChannel(run, c);
      }
    } else if (a == kActionClick) {
      if (id >= 1 && id <= std::min<int16_t>(nChannels[slot], 32)) {
        switchChannel(run, id);
      } else {
        switch (id) {
          case kCrossChannelBox:
            ToggleCrossChannelBox();
            makeResultsCurrent();
            DoAREA(0, run.left, run.right);
            break;
          case kHelpButton: plat::openHelp(HelpSubject); break;
          case kZeroBaselineButton:
          case kBaseBlockStart:
          case kBaseBlockEnd:
          case kBaseLinear:
          case kBaseUserSet:
            IntegrationMode = id == kZeroBaselineButton ? kBaseZero : id;
            DoAREA(1, run.left, run.right);
            redrawPlotIfShown(run);
            break;
          case kSumPlotButton:
            prefsArray[kPrefSumPlot] = prefsArray[kPrefSumPlot] ? 0 : 1;
            if (prefsArray[kPrefSumPlot]) {
              INTPLOT(run.left, run.right);
            } else {
              plat::disposeWindow(kCumulativePlotWindow);
              makeResultsCurrent();
            }
            break;
          case kAreaLeftLimit:
            setLimit(run, 0);
            redrawPlotIfShown(run);
            break;
          case kAreaRightLimit:
            setLimit(run, 1);
            redrawPlotIfShown(run);
            break;
          case kAreaStoreButton:
            SCALERESULTS(meanValue);
            lineShown = true;
            ERASELINE(1);
            DrawAreaLine(static_cast<float>(userBaseline()), 0, run.left, run.right);
            FIXLIMITS(run.leftSet, run.rightSet, run.leftX, run.rightX);
            plat::flushInput();
            break;
          case kScaleButton:
            Rscale = Rscale ? 0 : 1;
            if (Rscale) downvip();
            else upvip();
            plat::setFieldText(kResultsWindow, kIntegralField,
                               RealText(static_cast<float>(Rscale ? ScaledValue(CurrentResultScale(ch), meanValue)
                                                                  : meanValue)));
            break;
          case kDistributionButton: showDistribution(run); break;
          case kUnitNoneIntegration:
          case kUnitSeconds:
          case kUnitMinutes:
          case kUnitHours:
          case kUnitDays:
            IntegrationUnit = id;
            DoAREA(1, run.left, run.right);
            redrawPlotIfShown(run);
            break;
          case kTotalClear: accumulate(run, AccumulatorOp::Clear); break;
          case kTotalAdd: accumulate(run, AccumulatorOp::Add); break;
          case kTotalSubtract: accumulate(run, AccumulatorOp::Subtract); break;
          default: break;
        }
      }
      if (plat::windowExists(kResultsWindow)) markAll(run);
    }
    ClearMailbox();
    noteChoices();
  }

  // Leaving: the baseline line and the limits go with a redraw.
  if (closedByBox) plat::disposeWindow(kResultsWindow);
  if (SlotHasBlock(slot) && plat::windowExists(kBlockWindow)) {
    if (chanB != static_cast<uint16_t>(ActiveChannel)) chanB = static_cast<uint16_t>(ActiveChannel);
    DRAWBLOCK();
  }
  lineShown = false;
  if (DumpHist)
    for (int16_t w = 151; w <= 174; ++w) plat::disposeWindow(w);
  plat::disposeWindow(kFilterNoticeWindow);
  if (plat::windowExists(PlotWindowId(slot))) plat::setCurrentPort(PlotWindowId(slot));
  bup();
  Rscale = 0;
  ClearMailbox();
  RunPendingToolbarCommand();
  return 0;
}
