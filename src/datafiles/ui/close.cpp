#include "datafiles/ui/close.h"

#include <algorithm>

#include "datafiles/ui/open.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/windows.h"
#include "shell/dispatch.h"
#include "shell/globals.h"
#include "shell/menurules.h"
#include "shell/store.h"
#include "shell/ui/about.h"
#include "shell/ui/kit.h"
#include "shell/ui/kitglobals.h"
#include "shell/ui/mailboxes.h"
#include "shell/ui/mainloop.h"

namespace {

constexpr MenuPick kPickSave{kMenuFile, 6};

plat::Rect centred(int width, int height) {
  const plat::Size desk = plat::displaySize();
  const int left = std::max(4, (desk.w - width) / 2);
  const int top = std::max(60, (desk.h - height) / 3);
  return {left, top, left + width, top + height};
}

enum class SaveAnswer { Save, DontSave, Cancel };

SaveAnswer AskSaveChanges(int16_t slot, CloseReason why, bool canSave) {
  const plat::Rect r = centred(440, 130);
  BuildWINDOW(1, kSaveChangesWindow, "Save Changes?", static_cast<int16_t>(r.left), static_cast<int16_t>(r.top),
              static_cast<int16_t>(r.right), static_cast<int16_t>(r.bottom), kKindDocument, 0);
  putCICON(128, 16, 52);
  BUILDEF(0, 4, SaveChangesQuestion(FileName[slot], why), 62, 16, 424, 70, 7, 0);
  const int y = 88;
  plat::addButton(kSaveChangesWindow, {.id = kSaveChangesDontSave, .title = "Don't Save", .r = {62, y, 162, y + 24}});
  plat::addButton(kSaveChangesWindow, {.id = kSaveChangesCancel,
                                       .kind = canSave ? plat::ButtonKind::Push : plat::ButtonKind::DefaultPush,
                                       .title = "Cancel",
                                       .r = {canSave ? 246 : 334, y, canSave ? 326 : 424, y + 24}});
  if (canSave)
    plat::addButton(kSaveChangesWindow,
                    {.id = kSaveChangesSave, .kind = plat::ButtonKind::DefaultPush, .title = "Save", .r = {334, y, 424, y + 24}});
  plat::flushWindow(kSaveChangesWindow);

  SaveAnswer answer = SaveAnswer::Cancel;
  {
    DialogScope dialog;
    for (bool done = false; !done;) {
      const auto [a, id] = TakeEvent();
      done = true;
      if (a == kActionClick && id == kSaveChangesSave) answer = SaveAnswer::Save;
      else if (a == kActionClick && id == kSaveChangesDontSave) answer = SaveAnswer::DontSave;
      else if (a == kActionClick && id == kSaveChangesCancel) answer = SaveAnswer::Cancel;
      else if (a == kActionClose && id == kSaveChangesWindow) answer = SaveAnswer::Cancel;
      else if (a == kActionKey && (id == 13 || id == 3)) answer = canSave ? SaveAnswer::Save : SaveAnswer::Cancel;
      else if (a == kActionKey && id == 27) answer = SaveAnswer::Cancel;
      else done = false;
    }
    MenuIDENTIFIER = MenuItem = 0;
  }
  plat::disposeWindow(kSaveChangesWindow);
  return answer;
}

void AfterLastFileClosed() {
  TheFileInUse = kNoFile;
  plat::disposeWindow(kToolbarWindow);
  SETMENU(0);
  FixMenuSEVEN();
  // No file left: load another one or quit.
  if (!FileTypeLoop()) RequestQuit();
}

}  // namespace

bool CHECKDUMP(int16_t slot, CloseReason why) {
  if (!FileChanged(slot)) return true;
  if (plat::windowExists(PlotWindowId(slot))) plat::selectWindow(PlotWindowId(slot));
  const bool canSave = CommandAvailable(kPickSave);
  switch (AskSaveChanges(slot, why, canSave)) {
    case SaveAnswer::DontSave: return true;
    case SaveAnswer::Cancel: return false;
    case SaveAnswer::Save: break;
  }
  // Save acts on the current file.
  const uint16_t before = TheFileInUse;
  TheFileInUse = static_cast<uint16_t>(slot);
  DoMENU(kPickSave.menu, kPickSave.item);
  if (ValidFileSlot(static_cast<int16_t>(before)) && SlotHoldsFile(static_cast<int16_t>(before)))
    TheFileInUse = before;
  // A save the user cancelled or that failed keeps the file open.
  return !FileChanged(slot);
}

void DiscardFileSlot(int16_t slot) {
  if (!ValidFileSlot(slot)) return;
  const bool wasFront = TheFileInUse == static_cast<uint16_t>(slot);
  for (int16_t id : WindowsClosedWith(slot, wasFront)) plat::disposeWindow(id);
  FileSHORTS[slot][kShortPlotBuilt] = 0;
  FreeSlot(slot);
  if (wasFront) TheFileInUse = kNoFile;
  FixMenuSEVEN();
}

bool CloseFileSlot(int16_t slot) {
  if (!ValidFileSlot(slot) || !SlotHoldsFile(slot)) return false;
  if (!CHECKDUMP(slot, CloseReason::Close)) return false;
  DiscardFileSlot(slot);
  const int16_t next = FileToActivateAfterClose(slot);
  if (next >= 0) {
    if (!ValidFileSlot(static_cast<int16_t>(TheFileInUse))) BringFileToFront(next);
    SETMENU(1);
    FixMenuSEVEN();
  } else {
    AfterLastFileClosed();
  }
  return true;
}

void CloseSeveralFiles() {
  const std::vector<int16_t> open = OpenFileSlots();
  if (open.empty()) return;
  const int rows = static_cast<int>(open.size());
  const plat::Rect r = centred(380, 90 + rows * 22 + 50);
  BuildWINDOW(1, kCloseSeveralWindow, "Close Several Files", static_cast<int16_t>(r.left), static_cast<int16_t>(r.top),
              static_cast<int16_t>(r.right), static_cast<int16_t>(r.bottom), kKindDocument, 0);
  EmbossPrint(1, "Files to close:", 16, 16, 28);
  for (int k = 0; k < rows; ++k) {
    const int16_t s = open[static_cast<size_t>(k)];
    const int y = 44 + k * 22;
    plat::addButton(kCloseSeveralWindow, {.id = static_cast<int16_t>(s + 1), .kind = plat::ButtonKind::CheckBox,
                                          .title = FileName[s], .r = {20, y, 360, y + 20}, .state = 2});
  }
  const int by = r.height() - 40;
  plat::addButton(kCloseSeveralWindow, {.id = kCloseSeveralCancel, .title = "Cancel", .r = {176, by, 266, by + 24}});
  plat::addButton(kCloseSeveralWindow, {.id = kCloseSeveralClose, .kind = plat::ButtonKind::DefaultPush,
                                        .title = "Close", .r = {276, by, 364, by + 24}});
  plat::flushWindow(kCloseSeveralWindow);

  bool accepted = false;
  std::vector<int16_t> chosen;
  {
    DialogScope dialog;
    for (bool done = false; !done;) {
      const auto [a, id] = TakeEvent();
      if ((a == kActionClick && id == kCloseSeveralClose) || (a == kActionKey && (id == 13 || id == 3))) {
        accepted = done = true;
      } else if ((a == kActionClick && id == kCloseSeveralCancel) || (a == kActionKey && id == 27) ||
                 (a == kActionClose && id == kCloseSeveralWindow)) {
        done = true;
      } else if (a == kActionClick && id >= 1 && id <= kMaxOpenFiles) {
        plat::setButtonState(kCloseSeveralWindow, id, plat::buttonState(kCloseSeveralWindow, id) == 2 ? 1 : 2);
      }
    }
    for (int16_t s : open)
      if (plat::buttonState(kCloseSeveralWindow, static_cast<int16_t>(s + 1)) == 2) chosen.push_back(s);
    MenuIDENTIFIER = MenuItem = 0;
  }
  plat::disposeWindow(kCloseSeveralWindow);
  if (!accepted) return;

  for (int16_t s : chosen) {
    // Cancel in the save question stops the rest: the user changed their mind.
    if (!CHECKDUMP(s, CloseReason::Close)) break;
    DiscardFileSlot(s);
  }
  const int16_t next = FileToActivateAfterClose(-1);
  if (next < 0) {
    AfterLastFileClosed();
    return;
  }
  if (!ValidFileSlot(static_cast<int16_t>(TheFileInUse))) BringFileToFront(next);
  SETMENU(1);
  FixMenuSEVEN();
}

void QuitProgram() {
  RunScript = 0;
  for (int16_t s : ChangedFileSlots())
    if (!CHECKDUMP(s, CloseReason::Quit)) return;
  RequestQuit();
}
