#include "analyses/ui/waveform.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "shell/ui/fieldkit.h"
#include "analyses/ui/timeintegrate.h"
#include "shell/safewrite.h"
#include "datafiles/save.h"
#include "output/numberformat.h"
#include "output/results.h"
#include "output/ui/analysiskit.h"
#include "output/ui/storeresult.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/macroman.h"
#include "platform/port.h"
#include "platform/print.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/recording.h"
#include "shell/ui/recorder.h"
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
#include "shell/worktables.h"

float WFabort = 0.0f;

namespace {

constexpr int kPeakvalSections = 5;
constexpr int kPrefShowTriggers = 37;
constexpr int kPeakvalEntries = 200001;
constexpr plat::Rect kPeriodArea{0, 40, 320, 100};
constexpr plat::Rect kShapeHistogram{8, 150, 308, 210};   // base line at its bottom
constexpr plat::Rect kWaveHistogram{60, 70, 500, 250};
const plat::FileKind kWaveFileKind{{'T', 'E', 'X', 'T'}, {'?', '?', '?', '?'}, "waveform data", {"txt"}};
const char* const kDataNames[] = {"wave peak values", "wave amplitudes", "interpeak intervals (sec)"};

WaveResult& lastWave() {
  static WaveResult w;
  return w;
}

bool blockWindowReady() { return plat::windowExists(kBlockWindow); }
std::span<const float> channelOf(int16_t slot, int16_t channel) {
  const float* p = ChannelData(slot, channel);
  return p ? std::span<const float>(p, static_cast<size_t>(nCases[slot]) + 1) : std::span<const float>();
}

void blockExtremes(int16_t slot) {
  const WaveBlockRange r = WaveBlockExtremes(channelOf(slot, ActiveChannel), BeginBlock[slot], EndBlock[slot]);
  BlockMinY = r.lo;
  BlockMaxY = r.hi;
}

// ---- The trigger dialog -----------------------------------------------------------

enum class TriggerChoice { Defaults, Cursor, Cancel, Deferred };

void buildTriggerDialog() {
  OPENWINDOW6(1, 1, "Waveform Triggers", 150);
  const int w = kSecondaryWindow;
  AddLabel(w, 401, "after each peak, skip", {8, 28, 150, 52}, kBlack, 13);
  AddTextField(w, kWaveSkipField, "0", {152, 30, 200, 48}, plat::FieldKind::Editable, kBlack, lightBlue);
  AddLabel(w, 402, "samples", {204, 28, 270, 52}, kBlack, 13);
  AddKitButton(w, kWaveDefaultTriggers, plat::ButtonKind::DefaultPush, "Default Triggers", {8, 56, 150, 78});
  AddKitButton(w, kWaveUseCursor, plat::ButtonKind::Push, "Use Cursor", {158, 56, 300, 78});
  const bool smoothing = CommandRegistered(Cmd::Smoothing);
  AddKitButton(w, kWaveSmooth, plat::ButtonKind::Push, "Smooth...", {8, 84, 100, 104}, smoothing ? 1 : 0);
  AddKitButton(w, kWaveBlockSmooth, plat::ButtonKind::Push, "3 X  3 Block Smooth", {104, 84, 250, 104},
               smoothing ? 1 : 0);
  AddKitButton(w, kWaveNormalRadio, plat::ButtonKind::Radio, "Normal Method", {8, 110, 140, 126},
               FindPeaksNormally ? 2 : 1);
  AddKitButton(w, kWaveHighLowRadio, plat::ButtonKind::Radio, "Highest/Lowest 5", {144, 110, 290, 126},
               FindPeaksNormally ? 1 : 2);
  AddKitButton(w, kWaveCancel, plat::ButtonKind::Push, "Cancel", {220, 128, 300, 148});
  AddKitButton(w, kWaveHelp, plat::ButtonKind::SmallBevel, "?", {8, 128, 30, 148});
}

void smoothThenRebuild(int16_t slot, int16_t how) {
  plat::disposeWindow(kSecondaryWindow);
  chanB = static_cast<uint16_t>(ActiveChannel);
  RunCommand(Cmd::Smoothing, how);
  blockExtremes(slot);
  buildTriggerDialog();
}

TriggerChoice triggerDialog(int16_t slot) {
  buildTriggerDialog();
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kSecondaryWindow)) return TriggerChoice::Cancel;
    if (MENU_or_ToolBar_PICKED) return TriggerChoice::Deferred;
    if (a == kActionClick && IsDeferredToolbarClick(id)) {
      DeferToolbarClick(id);
      return TriggerChoice::Deferred;
    }
    if (a == kActionClose && id == kSecondaryWindow) return TriggerChoice::Cancel;
    if (a == kActionActivate && id != kSecondaryWindow && id != kBlockWindow) return TriggerChoice::Defaults;
    if (a == kActionKey) {
      if (id == '?' || id == '/') plat::openHelp(kWaveHelpSubject);
      else if (id == 13 || id == 3)
        return plat::focusedField(kSecondaryWindow) == kWaveSkipField ? TriggerChoice::Cursor
                                                                      : TriggerChoice::Defaults;
      continue;
    }
    if (a != kActionClick) continue;
    switch (id) {
      case kWaveDefaultTriggers: return TriggerChoice::Defaults;
      case kWaveUseCursor: return TriggerChoice::Cursor;
      case kWaveCancel: return TriggerChoice::Cancel;
      case kWaveHelp: plat::openHelp(kWaveHelpSubject); break;
      case kWaveNormalRadio:
      case kWaveHighLowRadio:
        FindPeaksNormally = id == kWaveNormalRadio ? 1 : 0;
        plat::setButtonState(kSecondaryWindow, kWaveNormalRadio, FindPeaksNormally ? 2 : 1);
        plat::setButtonState(kSecondaryWindow, kWaveHighLowRadio, FindPeaksNormally ? 1 : 2);
        break;
      case kWaveSmooth:
        if (CommandRegistered(Cmd::Smoothing)) smoothThenRebuild(slot, 0);
        break;
      case kWaveBlockSmooth:
        if (CommandRegistered(Cmd::Smoothing)) {
          RunCommand(Cmd::Smoothing, -999);
          blockExtremes(slot);
          if (!plat::windowExists(kSecondaryWindow)) buildTriggerDialog();
        }
        break;
      default: break;
    }
  }
}

// The picked levels on show until a click, a key or another window.
void showTriggers(float peak, float valley) {
  const int w = kSecondaryWindow;
  if (!plat::windowExists(w)) return;
  for (int16_t id : {kWaveSkipField, kWaveDefaultTriggers, kWaveUseCursor, kWaveSmooth, kWaveBlockSmooth,
                     kWaveNormalRadio, kWaveHighLowRadio, kWaveCancel, kWaveHelp, int16_t{401}, int16_t{402},
                     int16_t{403}, kTriggerField})
    plat::removeControl(w, id);
  AddTextField(w, 404, "Peak trigger " + FieldNumText(peak), {8, 30, 200, 50}, plat::FieldKind::Static, kBlack,
               LightGray);
  AddTextField(w, 405, "Valley trigger " + FieldNumText(valley), {8, 56, 200, 76}, plat::FieldKind::Static, kBlack,
               LightGray);
  AddKitButton(w, kWaveContinue, plat::ButtonKind::DefaultPush, "Continue...", {8, 90, 120, 112});
  ClearMailbox();
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(w) || a == kActionClick || a == kActionKey || a == kActionClose ||
        (a == kActionActivate && id != w))
      return;
  }
}

// Two cursor picks: peak trigger, then valley trigger.
void cursorTriggers(float* peak, float* valley) {
  const int w = kSecondaryWindow;
  const bool colour = prefsArray[kPrefColourDisplay] != 0;
  plat::setButtonState(w, kWaveDefaultTriggers, 0);
  plat::setButtonState(w, kWaveUseCursor, 0);
  AddLabel(w, 403, " click on minimum peak height (pink). . .", {8, 4, 150, 22}, kBlack, 11);
  GetTRIGGER(colour ? 5 : 0, 0);
  for (int k = 0; k < 5; ++k) plat::pump();
  ClearMailbox();
  *peak = trigger;
  for (int16_t id : {kWaveCancel, kWaveSmooth, kWaveBlockSmooth}) plat::setButtonState(w, id, 0);
  AddLabel(w, 403, " click on maximum valley height (green). . .", {8, 4, 150, 22}, kBlack, 11);
  GetTRIGGER(colour ? 2 : 0, 0);
  *valley = trigger;
  if (prefsArray[kPrefShowTriggers] != 0) showTriggers(*peak, *valley);
}

// ---- Analysis --------------------------------------------------------------------

void keepTables(int16_t slot, const WaveResult& w) {
  // The shared table keeps what fits; the run's own tables grow as needed.
  for (int s = 0; s < kPeakvalSections; ++s) {
    float* row = peakval.row(s);
    if (!row) continue;
    std::fill(row, row + kPeakvalEntries, 0.0f);
    const std::vector<float>& t = w.tables.s[static_cast<size_t>(s)];
    std::copy(t.begin(), t.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(t.size(), kPeakvalEntries)), row);
  }
  for (size_t k = 2; k < w.intervals.size() && static_cast<int32_t>(k) <= nCases[slot]; ++k)
    PutDatum(slot, 0, static_cast<int32_t>(k), w.intervals[k]);
}

void storeGlobals(const WaveResult& w) {
  P = w.P;
  StandardDeviation = w.sd;
  dn = w.dn;
  dw = w.dw;
  ds = w.ds;
  dxx = w.dxx;
  vn = w.vn;
  VarXX = w.VarXX;
  FloatA = w.prior ? 1.0f : 0.0f;
  WavePeriodCount = std::max(0, w.nPeaks - 1);
  if (!FindPeaksNormally) {
    mi = 1e30f;
    ma = -1e30f;
  }
}

// Every mark in one paint: vertical XOR lines, peaks solid, valleys grey.
void drawMarks(int16_t slot, const WaveResult& w) {
  if (!blockWindowReady()) return;
  plat::Port& p = plat::port(kBlockWindow);
  p.resetPen();
  p.setPenMode(plat::PenMode::Xor);
  auto marks = [&](const std::vector<int32_t>& cases, const plat::Pattern& pat) {
    std::vector<plat::Point> segs;
    segs.reserve(cases.size() * 2);
    for (int32_t c : cases) {
      const int x = static_cast<int>((c - BeginBlock[slot]) * BlockXscale);
      segs.push_back({x, 2});
      segs.push_back({x, UpperLimit});
    }
    p.setPenPattern(pat);
    if (!segs.empty()) p.drawSegments(segs.data(), segs.size() / 2);
  };
  marks(w.peakCases, plat::patterns::solid);
  marks(w.valleyCases, plat::patterns::gray50);
  p.resetPen();
  plat::flushWindow(kBlockWindow);
}

// ---- Results window ----------------------------------------------------------------

void showResults(const WaveResult& w) {
  const int r = kResultsWindow;
  OpenResultsWIndow(0, 1, 0, "Waveform Analysis", 0);
  FitResultsWindow(224);
  plat::setCurrentPort(r);
  WriteHEADER(1);
  if (w.nPeaks < 2) {
    AddLabel(r, kWaveNoPeriodLabel, "NO PERIODICITY DETECTED!", {40, 44, 310, 66}, OldStyleColour(6), 16, true);
    plat::port(r).drawIcon(128, {4, 40, 36, 72});
    Zap();
  } else {
    plat::addPopup(r, kWaveUnitPopup, kWaveUnitPopup, FrequencyUnit, {230, 40, 310, 60});
    PrintWavePERIOD(w.P, w.sd, static_cast<int16_t>(std::min(w.nPeaks, 32767)), static_cast<int16_t>(FrequencyUnit));
  }
  if (w.dn > 0.0f) {
    AddLabel(r, 451, std::string("Amplitude (peak to ") + (w.prior ? "prior" : "next") + " valley);   N=" +
                         FieldNumText(w.dn), {4, 103, 316, 123}, kBlack, 12, true);
    const float mean = w.amplitudeMean();
    AddTextField(r, kWaveAmplitudeField, StringFormatter(mean), {4, 124, 146, 142}, plat::FieldKind::Static, kBlack,
                 sunset);
    if (w.dn > 1.0f) {
      AddTextField(r, kWaveAmplitudeSDField, " \xB1" + StringFormatter(w.dxx), {150, 124, 296, 142},
                   plat::FieldKind::Static, kBlack, manila);
      AddTextField(r, kWaveAmplitudeCVField, "C.V. = " + StringFormatter(std::fabs(w.dxx * 100.0f / mean)) + "%",
                   {300, 124, 446, 142}, plat::FieldKind::Static, kBlack, manila);
    }
    AddLabel(r, 452, "   peak mean:", {4, 146, 92, 164}, kBlack, 12);
    AddTextField(r, kWavePeakMeanField, StringFormatter(w.peakMean()), {94, 146, 220, 164}, plat::FieldKind::Static,
                 kBlack, manila);
    AddLabel(r, 453, " valley mean:", {226, 146, 316, 164}, kBlack, 12);
    AddTextField(r, kWaveValleyMeanField, StringFormatter(w.valleyMean()), {318, 146, 446, 164},
                 plat::FieldKind::Static, kBlack, manila);
  } else {
    AddLabel(r, kWaveNoAmplitudeLabel, "NO AMPLITUDES DETECTED!", {40, 110, 310, 132}, OldStyleColour(6), 16, true);
    Zap();
  }
  AddKitButton(r, kWaveResetTriggers, plat::ButtonKind::Push, "Reset Triggers...", {4, 172, 150, 194});
  if (PortForResultsOutput != 0) AddKitButton(r, kWavePrint, plat::ButtonKind::Push, "Print", {4, 198, 80, 218});
  if (FindPeaksNormally && w.nPeaks > 2 && w.dn > 0.0f)
    AddKitButton(r, kWaveShapeButton, plat::ButtonKind::Push, "Wave Shape Data...", {160, 172, 316, 194});
  if (static_cast<float>(w.nPeaks) != w.dn) {
    AddLabel(r, kWaveCautionLabel, "Caution: #amplitudes \xAD #cycles", {40, 83, 316, 103}, OldStyleColour(6), 12,
             true);
    Zap();
  }
}

// ---- Wave-shape windows ----------------------------------------------------------------

size_t rowCount(const WaveResult& w) {
  return std::min(static_cast<size_t>(std::max(0.0f, w.tables.at(2, 0))), kWaveValueLimit);
}

ShapeStats showShapeLine(const WaveResult& w, int which, int y) {
  const auto& sec = w.tables.s[static_cast<size_t>(which)];
  const ShapeStats s = ShapeStatsOf(sec, static_cast<size_t>(std::max(0.0f, w.tables.at(which, 0))));
  const int16_t id = static_cast<int16_t>(kShapeRiseLine + 2 * (which - 1));
  AddLabel(kSecondaryWindow, id,
           std::string(which == 1 ? "rise time  " : "decay time ") + RealText(s.mean, 5) + " \xB1" +
               RealText(s.sd, 5) + " sec",
           {24, y, 310, y + 16}, kBlack, 12, true);
  AddLabel(kSecondaryWindow, static_cast<int16_t>(id + 1),
           "N =" + IntText(static_cast<int64_t>(s.n)) + "      range" + RealText(s.minimum, 5) + " to" +
               RealText(s.maximum, 5),
           {24, y + 16, 310, y + 32}, kBlack, 12);
  meanValue = s.mean;
  StandardDeviation = static_cast<float>(s.sd);
  mi = s.minimum;
  ma = s.maximum;
  return s;
}

void drawShapeHistograms(const WaveResult& w, double lo, double hi, const ShapeStats& r, const ShapeStats& d) {
  plat::Port& p = plat::port(kSecondaryWindow);
  p.resetPen();
  p.setForeColor(plat::background(kSecondaryWindow));
  p.fillRect({0, kShapeHistogram.top - 4, 316, kShapeHistogram.bottom + 12});
  const int base = kShapeHistogram.bottom;
  for (int which = 1; which <= 2; ++which) {
    const auto bars = ShapeHistogram(w.tables.s[static_cast<size_t>(which)],
                                     static_cast<size_t>(std::max(0.0f, w.tables.at(which, 0))), lo, hi);
    const int32_t top = *std::max_element(bars.begin() + 1, bars.end());
    if (top <= 0) continue;
    for (int b = 1; b <= kShapeBars; ++b) {
      if (bars[static_cast<size_t>(b)] == 0) continue;
      const int x = (which == 1 ? 7 : 11) + 8 * (b - 1);
      const int h = std::max(1, bars[static_cast<size_t>(b)] * 49 / top);
      const plat::Rect rect{x, base - h, x + 4, base};
      p.setForeColor(which == 1 ? lightBlue : OldStyleColour(6));
      p.fillRect(rect);
      p.setForeColor(which == 1 ? OldStyleColour(4) : kBlack);
      p.strokeRect(rect);
    }
  }
  p.setForeColor(kBlack);
  p.moveTo(4, base);
  p.lineTo(310, base);
  if (hi > lo) {
    for (const ShapeStats* s : {&r, &d}) {
      const double at = 300.0 * (s->mean - lo) / (hi - lo);
      if (!(at >= 0.0 && at <= 300.0)) continue;   // no mean (no entry) has no marker
      const int x = 11 + static_cast<int>(at);
      p.setForeColor(s == &r ? OldStyleColour(4) : OldStyleColour(6));
      p.fillRect({x - 2, base + 3, x + 2, base + 9});
    }
  }
  p.resetPen();
  plat::flushWindow(kSecondaryWindow);
}

void buildShapeWindow(const WaveResult& w) {
  OPENWINDOW6(1, 1, "Wave Shape Statistics", 250);
  const int win = kSecondaryWindow;
  AddLabel(win, 446, "Rise and decay times (mean \xB1 S.D.) ", {8, 4, 310, 22}, kBlack, 14, true);
  plat::Port& p = plat::port(win);
  p.setForeColor(lightBlue);
  p.fillRect({8, 30, 18, 40});
  p.setForeColor(OldStyleColour(6));
  p.fillRect({8, 66, 18, 76});
  p.resetPen();
  const ShapeStats r = showShapeLine(w, 1, 26);
  const ShapeStats d = showShapeLine(w, 2, 62);
  AddLabel(win, kShapeRatioLabel, "rise/decay = " + RealText(r.mean / d.mean, 5), {24, 98, 160, 116}, kBlack, 12);
  const double z = WaveZ(r.mean, r.sd, w.tables.at(1, 0), d.mean, d.sd, w.tables.at(2, 0));
  const float prob = WaveZProbability(z);
  AddLabel(win, kShapeProbLabel, WaveProbabilityText(prob), {160, 98, 310, 116},
           prob < 0.05f ? OldStyleColour(6) : OldStyleColour(2), 12, true);
  drawShapeHistograms(w, std::min(r.minimum, d.minimum), std::max(r.maximum, d.maximum), r, d);
  if (rowCount(w) >= 10)
    AddKitButton(win, kShapeHistogramsButton, plat::ButtonKind::Push, "Peak and Interval Histograms...",
                 {40, 222, 280, 244});
}

struct HistogramView {
  int dataItem = 2;   // pop-up 60
  int barsItem = 5;   // pop-up 61
  bool sqrtScale = false;
};

int sectionOfItem(int item) { return item == 1 ? 0 : item == 3 ? 3 : 4; }

size_t startEntry(const WaveResult& w, int section) {
  return section != 0 && w.tables.at(3, 1) == 0.0f ? 2 : 1;
}

void fillRange(const WaveResult& w, const HistogramView& v) {
  const int s = sectionOfItem(v.dataItem);
  const WaveRange r = WaveScanRange(w.tables.s[static_cast<size_t>(s)], s, rowCount(w));
  SetFieldIfPresent(kWaveHistogramWindow, kWaveLowField, FieldNumText(r.from));
  SetFieldIfPresent(kWaveHistogramWindow, kWaveHighField, FieldNumText(r.to));
}

struct Drawn {
  std::vector<int32_t> counts;
  int32_t largest = 0;
};

Drawn countBars(const WaveResult& w, const HistogramView& v) {
  const int s = sectionOfItem(v.dataItem);
  const double low = FieldValue(kWaveHistogramWindow, kWaveLowField);
  const double high = FieldValue(kWaveHistogramWindow, kWaveHighField);
  Drawn d;
  d.counts = WaveHistogram(w.tables.s[static_cast<size_t>(s)], startEntry(w, s), rowCount(w), low, high,
                           WaveBarsOfItem(v.barsItem));
  for (size_t b = 1; b < d.counts.size(); ++b) d.largest = std::max(d.largest, d.counts[b]);
  return d;
}

void drawBars(plat::Port& p, const Drawn& d, const HistogramView& v, plat::Rect area) {
  const int bars = static_cast<int>(d.counts.size()) - 1;
  p.resetPen();
  p.setForeColor(kBlack);
  p.moveTo(area.left, area.top);
  p.lineTo(area.left, area.bottom);
  p.lineTo(area.right, area.bottom);
  if (bars <= 0 || d.largest <= 0) return;
  const double top = v.sqrtScale ? SqrtScaleTop(d.largest) : d.largest;
  const int width = static_cast<int>(std::lround(static_cast<double>(area.width()) / bars + 0.499 - 0.5));
  for (int b = 1; b <= bars; ++b) {
    const int32_t n = d.counts[static_cast<size_t>(b)];
    if (n == 0) continue;
    const double f = (v.sqrtScale ? std::sqrt(static_cast<double>(n)) : n) / top;
    const int h = std::max(1, static_cast<int>(f * area.height()));
    const int x = area.left + (b - 1) * width;
    const plat::Rect r{x, area.bottom - h, x + width, area.bottom};
    p.setForeColor(OldStyleColour(3));
    p.fillRect(r);
    p.setForeColor(kBlack);
    p.strokeRect(r);
  }
  p.setForeColor(kBlack);
  p.moveTo(area.left - 30, area.bottom);
  p.drawText("0");
  p.moveTo(area.left - 40, area.top + 10);
  p.drawText(IntText(v.sqrtScale ? SqrtScaleTop(d.largest) : d.largest));
  p.moveTo(area.left - 56, area.top + 40);
  p.drawText(v.sqrtScale ? "count (\xC3 Y) " : "count");
}

void drawWaveHistogram(const WaveResult& w, const HistogramView& v) {
  const int win = kWaveHistogramWindow;
  const double low = FieldValue(win, kWaveLowField), high = FieldValue(win, kWaveHighField);
  const int bars = WaveBarsOfItem(v.barsItem);
  if (bars > 0) SetFieldIfPresent(win, kWaveBarWidthField, FieldNumText((high - low) / bars));
  plat::Port& p = plat::port(win);
  p.resetPen();
  p.setForeColor(plat::background(win));
  p.fillRect({0, kWaveHistogram.top - 10, 520, kWaveHistogram.bottom + 4});
  drawBars(p, countBars(w, v), v, kWaveHistogram);
  p.resetPen();
  plat::flushWindow(win);
}

void buildHistogramWindow(const WaveResult& w, const HistogramView& v) {
  plat::disposeWindow(kWaveHistogramWindow);
  BuildWINDOW(1, kWaveHistogramWindow, " Waveform Histograms ", 60, 120, 580, 460, kKindDocument, 1);
  const int win = kWaveHistogramWindow;
  plat::addPopup(win, kWaveDataPopup, kWaveDataPopup, v.dataItem, {10, 8, 220, 28});
  AddLabel(win, 460, "from", {230, 10, 262, 26}, kBlack, 12);
  AddTextField(win, kWaveLowField, "", {264, 8, 340, 26}, plat::FieldKind::Editable, kBlack, lightBlue);
  AddLabel(win, 461, "to", {344, 10, 362, 26}, kBlack, 12);
  AddTextField(win, kWaveHighField, "", {364, 8, 440, 26}, plat::FieldKind::Editable, kBlack, lightBlue);
  AddLabel(win, 462, "# bars:", {10, 34, 60, 50}, kBlack, 12);
  plat::addPopup(win, kWaveBarsPopup, kWaveBarsPopup, v.barsItem, {62, 32, 130, 52});
  AddLabel(win, 463, "bar width:", {140, 34, 210, 50}, kBlack, 12);
  AddTextField(win, kWaveBarWidthField, "", {212, 32, 300, 50}, plat::FieldKind::Static, kBlack, manila);
  AddLabel(win, 464, "# peaks", {310, 34, 370, 50}, kBlack, 12);
  AddTextField(win, kWavePeaksField, IntText(static_cast<int64_t>(rowCount(w))), {372, 32, 440, 50},
               plat::FieldKind::Static, kBlack, manila);
  AddKitButton(win, kWavePrintGraph, plat::ButtonKind::Push, "Print Graph...", {10, 300, 120, 322});
  AddKitButton(win, kWaveSaveData, plat::ButtonKind::Push, "Save Data...", {126, 300, 236, 322});
  AddKitButton(win, kWaveSqrtScale, plat::ButtonKind::CheckBox, "\xC3 Y Scale", {246, 302, 340, 318},
               v.sqrtScale ? 2 : 1);
  AddKitButton(win, kWaveDone, plat::ButtonKind::DefaultPush, "Done", {400, 300, 470, 322});
  AddKitButton(win, kWaveHistHelp, plat::ButtonKind::SmallBevel, "?", {480, 300, 506, 322});
  fillRange(w, v);
  drawWaveHistogram(w, v);
}

void saveWaveData(const WaveResult& w) {
  const auto path = plat::askSaveFile("Save waveform data as...", "", kWaveFileKind);
  if (!path) return;
  const std::string text = WaveDataText(w.tables, rowCount(w));
  SafeFileWriter f;
  if (!(f.open(*path) && f.write(text.data(), text.size()) && f.commit())) {
    HandleFileError(*path, f.error() != 0 ? f.error() : EIO);
    return;
  }
  plat::tagFile(*path, kWaveFileKind);
}

void printLine(plat::Port& p, int x, int y, const std::string& text) {
  p.moveTo(x, y);
  p.drawText(text);
}

void printGraph(const WaveResult& w, const HistogramView& v) {
  if (!plat::print::pageSetup() || !plat::print::printDialog()) return;
  const auto slot = static_cast<int16_t>(TheFileInUse);
  const int16_t keepColour = prefsArray[kPrefColourDisplay];
  prefsArray[kPrefColourDisplay] = 0;
  {
    plat::print::Job job("Waveform histogram");
    plat::Port& p = job.port();
    p.setTextSize(10);
    const double low = FieldValue(kWaveHistogramWindow, kWaveLowField);
    const double high = FieldValue(kWaveHistogramWindow, kWaveHighField);
    const int bars = std::max(1, WaveBarsOfItem(v.barsItem));
    const double interval = FileInfoFLOATS[slot][kInfoInterval];
    std::string label = RetrieveLabel(static_cast<int16_t>(chanB));
    label.erase(label.find_last_not_of(' ') + 1);
    printLine(p, 20, 20, "Source file: " + FileName[slot] + ",  channel" + IntText(chanB) + ": " + label);
    printLine(p, 20, 34,
              "# wave cycles:" + IntText(static_cast<int64_t>(rowCount(w))) + "     bar width:" +
                  RealText((high - low) / bars, 5) + "     sample duration:" +
                  WaveDurationText(interval * (EndBlock[slot] - BeginBlock[slot])));
    printLine(p, 20, 48, kDataNames[std::clamp(v.dataItem, 1, 3) - 1]);
    printLine(p, 20, 62, WaveSourceDataText(BeginBlock[slot], EndBlock[slot], interval));
    // The block's trace, 480 by 250.
    const std::span<const float> y = channelOf(slot, static_cast<int16_t>(chanB));
    const plat::Rect trace{20, 80, 500, 330};
    p.strokeRect(trace);
    const int32_t b = BeginBlock[slot], e = EndBlock[slot];
    if (!y.empty() && e > b && BlockMaxY > BlockMinY) {
      auto at = [&](int32_t k) {
        const int x = trace.left + static_cast<int>(static_cast<double>(k - b) * trace.width() / (e - b));
        const double f = (static_cast<double>(y[static_cast<size_t>(k)]) - BlockMinY) / (BlockMaxY - BlockMinY);
        const double yy = trace.bottom - std::clamp(std::isfinite(f) ? f : 0.0, 0.0, 1.0) * trace.height();
        return plat::Point{x, static_cast<int>(yy)};
      };
      const int32_t step = std::max<int32_t>(1, (e - b) / 2000);
      plat::Point last = at(b);
      for (int32_t k = b + step; k <= e; k += step) {
        const plat::Point q = at(k);
        p.moveTo(last.x, last.y);
        p.lineTo(q.x, q.y);
        last = q;
      }
    }
    printLine(p, 80, 360, "from" + RealText(low, 5) + "  to" + RealText(high, 5));
    drawBars(p, countBars(w, v), v, {80, 380, 500, 560});
    job.finish();
  }
  prefsArray[kPrefColourDisplay] = keepColour;
}

// 1: finished (Done, a key or another window); 0: back to the first window.
int16_t histogramWindow(const WaveResult& w) {
  HistogramView v;
  buildHistogramWindow(w, v);
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kWaveHistogramWindow)) return 0;
    if (a == kActionClose && id == kWaveHistogramWindow) {
      bup();
      plat::disposeWindow(kWaveHistogramWindow);
      if (blockWindowReady()) DRAWBLOCK();
      return 0;
    }
    if ((a == kActionActivate && id != kWaveHistogramWindow) || (a == kActionKey && plat::focusedField(kWaveHistogramWindow) == 0) ||
        (a == kActionClick && id == kWaveDone)) {
      plat::disposeWindow(kWaveHistogramWindow);
      if (blockWindowReady()) DRAWBLOCK();
      return 1;
    }
    if (a == kActionKey) {
      drawWaveHistogram(w, v);
      continue;
    }
    if (a != kActionClick) continue;
    switch (id) {
      case kWaveDataPopup:
        v.dataItem = std::clamp(plat::popupValue(kWaveHistogramWindow, kWaveDataPopup), 1, 3);
        fillRange(w, v);
        break;
      case kWaveBarsPopup: {
        const int item = plat::popupValue(kWaveHistogramWindow, kWaveBarsPopup);
        if (WaveBarsOfItem(item) > 0) v.barsItem = item;
        break;
      }
      case kWaveSqrtScale:
        v.sqrtScale = !v.sqrtScale;
        plat::setButtonState(kWaveHistogramWindow, kWaveSqrtScale, v.sqrtScale ? 2 : 1);
        break;
      case kWaveSaveData: saveWaveData(w); break;
      case kWavePrintGraph: printGraph(w, v); break;
      case kWaveHistHelp: plat::openHelp(kWaveHelpSubject); break;
      default: break;
    }
    if (plat::windowExists(kWaveHistogramWindow)) drawWaveHistogram(w, v);
  }
}

}  // namespace

const WaveResult& LastWaveResult() { return lastWave(); }

void PrintWavePERIOD(float period, float sd, int16_t n, int16_t unit) {
  const int r = kResultsWindow;
  if (!plat::windowExists(r)) return;
  plat::Port& p = plat::port(r);
  p.setForeColor(LightGray);
  p.fillRect({0, 62, 450, 84});
  p.resetPen();
  AddLabel(r, 450, "(peak to peak);  N=" + IntText(n - 1), {4, 40, 226, 62}, kBlack, 12, true);
  const PeriodShown shown = ShowPeriodIn(period, unit);
  AddTextField(r, kWavePeriodField, StringFormatter(static_cast<float>(shown.value)) + shown.suffix,
               {4, 64, 146, 82}, plat::FieldKind::Static, kBlack, sunset, 12, true);
  AddTextField(r, kWavePeriodSDField,
               " \xB1" + StringFormatter(static_cast<float>(shown.value * (sd / period))) + shown.suffix,
               {150, 64, 296, 82}, plat::FieldKind::Static, kBlack, manila);
  AddTextField(r, kWavePeriodCVField, "C.V. = " + StringFormatter(std::fabs(100.0f * sd / period)) + "%",
               {300, 64, 446, 82}, plat::FieldKind::Static, kBlack, manila);
}

int16_t WaveShapeStats() {
  const WaveResult& w = lastWave();
  buildShapeWindow(w);
  int16_t finished = 0;
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kSecondaryWindow)) {
      finished = 1;
      break;
    }
    if (a == kActionClose && id == kSecondaryWindow) {
      finished = 1;
      break;
    }
    const bool acts = a == kActionClick || a == kActionKey || (a == kActionActivate && id != kSecondaryWindow);
    if (!acts || rowCount(w) < 10) continue;
    if (histogramWindow(w) == 1) {
      finished = 1;
      break;
    }
    buildShapeWindow(w);
  }
  plat::disposeWindow(kSecondaryWindow);
  action = 0;
  plat::flushInput();
  return finished;
}

void WAVEFORM() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!SlotHasBlock(slot)) return;
  HelpSubject = kWaveHelpSubject;
  RecordScriptOperation(kOpWaveform);
  WFabort = 0.0f;
  Analysis_Code = kWaveRunningCode;
  ch = ActiveChannel;
  if (chanB != static_cast<uint16_t>(ActiveChannel)) {
    chanB = static_cast<uint16_t>(ActiveChannel);
    if (blockWindowReady()) DRAWBLOCK();
  }
  blockExtremes(slot);

  DialogScope analysisLoop(InstallAnalysisHandlers);
  for (;;) {
    const TriggerChoice choice = triggerDialog(slot);
    if (choice == TriggerChoice::Cancel || choice == TriggerChoice::Deferred) {
      if (choice == TriggerChoice::Cancel) WFabort = 2.0f;
      plat::disposeWindow(kSecondaryWindow);
      plat::disposeWindow(kResultsWindow);
      break;
    }
    float peakTrigger = BlockMinY, valleyTrigger = BlockMaxY;
    if (choice == TriggerChoice::Cursor) cursorTriggers(&peakTrigger, &valleyTrigger);
    const float skipValue = FieldValue(kSecondaryWindow, kWaveSkipField);
    plat::disposeWindow(kSecondaryWindow);
    EndBeep();
    WaveRequest req;
    req.first = BeginBlock[slot];
    req.last = EndBlock[slot];
    req.dt = FileInfoFLOATS[slot][kInfoInterval];
    req.peakTrigger = peakTrigger;
    req.valleyTrigger = valleyTrigger;
    req.skip = skipValue > 0.0f && skipValue < 2e9f ? static_cast<int32_t>(skipValue) : 0;
    req.normal = FindPeaksNormally != 0;
    lastWave() = FindWaves(channelOf(slot, ActiveChannel), req);
    const WaveResult& w = lastWave();
    keepTables(slot, w);
    storeGlobals(w);
    drawMarks(slot, w);
    showResults(w);

    bool reset = false;
    for (;;) {
      const auto [a, id] = TakeEvent();
      if (!plat::windowExists(kResultsWindow)) break;
      if (a == kActionClose && id == kResultsWindow) {
        plat::disposeWindow(kResultsWindow);
        break;
      }
      if (a == kActionClick && IsDeferredToolbarClick(id)) {
        DeferToolbarClick(id);
        break;
      }
      if (MENU_or_ToolBar_PICKED) break;
      if (a == kActionActivate && id == PlotWindowId(slot)) break;
      // The store key does what Print does; any other key asks for the shape.
      if (a == kActionKey && IsStoreResultKey(id)) {
        DRAFTPRINT("p");
        continue;
      }
      const bool shapeOffered = plat::controlExists(kResultsWindow, kWaveShapeButton);
      if ((a == kActionKey && !RunScript && shapeOffered) || (a == kActionClick && id == kWaveShapeButton)) {
        if (WaveShapeStats() == 1) break;
        continue;
      }
      if (a != kActionClick) continue;
      if (id == kWavePrint) {
        DRAFTPRINT("p");
        continue;
      }
      if (id == kWaveResetTriggers) {
        if (blockWindowReady()) DRAWBLOCK();
        reset = true;
        break;
      }
      if (id == kWaveUnitPopup) {
        const int item = plat::popupValue(kResultsWindow, kWaveUnitPopup);
        if (item >= 1 && item <= 8) {
          FrequencyUnit = static_cast<uint16_t>(item);
          PrintWavePERIOD(w.P, w.sd, static_cast<int16_t>(std::min(w.nPeaks, 32767)),
                          static_cast<int16_t>(FrequencyUnit));
        }
        menuidx = menuitemx = 0;
      }
    }
    if (!reset) break;
  }
  // Also after the shape statistics: the trigger lines go with the command.
  if (SlotHasBlock(slot) && blockWindowReady()) DRAWBLOCK();
  bup();
  if (plat::windowExists(PlotWindowId(slot))) plat::setCurrentPort(PlotWindowId(slot));
  Analysis_Code = kWaveAnalysisCode;
  eventID = 0;
  RunPendingToolbarCommand();
}
