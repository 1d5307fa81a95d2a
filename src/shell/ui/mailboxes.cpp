#include "shell/ui/mailboxes.h"

#include <cerrno>

#include "platform/files.h"
#include "platform/resources.h"
#include "platform/sound.h"
#include "platform/windows.h"
#include "shell/globals.h"
#include "shell/menutable.h"
#include "shell/ui/sounds.h"
#include "shell/ui/help.h"
#include "shell/ui/windowids.h"

int16_t action = 0;
int16_t eventID = 0;
int16_t eventWindow = 0;
int16_t menuidx = 0, menuitemx = 0;
uint16_t MENU_or_ToolBar_PICKED = 0;
int16_t WindowWasMoved = 0, WindowWasResized = 0, WindowWasClicked = 0;
int16_t ChangeBlockButtonClicked = 0;
int16_t MultiChanSelectorButtonClicked = 0;
int16_t SliderEvent = 0;
int16_t BaseLineButton = 0;
uint16_t click = 0;
uint16_t EditFieldWasSelected = 0;
int16_t MathOperation = 0;
int FileErrorCode = 0;

namespace {
constexpr MenuPick kPickSave{kMenuFile, 6};

void storePick(const plat::Event& e) {
  MenuIDENTIFIER = static_cast<int16_t>(e.menu);
  MenuItem = static_cast<int16_t>(e.item);
}
}  // namespace

void ClearMailbox() { action = eventID = 0; }

MailboxEvent TakeEvent() {
  plat::pump();
  const MailboxEvent e{action, eventID};
  ClearMailbox();
  return e;
}

namespace {

// Windows that belong to the main loop, not to a dialog: Escape never closes them.
bool mainLoopWindow(int id) {
  return PlotSlotOfWindow(id) >= 0 || id == kToolbarWindow || id == kChannelSelectorWindow || id == 2 || id == 3;
}

// The dialog that Escape (or Ctrl+period) leaves: the window the key went
// to, or, with a plot in front (the marker panel), the frontmost dialog
// behind it. 0 when only main-loop windows are open.
int escapeTarget(int window) {
  if (window != 0 && plat::windowExists(window) && !mainLoopWindow(window)) return window;
  for (int id : plat::windowIds())
    if (plat::windowVisible(id) && !mainLoopWindow(id)) return id;
  return 0;
}

void closeBoxOf(int window) {
  if (window >= kFirstNoticeWindow && window <= kLastNoticeWindow) {
    plat::disposeWindow(window);
    action = kActionNoticeClosed;
    eventID = 0;
  } else {
    action = kActionClose;
    eventID = static_cast<int16_t>(window);
  }
}

}  // namespace

void DoDIALOG(const plat::Event& e) {
  if (e.kind == plat::EventKind::Key && e.charCode == kEscapeKey) {
    // Escape is every dialog's close box, so no dialog can hold the user.
    if (const int target = escapeTarget(e.window)) {
      closeBoxOf(target);
      EditFieldWasSelected = 0;
      return;
    }
  }
  DoMainLoopDIALOG(e);
}

void DoMainLoopDIALOG(const plat::Event& e) {
  using K = plat::EventKind;
  switch (e.kind) {
    case K::ControlHit:
      action = kActionClick;
      eventID = static_cast<int16_t>(e.control);
      eventWindow = static_cast<int16_t>(e.window);
      // The user's sound setting rules this click as it rules every other sound.
      if (click == 1) PlayNamedSound("click");
      break;
    case K::FieldClick:
      action = kActionFieldClick;
      eventID = static_cast<int16_t>(e.control);
      eventWindow = static_cast<int16_t>(e.window);
      break;
    case K::Activate:
      action = kActionActivate;
      eventID = static_cast<int16_t>(e.window);
      break;
    case K::CloseBox: closeBoxOf(e.window); break;
    case K::Key:
      action = kActionKey;
      eventID = static_cast<int16_t>(e.charCode);
      break;
    case K::Moved: WindowWasMoved = static_cast<int16_t>(e.window); break;
    case K::Resized: WindowWasResized = static_cast<int16_t>(e.window); break;
    default: break;   // Deactivate, AppActivated
  }
  EditFieldWasSelected = 0;
}

plat::KeyVerdict CHECKRETURN(const plat::Event& e) {
  switch (e.charCode) {
    case 13: case 3:
      action = kActionKey;
      eventID = static_cast<int16_t>(e.charCode);
      return plat::KeyVerdict::Swallow;
    case 9:
      action = kActionTab;
      return plat::KeyVerdict::Swallow;
    case 30: case 31:
      return plat::KeyVerdict::Swallow;
    case 32:
      action = kActionSpace;
      return plat::KeyVerdict::Insert;
    default:
      return plat::KeyVerdict::Insert;
  }
}

plat::KeyVerdict CALCCHECKRETURN(const plat::Event& e) {
  switch (e.charCode) {
    case '+': MathOperation = 1; return plat::KeyVerdict::Swallow;
    case '_': MathOperation = 2; return plat::KeyVerdict::Swallow;
    case '*': MathOperation = 3; return plat::KeyVerdict::Swallow;
    case '/': MathOperation = 4; return plat::KeyVerdict::Swallow;
    case '^': MathOperation = 5; return plat::KeyVerdict::Swallow;
    case 13: case 3:
      action = kActionKey;
      eventID = static_cast<int16_t>(e.charCode);
      return plat::KeyVerdict::Swallow;
    case 9:
      action = kActionTab;
      return plat::KeyVerdict::Swallow;
    default:
      return plat::KeyVerdict::Insert;
  }
}

void noMENU(const plat::Event& e) {
  const MenuPick pick{static_cast<int16_t>(e.menu), static_cast<int16_t>(e.item)};
  if (pick == kPickSave) {
    action = kActionClick;
    eventID = kSaveClickId;
  } else if (pick == kPickHelp) {
    OpenHelpPage(HelpSubject);
  } else {
    // Answered now: a pick kept for later would run a command the user has
    // long forgotten once the dialog ends.
    plat::systemBeep();
  }
}

void noMOUSE(const plat::Event&) { ClearMailbox(); }

void DoMouse(const plat::Event& e) {
  HorizPosition = static_cast<int16_t>(e.local.x);
  VerticalPosition = static_cast<int16_t>(e.local.y);
  action = kActionMouse;
  eventID = e.kind == plat::EventKind::MouseDown ? 1 : 0;   // button down / up
}

void MOUSECLICK(const plat::Event& e) {
  if (e.kind == plat::EventKind::MouseDown) action = kActionClick;
}

void ShowSpecificHelpWindow(const plat::Event& e) {
  if (e.menu == kMenuSpecial) {
    // The calculator runs its own loop; the analysis window's loop resumes
    // with its handlers and an empty mailbox.
    HandlerScope keep;
    DoMENU(static_cast<int16_t>(e.menu), static_cast<int16_t>(e.item));
    ClearMailbox();
    return;
  }
  menuidx = static_cast<int16_t>(e.menu);
  menuitemx = static_cast<int16_t>(e.item);
  MENU_or_ToolBar_PICKED = 1;
}

void KILLSCRIPT_for_Help(const plat::Event& e) {
  ClearMailbox();
  if (MenuPick{static_cast<int16_t>(e.menu), static_cast<int16_t>(e.item)} == kPickHelp) {
    OpenHelpPage(HelpSubject);
    return;
  }
  storePick(e);
}

void HANDLEMENU(const plat::Event& e) {
  storePick(e);
  ClearMailbox();
}

void HandleFileError(const std::filesystem::path& path, int errnoValue, const std::string& consequence) {
  if (errnoValue != 0) plat::showFileError(path, errnoValue, consequence);
  FileErrorCode = 0;
  errno = 0;
}

void KillSpinningCursor() { plat::processPending(); }

void InstallDialogHandlers() {
  auto& h = plat::handlers();
  h.menu = noMENU;
  h.mouse = noMOUSE;
  h.dialog = DoDIALOG;
  h.editKey = CHECKRETURN;
}
