#include "analyses/ui/statspanel.h"

#include <algorithm>
#include <string>

#include "analyses/statspanel.h"
#include "output/results.h"
#include "output/ui/analysiskit.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"

namespace {

struct FieldStyle {
  int size = 12;
  bool bold = false;
  int16_t fore = 1;   // EF colour codes
  int16_t back = 6;
};

int currentWindow() { return plat::currentPortWindow(); }

bool panelBuilt() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  return ValidFileSlot(slot) && !gPointersToFileData[slot][0].empty() &&
         GetDatum(slot, 0, 0) == kPanelBuiltMark;
}

void setBuiltMark() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (ValidFileSlot(slot) && !gPointersToFileData[slot][0].empty()) PutDatum(slot, 0, 0, kPanelBuiltMark);
}

// Built anew unless the panel's fields exist; then only text and colours.
void putField(int16_t id, const std::string& text, plat::Rect r, const FieldStyle& s, bool rebuild) {
  const int win = currentWindow();
  if (!win) return;
  if (!rebuild && plat::controlExists(win, id)) {
    plat::setFieldText(win, id, text);
    plat::setFieldColors(win, id, EFForeRgb(s.fore), EFBackRgb(s.back));
    return;
  }
  plat::FieldSpec f;
  f.id = id;
  f.text = text;
  // The platform's faces stand taller than the fonts these rectangles were
  // laid out for: room below keeps the digits whole.
  f.r = {r.left, r.top, r.right, std::max(r.bottom, r.top + s.size + 6)};
  f.kind = plat::FieldKind::Static;
  f.framed = true;
  f.wrap = true;
  f.font = OrrelinFace(s.size, s.bold);
  f.fore = EFForeRgb(s.fore);
  f.back = EFBackRgb(s.back);
  plat::addField(win, f);
}

void label(const std::string& text, int x, int y, int size, plat::Rgb16 colour = kBlack) {
  plat::Port& p = plat::currentPort();
  p.setPenMode(plat::PenMode::Copy);
  // Our faces run wider than the ones the positions were set for; a size
  // smaller keeps each label clear of its field.
  p.setFont(OrrelinFace(size >= 14 ? size - 2 : size));
  p.setForeColor(colour);
  p.moveTo(x, y);
  p.drawText(text);
}

void clearBand(plat::Rect r) {
  const int win = currentWindow();
  if (!win) return;
  plat::Port& p = plat::currentPort();
  p.setPenMode(plat::PenMode::Copy);
  p.setForeColor(plat::background(win));
  p.fillRect(r);
}

void removeFields(std::initializer_list<int16_t> ids) {
  const int win = currentWindow();
  for (int16_t id : ids) plat::removeControl(win, id);
}

void drawClock(const PanelTexts& t) {
  if (!t.clockShown) return;
  clearBand({0, 31, 64, 140});
  clearBand({0, 32, 320, 45});
  // Rows from 6 down would run into the mean: the clock keeps its band.
  label(t.clock, 1, std::min(row * 12 - 17, 43), 14, OldStyleColour(2));
}

void drawElapsed(const ElapsedTexts& e, bool rebuild) {
  minutes = e.minutes;
  label(kNLabel, 8, 130, 14, OldStyleColour(7));
  putField(kPanelNField, e.n, {65, 119, 140, 131}, {11, false, 1, 6}, rebuild);
  label(kDurationLabel, 147, 130, 13);
  putField(kPanelDurationField, e.duration, {203, 119, 309, 131}, {11, false, 1, 6}, rebuild);
}

void drawIntegration(const IntegrationTexts& t) {
  const int win = currentWindow();
  if (t.labelShown) label(kIntegratedTotalLabel, 8, 218, 14);
  nPoints = t.n;
  for (const UnitButton& u : kUnitButtons) SetKitButton(u.id, false);
  SetKitButton(t.markedUnit, true);
  putField(kPanelTotalField, t.total, {120, 207, 310, 220}, {12, false, 1, 6}, false);
  if (win) plat::clearFieldFocus(win);
}

}  // namespace

int16_t BasicSTATS(uint16_t mode) {
  if (!currentWindow()) return 0;
  plat::setCursor(plat::CursorKind::Arrow);
  const PanelInput in = CurrentPanelInput();
  const PanelTexts t = StatsPanelTexts(in, mode);
  plat::Port& p = plat::currentPort();
  p.resetPen();

  if (mode != kPanelCompact) {
    EraseDiskIcon();
    const bool rebuild = !panelBuilt();
    drawClock(t);
    label(kMeanLabel, 1, 62, 15);
    putField(kPanelMeanField, t.mean, {65, 50, 260, 65}, {14, true, 2, 5}, rebuild);
    if (t.spreadShown) {
      const plat::Rgb16 blue = OldStyleColour(4);
      label(kSDLabel, 1, 86, 15, blue);
      label(kCVLabel, 163, 86, 15, blue);
      label(kSELabel, 1, 107, 15, blue);
      const FieldStyle s{12, false, 3, 7};
      putField(kPanelSDField, t.sd, {65, 75, 160, 89}, s, rebuild);
      putField(kPanelCVField, t.cv, {206, 75, 318, 89}, s, rebuild);
      putField(kPanelSEField, t.se, {65, 96, 160, 109}, s, rebuild);
    } else {
      // Rows of an earlier result with more cases must not stay behind.
      removeFields({kPanelSDField, kPanelCVField, kPanelSEField});
      clearBand({0, 70, 320, 112});
    }
    if (t.elapsedShown) drawElapsed(t.elapsed, rebuild);
    label(kRangeLabel, 14, 151, 14);
    putField(kPanelRangeField, t.range, {65, 141, 309, 154}, {12, false, 1, 6}, rebuild);
    if (t.rateUnitShown) label(kRateUnitLabel, 5, 195, 14);
    if (t.totalShown) drawIntegration(t.integration);
    setBuiltMark();
  } else {
    drawClock(t);
    clearBand({1, 48, 62, 135});
    label(kMeanLabel, 1, 85, 15);
    putField(kPanelMeanField, t.mean, {65, 73, 260, 88}, {14, true, 2, 5}, false);
    if (t.spreadShown) {
      clearBand({162, 83, 206, 99});
      const plat::Rgb16 blue = OldStyleColour(4);
      label(kSDLabel, 1, 108, 15, blue);
      label(kCVLabel, 163, 108, 15, blue);
      label(kSELabel, 1, 131, 15, blue);
      const FieldStyle s{12, false, 3, 7};
      putField(kPanelSDField, t.sd, {65, 98, 160, 112}, s, false);
      putField(kPanelCVField, t.cv, {206, 98, 318, 112}, s, false);
      putField(kPanelSEField, t.se, {65, 120, 160, 134}, s, false);
    } else {
      // A pick list that fell back to two values keeps no spread of the earlier picks.
      removeFields({kPanelSDField, kPanelCVField, kPanelSEField});
      clearBand({0, 92, 320, 137});
    }
    if (t.elapsedShown) drawElapsed(t.elapsed, false);
    label(kRangeLabel, 23, 163, 14);
    putField(kPanelRangeField, t.range, {65, 152, 305, 168}, {11, false, 1, 6}, true);
    if (t.rateUnitShown) {
      clearBand({4, 141, 310, 175});
      label(kRateUnitLabel, 5, 174, 14);
    }
  }
  p.resetPen();
  p.flush();
  return 0;
}

void ELTime() {
  if (!currentWindow()) return;
  const PanelInput in = CurrentPanelInput();
  drawElapsed(ElapsedTimeTexts(in.n, in.interval, in.integrationUnit), !panelBuilt());
}

void DoINTEGRATION(uint16_t useScanWindow) {
  if (!currentWindow()) return;
  drawIntegration(IntegrationPanelTexts(CurrentPanelInput(), useScanWindow != 0));
  plat::currentPort().flush();
}

void TIMESTATS() {
  if (!currentWindow()) return;
  ++row;
  const TimeStatsTexts t = TimeStatsPanelTexts(tmFloat, ts, nrPoints, tmi, tma, SignificantFigures);
  // The labels and lines paint no background of their own: the last ones go
  // first, or the new digits land on the old.
  clearBand({0, 52, 320, 212});
  putField(kTimeStatsMeanField, t.mean, {65, 56, 260, 72}, {14, true, 2, 5}, false);
  // From x 1, as on the statistics panel: from 8 the labels ran under their fields.
  label(kMeanLabel, 1, 69, 15);
  label(" sec", 266, 69, 15);
  if (t.spreadShown) {
    label("    S.D. = ", 1, 95, 15);
    // Placed as on the statistics panel: the label's "=" clear of its field.
    label(kCVLabel, 163, 95, 15);
    label(kSELabel, 1, 118, 15);
    const FieldStyle s{12, false, 3, 7};
    putField(kTimeStatsSDField, t.sd, {65, 83, 160, 97}, s, false);
    putField(kTimeStatsCVField, t.cv, {206, 83, 310, 97}, s, false);
    putField(kTimeStatsSEField, t.se, {65, 106, 160, 120}, s, false);
  } else {
    removeFields({kTimeStatsSDField, kTimeStatsCVField, kTimeStatsSEField});
  }
  label(t.rangeLine, 8, 185, 16, OldStyleColour(2));
  label(t.integratedLine, 8, 205, 16, OldStyleColour(2));
  plat::currentPort().flush();
}
