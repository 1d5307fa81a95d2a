#include "analyses/ui/average.h"

#include <algorithm>
#include <string>
#include <vector>

#include "analyses/descriptive.h"
#include "analyses/statspanel.h"
#include "analyses/ui/autorepeat.h"
#include "analyses/ui/blockpress.h"
#include "analyses/ui/crosschan.h"
#include "shell/ui/recorder.h"
#include "analyses/ui/statspanel.h"
#include "output/numberformat.h"
#include "output/results.h"
#include "output/scaling.h"
#include "output/ui/analysiskit.h"
#include "output/ui/scaleresults.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/sound.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
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
#include "shell/ui/help.h"

std::function<void(const HistogramRequest&)> gHistogramHook;

namespace {

constexpr int kArrowBlinks = 11;
constexpr int kArrowBlinkTicks = 25;
constexpr int16_t kFirstDistributionWindow = 151;
constexpr int16_t kLastDistributionWindow = 174;
constexpr int16_t kBigDistributionWindow = 712;

int16_t currentSlot() { return static_cast<int16_t>(TheFileInUse); }

bool isDistributionWindow(int id) {
  return (id >= kFirstDistributionWindow && id <= 171) || id == 173 || id == 174 || id == kBigDistributionWindow;
}

void makeResultsCurrent() {
  if (plat::windowExists(kResultsWindow)) plat::setCurrentPort(kResultsWindow);
}

// Number typed into a bound field; anything that is not a number counts as 0.
double typedBound(int16_t field) {
  if (!plat::windowExists(kResultsWindow) || !plat::controlExists(kResultsWindow, field)) return 0.0;
  double v = 0.0;
  return ParseFieldNumber(plat::fieldText(kResultsWindow, field), &v) ? v : 0.0;
}

void addSwitch(int16_t id, const std::string& title, plat::Rect r) {
  AddKitButton(kResultsWindow, id, plat::ButtonKind::CheckBox, title, r);
}

void addPush(int16_t id, const std::string& title, plat::Rect r) {
  AddKitButton(kResultsWindow, id, plat::ButtonKind::Push, title, r);
}

void addBoundField(int16_t id, float value, plat::Rect r) {
  plat::FieldSpec f;
  f.id = id;
  f.text = RealText(value);
  f.r = r;
  f.kind = plat::FieldKind::Editable;
  f.font.pixelSize = 11;
  plat::addField(kResultsWindow, f);
}

void showSwitch(int16_t id, bool on) { SetKitButton(id, on); }

// XOR fill of window 2 with the grey pattern.
void xorFill(plat::Rect r) {
  if (r.empty()) return;
  plat::Port& p = plat::port(kBlockWindow);
  p.setPenMode(plat::PenMode::Xor);
  p.fillRect(r, plat::patterns::gray50);
}

bool blockWindowReady() { return plat::windowExists(kBlockWindow); }

void flushBlockWindow() {
  if (blockWindowReady()) plat::flushWindow(kBlockWindow);
}

// The step these statistics fill: recorded, else handed by a run; 0 none.
int16_t statsStep = 0;

// The state of one run of the statistics window.
struct Run {
  int16_t slot = 0;
  int32_t leftOffset = 0, rightOffset = 0;
  bool leftSet = false, rightSet = false;
  int16_t leftX = 0, rightX = 0;
  uint16_t rangeMode = 0, minFromField = 0, maxFromField = 0, big = 0;
  // The bound texts the window put in: one that still reads so was not
  // typed over, and follows the channel shown.
  std::string offeredMin, offeredMax;

  CaseSpan span() const {
    return LimitedSpan(BeginBlock[slot], EndBlock[slot], leftSet, leftOffset, rightSet, rightOffset);
  }
  // The step notes what the shown statistics were computed with.
  void compute() const {
    const CaseSpan s = span();
    if (!DoAVERAGE(rangeMode, minFromField, maxFromField, s.first, s.last)) return;
    NoteBlockLimit(statsStep, stats_step::kLeftLimit, leftSet, leftOffset);
    NoteBlockLimit(statsStep, stats_step::kRightLimit, rightSet, rightOffset);
    if (statsStep < 1 || statsStep > kLastScriptStep) return;
    float* f = ScriptSequenceArray[statsStep];
    f[stats_step::kSelect] = rangeMode != 0 ? 1.0f : 0.0f;
    f[stats_step::kUpperOn] = rangeMode != 0 && maxFromField != 0 ? 1.0f : 0.0f;
    f[stats_step::kLowerOn] = rangeMode != 0 && minFromField != 0 ? 1.0f : 0.0f;
    f[stats_step::kUpper] = f[stats_step::kUpperOn] != 0.0f ? static_cast<float>(typedBound(kStatsMaxField)) : 0.0f;
    f[stats_step::kLower] = f[stats_step::kLowerOn] != 0.0f ? static_cast<float>(typedBound(kStatsMinField)) : 0.0f;
  }
  void fixLimits() const { FIXLIMITS(leftSet, rightSet, leftX, rightX); }
  // The block range of the channel shown into each bound field the user
  // has not typed into.
  void offerBounds() {
    auto offer = [](int16_t field, float value, std::string* offered) {
      if (!plat::controlExists(kResultsWindow, field)) return;
      if (!offered->empty() && plat::fieldText(kResultsWindow, field) != *offered) return;
      *offered = RealText(value);
      plat::setFieldText(kResultsWindow, field, *offered);
    };
    offer(kStatsMaxField, BlockMaxY, &offeredMax);
    offer(kStatsMinField, BlockMinY, &offeredMin);
  }
  // The block window drawn afresh with the limits in use: their shading is
  // XOR, so drawing it over a window that still shows it would take it off.
  void redrawBlockWithLimits() const {
    if (SlotHasBlock(slot) && blockWindowReady()) {
      DRAWBLOCK();
      fixLimits();
    }
  }
  HistogramRequest histogram(double mean) const {
    const CaseSpan s = span();
    return {s.first, s.last, mean, rangeMode, minFromField, maxFromField, big};
  }
};

void switchChannel(Run& run, int16_t newCh) {
  NoteAnalysisChannel(statsStep, newCh);
  plat::disposeWindow(kFirstDistributionWindow);
  SetKitButton(kBigHistogramButton, false);
  MarkChannelButton(ch, newCh);
  ch = newCh;
  chanB = static_cast<uint16_t>(newCh);
  run.redrawBlockWithLimits();
  plat::currentPort().resetPen();
  makeResultsCurrent();
  run.offerBounds();
  run.compute();
  run.big = 0;
}

void setLimit(Run& run, int16_t side) {
  const int16_t button = side == 1 ? kStatsRightLimit : kStatsLeftLimit;
  SetKitButton(button, true);
  if (side == 1) PickLimit(1, &run.rightOffset, &run.rightSet, &run.rightX);
  else PickLimit(0, &run.leftOffset, &run.leftSet, &run.leftX);
  makeResultsCurrent();
  run.compute();
  SetKitButton(button, false);
}

void buildWindow() {
  OpenResultsWIndow(1, 1, 0, kStatsWindowTitle, 0);
  FitResultsWindow(kStatsWindowHeight);
  makeResultsCurrent();
  ch = ReplayedAnalysisChannel(HandedAnalysisStep({kOpBasicStats}), ActiveChannel,
                               nChannels[static_cast<int16_t>(TheFileInUse)]);
  CHANNELSELECT();
  addSwitch(kStatsMaxSwitch, "\xB2", {61, 305, 92, 320});
  addBoundField(kStatsMaxField, BlockMaxY, {94, 305, 171, 320});
  addSwitch(kStatsMinSwitch, "\xB3", {195, 305, 231, 320});
  addBoundField(kStatsMinField, BlockMinY, {234, 305, 312, 320});
  addSwitch(kStatsSelect, "Select:", {2, 302, 60, 322});
  addPush(kStatsLeftLimit, "Left Limit", {6, 229, 69, 249});
  addPush(kStatsRightLimit, "Right Limit", {69, 229, 142, 249});
  IntBUTTON();
  if (Rscale == 1) SetKitButton(kScaleButton, true);
}

}  // namespace

// ---- Computation -------------------------------------------------------------------------

bool DoAVERAGE(uint16_t rangeMode, uint16_t minFromField, uint16_t maxFromField, int32_t first, int32_t last) {
  const int16_t slot = currentSlot();
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return false;
  plat::setCursor(plat::CursorKind::Watch);
  DescriptiveRequest req;
  req.first = first;
  req.last = last;
  req.interval = FileInfoFLOATS[slot][kInfoInterval];
  if (rangeMode)
    req.range = RangeBounds(BlockMinY, BlockMaxY, minFromField != 0, typedBound(kStatsMinField), maxFromField != 0,
                            typedBound(kStatsMaxField));
  DescriptiveStats s;
  const StatsStatus st = ComputeChannelDescriptive(slot, ch, req, &s);
  plat::setCursor(plat::CursorKind::Arrow);
  if (st == StatsStatus::TooFewInRange) {
    showSwitch(kStatsMaxSwitch, false);
    showSwitch(kStatsMinSwitch, false);
    Zap();
    return false;
  }
  if (st != StatsStatus::Ok) {
    // A mean over no case has no value: say so instead of showing NaN.
    ShowAlert(StatsStatusText(st));
    makeResultsCurrent();
    return false;
  }
  StoreDescriptiveResult(s);
  if (plat::windowExists(kResultsWindow)) {
    makeResultsCurrent();
    WriteHEADER(0);
    BasicSTATS(kPanelFull);
  }
  ClearMailbox();
  return true;
}

// ---- Limit cursors ------------------------------------------------------------------------

void DrawLEFT() {
  if (!blockWindowReady()) return;
  xorFill({0, 2, HorizPosition, UpperLimit});
  xorFill({0, 2, std::min<int>(HorizPosition, 60), 13});
}

void DrawRIGHT() {
  if (!blockWindowReady()) return;
  xorFill({HorizPosition, 2, RightLim, UpperLimit});
  xorFill({HorizPosition, 2, std::min<int>(std::max<int>(HorizPosition, 60), RightLim), 13});
}

void LIMITARROW(uint16_t side) {
  if (!blockWindowReady()) return;
  plat::Port& p = plat::port(kBlockWindow);
  p.setPenMode(plat::PenMode::Xor);
  p.setPenPattern(plat::patterns::solid);
  const int c = RightLim / 2;
  p.strokeRect({c - 25, 27, c + 25, 43});
  // One polygon, each segment drawn once, so XOR leaves no stray corner.
  const std::vector<plat::Point> right{{c + 38, 35}, {c + 24, 49}, {c + 24, 21}, {c + 37, 34}};
  const std::vector<plat::Point> left{{c - 39, 35}, {c - 25, 49}, {c - 25, 21}, {c - 38, 34}};
  const std::vector<plat::Point>& pts = side == 1 ? right : left;
  std::vector<plat::Point> segs;
  for (size_t i = 0; i + 1 < pts.size(); ++i) {
    segs.push_back(pts[i]);
    segs.push_back(pts[i + 1]);
  }
  p.drawSegments(segs.data(), segs.size() / 2);
}

void FIXLIMITS(int32_t leftOn, int32_t rightOn, int16_t leftX, int16_t rightX) {
  if (blockWindowReady()) {
    if (leftOn != 0) {
      HorizPosition = leftX;
      DrawLEFT();
    }
    if (rightOn != 0) {
      HorizPosition = rightX;
      DrawRIGHT();
    }
    plat::port(kBlockWindow).resetPen();
    flushBlockWindow();
  }
  makeResultsCurrent();
}

int32_t SETLIMITS(int32_t offset, int16_t side, bool wasSet) {
  const int16_t slot = currentSlot();
  if (!blockWindowReady() || !ValidFileSlot(slot)) return offset;
  const int32_t begin = BeginBlock[slot], end = EndBlock[slot];
  plat::selectWindow(kBlockWindow);
  plat::setCurrentPort(kBlockWindow);
  plat::Port& p = plat::port(kBlockWindow);
  p.setTextSize(12);
  p.setPenMode(plat::PenMode::Xor);
  if (prefsArray[kPrefSoundLevel] != 0) {
    upvip();
    PlayNamedSound("brrrp");
  }
  for (int i = 0; i < kArrowBlinks; ++i) {
    LIMITARROW(static_cast<uint16_t>(side));
    flushBlockWindow();
    plat::delayTicks(kArrowBlinkTicks);
  }
  auto drawSide = [side] { side == 1 ? DrawRIGHT() : DrawLEFT(); };
  if (wasSet) {
    HorizPosition = LimitPixel(offset, RightLim, begin, end);
    drawSide();
  }

  auto inRegion = [](plat::Point q) {
    return InsideLimitRegion(static_cast<int16_t>(q.x), static_cast<int16_t>(q.y), RightLim, UpperLimit);
  };
  const std::optional<plat::Point> at = AwaitBlockPress(
      inRegion,
      [&](plat::Point q) {
        if (!inRegion(q)) {
          plat::setCursor(plat::CursorKind::Arrow);
          return;
        }
        plat::setCursor(plat::CursorKind::Cross);
        p.setPenMode(plat::PenMode::Xor);
        p.moveTo(q.x, 0);
        p.lineTo(q.x, UpperLimit);
        flushBlockWindow();
        p.moveTo(q.x, 0);
        p.lineTo(q.x, UpperLimit);
      },
      true);
  if (!blockWindowReady()) {
    makeResultsCurrent();
    return offset;
  }
  LIMITARROW(static_cast<uint16_t>(side));
  int32_t result = offset;
  if (at) {
    const LimitSnap snap = SnapLimit(static_cast<int16_t>(at->x), RightLim, begin, end);
    result = snap.offset;
    HorizPosition = snap.x;
    drawSide();
    if (side == 1) hibeep();
    else lobeep();
  }
  p.resetPen();
  flushBlockWindow();
  plat::waitButtonUp();
  plat::flushInput();
  if (plat::windowExists(kResultsWindow)) plat::selectWindow(kResultsWindow);
  makeResultsCurrent();
  plat::setCursor(plat::CursorKind::Arrow);
  return result;
}

void PickLimit(int16_t side, int32_t* offset, bool* set, int16_t* x) {
  *offset = SETLIMITS(*offset, side, *set);
  *set = *set || blockWindowReady();
  *x = HorizPosition;
}

bool ToggleResultScale() {
  Rscale = Rscale ? 0 : 1;
  SetKitButton(kScaleButton, Rscale != 0);
  if (Rscale) downvip();
  else upvip();
  return Rscale != 0;
}

// ---- The command -----------------------------------------------------------------------------

void AVERAGE() {
  const int16_t slot = currentSlot();
  if (!SlotHasBlock(slot)) return;
  PutDatum(slot, 0, 0, 0.0f);
  HelpSubject = kStatsHelpSubject;

  float step[28];
  FillStatsScriptStep(step);
  const int16_t handed = HandedAnalysisStep({kOpBasicStats});
  const int16_t recorded = RecordScriptStep(step);
  statsStep = recorded > 0 ? recorded : handed;

  if (AvoidInterpolation) {
    MakeInterpolationRecord();
    DataFilterNotice("interpolated data are ignored");
  }
  Analysis_Code = kStatsAnalysisCode;
  testslopeon = 0;
  IntegrationUnit = StatsEntryIntegrationUnit(IntegrationUnit);
  // The integrated total in the unit of the hand run, whatever was set since.
  IntegrationUnit = ReplayedAnalysisChoice(
      handed, kStepTotalUnit, {kUnitSeconds, kUnitMinutes, kUnitHours, kUnitDays, kUnitNone}, IntegrationUnit);
  NoteAnalysisChoice(statsStep, kStepTotalUnit, IntegrationUnit);

  Run run;
  run.slot = slot;
  // Over the part of the block the hand run limited it to.
  const int32_t last = EndBlock[slot] - BeginBlock[slot];
  run.leftSet = ReplayedBlockLimit(handed, stats_step::kLeftLimit, last, &run.leftOffset);
  run.rightSet = ReplayedBlockLimit(handed, stats_step::kRightLimit, last, &run.rightOffset);
  buildWindow();
  if (plat::windowExists(kResultsWindow)) {
    run.offeredMax = plat::fieldText(kResultsWindow, kStatsMaxField);
    run.offeredMin = plat::fieldText(kResultsWindow, kStatsMinField);
  }
  // Only the values the hand run selected, between the bounds it used.
  if (ReplaysWithoutDialog(handed) && StepFlag(ScriptSequenceArray[handed], stats_step::kSelect) &&
      plat::windowExists(kResultsWindow)) {
    const float* f = ScriptSequenceArray[handed];
    run.rangeMode = 1;
    run.maxFromField = StepFlag(f, stats_step::kUpperOn) ? 1 : 0;
    run.minFromField = StepFlag(f, stats_step::kLowerOn) ? 1 : 0;
    if (run.maxFromField) plat::setFieldText(kResultsWindow, kStatsMaxField, FieldNumText(f[stats_step::kUpper]));
    if (run.minFromField) plat::setFieldText(kResultsWindow, kStatsMinField, FieldNumText(f[stats_step::kLower]));
    showSwitch(kStatsSelect, true);
    showSwitch(kStatsMaxSwitch, run.maxFromField != 0);
    showSwitch(kStatsMinSwitch, run.minFromField != 0);
  }
  nPoints = EndBlock[slot] - BeginBlock[slot] + 1;
  run.compute();
  if (!plat::windowExists(kResultsWindow)) return;
  addPush(kStoreButton, "Store", {268, 47, 314, 68});

  HandlerScope keepHandlers;
  InstallAnalysisHandlers();
  SetKitButton(MarkedUnitButton(IntegrationUnit), true);
  SetKitButton(ch, true);
  ClearMailbox();

  bool done = false;
  while (!done) {
    plat::pump();
    int16_t a = action;
    const int16_t id = eventID;
    if (!plat::windowExists(kResultsWindow)) break;
    if (a == kActionClose) {
      plat::flushInput();
      ClearMailbox();
      if (id == kResultsWindow) break;
      if (isDistributionWindow(id)) plat::disposeWindow(id);
      makeResultsCurrent();
      continue;
    }
    HelpSubject = kStatsHelpSubject;
    if (a == kActionClick && IsDeferredToolbarClick(id)) {
      DeferToolbarClick(id);
      done = true;
    }
    if (a == kActionKey && id == 13 && RunScript) {
      a = kActionActivate;
      done = true;
    }
    if (MENU_or_ToolBar_PICKED && MenuPick{menuidx, menuitemx} == kScaleResultsPick) {
      MENU_or_ToolBar_PICKED = 0;
      menuidx = menuitemx = 0;
      SCALERESULTS(0.0);
      run.redrawBlockWithLimits();
      makeResultsCurrent();
      plat::flushInput();
      if (Rscale) run.compute();
    }
    // Activation of the analysis's own windows (window 4 itself, the block
    // window where limits are set, the distributions) does not end it.
    if (a == kActionActivate && (id == kResultsWindow || id == kBlockWindow || isDistributionWindow(id) ||
                                 id == kFilterNoticeWindow))
      a = 0;
    if (MENU_or_ToolBar_PICKED || a == kActionActivate) done = true;

    if (a == kActionKey && !done) {
      const int16_t c = HandleAnalysisKey(id);
      if (c > 0) switchChannel(run, c);
      makeResultsCurrent();
    } else if (a == kActionClick && !done) {
      const double shownMean = meanValue;
      const auto sl = run.slot;
      if (id >= 1 && id <= std::min<int16_t>(nChannels[sl], kMaxChannels)) {
        switchChannel(run, id);
      } else {
        switch (id) {
          case kHelpButton: OpenHelpPage(HelpSubject); break;
          case kCrossChannelBox:
            run.rangeMode = ToggleCrossChannelBox() ? 1 : 0;
            makeResultsCurrent();
            run.compute();
            break;
          case kScaleButton:
            ToggleResultScale();
            makeResultsCurrent();
            BasicSTATS(kPanelFull);
            addPush(kStoreButton, "Store", {268, 47, 314, 68});
            break;
          case kBigHistogramButton:
            run.big = run.big ? 0 : 1;
            SetKitButton(kBigHistogramButton, run.big != 0);
            if (gHistogramHook) gHistogramHook(run.histogram(shownMean));
            break;
          case kDistributionButton:
            if (gHistogramHook) gHistogramHook(run.histogram(shownMean));
            break;
          case kStoreButton:
            SCALERESULTS(shownMean);
            run.redrawBlockWithLimits();
            makeResultsCurrent();
            plat::flushInput();
            // The panel must show the factors now in force.
            if (Rscale) BasicSTATS(kPanelFull);
            break;
          case kStatsRightLimit: setLimit(run, 1); break;
          case kStatsLeftLimit: setLimit(run, 0); break;
          case kStatsSelect:
            run.rangeMode = run.rangeMode ? 0 : 1;
            showSwitch(kStatsSelect, run.rangeMode != 0);
            run.compute();
            break;
          case kStatsMaxSwitch:
            run.maxFromField = run.maxFromField ? 0 : 1;
            showSwitch(kStatsMaxSwitch, run.maxFromField != 0);
            if (run.rangeMode) run.compute();
            break;
          case kStatsMinSwitch:
            run.minFromField = run.minFromField ? 0 : 1;
            showSwitch(kStatsMinSwitch, run.minFromField != 0);
            if (run.rangeMode) run.compute();
            break;
          case kUnitSeconds:
          case kUnitMinutes:
          case kUnitHours:
          case kUnitDays:
          case kUnitNone:
            IntegrationUnit = id;
            NoteAnalysisChoice(statsStep, kStepTotalUnit, id);
            makeResultsCurrent();
            DoINTEGRATION(0);
            break;
          default: break;
        }
      }
    }
    ClearMailbox();
  }

  // Leaving. The window goes with its loop, however it ended: buttons left
  // standing without the loop would answer nothing.
  plat::disposeWindow(kResultsWindow);
  if (SlotHasBlock(slot) && blockWindowReady()) {
    if (chanB != static_cast<uint16_t>(ActiveChannel)) {
      chanB = static_cast<uint16_t>(ActiveChannel);
      DRAWBLOCK();
    } else if (run.leftSet || run.rightSet) {
      // Redrawn from the data rather than through the redraw hooks, so the
      // shading goes even where those hooks are not installed.
      DRAWBLOCK();
    }
  }
  if (DumpHist)
    for (int16_t w = kFirstDistributionWindow; w <= kLastDistributionWindow; ++w) plat::disposeWindow(w);
  plat::flushInput();
  plat::disposeWindow(kFirstDistributionWindow);
  bup();
  if (plat::windowExists(PlotWindowId(slot))) plat::setCurrentPort(PlotWindowId(slot));
  Rscale = 0;
  plat::disposeWindow(kFilterNoticeWindow);
  PutDatum(slot, 0, 0, 0.0f);
  RunPendingToolbarCommand();
}
