// Block selection with the mouse in the plot window of the current file:
// drag, two clicks or an automatic-block click; clearing the block and
// bringing back the last one; the "Done" panel of the click tools.
#pragma once
#include <cstdint>

#include "platform/events.h"

// Window ids of the histograms a block analysis leaves; closed on every new
// block and when the block is cleared.
inline constexpr int16_t kFirstHistogramWindow = 151;
inline constexpr int16_t kLastHistogramWindow = 174;
inline constexpr int16_t kExitClickButton = 700;

// The press at HorizPosition in the plot window of TheFileInUse: tracks a
// drag until the button is released (XOR band, data bar), or takes the
// press as a click; leaves BeginBlock, EndBlock and FileSHORTS words 2, 11,
// 12, opens the block window for a defined block and re-runs the current
// analysis with Autorepeat.
void HandleMOUSE();
// Removes the block of TheFileInUse from the plot (pixels restored exactly),
// state 0; BeginBlock and EndBlock stay for "Reset Last Block".
void CLEARBLOCK();
// Edit "Reset Last Block": the block CLEARBLOCK kept comes back.
void ResetLastBlock();
// Click tools: show != 0 and remove = 0 prints the DELETE hint and adds
// button 700 "Done -- click to exit" in the current window; with remove the
// panel goes again; show = 0 only makes window 4 current.
void ExitClick(uint16_t show, uint16_t remove);

// The main loop's mouse handler: notes the pointer and hands a press in the
// current file's plot window to HandleMOUSE.
void PlotMouseHandler(const plat::Event& e);

// Registers Edit "Clear Block" and "Reset Last Block".
void RegisterSelectionCommands();
