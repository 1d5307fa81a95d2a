#include "analyses/ui/compaction.h"

#include <string>

#include "analyses/compaction.h"
#include "datafiles/save.h"
#include "datafiles/ui/save_dialog.h"
#include "output/results.h"
#include "output/ui/analysiskit.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/menus.h"
#include "platform/port.h"
#include "platform/windows.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/help.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

namespace {

constexpr int W = kResultsWindow;

void bevel(int16_t id, const std::string& title, plat::Rect r, int state = 1) {
  AddKitButton(W, id, plat::ButtonKind::SmallBevel, title, r, state);
}

void push(int16_t id, const char* title, plat::Rect r, bool isDefault, int state = 1) {
  AddKitButton(W, id, isDefault ? plat::ButtonKind::DefaultPush : plat::ButtonKind::Push, title, r, state);
}

void checkBox(int16_t id, const char* title, plat::Rect r, bool on) {
  AddKitButton(W, id, plat::ButtonKind::CheckBox, title, r, on ? 2 : 1);
}

void staticField(int16_t id, plat::Rect r, int size) {
  plat::FieldSpec f;
  f.id = id;
  f.r = r;
  f.kind = plat::FieldKind::Static;
  f.font.pixelSize = size;
  f.back = manila;
  plat::addField(W, f);
}

void text(const char* s, int x, int y, int size) {
  plat::Port& p = plat::port(W);
  plat::FontSpec f;
  f.pixelSize = size;
  p.setFont(f);
  p.moveTo(x, y);
  p.drawText(s);
}

void heading(const char* title, int y) {
  plat::setCurrentPort(W);
  EmbossPrint(0, title, 26, 12, 26);
  DoubleLINE(0, 330, static_cast<int16_t>(y));
}

// Compacts and shows the compacted view; the plot comes forward and window 4
// is current again afterwards.
void compactAndShow(int16_t f, int32_t n) {
  const int32_t fitted = FitGroupSize(nCases[f], n);
  if (fitted != n)
    ShowAlert("Too many groups for the compaction table: each group now holds " + NumText(fitted) +
               " samples.");
  parse[0] = fitted;
  doPARSE(1);
  plat::selectWindow(PlotWindowId(f));
  plat::setCurrentPort(PlotWindowId(f));
  FindMinMax();
  DrawPlot(0, 0, 1);
  if (plat::windowExists(W)) plat::selectWindow(W);
  plat::setButtonState(W, kParseSave, 1);
}

void normalPlot(int16_t f) {
  parse[0] = 0;
  plat::setCurrentPort(PlotWindowId(f));
  FindMinMax();
  DrawPlot(0, 0, 1);
  if (plat::windowExists(W)) plat::selectWindow(W);
}

// The toggles and buttons both windows share; true when the click was one.
bool sharedClick(int16_t f, int16_t id) {
  switch (id) {
    case kParseShowSD:
      prefsArray[kPrefSdBars] = prefsArray[kPrefSdBars] != 0 ? 0 : 1;
      plat::setButtonState(W, kParseShowSD, prefsArray[kPrefSdBars] != 0 ? 2 : 1);
      return true;
    case kParseShowDots:
      ShowDot = ShowDot != 0 ? 0 : 1;
      plat::setButtonState(W, kParseShowDots, ShowDot != 0 ? 2 : 1);
      return true;
    case kParseNormal: normalPlot(f); return true;
    case kParseSave:
      if (plat::buttonState(W, kParseSave) > 0) SAVEDATAFILE(0, 0, 1);
      return true;
    default: return false;
  }
}

void leave(int16_t f) {
  plat::disposeWindow(W);
  bup();
  if (plat::windowExists(PlotWindowId(f))) {
    plat::selectWindow(PlotWindowId(f));
    if (StackedViewShown(f) && gPlotHooks.drawAllChannels) gPlotHooks.drawAllChannels(0);
  }
  ClearMailbox();
}

bool frontFile(int16_t* f) {
  *f = static_cast<int16_t>(TheFileInUse);
  return ValidFileSlot(*f) && SlotHoldsFile(*f) && plat::windowExists(PlotWindowId(*f));
}

void showFactor(int16_t f, int32_t factor) {
  plat::setFieldText(W, kParseFactorField, NumText(factor));
  plat::setFieldText(W, kParseSecondField,
                     NumText(static_cast<float>(factor) * FileInfoFLOATS[f][kInfoInterval]));
  plat::setButtonState(W, kParseMinus10, factor > 10 ? 1 : 0);
  plat::setButtonState(W, kParseMinus1, factor > 1 ? 1 : 0);
  const bool capped = factor == 100 || (factor == 50 && nCases[f] <= 999);
  plat::setButtonState(W, kParsePlus1, capped ? 0 : 1);
}

}  // namespace

void doPARSE(int32_t start) {
  const auto f = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(f) || !SlotHoldsFile(f) || start != 1) return;
  const bool bar = nChannels[f] > 1 && plat::windowExists(W);
  if (bar) {
    MinimumProgressBarValue = 1;
    buildProgressBAR(15, 185, 295, 194, nChannels[f], W);
  }
  plat::setCursor(plat::CursorKind::Watch);
  CompactSlot(f, parse[0], [bar](int16_t done) {
    if (bar) UpdateProgressBar(done);
  });
  plat::setCursor(plat::CursorKind::Arrow);
  if (bar) plat::removeControl(W, kProgressControl);
  skid();
}

void PARSEbySAMPLES() {
  int16_t f;
  if (!frontFile(&f)) return;
  HelpSubject = kCompactionHelp;
  OpenResultsWIndow(0, 1, 0, "Compact and Average", 0);
  ch = ActiveChannel;
  int32_t factor = parse[0] > 0 ? parse[0] : 10;
  heading("Multi-sample averaging", 38);
  text("Samples to average:", 16, 59, 14);
  const int32_t n = nCases[f];
  const char* first[] = {"5", "10", "20", "30"};
  for (int i = 0; i < 4; ++i) {
    const int x = 155 + i * 38;
    const int state = (i == 0 && n >= 250000) || (i == 1 && n >= 500000) ? 0 : 1;
    bevel(static_cast<int16_t>(i + 1), first[i], {x, 45, x + 36, 65}, state);
  }
  struct B { int16_t id; const char* title; bool shown; };
  const B second[] = {{5, "40", true},     {6, "50", true},      {7, "100", n > 2999}, {8, "200", n > 7999},
                      {kParsePlus1, "+1", true}, {kParseMinus1, "-1", true}, {kParsePlus10, "+10", true},
                      {kParseMinus10, "-10", true}};
  int x = 13;
  for (const B& b : second) {
    if (b.shown) bevel(b.id, b.title, {x, 70, x + 36, 90});
    x += 38;
  }
  text("Compaction factor:", 24, 111, 12);
  staticField(kParseFactorField, {162, 99, 275, 119}, 16);
  text("Block duration:", 50, 137, 12);
  staticField(kParseSecondField, {162, 123, 275, 143}, 14);
  text("sec", 282, 137, 12);
  checkBox(kParseShowSD, "show S.D.", {20, 149, 128, 167}, prefsArray[kPrefSdBars] != 0);
  checkBox(kParseShowDots, "Highlight Data Means", {130, 149, 300, 167}, ShowDot != 0);
  push(kParseDo, "Do Compaction", {30, 201, 200, 222}, false);
  push(kParseNormal, "Normal Plot", {210, 201, 305, 222}, true);
  push(kParseSave, "Save Compacted Data", {30, 240, 200, 260}, false, 0);
  push(kParseDone, "Done", {225, 240, 290, 260}, false);
  FitResultsWindow(270);
  showFactor(f, factor);

  DialogScope analysisLoop(InstallAnalysisHandlers);
  static constexpr int32_t kPresets[] = {5, 10, 20, 30, 40, 50, 100, 200};
  for (;;) {
    plat::pump();
    if (!plat::windowExists(W)) break;
    const int16_t a = action, id = eventID;
    ClearMailbox();
    if (a == kActionClose || (a == kActionActivate && id != W) || MENU_or_ToolBar_PICKED) break;
    if (a == kActionKey && (id == '?' || id == '/')) {
      OpenHelpPage(kCompactionHelp);
      continue;
    }
    if (a != kActionClick) continue;
    if (id == kParseDone) break;
    if (id >= 1 && id <= 8) factor = kPresets[id - 1];
    else if (id == kParsePlus1) ++factor;
    else if (id == kParseMinus1 && factor > 1) --factor;
    else if (id == kParsePlus10) factor += 10;
    else if (id == kParseMinus10 && factor > 10) factor -= 10;
    else if (id == kParseDo) {
      if (factor < 2) factor = 10;
      compactAndShow(f, factor);
      factor = parse[0];
    } else {
      sharedClick(f, id);
    }
    if (plat::windowExists(W)) showFactor(f, factor);
  }
  leave(f);
}

namespace {

void defineUnitMenu() {
  if (plat::menuDefined(kParseUnitMenu)) return;
  plat::defineMenu(kParseUnitMenu, "units",
                   {{.title = "days"}, {.title = "hours"}, {.title = "minutes"}, {.title = "seconds"},
                    {.title = "samples"}});
}

void showInterval(int16_t f, float wanted, int16_t unit) {
  const ParseInterval r = RealTimeParse(wanted, unit, FileInfoFLOATS[f][kInfoInterval], nCases[f]);
  plat::setFieldText(W, kParseFactorField, NumText(r.achieved));
  plat::setFieldText(W, kParseSecondField, NumText(r.blockSize));
  plat::setFieldText(W, kParseIntervalsField, r.blockSize > 0 ? NumText(r.intervals) : std::string(" -"));
}

}  // namespace

void PARSEbyTIME() {
  int16_t f;
  if (!frontFile(&f)) return;
  HelpSubject = kCompactionHelp;
  OpenResultsWIndow(0, 1, 0, "Compact and Average", 0);
  ch = ActiveChannel;
  plat::setCurrentPort(W);
  EmbossPrint(0, "Time interval averaging", 26, 14, 26);
  DoubleLINE(0, 330, 37);
  const char* presets[] = {"1", "2", "5", "10", "15", "20", "30", "40", "50", "100"};
  for (int i = 0; i < 10; ++i) {
    const int row = i / 5, col = i % 5;
    bevel(static_cast<int16_t>(i + 1), presets[i], {5 + col * 35, 40 + row * 20, 38 + col * 35, 58 + row * 20});
  }
  text("Desired interval", 185, 51, 15);
  plat::FieldSpec wantedField;
  wantedField.id = kParseWantedField;
  wantedField.r = {190, 60, 290, 78};
  wantedField.text = "1";
  wantedField.font.pixelSize = 16;
  plat::addField(W, wantedField);
  defineUnitMenu();
  int16_t unit = DefaultParseUnit(nCases[f], FileInfoFLOATS[f][kInfoInterval]);
  plat::addPopup(W, kParseUnitPopup, kParseUnitMenu, unit, {185, 89, 305, 109});
  text(" 'true'", 7, 95, 12);
  text("interval:", 7, 109, 12);
  staticField(kParseFactorField, {72, 88, 180, 110}, 14);
  text("Block size:", 7, 133, 12);
  staticField(kParseSecondField, {79, 120, 148, 136}, 12);
  text("intervals:", 161, 133, 12);
  staticField(kParseIntervalsField, {225, 120, 305, 136}, 12);
  checkBox(kParseShowSD, "Show S.D.", {20, 169, 128, 187}, prefsArray[kPrefSdBars] != 0);
  checkBox(kParseShowDots, "Highlight Interval Means", {130, 169, 305, 187}, ShowDot != 0);
  push(kParseDo, "Do Averaging", {30, 201, 200, 222}, false);
  push(kParseNormal, "Normal Plot", {210, 201, 305, 222}, true);
  push(kParseSave, "Save Averaged Data", {30, 240, 200, 260}, false, 0);
  push(kParseDone, "Done", {225, 240, 290, 260}, false);
  FitResultsWindow(270);
  float used = 1;
  showInterval(f, used, unit);
  plat::focusField(W, kParseWantedField, true);

  DialogScope analysisLoop(InstallAnalysisHandlers);
  static constexpr const char* kPresetText[] = {"1", "2", "5", "10", "15", "20", "30", "40", "50", "100"};
  for (;;) {
    plat::pump();
    if (!plat::windowExists(W)) break;
    const auto wanted = static_cast<float>(TextToNum(plat::fieldText(W, kParseWantedField)));
    if (wanted != used) {
      used = wanted;
      showInterval(f, used, unit);
      ClearMailbox();
      continue;
    }
    const int16_t a = action, id = eventID;
    ClearMailbox();
    if (a == kActionClose || (a == kActionActivate && id != W) || MENU_or_ToolBar_PICKED) break;
    if (a == kActionKey && (id == '?' || id == '/')) {
      OpenHelpPage(kCompactionHelp);
      continue;
    }
    if (a == kActionKey) break;
    if (a != kActionClick) continue;
    if (id == kParseDone) break;
    if (id >= 1 && id <= 10) {
      plat::setFieldText(W, kParseWantedField, kPresetText[id - 1]);
      used = static_cast<float>(TextToNum(kPresetText[id - 1]));
      showInterval(f, used, unit);
    } else if (id == kParseUnitPopup) {
      const int v = plat::popupValue(W, kParseUnitPopup);
      if (v >= kParseDays && v <= kParseSamples) unit = static_cast<int16_t>(v);
      showInterval(f, used, unit);
    } else if (id == kParseDo) {
      const ParseInterval r = RealTimeParse(used, unit, FileInfoFLOATS[f][kInfoInterval], nCases[f]);
      TimeUnits = TimeUnitsOfParseUnit(unit);
      compactAndShow(f, r.blockSize > 1 ? r.blockSize : 5);
    } else {
      sharedClick(f, id);
    }
  }
  leave(f);
}
