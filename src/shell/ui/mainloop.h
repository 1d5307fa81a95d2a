// The main loop: one pass pumps the events, keeps the Window menu's check
// mark, switches the current file on activation, closes files, runs picked
// commands and typed keys, and clears the mailboxes.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "platform/events.h"
#include "shell/dispatch.h"

// What the loop hands to the subsystems that own the windows and the files:
// the data-file and plot registrars fill these. Absent ones are skipped.
struct MainLoopHooks {
  // Data files.
  std::function<int()> loadPendingDocuments;         // how many were loaded
  std::function<bool()> openFirstFile;               // file-type dialog until a file is open; false: quit
  std::function<void(int16_t slot)> closeFile;       // the plot window's close box
  // Plot windows.
  std::function<void(const plat::Event&)> mouse;     // clicks into the plot
  std::function<void()> trackPointer;                // idle pass over the front plot
  std::function<void(int16_t controlId)> controlClicked;
  // A file became the current one: the geometry globals, the block window
  // and the comments box follow its plot window.
  std::function<void(int16_t slot)> fileActivated;
  // A window that is not a plot window came to the front (block, comments).
  std::function<void(int16_t windowId)> otherWindowActivated;
  std::function<void(int16_t slot)> plotWindowMoved;
  std::function<void(int16_t slot, bool front)> plotWindowResized;
  std::function<void(const KeyCommand&)> plotKey;    // the key's action, before its pick runs
  std::function<void()> toolbarClosed;               // the toolbar's close box moves it on
  std::function<void()> toolbarResized;              // the user resized the toolbar
  // Scripts. At the end of a pass: the runner starts a run on a newly loaded
  // file. A click on a control the plot does not own (the script's continue
  // button), whichever window is in front.
  std::function<void()> startOfRun;
  std::function<bool(int16_t controlId)> plotButton;
  // The plot's "Change Block" button was clicked (ChangeBlockButtonClicked).
  std::function<void()> changeBlockClicked;
  // End of every pass: windows that belong to the plot window kept in sight.
  std::function<void()> endOfPass;
};
extern MainLoopHooks gMainLoopHooks;

// Documents handed to the program by the desk or on the command line;
// loaded at start-up before the file-type dialog, and by the main loop when
// they arrive later.
void QueueDocuments(const std::vector<std::filesystem::path>& paths);
bool DocumentsPending();
// Hands over the waiting documents, oldest first, and forgets them.
std::vector<std::filesystem::path> TakePendingDocuments();
void ForgetDocuments();

// The loop returns at the end of the pass in which this was called.
void RequestQuit();
bool QuitRequested();
void ClearQuitRequest();
// The loop as it stood before its first pass: no quit asked for, no pointer
// poll made, no command running. For a restarted clock (the test desk).
void ResetMainLoop();
// The desk asked to quit (window manager, session end): the next pass runs
// the quit flow, which may still be cancelled.
void NoteDeskQuitRequest();
bool DeskQuitPending();

// The file whose plot window stands in front of every other plot window;
// -1 none.
int16_t FrontPlotSlot();

// Makes a file the current one: TheFileInUse, its active channel, the
// Channel and Window menus and the menu states. The window is not moved.
void ActivateFileSlot(int16_t slot);
// Brings the plot window of the slot to the front and activates the file.
void BringFileToFront(int16_t slot);

// The handlers of the main loop (HANDLEMENU, DoDIALOG, ...).
void InstallMainLoopHandlers();
// The desk's documents and quit requests, for the whole run.
void MainDocumentsHandler(const plat::Event& e);

// One pass; maxWaitMs is handed to the pump. A command that fails in it
// for want of memory is taken back as far as the store allows; each file's
// comments and "changed" mark go back to where the command found them when
// the file is found as it was, else the file is marked changed.
void MainLoopPass(int maxWaitMs = 20);
// A command begins here, within the pass (a replayed script step): a
// failure takes back no further than this.
void MarkCommandStart();
// Passes until a quit was confirmed.
void MainProgramLoop();
