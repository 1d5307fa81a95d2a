// The toolbar window (1999) beside, below or above the plot window, its
// buttons, and what a click on one does.
#pragma once
#include <cstdint>
#include <string>

extern int16_t lasttoolbuttonXpos;
extern uint16_t lasttoolbuttonYpos;
extern int16_t PlotDialogMode;   // 0 normal, 2..98 a paging key pending, 99 baseline picking

inline constexpr int16_t kFirstToolButton = 551;
inline constexpr int16_t kLastToolButton = 599;

// (Re)builds the toolbar for the current file at prefsArray word 33's place,
// as high as its rows of buttons; the plot window and the windows under it
// make room for it.
int16_t ToolBar();
// True when word 33 asks for another place than the toolbar stands in.
bool ToolbarPlaceChanged();
// After the user resized it: the buttons laid out again for the new width,
// the window as high as their rows, the plot and the windows under it
// making room again.
void ToolbarResized();
// Lays out every button and sets each one's state from the current file:
// buttons whose command is not built stay dimmed.
int16_t DRAWTOOLS();
// One button at the pen; a negative id creates it dimmed.
int16_t toolbutton(int16_t id, uint16_t state, const std::string& title, int16_t width, uint16_t gap,
                   int16_t limit);
// A click on a toolbar button while no analysis window runs: a pair left
// for the main loop, a direct action, or the file-type question first.
// False for ids outside the toolbar.
bool HandleToolbarClick(int16_t id);
// The same while an analysis window runs its own loop: the pick is
// deferred until that loop ends.
int16_t SetMenuButton(uint16_t id);
// The plot window's own events as the mailbox holds them: a pending page
// slider, a paging key (PlotDialogMode 2..98: arrows 28 and 29 step one
// segment, wrapping round), or a click on a plot or toolbar control, handed
// to gMainLoopHooks.controlClicked as the main loop does.
int16_t HandlePlotDIALOG();
// The close box moves the toolbar on: left, bottom, top, left...
void ToolbarClosed();
