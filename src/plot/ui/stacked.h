// The stacked view of a file: every shown channel in its own strip, the
// "Multichannel Display" dialog that switches to it, the channel selector
// window 1200 and the strips' hide buttons.
#pragma once
#include <cstdint>

// ---- Globals of the stacked view -------------------------------------------------
extern uint16_t CustomScreenPlot;        // strips on screen use the user's heights
extern uint16_t CustomPlot;              // the same for printed plot images
extern uint16_t MultiChanSelectorWindow; // selector shows its buttons (else a stub)
extern int16_t LastMCH;                  // last channel shown
// Strip height of the last channel handled. Not `ch`: that is the analysed
// channel of the results, which a redraw must not change.
extern int16_t LastStripHeight;
extern int16_t DrawAllScaleMode;         // scale mode of the strip being drawn

inline constexpr int16_t kMultiDisplayWindow = 6;
inline constexpr int16_t kSelectorWindow = 1200;
// Controls of the "Multichannel Display" dialog.
inline constexpr int16_t kMultiOK = 1;
inline constexpr int16_t kMultiAdjust = 2;
inline constexpr int16_t kMultiOneChannel = 3;
inline constexpr int16_t kMultiCustomHeights = 4;
inline constexpr int16_t kMultiSameView = 5;
inline constexpr int16_t kMultiAskNew = 6;
inline constexpr int16_t kMultiDontAsk = 7;
inline constexpr int16_t kMultiCancel = 8;
// Per channel c: hide button 700 + c on its strip, selector button 600 + c.
inline constexpr int16_t kHideButtonBase = 700;
inline constexpr int16_t kSelectorButtonBase = 600;

// Mode 0 runs the dialog (View menu), kMultiAfterNewChannel (plot/ui/draw.h)
// runs it when a command made or removed a channel; any other mode returns
// the front file to the single view (and clears the overlay set). Nothing
// for a file of one channel. The custom-height dialog follows only when the
// user asked for it: from the View menu, or by ticking its box; after a new
// channel with the box left as it was, heights made for other strips give
// way to equal ones.
void MultiChannelDisplay(int16_t mode);
// All shown strips (channel 0) or one channel's strip; the furniture, hide
// buttons and selector are redrawn either way, unless held away.
void DrawALLCHANNELS(int16_t channel);
// While a tool works inside the strips (the spike tool), the channel
// selector and the strips' hide buttons are taken away, so that no click on
// them changes the view under the tool; released, the next redraw brings
// them back.
void HoldStripFurniture(bool hold);
// (Re)builds the selector window 1200 beside the plot window.
void MultiChannelChanSelectWindow(uint16_t mode);
// The custom strip-height dialog (plot/ui/stripheights.cpp): target 1 the
// screen strips, 0 the strips of a printed image. Nothing with fewer than two
// shown channels.
void ChangeCHARTHITE(int16_t target);
// Hide and selector buttons; false for any other control.
bool HandleStackedControlClick(int16_t controlId);
// Installs the stacked view's commands and plot hooks.
void RegisterStackedViewCommands();
