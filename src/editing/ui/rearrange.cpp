#include "editing/ui/rearrange.h"

#include <algorithm>

#include "editing/fileedit.h"
#include "editing/ui/fileedit_ui.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/windows.h"
#include "plot/ui/plotwindow.h"
#include "plot/ui/stacked.h"
#include "shell/globals.h"
#include "shell/store.h"
#include "shell/textutil.h"
#include "shell/ui/fieldkit.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/sounds.h"

namespace {

constexpr int16_t kWin = kRearrangeWindow;
constexpr int kRow = 18;
constexpr int kFirstRow = 44;

void button(int16_t win, int16_t id, const char* title, plat::Rect r, plat::ButtonKind kind, int state = 1) {
  AddKitButton(win, id, kind, title, r, state);
}

void labelField(int16_t id, const std::string& text, int top, int left) {
  plat::FieldSpec f;
  f.id = id;
  f.text = TrimTrailingBlanks(text);
  f.r = {left, top, left + 214, top + 16};
  f.kind = plat::FieldKind::Static;
  f.font.pixelSize = 10;
  plat::addField(kWin, f);
}

struct Run {
  int16_t slot = 0;
  int16_t channels = 0;
  ChannelOrder order;
  bool reAr = false;
};

int bottomRow(int16_t channels) { return kFirstRow + std::max<int>(channels, 14) * kRow; }

void build(const Run& run) {
  int x = 40;
  if (plat::windowExists(PlotWindowId(run.slot))) x += plat::contentRect(PlotWindowId(run.slot)).left;
  const int height = bottomRow(run.channels) + 104;
  const int top = std::max(50, plat::config().menuBarHeight + plat::config().titleBarHeight);
  BuildWINDOW(0, kWin, "Re-arrange Channels", static_cast<int16_t>(x), static_cast<int16_t>(top),
              static_cast<int16_t>(x + 575), static_cast<int16_t>(top + height), kKindDocument, 1);
  FileEditText(kWin, 34, 28, "Original order", 14, true);
  FileEditText(kWin, 332, 28, "New order", 14, true);
  for (int16_t c = 1; c <= run.channels; ++c) {
    const int y = kFirstRow + (c - 1) * kRow;
    FileEditText(kWin, 6, y + 13, NumText(c) + ":", 11);
    labelField(static_cast<int16_t>(kRearrangeLabelBase + c), RetrieveLabelOf(run.slot, c), y, 34);
    button(kWin, c, "next\xC9", {252, y, 310, y + 16}, plat::ButtonKind::Bevel);
  }
  const int b = bottomRow(run.channels);
  putCICON(129, 10, b + 44);
  FileEditText(kWin, 50, b + 24, "Caution:  ", 14, true, true);
  FileEditText(kWin, -1, b + 24, "Undo not possible", 14);
  button(kWin, kRearrangeReArBox, "Add  'ReAr ' to Default File Name", {50, b + 32, 330, b + 50},
         plat::ButtonKind::CheckBox);
  putCICON(130, 530, b + 44);
  button(kWin, kRearrangeAgain, "Arrange Again", {50, b + 62, 170, b + 86}, plat::ButtonKind::Push);
  button(kWin, kRearrangeCancel, "Cancel", {180, b + 62, 270, b + 86}, plat::ButtonKind::Push);
  button(kWin, kRearrangeOK, "Re-arrangement OK", {360, b + 62, 560, b + 86}, plat::ButtonKind::DefaultPush, 0);
  Zap();
  plat::flushWindow(kWin);
}

void pick(Run& run, int16_t c) {
  if (run.order.count >= kMaxChannels) return;
  run.order.add(c);
  plat::setButtonState(kWin, c, 2);
  plat::setButtonState(kWin, kRearrangeOK, 1);
  const int y = kFirstRow + (run.order.count - 1) * kRow;
  labelField(static_cast<int16_t>(kRearrangePickBase + run.order.count),
             NumText(run.order.count) + ":  " + RetrieveLabelOf(run.slot, c), y, 332);
  if (run.order.count == kMaxChannels)
    for (int16_t k = 1; k <= run.channels; ++k) plat::setButtonState(kWin, k, 0);
}

void arrangeAgain(Run& run) {
  Rip();
  for (int16_t k = 1; k <= run.order.count; ++k) plat::removeControl(kWin, kRearrangePickBase + k);
  for (int16_t c = 1; c <= run.channels; ++c) plat::setButtonState(kWin, c, 1);
  plat::setButtonState(kWin, kRearrangeOK, 0);
  run.order.reset();
}

// True when the channels were re-arranged.
bool rearrange(const Run& run) {
  plat::setCursor(plat::CursorKind::Watch);
  // The whole file is written to the backup first: the user sees why it takes a while.
  const plat::Rect at = plat::contentRect(kWin);
  BuildWINDOW(0, kRearrangeSavingWindow, "Saving...", static_cast<int16_t>(at.left + 150),
              static_cast<int16_t>(at.top + 60), static_cast<int16_t>(at.left + 430),
              static_cast<int16_t>(at.top + 120), kKindNoCloseBox, 1);
  FileEditText(kRearrangeSavingWindow, 20, 36, "Saving...", 18, true);
  plat::flushWindow(kRearrangeSavingWindow);
  const FileEditStatus st = RearrangeChannels(run.slot, run.order, plat::appFolder() / kRearrangeBackupName);
  plat::disposeWindow(kRearrangeSavingWindow);
  plat::setCursor(plat::CursorKind::Arrow);
  if (st != FileEditStatus::Ok) {
    ShowAlert(FileEditStatusText(st));
    return false;
  }
  if (run.reAr) SaveAsName[run.slot] = RearrangedName(FileName[run.slot]);
  else REARRANGEWARN();
  return true;
}

}  // namespace

void REARRANGEWARN() {
  PlaySoundAlways("ahem");
  const plat::Size desk = plat::displaySize();
  const int left = std::max(4, (desk.w - 369) / 2), top = std::max(60, desk.h / 3);
  BuildWINDOW(0, kChangeWarningWindow, "Data Change Warning", static_cast<int16_t>(left), static_cast<int16_t>(top),
              static_cast<int16_t>(left + 369), static_cast<int16_t>(top + 105), kKindDocument, 1);
  WARNINGSTRIPES(0, 3, 14, 6, 6, 363, 99);
  putCICON(129, 14, 46);
  FileEditFittedText(kChangeWarningWindow, 54, 32, "Some channels were changed.", 20, 356, true);
  FileEditFittedText(kChangeWarningWindow, 20, 56, "Saving the file under the old file name will make", 14, 356);
  FileEditText(kChangeWarningWindow, 20, 74, "these changes ", 13);
  FileEditText(kChangeWarningWindow, -1, 74, "permanent.", 13, true, true);
  button(kChangeWarningWindow, kChangeWarningOK, "OK", {270, 66, 350, 90}, plat::ButtonKind::DefaultPush);
  WaitForAnswer(kChangeWarningWindow, {kChangeWarningOK}, kChangeWarningOK, kChangeWarningOK, kChangeWarningOK);
  plat::disposeWindow(kChangeWarningWindow);
}

void REARRANGE() {
  const auto slot = static_cast<int16_t>(TheFileInUse);
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return;
  Run run;
  run.slot = slot;
  run.channels = nChannels[slot];
  HideTheToolBar();
  build(run);
  bool arranged = false;
  {
    HandlerScope keep;
    auto& h = plat::handlers();
    h.dialog = DoDIALOG;
    h.editKey = CHECKRETURN;
    h.menu = noMENU;
    h.mouse = noMOUSE;
    ClearMailbox();
    for (bool done = false; !done;) {
      const auto [a, id] = TakeEvent();
      if (!plat::windowExists(kWin)) break;
      plat::setCurrentPort(kWin);
      if ((a == kActionClose && id == kWin) || (a == kActionActivate && id != kWin)) break;
      if (a == kActionKey && (id == 13 || id == 3)) {
        if (run.order.count > 0) {
          arranged = rearrange(run);
          done = true;
        }
        continue;
      }
      if (a != kActionClick) continue;
      if (id >= 1 && id <= run.channels) {
        pick(run, id);
      } else if (id == kRearrangeAgain) {
        arrangeAgain(run);
      } else if (id == kRearrangeCancel) {
        downvip();
        done = true;
      } else if (id == kRearrangeReArBox) {
        run.reAr = !run.reAr;
        plat::setButtonState(kWin, kRearrangeReArBox, run.reAr ? 2 : 1);
      } else if (id == kRearrangeOK && run.order.count > 0) {
        arranged = rearrange(run);
        done = true;
      }
    }
  }
  plat::disposeWindow(kWin);
  RestoreTheToolBar();
  if (arranged && FileSHORTS[slot][kShortView] == 1) {
    // The strips shown were numbered as before: the user picks them again.
    // Heights set for the old strips give way to equal ones.
    splot = 1;
    SELECTCHANNELS("Select Channels to Display", 1, 0, 1, 3);
    CustomScreenPlot = 0;
  }
  if (arranged) RedrawWholeFile();
  else MakeChannelSelectionsPopUp();
}
