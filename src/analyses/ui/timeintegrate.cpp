#include "analyses/ui/timeintegrate.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "analyses/descriptive.h"
#include "analyses/events.h"
#include "analyses/statspanel.h"
#include "analyses/ui/average.h"
#include "analyses/ui/blockpress.h"
#include "shell/ui/fieldkit.h"
#include "shell/safewrite.h"
#include "datafiles/save.h"
#include "output/results.h"
#include "output/scaling.h"
#include "output/ui/analysiskit.h"
#include "output/ui/storeresult.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/macroman.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/blockscale.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/recording.h"
#include "shell/ui/recorder.h"
#include "shell/worktables.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

float trigger = 0.0f;
float LastPosSelectiveLimit = 0.0f, LastNegSelectiveLimit = 0.0f;

namespace {

// Down to "Print", which stands below the second row of channel buttons:
// lower, it was out of reach with the toolbar below the plot on a desk 800
// high. The window cannot rise over that toolbar, which floats over it and
// would hide its title bar and close box.
constexpr int16_t kWindowHeight = 322;
constexpr int16_t kEventWindowWidth = 640;
constexpr int16_t kUnitDaysId = 228;
// The block integration mode after which the block window needs no redraw
// unless a limit was placed.
constexpr int16_t kBlockIntegrationMode14 = 14;
// Labels are static fields, so they survive every repaint.
constexpr int16_t kCaptionLabel = 401;
constexpr int16_t kResultLabel = 402;
constexpr int16_t kShareLabel = 403;
constexpr int16_t kUnitsLabel = 404;
constexpr int16_t kSecLabel = 405;
constexpr int16_t kUpperHead = 406;
constexpr int16_t kLowerHead = 407;
constexpr int16_t kRowLabelFirst = 410;   // 410..413
constexpr int16_t kCueLabel = 420;
constexpr plat::Rect kHistogramBox{325, 180, 635, 284};
constexpr int kHistogramAxis = 231;
const plat::FileKind kEventFileKind{{'T', 'E', 'X', 'T'}, {'X', 'C', 'E', 'L'}, "event details", {"txt"}};

struct UnitChoice {
  int16_t id;
  const char* title;
  plat::Rect r;
};
constexpr UnitChoice kUnits[] = {{65, "Seconds", {70, 112, 130, 130}},
                                 {66, "Minutes", {132, 112, 192, 130}},
                                 {67, "Hours", {194, 112, 248, 130}},
                                 {kUnitDaysId, "Days", {250, 112, 304, 130}}};

int16_t analysisCodeOf(int16_t kind) {
  return kind == 1 ? kEventAnalysisCode : kind == 2 ? kSelectiveAnalysisCode : kTimeIntAnalysisCode;
}
int16_t topicOf(int16_t kind) {
  return kind == 1 ? kTopicEventCounter : kind == 2 ? kTopicSelectiveIntegration : kTopicTimeIntegration;
}
// The step this integration fills: recorded, else handed by a run; 0 none.
int16_t timeIntStep = 0;

int16_t operationOf(int16_t kind) {
  return kind == 1 ? kOpEventCounting : kind == 2 ? kOpSelectiveIntegrate : kOpTimeIntegration;
}
const char* titleOf(int16_t kind) {
  return kind == 1 ? "Event Counting                                       Event duration"
         : kind == 2 ? "Selective Integration"
                     : "Time Integration";
}

bool blockWindowReady() { return plat::windowExists(kBlockWindow); }
void makeResultsCurrent() {
  if (plat::windowExists(kResultsWindow)) plat::setCurrentPort(kResultsWindow);
}
bool soundsOn() { return prefsArray[kPrefSoundLevel] != 0; }

void addButton(int16_t id, plat::ButtonKind kind, const std::string& title, plat::Rect r, int state = 1) {
  AddKitButton(kResultsWindow, id, kind, title, r, state);
}
void addLabel(int16_t id, const std::string& text, plat::Rect r, plat::Rgb16 fore = kBlack, int size = 13) {
  AddLabel(kResultsWindow, id, text, r, fore, size);
}
void addField(int16_t id, const std::string& text, plat::Rect r, plat::FieldKind kind, plat::Rgb16 fore,
              plat::Rgb16 back, int size = 12, bool bold = false) {
  AddTextField(kResultsWindow, id, text, r, kind, fore, back, size, bold);
}
void setText(int16_t id, const std::string& text) { SetFieldIfPresent(kResultsWindow, id, text); }
float fieldValue(int16_t id) { return FieldValue(kResultsWindow, id); }

// The state of one run of the window.
struct Run {
  int16_t slot = 0;
  int16_t kind = 0;
  int32_t leftOffset = 0, rightOffset = 0;
  bool leftSet = false, rightSet = false;
  int16_t leftX = 0, rightX = 0;
  bool filter = false, countAll = true;
  bool limitPicked = false;
  // What the result shown was computed with: the limits and, counting
  // events, the shortest duration's seconds as typed.
  float usedG = 0.0f, usedL = 0.0f, usedSeconds = 0.0f;
  bool usedLeft = false, usedRight = false;
  int32_t usedLeftOffset = 0, usedRightOffset = 0;
  // The texts the window put into the limit fields from the block's range;
  // empty once the limit is the user's (typed, picked, remembered or
  // replayed). A field that still reads so follows the channel analysed.
  std::string offeredG, offeredL;
  CaseSpan span() const {
    return LimitedSpan(BeginBlock[slot], EndBlock[slot], leftSet, leftOffset, rightSet, rightOffset);
  }
  std::span<const float> data() const {
    const float* p = ChannelData(slot, ch);
    return p ? std::span<const float>(p, static_cast<size_t>(nCases[slot]) + 1) : std::span<const float>();
  }
};

// The limits a window opens with, before any remembered or replayed ones:
// the analysed channel's range over the block as the block window scales
// it. BlockMinY and BlockMaxY may belong to another channel, or to no
// block window at all.
struct Limits {
  float g, l;
};
Limits blockLimits(int16_t slot, int16_t kind) {
  const plotcore::BlockScale r =
      plotcore::ComputeBlockScale(ChannelData(slot, ch), std::clamp(BeginBlock[slot], 0, nCases[slot]),
                                  std::clamp(EndBlock[slot], 0, nCases[slot]), 1, 16);
  const float g = kind == 1 ? r.minY + (r.maxY - r.minY) * 0.5f : r.minY;
  return {g, kind == 1 ? g : r.maxY};
}

// Result fields 102 and 104 with their labels, in the band under the limits.
void fixTimeCue(int16_t kind) {
  const plat::Rgb16 back = plat::background(kResultsWindow);
  plat::port(kResultsWindow).setForeColor(back);
  plat::port(kResultsWindow).fillRect({0, 108, 320, 182});
  plat::port(kResultsWindow).resetPen();
  plat::removeControl(kResultsWindow, kCueLabel);
  const bool events = kind == 1;
  if (!events) addLabel(kUnitsLabel, "Time in:", {6, 113, 68, 129});
  addLabel(kResultLabel, events ? "'positive' events:" : "integral = ", {2, 136, 122, 154}, kBlack, 12);
  addLabel(kShareLabel, events ? "'negative' events:" : "fraction of total:", {2, 160, 122, 178}, kBlack, 12);
  addField(kLimitResultField, "", {124, 134, 310, 156}, plat::FieldKind::Static, kBlack, sunset, 16, true);
  addField(kLimitShareField, "", {124, 158, 310, 180}, plat::FieldKind::Static, kBlack, sunset, 16, true);
}

void eventCountStuff(const Run& run) {
  const plat::Rgb16 blue = OldStyleColour(4), red = OldStyleColour(6);
  addLabel(kUpperHead, "'positive' events ", {366, 34, 490, 56}, blue);
  addLabel(kLowerHead, "       'negative' events", {490, 34, 640, 56}, red);
  const char* rows[] = {"mean:", "S.D.:", "min:", "max:"};
  for (int r = 0; r < 4; ++r) {
    const int y = 56 + 20 * r;
    addLabel(static_cast<int16_t>(kRowLabelFirst + r), rows[r], {330, y, 376, y + 18});
    addField(static_cast<int16_t>(kUpperStatsFirst + r), "", {380, y, 486, y + 18}, plat::FieldKind::Static,
             r < 2 ? blue : kBlack, ExtremelyLightGray);
    addField(static_cast<int16_t>(kLowerStatsFirst + r), "", {500, y, 606, y + 18}, plat::FieldKind::Static,
             r < 2 ? red : kBlack, ExtremelyLightGray);
  }
  addButton(kEventFilterBox, plat::ButtonKind::CheckBox, "Only Use Event Durations >", {330, 158, 520, 174},
            run.countAll ? 0 : (run.filter ? 2 : 1));
  addField(kEventMinField, FieldNumText(FileInfoFLOATS[run.slot][kInfoInterval]), {522, 157, 580, 175},
           plat::FieldKind::Editable, kBlack, lightBlue);
  addLabel(kSecLabel, "sec", {584, 158, 620, 174});
  addButton(kEventCountAllBox, plat::ButtonKind::CheckBox, "Count All Events", {330, 138, 470, 154},
            run.countAll ? 2 : 1);
  plat::ButtonSpec save;
  save.id = kEventSaveButton;
  save.kind = plat::ButtonKind::MenuButton;
  save.title = "Save Details\xC9";
  save.r = {480, 135, 630, 155};
  save.menuId = kEventRateMenu;
  plat::addButton(kResultsWindow, save);
}

void buildWindow(Run& run, float g, float l) {
  const int16_t kind = run.kind;
  Analysis_Code = analysisCodeOf(kind);
  SetResultTopic(topicOf(kind));
  ch = ReplayedAnalysisChannel(HandedAnalysisStep({operationOf(kind)}), ActiveChannel, nChannels[run.slot]);
  testslopeon = 0;
  if (kind == 1) plat::disposeWindow(kSecondaryWindow);
  OpenResultsWIndow(0, 1, 0, titleOf(kind), 0);
  FitResultsWindow(kWindowHeight);
  if (kind == 1 && plat::windowExists(kResultsWindow)) {
    plat::Rect r = plat::contentRect(kResultsWindow);
    r.right = static_cast<int16_t>(r.left + kEventWindowWidth);
    plat::setContentRect(kResultsWindow, r);
  }
  makeResultsCurrent();
  CHANNELSELECT();
  addLabel(kCaptionLabel,
           kind == 1 ? "number of events that are:"
           : kind == 0 ? "cumulative time at values that are:"
                       : "cumulative data at values that are:",
           {6, 36, 300, 54}, kBlack, 15);
  addButton(kLimitGreaterButton, plat::ButtonKind::SmallBevel, "Greater Than", {6, 58, 106, 78});
  // Wide enough for a limit in exponent form ("-1.6172835e+37").
  addField(kLimitGreaterField, FieldNumText(g), {110, 59, 218, 77}, plat::FieldKind::Editable, kBlack, lightBlue);
  addButton(kLimitMinimumButton, plat::ButtonKind::SmallBevel, "Minimum", {222, 58, 292, 78});
  addButton(kLimitLessButton, plat::ButtonKind::SmallBevel, "Less Than", {6, 82, 106, 102});
  addField(kLimitLessField, FieldNumText(l), {110, 83, 218, 101}, plat::FieldKind::Editable, kBlack, lightBlue);
  addButton(kLimitMaximumButton, plat::ButtonKind::SmallBevel, "Maximum", {222, 82, 292, 102});
  fixTimeCue(kind);
  if (kind != 1) {
    for (const UnitChoice& u : kUnits)
      addButton(u.id, plat::ButtonKind::SmallBevel, u.title, u.r, u.id == IntegrationUnit ? 2 : 1);
    addButton(kLimitSwitchKind, plat::ButtonKind::Push,
              kind == 0 ? "Switch to Selective Integration" : "Switch to Time Integration", {100, 198, 310, 220});
    addButton(kScaleButton, plat::ButtonKind::SmallBevel, "Scale", {270, 229, 310, 249}, Rscale ? 2 : 1);
  }
  addButton(kLimitRecalculate, plat::ButtonKind::Push, "Recalculate", {6, 198, 96, 220});
  addButton(kLimitLeftButton, plat::ButtonKind::SmallBevel, "Left Limit", {6, 229, 69, 249});
  addButton(kLimitRightButton, plat::ButtonKind::SmallBevel, "Right Limit", {69, 229, 142, 249});
  // Without a histogram window there is nothing to open.
  addButton(kDistributionButton, plat::ButtonKind::SmallBevel, "Distribution", {149, 229, 225, 249},
            gHistogramHook ? 1 : 0);
  if (PortForResultsOutput != 0) addButton(kLimitPrintButton, plat::ButtonKind::Push, "Print", {200, 298, 270, 318});
  if (kind == 1) eventCountStuff(run);
  SetKitButton(ch, true);
}

// ---- Computation ----------------------------------------------------------------

void drawEventHistogram(const EventCount& c) {
  plat::Port& p = plat::port(kResultsWindow);
  p.resetPen();
  p.setForeColor(LightGray);
  p.fillRect(kHistogramBox);
  p.setForeColor(kBlack);
  p.strokeRect(kHistogramBox);
  p.setForeColor(OldStyleColour(1));
  p.moveTo(kHistogramBox.left + 1, kHistogramAxis);
  p.lineTo(kHistogramBox.right - 2, kHistogramAxis);
  if (c.maxBin > 0) {
    const double scale = 49.0 / c.maxBin;
    for (int b = 1; b <= kEventBins; ++b) {
      const int x = 331 + 12 * (b - 1);
      for (int dir = 0; dir < 2; ++dir) {
        const int32_t n = dir == 0 ? c.upBins[static_cast<size_t>(b)] : c.downBins[static_cast<size_t>(b)];
        if (n == 0) continue;
        const int h = std::max(1, static_cast<int>(std::lround(n * scale)));
        const plat::Rect r = dir == 0 ? plat::Rect{x, kHistogramAxis - 1 - h, x + 10, kHistogramAxis - 1}
                                      : plat::Rect{x, kHistogramAxis + 1, x + 10, kHistogramAxis + 1 + h};
        p.setForeColor(OldStyleColour(dir == 0 ? 4 : 6));
        p.fillRect(r);
        p.setForeColor(kBlack);
        p.strokeRect(r);
      }
    }
  }
  p.resetPen();
  p.setForeColor(kBlack);
  plat::flushWindow(kResultsWindow);
}

void showDurationStats(int16_t first, const DurationStats& s) {
  if (s.n == 0) {
    for (int k = 0; k < 4; ++k) setText(static_cast<int16_t>(first + k), "**");
    return;
  }
  setText(first, StringFormatter(static_cast<float>(s.mean)));
  setText(static_cast<int16_t>(first + 1), StringFormatter(static_cast<float>(s.sd)));
  setText(static_cast<int16_t>(first + 2), StringFormatter(s.minimum));
  setText(static_cast<int16_t>(first + 3), StringFormatter(s.maximum));
}

float minimumDuration(const Run& run) {
  return run.filter ? static_cast<float>(double{fieldValue(kEventMinField)} * 1.0001) : 0.0f;
}

EventRequest eventRequest(const Run& run, float l, float g) {
  const CaseSpan s = run.span();
  return {s.first, s.last, g, l, FileInfoFLOATS[run.slot][kInfoInterval], minimumDuration(run)};
}

void doTimeInt(Run& run, float l, float g) {
  const std::span<const float> y = run.data();
  const CaseSpan s = run.span();
  if (y.empty()) return;
  plat::setCursor(plat::CursorKind::Watch);
  const double interval = FileInfoFLOATS[run.slot][kInfoInterval];
  if (run.kind == 1) {
    const EventCount c = CountEvents(y, eventRequest(run, l, g));
    setText(kLimitResultField, NumText(run.countAll ? c.allUp : static_cast<int32_t>(c.up.size())));
    setText(kLimitShareField, NumText(run.countAll ? c.allDown : static_cast<int32_t>(c.down.size())));
    showDurationStats(kUpperStatsFirst, c.upStats);
    showDurationStats(kLowerStatsFirst, c.downStats);
    drawEventHistogram(c);
    meanValue = c.allUp;
    StandardDeviation = static_cast<float>(c.downStats.sd);
    run.usedSeconds = fieldValue(kEventMinField);
  } else {
    const LimitScan scan = ScanLimits(y, s.first, s.last, g, l);
    const ResultScale rs = CurrentResultScale(ch);
    if (run.kind == 0) {
      const TimeWithin t = TimeWithinLimits(scan, s.first, s.last, interval, IntegrationUnit);
      setText(kLimitResultField, StringFormatter(static_cast<float>(ScaledValue(rs, t.time))) +
                                     LimitUnitSuffix(IntegrationUnit));
      setText(kLimitShareField, StringFormatter(t.percent) + " ");
      meanValue = t.time;
      StandardDeviation = t.percent;
    } else {
      const SelectiveIntegral r = SelectiveIntegrate(scan, interval, IntegrationUnit);
      setText(kLimitResultField, StringFormatter(static_cast<float>(ScaledValue(rs, r.in))));
      setText(kLimitShareField, r.shareDefined ? StringFormatter(r.percent) + " %" : std::string("--"));
      meanValue = r.in;
      StandardDeviation = r.percent;
    }
  }
  mi = g;
  ma = l;
  run.usedG = g;
  run.usedL = l;
  run.usedLeft = run.leftSet;
  run.usedRight = run.rightSet;
  run.usedLeftOffset = run.leftOffset;
  run.usedRightOffset = run.rightOffset;
  plat::setCursor(plat::CursorKind::Arrow);
  plat::clearFieldFocus(kResultsWindow);
  if (soundsOn()) EndBeep();
}

// The step holds the kind (switched in the window), the unit, and the
// limits and event choices the result shown was computed with, not the
// fields as they stand (typed, perhaps, and never confirmed).
void noteChoices(const Run& run) {
  if (timeIntStep < 1 || timeIntStep > kLastScriptStep || !plat::windowExists(kResultsWindow)) return;
  float* f = ScriptSequenceArray[timeIntStep];
  f[kStepOperation] = operationOf(run.kind);
  f[limits_step::kUnit] = IntegrationUnit;
  f[limits_step::kGreater] = run.usedG;
  f[limits_step::kLess] = run.usedL;
  f[limits_step::kHeld] = 1.0f;
  const bool events = run.kind == 1;
  f[limits_step::kCountedOnly] = events && !run.countAll ? 1.0f : 0.0f;
  f[limits_step::kDurationFilter] = events && run.filter ? 1.0f : 0.0f;
  f[limits_step::kMinDuration] = events && run.filter ? run.usedSeconds : 0.0f;
  NoteBlockLimit(timeIntStep, limits_step::kLeftLimit, run.usedLeft, run.usedLeftOffset);
  NoteBlockLimit(timeIntStep, limits_step::kRightLimit, run.usedRight, run.usedRightOffset);
}

// Reads both limits; for the integrating kinds a "Greater Than" not below
// "Less Than" is refused.
void recompute(Run& run, bool remember) {
  const float g = fieldValue(kLimitGreaterField), l = fieldValue(kLimitLessField);
  if (remember) {
    LastPosSelectiveLimit = g;
    LastNegSelectiveLimit = l;
  }
  if (run.kind != 1 && !(g < l)) {
    Zap();
    return;
  }
  doTimeInt(run, l, g);
}

void saveEventDetails(const Run& run) {
  const int item = plat::menuButtonValue(kResultsWindow, kEventSaveButton);
  const auto path = plat::askSaveFile("Save event count details to:", "", kEventFileKind);
  if (!path) {
    if (soundsOn()) downvip();
    return;
  }
  const float g = fieldValue(kLimitGreaterField), l = fieldValue(kLimitLessField);
  const EventRequest r = eventRequest(run, l, g);
  const EventCount c = CountEvents(run.data(), r);
  EventFileHeader h;
  h.fileName = FileName[run.slot];
  h.date = TodayMMddyy();
  h.label = RetrieveLabel(ch);
  h.label.erase(h.label.find_last_not_of(' ') + 1);
  h.cases = nCases[run.slot];
  h.channels = nChannels[run.slot];
  h.channel = ch;
  const int32_t clock = ClockTextSeconds(StartTime[run.slot]);
  h.startHours = clock > 0 ? clock / 3600.0 : 0.0;
  const std::string text = EventDetailsText(h, run.data(), r, c, item);
  SafeFileWriter w;
  if (!(w.open(*path) && w.write(text.data(), text.size()) && w.commit())) {
    HandleFileError(*path, w.error() != 0 ? w.error() : EIO);
    return;
  }
  plat::tagFile(*path, kEventFileKind);
  // The file's last event of three cases or more leaves its S.D.
  const EventRun* last = nullptr;
  const std::span<const EventRun> lists[] = {c.up, c.down};
  for (const std::span<const EventRun> list : lists)
    for (const EventRun& e : list)
      if (e.cases >= 3 && (!last || e.start >= last->start)) last = &e;
  if (last) StandardDeviation = static_cast<float>(EventStatistics(run.data(), *last, r.interval).sd);
  if (soundsOn()) EndBeep();
}

// The block window on the channel analysed, so that a limit picked in it or
// set by Minimum or Maximum reads its scale; true when it was redrawn.
bool showAnalysedChannel() {
  if (!blockWindowReady() || chanB == static_cast<uint16_t>(ch)) return false;
  chanB = static_cast<uint16_t>(ch);
  DRAWBLOCK();
  return true;
}

// A limit field that still reads what the window offered: typed over, it
// is the user's.
bool stillOffered(int16_t field, const std::string& offered) {
  return !offered.empty() && plat::controlExists(kResultsWindow, field) &&
         plat::fieldText(kResultsWindow, field) == offered;
}

// Each limit the user has not set takes what a window opened on the
// channel now shown would offer.
void offerLimits(Run& run) {
  const Limits fresh = blockLimits(run.slot, run.kind);
  auto offer = [](int16_t field, float value, std::string* offered) {
    if (!stillOffered(field, *offered)) {
      offered->clear();
      return;
    }
    *offered = FieldNumText(value);
    setText(field, *offered);
  };
  offer(kLimitGreaterField, fresh.g, &run.offeredG);
  offer(kLimitLessField, fresh.l, &run.offeredL);
}

void switchChannel(Run& run, int16_t c) {
  NoteAnalysisChannel(timeIntStep, c);
  MarkChannelButton(ch, c);
  ch = c;
  chanB = static_cast<uint16_t>(c);
  if (SlotHasBlock(run.slot) && blockWindowReady()) {
    DRAWBLOCK();
    FIXLIMITS(run.leftSet, run.rightSet, run.leftX, run.rightX);
  }
  makeResultsCurrent();
  offerLimits(run);
  WriteHEADER(0);
  // Nothing else repaints the window: the new header would wait unseen.
  if (plat::windowExists(kResultsWindow)) plat::flushWindow(kResultsWindow);
}

void setLimit(Run& run, int16_t side) {
  const int16_t button = side == 1 ? kLimitRightButton : kLimitLeftButton;
  SetKitButton(button, true);
  if (side == 1) PickLimit(1, &run.rightOffset, &run.rightSet, &run.rightX);
  else PickLimit(0, &run.leftOffset, &run.leftSet, &run.leftX);
  run.limitPicked = true;
  SetKitButton(button, false);
  makeResultsCurrent();
}

void pickLimit(Run& run, bool greater) {
  const int16_t button = greater ? kLimitGreaterButton : kLimitLessButton;
  (greater ? run.offeredG : run.offeredL).clear();
  SetKitButton(button, true);
  if (greater) downvip();
  else upvip();
  plat::removeControl(kResultsWindow, kLimitResultField);
  plat::removeControl(kResultsWindow, kLimitShareField);
  addLabel(kCueLabel, "Use cursor to set limit -->", {124, 146, 310, 166}, OldStyleColour(6), 14);
  const bool colour = prefsArray[kPrefColourDisplay] != 0;
  GetTRIGGER(static_cast<int16_t>(colour ? (greater ? 5 : 2) : 0), static_cast<int16_t>(greater ? 1 : 2));
  SetKitButton(button, false);
  run.limitPicked = true;
  makeResultsCurrent();
  fixTimeCue(run.kind);
}

void distribution(const Run& run) {
  if (!gHistogramHook) return;
  const std::span<const float> y = run.data();
  const int32_t b = BeginBlock[run.slot], e = EndBlock[run.slot];
  if (y.empty() || e < b) return;
  double sum = 0.0;
  float lo = y[static_cast<size_t>(b)], hi = lo;
  for (int32_t k = b; k <= e; ++k) {
    const float v = y[static_cast<size_t>(k)];
    sum += v;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  meanValue = sum;
  mi = lo;
  ma = hi;
  HistogramRequest r;
  r.first = b;
  r.last = e;
  r.mean = sum / (e - b + 1);
  gHistogramHook(r);
}

bool isHistogramWindow(int id) { return id >= 151 && id <= 174; }

}  // namespace

// ---- The trigger picker ------------------------------------------------------------

void GetTRIGGER(int16_t colour, int16_t mode) {
  action = 0;
  const int target = mode == 1 || mode == 2 ? kResultsWindow : kSecondaryWindow;
  const int16_t field = mode == 1 ? kLimitGreaterField : mode == 2 ? kLimitLessField : kTriggerField;
  if (plat::windowExists(target)) plat::clearFieldFocus(target);
  if (mode == 0 && plat::windowExists(kSecondaryWindow) && !plat::controlExists(kSecondaryWindow, kTriggerField)) {
    plat::FieldSpec f;
    f.id = kTriggerField;
    f.r = {150, 4, 260, 22};
    f.kind = plat::FieldKind::Static;
    f.font.pixelSize = 14;
    f.font.bold = true;
    f.back = LightGray;
    plat::addField(kSecondaryWindow, f);
  }
  if (!blockWindowReady()) return;
  // In front, so that a press there is a press and not an activation.
  plat::selectWindow(kBlockWindow);
  plat::Port& p = plat::port(kBlockWindow);
  const plat::Rgb16 pen = OldStyleColour(colour);
  const int right = RightLim - 2;
  auto xorLine = [&](int v) {
    p.setPenMode(plat::PenMode::Xor);
    p.setForeColor(pen);
    p.moveTo(1, v);
    p.lineTo(right, v);
  };
  auto inside = [](plat::Point q) { return q.y > 0 && q.y <= UpperLimit && q.x > 0 && q.x < RightLim; };
  auto show = [&](float value) {
    if (plat::windowExists(target) && plat::controlExists(target, field))
      plat::setFieldText(target, field, FieldNumText(value));
  };

  float shown = 99999.0f;
  const std::optional<plat::Point> press = AwaitBlockPress(
      inside,
      [&](plat::Point q) {
        if (!inside(q)) {
          plat::setCursor(plat::CursorKind::Arrow);
          return;
        }
        plat::setCursor(plat::CursorKind::Cross);
        // Drawn, shown, then drawn again: the window is left as it was.
        xorLine(q.y);
        const float value = TriggerLevelAt(q.y, BlockMinY, BlockMaxY, UpperLimit);
        trigger = value;
        if (value != shown) {
          shown = value;
          show(value);
        }
        plat::flushWindow(kBlockWindow);
        xorLine(q.y);
      },
      false);
  const int chosen = press ? press->y : -1;
  p.resetPen();
  if (chosen >= 0 && blockWindowReady()) {
    p.setForeColor(pen);
    p.moveTo(1, chosen);
    p.lineTo(right, chosen);
    p.resetPen();
    plat::flushWindow(kBlockWindow);
    Tick();
    trigger = TriggerLevelAt(chosen, BlockMinY, BlockMaxY, UpperLimit);
    // Every completed pick leaves its value in the field.
    show(trigger);
  }
  plat::waitButtonUp();
  plat::setCursor(plat::CursorKind::Arrow);
  if (plat::windowExists(target)) {
    plat::selectWindow(target);
    plat::setCurrentPort(target);
  }
}

// ---- The command ----------------------------------------------------------------------

void TIMEINTEGRATE(int16_t kind) {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!SlotHasBlock(slot)) return;
  HelpSubject = kTimeIntHelpSubject;
  const int16_t handed = HandedAnalysisStep({operationOf(kind)});
  const int16_t recorded = RecordScriptOperation(operationOf(kind));
  timeIntStep = recorded > 0 ? recorded : handed;

  Run run;
  run.slot = slot;
  run.kind = kind;
  // The block window shows the channel analysed, as after a channel button:
  // a limit picked in it or set by Minimum or Maximum reads its scale.
  ch = ReplayedAnalysisChannel(handed, ActiveChannel, nChannels[slot]);
  showAnalysedChannel();
  const Limits fresh = blockLimits(slot, kind);
  float g = fresh.g, l = fresh.l;
  if (LastPosSelectiveLimit != 0.0f) g = LastPosSelectiveLimit;
  if (LastNegSelectiveLimit != 0.0f) l = LastNegSelectiveLimit;
  bool offerG = LastPosSelectiveLimit == 0.0f, offerL = LastNegSelectiveLimit == 0.0f;
  // A replay counts or integrates in the unit, between the limits and with
  // the event choices of the hand run, whatever was chosen since.
  const bool replayed = ReplaysWithoutDialog(handed);
  float seconds = 0.0f;
  if (replayed) {
    const float* f = ScriptSequenceArray[handed];
    if (const int16_t u = StepChoice(f, limits_step::kUnit, {kUnitSeconds, kUnitMinutes, kUnitHours, kUnitDaysId}))
      IntegrationUnit = u;
    if (StepFlag(f, limits_step::kHeld)) {
      g = f[limits_step::kGreater];
      l = f[limits_step::kLess];
      offerG = offerL = false;
    }
    const int32_t last = EndBlock[slot] - BeginBlock[slot];
    run.leftSet = ReplayedBlockLimit(handed, limits_step::kLeftLimit, last, &run.leftOffset);
    run.rightSet = ReplayedBlockLimit(handed, limits_step::kRightLimit, last, &run.rightOffset);
    if (kind == 1) {
      run.countAll = !StepFlag(f, limits_step::kCountedOnly);
      run.filter = StepFlag(f, limits_step::kDurationFilter);
      seconds = f[limits_step::kMinDuration];
    }
  }
  buildWindow(run, g, l);
  if (plat::windowExists(kResultsWindow)) {
    if (offerG) run.offeredG = plat::fieldText(kResultsWindow, kLimitGreaterField);
    if (offerL) run.offeredL = plat::fieldText(kResultsWindow, kLimitLessField);
  }
  if (replayed && run.filter) setText(kEventMinField, FieldNumText(seconds));
  run.usedG = g;
  run.usedL = l;
  doTimeInt(run, l, g);
  noteChoices(run);

  DialogScope analysisLoop(InstallAnalysisHandlers);
  bool closedByBox = false;
  for (;;) {
    auto [a, id] = TakeEvent();
    if (!plat::windowExists(kResultsWindow)) break;
    HelpSubject = kTimeIntHelpSubject;
    if (a == kActionClose) {
      if (id == kResultsWindow) {
        closedByBox = true;
        break;
      }
      if (isHistogramWindow(id)) plat::disposeWindow(id);
      continue;
    }
    if (a == kActionClick && IsDeferredToolbarClick(id)) {
      DeferToolbarClick(id);
      break;
    }
    if (MENU_or_ToolBar_PICKED) break;
    if (a == kActionActivate) {
      if (id == kResultsWindow || id == kBlockWindow || isHistogramWindow(id) || id == kFilterNoticeWindow)
        continue;
      break;
    }
    if (a == kActionKey) {
      if ((id == 13 || id == 3) && RunScript) break;
      // The result shown, as the Print button stores it.
      if (IsStoreResultKey(id)) {
        DRAFTPRINT(plat::MacText(1, static_cast<char>(id)));
        makeResultsCurrent();
        continue;
      }
      if (id == '?' || id == '/') plat::openHelp(HelpSubject);
      // Return in a field applies the same order check as a click, and the
      // step notes what it computed.
      recompute(run, false);
      noteChoices(run);
      continue;
    }
    if (a != kActionClick) continue;
    if (id >= kLimitGreaterField && id <= 132) continue;   // clicks into fields
    bool rebuilt = false;
    if (id >= 1 && id <= std::min<int16_t>(nChannels[slot], kMaxChannels)) {
      switchChannel(run, id);
    } else {
      switch (id) {
        case kHelpButton: plat::openHelp(HelpSubject); break;
        case kLimitGreaterButton: pickLimit(run, true); break;
        case kLimitLessButton: pickLimit(run, false); break;
        case kLimitMinimumButton:
          setText(kLimitGreaterField, FieldNumText(BlockMinY));
          run.offeredG.clear();
          downvip();
          break;
        case kLimitMaximumButton:
          setText(kLimitLessField, FieldNumText(BlockMaxY));
          run.offeredL.clear();
          upvip();
          break;
        case kLimitLeftButton: setLimit(run, 0); break;
        case kLimitRightButton: setLimit(run, 1); break;
        case kLimitPrintButton:
          DRAFTPRINT("p");
          makeResultsCurrent();
          break;
        case 65:
        case 66:
        case 67:
        case kUnitDaysId:
          for (const UnitChoice& u : kUnits) SetKitButton(u.id, u.id == id);
          IntegrationUnit = id;
          break;
        case kScaleButton:
          ToggleResultScale();
          break;
        case kEventFilterBox:
          if (!run.countAll) {
            run.filter = !run.filter;
            plat::setButtonState(kResultsWindow, kEventFilterBox, run.filter ? 2 : 1);
          }
          break;
        case kEventCountAllBox:
          run.countAll = !run.countAll;
          plat::setButtonState(kResultsWindow, kEventCountAllBox, run.countAll ? 2 : 1);
          plat::setButtonState(kResultsWindow, kEventFilterBox, run.countAll ? 0 : (run.filter ? 2 : 1));
          break;
        case kEventSaveButton:
          saveEventDetails(run);
          makeResultsCurrent();
          break;
        case kLimitSwitchKind: {
          float keepG = fieldValue(kLimitGreaterField), keepL = fieldValue(kLimitLessField);
          // Rebuilt, an offered limit is still the window's.
          const bool offeredG = stillOffered(kLimitGreaterField, run.offeredG);
          const bool offeredL = stillOffered(kLimitLessField, run.offeredL);
          run.kind = run.kind == 0 ? 2 : 0;
          if (soundsOn()) upvip();
          run.leftSet = run.rightSet = false;
          run.leftOffset = run.rightOffset = 0;
          if (blockWindowReady()) DRAWBLOCK();
          buildWindow(run, keepG, keepL);
          // The rebuilt window analyses the active channel again, whichever
          // a channel button chose: the block window and the limits the user
          // never set follow it.
          if (showAnalysedChannel()) makeResultsCurrent();
          const Limits fresh = blockLimits(run.slot, run.kind);
          if (offeredG) {
            keepG = fresh.g;
            setText(kLimitGreaterField, FieldNumText(keepG));
          }
          if (offeredL) {
            keepL = fresh.l;
            setText(kLimitLessField, FieldNumText(keepL));
          }
          run.offeredG = offeredG ? plat::fieldText(kResultsWindow, kLimitGreaterField) : std::string();
          run.offeredL = offeredL ? plat::fieldText(kResultsWindow, kLimitLessField) : std::string();
          LastPosSelectiveLimit = keepG;
          LastNegSelectiveLimit = keepL;
          doTimeInt(run, keepL, keepG);
          rebuilt = true;
          break;
        }
        case kDistributionButton: distribution(run); break;
        default: break;
      }
    }
    plat::setCursor(plat::CursorKind::Arrow);
    if (!rebuilt && plat::windowExists(kResultsWindow)) {
      makeResultsCurrent();
      recompute(run, true);
    }
    noteChoices(run);
  }

  if (closedByBox) plat::disposeWindow(kResultsWindow);
  if (DumpHist)
    for (int16_t w = 151; w <= 174; ++w) plat::disposeWindow(w);
  if (SlotHasBlock(slot) && blockWindowReady()) {
    if (chanB != static_cast<uint16_t>(ActiveChannel)) {
      chanB = static_cast<uint16_t>(ActiveChannel);
      DRAWBLOCK();
    } else if (run.limitPicked || IntegrationMode != kBlockIntegrationMode14) {
      DRAWBLOCK();
    }
  }
  plat::flushInput();
  bup();
  if (plat::windowExists(PlotWindowId(slot))) plat::setCurrentPort(PlotWindowId(slot));
  RunPendingToolbarCommand();
}
