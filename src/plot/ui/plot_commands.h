// The plot window's commands and controls: View "Redraw", the Channel menu,
// the channel pop-up and the page slider, the keys typed over the plot, and
// the time-unit dialog.
#pragma once
#include <cstdint>

#include "shell/dispatch.h"

// The plot subsystem's registrar: the commands of the plot window, the block
// selection, the block window and the comments box, and every hook the plot
// answers (the main loop's plot windows, the store's channel changes, the
// notes, preferences, toolbar and results-notice redraws). Also gives every
// channel the Normal scale until the user picks another.
void RegisterPlotCommands();

// The file in front changed: the geometry globals follow its plot window,
// the block window and the comments box show its block and comments (or
// close when it has none).
void FrontFileChanged(int16_t slot);

// What a key typed over the front plot window does besides its menu pick.
void HandlePlotKey(const KeyCommand& k);

// A click on a control of the front plot window, as the main loop reads it
// from the mailbox (action 1): 1010 the page slider, 333 the channel pop-up.
// True when the id was one of these.
bool HandlePlotControlClick(int16_t controlId);

// Changes the active channel: mode 2 the next, 1 the previous (both wrap
// round), 0 the typed channel. While recording, leaves the step
// "CHANGE CHANNEL to:" (operation 1, the channel in field 2). Returns the
// channel now active, 0 when nothing changed.
int16_t PUSHCHAN(int16_t mode, int16_t typedChannel = 0);

// Window ids and controls of the time-unit dialog.
inline constexpr int16_t kTimeUnitsWindow = 7;
inline constexpr int16_t kTimeSeconds = 11, kTimeMinutes = 12, kTimeHours = 13, kTimeDays = 14;
inline constexpr int16_t kTimeLogY = 15;
// "Time Units": waits for Seconds, Minutes, Hours or Days and leaves
// TimeUnits 0..3 (a key or another window's activation leaves seconds).
// Placement 1 over the upper plot, 0 and 2 below it; 0 offers "Use log(Y) "
// when BlockMinY >= 0.
void TIMECHOICE(uint16_t placement);
