#include "thermoregulation/ui/costs_dialog.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "calculators/ui/suncycle.h"
#include "editing/channelpick.h"
#include "editing/copychannel.h"
#include "output/results.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"
#include "thermoregulation/options.h"
#include "thermoregulation/ui/batch.h"
#include "thermoregulation/ui/options.h"
#include "thermoregulation/ui/tregkit.h"
#include "thermoregulation/ui/tregwindow.h"

namespace {

constexpr int kWidth = 750, kHeight = 465, kLeft = 10, kTop = 70;
constexpr float kWattsPerMlO2 = 0.335f;
constexpr int kTableLeft = 476;

// The state of one opening of the dialog.
struct Run : TregCostChannel {
  int16_t n = 0;                 // channels of the file when the dialog opened
  int16_t shade = 0, sun = 0;
  bool optionsOpened = false, computed = false;
  bool bigRows = false;          // the 6 h .. torpor rows exist
};

bool fileOpen(int16_t slot) { return ValidFileSlot(slot) && SlotHoldsFile(slot); }

void markOnly(int16_t base, int16_t n, int16_t chosen) {
  for (int16_t c = 1; c <= n; ++c) treg::mark(kTregWindow, static_cast<int16_t>(base + c), c == chosen);
}

void resultRow(int& y, const char* a, int16_t f1, const char* b, int16_t f2, const char* c) {
  const int w = kTregWindow;
  // The second column's fields take a number of nine digits ("0.64423394")
  // whole; the units after them stop short of the channel table at 470.
  treg::label(w, static_cast<int16_t>(700 + f1), a, {10, y, 190, y + 20}, 11);
  treg::result(w, f1, {192, y, 272, y + 18});
  if (f2) {
    treg::label(w, static_cast<int16_t>(900 + f1), b, {274, y, 322, y + 20}, 11);
    treg::result(w, f2, {324, y, 410, y + 18});
    treg::label(w, static_cast<int16_t>(1100 + f1), c, {412, y, 470, y + 20}, 11);
  } else {
    treg::label(w, static_cast<int16_t>(900 + f1), b, {274, y, 466, y + 20}, 11);
  }
  y += 22;
}

void buildDialog(Run& run) {
  const int extra = run.n > 16 ? 18 * run.n - 274 : 0;
  BuildWINDOW(0, kTregWindow, "Estimated Thermoregulatory Costs for Endotherms", kLeft, kTop, kLeft + kWidth,
              kTop + kHeight + extra, kKindDocument, 1);
  const int w = kTregWindow;
  using namespace treg;
  // Channel table.
  GrayBOX(1, kTableLeft - 6, 4, kWidth - 6, 30 + 19 * std::max<int>(run.n, 1) + 6);
  label(w, 301, "shade ", {kTableLeft, 8, kTableLeft + 40, 24}, 11, true);
  label(w, 302, " sun ", {kTableLeft + 40, 8, kTableLeft + 76, 24}, 11, true);
  label(w, 303, "time", {kTableLeft + 78, 8, kTableLeft + 112, 24}, 11, true);
  label(w, 304, "date", {kTableLeft + 114, 8, kTableLeft + 148, 24}, 11, true);
  label(w, 305, "channel labels", {kTableLeft + 148, 8, kWidth - 10, 24}, 11, true);
  for (int16_t c = 1; c <= run.n; ++c) {
    const int y = 30 + 19 * (c - 1);
    radio(w, c, "", {kTableLeft + 8, y, kTableLeft + 26, y + 16}, false);
    radio(w, static_cast<int16_t>(kTregSunBase + c), "", {kTableLeft + 46, y, kTableLeft + 64, y + 16}, false);
    radio(w, static_cast<int16_t>(kTregTimeBase + c), "", {kTableLeft + 84, y, kTableLeft + 102, y + 16},
          c == ChannelforDaytime);
    radio(w, static_cast<int16_t>(kTregDateBase + c), "", {kTableLeft + 120, y, kTableLeft + 138, y + 16},
          c == ChannelforJulianDay);
    label(w, static_cast<int16_t>(1200 + c), std::to_string(c) + ": " + TrimTrailingBlanks(RetrieveLabelOf(run.slot, c)),
          {kTableLeft + 148, y, kWidth - 10, y + 16}, 11);
  }
  // Inputs.
  label(w, kTregBmrLabel, BMRinWatts ? "BMR  (watts) " : "BMR  (ml/min) ", {10, 10, 110, 30});
  edit(w, kTregBmrField, ".5", {112, 10, 170, 30});
  label(w, 102, "body temp.:", {190, 10, 270, 30});
  edit(w, kTregTbField, "39", {272, 10, 330, 30});
  label(w, 103, "C  (watts/\xA1""C):", {10, 38, 110, 58});
  edit(w, kTregCField, ".015", {112, 38, 170, 58});
  label(w, 104, "LCT:", {190, 38, 270, 58});
  edit(w, kTregLctField, "28", {272, 38, 330, 58});
  label(w, 1004, "mass (g):", {10, 66, 110, 86});
  edit(w, kTregMassField, "15.5", {112, 66, 170, 86});
  DoubleLINE(6, kTableLeft - 12, 98);
  // Results.
  int y = 108;
  resultRow(y, "mean Treg cost:", kTregMeanW, "watts,  = ", kTregMeanMl, "ml O2/min");
  treg::label(w, 1300, " = ", {10, y, 190, y + 20}, 11);
  treg::result(w, kTregMeanXBmr, {192, y, 272, y + 18});
  treg::label(w, 1301, "X BMR", {274, y, 338, y + 20}, 11);
  y += 22;
  resultRow(y, "max:", kTregMaxW, "watts;  = ", kTregMaxXBmr, "X BMR");
  resultRow(y, "time in thermoneutrality = ", kTregAtBmrPct, "%", 0, "");
  resultRow(y, "mean cost if not thermoneutral:", kTregNotBmrW, "watts", 0, "");
  resultRow(y, "cost when not thermoneutral = ", kTregNotBmrX, "X BMR", 0, "");
  if (run.bigRows) {
    resultRow(y, "max 6 h", kTreg6hW, "watts;", kTreg6hX, "X BMR");
    resultRow(y, "max 12 h ", kTreg12hW, "watts;", kTreg12hX, "X BMR");
    resultRow(y, "max day ", kTregDayW, "watts;", kTregDayX, "X BMR");
    resultRow(y, "torpor = ", kTregTorporW, "watts;", kTregTorporX, "X BMR");
    resultRow(y, "time in torpor = ", kTregTorporPct, "%", 0, "");
  }
  // Buttons.
  const int by = kHeight - 40;
  button(w, kTregOptions, "Options\xC9", {10, by - 34, 110, by - 10});
  button(w, kTregFromSpreadsheet, "Read .csv File & Save Results", {118, by - 34, 330, by - 10}, 0);
  label(w, kTregCountLabel, "", {340, by - 30, 386, by - 14}, 11);
  label(w, kTregCountField, "", {388, by - 30, 460, by - 14}, 11, true);
  button(w, kTregHelp, "?", {10, by, 40, by + 24});
  button(w, kTregCompute, "Compute Costs", {48, by, 160, by + 24}, 0, plat::ButtonKind::DefaultPush);
  if (run.n < kMaxChannels) button(w, kTregStore, "Store Costs in New Channel", {166, by, 360, by + 24}, 0);
  button(w, kTregDone, "Done", {kWidth - 190, by, kWidth - 110, by + 24}, 0);
  button(w, kTregCancel, "Cancel", {kWidth - 100, by, kWidth - 20, by + 24});
}

void enableRunButtons(const Run& run) {
  const bool ready = run.shade >= 1 && run.sun >= 1 && ChannelforDaytime >= 1 && run.optionsOpened;
  plat::setButtonState(kTregWindow, kTregCompute, ready ? 1 : 0);
  plat::setButtonState(kTregWindow, kTregFromSpreadsheet, ready ? 1 : 0);
}

void afterRun(Run& run) {
  plat::setButtonState(kTregWindow, kTregDone, 1);
  if (run.slot >= 0 && plat::controlExists(kTregWindow, kTregStore) && nChannels[run.slot] < kMaxChannels)
    plat::setButtonState(kTregWindow, kTregStore, 1);
  run.computed = true;
}

void computeCosts(Run& run) {
  prefsArray[kPrefTimingErrors] = 0;
  const std::string typedBmr = plat::fieldText(kTregWindow, kTregBmrField);
  const double bmrTyped = TextToNum(typedBmr);
  const float bmrW = static_cast<float>(BMRinWatts ? bmrTyped : bmrTyped * kWattsPerMlO2);
  TregAnimal a;
  a.bmr = bmrW;
  a.tb = static_cast<float>(treg::value(kTregWindow, kTregTbField));
  BodyTemperature = a.tb;
  a.conductance = static_cast<float>(treg::value(kTregWindow, kTregCField));
  a.lct = static_cast<float>(treg::value(kTregWindow, kTregLctField));
  a.mass = static_cast<float>(treg::value(kTregWindow, kTregMassField));
  a.useSun = true;
  a.shelter = prefsArray[kPrefShelter] != 0;
  const TregResult r = RunTregOverFile(run.shade, run.sun, a);
  ShowTregResults(r, bmrW);
  const float mean = ActiveTimeCostsOnly ? r.activeMean : r.mean;
  SetTregField(kTregMeanW, NumText(mean));
  SetTregField(kTregMeanMl, NumText(mean / kWattsPerMlO2));
  SetTregField(kTregMeanXBmr, MeanTimesBmrText(mean, bmrW));
  afterRun(run);
  SetTregField(kTregBmrField, FieldNumText(bmrTyped));
  if (r.timingErrorCount != 0) TimingWarning(0);
  ShowNumberOfCases();
}

void storeChannel(Run& run) {
  if (!run.stored && nChannels[run.slot] >= kMaxChannels) return;
  // The label is asked first: the channel is added with its costs and its
  // label in one step, whole or not at all.
  const int w = kTregLabelWindow;
  const plat::Rect main = plat::contentRect(kTregWindow);
  BuildWINDOW(0, w, "Label for Thermoregulatory Costs Channel", main.left + 150, main.top + 150, main.left + 530,
              main.top + 250, kKindDocument, 1);
  treg::edit(w, kTregLabelField, " Treg costs in watts", {20, 20, 360, 42});
  treg::button(w, kTregLabelOK, "Label OK", {270, 60, 360, 84}, 1, plat::ButtonKind::DefaultPush);
  {
    DialogScope dialog;
    for (;;) {
      plat::pump();
      const bool ok = action == kActionClick && eventID == kTregLabelOK;
      const bool closed = action == kActionClose && eventID == w;
      ClearMailbox();
      if (ok || closed) break;
    }
  }
  const std::string label = FitLabel(plat::fieldText(w, kTregLabelField));
  plat::disposeWindow(w);
  plat::setCurrentPort(kTregWindow);
  if (run.stored) {
    SetChannelLabel(run.slot, StoreChan, label);
    FileSHORTS[run.slot][kShortChanged] = 1;
    return;
  }
  int16_t added = 0;
  const StoreStatus st = AddChannelHolding(run.slot, run.work, label, &added);
  if (st != StoreStatus::Ok) {
    ShowAlert(std::string("No channel was made. ") + StoreStatusText(st));
    return;
  }
  StoreChan = added;
  run.stored = true;
}

}  // namespace

int16_t ComputeThermoregulationCosts() {
  HelpSubject = 244;
  Run run;
  run.slot = static_cast<int16_t>(TheFileInUse);
  if (!fileOpen(run.slot)) run.slot = -1;
  run.n = run.slot >= 0 ? nChannels[run.slot] : 0;
  if (run.slot >= 0) {
    run.bigRows = nCases[run.slot] * static_cast<double>(FileInfoFLOATS[run.slot][kInfoInterval]) > 172800.0;
    if (run.n < kMaxChannels) StoreChan = static_cast<int16_t>(run.n + 1);
  }
  plat::disposeWindow(kTregWindow);
  HideTheToolBar();
  if (run.slot >= 0 && plat::windowExists(PlotWindowId(run.slot))) plat::bringToFront(PlotWindowId(run.slot));
  yChan = 1;
  Chan1 = 0;
  chan2 = 0;
  buildDialog(run);
  gTregCostChannel = &run;

  HandlerScope keep;
  InstallDialogHandlers();
  const int w = kTregWindow;
  ClearMailbox();
  for (bool done = false; !done;) {
    plat::pump();
    if (action == kActionClick) {
      const int16_t id = eventID;
      if (id >= 1 && id <= run.n) {
        run.shade = id;
        Chan1 = id;
        markOnly(0, run.n, id);
      } else if (id > kTregSunBase && id <= kTregSunBase + run.n) {
        run.sun = static_cast<int16_t>(id - kTregSunBase);
        chan2 = run.sun;
        markOnly(kTregSunBase, run.n, run.sun);
      } else if (id > kTregTimeBase && id <= kTregTimeBase + run.n) {
        ChannelforDaytime = static_cast<int16_t>(id - kTregTimeBase);
        markOnly(kTregTimeBase, run.n, ChannelforDaytime);
      } else if (id > kTregDateBase && id <= kTregDateBase + run.n) {
        ChannelforJulianDay = static_cast<int16_t>(id - kTregDateBase);
        markOnly(kTregDateBase, run.n, ChannelforJulianDay);
      } else if (id == kTregHelp) {
        plat::openHelp(244);
      } else if (id == kTregOptions) {
        ClearMailbox();
        TregCostOptions();
        plat::setFieldText(w, kTregBmrLabel, BMRinWatts ? "BMR  (watts) " : "BMR  (ml/min) ");
        run.optionsOpened = true;
        plat::selectWindow(w);
        plat::setCurrentPort(w);
      } else if (id == kTregCompute) {
        ClearMailbox();
        computeCosts(run);
      } else if (id == kTregFromSpreadsheet) {
        ClearMailbox();
        prefsArray[kPrefTimingErrors] = 0;
        CSVspreadsheetName = TregCostsFromSpreadsheet(static_cast<uint16_t>(run.shade), static_cast<uint16_t>(run.sun));
        afterRun(run);
        if (!CSVspreadsheetName.empty()) ShowNumberOfCases();
      } else if (id == kTregStore) {
        ClearMailbox();
        storeChannel(run);
      } else if (id == kTregDone || id == kTregCancel) {
        done = true;
      }
    } else if (action == kActionClose) {
      if (eventID == w) done = true;
      else if (eventID == kTotalsWindow || eventID == kSunChartWindow || eventID == kTimingListWindow ||
               eventID == 14)
        plat::disposeWindow(eventID);
    }
    if (!done) enableRunButtons(run);
    ClearMailbox();
  }
  gTregCostChannel = nullptr;
  csvConductanceFileWasLoaded = 0;
  for (int id : {static_cast<int>(kTregWindow), 14, static_cast<int>(kSunChartWindow), static_cast<int>(kTotalsWindow)})
    plat::disposeWindow(id);
  if (run.slot >= 0 && plat::windowExists(PlotWindowId(run.slot))) plat::selectWindow(PlotWindowId(run.slot));
  if (run.computed && run.stored && run.slot >= 0) {
    MakeChannelSelectionsPopUp();
    if (FileSHORTS[run.slot][kShortView] != 0) {
      UpdateSCREEN(static_cast<uint16_t>(StoreChan), 1);
      RefreshSCREEN();
    } else {
      ActiveChannel = StoreChan;
      ResizeTheMainWindow(0);
    }
  }
  RestoreTheToolBar();
  return 0;
}
