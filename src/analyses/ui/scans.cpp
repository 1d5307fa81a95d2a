#include "analyses/ui/scans.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "analyses/scans.h"
#include "analyses/statspanel.h"
#include "analyses/ui/average.h"
#include "analyses/ui/histogram.h"
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
#include "platform/windows.h"
#include "plot/geometry.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/infoline.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/recording.h"
#include "shell/ui/recorder.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menutable.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

ScanHooks gScanHooks;

namespace {

constexpr int32_t kScanHelpSubject = 197;
constexpr int32_t kIntervalHelpSubject = 187;
constexpr int16_t kNoticeWindow50 = 50;

int16_t currentSlot() { return static_cast<int16_t>(TheFileInUse); }

float intervalOf(int16_t slot) { return FileInfoFLOATS[slot][kInfoInterval]; }

void makeResultsCurrent() {
  if (plat::windowExists(kResultsWindow)) plat::setCurrentPort(kResultsWindow);
}

void addButton(int win, int16_t id, plat::ButtonKind kind, const std::string& title, plat::Rect r, int state = 1) {
  AddKitButton(win, id, kind, title, r, state);
}

void drawText(int x, int y, int size, const std::string& text) {
  plat::Port& p = plat::currentPort();
  p.setTextSize(size);
  p.moveTo(x, y);
  p.drawText(text);
}

// Window 5 under the plot window's plot area.
void buildScanWindow(int16_t slot, int height, int below) {
  const int16_t plot = PlotWindowId(slot);
  const plat::Rect pr = plat::windowExists(plot) ? plat::contentRect(plot) : plat::Rect{94, 41, 900, 500};
  const int left = pr.left, top = pr.top + BottomOfPlotArea + below;
  BuildWINDOW(1, kScanIntervalWindow, "Scan Interval", static_cast<int16_t>(left), static_cast<int16_t>(top),
              static_cast<int16_t>(left + 317), static_cast<int16_t>(top + height), kKindDocument, 0);
  plat::setCurrentPort(kScanIntervalWindow);
}

// The results header (channel, cases, duration) at the top of window 5.
void drawScanWindowHeader(int16_t slot) {
  const HeaderTexts h = ResultsHeaderTexts(ch, RetrieveLabel(ch), BeginBlock[slot], EndBlock[slot], intervalOf(slot));
  drawText(2, 11, 13, h.channelLine);
  drawText(2, 26, 13, h.casesLine);
}

double fieldNumber(int win, int16_t id, bool* ok = nullptr) {
  double v = 0.0;
  const bool good = plat::controlExists(win, id) && ParseFieldNumber(plat::fieldText(win, id), &v);
  if (ok) *ok = good;
  return good ? v : 0.0;
}

// The step a run handed this command, else the one being recorded.
// The step this scan fills: recorded, else handed by a run; 0 none.
int16_t scanStep = 0;

float* currentStep() {
  const int s = RunScript && ScriptRunStep > 0 ? ScriptRunStep : ScriptCOUNT;
  if (s < 1 || s > kLastScriptStep) return nullptr;
  return ScriptSequenceArray[s];
}

bool replayingWithSettings() {
  const float* s = currentStep();
  return RunScript && s && s[2] > 0.0f;
}

// Field [2] takes the interval while recording, or while a script runs a
// step that carried none.
void noteIntervalInStep(float seconds) {
  float* s = currentStep();
  if (!s) return;
  if ((RecordSCRIPT && ScriptCOUNT <= kLastScriptStep) || (RunScript && s[2] == 0.0f)) s[2] = seconds;
}

// The state of one run of a scan command.
struct Run {
  int16_t slot = 0;
  ScanKind kind = ScanKind::Minimum;
  int16_t variant = 0;
  bool found = false;   // MMLBegin / MMLpoints hold a window of this block
  bool big = false;
};

bool chooseVariant(Run& run) {
  if (replayingWithSettings()) {
    run.variant = currentStep()[10] == 1.0f ? 1 : 0;
    ConstScan = autoscript == 1 ? 1 : 0;
    return true;
  }
  addButton(kScanIntervalWindow, kOverallSlopeButton, plat::ButtonKind::DefaultPush, "Maximum Overall Slope",
            {20, 100, 275, 120});
  addButton(kScanIntervalWindow, kPointToPointButton, plat::ButtonKind::Push, "Maximum Point-to-Point Variance",
            {20, 129, 275, 149});
  DialogScope dialog;
  int16_t chosen = 0;
  while (chosen == 0) {
    plat::pump();
    if (!plat::windowExists(kScanIntervalWindow)) return false;
    if (action == kActionClick && (eventID == kOverallSlopeButton || eventID == kPointToPointButton))
      chosen = eventID;
    else if (action == kActionKey && (eventID == 13 || eventID == 3))
      chosen = kOverallSlopeButton;
    else if (action == kActionActivate && eventID != kScanIntervalWindow)
      chosen = kOverallSlopeButton;
    else if (action == kActionClose && eventID == kScanIntervalWindow)
      return false;
    ClearMailbox();
  }
  run.variant = chosen == kPointToPointButton ? 1 : 0;
  plat::removeControl(kScanIntervalWindow, chosen == kPointToPointButton ? kOverallSlopeButton : kPointToPointButton);
  plat::setButtonState(kScanIntervalWindow, chosen, 2);
  return true;
}

// The scan with its window and progress bar. Events are pumped while it
// runs; the close box or Escape cancels it.
ScanStatus performTheScan(Run& run) {
  const float interval = intervalOf(run.slot);
  if (MMLpoints > nPoints) ConstScan = 0;
  plat::disposeWindow(kScanIntervalWindow);
  buildScanWindow(run.slot, 164, 95);
  plat::currentPort().setTextSize(18);
  drawText(40, 65, 18, "scan is" + ScanDurationText(MMLpoints, interval));
  drawScanWindowHeader(run.slot);
  DoubleLINE(0, 320, 35);
  if (run.kind == ScanKind::MostVariable) {
    if (!chooseVariant(run)) return ScanStatus::Cancelled;
  }
  if (float* s = currentStep(); s && RecordSCRIPT && (run.kind == ScanKind::MostVariable || run.kind == ScanKind::MostLevel))
    s[10] = static_cast<float>(run.variant);
  SetResultTopic(run.kind == ScanKind::MostVariable && run.variant == 1 ? kTopicMostVariablePoint
                                                                        : InfoOfScan(run.kind).topic);

  MinimumProgressBarValue = 0;
  buildProgressBAR(35, 80, 262, 91, 1000, kScanIntervalWindow);
  bool cancelled = false;
  ScanResult res;
  ScanStatus st;
  {
    HandlerScope keep;
    auto& h = plat::handlers();
    h.dialog = [&cancelled](const plat::Event& e) {
      if (e.kind == plat::EventKind::CloseBox && e.window == kScanIntervalWindow) cancelled = true;
    };
    h.editKey = [&cancelled](const plat::Event& e) {
      if (e.charCode == 27) cancelled = true;
      return plat::KeyVerdict::Swallow;
    };
    h.menu = [](const plat::Event&) {};
    h.mouse = [](const plat::Event&) {};
    ScanRequest r;
    r.first = BeginBlock[run.slot];
    r.last = EndBlock[run.slot];
    r.length = MMLpoints;
    r.kind = run.kind;
    r.variant = run.variant;
    st = ScanChannel(run.slot, ch, r, &res, [&cancelled](double f) {
      if (plat::windowExists(kScanIntervalWindow)) UpdateProgressBar(static_cast<int32_t>(f * 1000.0));
      plat::pump();
      return !cancelled;
    });
  }
  plat::disposeWindow(kScanIntervalWindow);
  makeResultsCurrent();
  if (st == ScanStatus::Ok) {
    MMLBegin = res.begin;
    InCH = ch;
    if (prefsArray[kPrefSoundLevel] > 25) skid();
  }
  return st;
}

void flashFound(int16_t times) {
  const double x0 = (MMLBegin - BeginBlock[currentSlot()]) * BlockXscale;
  stINT = static_cast<int16_t>(std::clamp(x0, -30000.0, 30000.0));
  const auto right = static_cast<int16_t>(std::clamp(stINT + BlockXscale * MMLpoints, -30000.0, 30000.0));
  FlashTheSelectedArea(times, right);
}

void showFailure(Run& run, ScanStatus st) {
  Zap();
  const plat::Rect r4 = plat::windowExists(kResultsWindow) ? plat::contentRect(kResultsWindow)
                                                            : plat::Rect{100, 300, 450, 520};
  BuildWINDOW(0, kScanFailureWindow, "scan failure", static_cast<int16_t>(r4.left + 2),
              static_cast<int16_t>(r4.top + 8), static_cast<int16_t>(r4.left + 314),
              static_cast<int16_t>(r4.top + 180), kKindDocument, 0);
  plat::setCurrentPort(kScanFailureWindow);
  WARNINGSTRIPES(0, 2, 12, 8, 8, 304, 164);
  EmbossPrint(1, "No block found...", 30, 30, 41);
  if (st == ScanStatus::NoWindow && AvoidInterpolation) {
    drawText(18, 70, 14, "Either switch off interpolation checking,");
    drawText(18, 90, 14, "or use a shorter scan interval.");
  } else {
    drawText(18, 70, 14, "No window of that length qualifies here:");
    drawText(18, 90, 14, "try another interval or another block.");
  }
  addButton(kScanFailureWindow, 1, plat::ButtonKind::CheckBox, "Interpolation Checking", {18, 105, 300, 125},
            AvoidInterpolation ? 2 : 1);
  addButton(kScanFailureWindow, 2, plat::ButtonKind::DefaultPush, "OK -- Proceed", {100, 135, 300, 155});
  DialogScope dialog;
  for (bool done = false; !done;) {
    plat::pump();
    if (!plat::windowExists(kScanFailureWindow)) break;
    if (action == kActionClick && eventID == 1) {
      AvoidInterpolation = AvoidInterpolation ? 0 : 1;
      plat::setButtonState(kScanFailureWindow, 1, AvoidInterpolation ? 2 : 1);
    } else if ((action == kActionClick && eventID == 2) || action == kActionClose ||
               (action == kActionActivate && eventID != kScanFailureWindow) ||
               (action == kActionKey && (eventID == 13 || eventID == 3))) {
      done = true;
    }
    ClearMailbox();
  }
  plat::disposeWindow(kScanFailureWindow);
  run.found = false;
  makeResultsCurrent();
}

// The statistics panel of the window found. n counts the cases its mean
// used; the duration stays the window's own, as the result line and the
// clock line show it.
void showPanel(const Run& run) {
  BasicSTATS(kPanelFull);
  if (!plat::controlExists(kResultsWindow, kPanelDurationField)) return;
  const ElapsedTexts e = ElapsedTimeTexts(MMLpoints, intervalOf(run.slot), IntegrationUnit);
  minutes = e.minutes;
  plat::setFieldText(kResultsWindow, kPanelDurationField, e.duration);
}

// Statistics of the window found into the panel; or the failure window.
void computeMinMaxLevel(Run& run, ScanStatus st, bool flash) {
  if (st != ScanStatus::Ok && !run.found) {
    showFailure(run, st);
    plat::removeControl(kResultsWindow, kScanResultLine);
    return;
  }
  run.found = true;
  if (!StoreWindowStats(run.slot, ch)) return;
  makeResultsCurrent();
  showPanel(run);
  bup();
  WriteHEADER(0);
  IntBUTTON();
  DoubleLINE(0, 320, 30);
  addButton(kResultsWindow, kStoreButton, plat::ButtonKind::Push, "Store", {268, 47, 314, 68});
  plat::FieldSpec f;
  f.id = kScanResultLine;
  f.kind = plat::FieldKind::Static;
  f.framed = false;
  f.text = ScanResultLine(run.kind, InCH, MMLBegin, MMLpoints);
  f.r = {5, 160, 310, 176};
  f.font.pixelSize = 11;
  plat::addField(kResultsWindow, f);
  DoINTEGRATION(1);
  if (plat::windowExists(kBlockWindow)) flashFound(flash || ScanNewSelectedChannel ? 7 : 1);
  makeResultsCurrent();
}

// Asks for the interval until it gives a window inside the block; false
// when the user closed the Scan Interval window.
bool askInterval(Run& run, float* secondsOut) {
  const float interval = intervalOf(run.slot);
  const int32_t blockCases = EndBlock[run.slot] - BeginBlock[run.slot] + 1;
  for (;;) {
    const float seconds = ScanInterval();
    if (seconds < 0.0f) return false;
    const int32_t points = ScanWindowPoints(seconds, interval);
    if (seconds > 0.0f && points >= 1 && points <= blockCases) {
      MMLpoints = points;
      *secondsOut = seconds;
      return true;
    }
    // An interval of 0 or less, or one longer than the block, gives no
    // window of this block: ask again.
    ConstScan = 0;
    ShowAlert("The scan interval must be above 0 and no longer than the block (" +
              RealText(interval * static_cast<float>(blockCases - 1)) + " s).");
  }
}

// False when the user cancelled the scan; the window found before (if any)
// then still stands.
bool scanAndShow(Run& run, bool flash) {
  const ScanStatus st = performTheScan(run);
  if (st == ScanStatus::Cancelled) {
    makeResultsCurrent();
    return false;
  }
  if (st != ScanStatus::Ok) run.found = false;
  computeMinMaxLevel(run, st, flash);
  return true;
}

void markStates(const Run& run) {
  for (int16_t c = 1; c <= std::min<int16_t>(nChannels[run.slot], 32); ++c)
    if (plat::controlExists(kResultsWindow, c)) plat::setButtonState(kResultsWindow, c, 1);
  SetKitButton(ch, true);
  SetKitButton(kRescanChannelsButton, ScanNewSelectedChannel != 0);
  SetKitButton(kConstantVolumeButton, DoConstantVolume != 0);
  SetKitButton(kScaleButton, Rscale != 0);
  SetKitButton(MarkedUnitButton(IntegrationUnit), true);
}

void showDistribution(const Run& run) {
  if (!run.found) {
    Zap();
    return;
  }
  HISTOGRAM(MMLBegin, MMLBegin + MMLpoints - 1, meanValue, 0, 0, 0, run.big ? 1 : 0);
  makeResultsCurrent();
}

}  // namespace

// ---- Interval buttons ------------------------------------------------------------------

void INTERVALCHOICE(int32_t nPoints) {
  const int16_t slot = currentSlot();
  if (!ValidFileSlot(slot)) return;
  const int win = plat::currentPortWindow();
  const float interval = intervalOf(slot);
  plat::Port& p = plat::currentPort();
  p.setTextSize(12);
  int x = 20, y = 72;
  for (const IntervalPreset& b : IntervalPresets(interval, nPoints)) {
    const int w = std::max(26, p.textWidth(b.title) + 14);
    if (x + w > 300 && y == 72) {
      x = 20;
      y = 95;
    }
    addButton(win, b.id, plat::ButtonKind::Push, b.title, {x, y, x + w, y + 20});
    x += w + 3;
  }
  x = 20;
  for (const AdjustButton& b : IntervalAdjustButtons(interval)) {
    const int w = std::max(30, p.textWidth(b.title) + 12);
    addButton(win, b.id, plat::ButtonKind::Push, b.title, {x, 122, x + w, 141});
    x += w + 3;
  }
}

void SETimeIntVlCHOICE() {
  const int win = plat::currentPortWindow();
  const int16_t slot = currentSlot();
  if (action == kActionClick && ValidFileSlot(slot) && win != 0) {
    std::string text;
    if (eventID >= kFirstPresetButton && eventID <= kLastPresetButton) {
      for (const IntervalPreset& b : IntervalPresets(intervalOf(slot), INT32_MAX))
        if (b.id == eventID) text = std::to_string(b.seconds);
    } else if (eventID >= kFirstAdjustButton && eventID <= kLastAdjustButton) {
      float v = 0.0f;
      if (AdjustScanSeconds(eventID, static_cast<float>(fieldNumber(win, kScanSecondsField)), &v)) text = RealText(v);
    } else if (eventID == kReuseIntervalBox) {
      ConstScan = ConstScan ? 0 : 1;
      plat::setButtonState(win, kReuseIntervalBox, ConstScan ? 2 : 1);
    }
    if (!text.empty() && plat::controlExists(win, kScanSecondsField)) plat::setFieldText(win, kScanSecondsField, text);
  }
  ClearMailbox();
}

float ScanInterval() {
  const int16_t slot = currentSlot();
  if (!ValidFileSlot(slot)) return -1.0f;
  buildScanWindow(slot, 189, 120);
  drawText(11, 60, 15, " Number of seconds to scan:");
  drawScanWindowHeader(slot);
  DoubleLINE(0, 320, 35);
  plat::FieldSpec f;
  f.id = kScanSecondsField;
  f.text = RealText(startsize);
  f.r = {208, 45, 300, 65};
  f.kind = plat::FieldKind::Editable;
  plat::addField(kScanIntervalWindow, f);
  HelpSubject = kIntervalHelpSubject;
  bool closed = false;
  if (!ConstScan) {
    INTERVALCHOICE(nPoints);
    addButton(kScanIntervalWindow, kScanIntervalOK, plat::ButtonKind::DefaultPush, "Interval OK", {190, 157, 293, 177});
    addButton(kScanIntervalWindow, kReuseIntervalBox, plat::ButtonKind::CheckBox, "Re-use This Interval",
              {20, 157, 180, 177});
    plat::focusField(kScanIntervalWindow, kScanSecondsField, true);
    DialogScope analysisLoop(InstallAnalysisHandlers);
    for (bool done = false; !done;) {
      plat::pump();
      if (!plat::windowExists(kScanIntervalWindow)) {
        closed = true;
        break;
      }
      plat::setCurrentPort(kScanIntervalWindow);
      if (action == kActionClose && eventID == kScanIntervalWindow) {
        closed = true;
        done = true;
      } else if ((action == kActionKey && (eventID == 13 || eventID == 3)) ||
                 (action == kActionClick && eventID == kScanIntervalOK) ||
                 (action == kActionActivate && eventID != kScanIntervalWindow)) {
        done = true;
      } else if (MENU_or_ToolBar_PICKED && MenuPick{menuidx, menuitemx} != kScaleResultsPick) {
        done = true;
      } else if (action == kActionClick) {
        SETimeIntVlCHOICE();
      }
      ClearMailbox();
    }
  }
  if (closed) {
    plat::disposeWindow(kScanIntervalWindow);
    return -1.0f;
  }
  const auto value = static_cast<float>(fieldNumber(kScanIntervalWindow, kScanSecondsField));
  if (ConstScan) startsize = value;
  noteIntervalInStep(value);
  return value;
}

// ---- Flash and Set Block --------------------------------------------------------------

void FlashTheSelectedArea(int16_t times, int16_t rightEdge) {
  if (!plat::windowExists(kBlockWindow)) return;
  if (times > 1 && prefsArray[kPrefSoundLevel] != 0) PlayNamedSound("brrrp");
  if (rightEdge - 1 == stINT) ++rightEdge;
  plat::Port& p = plat::port(kBlockWindow);
  for (int i = 0; i < times; ++i) {
    plat::delayMs(1);
    p.setPenMode(plat::PenMode::Xor);
    p.fillRect({stINT, 2, rightEdge - 1, UpperLimit}, plat::patterns::solid);
    plat::flushWindow(kBlockWindow);
  }
  p.resetPen();
}

void SWITCHBLOCKS() {
  const int16_t slot = currentSlot();
  if (!SlotHasBlock(slot) || MMLpoints < 1 || MMLBegin < 0 || int64_t{MMLBegin} + MMLpoints - 1 > nCases[slot])
    return;
  const int16_t plot = PlotWindowId(slot);
  if (plat::windowExists(plot)) {
    plat::setCurrentPort(plot);
    RefreshPLOTBLOCK(0);
  }
  BeginBlock[slot] = MMLBegin;
  EndBlock[slot] = MMLBegin + MMLpoints - 1;
  const plotcore::ViewState v = PlotViewState(slot);
  auto clamp16 = [](int32_t x) { return static_cast<int16_t>(std::clamp<int32_t>(x, -32768, 32767)); };
  FileSHORTS[slot][kShortBlockLeftPx] = clamp16(plotcore::BlockEdgePixel(v, BeginBlock[slot]));
  FileSHORTS[slot][kShortBlockRightPx] = clamp16(plotcore::BlockEdgePixel(v, EndBlock[slot]));
  SetBlockSpanText(ScanBlockSpanText(intervalOf(slot), MMLpoints));
  if (plat::windowExists(plot)) {
    plat::setCurrentPort(plot);
    RefreshPLOTBLOCK(0);
    plat::currentPort().resetPen();
  }
  DRAWBLOCK();
  makeResultsCurrent();
}

// ---- The command --------------------------------------------------------------------------

int16_t Minimum_Maximum_Level(int16_t kindArg) {
  const int16_t slot = currentSlot();
  if (!SlotHasBlock(slot)) return 0;
  // The current block, not a count left by an earlier analysis.
  if (EndBlock[slot] - BeginBlock[slot] + 1 <= 2) return 0;
  Run run;
  run.slot = slot;
  run.kind = ScanKindOf(kindArg);
  const ScanKindInfo& info = InfoOfScan(run.kind);
  HelpSubject = kScanHelpSubject;
  PutDatum(slot, 0, 0, 0.0f);

  float step[28];
  FillScanScriptStep(run.kind, step);
  const int16_t handed = HandedAnalysisStep({kOpMinimum, kOpMaximum, kOpMostLevel, kOpMostVariable});
  const int16_t recorded = RecordScriptStep(step);
  if (recorded > 0) ConstScan = 0;
  scanStep = recorded > 0 ? recorded : handed;
  // A replay scans and shows the channels the hand run picked in the window.
  const bool replayed = ReplaysWithoutDialog(handed);
  int16_t shown = 0;

  if (AvoidInterpolation) {
    MakeInterpolationRecord();
    DataFilterNotice("interpolated data are ignored");
  }
  if (chanB != static_cast<uint16_t>(ActiveChannel)) {
    chanB = static_cast<uint16_t>(ActiveChannel);
    DRAWBLOCK();
  }
  plat::disposeWindow(kNoticeWindow50);
  if (IntegrationUnit == 0) IntegrationUnit = kUnitMinutes;
  // The integrated total in the unit of the hand run, whatever was set since.
  IntegrationUnit = ReplayedAnalysisChoice(
      handed, kStepTotalUnit, {kUnitSeconds, kUnitMinutes, kUnitHours, kUnitDays, kUnitNone}, IntegrationUnit);
  NoteAnalysisChoice(scanStep, kStepTotalUnit, IntegrationUnit);
  Analysis_Code = info.analysisCode;

  // Clicks made while the found window flashes wait in the mailbox for the
  // loop below.
  DialogScope analysisLoop(InstallAnalysisHandlers);
  OpenResultsWIndow(1, 1, 0, info.title, 0);
  plat::removeControl(kResultsWindow, kCrossChannelBox);
  makeResultsCurrent();
  ch = InCH = ActiveChannel;
  if (replayed) {
    const float* f = ScriptSequenceArray[handed];
    if (const int16_t c = StepChannelIn(f, scan_step::kScanned, nChannels[slot])) ch = InCH = c;
    shown = StepChannelIn(f, kStepChannel, nChannels[slot]);
  }
  CHANNELSELECT();
  plat::currentPort().clearRect({0, 28, 320, 126});
  addButton(kResultsWindow, kNewIntervalButton, plat::ButtonKind::Push, "New Interval\xC9", {215, 299, 312, 319});
  addButton(kResultsWindow, kRescanChannelsButton, plat::ButtonKind::Push, "Rescan New Channels", {8, 229, 143, 249});
  addButton(kResultsWindow, kConstantVolumeButton, plat::ButtonKind::Push, "C.V.R. Data\xC9", {8, 299, 110, 319});
  addButton(kResultsWindow, kSetBlockButton, plat::ButtonKind::Push, "Set Block", {114, 299, 210, 319});
  FitResultsWindow(326);

  nPoints = EndBlock[slot] - BeginBlock[slot];
  if (replayingWithSettings()) {
    startsize = currentStep()[2];
    ConstScan = autoscript == 1 ? 1 : 0;
  }
  startsize = ProposedScanSeconds(startsize, intervalOf(slot), nPoints);
  float seconds = 0.0f;
  bool ended = !askInterval(run, &seconds);
  if (!ended) {
    startsize = seconds;
    // A scan cancelled at the start leaves nothing to show.
    ended = !scanAndShow(run, true);
    if (!ended && shown != 0 && shown != ch) {
      MarkChannelButton(ch, shown);
      ch = shown;
      chanB = static_cast<uint16_t>(shown);
      DRAWBLOCK();
      makeResultsCurrent();
      if (run.found) computeMinMaxLevel(run, ScanStatus::Ok, false);
    }
    if (!ended) markStates(run);
  }
  if (!run.found && !ended && !plat::windowExists(kResultsWindow)) ended = true;

  InstallAnalysisHandlers();
  if (!ended && replayingWithSettings() && currentStep()[0] != 0.0f) {
    action = kActionClick;
    eventID = kSetBlockButton;
  }
  bool closedByBox = false;
  bool first = true;
  while (!ended) {
    if (!first) plat::pump();
    first = false;
    int16_t a = action;
    const int16_t id = eventID;
    if (!plat::windowExists(kResultsWindow)) break;
    makeResultsCurrent();
    plat::currentPort().setTextSize(12);
    if (a == kActionClose) {
      ClearMailbox();
      if (id == kResultsWindow) {
        closedByBox = true;
        break;
      }
      if (id >= 151 && id <= 174) plat::disposeWindow(id);
      makeResultsCurrent();
      continue;
    }
    bool done = false;
    if (a == kActionClick && IsDeferredToolbarClick(id)) {
      DeferToolbarClick(id);
      done = true;
    }
    if (MENU_or_ToolBar_PICKED && MenuPick{menuidx, menuitemx} == kScaleResultsPick) {
      MENU_or_ToolBar_PICKED = 0;
      menuidx = menuitemx = 0;
      SCALERESULTS(0.0);
      if (ScanNewSelectedChannel && run.found) flashFound(7);
      makeResultsCurrent();
      plat::flushInput();
      if (Rscale && run.found) showPanel(run);
    }
    if (a == kActionKey && id == 13 && RunScript) done = true;
    if (a == kActionActivate && (id == kResultsWindow || id == kBlockWindow || (id >= 151 && id <= 174) ||
                                 id == kFilterNoticeWindow || id == kScanIntervalWindow))
      a = 0;
    if (MENU_or_ToolBar_PICKED || a == kActionActivate) done = true;
    if (done) break;

    if (a == kActionKey) {
      // Digit keys pick no channel here; help and store keys act.
      if (TranslateAnalysisKey(id, nChannels[slot]).kind != AnalysisKeyKind::Channel) HandleAnalysisKey(id);
    } else if (a == kActionClick) {
      if (id >= 1 && id <= std::min<int16_t>(nChannels[slot], 32)) {
        plat::disposeWindow(151);
        run.big = false;
        SetKitButton(kBigHistogramButton, false);
        MarkChannelButton(ch, id);
        ch = id;
        chanB = static_cast<uint16_t>(id);
        NoteAnalysisChannel(scanStep, id);
        if (ScanNewSelectedChannel) {
          InCH = id;
          if (scanStep >= 1 && scanStep <= kLastScriptStep) ScriptSequenceArray[scanStep][scan_step::kScanned] = id;
        }
        DRAWBLOCK();
        makeResultsCurrent();
        if (ScanNewSelectedChannel) scanAndShow(run, false);
        else if (run.found) computeMinMaxLevel(run, ScanStatus::Ok, false);
      } else {
        switch (id) {
          case kHelpButton: plat::openHelp(HelpSubject); break;
          case kBigHistogramButton:
            run.big = !run.big;
            SetKitButton(kBigHistogramButton, run.big);
            showDistribution(run);
            break;
          case kDistributionButton: showDistribution(run); break;
          case kStoreButton:
            SCALERESULTS(meanValue);
            makeResultsCurrent();
            plat::flushInput();
            break;
          case kScaleButton:
            ToggleResultScale();
            if (run.found) showPanel(run);
            break;
          case kConstantVolumeButton:
            // Switching the conversion on asks for the chamber's set-up,
            // which gives the STP factor the panel converts with.
            DoConstantVolume = DoConstantVolume ? 0 : 1;
            if (DoConstantVolume != 0 && gScanHooks.constantVolumeSetup) gScanHooks.constantVolumeSetup();
            SetKitButton(kConstantVolumeButton, DoConstantVolume != 0);
            DRAWBLOCK();
            makeResultsCurrent();
            if (run.found) computeMinMaxLevel(run, ScanStatus::Ok, false);
            break;
          case kSetBlockButton:
            if (!run.found) {
              Zap();
              break;
            }
            SWITCHBLOCKS();
            if (float* s = currentStep(); s && RecordSCRIPT && ScriptCOUNT <= kLastScriptStep) {
              s[0] = 1.0f;
              NoteAnalysisBlock();
            }
            break;
          case kRescanChannelsButton:
            ScanNewSelectedChannel = ScanNewSelectedChannel ? 0 : 1;
            SetKitButton(kRescanChannelsButton, ScanNewSelectedChannel != 0);
            break;
          case kNewIntervalButton: {
            plat::removeControl(kResultsWindow, kStoreButton);
            const float kept = startsize;
            const int16_t keptConst = ConstScan;
            ConstScan = 0;
            startsize = ProposedScanSeconds(startsize, intervalOf(slot), EndBlock[slot] - BeginBlock[slot]);
            float seconds = 0.0f;
            const bool asked = askInterval(run, &seconds);
            ConstScan = keptConst;
            startsize = kept;
            if (asked) {
              DRAWBLOCK();
              makeResultsCurrent();
              scanAndShow(run, true);
            }
            break;
          }
          case kUnitSeconds:
          case kUnitMinutes:
          case kUnitHours:
          case kUnitDays:
          case kUnitNone:
            IntegrationUnit = id;
            NoteAnalysisChoice(scanStep, kStepTotalUnit, id);
            DoINTEGRATION(1);
            startsize = intervalOf(slot) * static_cast<float>(nPoints);
            break;
          default: break;
        }
      }
      if (plat::windowExists(kResultsWindow)) markStates(run);
    }
    ClearMailbox();
  }

  // Leaving.
  if (closedByBox || ended) plat::disposeWindow(kResultsWindow);
  REFRESHBLOCK();
  bup();
  if (DumpHist)
    for (int16_t w = 151; w <= 174; ++w) plat::disposeWindow(w);
  plat::flushInput();
  plat::disposeWindow(kFilterNoticeWindow);
  plat::disposeWindow(151);
  Rscale = 0;
  if (plat::windowExists(PlotWindowId(slot))) plat::setCurrentPort(PlotWindowId(slot));
  PutDatum(slot, 0, 0, 0.0f);
  RunPendingToolbarCommand();
  return 0;
}
