#include "editing/ui/cropfile.h"

#include "editing/editstep.h"
#include "editing/fileedit.h"
#include "editing/ui/fileedit_ui.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/windows.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/plotwindow.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

void button(int16_t id, const char* title, plat::Rect r, bool isDefault = false) {
  AddKitButton(kCropWindow, id, isDefault ? plat::ButtonKind::DefaultPush : plat::ButtonKind::Push, title, r);
}

bool askCrop() {
  BuildWindowOverPlot(kCropWindow, "Crop File", 8, BottomOfPlotArea + 145, 315, BottomOfPlotArea + 348);
  putCICON(129, 40, 48);
  putCICON(128, 137, 48);
  putCICON(130, 234, 48);
  BuildBOX(10, 60, 297, 140);
  FileEditFittedText(kCropWindow, 20, 106, "Delete all data outside the block", 18, 288, true);
  Zap();
  button(kCropCancel, "Cancel", {24, 160, 124, 184});
  button(kCropOK, "OK to Crop", {160, 160, 290, 184}, true);
  return WaitForAnswer(kCropWindow, {kCropOK, kCropCancel}, kCropOK, kCropCancel, kCropOK) == kCropOK;
}

}  // namespace

void CROPFILE() {
  int16_t slot = -1;
  CaseSpan span;
  if (!FrontFileCropSpan(&slot, &span)) return;
  HideTheToolBar();
  const bool crop = askCrop();
  FileEditStatus st = FileEditStatus::Ok;
  if (crop) {
    plat::setCursor(plat::CursorKind::Watch);
    st = CropToSpan(slot, span, ActiveChannel);
    plat::setCursor(plat::CursorKind::Arrow);
    if (st == FileEditStatus::Ok) ChangedChan = ActiveChannel;
  }
  ClearWINDOW41();
  plat::disposeWindow(kCropWindow);
  RestoreTheToolBar();
  if (crop) {
    OPENBLOCKWINDOW();
    RedrawWholeFile();
  } else if (plat::windowExists(PlotWindowId(slot))) {
    plat::setCurrentPort(PlotWindowId(slot));
  }
  if (st != FileEditStatus::Ok) ShowAlert(FileEditStatusText(st));
}

void CUTCHANNEL() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return;
  splot = -99.0f;
  plat::disposeWindow(kChannelSelectWindow);
  PlayNamedSound("ahem");
  if (SELECTCHANNELS("Channels to Delete (No 'Undo' Possible) ", 0, 3, 0, 2) == kSelectCancelled) return;
  bool remove[kMaxChannels + 1] = {};
  for (int16_t c = 1; c <= nChannels[slot]; ++c) remove[c] = OverlayArray[slot][1][c] != 0;
  int16_t removed = 0;
  const FileEditStatus st = DeleteChannels(remove, &removed);
  if (st == FileEditStatus::WouldRemoveAll) {
    Zap();
    return;
  }
  if (st != FileEditStatus::Ok) {
    ShowAlert(FileEditStatusText(st));
    return;
  }
  if (prefsArray[kPrefSoundLevel] == 50 && removed > 0) Rip();
  RedrawWholeFile();
}
