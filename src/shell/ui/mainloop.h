// The main loop: one pass pumps the events, keeps the Window menu's check
// mark, switches the current file on activation, closes files, runs picked
// commands and typed keys, and clears the mailboxes.
#pragma once
#include <cstdint>
#include <functional>

#include "platform/events.h"

// The loop returns at the end of the pass in which this was called.
void RequestQuit();
bool QuitRequested();
void ClearQuitRequest();
// The desk asked to quit (window manager, session end): the next pass runs
// the quit flow, which may still be cancelled.
void NoteDeskQuitRequest();
bool DeskQuitPending();

// Makes a file the current one: TheFileInUse, its active channel, the
// Channel and Window menus and the menu states. The window is not moved.
void ActivateFileSlot(int16_t slot);
// Brings the plot window of the slot to the front and activates the file.
void BringFileToFront(int16_t slot);

// The handlers of the main loop (HANDLEMENU, DoDIALOG, ...).
void InstallMainLoopHandlers();
// The desk's documents and quit requests, for the whole run.
void MainDocumentsHandler(const plat::Event& e);

// Work of subsystems above the shell in every pass; absent hooks are skipped.
struct MainLoopHooks {
  // At the end of a pass: the script runner starts a run on a newly loaded file.
  std::function<void()> startOfRun;
  // A click in the plot window on a control the plot does not own.
  std::function<bool(int16_t controlId)> plotButton;
};
extern MainLoopHooks gMainLoopHooks;

// One pass; maxWaitMs is handed to the pump.
void MainLoopPass(int maxWaitMs = 20);
// Passes until a quit was confirmed.
void MainProgramLoop();
