#include "editing/ui/timescale_dialog.h"

#include "datafiles/ui/merge_dialog.h"
#include "datafiles/ui/save_dialog.h"
#include "editing/fileedit.h"
#include "editing/ui/fileedit_ui.h"
#include "output/scaling.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/resources.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int16_t kWin = kTimeScaleWindow;

void button(int16_t id, const char* title, plat::Rect r, bool isDefault = false) {
  AddKitButton(kWin, id, isDefault ? plat::ButtonKind::DefaultPush : plat::ButtonKind::Push, title, r);
}

void field(int16_t id, const std::string& text, plat::Rect r, plat::FieldKind kind) {
  plat::FieldSpec f;
  f.id = id;
  f.text = text;
  f.r = r;
  f.kind = kind;
  f.font.pixelSize = 13;
  plat::addField(kWin, f);
}

void buildDialog(float interval) {
  BuildWINDOW(0, kWin, "Time Scale Adjustment", 40, 80, 500, 330, kKindDocument, 1);
  WARNINGSTRIPES(0, 3, 14, 8, 8, 452, 242);
  PlaySoundAlways("bzot");
  putCICON(129, 20, 58);
  FileEditText(kWin, 64, 36, "Caution:  ", 20, true, true);
  FileEditText(kWin, -1, 36, "time scale adjustment is", 14);
  FileEditText(kWin, 64, 56, "not undo-able.  ", 14, true, true);
  FileEditText(kWin, -1, 56, "If you time-adjust and", 14);
  FileEditText(kWin, 64, 74, "then save the file, your data will be", 14);
  FileEditText(kWin, 64, 92, "permanently altered.", 14);
  FileEditText(kWin, 64, 116, "\xA5  You ", 14);
  FileEditText(kWin, -1, 116, "might  ", 14, false, false, true);
  FileEditText(kWin, -1, 116, "want to save a copy first...", 14);
  FileEditText(kWin, 30, 148, "Current sample interval is", 14);
  field(kTimeScaleCurrent, NumText(interval), {220, 134, 320, 152}, plat::FieldKind::Static);
  FileEditText(kWin, 328, 148, "sec", 14);
  FileEditText(kWin, 30, 178, "New sample interval:", 14);
  field(kTimeScaleField, FieldNumText(interval), {220, 164, 320, 182}, plat::FieldKind::Editable);
  FileEditText(kWin, 328, 178, "sec", 14);
  button(kTimeScaleHelpButton, "?", {20, 204, 56, 228});
  button(kTimeScaleCopy, "Make a Copy First", {66, 204, 216, 228});
  button(kTimeScaleCancel, "Cancel", {226, 204, 316, 228}, true);
  button(kTimeScaleOK, "OK: Adjust", {326, 204, 440, 228});
  plat::focusField(kWin, kTimeScaleField, true);
  plat::flushWindow(kWin);
}

enum class Step : int8_t { Stay, Cancel, Adjusted };

// "OK: Adjust": the typed interval checked, then the file re-sampled.
Step adjust(int16_t slot) {
  double typed = 0.0;
  if (!ParseFieldNumber(plat::fieldText(kWin, kTimeScaleField), &typed)) typed = 0.0;
  const FileEditStatus check = TimeScaleCheck(nCases[slot], FileInfoFLOATS[slot][kInfoInterval], typed, nullptr);
  if (check == FileEditStatus::BadInterval) {
    PlaySoundAlways("bzot");
    return Step::Stay;
  }
  if (check == FileEditStatus::TooManyCases) {
    TimeScaleWarning(1);
    return Step::Stay;
  }
  if (check != FileEditStatus::Ok) {
    ShowAlert(FileEditStatusText(check));
    return Step::Stay;
  }
  plat::setCursor(plat::CursorKind::Watch);
  const FileEditStatus st = AdjustSlotTimeScale(slot, static_cast<float>(typed));
  plat::setCursor(plat::CursorKind::Arrow);
  if (st != FileEditStatus::Ok) {
    ShowAlert(FileEditStatusText(st));
    return Step::Stay;
  }
  return Step::Adjusted;
}

}  // namespace

void AdjustTimeScale() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return;
  HelpSubject = kTimeScaleHelp;
  HideTheToolBar();
  buildDialog(FileInfoFLOATS[slot][kInfoInterval]);
  Step step = Step::Stay;
  {
    HandlerScope keep;
    InstallDialogHandlers();
    ClearMailbox();
    while (step == Step::Stay) {
      plat::pump();
      const int16_t a = action, id = eventID;
      ClearMailbox();
      if (!plat::windowExists(kWin) || (a == kActionClose && id == kWin) || (a == kActionActivate && id != kWin) ||
          (a == kActionKey && (id == 13 || id == 3))) {
        step = Step::Cancel;
      } else if (a == kActionClick) {
        switch (id) {
          case kTimeScaleCancel: step = Step::Cancel; break;
          case kTimeScaleHelpButton: plat::openHelp(kTimeScaleHelp); break;
          case kTimeScaleCopy:
            SAVEDATAFILE(1, 0, 0);
            InstallDialogHandlers();
            if (plat::windowExists(kWin)) {
              plat::selectWindow(kWin);
              plat::setCurrentPort(kWin);
            }
            ClearMailbox();
            break;
          case kTimeScaleOK: step = adjust(slot); break;
          default: break;
        }
      }
    }
  }
  plat::disposeWindow(kWin);
  RestoreTheToolBar();
  if (step == Step::Adjusted) {
    OPENBLOCKWINDOW();
    RedrawWholeFile();
  }
}
