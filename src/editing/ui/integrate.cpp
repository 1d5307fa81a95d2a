#include "editing/ui/integrate.h"

#include <string>

#include "editing/channelpick.h"
#include "editing/integrate.h"
#include "editing/ui/editframe.h"
#include "editing/ui/picklists.h"
#include "output/results.h"
#include "output/ui/analysiskit.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/redraw.h"
#include "shell/defaults.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/recording.h"
#include "shell/worktables.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/menubar.h"
#include "shell/ui/sounds.h"

namespace {

struct Run {
  int16_t slot = 0;
  bool derivative = false;
  bool toNew = false;
  bool offerNew = false;
  int16_t source = 1;
};

void resetLabel(const Run& run) {
  plat::setFieldText(kResultsWindow, kIntegrateLabelField, IntegralLabel(run.derivative, RetrieveLabel(run.source)));
  plat::focusField(kResultsWindow, kIntegrateLabelField, true);
}

void buildDialog(const Run& run) {
  const int16_t n = nChannels[run.slot];
  const int16_t extra = n > 14 ? static_cast<int16_t>(18 * (n - 14)) : int16_t{0};
  OpenEditWindow(run.derivative ? "Take Derivative Over Time" : "Integrate Over Time", 317,
                 static_cast<int16_t>(326 + extra), extra);
  wssst();
  yChan = 0;
  TRANSCHAN(run.derivative ? "Select Channel for Derivative" : "Select Channel to Integrate", "", "", -3, 0, 0, 0);
  plat::setButtonState(kResultsWindow, run.source, 2);
  const int y = -3 + n * 18 + 24;
  if (run.offerNew) {
    AddKitButton(kResultsWindow, kIntegrateNewChannelBox, plat::ButtonKind::CheckBox,
                 "Results to New Channel" + NumText(static_cast<int16_t>(n + 1)), {30, y, 310, y + 18});
  }
  plat::FieldSpec f;
  f.id = kIntegrateLabelField;
  f.r = {6, y + 28, 241, y + 46};
  f.maxLen = 30;
  plat::addField(kResultsWindow, f);
  AddKitButton(kResultsWindow, kIntegrateOK, plat::ButtonKind::DefaultPush, "OK", {254, y + 26, 310, y + 48});
  resetLabel(run);
}

// True to run, false for the close box.
bool runDialog(Run& run) {
  buildDialog(run);
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kResultsWindow)) return false;
    if (a == kActionClose && id == kResultsWindow) return false;
    if (EditPickPending()) return false;
    if (a == kActionActivate && id != kResultsWindow) return true;
    if (a == kActionKey) {
      if (id == '/' || id == '?') plat::openHelp(kIntegrateHelp);
      return true;
    }
    if (a != kActionClick) continue;
    if (IsDeferredToolbarClick(id)) {
      DeferToolbarClick(id);
      return false;
    }
    if (id >= 1 && id <= nChannels[run.slot]) {
      plat::setButtonState(kResultsWindow, run.source, 1);
      run.source = id;
      ActiveChannel = id;
      plat::setButtonState(kResultsWindow, id, 2);
      resetLabel(run);
    } else if (id == kIntegrateNewChannelBox) {
      run.toNew = !run.toNew;
      plat::setButtonState(kResultsWindow, kIntegrateNewChannelBox, run.toNew ? 2 : 1);
    } else if (id == kIntegrateOK) {
      return true;
    }
  }
}

}  // namespace

int16_t INTEGRATE(int16_t step) {
  HelpSubject = kIntegrateHelp;
  Run run;
  run.derivative = derive == 1;
  EditStep es = BeginEditStep(run.derivative ? kDerivativeOp : kIntegralOp, step);
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot) || ActiveChannel < 1 || ActiveChannel > nChannels[slot]) {
    WithdrawEditStep(es);
    return 0;
  }
  run.slot = slot;
  run.source = ActiveChannel;
  if (es.replay) {
    const float* row = ScriptSequenceArray[es.row];
    if (const int16_t picked = StepChannelIn(row, integral_step::kSource, nChannels[slot])) run.source = picked;
    run.toNew = StepFlag(row, integral_step::kToNew) && nChannels[slot] < kMaxChannels;
  }
  Chan1 = ActiveChannel;
  chan2 = 0;
  FlowCH = 0;
  const int16_t startedOn = ActiveChannel;
  run.offerNew = nChannels[slot] < kMaxChannels && RecordSCRIPT == 0;

  std::string label;
  bool go = true;
  {
    EditDialogScope frame;
    if (es.replay) {
      if (!StepLabelText(ScriptSequenceArray, ScriptSequenceArray[es.row], integral_step::kLabel, &label))
        label = IntegralLabel(run.derivative, RetrieveLabel(run.source));
    } else {
      go = runDialog(run);
      label = plat::fieldText(kResultsWindow, kIntegrateLabelField);
      plat::disposeWindow(kResultsWindow);
      if (go && es.row >= 1) {
        // A label the user typed goes with the step; the proposed one is
        // proposed again from the replayed file's own label.
        ScriptSequenceArray[es.row][integral_step::kSource] = run.source;
        ScriptSequenceArray[es.row][integral_step::kToNew] = run.toNew ? 1.0f : 0.0f;
        ScriptSequenceArray[es.row][integral_step::kLabel] = 0.0f;
        if (label != IntegralLabel(run.derivative, RetrieveLabel(run.source)))
          KeepStepLabel(ScriptSequenceArray, es.row, integral_step::kLabel, label);
      }
    }
    plat::setCursor(plat::CursorKind::Arrow);
    if (!go) {
      WithdrawEditStep(es);
      if (FileSHORTS[slot][kShortView] == 1) RefreshSCREEN();
      return 0;
    }
    int16_t target = 0;
    const StoreStatus st = MakeIntegralChannel(slot, run.source, run.derivative, run.toNew, label, &target);
    if (st != StoreStatus::Ok) {
      WithdrawEditStep(es);
      ShowAlert(std::string("Nothing was written. ") + StoreStatusText(st));
      return 0;
    }
    if (run.derivative) downvip();
    else upvip();
    ActiveChannel = run.toNew ? target : startedOn;
    chanB = static_cast<uint16_t>(ActiveChannel);
    if (run.toNew) {
      MakeChannelSelectionsPopUp();
      RebuildChannelMenu();
    }
    RedrawAfterEdit(run.toNew);
  }
  return 0;
}
