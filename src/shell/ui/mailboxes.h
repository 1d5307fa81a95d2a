// The event mailboxes and the handlers that fill them. Handlers only store:
// the loop that installed them reads action and eventID after each pump and
// clears them after acting, so a handler never runs a command while another
// is on the stack (Special-menu calculators and the help page excepted).
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/events.h"
#include "shell/dispatch.h"   // MenuIDENTIFIER, MenuItem

// action codes.
inline constexpr int16_t kActionClick = 1;          // eventID = control id
inline constexpr int16_t kActionFieldClick = 2;     // eventID = field id
inline constexpr int16_t kActionActivate = 3;       // eventID = window id
inline constexpr int16_t kActionClose = 4;          // eventID = window id
inline constexpr int16_t kActionTab = 7;
inline constexpr int16_t kActionKey = 16;           // eventID = character code
inline constexpr int16_t kActionNoticeClosed = 55;
inline constexpr int16_t kActionSpace = -990;
inline constexpr int16_t kActionMouse = -999;       // eventID = mouse state
// eventID of File > Save reported by noMENU as a click.
inline constexpr int16_t kSaveClickId = -99;
// Notice windows DoDIALOG closes itself.
inline constexpr int16_t kFirstNoticeWindow = 50;
inline constexpr int16_t kLastNoticeWindow = 66;

extern int16_t action;
extern int16_t eventID;
// Window of the last click on a control or field (0 before any).
extern int16_t eventWindow;
// A pick deferred by an analysis window; MENU_or_ToolBar_PICKED = 1 ends that
// window's loop so that the main loop can run it.
extern int16_t menuidx, menuitemx;
extern uint16_t MENU_or_ToolBar_PICKED;
// Id of the window the user last moved, resized or clicked into; 0 none.
extern int16_t WindowWasMoved, WindowWasResized, WindowWasClicked;
extern int16_t ChangeBlockButtonClicked;
extern int16_t MultiChanSelectorButtonClicked;   // 601..624
extern int16_t SliderEvent;
extern int16_t BaseLineButton;
// When 1, DoDIALOG plays "click" on button clicks.
extern uint16_t click;
// Tested by the file-data dialog; DoDIALOG clears it on every event.
extern uint16_t EditFieldWasSelected;
// Operation typed into the simple calculator: 1 +, 2 _, 3 *, 4 /, 5 ^.
extern int16_t MathOperation;
// Error of the text file being written; HandleFileError reports and clears it.
extern int FileErrorCode;

// Escape, and Ctrl+period, which the platform reports as Escape.
inline constexpr int16_t kEscapeKey = 27;

// ---- Handlers (plat::Handlers signatures) -----------------------------------
// The dialog handler of modal loops: Escape acts as the close box of the
// dialog in front (of the frontmost dialog when a plot window is in front).
void DoDIALOG(const plat::Event& e);
// The main loop's: Escape stays a key (it clears the block there).
void DoMainLoopDIALOG(const plat::Event& e);
plat::KeyVerdict CHECKRETURN(const plat::Event& e);
plat::KeyVerdict CALCCHECKRETURN(const plat::Event& e);
// A pick in a modal dialog is answered at once: File > Save becomes a click
// with id -99, Help opens the help page, anything else is refused with a
// beep; nothing is left to run after the dialog ends.
void noMENU(const plat::Event& e);
// A click outside the dialog's controls does nothing (and drops no other event).
void noMOUSE(const plat::Event& e);
void DoMouse(const plat::Event& e);
void MOUSECLICK(const plat::Event& e);
void ShowSpecificHelpWindow(const plat::Event& e);
void KILLSCRIPT_for_Help(const plat::Event& e);
// Main loop and script loop: stores the pick; the loop runs DoMENU on it in
// the same pass.
void HANDLEMENU(const plat::Event& e);

// Reports a failed write with the standard file-error alert; clears
// FileErrorCode. Nothing to report when errnoValue is 0.
// `consequence` says what became of the data (shown under the error).
void HandleFileError(const std::filesystem::path& path, int errnoValue, const std::string& consequence = {});
// Lets the platform see its queue once in a tight loop, so the program never
// looks hung; events stay queued for the loop's own pump.
void KillSpinningCursor();

// The handlers of a dialog: noMENU, noMOUSE, DoDIALOG, CHECKRETURN; the
// documents handler is kept.
void InstallDialogHandlers();
// Clears action and eventID.
void ClearMailbox();

struct MailboxEvent {
  int16_t action;
  int16_t id;
};
// One pass of a modal loop: pumps once and takes what the handlers stored,
// leaving the mailbox clear so that no event is acted on twice.
MailboxEvent TakeEvent();

// Saves the installed handlers and puts them back on leaving a scope, so a
// nested dialog returns its caller's handlers intact.
class HandlerScope {
 public:
  HandlerScope() : saved_(plat::handlers()) {}
  ~HandlerScope() { plat::handlers() = saved_; }
  HandlerScope(const HandlerScope&) = delete;
  HandlerScope& operator=(const HandlerScope&) = delete;

 private:
  plat::Handlers saved_;
};

// The opening of a modal loop: the caller's handlers kept until the scope
// ends, the loop's handlers installed and the mailbox cleared.
class DialogScope {
 public:
  explicit DialogScope(void (*install)() = InstallDialogHandlers) {
    install();
    ClearMailbox();
  }

 private:
  HandlerScope keep_;
};
