// Window 2, the block window: the selected block of one channel enlarged,
// with the scale every block analysis draws with afterwards; without a
// block, the instruction panel about selecting blocks.
#pragma once
#include <cstdint>

// Also part of this window's state, declared where they already live:
// chanB (plot/ui/redraw.h), RightLim, BlockWindowRight, BlockWindowBottom
// (plot/ui/plotwindow.h), BlockMinY (plot/ui/draw.h), nPoints
// (output/results.h).
extern uint16_t BlockWindowIsOpen;   // 1 while window 2 is a block view
extern int16_t UpperLimit;           // bottom row of the trace area
extern float BlockMaxY;
extern double BlockXscale;           // pixels per case
extern int16_t LastBlockWindowWidth, LastBlockWindowHeight;
extern int32_t OldBeginBlock, OldEndBlock;

inline constexpr int16_t kBlockWindow = 2;
inline constexpr int16_t kBlockPanelButton = 10;   // "Hide" / "Show Instructions"
inline constexpr int16_t kBlockPanelText = 11;     // text view of the expanded panel

// (Re)creates window 2 for the current file: block view with a block,
// otherwise the instruction panel (prefs 20, 52) or nothing.
void OPENBLOCKWINDOW();
// Draws the block of chanB into window 2 without bringing it forward; the
// window active before stays active. Needs block state 2.
void DRAWBLOCK();
void BLOCKMARKERS();
void DrawBlockZero();
// Modal stay in window 2 while it shows the instruction panel.
void SWITCHtoWINDOW2();

// For the main loop on the activation of window 2 or 3: window 2 showing
// the instruction panel runs SWITCHtoWINDOW2, window 3 opens the comments
// editor. False when the window is neither.
bool BlockOrCommentsWindowActivated(int16_t windowId);

// The front plot window moved: the comments box and the block window come
// along, keeping their places below it.
void FollowPlotWindow();
// Both, after whatever brought the plot window in front of them.
void KeepPlotFurnitureSeen();
// Window 2 still showing a block the current file no longer has (a command
// cleared it) is built again without it.
void DropClearedBlockView();
// The block window built again where it stands now and as large as the desk
// lets it be there, after the toolbar moved the windows under the plot.
void RelayoutBlockWindow();

// Row of value v and column of case k in window 2 after DRAWBLOCK.
int BlockRowOf(float v);
int BlockColumnOf(int32_t k);

// View ▸ Comments toggles.
void ToggleComments();
void ToggleBlockInstructions();

// Registers View "Show All Channel Values…", "Show Comments" and "Show Block
// Instructions" and installs the plot and dispatch hooks of the data bar,
// block window and comments box.
void RegisterBlockWindowCommands();
