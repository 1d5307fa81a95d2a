#include "editing/ui/cutblock.h"

#include <algorithm>
#include <string>

#include "editing/fileedit.h"
#include "editing/ui/fileedit_ui.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/app.h"
#include "platform/windows.h"
#include "plot/trace.h"
#include "plot/ui/blockwindow.h"
#include "plot/ui/draw.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/redraw.h"
#include "shell/defaults.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

void button(int16_t win, int16_t id, const char* title, plat::Rect r, bool isDefault = false) {
  AddKitButton(win, id, isDefault ? plat::ButtonKind::DefaultPush : plat::ButtonKind::Push, title, r);
}

plat::Rect centred(int width, int height) {
  const plat::Size desk = plat::displaySize();
  const int left = std::max(4, (desk.w - width) / 2);
  const int top = std::max(plat::config().menuBarHeight + plat::config().titleBarHeight, (desk.h - height) / 3);
  return {left, top, left + width, top + height};
}

void buildCutDialog(int16_t slot) {
  BuildWindowOverPlot(kCutBlockWindow, "Cut Block", 8, BottomOfPlotArea + 85, 315, BottomOfPlotArea + 298);
  Zap();
  putCICON(128, 12, 46);
  putCICON(130, 263, 46);
  BuildBOX(52, 10, 255, 146);
  const bool several = nChannels[slot] >= 2;
  FileEditFittedText(kCutBlockWindow, 62, 32, several ? "Remove the block from:" : "Remove the block", 15, 248, true);
  for (const int16_t id : {kCutThisChannel, kCutEntireFile}) {
    plat::ButtonSpec b;
    b.id = id;
    b.kind = plat::ButtonKind::Radio;
    b.title = id == kCutThisChannel ? (several ? "This Channel Only" : "Temporarily")
                                    : (several ? "The Entire File" : "Permanently");
    b.font.family = std::to_string(OrrelinFont);
    b.font.pixelSize = 14;
    b.r = {68, 48 + (id - 1) * 30, 245, 70 + (id - 1) * 30};
    plat::addButton(kCutBlockWindow, b);
  }
  button(kCutBlockWindow, kCutCancel, "Cancel", {24, 168, 124, 192});
  button(kCutBlockWindow, kCutRemove, "Remove Block", {150, 168, 290, 192}, true);
}

void markChoice(bool wholeFile) {
  plat::setButtonState(kCutBlockWindow, kCutThisChannel, wholeFile ? 1 : 2);
  plat::setButtonState(kCutBlockWindow, kCutEntireFile, wholeFile ? 2 : 1);
}

// The cut dialog: true when "Remove Block" (or Return, Enter, another
// window) ends it, with the choice in *wholeFile.
bool askCut(int16_t slot, bool* wholeFile) {
  buildCutDialog(slot);
  *wholeFile = true;
  markChoice(true);
  plat::flushWindow(kCutBlockWindow);
  DialogScope dialog;
  for (;;) {
    const auto [a, id] = TakeEvent();
    if (!plat::windowExists(kCutBlockWindow)) return false;
    if (a == kActionClose && id == kCutBlockWindow) return false;
    if (a == kActionActivate && id != kCutBlockWindow) return true;
    if (a == kActionKey && (id == 13 || id == 3)) return true;
    if (a != kActionClick) continue;
    if (id == kCutCancel) return false;
    if (id == kCutRemove) return true;
    if (id == kCutThisChannel || id == kCutEntireFile) {
      *wholeFile = id == kCutEntireFile;
      markChoice(*wholeFile);
    }
  }
}

void dropBlock(int16_t slot) {
  FileSHORTS[slot][kShortBlockState] = 0;
  BeginBlock[slot] = EndBlock[slot] = 0;
  OPENBLOCKWINDOW();
}

void plotCurrent(int16_t slot) {
  if (plat::windowExists(PlotWindowId(slot))) plat::setCurrentPort(PlotWindowId(slot));
}

}  // namespace

int16_t CutMarkerWARNING() {
  const int previous = plat::currentPortWindow();
  const plat::Rect r = centred(401, 186);
  BuildWINDOW(0, kMarkerWarningWindow, "Marker Loss Warning", static_cast<int16_t>(r.left),
              static_cast<int16_t>(r.top), static_cast<int16_t>(r.right), static_cast<int16_t>(r.bottom),
              kKindDocument, 1);
  WARNINGSTRIPES(0, 3, 14, 8, 8, 393, 178);
  putCICON(128, 20, 56);
  putCICON(129, 350, 56);
  FileEditText(kMarkerWarningWindow, 70, 44, "Careful...", 22, true, true);
  FileEditFittedText(kMarkerWarningWindow, 24, 84, "At least one marker is in the block.", 15, 380);
  FileEditFittedText(kMarkerWarningWindow, 24, 108, "Are you sure you want to delete it?", 15, 380, true, true);
  button(kMarkerWarningWindow, kMarkerWarningCancel, "Cancel", {20, 136, 100, 160});
  button(kMarkerWarningWindow, kMarkerWarningYes, "Yes", {110, 136, 180, 160});
  button(kMarkerWarningWindow, kMarkerWarningInsert, "Yes; Insert New Marker", {190, 136, 380, 160}, true);
  const int16_t hit = WaitForAnswer(kMarkerWarningWindow, {kMarkerWarningCancel, kMarkerWarningYes, kMarkerWarningInsert},
                                    0, 0, 0);
  plat::disposeWindow(kMarkerWarningWindow);
  if (previous && plat::windowExists(previous)) plat::setCurrentPort(previous);
  if (hit == kMarkerWarningInsert) return 99;
  return hit == kMarkerWarningYes ? 1 : 0;
}

int16_t CUTBLOCK(int16_t direct) {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return 0;
  ClearMailbox();
  CaseSpan span;
  if (CutSpanOf(slot, &span) != FileEditStatus::Ok) {
    Zap();
    return 0;
  }
  HideTheToolBar();
  bool wholeFile = true;
  const bool dialog = direct == 0;
  const bool cut = !dialog || askCut(slot, &wholeFile);
  auto finish = [&] {
    if (dialog) {
      ClearWINDOW41();
      plat::disposeWindow(kCutBlockWindow);
    }
    RestoreTheToolBar();
    plotCurrent(slot);
  };
  if (!cut) {
    finish();
    return 0;
  }
  if (wholeFile && nCases[slot] - (span.last - span.first) < 2) {
    finish();
    ShowAlert(FileEditStatusText(FileEditStatus::TooFewLeft));
    return 0;
  }
  FileSHORTS[slot][kShortChanged] = 1;
  Rip();
  // The block goes with the cut: its band first (XOR), while the block still
  // says where it lies, so strips not drawn again keep no trace of it.
  RefreshPLOTBLOCK(0);
  FileEditStatus st = FileEditStatus::Ok;
  if (wholeFile) {
    MarkerAnswer answer = MarkerAnswer::Delete;
    if (MarkersInSpan(slot, span)) {
      PlaySoundAlways("scream");
      answer = static_cast<MarkerAnswer>(CutMarkerWARNING());
    }
    if (answer != MarkerAnswer::Cancel) {
      plat::setCursor(plat::CursorKind::Watch);
      st = CutBlockFromFile(slot, span, answer);
      plat::setCursor(plat::CursorKind::Arrow);
      if (st == FileEditStatus::Ok && answer == MarkerAnswer::DeleteAndInsert) upvip();
    }
  } else {
    st = CutBlockFromChannel(ActiveChannel, span);
    ChangedChan = ActiveChannel;
  }
  dropBlock(slot);
  plotCurrent(slot);
  if (wholeFile) {
    RedrawWholeFile();
  } else {
    plotcore::InvalidatePlotLod(slot, ActiveChannel);
    if (FileSHORTS[slot][kShortView] == 1 && gPlotHooks.drawAllChannels) {
      // Only the active channel changed: its strip is drawn afresh.
      gPlotHooks.drawAllChannels(ActiveChannel);
    } else {
      DrawPlot(0, 0, 1);
      MakePLOT_SLIDER();
    }
  }
  finish();
  if (st != FileEditStatus::Ok) ShowAlert(FileEditStatusText(st));
  return 0;
}

void RemoveMarkersFromBlock() {
  int16_t slot = -1;
  CaseSpan span;
  if (!FrontFileCropSpan(&slot, &span)) return;
  PlaySoundAlways(prefsArray[kPrefSoundLevel] > 25 ? "ahem" : "bzot");
  const plat::Rect r = centred(393, 105);
  BuildWINDOW(0, kDataLossWindow, "Data Loss Warning", static_cast<int16_t>(r.left), static_cast<int16_t>(r.top),
              static_cast<int16_t>(r.right), static_cast<int16_t>(r.bottom), kKindDocument, 1);
  WARNINGSTRIPES(0, 3, 14, 6, 6, 387, 99);
  putCICON(129, 16, 48);
  FileEditFittedText(kDataLossWindow, 56, 32, "Marker removal isn't 'undoable'\xC9", 21, 380, true, true);
  FileEditFittedText(kDataLossWindow, 56, 54, "Do you want to continue?", 17, 380);
  putCICON(130, 345, 94);
  button(kDataLossWindow, kDataLossCancel, "Cancel", {56, 66, 146, 88});
  button(kDataLossWindow, kDataLossContinue, "Continue", {158, 66, 258, 88}, true);
  const int16_t hit =
      WaitForAnswer(kDataLossWindow, {kDataLossContinue, kDataLossCancel}, kDataLossContinue, kDataLossCancel,
                    kDataLossCancel);
  plat::disposeWindow(kDataLossWindow);
  plotCurrent(slot);
  if (hit != kDataLossContinue) return;
  // The markers are saved with the file: a removal must not be lost unasked.
  if (RemoveMarkersInSpan(slot, span) > 0) FileSHORTS[slot][kShortChanged] = 1;
  Rip();
  RefreshSCREEN();
}
