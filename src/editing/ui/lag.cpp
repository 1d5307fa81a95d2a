#include "editing/ui/lag.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "editing/channelpick.h"
#include "editing/lag.h"
#include "editing/ui/editframe.h"
#include "editing/ui/picklists.h"
#include "output/scaling.h"
#include "output/ui/analysiskit.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/port.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/colours.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"
#include "shell/worktables.h"

namespace {

enum class Ending : int8_t { Accept, Cancel };

void textIn(int win, int x, int y, const std::string& t, int size = 14) {
  plat::Port& p = plat::port(win);
  p.setFont(OrrelinFace(size));
  p.setForeColor(kBlack);
  p.moveTo(x, y);
  p.drawText(t);
}

void button(int win, int16_t id, const char* title, plat::Rect r, plat::ButtonKind kind = plat::ButtonKind::Push,
            int state = 1) {
  AddKitButton(win, id, kind, title, r, state);
}

void field(int win, int16_t id, const std::string& t, plat::Rect r, int size, bool bold,
           plat::FieldKind kind = plat::FieldKind::Editable) {
  plat::FieldSpec f;
  f.id = id;
  f.text = t;
  f.r = r;
  f.kind = kind;
  f.font = OrrelinFace(size, bold);
  plat::addField(win, f);
}

// Text that is no number reads as 0.
float fieldNumber(int win, int16_t id) {
  double v = 0.0;
  return ParseFieldNumber(plat::fieldText(win, id), &v) ? static_cast<float>(v) : 0.0f;
}

void buildDialog(int16_t slot, float preset) {
  OpenResultsWIndow(0, 1, 1, "Lag Time Correction", 0);
  FitResultsWindow(282);
  plat::setCurrentPort(kResultsWindow);
  wssst();
  textIn(kResultsWindow, 6, 15, " Channel " + FieldNumText(static_cast<double>(ActiveChannel)) + "  " +
                                    RetrieveLabel(ActiveChannel));
  DoubleLINE(0, 320, 21);
  textIn(kResultsWindow, 10, 45, "Enter lag (in seconds) to advance this channel:");
  field(kResultsWindow, kLagField, FieldNumText(preset), {70, 60, 190, 89}, 24, false);
  plat::focusField(kResultsWindow, kLagField, true);
  if (nChannels[slot] > 1 && FileSHORTS[slot][kShortBlockState] == 2) {
    textIn(kResultsWindow, 100, 128, "Alternately\xC9", 16);
    button(kResultsWindow, kLagBestFit, "Compute Best-fit Lag Time\xC9", {40, 140, 260, 162});
    textIn(kResultsWindow, 40, 180, "This option finds the lag advance that");
    textIn(kResultsWindow, 40, 198, "yields the highest correlation between");
    textIn(kResultsWindow, 40, 216, "the active channel and a second channel.");
  }
  button(kResultsWindow, kLagCancel, "Cancel", {20, 255, 110, 275});
  button(kResultsWindow, kLagHelpButton, "?", {120, 255, 160, 275});
  button(kResultsWindow, kLagOK, "Lag Time OK", {170, 255, 293, 275}, plat::ButtonKind::DefaultPush);
}

// Window 10: the comparison channel, 0 when none was chosen.
int16_t chooseComparison(int16_t slot) {
  const int16_t n = nChannels[slot];
  const int k = n > 16 ? n * 18 - 262 : 0;
  BuildWINDOW(1, kComparisonWindow, "Channel for Comparison", 16, static_cast<int16_t>(BottomOfPlotArea - k + 10), 318,
              static_cast<int16_t>(BottomOfPlotArea + 340), kKindDocument, 0);
  const int16_t keptYChan = yChan;
  yChan = 0;
  TRANSCHANX(" ", "", " ", 0, 0, 0, 0);
  yChan = keptYChan;
  button(kComparisonWindow, kComparisonOK, "selection OK", {180, k + 296, 290, k + 318}, plat::ButtonKind::Push, 0);
  int16_t chosen = 0;
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kComparisonWindow) || (a == kActionClose && id == kComparisonWindow)) {
      chosen = 0;
      break;
    }
    if (EditPickPending()) {
      chosen = 0;
      break;
    }
    if (a == kActionClick && id >= 1 && id <= n) {
      for (int16_t c = 1; c <= n; ++c) plat::setButtonState(kComparisonWindow, c, c == id ? 2 : 1);
      chosen = id;
      plat::removeControl(kComparisonWindow, kComparisonOK);
      button(kComparisonWindow, kComparisonOK, "Selection OK", {180, k + 300, 290, k + 320},
             plat::ButtonKind::DefaultPush);
      continue;
    }
    // Return ends the choice only once a channel is chosen.
    if (chosen != 0 && ((a == kActionClick && id == kComparisonOK) || a == kActionKey)) break;
  }
  plat::disposeWindow(kComparisonWindow);
  return chosen;
}

// In the interval's own single precision: the double product of a float
// interval shows its binary noise (3 x 0.1 as 0.3000000045).
float lagSeconds(int32_t cases, float interval) { return static_cast<float>(cases) * interval; }

void search(int16_t slot) {
  const float interval = FileInfoFLOATS[slot][kInfoInterval];
  const int32_t b = std::min(BeginBlock[slot], EndBlock[slot]);
  const int32_t e = std::max(BeginBlock[slot], EndBlock[slot]);
  const float typed = fieldNumber(kBestFitWindow, kBestFitMaxField) / interval;
  const int32_t asked = std::isfinite(typed) && std::fabs(typed) < 2.0e9f ? static_cast<int32_t>(typed) : b;
  const int32_t m = ClampMaxLag(asked, b, e, nCases[slot]);
  if (m != asked)
    plat::setFieldText(kBestFitWindow, kBestFitMaxField, FieldNumText(lagSeconds(m, interval)));
  const int16_t comparison = chooseComparison(slot);
  if (comparison == 0) return;
  plat::setCurrentPort(kBestFitWindow);
  MinimumProgressBarValue = 0;
  buildProgressBAR(10, 100, 290, 112, std::abs(m), kBestFitWindow);
  field(kBestFitWindow, kBestFitRField, " ", {30, 128, 280, 150}, 20, true, plat::FieldKind::Static);
  field(kBestFitWindow, kBestFitLagField, " ", {30, 158, 280, 185}, 20, true, plat::FieldKind::Static);
  plat::setCursor(plat::CursorKind::Watch);
  const LagSearch r = FindBestLag(ChannelData(slot, ActiveChannel), ChannelData(slot, comparison), b, e, m,
                                  [](int32_t done, int32_t) {
                                    UpdateProgressBar(done);
                                    plat::flushWindow(kBestFitWindow);
                                    // Only what the user did meanwhile is looked at: the close box of
                                    // window 40 stops the search; other clicks are dropped meanwhile.
                                    plat::processPending();
                                    if (plat::queuedEvents() == 0) return true;
                                    plat::pump(0);
                                    const bool stop = action == kActionClose && eventID == kBestFitWindow;
                                    ClearMailbox();
                                    return !stop;
                                  });
  plat::setCursor(plat::CursorKind::Arrow);
  if (r.rsquared > 0.0f) {
    plat::setFieldText(kBestFitWindow, kBestFitRField, "r-squared = " + NumText(r.rsquared));
    plat::setFieldText(kBestFitWindow, kBestFitLagField,
                       "  lag = " + NumText(static_cast<float>(r.bestLag) * interval) + " sec");
  }
  plat::setFieldText(kResultsWindow, kLagField, FieldNumText(lagSeconds(r.bestLag, interval)));
}

void bestFitLagTime(int16_t slot) {
  BuildWINDOW(1, kBestFitWindow, "Best-fit Lag Setup", 10, static_cast<int16_t>(BottomOfPlotArea + 130), 310,
              static_cast<int16_t>(BottomOfPlotArea + 380), kKindDocument, 0);
  textIn(kBestFitWindow, 10, 36, "Maximum lag:");
  textIn(kBestFitWindow, 229, 36, "seconds");
  textIn(kBestFitWindow, 10, 66, "A smaller absolute value will reduce search time.");
  textIn(kBestFitWindow, 10, 86, "A negative value will lag-delay this channel.");
  const float interval = FileInfoFLOATS[slot][kInfoInterval];
  field(kBestFitWindow, kBestFitMaxField,
        FieldNumText(static_cast<float>(interval * static_cast<float>(BeginBlock[slot]))), {110, 20, 220, 40}, 18,
        true);
  button(kBestFitWindow, kBestFitSelect, "Select Second Channel\xC9", {114, 215, 292, 237},
         plat::ButtonKind::DefaultPush);
  button(kBestFitWindow, kBestFitCancel, "Cancel", {20, 215, 100, 237});
  ClearMailbox();
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kBestFitWindow)) return;
    if ((a == kActionClose && id == kBestFitWindow) || (a == kActionClick && id == kBestFitCancel)) break;
    if (EditPickPending()) break;
    if ((a == kActionClick && id == kBestFitSelect) || a == kActionKey) {
      plat::removeControl(kBestFitWindow, kBestFitSelect);
      plat::removeControl(kBestFitWindow, kBestFitCancel);
      search(slot);
      break;
    }
  }
  plat::disposeWindow(kBestFitWindow);
}

Ending runDialog(int16_t slot, float preset) {
  buildDialog(slot, preset);
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kResultsWindow)) return Ending::Cancel;
    if (a == kActionClose && id == kResultsWindow) return Ending::Cancel;
    if (EditPickPending()) return Ending::Cancel;
    if (a == kActionKey) {
      if (id == 13 || id == 3) return Ending::Accept;
      continue;
    }
    if (a == kActionActivate && id != kResultsWindow && id != kBestFitWindow && id != kComparisonWindow)
      return Ending::Accept;
    if (a != kActionClick) continue;
    if (IsDeferredToolbarClick(id)) {
      DeferToolbarClick(id);
      return Ending::Cancel;
    }
    switch (id) {
      case kLagOK: return Ending::Accept;
      case kLagCancel: return Ending::Cancel;
      case kLagHelpButton:
        HelpSubject = kLagHelp;
        plat::openHelp(kLagHelp);
        break;
      case kLagBestFit:
        bestFitLagTime(slot);
        plat::setCurrentPort(kResultsWindow);
        plat::selectWindow(kResultsWindow);
        ClearMailbox();
        break;
      default: break;
    }
  }
}

// False (after telling the user) when the lag does not fit the file.
bool shift(int16_t slot, float seconds, const EditStep& es) {
  int32_t lag = 0;
  LagInCases(seconds, FileInfoFLOATS[slot][kInfoInterval], &lag);
  FileSHORTS[slot][kShortChanged] = 1;
  if (!LagFits(lag, nCases[slot])) {
    Zap();
    ShowAlert("The lag of" + NumText(seconds) + " sec (" + NumText(lag) +
              " cases) is too large for this file: it must stay below half the number of cases. Nothing was "
              "shifted.");
    return false;
  }
  plat::setCursor(plat::CursorKind::Watch);
  ShiftChannel(ChannelData(slot, ActiveChannel), nCases[slot], lag);
  LastChan = ActiveChannel;
  ChangedChan = ActiveChannel;
  if (gStoreHooks.channelChanged) gStoreHooks.channelChanged(slot, ActiveChannel);
  if (es.recorded) EditStepFields(es)[2] = seconds;
  EndBeep();
  plat::setCursor(plat::CursorKind::Arrow);
  const int16_t plot = PlotWindowId(slot);
  if (plat::windowExists(plot)) {
    plat::setCurrentPort(plot);
    if (FileSHORTS[slot][kShortView] != 0) {
      UpdateSCREEN(0, 0);
      RefreshSCREEN();
    } else {
      FindMinMax();
      DrawPlot(0, 0, 1);
    }
  }
  LogChannelEdit(slot, ActiveChannel, LagLogText(seconds));
  return true;
}

}  // namespace

int16_t LAGTIME(float lag, int16_t step) {
  EditStep es = BeginEditStep(kLagOp, step);
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot) || ActiveChannel < 1 || ActiveChannel > nChannels[slot]) {
    WithdrawEditStep(es);
    return 0;
  }
  if (!(FileInfoFLOATS[slot][kInfoInterval] > 0.0f)) {
    WithdrawEditStep(es);
    ShowAlert("The sample interval of this file is not above 0, so a lag in seconds cannot be turned into cases. "
              "Set the interval in the file data first.");
    return 0;
  }
  const StoreStatus backup = MAKEBACKUP(ActiveChannel);
  if (backup != StoreStatus::Ok) {
    WithdrawEditStep(es);
    ShowAlert(std::string("Nothing was shifted: no undo copy could be kept. ") + StoreStatusText(backup));
    return 0;
  }
  ClearMailbox();
  if (es.replay) {
    if (!shift(slot, lag, es)) WithdrawEditStep(es);
    return 0;
  }
  EditDialogScope frame;
  const Ending ending = runDialog(slot, step > 0 ? lag : 0.0f);
  if (ending == Ending::Cancel) {
    WithdrawEditStep(es);
    ClearWINDOW41();
    return 0;
  }
  const float seconds = fieldNumber(kResultsWindow, kLagField);
  ClearWINDOW41();
  if (!shift(slot, seconds, es)) WithdrawEditStep(es);
  return 0;
}
