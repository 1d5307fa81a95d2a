// The window kit: numbered windows, fields, buttons and the framed, striped
// and engraved decorations every dialog draws, plus the shared dialogs (the
// alert, the channel selection). Coordinates of windows are global; those of
// controls and drawing are local to the current window.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/types.h"
#include "shell/ui/windowids.h"

using plat::MacText;

// Control ids the kit owns.
inline constexpr int16_t kProgressControl = 777;
inline constexpr int16_t kCrossChannelBox = 99;
inline constexpr int16_t kChannelPopup = 333;
// Each plot window's pop-up has a menu of its own: kChannelPopupMenu + slot.
inline constexpr int16_t kChannelPopupMenu = 333;
inline constexpr int16_t kToolbarKeyButton = 598;
// Window kinds of BuildWINDOW.
inline constexpr int16_t kKindDocument = 5;        // with close box
inline constexpr int16_t kKindNoCloseBox = 261;    // alerts

// The window that BuildWINDOW made last (the current output window).
extern int16_t CurrentlyActiveWindow;
// Lower end of the progress bar's scale; callers set it, usually to 1.
extern int32_t MinimumProgressBarValue;
extern int16_t ToolbarIsHidden;

// Closes a window of that id and opens it again with the title and global
// content rectangle; it becomes the current output window. themeBackground
// gives the theme's dialog ground, else lightGray 1 light grey, else grey.
void BuildWINDOW(int16_t themeBackground, int16_t windowId, const MacText& title, int16_t left,
                 int16_t top, int16_t right, int16_t bottom, int16_t kind, int16_t lightGray);
// While a command runs, every window it builds stands in front of the plot
// it picks in, whatever a pick there brings forward: a window placed over a
// plot moved low showed its controls no more. BuildWINDOW keeps its windows
// so; the main loop lets them go once the command has ended.
void KeepInFrontOfPlot(int win);
void ReleaseWindowsKeptOverPlot();
// A window built for a wait that runs main-loop passes (the script's block
// request) stays in front of the plot until it closes: the pass's release
// would let the first press on the plot cover it.
void KeepInFrontOfPlotWhileOpen(int win);
// Field in the current window. Type 7 static text; below 5 editable with an
// etched frame (text selected on entry); 5 and up editable, plain frame.
// justification: 0 left, 1 centre, -1 right. Colours from EFForeColor and
// EFBackColor as they stand.
void BUILDEF(int16_t framed, int16_t fieldId, const MacText& text, int16_t left, int16_t top,
             int16_t right, int16_t bottom, int16_t fieldType, int16_t justification);
// Radio button (kind 3) or check box (other kinds) with its box at
// (left, top + 1)-(left + 18, top + 13) and its title printed beside it.
// A button of that id is re-created, so it loses its mark.
void BUILDBUTTON(int16_t id, int16_t state, const MacText& title, int16_t left, int16_t top,
                 int16_t kind);
// Pop-up of menu menuId; controlId 0 gives the control the menu's id.
void MakePOPUPmenu(int16_t controlId, int16_t menuId, int16_t selectedItem, int16_t left,
                   int16_t top, int16_t right, int16_t bottom);

// ---- Decorations, drawn into the current window --------------------------------
void BuildBOX(int16_t left, int16_t top, int16_t right, int16_t bottom);
void BUILDBOX2(int16_t left, int16_t top, int16_t right, int16_t bottom);
void GrayBOX(int16_t fill, int16_t left, int16_t top, int16_t right, int16_t bottom);
// Engraved rule: white at y, medium dark grey at y - 1.
void DoubleLINE(int16_t x1, int16_t x2, int16_t y);
// Heading in the serif face; styleBit 1 bold, 2 italic, 4 underline.
// Embossed (a white relief) on a colour display.
void EmbossPrint(int16_t styleBit, const MacText& text, int16_t size, int16_t x, int16_t y);
// Yellow ground (white on a monochrome display) with black diagonal stripes
// step pixels apart, starting start pixels from the left; the panel
// (left, top, right, bottom) is cleared and framed.
void WARNINGSTRIPES(int16_t start, int16_t penWidth, int16_t step, int16_t left, int16_t top,
                    int16_t right, int16_t bottom);
// 32 x 32 icon with its bottom-left corner at (left, bottom).
void putCICON(int16_t iconId, int16_t left, int16_t bottom);
void DoSubscript(int16_t x, int16_t y, const MacText& base, const MacText& subscript,
                 const MacText& tail, int16_t drop);
void MakeSuperscript(const MacText& text, int16_t size);
// The channel's label and a line end at the pen of the current window.
void PrintChannelLabel(int16_t channel);

// ---- Progress bar 777 ---------------------------------------------------------------
void buildProgressBAR(int16_t left, int16_t top, int16_t right, int16_t bottom, int32_t total,
                      int16_t windowId);
void UpdateProgressBar(int32_t count);

// ---- Toolbar ---------------------------------------------------------------------
// The toolbar's owner repaints its ground; absent, the kit leaves it as is.
struct KitHooks {
  std::function<void()> redrawToolbarBackground;
  // The front plot window's content less its cascade step, which the windows
  // under the plot take their left from; empty when there is none.
  std::function<plat::Rect()> plotUncascaded;
};
extern KitHooks gKitHooks;
int16_t HideTheToolBar();
int16_t RestoreTheToolBar();

// ---- Plot-window furniture -----------------------------------------------------
void MakeChannelSelectionsPopUp();
void MultiChannelIndicator();
void KillMCHpictures(int16_t channel);

// ---- Results windows -----------------------------------------------------------
void OpenResultsWIndow(uint16_t crossChannelOption, int16_t themeBackground, int16_t lightGray,
                       const MacText& title, uint16_t shift);
// Content rectangle of a command's second window beside its results window
// (frame `results`), clear of the comments box, block window and toolbar
// where the desk has room (PlaceSecondWindow).
plat::Rect SecondWindowPlace(plat::Size size, plat::Rect results);
void OPENWINDOW6(int16_t themeBackground, int16_t lightGray, const MacText& title, uint16_t height);
void ClearWINDOW41();
// Notice window 90 "Data Filter In Use:" below the plot; the window that was
// current stays current. The caller closes window 90.
void DataFilterNotice(const MacText& text);
// Red band in the current window with text flashed nine times at baseline y.
void MOVE_CURSOR_CUE(int16_t left, int16_t top, int16_t right, int16_t bottom, const MacText& text,
                     int16_t y);

// ---- Channel selection -----------------------------------------------------------
// Modes: 1 channels to print into set 1 ("Block Only" 125 toggles printblock
// when a block exists); 2 channels to remove into set 1; 3 channels of the
// stacked display into set 1; 4 overlay channels into set 1 (channel a is
// the active one and cannot be chosen; CustomOverlay when boxes were ticked
// by hand); 5 channels to save into set 2. Returns 4 when cancelled (the
// Cancel button of mode 4, or the close box in any mode), else 0. A
// cancelled removal leaves no channel flagged.
int16_t SELECTCHANNELS(const MacText& title, int16_t a, int16_t b, int16_t c, int16_t mode);
inline constexpr int16_t kSelectCancelled = 4;
// Button ids of the dialog: check box c is channel c.
inline constexpr int16_t kSelectAll = 101;
inline constexpr int16_t kSelectNone = 102;
inline constexpr int16_t kSelectDone = 103;
inline constexpr int16_t kSelectCancel = 104;
inline constexpr int16_t kSelectBlockOnly = 125;
// Channels of the all-values display into set 3. Returns 0.
int16_t SetUpAllValuesDisplay();

// ---- Text views ---------------------------------------------------------------------
struct TextViewRef {
  int window = 0;
  int id = 0;
};
// Non-zero for an unknown code or a missing text.
int16_t TxtViewLoadText(TextViewRef view, int16_t code);
void TxtViewSetMargins(TextViewRef view, int16_t left, int16_t top, int16_t right, int16_t bottom);
void TextViewSetTextFromMyContainer(TextViewRef view);
void TextViewGetTextCopyIntoMyContainer(TextViewRef view);

// ---- The alert ---------------------------------------------------------------------
// Every failure: striped band, caution icon, the sound (when sounds are on),
// the message and OK. Waits for OK, Return, Enter or the close box; the
// caller's window, handlers and mailbox come back as they were.
void ShowAlert(const MacText& text, const char* sound = "bzot", int16_t icon = 128);
inline constexpr int16_t kAlertOK = 1;
inline constexpr int16_t kAlertMessage = 2;
